#!/usr/bin/env python3
"""EPUB benchmark: the EPUB edition against the PDF's rendering of the same chapters.

bench_epub.py BUILD_DIR [--chapters N] [--pdf-chapters K] [--rounds R]

Both sides run quillbook on the chapter files of the render benchmark (about 25 KB each,
bench/render/make_chapters.py), in the same run: "--format epub" for all N chapters, and
"--format pdf" for the first K of them, whose rendering time (until merging begins) is
scaled up to N when K is below N. Each side runs R times, alternating; the fastest round
counts. The EPUB's peak memory is its process's maximum resident set.
"""

import argparse
import os
import shutil
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
MAKE_CHAPTERS = os.path.join(HERE, "..", "render", "make_chapters.py")
TARGET_RATIO = 1 / 10
MIB = 1024 * 1024


def prepare(folder, chapters):
    marker = os.path.join(folder, f"{chapters}.html")
    if not os.path.exists(marker) or os.path.exists(os.path.join(folder, f"{chapters + 1}.html")):
        shutil.rmtree(folder, ignore_errors=True)
        subprocess.run([sys.executable, MAKE_CHAPTERS, folder, str(chapters)], check=True)


def fresh(folder):
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)


def run_epub(quillbook, work, data, chapters):
    """Wall seconds, CPU seconds and peak resident bytes of one EPUB build, and its size."""
    fresh(data)
    start = time.perf_counter()
    child = subprocess.Popen([quillbook, "--format", "epub", work, "Epub Bench", str(chapters),
                              data], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    out = child.stdout.read()
    _, status, usage = os.wait4(child.pid, 0)
    wall = time.perf_counter() - start
    lines = out.splitlines()
    if os.waitstatus_to_exitcode(status) != 0 or not lines or not lines[-1].endswith(".epub"):
        sys.exit(f"quillbook --format epub failed (status {status})")
    return wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss * 1024, os.path.getsize(lines[-1])


def run_pdf_render(quillbook, work, data, chapters):
    """Wall seconds from the start of a PDF build until merging begins: the rendering."""
    fresh(data)
    for name in os.listdir(work):
        if name.endswith(".pdf"):
            os.remove(os.path.join(work, name))
    start, rendered = time.perf_counter(), None
    with subprocess.Popen([quillbook, "--format", "pdf", work, "Epub Bench", str(chapters), data],
                          stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True) as p:
        for line in p.stdout:
            if line.startswith("building book") and rendered is None:
                rendered = time.perf_counter() - start
    if p.returncode != 0 or rendered is None:
        sys.exit(f"quillbook --format pdf failed (exit {p.returncode})")
    return rendered


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build_dir")
    parser.add_argument("--chapters", type=int, default=1000)
    parser.add_argument("--pdf-chapters", type=int, default=100)
    parser.add_argument("--rounds", type=int, default=2)
    args = parser.parse_args()
    n, k = args.chapters, min(args.pdf_chapters, args.chapters)

    build = os.path.abspath(args.build_dir)
    quillbook = os.path.join(build, "quillbook")
    if not os.access(quillbook, os.X_OK):
        sys.exit(f"no quillbook in {build}: build the target first")
    root = os.path.join(build, "bench-epub")
    work, data = os.path.join(root, "work"), os.path.join(root, "data")
    prepare(work, n)

    epubs, renders = [], []
    for _ in range(args.rounds):
        epubs.append(run_epub(quillbook, work, data, n))
        renders.append(run_pdf_render(quillbook, work, data, k))
    wall, cpu, _, size = min(epubs)
    peak = max(e[2] for e in epubs)
    render = min(renders) * n / k
    bound = 2 * size + 32 * MIB

    print(f"epub benchmark: {n} chapters of ~25 KB, best of {args.rounds} round(s), "
          f"load average {os.getloadavg()[0]:.1f} on {os.cpu_count()} cores")
    print(f"{'':36}{'wall s':>9}{'per chapter':>14}")
    print(f"{'EPUB, chapter files to book':36}{wall:9.2f}{wall / n * 1000:11.2f} ms"
          f"   (cpu {cpu:.2f} s)")
    note = "" if k == n else f" (measured {k}, scaled)"
    print(f"{'PDF rendering of the same chapters':36}{render:9.2f}{render / n * 1000:11.2f} ms"
          f"{note}")
    ratio = wall / render
    speed_ok = ratio <= TARGET_RATIO
    print(f"ratio EPUB / PDF rendering: {ratio:.3f} "
          f"(target <= {TARGET_RATIO:.3f}: {'ok' if speed_ok else 'TOO SLOW'})")
    memory_ok = peak <= bound
    print(f"EPUB {size / MIB:.1f} MB, peak memory {peak / MIB:.1f} MB, "
          f"bound 2 x EPUB + 32 MB = {bound / MIB:.1f} MB: "
          f"{'ok' if memory_ok else 'OVER BOUND'}")
    return 0 if speed_ok and memory_ok else 1


if __name__ == "__main__":
    sys.exit(main())
