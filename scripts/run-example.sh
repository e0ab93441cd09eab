#!/usr/bin/env bash
# Opens the program on the bundled example project; without a display, builds its installer.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
bin="$build/bin"
project="examples/Starfield/Starfield.gldp"

if [ -x "$bin/gldexample" ]; then
    "$bin/gldexample" examples/Starfield >/dev/null
fi

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    [ "$(id -u)" -eq 0 ] && export QTWEBENGINE_DISABLE_SANDBOX=1
    exec "$bin/glimmerdrome" "$project"
fi

echo "No display: building the example's installer with gldbuild."
if [ -x "$bin/gldbuild" ]; then
    "$bin/gldbuild" "$project"
    [ -x "$bin/gldpack" ] && "$bin/gldpack" list "$(dirname "$project")/setup.exe"
else
    echo "gldbuild is not built yet; the core libraries and tools in $bin are:"
    ls "$bin"
fi
