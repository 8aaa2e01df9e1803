#!/usr/bin/env bash
# Runs the driver's settings cases that need the machine set up first.
# Usage: settings.sh MODE [EMULATOR...] DRIVER NORDAVEL.EXE
#   readonly  folders and a settings file nobody may write (chattr +i, which binds root too)
#   japanese  a Japanese locale
#   dpi       a screen of 120 pixels per inch (Wine's LogPixels, set back afterwards)
set -uo pipefail

mode=$1
shift
program=${!#}
run=("$@")

# A UTF-16 settings file with its byte-order mark.
settings_file() { { printf '\xff\xfe'; printf "$2" | iconv -f UTF-8 -t UTF-16LE; } >"$1"; }

case "$mode" in
readonly)
    work=$(mktemp -d)
    cleanup() {
        chattr -i "$work/ro" "$work/rofile/Nordavel.ini" 2>/dev/null
        rm -rf "$work"
    }
    trap cleanup EXIT
    mkdir -p "$work/ro" "$work/rofile"
    cp "$program" "$work/ro/Nordavel.exe"
    cp "$program" "$work/rofile/Nordavel.exe"
    settings_file "$work/ro/Nordavel.ini" '[CSVopt]\r\nRCR=1\r\n'
    settings_file "$work/rofile/Nordavel.ini" '[CSVopt]\r\nRCR=1\r\n'
    touch -d '2020-01-01' "$work/ro/Nordavel.ini"
    if ! chattr +i "$work/ro" "$work/rofile/Nordavel.ini"; then
        echo "chattr +i is not available here: the read-only cases cannot run"
        exit 77
    fi
    NORDAVEL_SETUP_FOLDER="$work" "${run[@]}" --gtest_filter='ReadOnly.*'
    ;;
japanese)
    LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 "${run[@]}" --gtest_filter='Japanese.*'
    ;;
dpi)
    wine=("${run[@]:0:${#run[@]}-2}")
    dpi() { "${wine[@]}" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1; }
    trap 'dpi 96' EXIT
    dpi 120
    "${run[@]}" --gtest_filter='Dpi.*'
    ;;
*)
    echo "unknown mode $mode"
    exit 2
    ;;
esac
