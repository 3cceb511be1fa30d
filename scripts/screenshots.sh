#!/usr/bin/env bash
# Renders the README's pictures of the main window (with a test disc loaded)
# and of the settings window into docs/screenshots/, on a virtual X display
# with Qt's default Quick backend (OpenGL through Mesa), as a desktop draws
# them: at 100% and at 200% scale.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh > /dev/null
home=$(mktemp -d /tmp/tarvok-screenshots.XXXXXX)
mkdir -p "$home/run" && chmod 700 "$home/run"
export HOME=$home XDG_CONFIG_HOME=$home/.config XDG_RUNTIME_DIR=$home/run QT_QPA_PLATFORM=xcb
unset QT_QUICK_BACKEND
mkdir -p docs/screenshots
for scale in 1 2; do
  QT_SCALE_FACTOR=$scale xvfb-run -a -s "-screen 0 1600x1200x24" build/bin/gui_tests \
    --gtest_filter='MainWindowTest.StartWithADisc*:SettingsDialogTest.OpensWith*' > /dev/null
  suffix=$([ "$scale" = 1 ] && echo "" || echo "@${scale}x")
  cp build/screenshots/main-window.png "docs/screenshots/main-window$suffix.png"
  cp build/screenshots/settings-window.png "docs/screenshots/settings-window$suffix.png"
done
rm -rf "$home"
ls docs/screenshots/*.png
