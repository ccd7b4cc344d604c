"""The pages seen through BeautifulSoup with the downloader's exact selectors, when installed."""

import json
import os
import re
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from test_storysim import SimTestCase  # noqa: E402

try:
    import bs4
except ImportError:
    bs4 = None


@unittest.skipUnless(bs4, "BeautifulSoup is not installed for this interpreter")
class SelectorTest(SimTestCase):
    def soup(self, path):
        return bs4.BeautifulSoup(self.text(path), "html.parser")

    def chapter_list(self, story_id):
        kept = []
        for link in self.soup("/story/%d" % story_id).select(".story-parts ul li a"):
            if link not in kept:
                kept.append(link)
        return kept

    def test_story_page(self):
        soup = self.soup("/story/1001")
        meta = json.loads(soup.select('script[type="application/ld+json"]')[0].get_text())
        self.assertEqual(meta["author"]["name"], "Maren Holloway")
        links = self.chapter_list(1001)
        self.assertEqual([a["href"] for a in links], ["/10010%d-%s" % (i + 1, s) for i, s in
                         enumerate(["the-last-ferry", "salt-in-the-lamp-room",
                                    "letters-from-quimper", "the-storm-log",
                                    "morning-at-pointe-aube"])])
        self.assertEqual(soup.select("ul.table-of-contents a"), [])

    def test_first_view_and_pages(self):
        soup = self.soup("/100103-letters-from-quimper")
        self.assertEqual(soup.select("h1.h2")[0].get_text().strip(), "Chapter 3: Letters from Quimper")
        self.assertEqual(len(soup.select("ul.table-of-contents a")), 5)
        self.assertEqual(re.search(r'"pages":([0-9]*),', str(soup), re.I).group(1), "3")
        # The downloader strips the literal "<pre>" and "</pre>" from this markup.
        plain = self.soup("/100103-letters-from-quimper/page/2").select_one("pre").prettify()
        self.assertTrue(plain.startswith("<pre><p data-p-id="))
        self.assertTrue(plain.rstrip().endswith("</p></pre>"))
        attrs = self.soup("/100802/page/1").select_one("pre").prettify()
        self.assertTrue(attrs.startswith('<pre class="text" dir="ltr">'))
        self.assertIsNone(self.soup("/100801/page/2").select_one("pre"))
        self.assertEqual(self.soup("/100803").select("h1.h2"), [])

    def test_duplicate_links_collapse_only_when_identical(self):
        self.assertEqual([a.get_text().strip() for a in self.chapter_list(1010)],
                         ["Chapter 1", "Chapter 2", "Chapter 2 (again)", "Chapter 3"])
        self.assertFalse(self.chapter_list(1011)[1].has_attr("href"))

    def test_authors_notes_skip_rule(self):
        titles = [a.get_text().strip().replace("/", "-") for a in self.chapter_list(1009)]
        kept = [t for t in titles if t.upper() != "A-N"]
        self.assertEqual(kept, ["Prologue", "Chapter 1", "A-N part 2", "Chapter 2"])


if __name__ == "__main__":
    unittest.main()
