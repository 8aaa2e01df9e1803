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
[[ "$out" =~ ^nordavel-cli\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "version: $out"

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
    run big.kml after.kml
    printf '%s\n' "$status" >status.txt
    printf '%s' "$out" >out.txt
    printf '%s' "$err" >err.txt
)
status=$(cat status.txt)
out=$(cat out.txt)
err=$(cat err.txt)
rm -f status.txt out.txt err.txt
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

if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "all cli cases passed"
