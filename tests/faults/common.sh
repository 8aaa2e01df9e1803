# Shared by the fault scripts: running the program in a folder of its own and comparing what it
# did. The script sets $work (its temporary folder) and cli_command (the program, with Wine in
# front for a Windows executable) before it uses these.

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# Runs the program in the current folder; sets $out (CR removed), $err and $status.
run() {
    "${cli_command[@]}" "$@" >"$work/stdout.txt" 2>"$work/stderr.txt"
    status=$?
    out=$(tr -d '\r' <"$work/stdout.txt")
    err=$(tr -d '\r' <"$work/stderr.txt")
}
expect_status() { [ "$status" -eq "$1" ] || fail "$2: exit status $status, wanted $1 (stderr: $err)"; }
expect_out() { [ "$out" == "$1" ] || fail "$2: output was"$'\n'"$out"$'\n'"wanted"$'\n'"$1"; }
expect_err() { [ "$err" == "$1" ] || fail "$2: stderr was: $err"; }
only_files() {
    local actual
    actual=$(ls -A | tr '\n' ' ')
    [ "$actual" == "$1" ] || fail "$2: folder holds '$actual', wanted '$1'"
}
no_temporary_files() {
    local left
    left=$(find "$@" -maxdepth 1 -name '~nv*.tmp' 2>/dev/null)
    [ -z "$left" ] || fail "temporary files left behind: $left"
}
# Starts a case in an empty folder $work/case.
fresh() {
    cd "$work" || exit 1
    rm -rf "$work/case"
    mkdir "$work/case"
    chmod 755 "$work/case"
    cd "$work/case" || exit 1
}
# Waits up to five seconds for a file matching the pattern to appear.
wait_for() {
    for _ in $(seq 1 100); do
        compgen -G "$1" >/dev/null && return 0
        sleep 0.05
    done
    return 1
}
# Mounts a file system at MOUNTPOINT that shows SOURCE but fails to read it from byte FAIL on
# (eio_fs.cpp, built here); false where FUSE or its headers are missing. Sets $mounted.
mounted=""
mount_failing_file() { # SOURCE FAIL MOUNTPOINT
    if [ ! -e /dev/fuse ] || [ ! -f /usr/include/fuse3/fuse.h ]; then return 1; fi
    if [ ! -x "$work/eio_fs" ]; then
        g++ -std=c++20 -O1 "$(dirname "${BASH_SOURCE[0]}")/eio_fs.cpp" -lfuse3 -o "$work/eio_fs" ||
            return 1
    fi
    mkdir -p "$3"
    "$work/eio_fs" "$1" "$2" "$3" -s -o ro 2>/dev/null || return 1
    mounted=$3
}
unmount_failing_file() {
    [ -n "$mounted" ] && umount "$mounted" && mounted=""
}

finish() {
    cd "$work" || exit 1
    if [ "$failures" -ne 0 ]; then
        echo "$failures failure(s)"
        exit 1
    fi
    echo "all fault cases passed"
}
