#!/usr/bin/env python3
"""End-to-end test of the program reading the desktop's calendar service.

Runs inside testing/desktop-session.sh (Xvfb, dunst, a tray host) with a private Evolution Data
Server on that session's bus: before anything asks the bus for the service, the test writes a
local calendar source, makes it the service's default calendar (GSettings keyfile backend) and
writes calendar.conf saying "eds:". It starts the program, then, as a second process using the
service's API as a calendar program would, adds, moves and deletes an event of today and adds
one five days ahead. dbus-monitor records the Notify calls to dunst and dunst's replies:
each change of today must bring exactly one Notify within ARRIVES_WITHIN seconds, replacing
the balloon shown before (the id dunst gave it), and the change on another day none within
QUIET_FOR seconds.

Usage: agendix_eds_e2e.py PROGRAM ARTEFACT_DIR    (exit 77 when a tool is missing)
"""
import datetime
import os
import re
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "../../../testing"))
sys.path.insert(0, os.path.join(HERE, "../../../scan/tests/e2e"))
from desktop_checks import check, finish, run, screenshot, stop, wait_until  # noqa: E402
from eds_fixture import (EMPTY_CALENDAR, Fixture, event, missing_tools,  # noqa: E402
                         service_client)

TODAY = datetime.date.today()
LATER = TODAY + datetime.timedelta(days=5)
ARRIVES_WITHIN = 2.0
QUIET_FOR = 3.0
NOTIFICATIONS = "org.freedesktop.Notifications"


class Notifications:
    """The Notify calls on the session bus and the ids dunst answered them with, from a
    dbus-monitor log: [(time, replaces_id, summary, body, id or None)]."""

    def __init__(self, artefacts):
        owner = run("dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus",
                    "/org/freedesktop/DBus", "org.freedesktop.DBus.GetNameOwner",
                    "string:" + NOTIFICATIONS)
        dunst = re.search(r'string "([^"]+)"', owner).group(1)
        self.log = os.path.join(artefacts, "notifications.log")
        self.monitor = subprocess.Popen(
            ["dbus-monitor", "--session",
             f"type='method_call',interface='{NOTIFICATIONS}',member='Notify'",
             f"type='method_return',sender='{dunst}'"],
            stdout=open(self.log, "w"), stderr=subprocess.DEVNULL)
        wait_until(lambda: os.path.getsize(self.log) > 0, 5)

    def calls(self):
        with open(self.log, encoding="utf-8", errors="replace") as log:
            text = log.read()
        # One message per block: a header line, then its arguments (a text may span lines).
        blocks = re.split(r"\n(?=(?:method call|method return|signal|error) time=)", text)
        calls, replies = [], {}
        for block in blocks:
            header = block.split("\n", 1)[0]
            fields = dict(re.findall(r"(\w+)=(\S+)", header))
            if header.startswith("method call") and "member=Notify" in header:
                found = re.search(r'\n\s+string "[^"]*"\n\s+uint32 (\d+)\n\s+string "[^"]*"\n'
                                  r'\s+string "(.*?)"\n\s+string "(.*?)"\n\s+array \[',
                                  block, re.S)
                if found:
                    calls.append([float(fields["time"]), int(found.group(1)), found.group(2),
                                  found.group(3), (fields["sender"], fields["serial"])])
            elif header.startswith("method return"):
                value = re.search(r"\n\s+uint32 (\d+)", block)
                if value:
                    replies[(fields["destination"], fields["reply_serial"])] = int(value.group(1))
        return [(t, r, s, b, replies.get(key)) for t, r, s, b, key in calls]

    def stop(self):
        stop(self.monitor)


def line(start, end, summary):
    return f" [{start} - {end}] {summary} ()"


def dunst_count(which):
    return int(run("dunstctl", "count", which).strip() or "0")


def main():
    program, artefacts = sys.argv[1], sys.argv[2]
    os.makedirs(artefacts, exist_ok=True)
    missing = missing_tools()
    if missing:
        print(f"SKIP: {missing} is not installed (scripts/packages/eds.txt)")
        return 77

    # Written before the service's first start on this bus, which reads them then.
    fixture = Fixture(os.environ["SESSION_DIR"], env=os.environ)
    fixture.add_source("work", EMPTY_CALENDAR, name="Work")
    fixture.set_default("work")
    fixture.set_profile("# the desktop's calendar service, its default calendar\neds:\n")
    os.environ.update(fixture.env)
    # The service's daemons start on demand with the bus's environment: the same settings.
    run("dbus-update-activation-environment", "GSETTINGS_BACKEND=keyfile", "GIO_USE_VFS=local")

    notifications = Notifications(artefacts)
    agendix = subprocess.Popen([program], stdout=subprocess.DEVNULL,
                               stderr=open(os.path.join(artefacts, "agendix.log"), "w"))
    try:
        run_changes(notifications, artefacts)
        check(agendix.poll() is None, "the program still runs")
    finally:
        stop(agendix)
        notifications.stop()
    return None


def run_changes(notifications, artefacts):
    # The first scans: the service opens the calendar, then the (empty) day shows. Settled when
    # no balloon has come for a second and a half.
    def settled():
        calls = notifications.calls()
        return calls and time.time() - calls[-1][0] > 1.5 and calls[-1][4] is not None

    if not check(wait_until(settled, 30), "the first balloons came and dunst answered them"):
        return
    calls = notifications.calls()
    balloon = calls[-1][4]
    print(f"     first balloons: {[(c[1], c[2], c[3]) for c in calls]}; id {balloon}")
    check("still" not in calls[-1][3], "the last first balloon is the day's list")

    client, ECal, ICalGLib = service_client("work")
    flags = ECal.OperationFlags.NONE
    seen = len(calls)

    def change(action, what, title, body_has=None, body_lacks=None):
        nonlocal seen
        started = time.time()
        action()
        arrived = wait_until(lambda: len(notifications.calls()) > seen, ARRIVES_WITHIN)
        time.sleep(1.0)  # a second balloon for the same change would come in this time
        new = notifications.calls()[seen:]
        seen += len(new)
        if not check(arrived and len(new) == 1,
                     f"{what}: one balloon within {ARRIVES_WITHIN} s ({len(new)}"
                     + (f", after {new[0][0] - started:.2f} s)" if new else ")")):
            return
        _, replaces, summary, body, answered = new[0]
        check(replaces == balloon and answered == balloon,
              f"{what}: it replaced balloon {balloon} (replaces {replaces}, dunst answered "
              f"{answered})")
        check(summary == title, f"{what}: its title is {title!r} ({summary!r})")
        if body_has is not None:
            check(body_has in body, f"{what}: it shows {body_has!r} ({body!r})")
        if body_lacks is not None:
            check(body_lacks not in body, f"{what}: it no longer shows {body_lacks!r}")
        check(dunst_count("displayed") <= 1 and dunst_count("waiting") == 0,
              f"{what}: dunst shows one balloon at most")

    added = ICalGLib.Component.new_from_string(event("e2e-1", TODAY, "0900", "0930", "Planning"))
    change(lambda: client.create_object_sync(added, flags, None), "an added event", "Today:",
           body_has=line("09:00", "09:30", "Planning"))
    screenshot(artefacts, "added.png")
    moved = ICalGLib.Component.new_from_string(event("e2e-1", TODAY, "1100", "1130", "Planning"))
    change(lambda: client.modify_object_sync(moved, ECal.ObjModType.ALL, flags, None),
           "a moved event", "Today:", body_has=line("11:00", "11:30", "Planning"),
           body_lacks="09:00")
    change(lambda: client.remove_object_sync("e2e-1", None, ECal.ObjModType.ALL, flags, None),
           "a deleted event", "No Appointments", body_lacks="Planning")

    elsewhere = ICalGLib.Component.new_from_string(
        event("e2e-2", LATER, "1000", "1100", "Next week"))
    client.create_object_sync(elsewhere, flags, None)
    time.sleep(QUIET_FOR)
    new = notifications.calls()[seen:]
    check(not new, f"an event five days ahead: no balloon within {QUIET_FOR} s ({len(new)})")


if __name__ == "__main__":
    if datetime.datetime.now().time() > datetime.time(23, 58):
        print("SKIPPED: too close to midnight for a day's balloon")
        sys.exit(0)
    status = main()
    if status is not None:
        sys.exit(status)
    finish()
