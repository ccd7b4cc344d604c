#!/usr/bin/env python3
"""Pictures benchmark: a book with a chapter of 20 camera photographs against the same
chapters without pictures, and the libraries that could scale the photographs.

bench_pictures.py BUILD_DIR [--photos N] [--chapters C] [--rounds R]

The photographs are 4000 x 3000 JPEGs of about 3 MB, made once with ImageMagick and kept
in BUILD_DIR/bench/pictures-data. Chapter 2 of C text chapters (bench/render/make_chapters.py)
shows all N of them, with the list the downloader writes beside it; the baseline is the same
work folder without the list, which is how a text-only book is made. quillbook makes both
editions of each, R times, alternating, without a render cache; the fastest round counts.
Then bench_scale decodes the photographs, scales them to 1600 pixels wide and encodes them
with libvips, ImageMagick and gdk-pixbuf, each in a process of its own for its peak memory.
"""

import argparse
import hashlib
import json
import os
import shutil
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
MAKE_CHAPTERS = os.path.join(HERE, "..", "render", "make_chapters.py")
MIB = 1024 * 1024


def photographs(folder, count):
    """N distinct photograph-like JPEGs of 4000 x 3000, made once."""
    os.makedirs(folder, exist_ok=True)
    base = os.path.join(folder, "base.png")
    if not os.path.exists(base):
        subprocess.run(["convert", "-size", "800x600", "-seed", "1", "plasma:fractal",
                        "-blur", "0x2", base], check=True)
    paths = []
    for i in range(count):
        path = os.path.join(folder, "photo-%02d.jpg" % i)
        if not os.path.exists(path):
            print("making photograph %d of %d" % (i + 1, count), flush=True)
            subprocess.run(["convert", base, "-resize", "4000x3000!", "-attenuate", "0.4",
                            "+noise", "Gaussian", "-modulate", "100,100,%d" % (60 + 7 * i),
                            "-quality", "88", "jpg:" + path + ".part"], check=True)
            os.rename(path + ".part", path)
        paths.append(path)
    return paths


def work_folder(folder, chapters, photos, with_pictures):
    shutil.rmtree(folder, ignore_errors=True)
    subprocess.run([sys.executable, MAKE_CHAPTERS, folder, str(chapters)], check=True,
                   stdout=subprocess.DEVNULL)
    links, images = [], []
    for i, photo in enumerate(photos):
        with open(photo, "rb") as f:
            data = f.read()
        name = "picture-%s.jpg" % hashlib.sha256(data).hexdigest()[:16]
        src = "/pictures/photo-%02d.jpg" % i
        images.append('<p><img src="%s" alt="Photograph %d"></p>' % (src, i + 1))
        links.append({"src": src, "file": name})
        if with_pictures:
            shutil.copyfile(photo, os.path.join(folder, name))
    chapter = os.path.join(folder, "2.html")
    with open(chapter, encoding="utf-8") as f:
        text = f.read()
    with open(chapter, "w", encoding="utf-8") as f:
        f.write(text.replace("</div>\n", "\n".join(images) + "\n</div>\n", 1))
    if with_pictures:
        with open(os.path.join(folder, "2.pictures.json"), "w") as f:
            json.dump({"pictures": links}, f)


def build(quillbook, work, data, chapters):
    """Wall seconds, peak resident bytes of the largest process (quillbook or its render
    worker, which draws the pictures), and the sizes of the PDF and the EPUB."""
    shutil.rmtree(data, ignore_errors=True)
    os.makedirs(data)
    for name in os.listdir(work):
        if name.endswith(".pdf") or name.startswith("book-") or name.startswith(".render-"):
            os.remove(os.path.join(work, name))
    start = time.perf_counter()
    child = subprocess.Popen([quillbook, "--format", "both", work, "Pictures Bench",
                              str(chapters), data], stdout=subprocess.PIPE,
                             stderr=subprocess.DEVNULL, text=True)
    out = child.stdout.read()
    _, status, usage = os.wait4(child.pid, 0)
    wall = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit("quillbook failed:\n" + out)
    size = lambda ext: os.path.getsize(os.path.join(data, "Pictures Bench" + ext))
    return wall, usage.ru_maxrss * 1024, size(".pdf"), size(".epub")


def scale(bench_scale, library, photos):
    child = subprocess.Popen([bench_scale, library] + photos, stdout=subprocess.PIPE, text=True)
    out = child.stdout.read()
    _, status, usage = os.wait4(child.pid, 0)
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit("bench_scale %s failed" % library)
    return float(out), usage.ru_maxrss * 1024


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build_dir")
    parser.add_argument("--photos", type=int, default=20)
    parser.add_argument("--chapters", type=int, default=5)
    parser.add_argument("--rounds", type=int, default=2)
    args = parser.parse_args()
    build_dir = os.path.abspath(args.build_dir)
    quillbook = os.path.join(build_dir, "quillbook")
    scratch = os.path.join(build_dir, "bench", "pictures-data")
    photos = photographs(scratch, args.photos)

    plain, pictured = os.path.join(scratch, "plain"), os.path.join(scratch, "pictured")
    work_folder(plain, args.chapters, photos, False)
    work_folder(pictured, args.chapters, photos, True)
    best = {}
    for _ in range(args.rounds):
        for name, work in (("plain", plain), ("pictured", pictured)):
            result = build(quillbook, work, os.path.join(scratch, name + "-data"), args.chapters)
            if name not in best or result[0] < best[name][0]:
                best[name] = result
    originals = sum(os.path.getsize(p) for p in photos)
    print("%d chapters, chapter 2 with %d photographs of 4000 x 3000 (%.1f MB as fetched)"
          % (args.chapters, len(photos), originals / MIB))
    print("%-26s %9s %9s %9s %9s" % ("", "build", "peak*", "PDF", "EPUB"))
    for name in ("plain", "pictured"):
        wall, peak, pdf, epub = best[name]
        print("%-26s %8.2fs %7.0fMB %7.2fMB %7.2fMB" % (
            "without pictures" if name == "plain" else "with pictures", wall, peak / MIB,
            pdf / MIB, epub / MIB))
    (pw, pp, ppdf, pepub), (qw, qp, qpdf, qepub) = best["plain"], best["pictured"]
    print("ratio with/without: build %.2f, peak %.2f, PDF %.1f, EPUB %.1f"
          % (qw / pw, qp / pp, qpdf / ppdf, qepub / pepub))
    print("books' share of the photographs as fetched: PDF %.0f %%, EPUB %.0f %%"
          % (100 * (qpdf - ppdf) / originals, 100 * (qepub - pepub) / originals))
    print("* the largest process: the builder, or the render worker drawing the pictures")

    bench_scale = os.path.join(build_dir, "bench", "bench_scale")
    if os.path.exists(bench_scale):
        print("\none photograph to 1600 pixels wide, JPEG quality 85 (ms each, peak)")
        results = {library: scale(bench_scale, library, photos)
                   for library in ("vips", "magick", "pixbuf")}
        for library, (ms, peak) in results.items():
            print("%-10s %7.1f ms %7.0f MB   %.2f of libvips' time" % (
                library, ms, peak / MIB, ms / results["vips"][0]))


if __name__ == "__main__":
    main()
