"""The site's pages for catalog stories: story overview, chapter first view, chapter page."""

import hashlib
import json
from html import escape

# Filler the real site wraps around its content; none of it matches the downloader's
# selectors, so a selector that is too loose shows up in the tests.
HEAD_SCRIPT = ("<script>window.dataLayer = window.dataLayer || [];"
               "function track(){dataLayer.push(arguments);} track('page', '%s');</script>")
NAV = """<header class="site-header">
  <nav class="site-nav" aria-label="Main">
    <a class="logo" href="/"><span>Quillby</span></a>
    <ul class="nav-links">
      <li><a href="/browse">Browse</a></li>
      <li><a href="/community">Community</a></li>
      <li><a href="/write">Write</a></li>
    </ul>
    <form class="search" action="/search" method="get"><input name="q" placeholder="Search stories"></form>
  </nav>
</header>"""
FOOTER = """<footer class="site-footer">
  <ul class="footer-links">
    <li><a href="/about">About</a></li><li><a href="/help">Help</a></li>
    <li><a href="/terms">Terms</a></li><li><a href="/privacy">Privacy</a></li>
  </ul>
  <p>&copy; Quillby &mdash; stories for everyone</p>
</footer>
<script>document.querySelectorAll('.lazy').forEach(function (e) { e.src = e.dataset.src; });</script>"""
UNRELATED_LD = {"@context": "https://schema.org", "@type": "WebSite", "name": "Quillby",
                "url": "/", "potentialAction": {"@type": "SearchAction",
                                                "target": "/search?q={query}"}}


def script_json(value):
    # "</" inside a script would end it early; the escape keeps the JSON identical.
    return json.dumps(value, ensure_ascii=False).replace("</", "<\\/")


def _substitute(value, base):
    if not isinstance(value, str):
        return value
    return value.replace("{base}", base).replace("{port}", base.rsplit(":", 1)[-1])


def metadata(story, base):
    meta = {
        "@context": "https://schema.org",
        "@type": "Book",
        "headline": story["title"],
        "author": {"@type": "Person", "name": story["author"]},
        "image": "%s/covers/%d.jpg" % (base, story["id"]),
        "description": story["description"],
        "url": "%s/story/%d-%s" % (base, story["id"], story["slug"]),
        "inLanguage": "en",
    }
    for key, value in story["meta"].items():
        if value is None:
            meta.pop(key, None)
        else:
            meta[key] = _substitute(value, base)
    return meta


def metadata_scripts(story, base):
    if not story["metadata"]:
        return ""
    text = story["meta_raw"] if story["meta_raw"] is not None else script_json(metadata(story, base))
    return ('<script type="application/ld+json">%s</script>\n'
            '<script type="application/ld+json">%s</script>\n' % (text, script_json(UNRELATED_LD)))


def document(title, head, body_class, body):
    return ('<!DOCTYPE html>\n<html lang="en">\n<head>\n<meta charset="utf-8">\n'
            '<meta name="viewport" content="width=device-width, initial-scale=1">\n'
            '<title>%s</title>\n<link rel="stylesheet" href="/static/site.css">\n%s</head>\n'
            '<body class="%s">\n%s\n%s\n%s\n</body>\n</html>\n'
            % (escape(title), head, body_class, NAV, body, FOOTER))


def link_href(part, base):
    """The part's link as the contents list gives it; "{port}" is the server's own port."""
    return part["href"].replace("{port}", base.rsplit(":", 1)[-1])


def toc_items(story, item_class, link_class, base):
    items = []
    for part in story["parts"]:
        href = "" if part["href"] is None else ' href="%s"' % escape(link_href(part, base))
        text = part["toc_html"] if part["toc_html"] is not None else escape(part["title"])
        link = ('<li class="%s"><a%s class="%s" data-part-id="%d">\n        %s\n      </a></li>'
                % (item_class, href, link_class, part["id"], text))
        items.extend([link] * part["toc_repeat"])
    return "\n      ".join(items)


def story_page(story, base):
    image = "%s/covers/%d.jpg" % (base, story["id"])
    body = """<main class="story-info">
  <section class="story-header">
    <div class="cover"><img class="lazy" data-src="%s" alt="Cover"></div>
    <h1 class="story-title">%s</h1>
    <a class="author" href="/user/%s">%s</a>
    <ul class="story-stats"><li>Reads <b>12.4K</b></li><li>Votes <b>812</b></li><li>Parts <b>%d</b></li></ul>
    <p class="description">%s</p>
    <ul class="tags"><li><a href="/tags/mystery">mystery</a></li><li><a href="/tags/sea">sea</a></li></ul>
  </section>
  <div class="story-parts">
    <h2>Table of contents</h2>
    <ul>
      %s
    </ul>
  </div>
  <aside class="related">
    <h3>You may also like</h3>
    <ul><li><a href="/story/9001-the-quiet-harbour">The Quiet Harbour</a></li>
      <li><a href="/story/9002-salt-and-iron">Salt and Iron</a></li></ul>
  </aside>
</main>""" % (escape(image), escape(story["title"]), escape(story["author"].replace(" ", "")),
              escape(story["author"]), len(story["parts"]), escape(story["description"]),
              toc_items(story, "part", "part__link", base))
    head = HEAD_SCRIPT % "story" + "\n" + metadata_scripts(story, base)
    return document("%s - %s - Quillby" % (story["title"], story["author"]), head, "story-page",
                    body)


def paragraph_id(part_id, page, index):
    return hashlib.md5(("%d:%d:%d" % (part_id, page, index)).encode()).hexdigest()


def pre_block(part, page, base):
    """The page's text block as the site renders it, or "" for a page without one."""
    kind = part["pre"].get(page, part["pre"].get(0, "plain"))
    paras = "\n".join('<p data-p-id="%s">%s</p>'
                      % (paragraph_id(part["id"], page, i), _substitute(text, base))
                      for i, text in enumerate(part["pages"][page - 1]))
    if kind == "none":
        return '<div class="text">%s</div>' % paras
    start = '<pre class="text" dir="ltr">' if kind == "attrs" else "<pre>"
    return "%s%s</pre>" % (start, paras)


def word_count(part):
    return sum(len(p.split()) for page in part["pages"] for p in page)


def chapter_first_view(story, part, base):
    pages = len(part["pages"])
    count = part["count_text"] if part["count_text"] is not None else '"pages":%d,' % pages
    prefetched = ('window.prefetched = {"part":{"id":%d,"title":%s,%s"wordCount":%d},'
                  '"story":{"id":%d}};' % (part["id"], script_json(part["title"]), count,
                                           word_count(part), story["id"]))
    heading = ("" if part["heading"] is None
               else '<h1 class="h2">\n      %s\n    </h1>' % escape(part["heading"]))
    first = pre_block(part, 1, base) if pages else ""
    body = """<div class="part-navigation">
  <button class="toc-toggle">%s</button>
  <ul class="table-of-contents">
      %s
  </ul>
</div>
<article class="part-article">
  <header class="part-header">
    %s
    <div class="part-meta"><span class="reads">3.1K reads</span> <span class="votes">204 votes</span></div>
  </header>
  <div class="page" data-page-number="1">%s</div>
  <a class="next-page" href="%s/page/2">Continue reading</a>
</article>
<script>%s</script>""" % (escape(story["title"]), toc_items(story, "toc-entry", "toc-link", base),
                          heading, first, escape(part["href"] or ""), prefetched)
    head = HEAD_SCRIPT % "part" + "\n" + metadata_scripts(story, base)
    return document("%s - %s" % (part["title"], story["title"]), head, "reading", body)


def chapter_page(story, part, page, base):
    body = """<div class="page" data-page-number="%d">
  %s
</div>""" % (page, pre_block(part, page, base))
    return document("%s - page %d" % (part["title"], page), "", "page-fragment", body)


def index_page(catalog, base):
    items = "\n".join('<li><a href="/story/%d-%s">%d: %s</a> (%d parts)</li>'
                      % (s["id"], escape(s["slug"]), s["id"], escape(s["title"]), len(s["parts"]))
                      for s in sorted(catalog.stories.values(), key=lambda s: s["id"]))
    return document("Quillby story-site simulator", "", "index",
                    "<main><h1>Stories</h1>\n<ul class=\"catalog\">\n%s\n</ul></main>" % items)


def error_page(status, reason):
    return ("<!DOCTYPE html>\n<html><head><title>%d %s</title></head>"
            "<body><h1>%d %s</h1></body></html>\n" % (status, reason, status, reason))
