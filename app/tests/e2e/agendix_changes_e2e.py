#!/usr/bin/env python3
"""End-to-end test of the scans that changes start.

Runs inside testing/desktop-session.sh like agendix_e2e.py. The program runs with a calendar
file; the test changes the calendar the ways editors and sync tools do (a new file renamed over
the old, a write in place, delete and re-create, a change on another day, then a folder
calendar named in calendar.conf that gains a file) and checks through dbus-monitor that each
change that alters the day brings exactly one new balloon within a second or two, and that a
change on another day brings none.

Usage: agendix_changes_e2e.py PROGRAM ARTEFACT_DIR
"""
import datetime
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../../testing"))
from desktop_checks import check, finish, notify_calls, stop, wait_until  # noqa: E402
from agendix_e2e import start_watched  # noqa: E402

TODAY = datetime.date.today()
LATER = TODAY + datetime.timedelta(days=3)
# How long a change may take to reach the balloon, and how long to wait for one that must not
# come (the program waits about 0.3 s for a burst of file events to end).
ARRIVES_WITHIN = 3
QUIET_FOR = 2


def event(uid, day, start, summary):
    return (f"BEGIN:VEVENT\r\nUID:{uid}\r\nDTSTAMP:20260101T000000Z\r\n"
            f"DTSTART:{day:%Y%m%d}T{start}00\r\nDURATION:PT30M\r\n"
            f"SUMMARY:{summary}\r\nEND:VEVENT\r\n")


def calendar(*events):
    return ("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//agendix//e2e//EN\r\n" +
            "".join(events) + "END:VCALENDAR\r\n")


def line(start, end, summary):
    return f" [{start} - {end}] {summary} ()\n"


def write(path, text):
    with open(path, "w", encoding="utf-8", newline="") as f:
        f.write(text)


def rename_over(path, text):
    """As editors and sync tools save: a new file renamed over the old one."""
    write(path + ".tmp", text)
    os.rename(path + ".tmp", path)


class Balloons:
    def __init__(self, log):
        self.log = log
        self.seen = 0

    def count(self):
        return len(notify_calls(self.log)[0])

    def expect_one(self, body, what):
        """Exactly one new balloon, with `body`, after the change just made."""
        arrived = wait_until(lambda: self.count() > self.seen, ARRIVES_WITHIN)
        time.sleep(QUIET_FOR)
        calls = notify_calls(self.log)[0][self.seen:]
        self.seen += len(calls)
        check(arrived and len(calls) == 1 and calls[0][2] == body,
              f"{what}: one balloon ({[c[2] for c in calls]})")

    def expect_none(self, what):
        time.sleep(QUIET_FOR)
        calls = notify_calls(self.log)[0][self.seen:]
        self.seen += len(calls)
        check(not calls, f"{what}: no balloon ({len(calls)})")


def main():
    program, artefacts = sys.argv[1], sys.argv[2]
    os.makedirs(artefacts, exist_ok=True)
    folder = os.path.join(os.environ["XDG_DATA_HOME"], "agendix")
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, "calendar.ics")
    write(path, calendar(event("a", TODAY, "0900", "Review")))

    monitor_log, monitor, agendix = start_watched(program, artefacts)
    balloons = Balloons(monitor_log)
    try:
        review = line("09:00", "09:30", "Review")
        balloons.expect_one(review + "\n", "the first scan")

        rename_over(path, calendar(event("a", TODAY, "0900", "Review"),
                                   event("b", TODAY, "1100", "Lunch")))
        balloons.expect_one(review + line("11:00", "11:30", "Lunch") + "\n", "a rename over it")

        write(path, calendar(event("a", TODAY, "0930", "Review")))
        balloons.expect_one(line("09:30", "10:00", "Review") + "\n", "a write in place")

        rename_over(path, calendar(event("a", TODAY, "0930", "Review"),
                                   event("c", LATER, "0800", "Dentist")))
        balloons.expect_none("a change on another day")

        os.remove(path)
        write(path, calendar(event("a", TODAY, "1000", "Review")))
        balloons.expect_one(line("10:00", "10:30", "Review") + "\n", "delete and re-create")

        vdir = os.path.join(os.environ["HOME"], "vdir")
        os.makedirs(vdir)
        write(os.path.join(vdir, "a.ics"), calendar(event("a", TODAY, "1300", "Call")))
        write(os.path.join(os.environ["XDG_CONFIG_HOME"], "agendix", "calendar.conf"), vdir + "\n")
        balloons.expect_one(line("13:00", "13:30", "Call") + "\n", "calendar.conf names a folder")

        write(os.path.join(vdir, "b.ics"), calendar(event("b", TODAY, "1500", "Walk")))
        balloons.expect_one(line("13:00", "13:30", "Call") + line("15:00", "15:30", "Walk") + "\n",
                            "a new file in the folder")
    finally:
        stop(agendix, monitor)


if __name__ == "__main__":
    if datetime.datetime.now().time() > datetime.time(23, 58):
        print("SKIPPED: too close to midnight for a day's balloon")
        sys.exit(0)
    main()
    finish()
