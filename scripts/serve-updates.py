#!/usr/bin/env python3
"""Serves dist/win64/server/ on a local port for trying Update by hand.

Hushbar asks for the update host's URL; with the system proxy setting pointed here, the
request arrives with the whole URL in its request line ("GET http://host/hushbar/...").
This server answers such requests by their path, as it answers plain ones, so it stands in
for the update server without any change to the program. Loopback only; Ctrl+C stops it.
"""
import argparse
import functools
import http.server
import os
import urllib.parse


class Handler(http.server.SimpleHTTPRequestHandler):
    def translate_path(self, path):
        if "://" in path:
            path = urllib.parse.urlsplit(path).path or "/"
        return super().translate_path(path)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port", type=int, default=8000)
    parser.add_argument("--root", default=os.path.join(here, "..", "dist", "win64", "server"))
    options = parser.parse_args()
    handler = functools.partial(Handler, directory=os.path.abspath(options.root))
    with http.server.ThreadingHTTPServer(("127.0.0.1", options.port), handler) as server:
        print("Serving %s on 127.0.0.1:%d" % (os.path.abspath(options.root), options.port))
        server.serve_forever()


if __name__ == "__main__":
    main()
