#!/usr/bin/env bash
# Files dropped on the main window replace its list: dropped from X11 the way a file manager
# drops them (tests/ui/xdnd_drop.py), read back with the driver.
# Usage: drop.sh [EMULATOR...] DRIVER NORDAVEL.EXE
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
program=${!#}
driver=${*:$#-1:1}
emulator=("${@:1:$#-2}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
touch a.kml b.kml "c d.kml" settings.INI

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
attached() { "${emulator[@]}" "$driver" "$program" --attached "$@" | tr -d '\r'; }
windows_path() { printf 'Z:%s' "$(printf '%s' "$work/$1" | tr '/' '\\')"; }
expect_list() {
    local actual
    actual=$(attached list)
    [ "$actual" == "$1" ] || fail "$2: list was"$'\n'"$actual"$'\n'"wanted"$'\n'"$1"
}

"${emulator[@]}" "$program" started.kml >/dev/null 2>&1 &
attached wait || fail "no main window"
caption=$(attached caption)
expect_list "started.kml" "command line"

/usr/bin/python3 "$here/xdnd_drop.py" "$caption" "$work/a.kml" "$work/b.kml" "$work/c d.kml" ||
    fail "three files could not be dropped"
expect_list "$(windows_path a.kml)
$(windows_path b.kml)
$(windows_path 'c d.kml')" "three files replace the list, in the order of the drop"

/usr/bin/python3 "$here/xdnd_drop.py" "$caption" "$work/settings.INI" ||
    fail "the settings file could not be dropped"
expect_list "" "a dropped settings file empties the list"

attached close || fail "the program did not end"
wait

if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "all drop cases passed"
