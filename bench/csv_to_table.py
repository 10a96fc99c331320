#!/usr/bin/env python3
"""The same conversion in plain Python with the csv module, for comparison.

usage: csv_to_table.py FIELDS ENCODING IN OUT
"""
import csv
import itertools
import sys


def main():
    count, encoding, source, target = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4]
    with open(source, encoding=encoding, newline="") as f, \
            open(target, "w", encoding="utf-8", newline="") as out:
        fields = itertools.chain.from_iterable(
            row if row else [""] for row in csv.reader(f, skipinitialspace=True))
        out.write("<table>")
        while True:
            cells = list(itertools.islice(fields, count))
            if not cells:
                break
            cells += [""] * (count - len(cells))
            out.write("\r\n<tr>\r\n" + "\r\n".join("<td>" + c + "</td>" for c in cells)
                      + "\r\n</tr>")
        out.write("\r\n</table>")


if __name__ == "__main__":
    main()
