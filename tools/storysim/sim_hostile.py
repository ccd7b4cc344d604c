"""Pages that try to break a parser (deep nesting, tag soup, sheer size, invalid UTF-8) or
that no renderer may ever reach (a private service)."""

import random
import zlib

SOUP_SEED = 20240917
SOUP_PIECES = [
    "<div", "<div class=x>", "</div>", "<p>", "</p>", "<span", "</span>", "<a href='",
    '<a href="/1-x">', "</a>", "<pre>", "</pre>", '<h1 class="h2">', "<ul><li>", "</li>",
    "<table><tr><td>", "<!--", "-->", "<![CDATA[", "]]>", "<script>", "</script>",
    "<style>", "</style>", "&amp;", "&lt;", "&#x1F600;", "&#0;", "&#99999999;", "&bogus;", "&",
    "<", ">", "=", '"', "'", "</", "<!", "<?xml ?>", "\x00", "\t", "\n", " ",
    "\u00e9", "\u2014", "\u201c", "\u4e2d", 'data-p-id="', '"pages":', "pages",
]
SOUP_WORDS = ["lantern", "harbour", "keeper", "tide", "letter", "night", "salt", "door"]


# A page as a service on the reader's own network would serve it: its text must never reach
# a book, whatever a chapter points at.
PRIVATE_PAGE = ("<!DOCTYPE html>\n<html><head><title>Router</title></head><body>"
                "<h1>PRIVATE-NETWORK-PAGE</h1><p>admin password: hunter2</p></body></html>\n")


def nested(depth, closed):
    head = "<!DOCTYPE html>\n<html><head><title>Nested</title></head><body>\n"
    inner = '<pre><p data-p-id="%s">deep text</p></pre>' % ("0" * 32)
    tail = "</div>" * depth if closed else ""
    return (head + "<div>" * depth + inner + tail + "\n</body></html>\n").encode()


def soup(kb, seed=SOUP_SEED):
    rng = random.Random(seed)
    pieces, size = [], 0
    while size < kb * 1024:
        piece = rng.choice(SOUP_PIECES) if rng.random() < 0.7 else rng.choice(SOUP_WORDS)
        pieces.append(piece)
        size += len(piece.encode())
    return "".join(pieces).encode()[: kb * 1024]


class HugePage:
    """A story-like page of about mb megabytes, produced in pieces so it is never held whole."""

    HEAD = (b'<!DOCTYPE html>\n<html><head><meta charset="utf-8"><title>Huge</title>'
            b'<script>window.prefetched = {"part":{"id":1,"pages":1,"wordCount":0}};</script>'
            b'</head><body>\n<h1 class="h2">A very long chapter</h1>\n<pre>')
    PARA = (b'<p data-p-id="0123456789abcdef0123456789abcdef">' + b"The sea kept its counsel. " * 38
            + b"</p>\n")
    TAIL = b"</pre>\n</body></html>\n"

    def __init__(self, mb):
        self.count = max(1, int(mb * 1024 * 1024) // len(self.PARA))

    def __len__(self):
        return len(self.HEAD) + self.count * len(self.PARA) + len(self.TAIL)

    def chunks(self, per_chunk=256):
        yield self.HEAD
        left = self.count
        while left:
            n = min(per_chunk, left)
            yield self.PARA * n
            left -= n
        yield self.TAIL


def gzipped(page):
    """The page's bytes gzip-compressed, as a server sends them with Content-Encoding: gzip."""
    packer = zlib.compressobj(1, zlib.DEFLATED, 31)
    return b"".join([packer.compress(chunk) for chunk in page.chunks()] + [packer.flush()])


def many_attributes(count):
    """A chapter view whose text element opens with one tag carrying `count` attributes."""
    attrs = " ".join("a%d=1" % i for i in range(count))
    return (b'<html><head><script>window.prefetched = {"part":{"id":3,"pages":1}};</script>'
            b'</head><body><h1 class="h2">Attributes</h1><pre><i ' + attrs.encode() +
            b'>x</i></pre></body></html>')


def deep_formatting(count):
    """A text element of `count` formatting tags that are never closed, then a word."""
    tags = ("<b>", "<i>", "<u>", "<em>", "<strong>", "<s>")
    body = "".join(tags[i % len(tags)] for i in range(count))
    return ('<html><head><script>window.prefetched = {"part":{"id":4,"pages":1}};</script>'
            '</head><body><h1 class="h2">Formatting</h1><pre>%sdeep</pre></body></html>'
            % body).encode()


def indented_breaks(count):
    """A text element 250 spans deep holding `count` words each followed by a <br>: as many
    nodes as a page of that many tags can have, each formatted on a deeply indented line."""
    return (b'<html><head><script>window.prefetched = {"part":{"id":5,"pages":1}};</script>'
            b'</head><body><h1 class="h2">Breaks</h1><pre>' + b"<span>" * 250 +
            b"w<br>" * count + b"</pre></body></html>")


def bad_utf8(page):
    """A chapter view (page 0) or page whose text carries invalid UTF-8 in a well-formed pre."""
    bad = [b"\xff", b"\xc3\x28", b"\xe2\x82", b"\xed\xa0\x80", b"\xf8\x88\x80\x80\x80", b"\x80"]
    paras = b"\n".join(b'<p data-p-id="%032x">Broken %s bytes %s here, caf\xc3\xa9 ok.</p>'
                       % (i + 1, b, b) for i, b in enumerate(bad))
    head = (b'<!DOCTYPE html>\n<html><head><meta charset="utf-8"><title>Bad \xfe bytes</title>'
            b'<script>window.prefetched = {"part":{"id":2,"title":"Bad \xc0\xaf","pages":1,'
            b'"wordCount":30}};</script></head>\n<body>\n')
    heading = b'<h1 class="h2">Invalid \xff\xfe bytes</h1>\n' if page == 0 else b""
    return head + heading + b"<pre>" + paras + b"</pre>\n</body></html>\n"
