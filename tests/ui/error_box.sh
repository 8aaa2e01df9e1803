#!/usr/bin/env bash
# Runs the driver's error-box case with every file write limited to 4 MiB, so that Nordavel.exe
# cannot write the large CSV file. The log is made before the limit is set.
# Usage: error_box.sh [EMULATOR...] DRIVER NORDAVEL.EXE
set -euo pipefail

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 - "$work" <<'PY'
import sys
folder = sys.argv[1]
with open(folder + "/big.kml", "w", newline="") as log:
    log.write("<kml>\r\n<Document>\r\n<name>EXILIM LOG</name>\r\n<description>d</description>\r\n")
    for i in range(120000):
        log.write("<Placemark>\r\n<name>%d</name>\r\n"
                  "<description>x<br>(2023/07/06 10:15:30)</description>\r\n"
                  "<Point><coordinates>139.767100,35.681200,40.0</coordinates></Point>\r\n"
                  "</Placemark>\r\n" % i)
    log.write("</Document>\r\n</kml>\r\n")
with open(folder + "/big.csv", "w") as csv:
    csv.write("earlier")
PY

ulimit -f 4096
trap '' XFSZ
NORDAVEL_ERROR_BOX_FOLDER="$work" "$@" --gtest_filter=ErrorBox.*
