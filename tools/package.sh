#!/bin/sh
# SPDX-License-Identifier: MIT
# Makes the Debian package from a Release build with CPack, then checks it:
# the files it holds, its version against the program's, a Depends field
# computed by dpkg-shlibdeps, its AppStream metadata, and lintian, which must
# report no error and no warning (dpkg-dev and lintian are installed here
# when missing).
# Usage: sh tools/package.sh [BUILD_DIR]   (default build-package; the
# package is BUILD_DIR/korvane_VERSION_ARCH.deb)
set -e
cd "$(dirname "$0")/.."
build=${1:-build-package}
sh tools/deps.sh dpkg-dev lintian
# Debian's build flags with all its hardening: fortified libc calls, stack
# protector, relocations read-only and bound at start.
flags() { DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1"; }
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORVANE_TESTS=OFF \
  -DCMAKE_C_FLAGS="$(flags CPPFLAGS) $(flags CFLAGS)" \
  -DCMAKE_CXX_FLAGS="$(flags CPPFLAGS) $(flags CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(flags LDFLAGS)"
cmake --build "$build" -j2
rm -f "$build"/korvane_*.deb
(cd "$build" && cpack -G DEB)
deb=$(ls "$build"/korvane_*.deb)
fail() { echo "package.sh: $*" >&2; exit 1; }

dpkg-deb -c "$deb"
dpkg-deb -f "$deb"
files=$(dpkg-deb -c "$deb" | awk '/^-/ { print $6 }' | LC_ALL=C sort)
[ "$files" = "./usr/bin/korvane
./usr/bin/korvane-cli
./usr/share/applications/korvane.desktop
./usr/share/bash-completion/completions/korvane-cli
./usr/share/doc/korvane/changelog.gz
./usr/share/doc/korvane/copyright
./usr/share/icons/hicolor/24x24/apps/korvane.png
./usr/share/icons/hicolor/48x48/apps/korvane.png
./usr/share/man/man1/korvane-cli.1.gz
./usr/share/man/man1/korvane.1.gz
./usr/share/metainfo/io.github.korvane.Korvane.metainfo.xml" ] || fail "unexpected files: $files"
[ "korvane-cli $(dpkg-deb -f "$deb" Version)" = "$("$build"/korvane-cli --version)" ] ||
  fail "Version $(dpkg-deb -f "$deb" Version) is not the program's"
dpkg-deb -f "$deb" Depends | grep -q 'libgtk2\.0-0.*libc6\|libc6.*libgtk2\.0-0' ||
  fail "Depends lacks the libraries the programs link"

# The metadata as shipped, its pedantic notes shown.
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
appstreamcli validate --no-net --pedantic \
  "$unpacked/usr/share/metainfo/io.github.korvane.Korvane.metainfo.xml" ||
  fail "AppStream metadata refused"
# Every tag down to pedantic and informational ones is listed; errors and
# warnings fail the package.
lintian --display-info --pedantic --display-experimental --fail-on error,warning "$deb" ||
  fail "lintian reports errors or warnings"
echo "$deb: OK"
