#!/usr/bin/env python3
"""A loopback HTTP endpoint for the Windows program's tests, which run under Wine and cannot
start it themselves: ctest starts it before them and stops it after them.

  CounterServer.py start DIR   serves on 127.0.0.1 in the background; writes DIR/port and
                               DIR/pid once it listens, and appends one JSON line per complete
                               request (method, target, body) to DIR/requests.jsonl
  CounterServer.py stop DIR    ends the server DIR/pid names

Targets starting with /silent/ get no answer (the connection stays open), /redirect/ gets a
302 to /counts/redirected; everything else "200 OK". The server ends by itself after ten
minutes, so a run that never stops it leaves nothing behind for long.
"""
import http.server
import json
import os
import pathlib
import signal
import sys
import threading
import time

LIFETIME = 600


class Handler(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        length = int(self.headers.get("Content-Length") or 0)
        body = self.rfile.read(length).decode("latin-1")
        record = {"method": self.command, "target": self.path, "body": body}
        with open(self.server.log, "a", encoding="utf-8") as log:
            log.write(json.dumps(record) + "\n")
        if self.path.startswith("/silent/"):
            time.sleep(LIFETIME)
        elif self.path.startswith("/redirect/"):
            self.send_response(302)
            self.send_header("Location", "/counts/redirected")
            self.send_header("Content-Length", "0")
            self.end_headers()
        else:
            self.send_response(200)
            self.send_header("Content-Length", "0")
            self.end_headers()

    do_GET = do_POST

    def log_message(self, *args):
        pass


def start(folder):
    folder.mkdir(parents=True, exist_ok=True)
    for name in ("port", "pid", "requests.jsonl"):
        (folder / name).unlink(missing_ok=True)
    if os.fork() > 0:
        deadline = time.monotonic() + 10
        while not (folder / "port").exists():
            if time.monotonic() > deadline:
                sys.exit("the counter server did not start")
            time.sleep(0.05)
        return
    os.setsid()
    # Nothing of ctest's stays open here: it waits for its test's output to end.
    null = os.open(os.devnull, os.O_RDWR)
    for stream in (0, 1, 2):
        os.dup2(null, stream)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    server.log = folder / "requests.jsonl"
    (folder / "pid").write_text(str(os.getpid()))
    (folder / "port.tmp").write_text(str(server.server_address[1]))
    os.replace(folder / "port.tmp", folder / "port")
    threading.Timer(LIFETIME, lambda: os._exit(0)).start()
    server.serve_forever()


def stop(folder):
    try:
        os.kill(int((folder / "pid").read_text()), signal.SIGTERM)
    except (FileNotFoundError, ProcessLookupError):
        pass


if __name__ == "__main__":
    {"start": start, "stop": stop}[sys.argv[1]](pathlib.Path(sys.argv[2]))
