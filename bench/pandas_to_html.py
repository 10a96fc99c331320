#!/usr/bin/env python3
"""pandas DataFrame.to_html on the same file, for comparison when pandas is there.

usage: pandas_to_html.py ENCODING IN OUT
"""
import sys

import pandas


def main():
    encoding, source, target = sys.argv[1], sys.argv[2], sys.argv[3]
    frame = pandas.read_csv(source, encoding=encoding, header=None, dtype=str,
                            keep_default_na=False)
    with open(target, "w", encoding="utf-8") as out:
        out.write(frame.to_html(index=False, header=False))


if __name__ == "__main__":
    main()
