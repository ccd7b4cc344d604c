"""Resume benchmark: one story downloaded three times into fresh work folders that share a
chapter store, as the window does it.

1. the first run: every chapter is fetched, but one fails (it answers 500 once);
2. a re-run after that failure: only the failed chapter is fetched;
3. an update by two chapters (the catalog file grows): only the two new ones are fetched.

Each run's requests are counted at the simulator. Times are wall-clock with the chapter
pause set to PAUSE_MS; the pause-free time takes the pauses (one per fetched chapter) out,
so it shows what fetching itself cost.
"""

import base64
import json
import os
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, ".."))
from benchsite import Simulator  # noqa: E402

STORY = 1058
CHAPTERS, PAGES, FLAKY = 20, 3, 7


def catalog(chapters):
    parts = []
    for i in range(1, chapters + 1):
        part = {"id": STORY * 100 + i, "title": "Chapter %d" % i, "pages": PAGES}
        if i == FLAKY:
            part["href"] = "/flaky/bench%d/1/500{path}" % STORY
        parts.append(part)
    return {"stories": [{"id": STORY, "title": "Resume Bench", "author": "Bench",
                         "description": "d", "parts": parts}]}


def download(quillmain, sim, store, pause_ms):
    with tempfile.TemporaryDirectory() as work:
        ticket = json.dumps({"url": "%s/story/%d" % (sim.base, STORY), "dir": work,
                             "store": store})
        env = dict(os.environ, QUILLBY_BASE_URL=sim.base,
                   QUILLBY_CHAPTER_PAUSE_MS=str(pause_ms))
        start = time.monotonic()
        subprocess.run([quillmain, base64.b64encode(ticket.encode()).decode()], env=env,
                       check=True, stdout=subprocess.DEVNULL, timeout=600)
        seconds = time.monotonic() - start
        with open(os.path.join(work, "run.log"), encoding="utf-8") as f:
            lines = f.read().splitlines()
    fetched = sum(1 for l in lines if l.startswith("chapter_") and "(saved copy)" not in l)
    saved = sum(1 for l in lines if l.startswith("chapter_") and "(saved copy)" in l)
    failed = sum(1 for l in lines if l == "error ontimer")
    return seconds, fetched - failed, saved, failed


def main():
    quillmain = os.path.join(sys.argv[1], "bin", "quillmain")
    pause_ms = int(sys.argv[2]) if len(sys.argv) > 2 else 200
    with tempfile.TemporaryDirectory() as tmp:
        catalog_path = os.path.join(tmp, "catalog.json")
        with open(catalog_path, "w") as f:
            json.dump(catalog(CHAPTERS), f)
        store = os.path.join(tmp, "store")
        sim = Simulator(catalog_path)
        try:
            sim.requests()
            rows = []
            for name in ("first run", "re-run after a failure", "update by two chapters"):
                if name.startswith("update"):
                    with open(catalog_path, "w") as f:
                        json.dump(catalog(CHAPTERS + 2), f)
                seconds, fetched, saved, failed = download(quillmain, sim, store, pause_ms)
                rows.append((name, len(sim.requests()), fetched, saved, failed, seconds,
                             seconds - fetched * pause_ms / 1000.0))
        finally:
            sim.stop()
    print("%d chapters of %d pages, chapter %d fails once; pause %d ms after each fetched chapter"
          % (CHAPTERS, PAGES, FLAKY, pause_ms))
    print("%-24s %8s %8s %6s %6s %8s %7s %12s %7s" % (
        "run", "requests", "fetched", "saved", "failed", "time s", "x first", "pause-free s",
        "x first"))
    first = rows[0]
    for name, requests, fetched, saved, failed, seconds, free in rows:
        print("%-24s %8d %8d %6d %6d %8.2f %7.3f %12.3f %7.3f" % (
            name, requests, fetched, saved, failed, seconds, seconds / first[5], free,
            free / first[6]))


if __name__ == "__main__":
    main()
