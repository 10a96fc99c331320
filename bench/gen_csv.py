#!/usr/bin/env python3
"""Writes a deterministic benchmark CSV of about SIZE bytes.

usage: gen_csv.py ascii|cp932|japanese SIZE OUT
ascii: numbers, short words and some quoted fields with commas.
cp932: kanji, kana, half-width katakana and quoted fields, in code page 932.
japanese: dense code page 932, five short Japanese fields a line and almost
no ASCII.
"""
import random
import sys

WORDS = ("apple bolt cedar delta ember frost grove harbor iris jade kelp lumen "
         "maple north opal pine quartz river slate tide umber vale willow yarrow zinc").split()
KANJI = ("日本語東京大阪名古屋京都福岡札幌仙台広島神戸横浜千葉埼玉北海道沖縄"
         "会社部品番号価格数量合計金額注文顧客住所電話受付担当者確認済未完了"
         "髙﨑德")
HIRAGANA = "".join(chr(c) for c in range(0x3041, 0x3094))
KATAKANA = "".join(chr(c) for c in range(0x30A1, 0x30F7))
HALF_KANA = "".join(chr(c) for c in range(0xFF61, 0xFFA0))
SYMBOLS = "①②③ⅠⅡⅢ№㈱〒・ー　"


def ascii_field(rng):
    pick = rng.random()
    if pick < 0.35:
        return str(rng.randrange(0, 10 ** rng.randrange(1, 8)))
    if pick < 0.5:
        return "%d.%02d" % (rng.randrange(0, 100000), rng.randrange(0, 100))
    if pick < 0.85:
        return rng.choice(WORDS)
    words = " ".join(rng.choice(WORDS) for _ in range(rng.randrange(2, 5)))
    return '"%s, %s"' % (words, rng.choice(WORDS))


def japanese_text(rng, low, high):
    pools = (KANJI, HIRAGANA, KATAKANA, HALF_KANA, SYMBOLS)
    weights = (5, 4, 3, 2, 1)
    pool = rng.choices(pools, weights)[0]
    return "".join(rng.choice(pool) for _ in range(rng.randrange(low, high)))


def cp932_field(rng):
    pick = rng.random()
    if pick < 0.25:
        return str(rng.randrange(0, 1000000))
    if pick < 0.85:
        return japanese_text(rng, 2, 9)
    return '"%s,%s"' % (japanese_text(rng, 2, 6), japanese_text(rng, 1, 5))


def japanese_field(rng):
    if rng.random() < 0.03:
        return str(rng.randrange(0, 1000))
    return japanese_text(rng, 2, 7)


def main():
    kind, size, out = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    rng = random.Random(20240601)
    field = {"ascii": ascii_field, "cp932": cp932_field, "japanese": japanese_field}[kind]
    encoding = "ascii" if kind == "ascii" else "cp932"
    per_line = 5 if kind == "japanese" else 6
    lines = [(",".join(field(rng) for _ in range(per_line)) + "\r\n").encode(encoding)
             for _ in range(20000)]
    written = 0
    with open(out, "wb") as f:
        while written < size:
            chunk = b"".join(rng.choices(lines, k=2000))
            f.write(chunk)
            written += len(chunk)


if __name__ == "__main__":
    main()
