#!/bin/sh
# Installs the Debian packages fivesine needs that are missing.
#   tools/deps.sh run    what building and running needs
#   tools/deps.sh test   that, plus what the tests and benchmarks need
# As root the packages are installed; otherwise the one apt-get line to run
# is printed and the script fails.
set -eu

run="cmake make g++ pkg-config libsdl1.2-compat-dev libasound2-dev"
test="$run googletest libgtest-dev libbenchmark-dev python3 xvfb x11-apps x11-utils xauth clang libclang-rt-14-dev valgrind pulseaudio pulseaudio-utils libasound2-plugins"

case "${1:-run}" in
  run) wanted=$run ;;
  test) wanted=$test ;;
  *) echo "usage: $0 run|test" >&2; exit 2 ;;
esac

missing=
for p in $wanted; do
  if ! dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
    missing="$missing $p"
  fi
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  echo "Installing:$missing"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing
else
  echo "Missing packages. Run:"
  echo "  sudo apt-get install$missing"
  exit 1
fi
