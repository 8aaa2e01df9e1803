#!/usr/bin/env bash
# GPX files read back by a real GPX reader (gpsbabel) hold the points of the CSV files of the same
# logs, in all four hemispheres, for every combination of the column options and several UTC
# offsets (GNU date is the independent clock). xmllint checks that every GPX file is well-formed.
# Usage: gpx_round_trip.sh CLI
set -uo pipefail
cli=$1
for tool in gpsbabel xmllint; do
    command -v $tool >/dev/null || { echo "FAIL: no $tool (scripts/setup-debian native)"; exit 1; }
done
export TZ=UTC LC_ALL=C # gpsbabel writes times in the machine's zone; texts compare as bytes
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
failures=0 files=0 points=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# A camera log from rows "INDEX|DATE AND TIME|COORDINATES".
write_log() {
    local file=$1 index when where
    shift
    {
        printf '<kml>\r\n<name>EXILIM LOG</name>\r\n<description>GPS log</description>\r\n'
        for row in "$@"; do
            IFS='|' read -r index when where <<<"$row"
            printf '<name>%s</name>\r\n<description>Camera<br>(%s)</description>\r\n' "$index" "$when"
            printf '<Point><coordinates>%s</coordinates></Point>\r\n' "$where"
        done
    } >"$file"
}

# Rows "LAT|LON|HEIGHT|DATE TIME|INDEX" with signed values and numbers printed as gpsbabel does,
# from a CSV file whatever its columns ("?" without INDEX), or with "gpx" from gpsbabel's reading.
points_of() {
    local csv='lat = f("LATITUDE"); lon = f("LONGITUDE"); h = f("HEIGHT"); name = f("INDEX")
        if (f("N/S") == "S") lat = "-" lat; if (f("E/W") == "W") lon = "-" lon
        when = ("DATE" in c) ? f("DATE") " " f("TIME") : f("TIME"); if (!("INDEX" in c)) name = "?"
        lat = sprintf("%.6f", lat); lon = sprintf("%.6f", lon); if (h != "") h = sprintf("%.1f", h)'
    local gpx='lat = f("Latitude"); lon = f("Longitude"); h = f("Altitude"); name = f("Name")
        gsub(/"/, "", name); when = f("Date") == "" ? "" : f("Date") " " f("Time")'
    [ "$1" == gpx ] && program=$gpx || program=$csv
    awk -F, 'function f(k) { return (k in c) ? $(c[k]) : "" }
        { sub(/\r$/, "") } NR == 1 { for (i = 1; i <= NF; i++) c[$i] = i; next }
        { '"$program"'; print lat "|" lon "|" h "|" when "|" name }'
}

# The rows for a GPX file: the time less the offset, none where the text is no valid time.
to_utc() {
    while IFS='|' read -r lat lon height when index; do
        utc=$(date -u -d "${when//\//-}$1" '+%Y/%m/%d %H:%M:%S' 2>/dev/null) || utc=""
        echo "$lat|$lon|$height|$utc|$index"
    done
}

# LOG with every column option combination; its points go to LOG.points.
check_csv() {
    "$cli" "$1" >/dev/null && points_of csv <"${1%.*}.csv" >"$1.points" || fail "$1: CSV"
    for bits in $(seq 0 31); do
        flags=()
        for flag in index rcr datetime valid snew; do
            ((bits & 1)) && flags+=("--$flag") || flags+=("--no-$flag")
            bits=$((bits >> 1))
        done
        "$cli" "${flags[@]}" "$1" >/dev/null || fail "$1 ${flags[*]}: exit status"
        [[ " ${flags[*]} " == *" --no-index "* ]] && unnamed='s/|[^|]*$/|?/' || unnamed=''
        diff <(sed "$unnamed" "$1.points") <(points_of csv <"${1%.*}.csv") >/dev/null ||
            fail "$1 ${flags[*]}: CSV points differ"
    done
}

# LOG converted to GPX with the options after WANTED must give WANTED's rows.
check_gpx() {
    local log=$1 wanted=$2
    shift 2
    "$cli" --format gpx "$@" "$log" >report.txt || fail "$log $*: exit status"
    # Both take the file on standard input: they would read its name as a URI or as UTF-8.
    xmllint --noout - <"${log%.*}.gpx" || fail "$log $*: not well-formed"
    gpsbabel -t -i gpx -f - -o unicsv -F - <"${log%.*}.gpx" | points_of gpx >read.txt
    diff "$wanted" read.txt || fail "$log $*: gpsbabel read other points"
    files=$((files + 1)) points=$((points + $(wc -l <read.txt)))
}

# All four hemispheres, signs and blanks, heights signed or missing; times that the offsets move
# across days, months, years and leap days, and times that are none.
write_log world.kml '1|2023/12/31 23:30:00|139.700539,35.689487,38.0' \
    '2|2024/01/01 00:15:00|-58.381600,-34.603700,-3.5' \
    '3|2024/02/29 03:00:00| +151.209300 , -33.868800 , +12 ' \
    '4|2024/03/01 01:00:00|-122.419400,37.774900,' '5|2023-06-30 22:00:00|-0.127600,51.507200,11' \
    '6|2023/02/30 10:00:00|174.763300,-36.848500,25.0' \
    '7 a|2023/07/06 24:00:00|-179.999999,-89.999999,0.1' '8|2024/12/31 23:59:59|-180,90,2'
check_csv world.kml
for offset in +00:00 +09:00 -05:00 +05:45 -09:30 +14:00 -00:30; do
    to_utc $offset <world.kml.points >wanted.txt
    check_gpx world.kml wanted.txt --utc-offset $offset
    grep -qx '  Output: 8 records' report.txt || fail "world.kml $offset: $(cat report.txt)"
done
# The column options leave the GPX file alone; no offset is +00:00.
"$cli" --format gpx --utc-offset +00:00 world.kml >/dev/null && cp world.gpx utc.gpx
"$cli" --format gpx --no-index --rcr --no-datetime --valid --no-snew world.kml >/dev/null
cmp -s utc.gpx world.gpx || fail "column options or the default offset changed the GPX file"

# Points without a valid position are left out and the count says so, and a file name that is no
# UTF-8 and holds XML's special characters still gives well-formed XML.
name=$(printf "bad \\xff & 'b' <1>")
write_log "$name.kml" '1|2023/07/06 10:00:00|139.700539,35.689487,38.0' \
    '2|2023/07/06 10:00:10|180,35.6,38.0' '3|2023/07/06 10:00:20|139.7,91,38.0' \
    '4|2023/07/06 10:00:30|1.5e+2,35.6,38.0' '5|2023/07/06 10:00:40|-58.381600,-34.603700,-3.5'
check_csv "$name.kml"
grep -E '\|(1|5)$' "$name.kml.points" | to_utc +09:00 >wanted.txt
check_gpx "$name.kml" wanted.txt --utc-offset +09:00
tr -d '\r' <report.txt | grep -A1 -x '  Skipped for lack of a valid position: 3 records' |
    grep -qx '  Output: 2 records' || fail "invalid positions: $(cat report.txt)"
grep -qF "<name>bad $(printf '\xef\xbf\xbd') &amp; &apos;b&apos; &lt;1&gt;</name>" "$name.gpx" ||
    fail "track name: $(grep -m1 '<name>' "$name.gpx")"

[ "$failures" -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "gpsbabel read $files GPX files, $points points, all as in the CSV files"
