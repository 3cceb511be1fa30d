#!/usr/bin/env bash
# Sets everything up and starts Tarvok DVD Ripper.
set -euo pipefail
cd "$(dirname "$0")"
scripts/build.sh
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/bin/tarvok-dvd-ripper
fi
echo "No display found (neither DISPLAY nor WAYLAND_DISPLAY is set), so the window cannot open."
echo "Without a display this command will rip the first video DVD it finds with the"
echo "command-line front end; try 'xvfb-run -a ./run.sh' to see the window."
