#!/usr/bin/env python3
"""End-to-end test of the program reading calendars on the network.

Runs inside testing/desktop-session.sh (Xvfb, dunst, trayer). A Radicale CalDAV server on
127.0.0.1 holds two calendars of the user "u" (work and home, both holding the same invitation),
and a plain http server on 127.0.0.1 serves a calendar feed with ETags, logging the conditional
headers it is sent. calendar.conf names the server's root (caldav:) and the feed, one a line. The
test starts the real program and reads what it shows through dbus-monitor (the Notify calls to
dunst):

- the first balloons list the events of both CalDAV calendars, the invitation once, and the
  feed's event;
- the feed changes: nothing shows by itself (a feed is fetched again after an hour), a left
  click on the icon a minute after the last fetch brings the change, with a conditional
  request;
- an event is added on the CalDAV server: the program's next check of the server (once a
  minute) brings it, with no click.

Usage: agendix_web_e2e.py PROGRAM ARTEFACT_DIR    (exit 77 when radicale or curl is missing)
"""
import datetime
import hashlib
import json
import os
import shutil
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "../../../testing"))
sys.path.insert(0, os.path.join(HERE, "../../../scan/tests/e2e"))
from agendix_e2e import MIN_ICON_PIXELS, find_icon, start_watched  # noqa: E402
from desktop_checks import (check, finish, notify_calls, run, screenshot, stop,  # noqa: E402
                            wait_until)
from eds_fixture import Radicale, calendar, event, write  # noqa: E402

TODAY = datetime.date.today()
# The program asks the CalDAV server for news once a minute, and a scan fetches a feed again
# when its last fetch is a minute old.
CHECK_INTERVAL = 60
ARRIVES_WITHIN = 5


def line(start, end, summary):
    return f" [{start} - {end}] {summary} ()"


class Feed:
    """A calendar feed at http://127.0.0.1:PORT/feed.ics with an ETag; a request whose
    If-None-Match matches gets 304. Every request is kept as (path, If-None-Match, status)."""

    def __init__(self, text):
        self.text = text.encode("utf-8")
        self.requests = []
        feed = self

        class Handler(BaseHTTPRequestHandler):
            protocol_version = "HTTP/1.1"

            def log_message(self, *args):
                pass

            def do_GET(self):
                etag = '"%s"' % hashlib.sha1(feed.text).hexdigest()
                asked = self.headers.get("If-None-Match")
                status = 304 if asked == etag else 200
                feed.requests.append((self.path, asked, status))
                self.send_response(status)
                self.send_header("ETag", etag)
                self.send_header("Content-Type", "text/calendar; charset=utf-8")
                self.send_header("Content-Length", "0" if status == 304 else str(len(feed.text)))
                self.end_headers()
                if status == 200:
                    self.wfile.write(feed.text)

        self.server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.server.daemon_threads = True
        threading.Thread(target=self.server.serve_forever, daemon=True).start()
        self.url = "http://127.0.0.1:%d/feed.ics" % self.server.server_address[1]

    def stop(self):
        self.server.shutdown()


class Balloons:
    """The Notify calls seen so far, and waiting for one whose body has a text."""

    def __init__(self, log):
        self.log = log

    def bodies(self):
        return [body for _, _, body in notify_calls(self.log)[0]]

    def count(self):
        return len(self.bodies())

    def wait_for(self, text, seconds, seen):
        """The time a balloon whose body holds `text` arrived after the first `seen`, else None."""
        if wait_until(lambda: any(text in body for body in self.bodies()[seen:]), seconds):
            return time.monotonic()
        return None


def main():
    program, artefacts = sys.argv[1], sys.argv[2]
    os.makedirs(artefacts, exist_ok=True)
    for tool in ("radicale", "curl"):
        if not shutil.which(tool):
            print(f"SKIP: {tool} is not installed (scripts/packages/caldav.txt)")
            return 77

    server = Radicale(os.path.join(os.environ["SESSION_DIR"], "radicale"))
    invitation = event("invitation", TODAY, "1200", "1300", "Board meeting")
    for name, uid, start, end, summary in (("work", "planning", "0900", "0930", "Planning"),
                                           ("home", "dentist", "1600", "1630", "Dentist")):
        server.make_calendar(f"/u/{name}/")
        server.put_event(f"/u/{name}/", uid, calendar(event(uid, TODAY, start, end, summary)))
        server.put_event(f"/u/{name}/", "invitation", calendar(invitation))
    feed = Feed(calendar(event("feed-1", TODAY, "1400", "1500", "Team sport")))
    write(os.path.join(os.environ["XDG_CONFIG_HOME"], "agendix", "calendar.conf"),
          "# a CalDAV server's root: every calendar of the user's home\n"
          f"caldav:http://u@127.0.0.1:{server.port}/\n"
          "# a calendar feed\n"
          f"{feed.url}\n")

    monitor_log, monitor, agendix = start_watched(program, artefacts)
    started = time.monotonic()
    try:
        run_cases(Balloons(monitor_log), feed, server, started, artefacts)
        check(agendix.poll() is None, "the program still runs")
    finally:
        stop(agendix, monitor)
        feed.stop()
        server.stop()


def run_cases(balloons, feed, server, started, artefacts):
    planning, dentist = line("09:00", "09:30", "Planning"), line("16:00", "16:30", "Dentist")
    board, sport = line("12:00", "13:00", "Board meeting"), line("14:00", "15:00", "Team sport")
    whole = [planning, board, dentist, sport]
    if not check(wait_until(lambda: any(all(part in body for part in whole)
                                        for body in balloons.bodies()), 20),
                 "a balloon lists both CalDAV calendars and the feed "
                 f"({balloons.bodies()[-1:]!r})"):
        return
    titles = [title for _, title, _ in notify_calls(balloons.log)[0]]
    check(titles and all(title == "Today:" for title in titles),
          f"no failure is shown while the calendars are being fetched ({titles})")
    first = next(body for body in balloons.bodies() if all(part in body for part in whole))
    check(first.count("Board meeting") == 1,
          "the invitation both CalDAV calendars hold is listed once")
    screenshot(artefacts, "balloon.png")
    cache = os.path.join(os.environ["XDG_CACHE_HOME"], "agendix", "caldav")
    copies = [folder for folder, _, files in os.walk(cache)
              if any(name.endswith(".ics") for name in files)]
    check(len(copies) == 2, f"each CalDAV calendar has a copy of its own ({len(copies)})")

    # The feed changes: a left click a minute after its last fetch brings the change.
    feed.text = calendar(event("feed-1", TODAY, "1430", "1530", "Team sport")).encode("utf-8")
    moved = line("14:30", "15:30", "Team sport")
    early = balloons.wait_for(moved, max(0.0, started + CHECK_INTERVAL + 4 - time.monotonic()),
                              balloons.count())
    check(early is None, "the changed feed does not show by itself within the minute")
    pixels, (x, y) = find_icon(screenshot(artefacts, "tray.png"))
    if not check(pixels >= MIN_ICON_PIXELS, f"the icon is in the tray ({pixels} pixels)"):
        return
    clicked, seen = time.monotonic(), balloons.count()
    run("xdotool", "mousemove", str(x), str(y), "click", "1")
    arrived = balloons.wait_for(moved, ARRIVES_WITHIN, seen)
    check(arrived is not None,
          f"a left click brings the changed feed within {ARRIVES_WITHIN} s" +
          (f" ({arrived - clicked:.1f} s)" if arrived else ""))
    check(len(feed.requests) >= 2 and feed.requests[-1][1] is not None,
          f"the feed was asked again with its ETag ({feed.requests})")

    # An event added on the CalDAV server shows after the program's next check.
    changed, seen = time.monotonic(), balloons.count()
    server.put_event("/u/home/", "review", calendar(event("review", TODAY, "1700", "1800",
                                                          "Review")))
    arrived = balloons.wait_for(line("17:00", "18:00", "Review"), CHECK_INTERVAL + ARRIVES_WITHIN,
                                seen)
    check(arrived is not None,
          "an event added on the CalDAV server shows after the next check" +
          (f" ({arrived - changed:.1f} s)" if arrived else ""))
    screenshot(artefacts, "changed.png")
    with open(os.path.join(artefacts, "feed-requests.json"), "w") as log:
        json.dump(feed.requests, log)


if __name__ == "__main__":
    if datetime.datetime.now().time() > datetime.time(23, 55):
        print("SKIPPED: too close to midnight for a day's balloon")
        sys.exit(0)
    status = main()
    if status is not None:
        sys.exit(status)
    finish()
