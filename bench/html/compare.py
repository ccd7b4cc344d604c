#!/usr/bin/python3
"""Runs html_bench from a build folder next to BeautifulSoup on the same generated pages and
prints throughput, ratios, peak memory and the hostile pages' handling times.

Times are CPU seconds of the best repetition: the machine is shared, and wall-clock time
mostly measures the neighbours. Peak memory is a child process's peak RSS less that of the
same program on an empty page, i.e. what the page itself costs.
"""
import atexit
import json
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
BS4_WORK = os.path.join(HERE, "bs4_work.py")
PAGES = ("story", "chapter")
# Every page is at most 8 MB; these are the largest, real-looking and built to be costly.
LARGEST = ("story8", "chapter8", "plain8", "empties8", "attributes8", "formatting8", "breaks8",
           "links8", "unclosed8")
GUMBO_LIMIT_S = 30


def run(command):
    return subprocess.run(command, check=True, capture_output=True, text=True).stdout


def peak_rss_kb(command):
    """Runs a child to its end and returns its peak RSS in KiB and its output.

    GNU time starts the child from its own small process: Linux counts the RSS a child had
    before exec, so a child forked from this Python process would start at Python's size.
    """
    with tempfile.NamedTemporaryFile("r") as report:
        output = run(["/usr/bin/time", "-f", "%M", "-o", report.name] + command)
        return int(report.read().split()[-1]), output.strip()


def ours_times(bench, pages):
    # Interleaved repetitions, so that a burst of load on the machine hits all kinds alike.
    report = json.loads(run([bench, "--pages=" + pages, "--benchmark_format=json",
                             "--benchmark_repetitions=9", "--benchmark_min_time=0.2",
                             "--benchmark_enable_random_interleaving=true"]))
    best = {}
    for entry in report["benchmarks"]:
        if entry.get("run_type", "iteration") == "iteration":
            seconds = entry["cpu_time"] / 1000.0  # html_bench reports milliseconds
            best[entry["run_name"]] = min(best.get(entry["run_name"], seconds), seconds)
    return best


def parse_seconds(compare, parser, page):
    """CPU seconds of one parse by parser_compare, or ">N s" when it did not end in time."""
    try:
        output = subprocess.run([compare, "time", parser, page], check=True, capture_output=True,
                                text=True, timeout=GUMBO_LIMIT_S).stdout
    except subprocess.TimeoutExpired:
        return ">%d s" % GUMBO_LIMIT_S
    return "%.3f" % float(output.split()[0])


def bs4_time(page, mode, repeats):
    return float(run([sys.executable, BS4_WORK, "time", page, mode, str(repeats)]))


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else "build"
    bench = os.path.join(build, "bench", "html_bench")
    if not os.access(bench, os.X_OK):
        sys.exit("no html_bench in %s/bench; build the project there first" % build)
    pages = tempfile.mkdtemp(prefix="html-bench-")
    atexit.register(shutil.rmtree, pages, True)
    run([bench, "generate", pages])
    path = {name: os.path.join(pages, name + ".html")
            for name in PAGES + ("unclosed", "deep", "empty")}
    ours = ours_times(bench, pages)

    print("%-8s %8s | %-28s | %8s %8s %6s | %6s %6s" % (
        "page", "size", "MB/s: libxml2 / parse / full", "bs4parse", "bs4full", "x bs4",
        "full/", "parse/"))
    print("%-8s %8s | %-28s | %8s %8s %6s | %6s %6s" % (
        "", "", "", "MB/s", "MB/s", "(full)", "libxml", "libxml"))
    for name in PAGES:
        size = os.path.getsize(path[name]) / 1e6
        repeats = 3 if name == "story" else 10
        bare, parse, full = (ours["%s/%s" % (kind, name)]
                             for kind in ("libxml2_parse", "parse", "full"))
        soup_parse = bs4_time(path[name], "parse", repeats)
        soup_full = bs4_time(path[name], "full", repeats)
        print("%-8s %6.2fMB | %8.1f / %7.1f / %7.1f | %8.2f %8.2f %5.1fx | %5.2fx %5.2fx" % (
            name, size, size / bare, size / parse, size / full, size / soup_parse,
            size / soup_full, soup_full / full, full / bare, parse / bare))
        print("%-8s %8s | parse alone %.1fx bs4's" % ("", "", soup_parse / parse))

    print("\npeak memory above an empty page, KiB (x page size); full work unless bare")
    runs = {"ours": [bench, "work"], "libxml2 bare": [bench, "bare"],
            "bs4": [sys.executable, BS4_WORK, "work"]}
    base = {who: peak_rss_kb(command + [path["empty"]])[0] for who, command in runs.items()}
    for name in PAGES:
        size_kb = os.path.getsize(path[name]) / 1024.0
        cells = []
        for who, command in runs.items():
            above = peak_rss_kb(command + [path[name]])[0] - base[who]
            cells.append("%s %6d (%4.1fx)" % (who, above, above / size_kb))
        print("%-8s %s" % (name, "   ".join(cells)))

    print("\nhostile pages (limit 2 s each)")
    for name in ("unclosed", "deep"):
        _, output = peak_rss_kb([bench, "work", path[name]])
        seconds, outcome = output.split(" ", 1)
        size = os.path.getsize(path[name]) / 1e6
        print("%-8s %5.2fMB %7.3f s  %s" % (name, size, float(seconds), outcome))

    compare = os.path.join(build, "bench", "parser_compare")
    print("\n8 MB pages: our whole work on a page (limit 2 s), CPU seconds, next to a bare parse")
    print("%-12s %8s %9s %8s %9s  %s" % ("page", "ours", "peak MB", "libxml2", "gumbo", "outcome"))
    for name in LARGEST:
        rss, output = peak_rss_kb([bench, "work", os.path.join(pages, name + ".html")])
        seconds, outcome = output.split(" ", 1)
        bare = parse_seconds(compare, "libxml2", os.path.join(pages, name + ".html"))
        gumbo = parse_seconds(compare, "gumbo", os.path.join(pages, name + ".html"))
        print("%-12s %8.3f %9.0f %8s %9s  %s" % (name, float(seconds), rss / 1024.0, bare, gumbo,
                                                 outcome[:90]))

    print()
    print(run([compare, "corpus", "130"]).rstrip())


if __name__ == "__main__":
    main()
