#!/usr/bin/env python3
# The page the window handed the desktop's handler: an HTML5 parser that
# reports every error finds none, and its table holds the rows and cells of
# the table text the window showed; where Chromium is installed, the page as
# it renders it has them too.
#
#   check_page.py PAGE TABLE_TEXT
import shutil, subprocess, sys

import html5lib


def cells(tree):
    return [[cell.text or "" for cell in row if cell.tag in ("td", "th")]
            for row in tree.iter("tr")]


page, table = sys.argv[1], sys.argv[2]
parser = html5lib.HTMLParser(namespaceHTMLElements=False)
with open(page, "rb") as f:
    document = parser.parse(f)
if parser.errors:
    sys.exit(f"parse errors: {parser.errors}")
with open(table, "rb") as f:
    expected = cells(html5lib.parse(f.read().decode("utf-8"), namespaceHTMLElements=False))
if cells(document) != expected:
    sys.exit(f"the page's cells {cells(document)} are not the table's {expected}")
browser = shutil.which("chromium") or shutil.which("chromium-browser")
if browser:
    dom = subprocess.run([browser, "--headless", "--no-sandbox", "--disable-gpu", "--dump-dom",
                          "file://" + page], capture_output=True, timeout=120).stdout
    rendered = cells(html5lib.parse(dom, namespaceHTMLElements=False))
    if [len(row) for row in rendered] != [len(row) for row in expected]:
        sys.exit(f"Chromium renders rows of {[len(r) for r in rendered]} cells")
print(f"{len(expected)} rows, {sum(map(len, expected))} cells"
      + (", rendered alike by Chromium" if browser else ""))
