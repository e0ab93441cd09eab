#!/usr/bin/env bash
# Installs what building, running and testing need on a Debian 12 machine; with the argument
# "fuzz", also the compiler and runtime that libFuzzer needs (make fuzz only).
# Quiet and quick when everything is already there.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
    build-essential cmake ninja-build pkg-config git
    libgtest-dev libgmock-dev
    qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools qt6-webengine-dev
    libgl1-mesa-dev libxcb1-dev zlib1g-dev liblzma-dev
    xvfb xauth xdotool imagemagick fonts-dejavu-core
    shared-mime-info desktop-file-utils xscreensaver
    dpkg-dev file appstream groff-base
    bzip2 lbzip2 libbz2-dev xz-utils
    clang-format
)

if [ "${1:-}" = "fuzz" ]; then
    packages+=(clang libclang-rt-14-dev)
fi

# Node.js may come from elsewhere than Debian (its npm then ships inside the nodejs package).
if ! command -v npm >/dev/null 2>&1; then
    packages+=(nodejs npm)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing packages: ${missing[*]} (run as root, or install them with apt-get)" >&2
        exit 1
    fi
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The Flash preview's player comes from the npm registry, pinned by package-lock.json.
if [ -f package.json ]; then
    if [ ! -d node_modules ] || [ package-lock.json -nt node_modules/.package-lock.json ]; then
        if command -v npm >/dev/null 2>&1; then
            npm ci --no-audit --no-fund --loglevel=error
        fi
    fi
fi
