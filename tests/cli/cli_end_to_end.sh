#!/usr/bin/env bash
# nordavel-cli end to end, on real files in a temporary folder.
# Usage: cli_end_to_end.sh [EMULATOR...] CLI EXAMPLES_DIR
# With an emulator (Wine) the same cases run against the Windows executable.
set -uo pipefail

examples=${!#}
cli_args=("${@:1:$#-1}") # emulator words, if any, then the CLI itself
here=$(cd "$(dirname "$0")" && pwd)
windows=0
[ ${#cli_args[@]} -gt 1 ] && windows=1

work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
cd "$work" || exit 1

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# Runs the CLI in the work folder; sets $out (CR removed), $err and $status.
run() {
    "${cli_args[@]}" "$@" >stdout.txt 2>stderr.txt
    status=$?
    out=$(tr -d '\r' <stdout.txt)
    err=$(tr -d '\r' <stderr.txt)
    rm -f stdout.txt stderr.txt
}

expect_status() { [ "$status" -eq "$1" ] || fail "$2: exit status $status, wanted $1 (stderr: $err)"; }
expect_out() { [ "$out" == "$1" ] || fail "$2: output was"$'\n'"$out"$'\n'"wanted"$'\n'"$1"; }
only_files() {
    local actual
    actual=$(ls -A | tr '\n' ' ')
    [ "$actual" == "$1" ] || fail "$2: folder holds '$actual', wanted '$1'"
}

# 1. The example log converts byte for byte as expected.
cp "$examples/walk.kml" walk.kml
run walk.kml
expect_status 0 "example"
expect_out "Path: 
File: walk.kml
  Output: 15 records

Completed > walk.kml" "example"
cmp -s walk.csv "$here/walk.csv.expected" || fail "example: walk.csv differs from walk.csv.expected"

# 1b. A log cut inside its 7th placemark: six records, and the report says it ends early.
head -c 1700 walk.kml >cut.kml
run cut.kml
expect_status 0 "cut log"
expect_out "Path: 
File: cut.kml
  The log ends early, it may be cut short
  Output: 6 records

Completed > cut.kml" "cut log"
rm cut.kml cut.csv

# 2. A mixed batch: every kind of line, the run goes on past failures.
printf '<kml><Document><name>route</name></Document></kml>\r\n' >route.kml
printf '<kml>\r\n<name>exilim log</name>\r\n<description>x</description>\r\n</kml>\r\n' >empty.kml
run walk.kml route.kml missing.kml walk.CSV empty.kml
expect_status 1 "mixed batch"
expect_out "Path: 
File: walk.kml
  Output: 15 records

Path: 
File: route.kml
  Not file of \"EXILIM LOG\": route.kml
  Error!!

Not found: missing.kml

CSV file is not accepted: walk.CSV

Path: 
File: empty.kml
  No valid data

Completed > walk.kml
* Not file of EXILIM LOG > route.kml
* Not found > missing.kml
* CSV file is not accepted > walk.CSV
* No data > empty.kml" "mixed batch"
only_files "empty.kml route.kml walk.csv walk.kml " "mixed batch"
rm route.kml empty.kml

# 3. Options change the columns.
run --no-index --rcr --no-datetime --valid --no-snew walk.kml
expect_status 0 "options"
[ "$(head -2 walk.csv)" == $'RCR,DATE,TIME,VALID,LATITUDE,LONGITUDE,HEIGHT\r\nT,2023/07/06,10:15:30,SPS,35.689487,139.700539,38.0\r' ] ||
    fail "options: walk.csv begins"$'\n'"$(head -2 walk.csv)"

# 4. Double-byte text in code page 932 reaches the CSV file unchanged.
printf '<name>EXILIM LOG</name>\r\n<description>d</description>\r\n<name>1\x83\x41</name>\r\n<description>x<br>(2023/07/06 10:00:00)</description>\r\n<Point><coordinates>1,2,3</coordinates></Point>\r\n' >sjis.kml
run --codepage 932 sjis.kml
expect_status 0 "cp932"
[ "$(tail -1 sjis.csv | od -An -tx1 | tr -d ' \n')" == "$(printf '1\x83\x41,2023/07/06 10:00:00,2,N,1,E,3\r\n' | od -An -tx1 | tr -d ' \n')" ] ||
    fail "cp932: last line $(tail -1 sjis.csv | od -c)"
rm sjis.kml sjis.csv

# 5. Usage errors, help and version.
run
expect_status 2 "no file"
[[ "$err" == *"Usage: nordavel-cli"* ]] || fail "no file: no usage text on stderr"
run --bogus walk.kml
expect_status 2 "unknown option"
run --codepage no-such-code-page walk.kml
expect_status 2 "unknown code page"
run --help
expect_status 0 "help"
[[ "$out" == "Usage: nordavel-cli [options] FILE..."* ]] || fail "help: $out"
run --version
expect_status 0 "version"
[[ "$out" =~ ^nordavel-cli\ [0-9]+\.[0-9]+\.[0-9]+\ \(time\ zones\ [0-9]{4}[a-z]\)$ ]] ||
    fail "version: $out"

# 6. A write failure (file-size limit) stops the run with status 3, keeps the earlier CSV file and
#    leaves no partial file. The program itself ignores SIGXFSZ, which would otherwise end it
#    without a word. Under Wine the limit's EFBIG arrives as "General failure".
for i in $(seq 1 200); do cat walk.kml; done >big.kml
printf 'earlier' >big.csv
cp walk.kml after.kml
(
    ulimit -f 8
    # Windows knows no such signal, but Wine's process would die of it.
    [ "$windows" -eq 1 ] && trap '' XFSZ
    # Both streams into one file: the report must be out before the error.
    "${cli_args[@]}" big.kml >both.txt 2>&1
    run big.kml after.kml
    printf '%s\n' "$status" >status.txt
    printf '%s' "$out" >out.txt
    printf '%s' "$err" >err.txt
)
status=$(cat status.txt)
out=$(cat out.txt)
err=$(cat err.txt)
rm -f status.txt out.txt err.txt
[[ "$(tr -d '\r' <both.txt)" == *"  Error!!"$'\n'*$'\n'"nordavel-cli: Cannot write big.csv"* ]] ||
    fail "write failure: the report came after the error:"$'\n'"$(cat both.txt)"
rm both.txt
expect_status 3 "write failure"
if [ "$windows" -eq 0 ]; then
    wanted="nordavel-cli: Cannot write big.csv: File too large (error 27)"
else
    wanted="nordavel-cli: Cannot write big.csv: General failure (error 31)"
fi
[ "$err" == "$wanted" ] || fail "write failure: stderr was: $err"
expect_out "Path: 
File: big.kml
  Error!!

big.kml
after.kml" "write failure"
[ "$(cat big.csv)" == "earlier" ] || fail "write failure: big.csv was changed"
only_files "after.kml big.csv big.kml walk.csv walk.kml " "write failure"

# 7. "/" separates folders on Windows too: the CSV file lies beside the log, in its folder.
mkdir logs.v2
cp walk.kml logs.v2/walk
printf 'unrelated' >logs.csv
run logs.v2/walk
expect_status 0 "slash"
expect_out "Path: logs.v2/
File: walk
  Output: 15 records

Completed > logs.v2/walk" "slash"
cmp -s logs.v2/walk.csv "$here/walk.csv.expected" || fail "slash: logs.v2/walk.csv differs"
[ "$(cat logs.csv)" == "unrelated" ] || fail "slash: logs.csv was overwritten"
rm -r logs.v2 logs.csv

# 8. Arguments are names exactly as given: a blank, and on POSIX a ">", are part of the name.
cp walk.kml ' b.kml'
run ' b.kml' ' walk.kml'
expect_status 1 "exact names"
expect_out "Path: 
File:  b.kml
  Output: 15 records

Not found:  walk.kml

Completed >  b.kml
* Not found >  walk.kml" "exact names"
[ -f ' b.csv' ] || fail "exact names: ' b.csv' not written"
rm ' b.kml' ' b.csv'
if [ "$windows" -eq 0 ]; then
    cp walk.kml 'trip>b.kml'
    printf 'unrelated' >b.csv
    run 'trip>b.kml'
    expect_status 0 "greater-than"
    [ -f 'trip>b.csv' ] && [ "$(cat b.csv)" == "unrelated" ] ||
        fail "greater-than: wrong CSV file written"
    rm 'trip>b.kml' 'trip>b.csv' b.csv
fi

# 9. A folder stands for its logs (any letter case, sorted); -r for its subfolders' too; a folder
#    without a log is told and makes the status 1. On Windows a wildcard is expanded, sorted.
sep=/
[ "$windows" -eq 1 ] && sep='\'
mkdir -p trip/day2 nologs
cp walk.kml trip/b.kml
cp walk.kml trip/A.KML
cp walk.kml trip/day2/c.kml
printf 'x' >trip/notes.txt
run trip nologs
expect_status 1 "folder"
[[ "$out" == "No log file in folder: nologs"* ]] || fail "folder: no note first: $out"
[[ "$out" == *$'\n'"Completed > trip${sep}A.KML"$'\n'"Completed > trip${sep}b.kml" ]] ||
    fail "folder: $out"
run -r trip
expect_status 0 "recursive"
[[ "$out" == *$'\n'"Completed > trip${sep}A.KML"$'\n'"Completed > trip${sep}b.kml"$'\n'"Completed > trip${sep}day2${sep}c.kml" ]] ||
    fail "recursive: $out"
run 'trip/*.kml' 'trip/none*'
expect_status 1 "wildcard"
if [ "$windows" -eq 1 ]; then
    [[ "$out" == *$'\n'"Completed > trip/A.KML"$'\n'"Completed > trip/b.kml"$'\n'"* Not found > trip/none*" ]] ||
        fail "wildcard: $out"
else
    [[ "$out" == *$'\n'"* Not found > trip/*.kml"$'\n'"* Not found > trip/none*" ]] ||
        fail "wildcard taken literally on POSIX: $out"
fi
rm -r trip nologs

# 10. Standard output that cannot be written is an error, also for --help.
run_full() {
    "${cli_args[@]}" "$@" >/dev/full 2>stderr.txt
    status=$?
    err=$(tr -d '\r' <stderr.txt)
    rm -f stderr.txt
}
run_full --help
expect_status 3 "help to a full disk"
[[ "$err" == "nordavel-cli: Cannot write standard output: "* ]] || fail "help to a full disk: $err"
run_full walk.kml
expect_status 3 "report to a full disk"

# A pipe whose reader has gone: SIGPIPE ends the program as the other signals do (it leaves no
# temporary file); where SIGPIPE is ignored, the write fails and that is told.
if [ "$windows" -eq 0 ] && command -v python3 >/dev/null; then
    pipe_status() {
        python3 -c '
import os, signal, subprocess, sys
signal.signal(signal.SIGPIPE, signal.SIG_IGN if sys.argv[1] == "ignored" else signal.SIG_DFL)
read_end, write_end = os.pipe()
os.close(read_end)
result = subprocess.run(sys.argv[2:], stdout=write_end, stderr=subprocess.PIPE, restore_signals=False)
print(result.returncode, result.stderr.decode().strip())' "$@"
    }
    [ "$(pipe_status default "${cli_args[@]}" walk.kml)" == "-13 " ] ||
        fail "closed pipe: not ended by SIGPIPE"
    [ "$(pipe_status ignored "${cli_args[@]}" walk.kml)" == "3 nordavel-cli: Cannot write standard output: Broken pipe (error 32)" ] ||
        fail "closed pipe, SIGPIPE ignored: $(pipe_status ignored "${cli_args[@]}" walk.kml)"
    only_files "after.kml big.csv big.kml walk.csv walk.kml " "closed pipe"
fi

# 11. Only character sets in which ASCII stays ASCII, and never stands for part of another
#     character (the stateful ones), read logs; an iconv name takes no suffix.
# (Wine knows neither 50220, ISO-2022-JP, nor 52936, HZ.)
if [ "$windows" -eq 1 ]; then
    bad_code_pages=(37 65000)
else
    bad_code_pages=(UTF-16 UTF-32 IBM037 ISO-2022-JP ISO-2022-KR UTF-7 CP932//IGNORE //TRANSLIT)
fi
for code_page in "${bad_code_pages[@]}"; do
    run --codepage "$code_page" walk.kml
    expect_status 2 "code page $code_page"
    [[ "$err" == *"cannot be used"* ]] || fail "code page $code_page: $err"
done

# 12. GPX: the same bytes from the Linux and the Windows program, and well-formed XML; a GPX file
#     would be its own output and is not converted.
run --version
version=${out#nordavel-cli }
version=${version%% *}
run --format gpx --utc-offset +10:30 walk.kml walk.GPX
expect_status 1 "gpx"
expect_out "Path: 
File: walk.kml
  Output: 15 records

GPX file is not accepted: walk.GPX

Completed > walk.kml
* GPX file is not accepted > walk.GPX" "gpx"
sed "s/@VERSION@/$version/" "$here/walk.gpx.expected" | cmp -s - walk.gpx ||
    fail "gpx: walk.gpx differs from walk.gpx.expected"
xmllint --noout walk.gpx || fail "gpx: walk.gpx is not well-formed"
rm walk.gpx

if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "all cli cases passed"
