#!/usr/bin/env python3
"""Quillby story-site simulator: serves catalog stories on 127.0.0.1 for tests and the demo.

Prints "PORT <n>" as its first line, then serves until killed or until its stdin, when that
is a pipe, reaches end of file (so a test that dies takes its simulator with it).
"""

import argparse
import os
import ssl
import stat
import sys
import threading

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import sim_catalog  # noqa: E402
import sim_server  # noqa: E402


def parse_args(argv):
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--port", type=int, default=0, help="port to listen on; 0 picks a free one")
    p.add_argument("--host", default="127.0.0.1", help="address to listen on")
    p.add_argument("--catalog", help="JSON file whose stories add to or replace the built-in ones"
                   " (read again whenever it changes)")
    p.add_argument("--tls-cert", help="PEM certificate: serve HTTPS instead of HTTP")
    p.add_argument("--tls-key", help="PEM private key for --tls-cert")
    p.add_argument("--verbose", action="store_true", help="log every request to stderr")
    args = p.parse_args(argv)
    if bool(args.tls_cert) != bool(args.tls_key):
        p.error("--tls-cert and --tls-key go together")
    return args


def tls_context(cert, key):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    return context


def stdin_is_pipe():
    try:
        mode = os.fstat(0).st_mode
    except OSError:
        return False
    return stat.S_ISFIFO(mode) or stat.S_ISSOCK(mode)


def watch_stdin(server):
    while True:
        try:
            if not os.read(0, 4096):
                break
        except InterruptedError:
            continue
        except OSError:
            break
    server.stop()


def main(argv=None):
    args = parse_args(argv)
    try:
        catalog = sim_catalog.load(args.catalog)
        context = tls_context(args.tls_cert, args.tls_key) if args.tls_cert else None
    except (sim_catalog.CatalogError, OSError, ssl.SSLError) as e:
        print("storysim: %s" % e, file=sys.stderr)
        return 2
    server = sim_server.SimServer((args.host, args.port), catalog, context, args.verbose,
                                  catalog_path=args.catalog)
    print("PORT %d" % server.server_address[1], flush=True)
    if stdin_is_pipe():
        threading.Thread(target=watch_stdin, args=(server,), daemon=True).start()
    try:
        server.serve_forever(poll_interval=0.05)
    except KeyboardInterrupt:
        pass
    finally:
        server.stopping.set()
        server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
