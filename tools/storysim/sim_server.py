"""The HTTP(S) server: routing, the request log, and the slow, flaky and hanging responses."""

import json
import os
import re
import socket
import ssl
import sys
import threading
from http import HTTPStatus
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, urlsplit

import sim_catalog
import sim_hostile
import sim_pages
import sim_pictures

HERE = os.path.dirname(os.path.abspath(__file__))
STORY = re.compile(r"^/story/(\d+)(?:-[^/]*)?/?$")
FIRST_VIEW = re.compile(r"^/(\d+)(?:-[^/]*)?$")
PAGE = re.compile(r"^/(\d+)(?:-[^/]*)?/page/(\d+)$")
COVER = re.compile(r"^/covers/(\d+)\.jpg$")
SLOW = re.compile(r"^/slow/(\d+)(/.*)$")
FLAKY = re.compile(r"^/flaky/([^/]+)/(\d+)/(\d+)(/.*)$")
STATUS = re.compile(r"^/status/(\d+)$")
REDIRECT = re.compile(r"^/redirect(/.*)$")
HOSTILE_CHAPTER = re.compile(r"^/hostile/(gzip|attributes|formatting|breaks|huge)/(\d+)(?:/page/\d+)?$")
CONNECTION_ERRORS = (ConnectionError, socket.timeout, ssl.SSLError, TimeoutError)


def _read_picture(name):
    with open(os.path.join(HERE, name), "rb") as f:
        return f.read()


class SimServer(ThreadingHTTPServer):
    daemon_threads = True
    # A hanging request must not hold up shutdown, so finished or not, no thread is joined.
    block_on_close = False
    allow_reuse_address = True

    def __init__(self, address, catalog, tls_context=None, verbose=False, catalog_path=None):
        super().__init__(address, SimHandler)
        self._catalog = catalog
        # A story that changes between two downloads (an author adding chapters) is the
        # catalog file rewritten by the test: it is read again whenever it has changed.
        self.catalog_path = catalog_path
        self.catalog_stamp = self._stamp()
        self.tls_context = tls_context
        self.verbose = verbose
        self.stopping = threading.Event()
        self.lock = threading.Lock()
        self.log = []
        self.flaky = {}
        self.gzip_cache = {}
        self.pictures = {"jpeg": _read_picture("cover.jpg"), "png": _read_picture("cover.png")}

    def finish_request(self, request, client_address):
        # The TLS handshake runs here, in the connection's own thread, so a client that
        # never completes it blocks nobody else.
        if self.tls_context is not None:
            request.settimeout(10)
            try:
                request = self.tls_context.wrap_socket(request, server_side=True)
            except CONNECTION_ERRORS + (OSError,):
                return
            request.settimeout(None)
        super().finish_request(request, client_address)

    def handle_error(self, request, client_address):
        # Clients that give up early (time-out tests) are expected; anything else is a bug.
        if not isinstance(sys.exc_info()[1], CONNECTION_ERRORS):
            super().handle_error(request, client_address)

    def _stamp(self):
        if self.catalog_path is None:
            return None
        try:
            info = os.stat(self.catalog_path)
        except OSError:
            return None
        return (info.st_mtime_ns, info.st_size)

    @property
    def catalog(self):
        with self.lock:
            stamp = self._stamp()
            if stamp is not None and stamp != self.catalog_stamp:
                try:
                    self._catalog = sim_catalog.load(self.catalog_path)
                    self.catalog_stamp = stamp
                except sim_catalog.CatalogError as e:
                    print("storysim: keeping the previous catalog: %s" % e, file=sys.stderr)
            return self._catalog

    def record(self, path):
        with self.lock:
            self.log.append(path)

    def gzipped(self, mb):
        with self.lock:
            if mb not in self.gzip_cache:
                self.gzip_cache[mb] = sim_hostile.gzipped(sim_hostile.HugePage(mb))
            return self.gzip_cache[mb]

    def take_flaky(self, key):
        with self.lock:
            self.flaky[key] = self.flaky.get(key, 0) + 1
            return self.flaky[key]

    def stop(self):
        self.stopping.set()
        self.shutdown()


class Response:
    def __init__(self, status=200, body=b"", content_type="text/html; charset=utf-8",
                 headers=None, chunks=None, length=None):
        self.status, self.body, self.content_type = status, body, content_type
        self.headers = headers or {}
        self.chunks, self.length = chunks, length


def html(text, status=200):
    return Response(status, text.encode("utf-8"))


def error(status, headers=None):
    reason = HTTPStatus(status).phrase if status in HTTPStatus._value2member_map_ else "Error"
    return Response(status, sim_pages.error_page(status, reason).encode(), headers=headers)


class SimHandler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "QuillbySim/1.0"

    def log_message(self, format, *args):
        if self.server.verbose:
            super().log_message(format, *args)

    def do_GET(self):
        self.serve(send_body=True)

    def do_HEAD(self):
        self.serve(send_body=False)

    def serve(self, send_body):
        path = urlsplit(self.path).path
        if path == "/__log":
            with self.server.lock:
                body = json.dumps(self.server.log).encode()
            return self.send(Response(body=body, content_type="application/json"), send_body)
        if path == "/__reset":
            with self.server.lock:
                self.server.log.clear()
            return self.send(Response(body=b"[]", content_type="application/json"), send_body)
        self.server.record(self.path)
        response = self.route(self.path)
        if response is None:
            self.close_connection = True
        else:
            self.send(response, send_body)

    def base(self):
        scheme = "https" if self.server.tls_context is not None else "http"
        host = self.headers.get("Host") or "127.0.0.1:%d" % self.server.server_address[1]
        return "%s://%s" % (scheme, host)

    def route(self, target):
        """The response for target (path and query), or None when none is to be sent."""
        parts = urlsplit(target)
        path, query = parts.path, parse_qs(parts.query)
        rest = lambda tail: tail + ("?" + parts.query if parts.query else "")
        m = SLOW.match(path)
        if m:
            if self.server.stopping.wait(int(m.group(1)) / 1000.0):
                return None
            return self.route(rest(m.group(2)))
        m = FLAKY.match(path)
        if m:
            if self.server.take_flaky(m.group(1)) <= int(m.group(2)):
                return error(int(m.group(3)), {"Retry-After": "1"})
            return self.route(rest(m.group(4)))
        if path == "/hang" or path.startswith("/hang/"):
            self.server.stopping.wait()
            return None
        m = REDIRECT.match(path)
        if m:
            return Response(302, b"", headers={"Location": rest(m.group(1))})
        m = STATUS.match(path)
        if m:
            code = int(m.group(1))
            return error(code if 200 <= code <= 599 else 400, {"Retry-After": "1"})
        if path.startswith("/hostile/"):
            return self.hostile(path, query)
        return self.site(path)

    def site(self, path):
        catalog, base = self.server.catalog, self.base()
        if path == "/":
            return html(sim_pages.index_page(catalog, base))
        m = STORY.match(path)
        if m:
            story = catalog.stories.get(int(m.group(1)))
            if story is None:
                return error(404)
            if story["stall"]:
                self.server.stopping.wait()
                return None
            if story["status"] != 200:
                return error(story["status"])
            # As the site does: the number alone, or an old slug, leads to the story's own
            # address.
            own = "/story/%d-%s" % (story["id"], story["slug"])
            if story["canonical_redirect"] and path.rstrip("/") != own:
                return Response(301, b"", headers={"Location": own})
            return html(sim_pages.story_page(story, base))
        m = COVER.match(path)
        if m:
            return self.cover(catalog.stories.get(int(m.group(1))))
        if path.startswith("/pictures/"):
            return self.picture(path)
        m = FIRST_VIEW.match(path) or PAGE.match(path)
        if m and int(m.group(1)) in catalog.parts:
            story, part = catalog.parts[int(m.group(1))]
            if m.re is FIRST_VIEW:
                if part["first_view_status"] != 200:
                    return error(part["first_view_status"])
                return html(sim_pages.chapter_first_view(story, part, base))
            page = int(m.group(2))
            if not 1 <= page <= len(part["pages"]):
                return error(404)
            status = part["page_status"].get(page, part["page_status"].get(0, 200))
            if status != 200:
                return error(status)
            return html(sim_pages.chapter_page(story, part, page, base))
        return error(404)

    def cover(self, story):
        if story is None:
            return error(404)
        if isinstance(story["cover"], int):
            return error(story["cover"])
        kind = story["cover"]
        return Response(body=self.server.pictures[kind], content_type="image/" + kind)

    def picture(self, path):
        found = sim_pictures.picture(path)
        if found is None:
            return error(404)
        content_type, body = found
        return Response(body=body, content_type=content_type)

    def hostile(self, path, query):
        number = lambda name, default: float(query.get(name, [default])[0])
        if path == "/hostile/nested":
            closed = query.get("closed", ["0"])[0] not in ("0", "", "no")
            return Response(body=sim_hostile.nested(int(number("depth", 1000)), closed))
        if path == "/hostile/soup":
            seed = int(number("seed", sim_hostile.SOUP_SEED))
            return Response(body=sim_hostile.soup(int(number("kb", 64)), seed))
        if path == "/hostile/huge":
            page = sim_hostile.HugePage(number("mb", 8))
            return Response(chunks=page.chunks(), length=len(page))
        # Chapter-shaped: the same page answers for the chapter view and each of its pages.
        m = HOSTILE_CHAPTER.match(path)
        if m and m.group(1) == "gzip":
            return Response(body=self.server.gzipped(int(m.group(2))),
                            headers={"Content-Encoding": "gzip"})
        if m and m.group(1) == "attributes":
            return Response(body=sim_hostile.many_attributes(int(m.group(2))))
        if m and m.group(1) == "formatting":
            return Response(body=sim_hostile.deep_formatting(int(m.group(2))))
        if m and m.group(1) == "huge":
            page = sim_hostile.HugePage(int(m.group(2)) / 1024.0)
            return Response(chunks=page.chunks(), length=len(page))
        if m and m.group(1) == "breaks":
            return Response(body=sim_hostile.indented_breaks(int(m.group(2))))
        if path == "/hostile/badutf8":
            return Response(body=sim_hostile.bad_utf8(0))
        if path == "/hostile/badutf8/page/1":
            return Response(body=sim_hostile.bad_utf8(1))
        if path == "/hostile/private":
            return html(sim_hostile.PRIVATE_PAGE)
        return error(404)

    def send(self, response, send_body):
        self.send_response(response.status)
        length = response.length if response.chunks is not None else len(response.body)
        if response.status not in (204, 304):
            self.send_header("Content-Type", response.content_type)
            self.send_header("Content-Length", str(length))
        self.send_header("Cache-Control", "no-store")
        for name, value in response.headers.items():
            self.send_header(name, value)
        self.end_headers()
        if not send_body or response.status in (204, 304):
            return
        if response.chunks is None:
            self.wfile.write(response.body)
            return
        for chunk in response.chunks:
            if self.server.stopping.is_set():
                break
            self.wfile.write(chunk)
