#!/usr/bin/env bash
# Set-up, build, run and test of Kelo on Debian 12.
#   bash kelo.sh run    install what is needed, build, start kelo
#   bash kelo.sh test   install what is needed, build, run every test
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(
  build-essential cmake ninja-build pkg-config git
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libsqlcipher-dev sqlcipher
  qt6-base-dev qt6-qpa-plugins libgl-dev libfontconfig-dev
  libgif-dev libimagequant-dev liberfa-dev
  fonts-arphic-uming fonts-wqy-zenhei
  xvfb xauth shared-mime-info desktop-file-utils
  unicode-data python3
)

install_packages() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
}

JOBS=$(nproc 2>/dev/null || echo 2)

build() {  # build DIR [cmake options...]
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@"
  cmake --build "$dir" -j "$JOBS"
}

case "${1:-}" in
  run)
    install_packages
    build build -DCMAKE_BUILD_TYPE=Release
    shift
    if [ -x build/app/kelo ]; then
      exec build/app/kelo "$@"
    else
      exec build/engine/starchart --solar "$(date +%F)"
    fi
    ;;
  test)
    install_packages
    build build -DCMAKE_BUILD_TYPE=Release
    (cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$JOBS")
    # The engine once more under AddressSanitizer and UndefinedBehaviorSanitizer.
    build build-asan -DCMAKE_BUILD_TYPE=Debug -DKELO_ENGINE_ONLY=ON -DKELO_SANITIZE=ON -DKELO_BUILD_BENCH=OFF
    (cd build-asan && ctest --output-on-failure -j "$JOBS" -L engine)
    ;;
  *)
    echo "usage: bash kelo.sh run [FILE.kvr] | bash kelo.sh test" >&2
    exit 2
    ;;
esac
