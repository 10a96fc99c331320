#!/usr/bin/env python3
# Compiles the version record with the MinGW resource compiler and finds each
# of its parts, byte for byte and exactly once, in the compiled .res file.
#
#   check_version_record.py WINDRES RC_FILE OUT_RES
import re
import struct
import subprocess
import sys


def utf16(text):
    return text.encode("utf-16-le") + b"\0\0"


# A block: value length, type (1 text, 0 binary), key, padding to 4 bytes, value.
def block(key, value, value_length, kind=1):
    head = re.escape(struct.pack("<HH", value_length, kind) + utf16(key))
    return head + b"(?:\0\0)?" + re.escape(value)


version = re.escape(struct.pack("<HHHH", 0, 1, 2, 0) * 2)  # 1.0.0.2, file and product
PARTS = [
    ("a version record in Japanese",
     re.escape(struct.pack("<4H", 0xFFFF, 16, 0xFFFF, 1)) + b".{6}" + re.escape(b"\x11\x04")),
    ("numeric version 1.0.0.2", re.escape(struct.pack("<I", 0xFEEF04BD)) + b".{4}" + version),
    ("string table 041104b0", block("041104b0", b"", 0)),
    ("translation Japanese, Unicode", block("Translation", struct.pack("<HH", 0x411, 1200), 4, 0)),
] + [(key, block(key, utf16(value), len(value) + 1)) for key, value in {
    "FileVersion": "1.00.0002", "ProductVersion": "1.00.0002",
    "ProductName": "Quorvane", "InternalName": "Quorvane", "OriginalFilename": "Quorvane.exe",
    "CompanyName": "office ぽるめに",
    "FileDescription": "CSVファイルをHTMLのテーブルタグに変換します。",
    "Comments": "CSVファイルの中身をHTMLのテーブルタグに変換",
}.items()]

if __name__ == "__main__":
    windres, rc, res = sys.argv[1:4]
    subprocess.run([windres, "--preprocessor=cpp", "-c", "65001", "-O", "res", rc, res],
                   check=True)
    data = open(res, "rb").read()
    missing = [what for what, part in PARTS if len(re.findall(part, data, re.S)) != 1]
    for what in missing:
        print("version record: not found exactly once:", what)
    sys.exit(1 if missing else 0)
