#!/bin/sh
# SPDX-License-Identifier: MIT
# Installs the Debian packages that building and testing Korvane need, when
# they are missing. Runs apt-get as root, or through sudo.
set -e
PACKAGES="cmake ninja-build g++ pkg-config libglib2.0-dev libgtk2.0-dev libgtest-dev libgmock-dev
          xvfb xauth desktop-file-utils appstream gettext groff-base clang libclang-rt-14-dev
          xfonts-utils"
[ "$#" -gt 0 ] && PACKAGES="$PACKAGES $*"
missing=""
for p in $PACKAGES; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
