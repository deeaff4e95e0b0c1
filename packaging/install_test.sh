#!/bin/sh
# SPDX-License-Identifier: MIT
# Installs a build into a temporary prefix and checks what lands there: the
# exact set of files, the desktop entry and AppStream metadata, the changelog
# and copyright files, manual pages that groff reads without a warning, every
# command of `korvane-cli --help` in its page with its operands and an
# example, and the completion of commands and options.
# Usage: install_test.sh CMAKE BUILD_DIR
set -e
cmake=$1 build=$2 source=$(dirname "$0")/..
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "$*"; exit 1; }

"$cmake" --install "$build" --prefix "$prefix" >/dev/null
files=$(cd "$prefix" && find . ! -type d | LC_ALL=C sort)
[ "$files" = "./bin/korvane
./bin/korvane-cli
./share/applications/korvane.desktop
./share/bash-completion/completions/korvane-cli
./share/doc/korvane/changelog.gz
./share/doc/korvane/copyright
./share/icons/hicolor/24x24/apps/korvane.png
./share/icons/hicolor/48x48/apps/korvane.png
./share/man/man1/korvane-cli.1.gz
./share/man/man1/korvane.1.gz
./share/metainfo/io.github.korvane.Korvane.metainfo.xml" ] || fail "installed: $files"

out=$(desktop-file-validate "$prefix/share/applications/korvane.desktop" 2>&1) || true
[ -z "$out" ] || fail "$out"

# The latest changelog entry is this version's; the copyright file holds
# LICENSE's text as its license paragraph (lines indented, "." for empty ones).
version=$("$build/korvane-cli" --version | cut -d' ' -f2)
zcat "$prefix/share/doc/korvane/changelog.gz" | head -1 | grep -q "^korvane ($version) " ||
  fail "changelog.gz: the latest entry is not version $version"
doc=$prefix/share/doc/korvane/copyright
grep -qx "Copyright: $(sed -n 's/^Copyright (c) //p' "$source/LICENSE")" "$doc" ||
  fail "copyright: holders are not LICENSE's"
awk '/^License: MIT$/ { p = 1; next } p && /^ ./ { sub(/^ /, ""); sub(/^\.$/, ""); print; next }
     { p = 0 }' "$doc" | sed -n '/^Permission/,$p' >"$prefix/license"
sed -n '/^Permission/,$p' "$source/LICENSE" | cmp -s - "$prefix/license" ||
  fail "copyright: the license text is not LICENSE's"

# Errors and warnings fail the validation; pedantic notes are shown only with
# --pedantic. The metadata lists this version, released on its changelog date.
metainfo=$prefix/share/metainfo/io.github.korvane.Korvane.metainfo.xml
appstreamcli validate --no-net "$metainfo" >"$prefix/appstream" 2>&1 ||
  fail "$(cat "$prefix/appstream")"
released=$(zcat "$prefix/share/doc/korvane/changelog.gz" | sed -n 's/^ -- .*>  //p' | head -1)
day=$(date -u -d "$released" +%F)
[ -n "$released" ] && grep -q "<release version=\"$version\" date=\"$day\"" "$metainfo" ||
  fail "metainfo: no release $version dated $released"

for page in korvane korvane-cli; do
  zcat "$prefix/share/man/man1/$page.1.gz" | groff -man -Tascii -ww -P-cbou \
    >"$prefix/$page.txt" 2>"$prefix/warnings"
  [ ! -s "$prefix/warnings" ] || fail "$page.1: $(cat "$prefix/warnings")"
done
sed -n '/^COMMANDS/,/^OPTIONS/p' "$prefix/korvane-cli.txt" >"$prefix/commands.txt"
sed -n '/^EXAMPLES/,/^SEE ALSO/p' "$prefix/korvane-cli.txt" >"$prefix/examples.txt"

completion=$prefix/share/bash-completion/completions/korvane-cli
# The words bash would offer on Tab after the given words.
offered() {
  bash -c '. "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _korvane_cli
           echo "${COMPREPLY[*]}"' _ "$completion" "$@"
}

"$build/korvane-cli" --help | grep '^  [a-z]' >"$prefix/help.txt"
[ -s "$prefix/help.txt" ] || fail "no commands in korvane-cli --help"
commands=""
while read -r name operands; do
  commands="$commands $name"
  awk -v tag="       $name $operands" 'index($0, tag) == 1 { found = 1 } END { exit !found }' \
    "$prefix/commands.txt" || fail "korvane-cli.1 lacks '$name $operands'"
  grep -Eq "^ +korvane-cli $name( |\$)" "$prefix/examples.txt" ||
    fail "korvane-cli.1 has no example of $name"
  options=$(echo "$operands" | grep -o '\[--[a-z-]*' | tr -d '[' | tr '\n' ' ' | sed 's/ $//')
  [ "$(offered korvane-cli "$name" x --)" = "$options" ] ||
    fail "completion of $name's options: '$(offered korvane-cli "$name" x --)'"
done <"$prefix/help.txt"
[ "$(offered korvane-cli "")" = "--help --version$commands" ] ||
  fail "completion of commands: '$(offered korvane-cli "")'"
