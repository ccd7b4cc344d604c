"""Library benchmark: one update of every kept story against downloading only the stories
that grew.

A library of 20 stories (10 chapters of 3 pages each) is downloaded once. Then two of the
stories grow by two chapters, and the same state is measured two ways, each in a copy of
the home folder taken before either ran:

1. "update all": quillby --update-all checks all 20 stories; the 18 unchanged cost their
   story page and keep their books, the 2 grown fetch their new chapters and are rebuilt;
2. the baseline: quillby --download of the two grown stories alone, as a reader who knew
   which had grown would do it.

Requests are counted at the simulator. Times are wall-clock with the chapter pause set to
PAUSE_MS (between stories the update waits the same pause); the pause-free time takes the
pauses out, so it shows what checking and fetching cost.
"""

import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, ".."))
from benchsite import Simulator  # noqa: E402

FIRST, STORIES, CHAPTERS, PAGES, GROWN, NEW = 2401, 20, 10, 3, (2405, 2415), 2


def catalog(grown):
    stories = []
    for story in range(FIRST, FIRST + STORIES):
        count = CHAPTERS + (NEW if grown and story in GROWN else 0)
        parts = [{"id": story * 100 + i, "title": "Chapter %d" % i, "pages": PAGES}
                 for i in range(1, count + 1)]
        stories.append({"id": story, "slug": "tale", "title": "Tale %d" % story,
                        "author": "Bench", "description": "d", "parts": parts})
    return {"stories": stories}


def quillby(build, home, sim, pause_ms, args):
    env = dict(os.environ, HOME=home, XDG_DATA_HOME=os.path.join(home, ".local", "share"),
               XDG_CONFIG_HOME=os.path.join(home, ".config"),
               XDG_CACHE_HOME=os.path.join(home, ".cache"), XDG_RUNTIME_DIR=home,
               QUILLBY_BASE_URL=sim.base, QUILLBY_CHAPTER_PAUSE_MS=str(pause_ms),
               DISPLAY="", WAYLAND_DISPLAY="")
    start = time.monotonic()
    run = subprocess.run([os.path.join(build, "quillby")] + args, env=env, text=True,
                         stdout=subprocess.PIPE, timeout=3600)
    seconds = time.monotonic() - start
    if run.returncode != 0:
        raise SystemExit("quillby %s ended with %d:\n%s" % (" ".join(args), run.returncode,
                                                            run.stdout[-2000:]))
    lines = run.stdout.splitlines()
    fetched = sum(1 for l in lines if l.startswith("chapter_") and "(saved copy)" not in l)
    built = sum(1 for l in lines if l == "building book ....")
    stories = sum(1 for l in lines if l.startswith("title:"))
    return seconds, len(sim.requests()), fetched, built, stories


def main():
    build = os.path.abspath(sys.argv[1])
    pause_ms = int(sys.argv[2]) if len(sys.argv) > 2 else 200
    with tempfile.TemporaryDirectory() as tmp:
        catalog_path = os.path.join(tmp, "catalog.json")
        with open(catalog_path, "w") as f:
            json.dump(catalog(False), f)
        sim = Simulator(catalog_path)
        try:
            home = os.path.join(tmp, "kept")
            os.makedirs(home)
            urls = ["%s/story/%d-tale" % (sim.base, s) for s in range(FIRST, FIRST + STORIES)]
            quillby(build, home, sim, 0, ["--download"] + urls)
            with open(catalog_path, "w") as f:
                json.dump(catalog(True), f)
            sim.requests()
            rows = []
            for name, args in (
                    ("update all (20 stories)", ["--update-all"]),
                    ("download the 2 grown", ["--download"] +
                     ["%s/story/%d-tale" % (sim.base, s) for s in GROWN])):
                copy = os.path.join(tmp, "run %d" % len(rows))
                shutil.copytree(home, copy, symlinks=True)
                seconds, requests, fetched, built, stories = quillby(build, copy, sim, pause_ms,
                                                                     args)
                # One pause after each fetched chapter, and one between two stories.
                pauses = fetched + (stories - 1 if args == ["--update-all"] else 0)
                rows.append((name, requests, fetched, built, seconds,
                             seconds - pauses * pause_ms / 1000.0))
        finally:
            sim.stop()
    print("%d kept stories of %d chapters of %d pages; %d grew by %d chapters; pause %d ms"
          % (STORIES, CHAPTERS, PAGES, len(GROWN), NEW, pause_ms))
    print("%-26s %8s %8s %6s %8s %8s %12s %9s" % (
        "run", "requests", "fetched", "built", "time s", "x base", "pause-free s", "x base"))
    base = rows[-1]
    for name, requests, fetched, built, seconds, free in rows:
        print("%-26s %8d %8d %6d %8.2f %8.3f %12.3f %9.3f" % (
            name, requests, fetched, built, seconds, seconds / base[4], free, free / base[5]))
    print("requests per unchanged story: %.2f" % (
        (rows[0][1] - rows[1][1]) / float(STORIES - len(GROWN))))


if __name__ == "__main__":
    main()
