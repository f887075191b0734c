#!/usr/bin/env bash
# Sets up, builds and starts the panel with the simulated card. Without a display
# it takes a picture of the live window instead and says where it is.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc)" --target tqv-multibuf tqv-snapshot tqv-selftest tqv-record tqv-serve adcard

bin=build/release/bin
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$bin/tqv-multibuf"
fi

shot="$PWD/build/release/tqv-multibuf.png"
scope="$PWD/build/release/tqv-scope.png"
echo "No display (DISPLAY and WAYLAND_DISPLAY are unset): taking pictures of the live windows instead."
"$bin/tqv-snapshot" "$shot" --scope "$scope" --ms 3000
echo "Window pictures: $shot and $scope"
