#!/usr/bin/env python3
# Parses the documents of quorvane-tag --document with html5lib, an HTML5
# parser that reports every parse error, as a browser would read the bytes:
# no error at all, the declared character set found, the file's name as the
# title and every field back in its cell, escaped or not, in UTF-8 and in
# code page 932 (where the characters it lacks are references).
#
#   check_document.py QUORVANE_TAG
import os, subprocess, sys, tempfile

try:
    import html5lib
except ImportError:
    sys.exit("html5lib is missing: install python3-html5lib (scripts/install-deps)")

failures = []

# (file name, fields, options); three fields a row.
PLAIN = ["品名", "数量", "備考", "りんご", "3", "😀 ¥100", "みかん", "12"]
MARKUP = ["<b>x</b>", "a & b", "\"q\" 'r'", "1 < 2 > 0", "&amp;", "</table>"]
CASES = [
    ("一覧.csv", PLAIN, []),
    ("一覧.csv", PLAIN, ["--header", "--table-attr", 'class="list"', "-a", "2=align=right"]),
    ("a&b <c>.csv", MARKUP, ["--escape"]),
    ("a&b <c>.csv", MARKUP, ["--escape", "--header"]),
]


def check(condition, what, details=""):
    print("ok     " + what if condition else f"FAILED {what}\n{details}")
    failures.extend([] if condition else [what])


def csv(fields):
    quoted = ['"' + f.replace('"', '""') + '"' for f in fields]
    return "\r\n".join(",".join(quoted[i:i + 3]) for i in range(0, len(quoted), 3))


def rows(fields):
    fields = fields + [""] * (-len(fields) % 3)
    return [fields[i:i + 3] for i in range(0, len(fields), 3)]


def check_document(program, folder, name, fields, options, encoding):
    path = os.path.join(folder, name)
    with open(path, "w", encoding="utf-8") as f:
        f.write(csv(fields))
    what = f"{name} {' '.join(options)} --output-encoding {encoding}"
    result = subprocess.run([program, "-n", "3", "-e", "utf-8", "--document",
                             "--output-encoding", encoding, *options, path],
                            capture_output=True)
    if result.returncode != 0:
        return check(False, what, result.stderr.decode(errors="replace"))
    parser = html5lib.HTMLParser(namespaceHTMLElements=False)
    document = parser.parse(result.stdout)
    check(not parser.errors, what + ": no parse error", parser.errors)
    charset = {"utf-8": "utf-8", "cp932": "shift_jis"}[encoding]
    check(parser.documentEncoding == charset, what + f": read as {charset}",
          parser.documentEncoding)
    title = document.find("head/title")
    check(title is not None and title.text == name, what + ": titled with the file's name")
    cells = [[("".join(cell.itertext()), cell.tag) for cell in row]
             for row in document.iter("tr")]
    head = "th" if "--header" in options else "td"
    wanted = [[(text, head if r == 0 else "td") for text in row]
              for r, row in enumerate(rows(fields))]
    check(cells == wanted, what + ": every field in its cell", f"{cells}\n{wanted}")


def main():
    program = sys.argv[1]
    with tempfile.TemporaryDirectory(prefix="quorvane-document-") as folder:
        for name, fields, options in CASES:
            for encoding in ("utf-8", "cp932"):
                check_document(program, folder, name, fields, options, encoding)
    if failures:
        sys.exit(f"{len(failures)} check(s) failed")


main()
