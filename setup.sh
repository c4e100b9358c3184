#!/usr/bin/env bash
# Shared set-up for run.sh and test.sh: installs missing Debian packages,
# then configures and builds in build/. Safe to run again; fast when nothing changed.
# --tests: also what the tests need beyond the build (test.sh passes it).
set -euo pipefail
cd "$(dirname "$0")"

packages=(cmake ninja-build g++ qt6-base-dev qt6-translations-l10n libbenchmark-dev fonts-noto-cjk
          qt6-multimedia-dev gstreamer1.0-plugins-base gstreamer1.0-plugins-good
          libssl-dev libminiupnpc-dev libnatpmp-dev)
# The sound test runs a PulseAudio server of its own and records it with parec.
# The port-mapping test runs a real miniupnpd in network namespaces.
test_packages=(pulseaudio pulseaudio-utils gnugo miniupnpd miniupnpd-nftables miniupnpc nftables iproute2)
if [ "${1:-}" = "--tests" ]; then
  packages+=("${test_packages[@]}")
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  # miniupnpd is for the tests only: it must not start as the host's daemon.
  echo "miniupnpd miniupnpd/start_daemon boolean false" | $SUDO debconf-set-selections
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Optimised without debug information: a fresh build takes a fifth less time.
# Configure build/ by hand (RelWithDebInfo is the default) to debug.
if [ ! -f build/build.ninja ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
fi
cmake --build build -j"$(nproc)"
