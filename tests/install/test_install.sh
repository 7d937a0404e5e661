#!/usr/bin/env bash
# `cmake --install` into a temporary prefix: exactly the expected files, each usable.
set -euo pipefail
build=${1:?usage: test_install.sh BUILD_DIR}
prefix=$(mktemp -d "${TMPDIR:-/tmp}/quillo-install-XXXXXX")
trap 'rm -rf "$prefix"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# As the README installs it: stripped.
cmake --install "$build" --strip --prefix "$prefix" >/dev/null
expected="bin/quillo
share/applications/quillo.desktop
share/icons/hicolor/scalable/apps/quillo.svg
share/man/man6/quillo.6
share/xscreensaver/config/quillo.xml"
found=$(cd "$prefix" && find . -type f | sed 's|^\./||' | sort)
[ "$found" = "$expected" ] || fail "installed files differ:"$'\n'"$found"

# The program runs from its new place (an argument without a mode ends at once).
[ -x "$prefix/bin/quillo" ] || fail "bin/quillo is not executable"
timeout 5 "$prefix/bin/quillo" /P 1234 || fail "the installed program does not run"
readelf -S -W "$prefix/bin/quillo" | grep -qE ' \.(symtab|debug_info) ' && fail "bin/quillo is not stripped"
# --help and --version print on standard output and end well.
timeout 5 "$prefix/bin/quillo" --help | grep -q '^Usage: quillo .*-window-id' || fail "--help: no usage"
[[ $(timeout 5 "$prefix/bin/quillo" --version) =~ ^quillo\ [0-9]+\.[0-9]+ ]] || fail "--version"

# The menu entry opens the settings and names the installed icon.
desktop="$prefix/share/applications/quillo.desktop"
desktop-file-validate "$desktop" || fail "the desktop entry is invalid"
grep -qx 'Exec=quillo /C' "$desktop" || fail "the desktop entry does not run quillo /C"
grep -qx 'Icon=quillo' "$desktop" || fail "the desktop entry names another icon"

# The icon and the daemon's entry are well-formed XML; the entry starts this program in a window.
xmllint --noout "$prefix/share/icons/hicolor/scalable/apps/quillo.svg" || fail "icon is not XML"
[ "$(xmllint --xpath 'name(/*)' "$prefix/share/icons/hicolor/scalable/apps/quillo.svg")" = svg ] ||
    fail "icon is not an SVG picture"
xml="$prefix/share/xscreensaver/config/quillo.xml"
xmllint --noout "$xml" || fail "the daemon's entry is not XML"
[ "$(xmllint --xpath 'string(/screensaver/@name)' "$xml")" = quillo ] ||
    fail "the daemon's entry names another program"
[ "$(xmllint --xpath 'string(/screensaver/command/@arg)' "$xml")" = -root ] ||
    fail "the daemon's entry does not pass -root"

# The manual page renders without warnings.
page=$(MANWIDTH=80 LC_ALL=C.UTF-8 man --warnings -l "$prefix/share/man/man6/quillo.6" 2>&1 >/dev/null)
[ -z "$page" ] || fail "man page warnings: $page"
MANWIDTH=80 man -l "$prefix/share/man/man6/quillo.6" 2>/dev/null | grep -q 'quillo - picture' ||
    fail "the man page has no NAME line"
echo "install: all checks passed"
