#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need, when missing.
set -euo pipefail
packages=(cmake ninja-build g++ pkg-config qt6-base-dev libharfbuzz-dev zlib1g-dev libsqlite3-dev mdbtools-dev
          mdbtools libgtest-dev libgmock-dev libbenchmark-dev fonts-ipafont-mincho fonts-ipafont-gothic
          fonts-dejavu-core fonts-urw-base35 fonts-noto-cjk libfreetype-dev libfontconfig-dev
          qt6-translations-l10n desktop-file-utils appstream
          poppler-utils ghostscript libcups2-dev cups printer-driver-cups-pdf "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y "${missing[@]}"
fi
