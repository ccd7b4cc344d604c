#!/usr/bin/env python3
"""Pipeline benchmark: the book made while the downloader runs, against building it after.

bench_pipeline.py BUILD_DIR [--chapters 100|1000] [--pause MS] [--rounds R] [--builds B]
bench_pipeline.py BUILD_DIR --update [--pause MS] [--rounds R] [--builds B]

Each round downloads the simulator's story of that many chapters (story 1300 or 1301,
about 25 KB over three pages each) with `quillby --download`, in a fresh home: every
chapter is fetched, with the chapter pause after each, and the render cache starts empty.
The time from the downloader's end to the saved book runs from the run log's "done" (the
line quillby mirrors as soon as the downloader has ended) to quillby's "save pdf file" line.

The same round then builds the same chapter files with quillbook from scratch, with an
empty render cache: once with one render worker and once with one per processor
(QUILLBY_RENDER_WORKERS), timing wall and CPU time of each. The targets: the pipeline's
time after "done" at most 0.1 of the whole build (with every worker), and the build with
every worker at most 0.6 of the one with one worker, in wall time. Each whole build runs
--builds times (default 3), the two kinds alternating, and the fastest of each kind counts,
which keeps the comparison fair on a busy machine. Ratios are taken within a round; the best
round's and the spread over the rounds are printed.

The last pause must hold the book's merge for the book to be ready when the download
ends: a 1000-chapter book (7000 pages) takes about two seconds to merge and finish, where
the product pauses 20 s. --update measures that case without a thousand long pauses: the
1000-chapter story is downloaded once without pauses (which fills the chapter store and the
render cache), then it grows by two chapters and is updated with the pause after each of
them, as a story that gets new chapters is. Beside the pipeline's time after "done" it
prints what building the updated book from the render cache takes once the download has
ended, as it did before the book was made during the download.
"""

import argparse
import json
import os
import resource
import shutil
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, ".."))
from benchsite import Simulator  # noqa: E402

STORIES = {100: 1300, 1000: 1301}
PIPELINE_TARGET, WORKERS_TARGET = 0.1, 0.6


def children_cpu():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def download(build, root, base, story, pause, fresh=True):
    """Seconds from "done" to the saved book, the whole run's wall seconds, whether the book
    made ahead was saved, and the work folder. A fresh home has an empty store and cache."""
    home = os.path.join(root, "home")
    if fresh:
        shutil.rmtree(home, ignore_errors=True)
        os.makedirs(home)
    if os.path.exists(home + "/debug.log"):
        os.remove(home + "/debug.log")
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=home + "/.config",
               XDG_DATA_HOME=home + "/.local/share", XDG_CACHE_HOME=home + "/.cache",
               XDG_RUNTIME_DIR=home, QUILLBY_BASE_URL=base,
               QUILLBY_CHAPTER_PAUSE_MS=str(pause), QUILLBY_DEBUG_LOG=home + "/debug.log",
               DISPLAY="", WAYLAND_DISPLAY="")
    start = time.perf_counter()
    done = saved = None
    with subprocess.Popen([os.path.join(build, "quillby"), "--download",
                           "%s/story/%d" % (base, story)], env=env, stdout=subprocess.PIPE,
                          stderr=subprocess.DEVNULL, text=True) as p:
        for line in p.stdout:
            now = time.perf_counter()
            if line.rstrip("\n") == "done" and done is None:
                done = now
            elif line.startswith("save pdf file ") and saved is None:
                saved = now
    wall = time.perf_counter() - start
    if p.returncode != 0 or done is None or saved is None:
        sys.exit("quillby --download failed (exit %d)" % p.returncode)
    with open(home + "/debug.log", encoding="utf-8", errors="replace") as log:
        ahead = "the book made ahead is saved" in log.read()
    work = os.path.join(home, "Documents", "Inkvale", "Quillby Downloader", "tmp")
    return saved - done, wall, ahead, work


def story_language(work):
    """The story's language as the run log names it, which shapes the pages (hyphenation)
    and so their cache keys: the whole builds make the same book as the download."""
    with open(os.path.join(work, "run.log"), encoding="utf-8", errors="replace") as log:
        for line in log:
            if line.startswith("language:"):
                return line[len("language:"):].strip()
    return ""


def whole_build(build, root, work, chapters, workers, cache=None):
    """Wall and CPU seconds of quillbook building the chapter files, from scratch unless a
    render cache is given."""
    folder, data = (os.path.join(root, d) for d in ("build-work", "build-data"))
    if cache is None:
        cache = os.path.join(root, "cache")
        shutil.rmtree(cache, ignore_errors=True)
    for d in (folder, data):
        shutil.rmtree(d, ignore_errors=True)
    os.makedirs(folder)
    os.makedirs(data)
    for name in ["cover.jpg"] + ["%d.html" % n for n in range(chapters + 1)]:
        if os.path.exists(os.path.join(work, name)):
            shutil.copy(os.path.join(work, name), folder)
    env = dict(os.environ, QUILLBY_RENDER_WORKERS=str(workers))
    cpu, start = children_cpu(), time.perf_counter()
    language = story_language(work)
    result = subprocess.run([os.path.join(build, "quillbook"), "--render-cache", cache]
                            + (["--language", language] if language else [])
                            + [folder, "Pipeline Bench", str(chapters), data], env=env,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wall = time.perf_counter() - start
    if result.returncode != 0:
        sys.exit("quillbook failed (exit %d)" % result.returncode)
    return wall, children_cpu() - cpu


def best_builds(build, root, work, chapters, workers, times):
    """The fastest of `times` whole builds with one worker and with `workers`, alternating."""
    one, every = [], []
    for _ in range(times):
        one.append(whole_build(build, root, work, chapters, 1))
        every.append(whole_build(build, root, work, chapters, workers))
    return min(one), min(every)


def grown_catalog(path, parts):
    """Story 1301 with `parts` chapters, for the simulator to serve in its place."""
    with open(path, "w", encoding="utf-8") as f:
        json.dump({"stories": [{
            "id": STORIES[1000], "slug": "thousand-chapters", "title": "A Thousand Chapters",
            "author": "Test Author", "description": "Grown by two chapters.",
            "generate": {"parts": parts, "pages": 3, "paragraphs": 85,
                         "first_part_id": 9100001}}]}, f)
    time.sleep(1.1)  # the simulator reads the file again when its time changes


def spread(values):
    return "%.3f (%.3f-%.3f)" % (min(values), min(values), max(values))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build_dir")
    parser.add_argument("--chapters", type=int, default=100, choices=sorted(STORIES))
    parser.add_argument("--pause", type=int, default=None)
    parser.add_argument("--rounds", type=int, default=2)
    parser.add_argument("--builds", type=int, default=3)
    parser.add_argument("--update", action="store_true")
    args = parser.parse_args()
    build = os.path.abspath(args.build_dir)
    for program in ("quillby", "quillbook"):
        if not os.access(os.path.join(build, program), os.X_OK):
            sys.exit("no %s in %s: build it first" % (program, build))
    root = os.path.join(build, "bench-pipeline")
    os.makedirs(root, exist_ok=True)
    workers = os.cpu_count() or 1
    chapters = 1002 if args.update else args.chapters
    pause = args.pause if args.pause is not None else (3000 if args.update else 500)
    catalog = os.path.join(root, "catalog.json")
    grown_catalog(catalog, 1000)

    sim = Simulator(catalog)
    rows, pipeline_ratios, worker_ratios = [], [], []
    try:
        for _ in range(args.rounds):
            story = STORIES[1000 if args.update else args.chapters]
            cached = None
            if args.update:
                grown_catalog(catalog, 1000)
                download(build, root, sim.base, story, 0)
                grown_catalog(catalog, 1002)
                after, wall, ahead, work = download(build, root, sim.base, story, pause, False)
                home_cache = os.path.join(root, "home", ".cache", "quillby", "render")
                cached = whole_build(build, root, work, chapters, workers, home_cache)
            else:
                after, wall, ahead, work = download(build, root, sim.base, story, pause)
            one, every = best_builds(build, root, work, chapters, workers, args.builds)
            rows.append((after, wall, ahead, one, every, cached))
            pipeline_ratios.append(after / every[0])
            worker_ratios.append(every[0] / one[0])
    finally:
        sim.stop()

    what = "update of a 1000-chapter story by 2" if args.update else "story of %d" % chapters
    print("pipeline benchmark: %s chapters, pause %d ms, %d round(s), best of %d builds, load "
          "average %.1f on %d cores" % (what, pause, args.rounds, args.builds,
                                        os.getloadavg()[0], workers))
    print("%-7s%14s%12s%8s%21s%21s%s" % ("round", "done->saved s", "download s", "ahead",
                                         "1 worker wall/cpu s", "%d workers wall/cpu s" % workers,
                                         "   cached build s" if args.update else ""))
    for i, (after, wall, ahead, one, every, cached) in enumerate(rows, start=1):
        print("%-7d%14.3f%12.1f%8s%12.2f /%6.2f%12.2f /%6.2f%s" % (
            i, after, wall, "yes" if ahead else "no", one[0], one[1], every[0], every[1],
            "%18.2f" % cached[0] if cached else ""))
    best_pipeline, best_workers = min(pipeline_ratios), min(worker_ratios)
    print("done->saved / whole build (%d workers): %s (target <= %.1f: %s)" % (
        workers, spread(pipeline_ratios), PIPELINE_TARGET,
        "ok" if best_pipeline <= PIPELINE_TARGET else "TOO SLOW"))
    print("whole build, %d workers / 1 worker, wall: %s (target <= %.1f: %s)" % (
        workers, spread(worker_ratios), WORKERS_TARGET,
        "ok" if best_workers <= WORKERS_TARGET else "TOO SLOW"))
    return 0 if best_pipeline <= PIPELINE_TARGET and best_workers <= WORKERS_TARGET else 1


if __name__ == "__main__":
    sys.exit(main())
