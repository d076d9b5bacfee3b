#!/usr/bin/env bash
# Installs the Debian packages the reader needs.
#
#   scripts/setup.sh run    the compiler tool chain, the libraries the two programs are built
#                           with, and what they use when running (MIME and desktop databases,
#                           icon theme, fonts)
#   scripts/setup.sh [all]  that, plus what the tests, benchmarks, fuzz targets and the package
#                           check need
#
# Safe to run again: packages already present are left as they are.
set -euo pipefail

RUN_PACKAGES=(
  build-essential cmake ninja-build pkg-config libfuse3-dev fuse3
  qt6-base-dev libgl-dev qt6-translations-l10n
  shared-mime-info desktop-file-utils xdg-utils hicolor-icon-theme adwaita-icon-theme
  fontconfig fonts-dejavu-core
)
TEST_PACKAGES=(
  clang libclang-rt-14-dev
  libssl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev-tools
  dosfstools mtools ntfs-3g ntfs-3g-dev sleuthkit attr
  xvfb xauth zstd
  dpkg-dev file groff-base libfile-mimeinfo-perl bash-completion
)

case "${1:-all}" in
  run) PACKAGES=("${RUN_PACKAGES[@]}") ;;
  all) PACKAGES=("${RUN_PACKAGES[@]}" "${TEST_PACKAGES[@]}") ;;
  *) echo "usage: scripts/setup.sh [run|all]" >&2; exit 2 ;;
esac

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
