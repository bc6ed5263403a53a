#!/usr/bin/env python3
"""Writes the seeds of office_art_fuzz: Office Art data with a blip store
whose JPEG lies in the same bytes, shapes with options (a picture number, a
name, colours), and an inline picture descriptor with its blip-store entry
and a compressed metafile."""
import os
import struct
import zlib

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "seeds", "office_art_fuzz")
JPEG = b"\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00\xFF\xD9"


def rec(rtype, instance, data, ver=0):
    return struct.pack("<HHI", (instance << 4) | ver, rtype, len(data)) + data


def container(rtype, children, instance=0):
    return rec(rtype, instance, children, 0xF)


def fbse(delay, size, embedded=b""):
    return rec(0xF007, 5, b"\x05\x05" + b"u" * 16 + struct.pack("<HIII", 0, size, 1, delay) + b"\0" * 4 + embedded)


def shape(spid, props=(), complex_data=b""):
    table = b"".join(struct.pack("<HI", pid, value) for pid, value in props)
    options = rec(0xF00B, len(props), table + complex_data) if props else b""
    return container(0xF004, rec(0xF00A, 1, struct.pack("<II", spid, 0xA00)) + options)


def drawing_data():
    blip = rec(0xF01D, 0x46A, b"i" * 17 + JPEG)
    shapes = container(0xF003, shape(1024) + shape(1025, [(260, 1), (911, 2), (913, 3)]) +
                       shape(1026, [(385, 0xFF), (459, 12700), (0x8000 | 896, 4), (129, 91440), (191, 0x40)], b"A\0\0\0"))
    head = lambda delay: container(0xF000, rec(0xF006, 0, b"\0" * 16) +
                                   container(0xF001, fbse(0xFFFFFFFF, 0) + fbse(delay, len(blip)), 2)) + \
        b"\0" + container(0xF002, rec(0xF008, 0, b"\0" * 8) + shapes)
    first = head(0)
    return head(len(first)) + blip


def inline_picture():
    emf = struct.pack("<II", 1, 88) + b"\0" * 32 + b" EMF" + b"\0" * 44
    packed = zlib.compress(emf)
    header = struct.pack("<I16sII I", len(emf), b"\0" * 16, 0, 0, len(packed)) + b"\0\xFE"
    blip = rec(0xF01A, 0x3D4, b"i" * 16 + header + packed)
    tail = container(0xF004, b"") + fbse(0, len(blip), blip)
    picf = struct.pack("<H", 100) + b"\0" * 20 + struct.pack("<hhHH", 1440, 720, 500, 1000) + b"\0" * 32
    return struct.pack("<IH", 6 + len(picf) + len(tail), 68) + picf + tail


os.makedirs(HERE, exist_ok=True)
for name, data in {"drawing_group_and_shapes": drawing_data(), "inline_metafile": inline_picture()}.items():
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)
