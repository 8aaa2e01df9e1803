#!/usr/bin/env bash
# nordavel-cli under faults, on Linux: read errors, memory, huge lines, signals, and a second
# user's permissions. Nothing may be lost, misreported or left behind.
# Usage: faults.sh CLI FAULT_SHIM EXAMPLES_DIR
set -uo pipefail

cli=$1
shim=$2
examples=$3
here=$(cd "$(dirname "$0")" && pwd)
sanitized=0
grep -q __asan_init "$cli" && sanitized=1
# The shim comes before the sanitizer's runtime; that is fine for what it intercepts.
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0

work=$(mktemp -d)
chmod 755 "$work"
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
cd "$work" || exit 1
# Programs and data every user may read.
cp "$cli" nordavel-cli
cp "$shim" fault_shim.so
cp "$examples/walk.kml" walk.kml
chmod 755 nordavel-cli fault_shim.so
cli=$work/nordavel-cli
shim=$work/fault_shim.so

cli_command=("$cli")
# shellcheck source=common.sh
source "$here/common.sh"

# 1. A read error in the middle of a log, or from its first byte, is an error like a failed
#    write: "Error!!", status 3, the system's text, the earlier CSV file kept, the run stopped.
#    Also when the disk fails only once and the reads after it would succeed, and in a log long
#    enough that part of its CSV file was written before the error ("big:").
for after in 2000 0 1000:once 0:once big:1500000 big:1500000:once; do
    fresh
    if [ "${after%%:*}" == big ]; then
        after=${after#big:}
        python3 "$here/big_log.py" ../walk.kml 9000 log.kml
    else
        cp ../walk.kml log.kml
    fi
    cp ../walk.kml after.kml
    printf 'earlier' >log.csv
    NORDAVEL_FAULT_READ=log.kml:$after LD_PRELOAD=$shim run log.kml after.kml
    expect_status 3 "read error after $after bytes"
    expect_err "nordavel-cli: Cannot read log.kml: Input/output error (error 5)" "read error after $after bytes"
    expect_out "Path: 
File: log.kml
  Error!!

log.kml
after.kml" "read error after $after bytes"
    [ "$(cat log.csv)" == "earlier" ] || fail "read error after $after bytes: log.csv changed"
    only_files "after.kml log.csv log.kml " "read error after $after bytes"
done

# 2. The output reaches the disk before it replaces the earlier file, and its last errors are
#    known by then: a failing fsync or close is a write error that leaves the earlier file. Only
#    syncing the folder comes after the renaming, so its failure is a warning. Without /proc the
#    temporary file is named from the start, and still renamed rather than copied in place.
commit_case() { # variables, wanted status, wanted trace, what
    fresh
    cp ../walk.kml log.kml
    printf 'earlier' >log.csv
    local inode
    inode=$(stat -c %i log.csv)
    env $1 NORDAVEL_FAULT_TRACE="$work/trace.txt" LD_PRELOAD="$shim" "$cli" log.kml \
        >"$work/stdout.txt" 2>"$work/stderr.txt"
    status=$?
    err=$(tr -d '\r' <"$work/stderr.txt")
    expect_status "$2" "$4"
    [ "$(tr '\n' ' ' <"$work/trace.txt")" == "$3" ] ||
        fail "$4: steps were $(tr '\n' ' ' <"$work/trace.txt")"
    rm -f "$work/trace.txt"
    only_files "log.csv log.kml " "$4"
    if [ "$2" -eq 3 ]; then
        expect_err "nordavel-cli: Cannot write log.csv: Input/output error (error 5)" "$4"
        [ "$(cat log.csv)" == "earlier" ] || fail "$4: log.csv changed"
    else
        [ "$(stat -c %i log.csv)" != "$inode" ] || fail "$4: log.csv was not renamed over"
        head -c 6 log.csv | grep -q '^INDEX,' || fail "$4: log.csv was not replaced"
    fi
}
unnamed="fsync temporary link temporary close temporary rename temporary fsync folder "
named="fsync temporary close temporary rename temporary fsync folder "
commit_case "" 0 "$unnamed" "commit"
commit_case NORDAVEL_FAULT_NO_TMPFILE=1 0 "$named" "commit, named temporary file"
commit_case NORDAVEL_FAULT_NO_PROC=1 0 "$named" "commit without /proc"
expect_err "" "commit without /proc"
commit_case NORDAVEL_FAULT_COMMIT=fsync 3 "fsync temporary close temporary " "failing fsync"
commit_case "NORDAVEL_FAULT_COMMIT=fsync NORDAVEL_FAULT_NO_TMPFILE=1" 3 "fsync temporary close temporary " \
    "failing fsync, named temporary file"
commit_case NORDAVEL_FAULT_COMMIT=close 3 "fsync temporary link temporary close temporary " \
    "failing close"
commit_case "NORDAVEL_FAULT_COMMIT=close NORDAVEL_FAULT_NO_TMPFILE=1" 3 \
    "fsync temporary close temporary " "failing close, named temporary file"
commit_case NORDAVEL_FAULT_COMMIT=dirsync 0 "$unnamed" "failing folder sync"
expect_err "nordavel-cli: warning: Cannot sync the folder of log.csv: Input/output error (error 5)" \
    "failing folder sync"

# A photo is replaced the same way: a failing fsync stops the run with status 3, the photo as it
# was and nothing left beside it; without the fault it is tagged and keeps its modification time.
for fault in fsync none; do
    fresh
    cp "$here/../../fuzz/corpus-exif/little.jpg" photo.jpg
    touch -d @981173106.5 photo.jpg
    before=$(md5sum <photo.jpg)
    NORDAVEL_FAULT_COMMIT=$fault LD_PRELOAD=$shim run geotag --utc-offset +00:00 \
        --max-outside 3000000000 --log ../walk.kml photo.jpg
    only_files "photo.jpg " "geotag, $fault"
    if [ $fault = fsync ]; then
        expect_status 3 "geotag, failing fsync"
        [ "$(md5sum <photo.jpg)" == "$before" ] || fail "geotag, failing fsync: the photo changed"
    else
        expect_status 0 "geotag"
        [ "$(md5sum <photo.jpg)" != "$before" ] || fail "geotag: the photo was not tagged"
        [ "$(stat -c %.9Y photo.jpg)" == "981173106.500000000" ] ||
            fail "geotag: the photo's time is now $(stat -c %.9Y photo.jpg)"
    fi
done

# Nothing leaves the program but a message and status 3, even a failure before any file.
fresh
NORDAVEL_FAULT_ICONV_OPEN=3 LD_PRELOAD=$shim run --codepage 1252 ../walk.kml
expect_status 3 "iconv failing"
[[ "$err" == "nordavel-cli: Cannot convert between the character sets UTF-8 and CP1252: Cannot allocate memory (error 12)" ]] ||
    fail "iconv failing: $err"

# 3. Memory running out is an error in the system's words, not "Not file of EXILIM LOG".
if [ "$sanitized" -eq 0 ]; then
    fresh
    { printf '<name>exilim log</name>\r\n<description>'; head -c 50000000 /dev/zero | tr '\0' x; } >big.kml
    (
        ulimit -v 60000
        run big.kml
        printf '%s\n%s' "$status" "$err" >result.txt
    )
    status=$(head -1 result.txt)
    err=$(tail -n +2 result.txt)
    rm result.txt
    expect_status 3 "out of memory"
    expect_err "nordavel-cli: Cannot convert big.kml: Cannot allocate memory (error 12)" "out of memory"
    only_files "big.kml " "out of memory"
fi

# 4. A line over the limit ends that file only, with its own report line, in bounded memory.
fresh
head -c 209715200 /dev/zero | tr '\0' a >one-line.kml
printf 'earlier' >one-line.csv
cp ../walk.kml walk.kml
if [ "$sanitized" -eq 0 ] && [ -x /usr/bin/time ]; then
    /usr/bin/time -f %M -o peak.txt "$cli" one-line.kml walk.kml >stdout.txt 2>stderr.txt
    status=$?
    out=$(tr -d '\r' <stdout.txt)
    peak=$(tail -1 peak.txt)
    rm peak.txt stdout.txt stderr.txt
    [ "$peak" -lt 204800 ] || fail "one-line log: peak memory $peak KiB"
    echo "one-line log of 200 MiB: peak resident memory $peak KiB"
else
    run one-line.kml walk.kml
fi
expect_status 1 "one-line log"
expect_out "Path: 
File: one-line.kml
  Line longer than 64 MiB: one-line.kml
  Error!!

Path: 
File: walk.kml
  Output: 15 records

* No data > one-line.kml
Completed > walk.kml" "one-line log"
[ "$(cat one-line.csv)" == "earlier" ] || fail "one-line log: one-line.csv changed"
rm one-line.kml

# 5. Interrupted runs leave nothing behind and end by the signal. The log is read slowly so that
#    the signal comes in the middle of the conversion.
slow_log() {
    for _ in $(seq 1 300); do cat ../walk.kml; done >slow.kml
    printf 'earlier' >slow.csv
}
# Starts the conversion in the background with the signals at their defaults (a script's
# background jobs would ignore SIGINT).
start_slow() {
    NORDAVEL_FAULT_SLOW=slow.kml LD_PRELOAD=$shim \
        env --default-signal=INT,TERM,HUP,PIPE "$cli" slow.kml >/dev/null 2>&1 &
    runner=$!
}
interrupted() { # signal, number, what
    { wait "$runner"; } 2>/dev/null
    status=$?
    [ "$status" -eq $((128 + $2)) ] || fail "$3: exit status $status, wanted $((128 + $2))"
    [ "$(cat slow.csv)" == "earlier" ] || fail "$3: slow.csv changed"
    only_files "slow.csv slow.kml " "$3"
}
for signal in INT:2 TERM:15 HUP:1 PIPE:13; do
    # With named temporary files (a file system without O_TMPFILE): removed by the handler.
    fresh
    slow_log
    NORDAVEL_FAULT_NO_TMPFILE=1 start_slow
    wait_for '~nv*.tmp' || fail "SIG${signal%:*}: no temporary file seen"
    kill -s "${signal%:*}" "$runner"
    interrupted "${signal%:*}" "${signal#*:}" "SIG${signal%:*} with a named temporary file"
done
for signal in INT:2 KILL:9; do
    # With an unnamed temporary file nothing is left, even after SIGKILL.
    fresh
    slow_log
    start_slow
    sleep 0.5
    kill -0 "$runner" 2>/dev/null || fail "SIG${signal%:*}: the conversion ended too soon"
    kill -s "${signal%:*}" "$runner"
    interrupted "${signal%:*}" "${signal#*:}" "SIG${signal%:*} with an unnamed temporary file"
done

# 6. Another user's rights (needs root to set the scene).
if [ "$(id -u)" -ne 0 ] || ! command -v runuser >/dev/null; then
    echo "skipped: the cases of a second user (not root)"
else
    user=nordavel-fault
    id "$user" >/dev/null 2>&1 || useradd --system --no-create-home "$user" || fail "useradd"
    as_user() { runuser -u "$user" -- "$@"; }
    run_as_user() {
        as_user "$cli" "$@" >"$work/stdout.txt" 2>"$work/stderr.txt"
        status=$?
        out=$(tr -d '\r' <"$work/stdout.txt")
        err=$(tr -d '\r' <"$work/stderr.txt")
    }
    converted() { head -c 6 "$1" | grep -q '^INDEX,' || fail "$2: $1 was not replaced"; }
    owner_mode() { stat -c '%U %a' "$1"; }

    # A sticky folder: the user may write root's 0666 CSV file but not rename over it. It is
    # written in place, keeps owner and mode, and the run goes on.
    fresh
    chmod 1777 .
    cp ../walk.kml walk.kml
    cp ../walk.kml after.kml
    printf 'earlier' >walk.csv
    chmod 666 walk.csv
    run_as_user walk.kml after.kml
    expect_status 0 "sticky folder"
    converted walk.csv "sticky folder"
    [ "$(owner_mode walk.csv)" == "root 666" ] || fail "sticky folder: walk.csv is $(owner_mode walk.csv)"
    converted after.csv "sticky folder"
    no_temporary_files . /tmp

    # A folder the user may not write, holding a CSV file the user may: written in place by way
    # of the system's temporary folder; a CSV file that would have to be created there is
    # "Cannot create file", and the run goes on.
    for tmpfile in with without; do
        fresh
        cp ../walk.kml walk.kml
        cp ../walk.kml new.kml
        printf 'earlier' >walk.csv
        chmod 666 walk.csv
        if [ "$tmpfile" == with ]; then
            run_as_user new.kml walk.kml
        else
            # Named temporary files in /tmp go as well.
            as_user env NORDAVEL_FAULT_NO_TMPFILE=1 LD_PRELOAD="$shim" "$cli" new.kml walk.kml \
                >"$work/stdout.txt" 2>"$work/stderr.txt"
            status=$?
            out=$(tr -d '\r' <"$work/stdout.txt")
            err=$(tr -d '\r' <"$work/stderr.txt")
        fi
        expect_status 1 "unwritable folder ($tmpfile O_TMPFILE)"
        expect_out "Cannot create file: new.csv

Path: 
File: walk.kml
  Output: 15 records

* Cannot create Output file > new.kml
Completed > walk.kml" "unwritable folder ($tmpfile O_TMPFILE)"
        converted walk.csv "unwritable folder"
        [ "$(owner_mode walk.csv)" == "root 666" ] || fail "unwritable folder: walk.csv is $(owner_mode walk.csv)"
        only_files "new.kml walk.csv walk.kml " "unwritable folder ($tmpfile O_TMPFILE)"
        no_temporary_files /tmp
    done

    # A link that another user planted in a sticky folder is neither replaced nor followed.
    fresh
    chmod 1777 .
    cp ../walk.kml walk.kml
    as_user sh -c 'printf mine >/tmp/nordavel-fault-own.txt'
    ln -s /tmp/nordavel-fault-own.txt walk.csv
    run_as_user walk.kml
    expect_status 1 "planted link"
    expect_out "Cannot create file: walk.csv

* Cannot create Output file > walk.kml" "planted link"
    [ "$(cat /tmp/nordavel-fault-own.txt)" == mine ] || fail "planted link: the target was written"
    [ -L walk.csv ] || fail "planted link: walk.csv is no longer the link"
    rm -f /tmp/nordavel-fault-own.txt
fi

finish
