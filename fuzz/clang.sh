# Sourced by the fuzz scripts: installs clang++-14 and its libFuzzer and
# sanitizer runtimes when they are missing.
if ! command -v clang++-14 >/dev/null || ! dpkg-query -W -f='${Status}' libclang-rt-14-dev 2>/dev/null | grep -q "install ok installed"; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends clang-14 libclang-rt-14-dev
fi
