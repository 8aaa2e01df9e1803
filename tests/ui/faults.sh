#!/usr/bin/env bash
# Runs the driver's cases that need faults set up around Nordavel.exe:
#   ErrorBox.*  a write failure (every file write limited to 4 MiB, so the large CSV file cannot be
#               written) and a read failure (a log on a FUSE file system that fails once in
#               its middle, which was once taken for a log a record short), each shown in the
#               error box;
#   Faults.*    the program ended in the middle of a conversion.
# Usage: faults.sh [EMULATOR...] DRIVER NORDAVEL.EXE
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
examples=$here/../../examples
work=$(mktemp -d)
# shellcheck source=../faults/common.sh
source "$here/../faults/common.sh"
trap 'unmount_failing_file 2>/dev/null; rm -rf "$work"' EXIT

# The write failure: a log whose CSV file is larger than the limit.
mkdir "$work/write"
python3 "$here/../faults/big_log.py" "$examples/walk.kml" 9000 "$work/write/big.kml"
printf 'earlier' >"$work/write/big.csv"
cp "$examples/walk.kml" "$work/write/after.kml"

# The read failure, where FUSE is at hand.
environment=(NORDAVEL_ERROR_BOX_FOLDER="$work/write")
mkdir "$work/read"
python3 "$here/../faults/big_log.py" "$examples/walk.kml" 200 "$work/source.kml"
if mount_failing_file "$work/source.kml" 200000:once "$work/disk"; then
    ln -s "$mounted/source.kml" "$work/read/bad.kml"
    printf 'earlier' >"$work/read/bad.csv"
    cp "$examples/walk.kml" "$work/read/after.kml"
    environment+=(NORDAVEL_READ_ERROR_FOLDER="$work/read")
else
    echo "no FUSE here: the read failure is skipped"
fi

# The interrupted run: a log that takes a while.
mkdir "$work/interrupt"
python3 "$here/../faults/big_log.py" "$examples/walk.kml" 40000 "$work/interrupt/huge.kml"
printf 'earlier' >"$work/interrupt/huge.csv"

status=0
(
    ulimit -f 4096
    # Windows knows no such signal, but Wine's process would die of it.
    trap '' XFSZ
    env "${environment[@]}" "$@" --gtest_filter='ErrorBox.*'
) || status=1
NORDAVEL_INTERRUPT_FOLDER="$work/interrupt" "$@" --gtest_filter='Faults.*' || status=1
exit "$status"
