#!/usr/bin/env python3
"""Writes a camera log of COUNT placemarks, copies of those of an example log.

Usage: big_log.py EXAMPLE.kml COUNT OUTPUT.kml
"""
import sys

example, count, output = sys.argv[1], int(sys.argv[2]), sys.argv[3]
text = open(example, "rb").read()
head, rest = text.split(b"<Placemark>", 1)
body, tail = (b"<Placemark>" + rest).rsplit(b"</Placemark>", 1)
with open(output, "wb") as log:
    log.write(head)
    for _ in range(count):
        log.write(body + b"</Placemark>")
    log.write(tail)
