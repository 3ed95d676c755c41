#!/usr/bin/env python3
"""A stand-in for the MusicBrainz web service and the Cover Art Archive on 127.0.0.1.

    lookup_server.py ANSWERS PLAN PORT_FILE LOG

It listens on a free port of 127.0.0.1, writes the port into PORT_FILE, and answers
GET /ws/2/discid/ID?... as the plan file says for ID, one line per disc id:

    ID answer FILE   200 with ANSWERS/FILE
    ID toc FILE      404 for the id, 200 with ANSWERS/FILE when asked with toc=
    ID missing       404, with or without toc=
    ID busy FILE     503 the first time, then 200 with ANSWERS/FILE
    ID down          503 every time
    ID garbage       200 with a page that is not JSON
    ID slow FILE     ANSWERS/FILE after 5 seconds
    ID close         the connection closed without an answer

GET /accuraterip/X/Y/Z/NAME.bin answers as the plan's line for NAME.bin says, with the
same words (an "answer" FILE is sent as bytes; "garbage" is bytes that are no whole
database record; "html" is the page some servers send for a disc they do not know).

GET /release/MBID/front-500 redirects, as the archive does, to /images/MBID.jpg, which
answers with ANSWERS/MBID.jpg when the test put one there, else 404. Every request is
logged as one line "PATH?QUERY<TAB>USER-AGENT" in LOG.
"""

import http.server
import os
import socketserver
import sys
import threading
import time
import urllib.parse

ANSWERS, PLAN, PORT_FILE, LOG = sys.argv[1:5]
LOG_LOCK = threading.Lock()
BUSY_SEEN = set()


def plan_for(disc_id):
    with open(PLAN, encoding="utf-8") as plan:
        for line in plan:
            words = line.split()
            if words and words[0] == disc_id:
                return words[1:]
    return ["missing"]


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def answer(self, status, body=b"", kind="application/json", headers=()):
        self.send_response(status)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(body)))
        for name, value in headers:
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(body)

    def answer_file(self, name, kind="application/json"):
        with open(os.path.join(ANSWERS, name), "rb") as answer:
            self.answer(200, answer.read(), kind)

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        with LOG_LOCK, open(LOG, "a", encoding="utf-8") as log:
            log.write("%s?%s\t%s\n" % (url.path, url.query, self.headers.get("User-Agent", "")))
        parts = url.path.strip("/").split("/")
        if parts[:3] == ["ws", "2", "discid"] and len(parts) == 4:
            self.disc(parts[3], "toc" in urllib.parse.parse_qs(url.query))
        elif len(parts) == 5 and parts[0] == "accuraterip":
            self.accuraterip(parts[4])
        elif len(parts) == 3 and parts[0] == "release" and parts[2] == "front-500":
            self.answer(307, headers=[("Location", "/images/%s.jpg" % parts[1])])
        elif len(parts) == 2 and parts[0] == "images" and os.path.exists(os.path.join(ANSWERS, parts[1])):
            self.answer_file(parts[1], "image/jpeg")
        else:
            self.answer(404, b'{"error": "Not Found"}')

    def disc(self, disc_id, by_toc):
        behaviour, *rest = plan_for(disc_id)
        if behaviour == "answer" or (behaviour == "toc" and by_toc):
            self.answer_file(rest[0])
        elif behaviour == "busy":
            if disc_id in BUSY_SEEN:
                self.answer_file(rest[0])
            else:
                BUSY_SEEN.add(disc_id)
                self.answer(503, b'{"error": "Your requests are exceeding the allowable rate limit."}')
        elif behaviour == "down":
            self.answer(503, b'{"error": "The service is temporarily unavailable."}')
        elif behaviour == "garbage":
            self.answer(200, b"<html><body>Service temporarily down</body></html>", "text/html")
        elif behaviour == "slow":
            time.sleep(5)
            self.answer_file(rest[0])
        elif behaviour == "close":
            self.close_connection = True
            self.connection.shutdown(2)
        else:
            self.answer(404, b'{"error": "Not found"}')

    def accuraterip(self, name):
        behaviour, *rest = plan_for(name)
        if behaviour == "answer":
            self.answer_file(rest[0], "application/octet-stream")
        elif behaviour == "garbage":
            self.answer(200, bytes(range(40)), "application/octet-stream")
        elif behaviour == "html":
            self.answer(200, b"<html><body>No such disc</body></html>", "text/html")
        elif behaviour == "close":
            self.close_connection = True
            self.connection.shutdown(2)
        else:
            self.answer(404, b"<html><body>404 Not Found</body></html>", "text/html")


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True


server = Server(("127.0.0.1", 0), Handler)
with open(PORT_FILE + ".part", "w") as port:
    port.write(str(server.server_address[1]))
os.rename(PORT_FILE + ".part", PORT_FILE)
server.serve_forever()
