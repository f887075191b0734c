#!/usr/bin/env bash
# Installs the Debian 12 packages the panel needs to build, run and be tested.
# Idempotent: when everything is already there it changes nothing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev libgl-dev            # the window
  fonts-wqy-microhei                # the Chinese captions
  libgtest-dev libgmock-dev         # unit tests
  python3 python3-junitparser       # the self-test's integration tests read its JUnit report
  libbenchmark-dev                  # benchmarks
  clang libclang-rt-14-dev          # fuzzing and sanitizers' runtimes
  xvfb xdotool x11-utils            # the real-display test (Xvfb, xdotool, xdpyinfo, xprop)
  at-spi2-core dbus python3-pyatspi # the accessibility test: the program over AT-SPI
  libx11-dev                        # its close-box helper (Xlib)
  lintian                           # the Debian package's check
  nlohmann-json3-dev                # the recorder's metadata
  # Test-only outside readers of the recordings, never linked or shipped: libsndfile
  # (the record tests read WAV/RF64 through it), sox, numpy, sigrok-cli (GPL: only run).
  libsndfile1-dev sox python3-numpy sigrok-cli
  strace                            # a recording's drain held up on purpose (only run)
  mandoc                            # the manual pages' check
  libmosquitto-dev                  # the fleet's MQTT broker
  python3-pyvisa python3-pyvisa-py  # the network instrument's tests: a SCPI client nobody here wrote
  mosquitto python3-paho-mqtt       # the fleet's tests: a real broker and a subscriber
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
echo "Installing: ${missing[*]}"
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
