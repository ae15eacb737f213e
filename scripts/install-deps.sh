#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need (only those missing).
set -euo pipefail
PACKAGES=(
    build-essential cmake pkg-config clang-format
    qtbase5-dev qtbase5-dev-tools libqt5sql5-sqlite libsqlite3-dev qtmultimedia5-dev libqt5multimedia5-plugins
    qtbase5-private-dev
    libqt5webkit5-dev libqwt-qt5-dev qttools5-dev qttools5-dev-tools
    libarchive-dev 7zip qttranslations5-l10n libx11-dev
    fonts-noto-cjk xvfb xcompmgr x11-apps x11-utils imagemagick python3 python3-pil
)
missing=()
for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
