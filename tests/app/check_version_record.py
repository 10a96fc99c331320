#!/usr/bin/env python3
"""Compiles the version record with a resource compiler, reads it back from
the resulting .res file and checks it against the identity the executable
must carry.

Usage: check_version_record.py WINDRES RC_FILE OUT_RES"""
import struct
import subprocess
import sys

EXPECTED_STRINGS = {
    "FileVersion": "1.00.0002",
    "ProductVersion": "1.00.0002",
    "ProductName": "Quorvane",
    "InternalName": "Quorvane",
    "OriginalFilename": "Quorvane.exe",
    "CompanyName": "office ぽるめに",
    "FileDescription": "CSVファイルをHTMLのテーブルタグに変換します。",
    "Comments": "CSVファイルの中身をHTMLのテーブルタグに変換",
}
EXPECTED_NUMERIC = (1, 0, 0, 2)
JAPANESE, UNICODE = 0x0411, 1200


def align4(n):
    return (n + 3) & ~3


def read_id(data, pos):
    """A resource type or name: 0xFFFF then a number, or a UTF-16 string."""
    if struct.unpack_from("<H", data, pos)[0] == 0xFFFF:
        return struct.unpack_from("<H", data, pos + 2)[0], pos + 4
    end = pos
    while struct.unpack_from("<H", data, end)[0] != 0:
        end += 2
    return data[pos:end].decode("utf-16-le"), end + 2


def resources(data):
    pos = 0
    while pos + 8 <= len(data):
        size, header = struct.unpack_from("<II", data, pos)
        rtype, p = read_id(data, pos + 8)
        _name, p = read_id(data, p)
        p = align4(p)
        _dver, _flags, lang = struct.unpack_from("<IHH", data, p)
        body = data[pos + header: pos + header + size]
        yield rtype, lang, body
        pos = align4(pos + header + size)


def node(data, pos):
    """One VS_VERSIONINFO block: (key, value bytes, value type, children)."""
    length, value_len, vtype = struct.unpack_from("<HHH", data, pos)
    end = pos + length
    p = pos + 6
    k = p
    while struct.unpack_from("<H", data, k)[0] != 0:
        k += 2
    key = data[p:k].decode("utf-16-le")
    p = align4(k + 2)
    nbytes = value_len * 2 if vtype == 1 else value_len
    value = data[p:p + nbytes]
    p = align4(p + nbytes)
    children = []
    while p < end:
        child, p = node(data, p)
        children.append(child)
        p = align4(p)
    return (key, value, vtype, children), end


def main(path):
    data = open(path, "rb").read()
    found = [(lang, body) for rtype, lang, body in resources(data) if rtype == 16]
    errors = []
    if len(found) != 1:
        print(f"expected one version record, found {len(found)}")
        return 1
    lang, body = found[0]
    if lang != JAPANESE:
        errors.append(f"resource language {lang:#06x}, expected {JAPANESE:#06x}")
    (key, fixed, _t, children), _ = node(body, 0)
    if key != "VS_VERSION_INFO":
        errors.append(f"root key {key!r}")
    sig, _sv, fms, fls, pms, pls = struct.unpack_from("<IIIIII", fixed, 0)
    if sig != 0xFEEF04BD:
        errors.append("fixed file info signature missing")
    for label, ms, ls in (("file", fms, fls), ("product", pms, pls)):
        got = (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
        if got != EXPECTED_NUMERIC:
            errors.append(f"numeric {label} version {got}, expected {EXPECTED_NUMERIC}")
    strings, translation = {}, None
    for ckey, _v, _t, blocks in children:
        if ckey == "StringFileInfo":
            for table_key, _tv, _tt, entries in blocks:
                if table_key.lower() != "041104b0":
                    errors.append(f"string table {table_key!r}, expected 041104b0")
                for skey, sval, _st, _ in entries:
                    strings[skey] = sval.decode("utf-16-le").rstrip("\0")
        elif ckey == "VarFileInfo":
            for _vk, vval, _vt, _ in blocks:
                translation = struct.unpack_from("<HH", vval, 0)
    for skey, want in EXPECTED_STRINGS.items():
        if strings.get(skey) != want:
            errors.append(f"{skey}: {strings.get(skey)!r}, expected {want!r}")
    if translation != (JAPANESE, UNICODE):
        errors.append(f"translation {translation}, expected {(JAPANESE, UNICODE)}")
    for e in errors:
        print("version record:", e)
    if not errors:
        print(f"version record: {len(strings)} strings and the numeric version check out")
    return 1 if errors else 0


if __name__ == "__main__":
    windres, rc, res = sys.argv[1:4]
    subprocess.run([windres, "--preprocessor=cpp", "-c", "65001", "-O", "res", rc, res],
                   check=True)
    sys.exit(main(res))
