"""The simulator's contract with the downloader: page shapes, scenarios, log, odd responses."""

import http.client
import json
import os
import re
import subprocess
import sys
import tempfile
import threading
import struct
import time
import unittest
import zlib
from html.parser import HTMLParser

HERE = os.path.dirname(os.path.abspath(__file__))
SIM_DIR = os.path.dirname(HERE)
sys.path.insert(0, SIM_DIR)

import sim_catalog  # noqa: E402
import sim_hostile  # noqa: E402
import sim_server  # noqa: E402

PREFETCHED_RE = re.compile(r"<script>\s*window\.prefetched\s*=\s*(.*?);?</script>", re.DOTALL)


def page_count(html):
    """part.pages of the window.prefetched data, read as the downloader reads it (JSON)."""
    part = json.loads(PREFETCHED_RE.search(html).group(1))["part"]
    if "pages" in part:
        return part["pages"]
    other_case = [value for key, value in part.items() if key.lower() == "pages"]
    return other_case[-1] if other_case else None


class Elements(HTMLParser):
    """Collects elements with their ancestors, enough to emulate the downloader's selectors."""

    def __init__(self, text):
        super().__init__(convert_charrefs=True)
        self.stack, self.found = [], []
        self.feed(text)

    def handle_starttag(self, tag, attrs):
        node = {"tag": tag, "attrs": dict(attrs), "text": "", "parents": list(self.stack)}
        self.found.append(node)
        if tag not in ("meta", "link", "input", "img", "br"):
            self.stack.append(node)

    def handle_endtag(self, tag):
        while self.stack:
            if self.stack.pop()["tag"] == tag:
                break

    def handle_data(self, data):
        for node in self.stack:
            node["text"] += data

    def select(self, tag, within=lambda parents: True, **attrs):
        return [n for n in self.found if n["tag"] == tag and within(n["parents"])
                and all(n["attrs"].get(k.rstrip("_")) == v for k, v in attrs.items())]


def has(parents, tag, cls=None):
    return any(p["tag"] == tag and (cls is None or cls in (p["attrs"].get("class") or "").split())
               for p in parents)


class SimTestCase(unittest.TestCase):
    catalog_extra = None

    @classmethod
    def setUpClass(cls):
        path = None
        if cls.catalog_extra is not None:
            cls.tmp = tempfile.TemporaryDirectory()
            path = os.path.join(cls.tmp.name, "extra.json")
            with open(path, "w", encoding="utf-8") as f:
                json.dump(cls.catalog_extra, f)
        cls.server = sim_server.SimServer(("127.0.0.1", 0), sim_catalog.load(path))
        cls.port = cls.server.server_address[1]
        cls.thread = threading.Thread(target=cls.server.serve_forever, args=(0.05,), daemon=True)
        cls.thread.start()

    @classmethod
    def tearDownClass(cls):
        cls.server.stop()
        cls.server.server_close()

    def get(self, path, timeout=10):
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=timeout)
        try:
            conn.request("GET", path)
            response = conn.getresponse()
            return response.status, dict(response.getheaders()), response.read()
        finally:
            conn.close()

    def text(self, path):
        status, _, body = self.get(path)
        self.assertEqual(status, 200, path)
        return body.decode("utf-8")


class StoryPageTest(SimTestCase):
    def test_metadata_is_the_first_ld_json_script(self):
        page = Elements(self.text("/story/1001-the-keepers-daughter"))
        scripts = page.select("script", type="application/ld+json")
        self.assertEqual(len(scripts), 2)
        meta = json.loads(scripts[0]["text"])
        self.assertEqual(meta["@type"], "Book")
        self.assertEqual(meta["headline"], "The Keeper’s Daughter — “A Winter at Pointe-Aubé”")
        self.assertEqual(meta["author"], {"@type": "Person", "name": "Maren Holloway"})
        self.assertEqual(meta["image"], "http://127.0.0.1:%d/covers/1001.jpg" % self.port)
        self.assertIn("description", meta)
        self.assertNotIn("headline", json.loads(scripts[1]["text"]))

    def test_table_of_contents_holds_exactly_the_parts(self):
        page = Elements(self.text("/story/1001"))
        links = page.select("a", lambda ps: has(ps, "div", "story-parts") and has(ps, "li"))
        self.assertEqual([a["attrs"]["href"] for a in links],
                         ["/100101-the-last-ferry", "/100102-salt-in-the-lamp-room",
                          "/100103-letters-from-quimper", "/100104-the-storm-log",
                          "/100105-morning-at-pointe-aube"])
        self.assertEqual(links[4]["text"].strip(), "Chapter 5: Morning at Pointe-Aubé")
        self.assertNotEqual(links[0]["text"], links[0]["text"].strip())
        self.assertFalse(page.select("ul", **{"class": "table-of-contents"}))

    def test_sample_text_has_the_characters_the_book_must_survive(self):
        pages = [self.text("/10010%d-x/page/%d" % (c, p)) for c in range(1, 6) for p in (1, 2)]
        text = "".join(pages)
        for needle in ["\u201c", "\u2019", "\u2014", "\u00e9", "\u00a0", "&amp;", "<i>", "<b>"]:
            self.assertIn(needle, text)

    def test_host_header_decides_absolute_addresses(self):
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=10)
        conn.request("GET", "/story/1001", headers={"Host": "localhost:%d" % self.port})
        body = conn.getresponse().read().decode()
        conn.close()
        self.assertIn('"image": "http://localhost:%d/covers/1001.jpg"' % self.port, body)

    def test_metadata_switches(self):
        def meta(story_id):
            scripts = Elements(self.text("/story/%d" % story_id)).select(
                "script", type="application/ld+json")
            return scripts[0]["text"] if scripts else None

        self.assertIsNone(meta(1002))
        self.assertNotIn("description", json.loads(meta(1003)))
        self.assertEqual(json.loads(meta(1004))["headline"], 1004)
        self.assertEqual(json.loads(meta(1005))["author"], "Test Author")
        self.assertEqual(json.loads(meta(1006))["image"], 1006)
        self.assertRaises(ValueError, json.loads, meta(1018))
        self.assertNotIn("name", json.loads(meta(1019))["author"])

    def test_a_story_is_reached_by_its_number_and_its_chapters_name_it(self):
        for path in ["/story/1058", "/story/1058-an-old-slug", "/story/1058/"]:
            status, headers, _ = self.get(path)
            self.assertEqual((status, headers["Location"]), (301, "/story/1058-seven-forms"), path)
        self.assertIn("Seven Forms", self.text("/story/1058-seven-forms"))
        # Without the redirect the number alone serves the page itself.
        self.assertIn("Page Count Tricks", self.text("/story/1051"))
        # A chapter's first view names its story in the metadata, as the story page does.
        scripts = Elements(self.text("/105802-dos")).select("script", type="application/ld+json")
        self.assertEqual(json.loads(scripts[0]["text"])["url"],
                         "http://127.0.0.1:%d/story/1058-seven-forms" % self.port)

    def test_covers(self):
        status, headers, body = self.get("/covers/1001.jpg")
        self.assertEqual((status, headers["Content-Type"]), (200, "image/jpeg"))
        self.assertEqual(body[:3], b"\xff\xd8\xff")
        status, headers, body = self.get("/covers/1017.jpg")
        self.assertEqual((headers["Content-Type"], body[:4]), ("image/png", b"\x89PNG"))
        self.assertEqual(self.get("/covers/1007.jpg")[0], 500)
        self.assertEqual(self.get("/covers/1008.jpg")[0], 404)
        self.assertEqual(self.get("/covers/4242.jpg")[0], 404)


class ChapterTest(SimTestCase):
    def test_first_view_carries_heading_count_contents_and_first_page(self):
        html = self.text("/100101-the-last-ferry")
        page = Elements(html)
        self.assertEqual(page_count(html), 3)
        headings = page.select("h1", **{"class": "h2"})
        self.assertEqual(headings[0]["text"].strip(), "Chapter 1: The Last Ferry")
        toc = page.select("a", lambda ps: has(ps, "ul", "table-of-contents"))
        self.assertEqual(len(toc), 5)
        self.assertEqual(len(page.select("pre")), 1)
        self.assertEqual(len(page.select("script", type="application/ld+json")), 2)

    def test_pages_hold_paragraphs_with_ids_in_a_bare_pre(self):
        html = self.text("/100102-salt-in-the-lamp-room/page/2")
        self.assertEqual(html.count("<pre>"), 1)
        self.assertEqual(html.count("</pre>"), 1)
        ids = re.findall(r'<p data-p-id="([^"]*)">', html)
        self.assertEqual(len(ids), 4)
        self.assertTrue(all(re.fullmatch("[0-9a-f]{32}", i) for i in ids))
        self.assertEqual(len(set(ids)), 4)
        self.assertEqual(self.get("/100102-salt-in-the-lamp-room/page/3")[0], 404)
        self.assertEqual(self.get("/100102/page/1")[0], 200)

    def test_page_count_variants_read_as_json(self):
        def count(part_id):
            return page_count(self.text("/%d" % part_id))

        self.assertEqual(count(101201), 2)  # "PAGES": the key's case is ignored
        self.assertEqual(count(101202), 0)
        self.assertEqual(count(101203), 2)
        self.assertEqual(count(101204), 3)  # the last of repeated keys
        self.assertRaises(ValueError, count, 101205)
        self.assertEqual(count(101207), 1)  # "Pages"
        self.assertEqual(count(105101), 2)
        self.assertIn('"pages":1,', self.text("/105101"))  # in the text, before the data

    def test_links_may_name_the_servers_own_port_and_raw_contents_text(self):
        page = self.text("/story/1052")
        self.assertIn('href="http://localhost:%d/105202-part-105202"' % self.port, page)
        self.assertIn('href="@127.0.0.1:%d/105203-part-105203"' % self.port, page)
        self.assertIn("Opening&#13;chapter:1", self.text("/story/1050"))

    def test_text_block_variants(self):
        self.assertNotIn("<pre", self.text("/100801/page/2"))
        self.assertIn("<pre>", self.text("/100801/page/1"))
        self.assertIn('<pre class="text" dir="ltr">', self.text("/100802/page/1"))
        self.assertNotIn('class="h2"', self.text("/100803"))

    def test_http_errors_where_the_catalog_puts_them(self):
        self.assertEqual(self.get("/100702/page/1")[0], 200)
        self.assertEqual(self.get("/100702/page/2")[0], 500)
        self.assertEqual(self.get("/100703")[0], 404)
        self.assertEqual(self.get("/100703/page/1")[0], 200)
        self.assertEqual(self.get("/101503/page/2")[0], 500)

    def test_headings_and_titles_are_escaped_markup(self):
        html = self.text("/101303-fish")
        self.assertIn("Fish &amp; Chips &lt;3", html)
        self.assertEqual(Elements(html).select("h1", **{"class": "h2"})[0]["text"].strip(),
                         "Fish & Chips <3")
        story = Elements(self.text("/story/1013"))
        titles = [a["text"].strip() for a in story.select(
            "a", lambda ps: has(ps, "div", "story-parts"))]
        self.assertEqual(titles, ["第一章 — 朝の海", "Part 1/2", "Fish & Chips"])


class TableOfContentsTest(SimTestCase):
    def links(self, story_id):
        html = self.text("/story/%d" % story_id)
        return re.findall(r'<li class="part">(<a[^>]*>.*?</a>)</li>', html, re.S)

    def test_duplicates(self):
        links = self.links(1010)
        self.assertEqual(len(links), 5)
        self.assertEqual(links[0], links[1])
        self.assertIn('href="/101002-second"', links[2])
        self.assertIn('href="/101002-second"', links[3])
        self.assertNotEqual(links[2], links[3])

    def test_link_without_href_and_authors_notes(self):
        self.assertNotIn("href", self.links(1011)[1])
        texts = [re.sub(r"<[^>]*>", "", a).strip("\n ") for a in self.links(1009)]
        self.assertEqual(texts, ["Prologue", "A/N", "Chapter 1", "a/n", "A/N part 2", "Chapter 2"])
        self.assertIn("\n         a/n \n", self.links(1009)[3])

    def test_empty_contents(self):
        self.assertEqual(self.links(1014), [])
        self.assertIn('<div class="story-parts">', self.text("/story/1014"))


class CatalogTest(SimTestCase):
    catalog_extra = {"stories": [
        {"id": 1001, "title": "Replaced", "parts": [{"id": 100101, "title": "Only", "pages": 1}]},
        {"id": 7001, "title": "Added", "cover": "404", "parts": [
            {"id": 700101, "title": "Flaky", "pages": 1, "href": "/flaky/k7/2/429{path}"}]},
        {"id": 7002, "generate": {"parts": 3, "pages": 2, "paragraphs": 2}},
    ]}

    def test_extra_catalog_adds_and_replaces_by_id(self):
        self.assertIn("Replaced", self.text("/story/1001"))
        self.assertEqual(self.get("/100102-salt-in-the-lamp-room")[0], 404)
        self.assertIn("Added", self.text("/story/7001"))
        self.assertEqual(self.get("/covers/7001.jpg")[0], 404)
        self.assertIn('href="/flaky/k7/2/429/700101-part-700101"', self.text("/story/7001"))
        self.assertIn("This is page 2 of \u201cChapter 3\u201d.", self.text("/700203/page/2"))

    def test_catalog_errors_are_reported(self):
        with tempfile.TemporaryDirectory() as tmp:
            path = os.path.join(tmp, "bad.json")
            for bad in ['{"stories": [{"id": 1}, ', '[{"id": 5, "parts": [{"id": 100101}]}]',
                        '[{"id": 5, "parts": [{"id": 100101, "title": "x"}]}]',
                        '[{"id": 5, "cover": "gif"}]']:
                with open(path, "w") as f:
                    f.write(bad)
                self.assertRaises(sim_catalog.CatalogError, sim_catalog.load, path)


class SpecialAddressTest(SimTestCase):
    def test_log_and_reset(self):
        self.get("/__reset")
        for path in ["/story/1001?a=1", "/nope", "/slow/1/story/1001", "/status/503"]:
            self.get(path)
        status, headers, body = self.get("/__log")
        self.assertEqual(headers["Content-Type"], "application/json")
        self.assertEqual(json.loads(body),
                         ["/story/1001?a=1", "/nope", "/slow/1/story/1001", "/status/503"])
        self.get("/__reset")
        self.assertEqual(json.loads(self.get("/__log")[2]), [])

    def test_slow_serves_the_normal_page_after_the_delay(self):
        start = time.monotonic()
        status, _, body = self.get("/slow/200/100101-the-last-ferry/page/1")
        self.assertGreaterEqual(time.monotonic() - start, 0.2)
        self.assertEqual(body, self.get("/100101-the-last-ferry/page/1")[2])

    def test_flaky_fails_n_times_per_key_then_serves(self):
        results = [self.get("/flaky/t1/2/503/story/1001") for _ in range(3)]
        self.assertEqual([r[0] for r in results], [503, 503, 200])
        self.assertEqual(results[0][1]["Retry-After"], "1")
        self.assertEqual(self.get("/flaky/t2/1/429/covers/1001.jpg")[0], 429)
        self.assertEqual(self.get("/flaky/t1/2/503/nope")[0], 404)

    def test_status_and_redirect(self):
        self.assertEqual(self.get("/status/418")[0], 418)
        status, headers, _ = self.get("/redirect/story/1001")
        self.assertEqual((status, headers["Location"]), (302, "/story/1001"))

    def test_hang_blocks_nobody_and_ends_with_the_server(self):
        self.assertRaises(TimeoutError, self.get, "/hang", 0.3)
        self.assertRaises(TimeoutError, self.get, "/story/1201-never-answers", 0.3)
        self.assertEqual(self.get("/story/1001")[0], 200)


class HostileTest(SimTestCase):
    def test_nested(self):
        body = self.get("/hostile/nested?depth=5000")[2]
        self.assertEqual(body.count(b"<div>"), 5000)
        self.assertEqual(body.count(b"</div>"), 0)
        self.assertEqual(self.get("/hostile/nested?depth=50&closed=1")[2].count(b"</div>"), 50)

    def test_soup_is_repeatable(self):
        first, second = self.get("/hostile/soup?kb=32")[2], self.get("/hostile/soup?kb=32")[2]
        self.assertEqual(len(first), 32 * 1024)
        self.assertEqual(first, second)
        self.assertNotEqual(first, self.get("/hostile/soup?kb=32&seed=2")[2])

    def test_huge_page_length_matches_its_header(self):
        status, headers, body = self.get("/hostile/huge?mb=3")
        self.assertEqual(int(headers["Content-Length"]), len(body))
        self.assertGreater(len(body), 3 * 1024 * 1024 - 2048)
        self.assertTrue(body.endswith(b"</html>\n"))

    def test_bad_utf8_in_a_valid_text_block(self):
        for path in ["/hostile/badutf8", "/hostile/badutf8/page/1"]:
            body = self.get(path)[2]
            self.assertRaises(UnicodeDecodeError, body.decode, "utf-8")
            self.assertEqual((body.count(b"<pre>"), body.count(b"</pre>")), (1, 1))
        self.assertEqual(page_count(self.get("/hostile/badutf8")[2].decode("latin-1")), 1)


    def test_chapter_shaped_hostile_pages_answer_for_their_pages_too(self):
        status, headers, body = self.get("/hostile/gzip/20/page/1")
        self.assertEqual((status, headers["Content-Encoding"]), (200, "gzip"))
        self.assertGreater(len(zlib.decompress(body, 31)), 19 * 1024 * 1024)
        self.assertLess(len(body), 1024 * 1024)
        self.assertEqual(self.text("/hostile/attributes/5"), self.text("/hostile/attributes/5/page/1"))
        self.assertIn("<i a0=1 a1=1 a2=1 a3=1 a4=1>", self.text("/hostile/attributes/5"))
        self.assertIn("<span>" * 250 + "w<br>w<br>w<br></pre>", self.text("/hostile/breaks/3"))
        self.assertIn("<b><i><u><em><strong><s><b>deep", self.text("/hostile/formatting/7"))
        self.assertEqual(len(self.get("/hostile/huge/100/page/1")[2]), len(sim_hostile.HugePage(100 / 1024.0)))

    def test_a_chapter_points_at_this_server_and_at_a_private_page(self):
        text = self.get("/110001-part-110001/page/1")[2].decode()
        self.assertIn('<iframe src="http://127.0.0.1:%d/hostile/private"' % self.port, text)
        self.assertNotIn("{base}", text)
        self.assertIn(b"PRIVATE-NETWORK-PAGE", self.get("/hostile/private")[2])


class PictureTest(SimTestCase):
    def test_pictures_are_typed_by_name_and_generated_to_size(self):
        status, headers, body = self.get("/pictures/sketch.webp")
        self.assertEqual((status, headers["Content-Type"], body[8:12]), (200, "image/webp", b"WEBP"))
        _, headers, body = self.get("/pictures/gen/300x20-4.png")
        self.assertEqual(headers["Content-Type"], "image/png")
        self.assertEqual(struct.unpack(">II", body[16:24]), (300, 20))
        self.assertNotEqual(body, self.get("/pictures/gen/300x20-5.png")[2])
        for missing in ("/pictures/missing.png", "/pictures/../catalog.json", "/pictures/gen/0x9.png",
                        "/pictures/odd/nothing.png"):
            self.assertEqual(self.get(missing)[0], 404, missing)

    def test_odd_pictures_say_what_they_are_not(self):
        _, headers, body = self.get("/pictures/odd/sign-in.jpg")
        self.assertEqual((headers["Content-Type"], body[:9]), ("image/jpeg", b"<!DOCTYPE"))
        body = self.get("/pictures/odd/huge-header.png")[2]
        self.assertEqual(struct.unpack(">II", body[16:24]), (20000, 20000))
        self.assertEqual(len(self.get("/pictures/odd/weight-2-7.png")[2]), 33 + (2 << 20))

    def test_a_chapter_points_at_another_host_of_this_server(self):
        text = self.get("/170201-part-170201/page/1")[2].decode()
        self.assertIn('<img src="http://localhost:%d/pictures/pixel.gif"' % self.port, text)


class CatalogReloadTest(unittest.TestCase):
    def test_a_changed_catalog_file_is_read_again_and_a_broken_one_ignored(self):
        with tempfile.TemporaryDirectory() as tmp:
            path = os.path.join(tmp, "extra.json")
            story = lambda parts: {"stories": [{"id": 4201, "parts": [
                {"id": 420100 + i, "title": "C%d" % i, "pages": 1} for i in range(parts)]}]}
            with open(path, "w") as f:
                json.dump(story(1), f)
            server = sim_server.SimServer(("127.0.0.1", 0), sim_catalog.load(path),
                                          catalog_path=path)
            self.assertEqual(len(server.catalog.stories[4201]["parts"]), 1)
            with open(path, "w") as f:
                json.dump(story(3), f)
            self.assertEqual(len(server.catalog.stories[4201]["parts"]), 3)
            with open(path, "w") as f:
                f.write("{broken")
            self.assertEqual(len(server.catalog.stories[4201]["parts"]), 3)
            server.server_close()



class ProcessTest(unittest.TestCase):
    def start(self, *args):
        return subprocess.Popen([sys.executable, os.path.join(SIM_DIR, "storysim.py")] + list(args),
                                stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE)

    def test_prints_port_first_and_stops_at_end_of_stdin(self):
        proc = self.start("--port", "0")
        line = proc.stdout.readline().decode()
        self.assertRegex(line, r"^PORT [1-9][0-9]*\n$")
        conn = http.client.HTTPConnection("127.0.0.1", int(line.split()[1]), timeout=10)
        conn.request("GET", "/story/1001")
        self.assertEqual(conn.getresponse().status, 200)
        conn.close()
        proc.stdin.close()
        self.assertEqual(proc.wait(timeout=20), 0)
        proc.stdout.close()
        proc.stderr.close()

    def test_bad_catalog_fails_before_the_port_line(self):
        proc = self.start("--catalog", "/nonexistent/catalog.json")
        out, err = proc.communicate(timeout=20)
        self.assertEqual((proc.returncode, out), (2, b""))
        self.assertIn(b"cannot read catalog", err)


if __name__ == "__main__":
    unittest.main()
