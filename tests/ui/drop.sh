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
touch a.kml b.kml "c d.kml"
# A settings file (UTF-16 with its byte-order mark) that unticks Index and ticks RCR.
{ printf '\xff\xfe'; printf '[CSVopt]\r\nIndex=0\r\nRCR=1\r\n' | iconv -f UTF-8 -t UTF-16LE; } >settings.INI

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

# A copy of its own, so that its settings file is this test's.
mkdir program
cp "$program" program/Nordavel.exe
program="$work/program/Nordavel.exe"
"${emulator[@]}" "$program" started.kml >/dev/null 2>&1 &
attached wait || fail "no main window"
caption=$(attached caption)
expect_list "started.kml" "command line"

/usr/bin/python3 "$here/xdnd_drop.py" "$caption" "$work/a.kml" "$work/b.kml" "$work/c d.kml" ||
    fail "three files could not be dropped"
expect_list "$(windows_path a.kml)
$(windows_path b.kml)
$(windows_path 'c d.kml')" "three files replace the list, in the order of the drop"

# A dropped folder becomes its logs, as Explorer sorts them; one without logs stays a line that
# the run marks.
mkdir -p logs/sub none
touch "logs/b 10.kml" "logs/b 9.KML" logs/sub/c.kml logs/notes.txt
/usr/bin/python3 "$here/xdnd_drop.py" "$caption" "$work/logs" "$work/none" ||
    fail "two folders could not be dropped"
expect_list "$(windows_path 'logs/b 9.KML')
$(windows_path 'logs/b 10.kml')
$(windows_path none)" "dropped folders"
attached execute
last=$(attached list | tail -n 1); [ "$last" == "* No log file > $(windows_path none)" ] ||
    fail "the folder without logs is not marked: $last"

# A name longer than MAX_PATH reaches the list whole; opening it is refused for its length.
deep=$(printf 'd%.0s' {1..120})
mkdir -p "$deep/$deep"
touch "$deep/$deep/long.kml"
/usr/bin/python3 "$here/xdnd_drop.py" "$caption" "$work/$deep/$deep/long.kml" ||
    fail "the long name could not be dropped"
expect_list "$(windows_path "$deep/$deep/long.kml")" "a name longer than MAX_PATH"
attached execute
expect_list "* Not found > $(windows_path "$deep/$deep/long.kml")" "the long name converted"

/usr/bin/python3 "$here/xdnd_drop.py" "$caption" "$work/settings.INI" ||
    fail "the settings file could not be dropped"
expect_list "" "a dropped settings file empties the list"
options=$(attached options)
[ "$options" == "01101" ] || fail "the dropped settings file was not loaded: ticks $options"

attached close || fail "the program did not end"
wait
# Closing saved into the dropped file, which keeps its own keys first.
saved=$(iconv -f UTF-16 -t UTF-8 <settings.INI | tr -d '\r' | grep -v '^$' | tr '\n' ' ')
[[ "$saved" == "[CSVopt] Index=0 RCR=1 DateTime=1 SNEW=1 VALID=0 [Option] DataPath="* ]] ||
    fail "the dropped settings file holds: $saved"
[ ! -e program/Nordavel.ini ] || [ "$(stat -c %s program/Nordavel.ini)" -eq 2 ] ||
    fail "the program's own settings file was written"

# A dropped settings file that cannot be used (its folder is missing, and no per-user folder can
# be made): the error box tells, the files before it stay in the list, those after it do not.
printf 'not a folder' >appdata
"${emulator[@]}" "$driver" "$program" --launch "$(windows_path appdata)" >/dev/null 2>&1
attached wait || fail "no main window for the failing drop"
/usr/bin/python3 "$here/xdnd_drop.py" "$caption" "$work/a.kml" "$work/missing/x.ini" \
    "$work/b.kml" || fail "the files with a missing settings file could not be dropped"
box=$(attached box)
[ "$box" == "Cannot create : $(windows_path appdata)\Nordavel\." ] || fail "error box: $box"
attached dismiss || fail "the error box could not be closed"
expect_list "$(windows_path a.kml)" "the drop stops at the settings file"
attached close || fail "the program did not end after the failing drop"

if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "all drop cases passed"
