"""Stories the simulator serves, read from JSON catalogs (schema in README.md)."""

import json
import os

HERE = os.path.dirname(os.path.abspath(__file__))
BUILTIN_CATALOG = os.path.join(HERE, "catalog.json")


def builtin_catalogs():
    """catalog.json, then every catalog-*.json beside it in name order (one per test area)."""
    extra = sorted(f for f in os.listdir(HERE) if f.startswith("catalog-") and f.endswith(".json"))
    return [BUILTIN_CATALOG] + [os.path.join(HERE, f) for f in extra]

# Filler for parts whose pages are given as a count; our own sentences, so generated
# chapters read like prose in a rendered book without any copied text.
FILLER = [
    "The rain had not stopped since morning, and the gutters along the quay ran like small rivers.",
    "She counted the steps to the harbour wall again, as if the number might have changed overnight.",
    "Nobody in the village spoke of the old signal house, though everyone could see it from the square.",
    "A gull settled on the railing, considered the water, and left without a word of complaint.",
    "He wrote the date at the top of the page, crossed it out, and wrote it once more, more slowly.",
    "By noon the fog had lifted enough to show the outline of the island and its single pine.",
    "The letter was short, and the shortness of it said more than any of the sentences did.",
    "Somewhere below, a door banged twice in the wind and then, as suddenly, held its peace.",
]


class CatalogError(Exception):
    pass


def part_path(part):
    return "/%d-%s" % (part["id"], part["slug"])


def filler_pages(part_id, title, count, paragraphs=3):
    pages = []
    for k in range(1, count + 1):
        paras = ["This is page %d of \u201c%s\u201d." % (k, title)]
        for i in range(paragraphs):
            paras.append(FILLER[(part_id + k * 3 + i) % len(FILLER)])
        pages.append(paras)
    return pages


def _status(value, what):
    if isinstance(value, bool) or not isinstance(value, int) or not 200 <= value <= 599:
        raise CatalogError("%s: an HTTP status 200..599 is needed, not %r" % (what, value))
    return value


def _page_map(value, what, check):
    """A per-page switch: one value for every page, or {"k": value} for chosen pages."""
    if isinstance(value, dict):
        return {int(k): check(v, "%s page %s" % (what, k)) for k, v in value.items()}
    return {0: check(value, what)}


def _pre_kind(value, what):
    if value not in ("plain", "attrs", "none"):
        raise CatalogError('%s: "pre" is "plain", "attrs" or "none", not %r' % (what, value))
    return value


def _part(raw, story_id, index):
    what = "story %d part %d" % (story_id, index + 1)
    try:
        part_id = int(raw["id"])
        title = str(raw["title"])
    except (KeyError, TypeError, ValueError) as e:
        raise CatalogError("%s: needs a numeric id and a title (%s)" % (what, e))
    pages = raw.get("pages", 2)
    if isinstance(pages, int):
        pages = filler_pages(part_id, title, pages)
    part = {
        "id": part_id,
        "slug": str(raw.get("slug", "part-%d" % part_id)),
        "title": title,
        "heading": raw.get("heading", title),
        "pages": [[str(p) for p in page] for page in pages],
        "toc_repeat": int(raw.get("toc_repeat", 1)),
        "first_view_status": _status(raw.get("first_view_status", 200), what),
        "page_status": _page_map(raw.get("page_status", {}), what, _status),
        "pre": _page_map(raw.get("pre", "plain"), what, _pre_kind),
        "count_text": raw.get("count_text"),
        "toc_html": raw.get("toc_html"),
    }
    # A missing "href" means the part's own address; null means a link without href.
    href = raw.get("href", "{path}")
    part["href"] = None if href is None else href.replace("{path}", part_path(part))
    return part


def _generated_parts(story_id, settings):
    first = int(settings.get("first_part_id", story_id * 100 + 1))
    pages, paras = int(settings.get("pages", 3)), int(settings.get("paragraphs", 6))
    parts = []
    for i in range(int(settings.get("parts", 10))):
        part_id = first + i
        title = "Chapter %d" % (i + 1)
        parts.append({"id": part_id, "slug": "chapter-%d" % (i + 1), "title": title,
                      "pages": filler_pages(part_id, title, pages, paras)})
    return parts


def _cover(value, what):
    if value in ("jpeg", "png"):
        return value
    try:
        return _status(int(value), what + " cover")
    except (TypeError, ValueError):
        raise CatalogError('%s: cover is "jpeg", "png" or an HTTP status, not %r' % (what, value))


def _story(raw):
    try:
        story_id = int(raw["id"])
    except (KeyError, TypeError, ValueError):
        raise CatalogError("every story needs a numeric id: %r" % (raw,))
    what = "story %d" % story_id
    raw_parts = raw.get("parts", [])
    if "generate" in raw:
        raw_parts = raw_parts + _generated_parts(story_id, raw["generate"])
    return {
        "id": story_id,
        "slug": str(raw.get("slug", "story-%d" % story_id)),
        "title": str(raw.get("title", "Story %d" % story_id)),
        "author": str(raw.get("author", "Anonymous")),
        "description": str(raw.get("description", "")),
        "cover": _cover(raw.get("cover", "jpeg"), what),
        "status": _status(raw.get("status", 200), what),
        "stall": bool(raw.get("stall", False)),
        "metadata": bool(raw.get("metadata", True)),
        "meta": dict(raw.get("meta", {})),
        "meta_raw": raw.get("meta_raw"),
        "canonical_redirect": bool(raw.get("canonical_redirect", False)),
        "parts": [_part(p, story_id, i) for i, p in enumerate(raw_parts)],
    }


def _read(path):
    try:
        with open(path, encoding="utf-8") as f:
            data = json.load(f)
    except (OSError, ValueError) as e:
        raise CatalogError("cannot read catalog %s: %s" % (path, e))
    stories = data.get("stories", []) if isinstance(data, dict) else data
    if not isinstance(stories, list):
        raise CatalogError('%s: "stories" must be a list' % path)
    return [_story(s) for s in stories]


class Catalog:
    def __init__(self, stories):
        self.stories = stories
        self.parts = {}
        for story in stories.values():
            for part in story["parts"]:
                other = self.parts.get(part["id"])
                if other is not None and other[0] is not story:
                    raise CatalogError("part id %d is used by stories %d and %d"
                                       % (part["id"], other[0]["id"], story["id"]))
                self.parts[part["id"]] = (story, part)


def load(extra_path=None):
    """The built-in stories, with those of extra_path added or replacing them by id."""
    stories = {}
    for path in builtin_catalogs() + ([extra_path] if extra_path else []):
        for story in _read(path):
            stories[story["id"]] = story
    return Catalog(stories)
