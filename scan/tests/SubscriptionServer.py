"""A loopback https server for the subscription tests, with a throwaway CA.

Usage: SubscriptionServer.py FOLDER
Makes FOLDER/ca.pem, FOLDER/server.pem and FOLDER/server.key (signed by the CA, for localhost
and 127.0.0.1), serves on a free port of 127.0.0.1 and writes the port to FOLDER/port. Paths:
  /feed.ics   FOLDER/feed.ics, with an ETag and Last-Modified; 304 when a validator matches
  /html       an HTML error page with status 200
  /truncated  a Content-Length larger than what is sent, then the connection closes
  /cut        half a calendar without Content-Length, then the connection closes
  /hang       never answers
  /loop       redirects to itself
  /big        announces 64 MB
  /401 /403 /404  those statuses
Every request is logged to FOLDER/requests.log as one JSON object per line: the path, the
conditional headers and the status answered.
"""

import hashlib
import json
import os
import ssl
import subprocess
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

FOLDER = sys.argv[1]


def path(name):
    return os.path.join(FOLDER, name)


def make_certificates():
    def run(*arguments):
        subprocess.run(["openssl", *arguments], check=True, capture_output=True)

    run("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=Test CA",
        "-keyout", path("ca.key"), "-out", path("ca.pem"),
        "-addext", "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=keyCertSign")
    run("req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=localhost",
        "-keyout", path("server.key"), "-out", path("server.csr"))
    with open(path("ext.cnf"), "w") as ext:
        ext.write("subjectAltName=DNS:localhost,IP:127.0.0.1\n")
    run("x509", "-req", "-in", path("server.csr"), "-CA", path("ca.pem"), "-CAkey", path("ca.key"),
        "-CAcreateserial", "-days", "2", "-extfile", path("ext.cnf"), "-out", path("server.pem"))


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def log_request_line(self, status):
        with open(path("requests.log"), "a") as log:
            log.write(json.dumps({
                "path": self.path,
                "if-none-match": self.headers.get("If-None-Match"),
                "if-modified-since": self.headers.get("If-Modified-Since"),
                "status": status,
            }) + "\n")

    def answer(self, status, body=b"", content_type="text/calendar", headers=()):
        self.log_request_line(status)
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        for name, value in headers:
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        if self.path == "/feed.ics":
            with open(path("feed.ics"), "rb") as feed:
                body = feed.read()
            etag = '"' + hashlib.sha1(body).hexdigest() + '"'
            modified = "Mon, 07 Dec 2026 08:00:00 GMT"
            if self.headers.get("If-None-Match") == etag:
                self.log_request_line(304)
                self.send_response(304)
                self.send_header("ETag", etag)
                self.end_headers()
                return
            self.answer(200, body, headers=[("ETag", etag), ("Last-Modified", modified)])
        elif self.path == "/html":
            self.answer(200, b"<html><body>Service unavailable</body></html>", "text/html")
        elif self.path == "/truncated":
            self.log_request_line(200)
            self.send_response(200)
            self.send_header("Content-Length", "5000")
            self.end_headers()
            self.wfile.write(b"BEGIN:VCALENDAR\r\nVERSION:2.0\r\n")
            self.wfile.flush()
            self.close_connection = True
        elif self.path == "/cut":
            self.log_request_line(200)
            self.send_response(200)
            self.send_header("Connection", "close")
            self.end_headers()
            self.wfile.write(b"BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:x\r\n")
            self.wfile.flush()
            self.close_connection = True
        elif self.path == "/hang":
            self.log_request_line(0)
            time.sleep(60)
        elif self.path == "/loop":
            self.answer(302, headers=[("Location", "/loop")])
        elif self.path == "/big":
            self.log_request_line(200)
            self.send_response(200)
            self.send_header("Content-Length", str(64 * 1024 * 1024))
            self.end_headers()
            try:
                chunk = b"X" * 65536
                for _ in range(1024):
                    self.wfile.write(chunk)
            except OSError:
                pass
            self.close_connection = True
        elif self.path in ("/401", "/403", "/404"):
            self.answer(int(self.path[1:]), b"no", "text/plain")
        else:
            self.answer(404, b"no", "text/plain")


def main():
    make_certificates()
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    server.handle_error = lambda request, address: None  # clients that hang up are expected
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(path("server.pem"), path("server.key"))
    server.socket = context.wrap_socket(server.socket, server_side=True)
    with open(path("port.tmp"), "w") as port:
        port.write(str(server.server_address[1]))
    os.rename(path("port.tmp"), path("port"))
    server.serve_forever()


if __name__ == "__main__":
    main()
