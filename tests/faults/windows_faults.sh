#!/usr/bin/env bash
# nordavel-cli.exe under faults, under Wine: a CSV file held by a second Windows process, a folder
# that takes no new file, names that are no logs, a disk that fails in the middle of a log, and
# interrupted runs. Nothing may be lost, misreported or left behind.
# Usage: windows_faults.sh EMULATOR... CLI.EXE HOLD_FILE.EXE EXAMPLES_DIR
set -uo pipefail

examples=${!#}
hold=${*: -2:1}
cli_command=("${@:1:$#-2}") # emulator words, then the program
here=$(cd "$(dirname "$0")" && pwd)

work=$(mktemp -d)
# shellcheck source=common.sh
source "$here/common.sh"
cleanup() {
    unmount_failing_file 2>/dev/null
    chattr -i "$work/case" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
emulator=("${cli_command[@]:0:${#cli_command[@]}-1}")
cp "$examples/walk.kml" "$work/walk.kml"

# Holds FILE open from a second Windows process, sharing writing too (rw) or only reading (r);
# returns once it is held.
hold_file() {
    rm -f held.marker
    "${emulator[@]}" "$hold" "$1" "$2" held.marker 60 &
    holder=$!
    wait_for held.marker || fail "hold_file $1 $2: the file was not held"
    rm -f held.marker
}
release_file() {
    kill "$holder" 2>/dev/null
    wait "$holder" 2>/dev/null
}

# 1. Another program holds walk.csv. Sharing writing, it cannot be renamed over, so it is written
#    in place (before, the run stopped with "Cannot replace"); sharing only reading, it is
#    "Cannot create file", decided up front. Either way the run goes on.
for sharing in rw r; do
    fresh
    cp ../walk.kml walk.kml
    cp ../walk.kml after.kml
    printf 'earlier' >walk.csv
    hold_file walk.csv "$sharing"
    run walk.kml after.kml
    release_file
    [ -f after.csv ] || fail "held ($sharing): after.kml was not converted"
    if [ "$sharing" == rw ]; then
        expect_status 0 "held, sharing writing"
        head -c 6 walk.csv | grep -q '^INDEX,' || fail "held, sharing writing: walk.csv was not written"
    else
        expect_status 1 "held, sharing reading"
        [[ "$out" == "Cannot create file: walk.csv"$'\n'* ]] || fail "held, sharing reading: $out"
        [ "$(cat walk.csv)" == earlier ] || fail "held, sharing reading: walk.csv changed"
    fi
    only_files "after.csv after.kml walk.csv walk.kml " "held ($sharing)"
done

# 2. Devices and FIFOs are no logs: "Not found", at once. A folder stands for the logs in it.
fresh
mkfifo fifo.kml
mkdir folder.kml
run NUL fifo.kml folder.kml
expect_status 1 "no logs"
expect_out "No log file in folder: folder.kml

Not found: NUL

Not found: fifo.kml

* Not found > NUL
* Not found > fifo.kml" "no logs"

# 3. A folder that takes no new file (chattr +i binds root too): an existing CSV file is written
#    in place by way of the temporary folder; a new one cannot be created.
fresh
cp ../walk.kml walk.kml
cp ../walk.kml new.kml
printf 'earlier' >walk.csv
if chattr +i . 2>/dev/null; then
    run new.kml walk.kml
    chattr -i .
    expect_status 1 "folder taking no file"
    expect_out "Cannot create file: new.csv

Path: 
File: walk.kml
  Output: 15 records

* Cannot create Output file > new.kml
Completed > walk.kml" "folder taking no file"
    head -c 6 walk.csv | grep -q '^INDEX,' || fail "folder taking no file: walk.csv was not written"
    only_files "new.kml walk.csv walk.kml " "folder taking no file"
    no_temporary_files "${WINEPREFIX:-}/drive_c/users/$(id -un)/Temp"
else
    echo "skipped: a folder taking no file (chattr +i is not available)"
fi

# 4. A link in the CSV file's place is replaced, never written through.
fresh
cp ../walk.kml walk.kml
printf 'not yours' >../elsewhere.txt
ln -s ../elsewhere.txt walk.csv
run walk.kml
expect_status 0 "link"
[ -L walk.csv ] && fail "link: walk.csv is still the link"
[ "$(cat ../elsewhere.txt)" == "not yours" ] || fail "link: the file it pointed to was written"

# 5. Interrupted runs leave nothing behind: Ctrl-C (SIGINT reaches the console handler), SIGTERM
#    and SIGKILL (the file is marked for deletion until it is put in place).
big_log() { python3 "$here/big_log.py" "$work/walk.kml" 40000 big.kml; }
for signal in INT:2 TERM:15 KILL:9; do
    fresh
    big_log
    printf 'earlier' >big.csv
    "${cli_command[@]}" big.kml >/dev/null 2>&1 &
    runner=$!
    wait_for '~nv*.tmp' || fail "SIG${signal%:*}: no temporary file seen"
    kill -s "${signal%:*}" "$runner"
    { wait "$runner"; } 2>/dev/null
    [ "$(cat big.csv)" == earlier ] || fail "SIG${signal%:*}: big.csv changed"
    only_files "big.csv big.kml " "SIG${signal%:*}"
done

# 6. A disk that fails in the middle of a log, for good or only once (a small FUSE file system;
#    the log is reached through a link in a writable folder): status 3 with the system's text,
#    the CSV kept. Before, a failure that struck once gave "Completed" and a record short.
mkdir -p "$work/source"
(cd "$work/source" && big_log)
fuse_ready=1
for failing in 200000 200000:once; do
    mount_failing_file "$work/source/big.kml" "$failing" "$work/disk" || { fuse_ready=0; break; }
    fresh
    ln -s "$mounted/big.kml" bad.kml
    printf 'earlier' >bad.csv
    cp ../walk.kml after.kml
    run bad.kml after.kml
    unmount_failing_file
    expect_status 3 "read error $failing"
    [[ "$err" =~ ^nordavel-cli:\ Cannot\ read\ bad\.kml:\ .+\ \(error\ [0-9]+\)$ ]] ||
        fail "read error $failing: stderr was: $err"
    expect_out "Path: 
File: bad.kml
  Error!!

bad.kml
after.kml" "read error $failing"
    [ "$(cat bad.csv)" == earlier ] || fail "read error $failing: bad.csv changed"
    only_files "after.kml bad.csv bad.kml " "read error $failing"
done
[ "$fuse_ready" -eq 1 ] || echo "skipped: a read error in the middle of a log (no FUSE here)"

finish
