#!/usr/bin/env python3
"""Render benchmark: a whole book through quillbook against wkhtmltopdf once per chapter.

The book is built in its default look for an English story (justified, with soft hyphens),
and again ragged right, without hyphens, as books were set before; their ratio is printed.

bench_render.py BUILD_DIR [--chapters N] [--cli-runs M] [--rounds R]
bench_render.py BUILD_DIR --update [--chapters N]

Both sides render the same chapter files in the same run. quillbook's time is the whole
job from chapter files to the finished, merged book; the command-line peer only renders
(no merge). quillbook's own debug line splits its book step into the PDFium merge and the
finishing step (outline, information, page labels and numbers, the atomic save). When --cli-runs is below --chapters, the peer's time is scaled up to all
chapters. Each side runs --rounds times (default 2), alternating, and the fastest round
of each counts, which keeps the comparison fair on a busy machine.

--update measures the render cache (default 1000 chapters): a first build with an empty
cache renders every chapter; then two chapters change and the book is built again, --rounds
times (default 3). The update should take at most the merge plus two renders, measured in
the same run by a build of just those two chapters; the best round of each counts.
"""

import argparse
import os
import re
import resource
import shutil
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
TARGET_RATIO = 1 / 8
# Justified text with soft hyphens against the ragged right of before, on the same chapters.
JUSTIFIED_TARGET = 1.15
# The book's default look for an English story, and the ragged one it replaced.
JUSTIFIED = ("--language", "en")
RAGGED = ("--language", "en", "--ragged")


def children_cpu():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def prepare(folder, chapters):
    marker = os.path.join(folder, f"{chapters}.html")
    if not os.path.exists(marker) or os.path.exists(os.path.join(folder, f"{chapters + 1}.html")):
        shutil.rmtree(folder, ignore_errors=True)
        subprocess.run([sys.executable, os.path.join(HERE, "make_chapters.py"), folder,
                        str(chapters)], check=True)
    for name in os.listdir(folder):
        if name.endswith(".pdf"):
            os.remove(os.path.join(folder, name))


def book_steps(debug_log):
    """Seconds of the merge and of the finishing step, from quillbook's debug line."""
    with open(debug_log, encoding="utf-8") as log:
        found = re.findall(r"book: merged in (\d+) ms, finished in (\d+) ms", log.read())
    if not found:
        sys.exit("quillbook wrote no timing line")
    merged, finished = found[-1]
    return int(merged) / 1000, int(finished) / 1000


def run_quillbook(quillbook, work, data, chapters, cache=None, look=()):
    """Wall and CPU seconds of one build, the wall second at which merging began, and the
    seconds of the merge and of the finishing step."""
    shutil.rmtree(data, ignore_errors=True)
    os.makedirs(data)
    debug_log = os.path.join(os.path.dirname(data), "debug.log")
    if os.path.exists(debug_log):
        os.remove(debug_log)
    env = dict(os.environ, QUILLBY_DEBUG_LOG=debug_log)
    cpu, start = children_cpu(), time.perf_counter()
    merge_at = None
    args = [quillbook] + (["--render-cache", cache] if cache else []) + list(look)
    with subprocess.Popen(args + [work, "Render Bench", str(chapters), data, "Bench Author",
                                  "https://bench.example/story/1"], env=env,
                          stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True) as p:
        lines = []
        for line in p.stdout:
            if line.startswith("building book") and merge_at is None:
                merge_at = time.perf_counter() - start
            lines.append(line.rstrip("\n"))
    wall = time.perf_counter() - start
    if p.returncode != 0 or not lines or not os.path.exists(lines[-1]):
        sys.exit(f"quillbook failed (exit {p.returncode})")
    return (wall, children_cpu() - cpu, merge_at or wall, lines[-1]) + book_steps(debug_log)


def run_cli(work, out, runs):
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    cpu, start = children_cpu(), time.perf_counter()
    for n in range(1, runs + 1):
        subprocess.run(["wkhtmltopdf", "--quiet", os.path.join(work, f"{n}.html"),
                        os.path.join(out, f"{n}.pdf")],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return time.perf_counter() - start, children_cpu() - cpu


def page_count(pdf):
    info = subprocess.run(["pdfinfo", pdf], capture_output=True, text=True).stdout
    for line in info.splitlines():
        if line.startswith("Pages:"):
            return int(line.split()[1])
    return 0


def change_chapter(path):
    with open(path, "a", encoding="utf-8") as f:
        f.write('<div class="page">\n<p>A late correction, added %s.</p>\n</div>\n'
                % time.strftime("%H:%M:%S"))


def run_update(quillbook, root, chapters, rounds):
    """A full build that fills an empty cache, then updates of two changed chapters."""
    source = os.path.join(root, f"work-{chapters}")
    prepare(source, chapters)
    work, data, cache, pair = (os.path.join(root, d) for d in ("update", "data", "cache", "pair"))
    for folder in (work, cache, pair):
        shutil.rmtree(folder, ignore_errors=True)
    shutil.copytree(source, work)
    os.makedirs(pair)

    full_wall, _, full_merge_at, _ = run_quillbook(quillbook, work, data, chapters, cache)[:4]
    changed = [chapters // 2, chapters]
    updates, merges, pairs = [], [], []
    for _ in range(rounds):
        for n in changed:
            change_chapter(os.path.join(work, f"{n}.html"))
        wall, _, merge_at, book = run_quillbook(quillbook, work, data, chapters, cache)[:4]
        updates.append((wall, merge_at))
        merges.append(wall - merge_at)
        pages = page_count(book)
        # The two changed chapters alone, without a cache: the worker's start and two renders.
        for i, n in enumerate(changed, start=1):
            shutil.copy(os.path.join(work, f"{n}.html"), os.path.join(pair, f"{i}.html"))
        pairs.append(run_quillbook(quillbook, pair, os.path.join(root, "pair-data"), 2)[2])
    wall, merge_at = min(updates)
    merge, two_renders = min(merges), min(pairs)

    target = merge + two_renders
    print(f"render cache benchmark: {chapters} chapters of ~25 KB, book of {pages} pages, "
          f"best of {rounds} update(s), load average {os.getloadavg()[0]:.1f} on "
          f"{os.cpu_count()} cores")
    print(f"{'':40}{'wall s':>9}")
    print(f"{'first build, empty cache (all render)':40}{full_wall:9.2f}"
          f"   (rendering {full_merge_at:.2f})")
    print(f"{'update of 2 changed chapters':40}{wall:9.2f}")
    print(f"{'  taking pages and rendering':40}{merge_at:9.2f}")
    print(f"{'  merging and saving':40}{wall - merge_at:9.2f}")
    print(f"{'merge alone (best round)':40}{merge:9.2f}")
    print(f"{'2 renders alone (worker start + 2)':40}{two_renders:9.2f}")
    ratio = wall / target
    verdict = "ok" if ratio <= 1 else "TOO SLOW"
    print(f"update / (merge + 2 renders): {ratio:.2f} (target <= 1: {verdict}); "
          f"update / first build: {wall / full_wall:.3f}")
    return 0 if ratio <= 1 else 1


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build_dir")
    parser.add_argument("--chapters", type=int, default=None)
    parser.add_argument("--cli-runs", type=int, default=None)
    parser.add_argument("--rounds", type=int, default=None)
    parser.add_argument("--update", action="store_true")
    args = parser.parse_args()

    build = os.path.abspath(args.build_dir)
    quillbook = os.path.join(build, "quillbook")
    if not os.access(quillbook, os.X_OK):
        sys.exit(f"no quillbook in {build}: build the target first")
    root = os.path.join(build, "bench-render")
    if args.update:
        return run_update(quillbook, root, args.chapters or 1000, args.rounds or 3)
    args.chapters = args.chapters or 100
    args.rounds = args.rounds or 2
    cli_runs = min(args.cli_runs or args.chapters, args.chapters)
    if shutil.which("wkhtmltopdf") is None:
        sys.exit("wkhtmltopdf is not installed")
    work, data, out = (os.path.join(root, d) for d in ("work", "data", "cli"))
    prepare(work, args.chapters)

    ours, ragged, peer = [], [], []
    for _ in range(args.rounds):
        ours.append(run_quillbook(quillbook, work, data, args.chapters, look=JUSTIFIED))
        ragged.append(run_quillbook(quillbook, work, data, args.chapters, look=RAGGED))
        peer.append(run_cli(work, out, cli_runs))
    wall, cpu, merge_at, book, merged, finished = min(ours)
    ragged_wall, ragged_cpu = min(ragged)[:2]
    cli_wall, cli_cpu = min(peer)
    scale = args.chapters / cli_runs
    cli_wall, cli_cpu = cli_wall * scale, cli_cpu * scale

    n = args.chapters
    print(f"render benchmark: {n} chapters of ~25 KB over three pages, "
          f"book of {page_count(book)} pages, best of {args.rounds} round(s), "
          f"load average {os.getloadavg()[0]:.1f} on {os.cpu_count()} cores")
    print(f"{'':34}{'wall s':>9}{'cpu s':>9}{'wall/chapter':>15}")
    print(f"{'quillbook, chapter files to book':34}{wall:9.2f}{cpu:9.2f}{wall / n * 1000:12.1f} ms")
    print(f"{'  rendering':34}{merge_at:9.2f}")
    print(f"{'  merging and saving':34}{wall - merge_at:9.2f}")
    print(f"{'    PDFium merge':34}{merged:9.2f}")
    print(f"{'    finishing (qpdf, atomic save)':34}{finished:9.2f}{'':9}"
          f"{finished / wall * 100:12.1f} %")
    note = "" if cli_runs == n else f" (measured {cli_runs}, scaled)"
    print(f"{'wkhtmltopdf once per chapter':34}{cli_wall:9.2f}{cli_cpu:9.2f}"
          f"{cli_wall / n * 1000:12.1f} ms{note}")
    print(f"{'quillbook, ragged right':34}{ragged_wall:9.2f}{ragged_cpu:9.2f}"
          f"{ragged_wall / n * 1000:12.1f} ms")
    ratio = wall / cli_wall
    verdict = "ok" if ratio <= TARGET_RATIO else "TOO SLOW"
    print(f"ratio quillbook / wkhtmltopdf: wall {ratio:.3f}, cpu {cpu / cli_cpu:.3f} "
          f"(target wall <= {TARGET_RATIO:.3f}: {verdict})")
    justified = wall / ragged_wall
    justified_verdict = "ok" if justified <= JUSTIFIED_TARGET else "TOO SLOW"
    print(f"ratio justified and hyphenated / ragged right: wall {justified:.3f}, "
          f"cpu {cpu / ragged_cpu:.3f} (target wall <= {JUSTIFIED_TARGET:.2f}: "
          f"{justified_verdict})")
    return 0 if ratio <= TARGET_RATIO and justified <= JUSTIFIED_TARGET else 1


if __name__ == "__main__":
    sys.exit(main())
