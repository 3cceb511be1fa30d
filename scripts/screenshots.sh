#!/usr/bin/env bash
# Renders the README's pictures of the main window (with a test disc loaded)
# and of the settings window into docs/screenshots/, offscreen.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh > /dev/null
home=$(mktemp -d /tmp/tarvok-screenshots.XXXXXX)
mkdir -p "$home/run" && chmod 700 "$home/run"
export HOME=$home XDG_CONFIG_HOME=$home/.config XDG_RUNTIME_DIR=$home/run
export QT_QPA_PLATFORM=offscreen QT_QUICK_BACKEND=software
build/bin/gui_tests --gtest_filter='MainWindowTest.StartWithADisc*:SettingsDialogTest.OpensWith*' > /dev/null
mkdir -p docs/screenshots
cp build/screenshots/main-window.png build/screenshots/settings-window.png docs/screenshots/
rm -rf "$home"
echo "docs/screenshots/main-window.png docs/screenshots/settings-window.png"
