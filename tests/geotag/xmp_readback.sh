#!/usr/bin/env bash
# The XMP sidecar that GeotagTest writes, read back by ExifTool and by exiv2: both must find its
# position within 1e-7 degrees and its altitude. Exit 77 (skipped) without either program.
#
#   tests/geotag/xmp_readback.sh NORDAVEL_CORE_TESTS
set -euo pipefail
tests=$1
for program in exiftool exiv2; do
    command -v $program >/dev/null || { echo "skipped: no $program"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
NORDAVEL_XMP_OUT=$work/x.xmp "$tests" --gtest_filter=Geotag.XmpSidecarHoldsThePositionInXmpForms \
    >/dev/null
expected="-35.6812346 139.5 -3.5"

exiftool=$(exiftool -n -s3 -GPSLatitude -GPSLongitude -GPSAltitude "$work/x.xmp" | tr '\n' ' ')
# exiv2 gives the EXIF tags it makes of the XMP ones: degrees, minutes and seconds as rationals,
# the hemisphere and the side of sea level apart.
exiv2=$(exiv2 -Pkv -g Exif.GPSInfo "$work/x.xmp" | awk '
    function q(r) { split(r, p, "/"); return p[1] / p[2] }
    $1 ~ /GPSLatitude$/ { lat = q($2) + q($3) / 60 + q($4) / 3600 }
    $1 ~ /GPSLatitudeRef$/ { if ($2 == "S") latSign = -1 }
    $1 ~ /GPSLongitude$/ { lon = q($2) + q($3) / 60 + q($4) / 3600 }
    $1 ~ /GPSLongitudeRef$/ { if ($2 == "W") lonSign = -1 }
    $1 ~ /GPSAltitude$/ { alt = q($2) }
    $1 ~ /GPSAltitudeRef$/ { if ($2 == "1") altSign = -1 }
    BEGIN { latSign = lonSign = altSign = 1 }
    END { printf "%.9f %.9f %.9f", latSign * lat, lonSign * lon, altSign * alt }')

status=0
for reader in exiftool exiv2; do
    if ! awk -v got="${!reader}" -v want="$expected" 'BEGIN {
            n = split(got, g, " "); split(want, w, " ")
            if (n != 3) exit 1
            for (i = 1; i <= 3; i++) if ((g[i] - w[i]) ^ 2 > 1e-14) exit 1 }'; then
        echo "$reader reads \"${!reader}\", not \"$expected\""
        status=1
    fi
done
[ $status = 0 ] && echo "ExifTool and exiv2 read back $expected"
exit $status
