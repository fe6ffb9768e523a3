#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need; skips apt when all
# are present already. Runs as root on Debian 12.
set -euo pipefail

packages=(
  cmake make g++ pkg-config
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev libgl-dev
  xvfb xauth x11-apps x11-utils xdotool imagemagick fonts-liberation2 fonts-dejavu-core
  clang clang-format clang-tidy libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
