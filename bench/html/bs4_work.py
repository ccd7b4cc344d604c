#!/usr/bin/python3
"""The downloader's page work done with BeautifulSoup (html.parser), the peer html_bench is
compared with.

  bs4_work.py time FILE parse|full REPEATS   prints the least CPU seconds of one pass
  bs4_work.py work FILE                      one full pass; prints seconds and outcome
"""
import sys
import time

from bs4 import BeautifulSoup


def parse(raw):
    return BeautifulSoup(raw.decode("utf-8", "replace"), "html.parser")


def full(raw):
    soup = parse(raw)
    sink = 0
    metadata = soup.select('script[type="application/ld+json"]')
    if metadata:
        sink += len(metadata[0].get_text())
    seen = set()
    for link in soup.select(".story-parts ul li a"):
        if link not in seen:
            seen.add(link)
            sink += len(link.get("href", ""))
    sink += len(soup.select("ul.table-of-contents a"))
    heading = soup.select("h1.h2")
    if heading:
        sink += len(heading[0].get_text().strip())
    pre = soup.select_one("pre")
    if pre is not None:
        sink += len(pre.prettify())
    return sink + len(str(soup))


def main(argv):
    raw = open(argv[2], "rb").read()
    if argv[1] == "time":
        work = parse if argv[3] == "parse" else full
        best = float("inf")
        for _ in range(int(argv[4])):
            start = time.process_time()
            work(raw)
            best = min(best, time.process_time() - start)
        print("%.6f" % best)
    else:
        start = time.process_time()
        outcome = "ok %d" % full(raw)
        print("%.6f %s" % (time.process_time() - start, outcome))


if __name__ == "__main__":
    sys.setrecursionlimit(10000)
    main(sys.argv)
