#!/usr/bin/env python3
"""Writes a work folder of chapter files shaped like the downloader's for the render benchmark.

make_chapters.py FOLDER [CHAPTERS]

Each chapter N.html is a heading line and three <div class="page"> blocks of paragraphs,
about 25 KB in all, in UTF-8 without a character-set declaration, as the downloader
writes them. The text is generated from a fixed seed, so every run renders the same book.
"""

import hashlib
import os
import random
import sys

WORDS = (
    "the lighthouse keeper walked along the harbour wall while gulls circled over the grey "
    "water and the ferry left Quimperlé at a quarter past four with Élise aboard — her father "
    "had written “bring wool socks & patience” and she had laughed at the line though it was "
    "half a warning; the lamp turned, the brass shone, the storm came in over Pointe-Aubé"
).split()

PAGE_BYTES = 25_000 // 3


def paragraph(rng, index):
    pid = hashlib.md5(f"{index}".encode()).hexdigest()
    words = [rng.choice(WORDS) for _ in range(rng.randint(40, 90))]
    text = " ".join(words).replace("&", "&amp;")
    if rng.random() < 0.2:
        text = text.replace(" the ", " <i>the</i> ", 1)
    return f'<p data-p-id="{pid}">{text.capitalize()}.</p>'


def chapter(rng, number):
    parts = [f"<h2>Chapter {number}: A Winter at Pointe-Aubé</h2>\n"]
    for page in range(3):
        body, size = [], 0
        while size < PAGE_BYTES:
            p = paragraph(rng, number * 1000 + page * 100 + len(body))
            body.append(p)
            size += len(p.encode())
        parts.append('<div class="page">\n' + "\n".join(body) + "\n</div>\n")
    return "".join(parts)


def main():
    folder = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 100
    os.makedirs(folder, exist_ok=True)
    rng = random.Random(1001)
    for n in range(1, count + 1):
        with open(os.path.join(folder, f"{n}.html"), "w", encoding="utf-8", newline="\n") as f:
            f.write(chapter(rng, n))


if __name__ == "__main__":
    main()
