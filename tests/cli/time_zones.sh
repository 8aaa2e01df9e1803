#!/usr/bin/env bash
# GPX times with --time-zone against an independent clock: the system's zone data through zdump
# (every change of offset) and Python's zoneinfo (what UTC a local time stands for). For each zone
# one log holds local times just before, at, inside and after every change from 1995 to 2045, and
# at the ends of the data (1970, 2099, 2100); each point's time in the GPX file must be the one
# expected, or absent where the local time does not exist there or lies outside 1970 to 2099.
# Usage: time_zones.sh [EMULATOR...] CLI
set -uo pipefail
cli=("$@")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

zones=(Europe/Berlin America/New_York Australia/Lord_Howe America/Sao_Paulo Asia/Tehran
    Pacific/Apia Europe/Dublin Asia/Kathmandu America/St_Johns Pacific/Chatham Antarctica/Troll
    Africa/Monrovia UTC)
compared=0
failures=0
for zone in "${zones[@]}"; do
    zdump -v -c 1995,2046 "$zone" >changes.txt
    # Writes log.kml and expected.txt (one UTC time or "none" per point).
    /usr/bin/python3 - "$zone" <<'EOF' || { echo "FAIL: $zone: no expected times" && exit 1; }
import datetime as dt, re, sys, zoneinfo
zone = sys.argv[1]
tz = zoneinfo.ZoneInfo(zone)
utc = dt.timezone.utc
first, end = 0, 4102444800  # the data: 1970-01-01 to 2100-01-01
changes = []  # (UTC second of the change, offset before, offset after)
lines = [l for l in open("changes.txt") if "gmtoff=" in l]
for before, after in zip(lines[::2], lines[1::2]):
    t = int(dt.datetime.strptime(after.split(" UT = ")[0].split(None, 1)[1].strip(),
                                 "%a %b %d %H:%M:%S %Y").replace(tzinfo=utc).timestamp())
    changes.append((t, int(re.search(r"gmtoff=(-?\d+)", before).group(1)),
                    int(re.search(r"gmtoff=(-?\d+)", after).group(1))))
locals_ = {5400, 4102444800 - 7200, 4102444800 + 86400 * 180, 1e9}
for t, o1, o2 in changes:
    low, high = min(o1, o2), max(o1, o2)
    locals_ |= {t + o1 - 60, t + o1, t + low + (high - low) // 2, t + high + 60}
def candidates(local):
    naive = dt.datetime(1970, 1, 1) + dt.timedelta(seconds=local)
    found = set()
    for fold in (0, 1):
        u = int(naive.replace(tzinfo=tz, fold=fold).timestamp())
        back = dt.datetime.fromtimestamp(u, tz).replace(tzinfo=None)
        if back == naive and first <= u < end:
            found.add(u)
    return sorted(found)
points = [(local, candidates(local)) for local in sorted(int(l) for l in locals_)]
# A point takes the earliest time not before the previous point's (the latest where all are);
# ambiguous points that begin the log take, backwards from the first certain one, the latest time
# not after the next one's.
previous, expected, waiting = None, [], []
for local, found in points:
    if previous is None and len(found) != 1:
        waiting.append(found)
        continue
    if waiting:
        settled, following = [], found[0]
        for earlier in reversed(waiting):
            if earlier:
                following = ([u for u in earlier if u <= following] or earlier[:1])[-1]
            settled.append(following if earlier else None)
        expected += reversed(settled)
        waiting, previous = [], found[0]
    elif previous is None:
        previous = found[0]
    if found:
        later = [u for u in found if u >= previous]
        previous = later[0] if later else found[-1]
    expected.append(previous if found else None)
expected += [None] * len(waiting)  # no zone here has a log of only ambiguous times
with open("log.kml", "w", newline="\r\n") as log, open("expected.txt", "w") as out:
    log.write("<name>EXILIM LOG</name>\n<description>GPS log</description>\n")
    for i, ((local, _), u) in enumerate(zip(points, expected)):
        when = (dt.datetime(1970, 1, 1) + dt.timedelta(seconds=local)).strftime("%Y/%m/%d %H:%M:%S")
        log.write(f"<Placemark>\n<name>{i}</name>\n<description>x<br>({when})</description>\n"
                  "<Point>\n<coordinates>13.4,52.5,30.0</coordinates>\n</Point>\n</Placemark>\n")
        out.write((dt.datetime.fromtimestamp(u, utc).strftime("%Y-%m-%dT%H:%M:%SZ") if u is not None
                   else "none") + "\n")
EOF
    "${cli[@]}" --format gpx --time-zone "$zone" log.kml >report.txt 2>&1
    grep '<trkpt' log.gpx | sed -E 's/.*<time>([^<]*)<.*/\1/; /<trkpt/s/.*/none/' >actual.txt
    compared=$((compared + $(wc -l <expected.txt)))
    differing=$(diff expected.txt actual.txt | grep -c '^>')
    if [ "$differing" -ne 0 ]; then
        failures=$((failures + differing))
        echo "FAIL: $zone: $differing times differ (< expected, > nordavel-cli):"
        diff expected.txt actual.txt | head -10
    fi
    missing=$(grep -c none expected.txt)
    if [ "$missing" -gt 0 ] && ! tr -d '\r' <report.txt | grep -qx "  Times not in the zone: $missing records"; then
        failures=$((failures + 1))
        echo "FAIL: $zone: report says $(tr -d '\r' <report.txt | grep Times), wanted $missing"
    fi
done
echo "$compared local times compared in ${#zones[@]} zones, $failures differed"

# Geotagging as the README shows it: ExifTool reads the photo's local time with its offset. The
# photo was taken at 02:10 in Berlin's repeated hour, on its second pass (+01:00), when the camera
# stood at the second point; the first pass is an hour earlier, before the first point.
if command -v exiftool >/dev/null; then
    printf '<name>EXILIM LOG</name>\r\n<description>d</description>\r\n' >walk.kml
    for point in "1 2023/10/29 02:50:00 13.41,52.51,30" "2 2023/10/29 02:10:00 13.42,52.52,30"; do
        read -r index date time position <<<"$point"
        printf '<name>%s</name>\r\n<description>x<br>(%s %s)</description>\r\n' "$index" "$date" "$time"
        printf '<Point>\r\n<coordinates>%s</coordinates>\r\n</Point>\r\n' "$position"
    done >>walk.kml
    "${cli[@]}" --format gpx --time-zone Europe/Berlin walk.kml >/dev/null
    echo '/9j/4AAQSkZJRgABAQAAAQABAAD/2wBDAAMCAgICAgMCAgIDAwMDBAYEBAQEBAgGBgUGCQgKCgkICQkKDA8MCgsOCwkJDRENDg8QEBEQCgwSExIQEw8QEBD/wAALCAABAAEBAREA/8QAFAABAAAAAAAAAAAAAAAAAAAAA//EABQQAQAAAAAAAAAAAAAAAAAAAAD/2gAIAQEAAD8AJ//Z' |
        base64 -d >photo.jpg
    exiftool -q -overwrite_original -DateTimeOriginal='2023:10:29 02:10:00' \
        -OffsetTimeOriginal='+01:00' photo.jpg
    # shellcheck disable=SC2016 # ExifTool's own tag expression
    exiftool -q -overwrite_original -geotag walk.gpx \
        '-Geotime<${DateTimeOriginal}${OffsetTimeOriginal}' photo.jpg
    position=$(exiftool -n -s3 -GPSLatitude -GPSLongitude photo.jpg | tr '\n' ' ')
    [ "$position" == "52.52 13.42 " ] || { failures=$((failures + 1)) && echo "FAIL: geotagged at $position"; }
else
    echo "skipped: geotagging (no exiftool)"
fi
[ "$failures" -eq 0 ]
