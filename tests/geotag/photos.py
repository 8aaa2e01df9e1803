#!/usr/bin/env python3
"""nordavel-cli geotag on real photos, judged by ExifTool and exiv2.

- A photo is either tagged or left byte for byte as it was.
- A tagged JPEG keeps every byte before and after its EXIF segment, and every byte of its old
  EXIF block at its offset; ExifTool finds no new warning or error; ExifTool and exiv2 read every
  other tag as before.
- Positions are those of ExifTool's own -geotag on Nordavel's GPX, each photo's UTC from Python's
  zoneinfo, within 1e-5 degrees: Berlin's spring and autumn changes, Lord Howe's half hour,
  sub-seconds, an offset tag, the gap limits.

Usage: photos.py [EMULATOR...] CLI PHOTOS_DIR   (exit 77 without photos, ExifTool or exiv2)
"""
import datetime as dt
import json
import os
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile
import zoneinfo

failures = []


def fail(text):
    failures.append(text)
    print("FAIL:", text)


def run(args, **kw):
    return subprocess.run(args, capture_output=True, text=True, errors="replace", **kw)


def camera_log(path, fixes):
    """A camera log of (local text, latitude, longitude, height) fixes."""
    text = '<?xml version="1.0" encoding="UTF-8"?>\r\n<kml>\r\n<Document>\r\n'
    text += "<name>EXILIM LOG</name>\r\n<description>GPS log</description>\r\n"
    for i, (local, lat, lon, height) in enumerate(fixes, 1):
        text += (f"<Placemark>\r\n<name>{i}</name>\r\n<description>Track<br>({local})"
                 f"</description>\r\n<Point>\r\n<coordinates>{lon:.6f},{lat:.6f},{height:.1f}"
                 "</coordinates>\r\n</Point>\r\n</Placemark>\r\n")
    pathlib.Path(path).write_bytes((text + "</Document>\r\n</kml>\r\n").encode())


def track(zone, start_utc, minutes, lat, lon, step=0.0001, skip=lambda n: False):
    """Fixes every minute from start_utc, written in the zone's local time as a camera would."""
    fixes = []
    for n in range(minutes):
        utc = start_utc + dt.timedelta(minutes=n)
        local = utc.astimezone(zoneinfo.ZoneInfo(zone)).strftime("%Y/%m/%d %H:%M:%S")
        if not skip(n):
            fixes.append((local, lat + n * step, lon + 2 * n * step, 30 + n * 0.1))
    return fixes


def app1(data):
    """(start, end) of the first EXIF APP1 segment of a JPEG."""
    i = 2
    while i + 4 <= len(data) and data[i] == 0xFF:
        length = int.from_bytes(data[i + 2:i + 4], "big")
        if data[i + 1] == 0xE1 and data[i + 4:i + 10] == b"Exif\0\0":
            return i, i + 2 + length
        if data[i + 1] == 0xDA:
            break
        i += 2 + length
    return None


def exiftool_tags(files, *options):
    if not files:
        return {}
    out = run(["exiftool", "-j", "-a", "-G1", "-n", *options, *map(str, files)]).stdout
    return {pathlib.Path(d["SourceFile"]).name: d for d in json.loads(out or "[]")}


def others(tags):
    """The tags outside GPS, the file system's facts and the offsets of what moved with the
    EXIF segment's growth (the images of a multi-picture file, say)."""
    dropped = ("System:", "File:", "ExifTool:", "Composite:", "SourceFile")
    return {k: v for k, v in tags.items() if not k.startswith(dropped)
            and not any(word in k for word in ("GPS", "Offset", "Start"))}


def problems(files):
    """Each file's warnings and errors by ExifTool's -validate (JSON would keep one of each)."""
    found = {}
    if files:  # ExifTool heads each file's lines with its name only when there are several
        current = found.setdefault(pathlib.Path(files[0]).name, set())
        for line in run(["exiftool", "-a", "-s", "-validate", "-warning", "-error",
                         *map(str, files)]).stdout.splitlines():
            if line.startswith("======== "):
                current = found.setdefault(pathlib.Path(line[9:]).name, set())
            elif current is not None and line.split(":")[0].strip() in ("Warning", "Error"):
                current.add(line.split(":", 1)[1].strip())
    return found


def exiv2_tags(path):
    lines = run(["exiv2", "-pa", "-u", str(path)]).stdout.splitlines()
    return [line for line in lines if "GPSInfo" not in line and "GPSTag" not in line]


def statuses(text):
    result = {}
    for line in text.replace("\r", "").splitlines():
        status, sep, name = line.partition("> ")
        if sep and not line.startswith(("Track:", "Path:", "File:")):
            result[name.replace("\\", "/").rsplit("/", 1)[-1]] = status.strip()
    return result


def corpus(cli, photos, work):
    (work / "in").mkdir()
    (work / "out").mkdir()
    found = sorted(p for p in photos.rglob("*") if p.suffix.lower() in (".jpg", ".jpeg"))
    reference = os.environ.get("NORDAVEL_REFERENCE_CLI")  # another build, to write the same bytes
    if reference:
        (work / "ref").mkdir()
    for i, photo in enumerate(found, 1):
        for folder in ("in", "out", "ref") if reference else ("in", "out"):
            shutil.copy2(photo, work / folder / f"{i:03d}-{photo.name}")
    camera_log(work / "wide.kml", [("1990/01/01 00:00:00", 50, 10, 100),
                                   ("2030/01/01 00:00:00", 60, 20, 200)])
    # Photos with GPS already have it replaced: the other path through the writer.
    options = ["geotag", "--time-zone", "Europe/Berlin", "--max-gap", "3000000000",
               "--max-outside", "3000000000", "--overwrite", "--log", "wide.kml"]
    result = run([*cli, *options, "out"], cwd=work)
    if reference:
        run([reference, *options, "ref"], cwd=work)
        for photo in (work / "out").iterdir():
            if photo.read_bytes() != (work / "ref" / photo.name).read_bytes():
                fail(f"{photo.name}: not the bytes that {reference} writes")
    status = statuses(result.stdout)
    names = sorted(p.name for p in (work / "in").iterdir())
    tagged = [n for n in names if status.get(n) == "Tagged"]
    before = problems([work / "in" / n for n in tagged])
    after = problems([work / "out" / n for n in tagged])
    full_before = exiftool_tags([work / "in" / n for n in tagged])
    full_after = exiftool_tags([work / "out" / n for n in tagged])
    reasons = {}
    for name in names:
        old = (work / "in" / name).read_bytes()
        new = (work / "out" / name).read_bytes()
        if status.get(name) != "Tagged":
            reason = re.sub(r" at offset \d+", "", status.get(name, "no status"))
            reasons[reason] = reasons.get(reason, 0) + 1
            if old != new:
                fail(f"{name}: not tagged ({status.get(name)}) but changed")
            continue
        a, b = app1(old), app1(new)
        if not a or not b or a[0] != b[0] or old[:a[0]] != new[:b[0]] or old[a[1]:] != new[b[1]:]:
            fail(f"{name}: bytes outside the EXIF segment moved")
        else:
            # The TIFF block's bytes but the header's pointer to IFD0, and where GPS was there
            # already, the four of the pointer to it.
            was, now = old[a[0] + 10:a[1]], new[b[0] + 10:b[0] + 10 + a[1] - a[0] - 10]
            moved = [k for k in range(len(was)) if (k >= len(now) or was[k] != now[k])
                     and not 4 <= k < 8]
            had_gps = any("GPS" in key for key in full_before[name])
            if old[a[0] + 4:a[0] + 10] != new[b[0] + 4:b[0] + 10] or moved and not (
                    had_gps and moved[-1] - moved[0] < 4):
                fail(f"{name}: a byte of the old EXIF block changed at {moved[:4]}")
        if new_problems := after.get(name, set()) - before.get(name, set()):
            fail(f"{name}: ExifTool now says {sorted(new_problems)}")
        if others(full_after[name]) != others(full_before[name]):
            changed = {k for k in others(full_after[name]).keys() | others(full_before[name]).keys()
                       if others(full_after[name]).get(k) != others(full_before[name]).get(k)}
            fail(f"{name}: ExifTool reads other tags anew: {sorted(changed)}")
        if exiv2_tags(work / "out" / name) != exiv2_tags(work / "in" / name):
            fail(f"{name}: exiv2 reads other tags anew")
        gps = full_after[name]
        if abs(gps.get("GPS:GPSLatitude", 0) - 50) > 10 or gps.get("GPS:GPSVersionID") != "2 3 0 0":
            fail(f"{name}: GPS reads {gps.get('GPS:GPSLatitude')}, {gps.get('GPS:GPSVersionID')}")
    print(f"{len(names)} photos: {len(tagged)} tagged; not tagged: {reasons}")
    return work / "in" / tagged[0] if tagged else None


def edges(cli, sample, work):
    utc = dt.timezone.utc
    cases = [  # zone, DateTimeOriginal, SubSec, OffsetTime, tagged?
        ("Europe/Berlin", "2023:03:26 01:30:20", "5", None, True),
        ("Europe/Berlin", "2023:03:26 02:30:00", None, None, False),  # the spring gap
        ("Europe/Berlin", "2023:03:26 03:10:30", "75", None, True),
        ("Europe/Berlin", "2023:03:26 00:35:00", None, None, False),  # 15 min from a fix
        ("Europe/Berlin", "2023:03:26 00:21:30", None, None, True),  # 90 s: the nearest fix
        ("Europe/Berlin", "2023:10:29 02:30:00", None, None, False),  # readings 670 m apart
        ("Europe/Berlin", "2023:10:29 03:30:00", None, None, True),
        ("Europe/Berlin", "2023:10:29 01:20:00", "125", "+01:00", True),
        ("Australia/Lord_Howe", "2023:04:02 01:40:00", None, None, True),  # readings 3 m apart
        ("Australia/Lord_Howe", "2023:10:01 02:15:00", None, None, False),  # the spring gap
        ("Australia/Lord_Howe", "2023:10:01 02:40:10", "2", None, True),
    ]
    fixes = {
        "Europe/Berlin": track("Europe/Berlin", dt.datetime(2023, 3, 25, 22, tzinfo=utc), 360,
                               52, 13, skip=lambda n: 80 < n < 110)
        + track("Europe/Berlin", dt.datetime(2023, 10, 28, 22, tzinfo=utc), 360, 52.1, 13.1),
        "Australia/Lord_Howe": track("Australia/Lord_Howe", dt.datetime(2023, 4, 1, 13, tzinfo=utc),
                                     240, -31.5, 159.05, step=0.000001)
        + track("Australia/Lord_Howe", dt.datetime(2023, 9, 30, 14, tzinfo=utc), 240, -31.6, 159.1),
    }
    for zone, zone_fixes in fixes.items():
        folder = work / zone.replace("/", "-")
        folder.mkdir()
        camera_log(folder / "trip.kml", zone_fixes)
        run([*cli, "--format", "gpx", "--time-zone", zone, "trip.kml"], cwd=folder)
        mine = []
        for i, (case_zone, local, subsec, offset, _) in enumerate(cases):
            if case_zone != zone:
                continue
            photo = folder / "photos" / f"{i:02d}.jpg"
            photo.parent.mkdir(exist_ok=True)
            shutil.copy2(sample, photo)
            run(["exiftool", "-q", "-overwrite_original", "-gps:all=", f"-DateTimeOriginal={local}",
                 f"-SubSecTimeOriginal={subsec or ''}", f"-OffsetTimeOriginal={offset or ''}",
                 str(photo)])
            shutil.copy2(photo, folder / f"{i:02d}-exiftool.jpg")
            if i == 0:  # its EXIF block alone is a raw file in TIFF form, for a sidecar
                data = photo.read_bytes()
                start, end = app1(data)
                (photo.parent / "00.dng").write_bytes(data[start + 10:end])
            mine.append(i)
        result = run([*cli, "geotag", "--time-zone", zone, "--max-gap", "600", "--max-outside",
                      "120", "--sidecar", "--log", "trip.kml", "photos"], cwd=folder)
        status = statuses(result.stdout)
        if 0 in mine:
            jpeg = exiftool_tags([folder / "photos" / "00.jpg"])["00.jpg"]
            sidecar = exiftool_tags([folder / "photos" / "00.dng.xmp"]).get("00.dng.xmp", {})
            for key in ("GPSLatitude", "GPSLongitude", "GPSAltitude"):
                if status.get("00.dng") != "Sidecar written" or abs(
                        jpeg[f"GPS:{key}"] - sidecar.get(f"XMP-exif:{key}", 1e9)) > 1e-6:
                    fail(f"sidecar: {status.get('00.dng')}, {key} {sidecar.get(f'XMP-exif:{key}')}")
        for i in mine:
            _, local, subsec, offset, wanted = cases[i]
            name = f"{i:02d}.jpg"
            if (status.get(name) == "Tagged") != wanted:
                fail(f"{zone} {local}: {status.get(name)}")
                continue
            if not wanted:
                continue
            when = dt.datetime.strptime(local, "%Y:%m:%d %H:%M:%S")
            when += dt.timedelta(seconds=float("0." + subsec) if subsec else 0)
            tz = (dt.timezone(dt.timedelta(hours=int(offset[:3]), minutes=int(offset[4:])))
                  if offset else zoneinfo.ZoneInfo(zone))
            moment = when.replace(tzinfo=tz).astimezone(utc)
            reference = folder / f"{i:02d}-exiftool.jpg"
            run(["exiftool", "-q", "-overwrite_original", "-geotag", "trip.gpx",
                 "-api", "GeoMaxIntSecs=600", "-api", "GeoMaxExtSecs=120",
                 f"-Geotime={moment.strftime('%Y:%m:%d %H:%M:%S.%f')}Z", str(reference)],
                cwd=folder)
            got = exiftool_tags([folder / "photos" / name])[name]
            want = exiftool_tags([reference])[reference.name]
            for key in ("GPS:GPSLatitude", "GPS:GPSLongitude", "GPS:GPSAltitude"):
                # Heights keep the log's decimals: 0.05 m apart at most.
                limit = 0.051 if key.endswith("Altitude") else 1e-5
                if key not in want or abs(got.get(key, 1e9) - want[key]) > limit:
                    fail(f"{zone} {local}: {key} {got.get(key)}, ExifTool {want.get(key)}")
            h, m, sec = (float(x) for x in str(got.get("GPS:GPSTimeStamp", "0:0:-1")).split(":"))
            if (got.get("GPS:GPSDateStamp") != f"{moment:%Y:%m:%d}"
                    or abs(h * 3600 + m * 60 + sec - (moment - moment.replace(
                        hour=0, minute=0, second=0, microsecond=0)).total_seconds()) > 1e-3):
                fail(f"{zone} {local}: GPS time {got.get('GPS:GPSDateStamp')} "
                     f"{got.get('GPS:GPSTimeStamp')}, UTC {moment}")
    print(f"{len(cases)} edge cases checked against ExifTool")


def main():
    *cli, photos = sys.argv[1:]
    for program in ("exiftool", "exiv2"):
        if not shutil.which(program):
            print(f"skipped: no {program}")
            return 77
    photos = pathlib.Path(photos)
    if not photos.is_dir() or not any(p.suffix.lower() in (".jpg", ".jpeg") for p in photos.rglob("*")):
        print(f"skipped: no photos in {photos} (scripts/fetch-sample-photos)")
        return 77
    cli = [str(pathlib.Path(c).resolve()) if pathlib.Path(c).exists() else c for c in cli]
    with tempfile.TemporaryDirectory() as folder:
        work = pathlib.Path(folder)
        sample = corpus(cli, photos, work)
        if sample is None:
            fail("no photo of the corpus was tagged")
        else:
            edges(cli, sample, work)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
