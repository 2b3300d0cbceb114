#!/usr/bin/env bash
# Installs every Debian package that Tovo's build, tests and `make run` need.
# Idempotent and quiet when everything is already present.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n qt6-image-formats-plugins
  libgl-dev libzip-dev zlib1g-dev libssl-dev libisal-dev libdeflate-dev
  googletest libgtest-dev libgmock-dev
  fonts-liberation
  zip unzip p7zip-full python3 libarchive-tools
  shared-mime-info
  xvfb xdotool imagemagick
  xdg-utils desktop-file-utils libglib2.0-bin
  file dpkg-dev lintian
  unrtf
  clang libclang-rt-14-dev
  libmagick++-6.q16-dev libmagickcore-6.q16-6-extra fonts-urw-base35
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installation des paquets manquants : ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
