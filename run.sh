#!/usr/bin/env bash
# Sets everything up and starts Tarvok DVD Ripper: the window when there is a
# display, otherwise a rip of the first video DVD found (or of a sample disc).
set -euo pipefail
cd "$(dirname "$0")"
scripts/build.sh
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/bin/tarvok-dvd-ripper
fi

echo "No display found (neither DISPLAY nor WAYLAND_DISPLAY is set): ripping from the command line."
status=0
build/bin/tarvok-rip rip --yes || status=$?
if [ "$status" -eq 2 ]; then
  echo "No video DVD is mounted; ripping the sample disc that the build makes instead."
  cmake --build build --target sample-disc > /dev/null
  status=0
  build/bin/tarvok-rip rip build/sample-disc --yes || status=$?
fi
[ "$status" -eq 0 ] && echo "The file is in ~/Converted Videos (its path is the line above)."
exit "$status"
