"""Merge benchmark: bench_merge (the book builder's PDFium merge loop) against
`qpdf --empty --pages`, both run on the same chapter PDFs in this run.

Chapters are rendered once with the wkhtmltopdf command (a few distinct ones, copied to
100 and 1000 files) and cached under BUILD_DIR/bench-merge. Each merge runs RUNS times
(default 3); the best wall time counts. Peak memory is the child's maximum resident set.
"""

import os
import random
import shutil
import subprocess
import sys
import time

DISTINCT = 20
COUNTS = (100, 1000)
WORDS = ("the quiet harbour lantern whispered across morning tide while sailors mended nets "
         "beneath grey gulls and copper roofs café naïve façade — “quoted” words drift "
         "through every chapter of the long story").split()


def chapter_html(number):
    rng = random.Random(number)
    pages = []
    for _ in range(3):
        paragraphs = "".join(
            "<p>" + " ".join(rng.choice(WORDS) for _ in range(110)) + "</p>\n" for _ in range(9))
        pages.append('<div class="page">\n' + paragraphs + "</div>\n")
    return ("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Chapter %d</title>"
            "</head><body><h1>Chapter %d</h1>\n%s</body></html>\n" % (number, number, "".join(pages)))


def distinct_chapters(work):
    source = os.path.join(work, "distinct")
    os.makedirs(source, exist_ok=True)
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    pdfs = []
    for number in range(1, DISTINCT + 1):
        pdf = os.path.join(source, "%d.pdf" % number)
        if not os.path.exists(pdf):
            html = os.path.join(source, "%d.html" % number)
            with open(html, "w", encoding="utf-8") as out:
                out.write(chapter_html(number))
            subprocess.run(["wkhtmltopdf", "-q", html, pdf + ".part"], env=env, check=True,
                           stderr=subprocess.DEVNULL)
            os.replace(pdf + ".part", pdf)
        pdfs.append(pdf)
    return pdfs


def chapter_set(work, count, distinct):
    folder = os.path.join(work, str(count))
    os.makedirs(folder, exist_ok=True)
    files = []
    for number in range(1, count + 1):
        target = os.path.join(folder, "%d.pdf" % number)
        if not os.path.exists(target):
            shutil.copyfile(distinct[(number - 1) % len(distinct)], target)
        files.append(target)
    return files


def measure(argv):
    """Wall seconds and peak resident memory (bytes) of one run of argv."""
    start = time.perf_counter()
    child = subprocess.Popen(argv, stdout=subprocess.DEVNULL)
    _, status, usage = os.wait4(child.pid, 0)
    wall = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit("failed: %s ..." % " ".join(argv[:4]))
    return wall, usage.ru_maxrss * 1024


def best_of(runs, argv):
    results = [measure(argv) for _ in range(runs)]
    return min(r[0] for r in results), max(r[1] for r in results)


def page_count(pdf):
    return int(subprocess.run(["qpdf", "--show-npages", pdf], check=True,
                              capture_output=True, text=True).stdout)


def main():
    build = sys.argv[1]
    runs = int(os.environ.get("RUNS", "3"))
    work = os.path.join(build, "bench-merge")
    distinct = distinct_chapters(work)
    ours_tool = os.path.join(build, "bench", "bench_merge")
    mib = 1024 * 1024
    print("chapters  ours s  qpdf s  qpdf/ours  pages  book MB  ours peak MB  bound MB  memory")
    verdicts = []
    for count in COUNTS:
        files = chapter_set(work, count, distinct)
        ours_pdf = os.path.join(work, "ours-%d.pdf" % count)
        qpdf_pdf = os.path.join(work, "qpdf-%d.pdf" % count)
        ours, peak = best_of(runs, [ours_tool, ours_pdf] + files)
        theirs, _ = best_of(runs, ["qpdf", "--empty", "--pages"] + files + ["--", qpdf_pdf])
        pages = page_count(ours_pdf)
        if pages != page_count(qpdf_pdf):
            sys.exit("the two books differ in page count")
        size = os.path.getsize(ours_pdf)
        bound = 3 * size + 32 * mib
        memory_ok = peak < bound
        verdicts.append(theirs / ours >= 1.0 and (count != 1000 or memory_ok))
        print("%8d  %6.3f  %6.3f  %9.2f  %5d  %7.1f  %12.1f  %8.1f  %s" % (
            count, ours, theirs, theirs / ours, pages, size / mib, peak / mib, bound / mib,
            "under bound" if memory_ok else "OVER BOUND"))
    print("target: qpdf/ours >= 1 and peak memory for 1000 chapters under 3 x book + 32 MB: %s"
          % ("met" if all(verdicts) else "NOT MET"))


if __name__ == "__main__":
    main()
