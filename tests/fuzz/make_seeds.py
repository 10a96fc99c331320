#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets into corpus/<target>/ from the
cases of the reader, builder, decoding and option tests. Run it again after
changing the cases; the files it writes are kept in the repository."""
import pathlib

HERE = pathlib.Path(__file__).resolve().parent

# The reader's and builder's cases: (name, field count byte, style rows, file).
CSV = [
    ("empty", 0, [], b""),
    ("quoted-comma", 2, [], b'a,"b,c",d\r\n'),
    ("spaces-around", 1, [], b"x , y"),
    ("tabs", 1, [], b"\t x\t ,\t y \t\n"),
    ("inner-spaces", 1, [], b"a b  c,d"),
    ("ideographic-space", 1, [], b"\x81\x40a\x81\x40,b"),
    ("quoted-line-end", 1, [], b'"a\r\nb",c'),
    ("doubled-quote", 1, [], b'"say ""hi""",x'),
    ("only-doubled-quotes", 0, [], b'""""'),
    ("after-closing-quote", 1, [], b'"ab"cd,e'),
    ("after-closing-quote-line", 1, [], b'"ab" x y\r\nz'),
    ("quote-inside-unquoted", 1, [], b'a"b,c'),
    ("unclosed-quote", 0, [], b'"abc,def\r\nghi  '),
    ("empty-fields", 2, [], b"a,,b\r\na,\nb"),
    ("blank-line", 1, [], b"a\r\n\r\nb\r\n"),
    ("byte-26", 0, [], b"a\x1a,\x1a\x1c\x7f"),
    ("line-ends", 2, [], b"a\rb\nc\r\nd\n\re\r\r\nf"),
    ("trailing-spaces-past-end", 0, [b"s"], b"a\n  "),
    ("lone-quote-at-end", 1, [], b'a,"'),
    ("markup", 0, [b'title="<&>"'], b"<i>&</i>"),
    ("worked-example", 1, [b"align=right", b""], b"a,b\r\nc\r\n"),
    ("rows-cut-across-lines", 1, [b"L", b"R"], b"a,b,c\r\nd,e,f\r\n"),
    ("one-space-style", 0, [b" "], b"a"),
    ("style-second-column", 1, [b"", b'class="n"'], b"a,b"),
    ("cp932", 2, [], "日本,ｶﾅ,①,Ⅰ,髙\r\n".encode("cp932")),
    ("utf8-bom", 1, [], b"\xef\xbb\xbf" + "あ,い\r\n".encode()),
    ("utf8", 1, [b"\xff\xd8\x3d"], "日本語,é\r\n".encode()),
    ("utf8-cut", 0, [], b"a\xe3\x81"),
    ("cp932-lead-before-delimiter", 1, [], b"\x82,a\x82\r\n"),
    ("field-count-32767", 0xFE, [], b"a"),
    ("field-count-0", 0xF8, [], b"a,b"),
]


def reader_builder_seed(count, rows, data):
    # Header: field count, encoding and piece size, failure point; then the
    # rows separated by byte 1 and ended by NUL.
    return bytes([count, 4, 128]) + b"\x01".join(rows) + b"\x00" + data


DECODER = [
    ("ascii", b"abc\\~\x1a\x7f"),
    ("cp932-kanji", "日本語のテキスト".encode("cp932")),
    ("cp932-extensions", "①Ⅰ髙﨑".encode("cp932")),
    ("cp932-halfwidth", "ｱｲｳｴｵ".encode("cp932")),
    ("cp932-invalid", b"\x80\xa0\xfd\xfe\xff\x81\x20\x85\x40\x82"),
    ("utf8", "日本語 é 😀".encode()),
    ("utf8-invalid", b"\xc0\xaf\xe0\x80\x80\xed\xa0\x80\xf4\x90\x80\x80\xff\xe3\x81"),
]

OPTIONS = [
    ("defaults", [b"in.csv"]),
    ("every-form", [b"-n", b"3", b"--fields=3", b"-n3", b"-a", b"1=align=right",
                    b"--attr=2=class=\"n\"", b"-a3=", b"-e", b"cp932", b"--encoding=utf-8",
                    b"-o", b"out.html", b"--output=o", b"in.csv"]),
    ("stdin", [b"-e", b"auto", b"-"]),
    ("double-dash", [b"--", b"-n"]),
    ("help", [b"-h"]),
    ("version", [b"--version"]),
    ("bad-count", [b"-n", b"32768", b"x"]),
    ("attr-beyond", [b"-n", b"2", b"-a", b"3=x", b"x"]),
    ("attr-utf8", [b"-a", "1=style=\"color:赤\"".encode(), b"x"]),
]


def write(target, name, data):
    folder = HERE / "corpus" / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / name).write_bytes(data)


def main():
    for name, count, rows, data in CSV:
        write("reader_builder", name, reader_builder_seed(count, rows, data))
    for name, data in DECODER:
        write("decoder", name + "-cp932", b"\x40" + data)
        write("decoder", name + "-utf8", b"\x41" + data)
    for name, args in OPTIONS:
        write("option_parser", name, b"\x00".join(args))


if __name__ == "__main__":
    main()
