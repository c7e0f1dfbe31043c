#!/usr/bin/env python3
"""End-to-end test of a first start whose calendar cannot be read.

Runs inside testing/desktop-session.sh like agendix_e2e.py. calendar.conf names a calendar file
that does not exist yet. The program must still put its icon in the tray, say why in the balloon
and in one message box that stays on top, and answer its menu; once the file exists, the next
scan (a left click) shows the appointments and closes the box; "Exit" ends the program.

Usage: agendix_failure_e2e.py PROGRAM ARTEFACT_DIR
"""
import datetime
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../../testing"))
from desktop_checks import (check, find_colour, finish, notify_calls, run,  # noqa: E402
                            screenshot, stop, wait_until)
from agendix_e2e import (ICON_RED, MIN_ICON_PIXELS, click_in_window,  # noqa: E402
                         popped_up_menu, start_watched, visible_windows)


def calendar_path():
    return os.path.join(os.environ["HOME"], "calendars", "work.ics")


def name_calendar_in_profile():
    folder = os.path.join(os.environ["XDG_CONFIG_HOME"], "agendix")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "calendar.conf"), "w", encoding="utf-8") as conf:
        conf.write(calendar_path() + "\n")


def write_calendar():
    day = datetime.date.today()
    os.makedirs(os.path.dirname(calendar_path()), exist_ok=True)
    with open(calendar_path(), "w", encoding="utf-8", newline="") as f:
        f.write("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//agendix//e2e//EN\r\n"
                f"BEGIN:VEVENT\r\nUID:r\r\nDTSTAMP:20260101T000000Z\r\n"
                f"DTSTART:{day:%Y%m%d}T090000\r\nDTEND:{day:%Y%m%d}T103000\r\n"
                "SUMMARY:Review\r\nLOCATION:Room 2\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n")


def failure_boxes():
    """The visible windows titled with the program's name: its message box."""
    out = run("xdotool", "search", "--onlyvisible", "--name", "^Agendix$", check_status=False)
    return out.split()


def stays_on_top(window):
    return "_NET_WM_STATE_ABOVE" in run("xprop", "-id", window, "_NET_WM_STATE",
                                        check_status=False)


def main():
    program, artefacts = sys.argv[1], sys.argv[2]
    os.makedirs(artefacts, exist_ok=True)
    name_calendar_in_profile()
    monitor_log, monitor, agendix = start_watched(program, artefacts)
    try:
        def failure_balloon():
            calls, _ = notify_calls(monitor_log)
            return calls and calls[-1][1] == "Calendar unavailable" and calendar_path() in calls[-1][2]
        check(wait_until(failure_balloon, 10), "the balloon says why the calendar is unavailable")
        check(wait_until(lambda: failure_boxes(), 5), "a message box says it too")
        boxes = failure_boxes()
        if boxes:
            check(stays_on_top(boxes[0]), "the message box stays on top")
        time.sleep(0.5)
        pixels, centre = find_colour(screenshot(artefacts, "failure.png"), ICON_RED, fuzz="12%")
        if not check(pixels >= MIN_ICON_PIXELS, f"the icon is in the tray ({pixels} pixels)"):
            return
        x, y = map(str, centre)

        write_calendar()
        shown = len(notify_calls(monitor_log)[0])
        run("xdotool", "mousemove", x, y, "click", "1")

        def appointments_balloon():
            calls, _ = notify_calls(monitor_log)
            return len(calls) > shown and calls[-1][1:] == (
                "Today:", " [09:00 - 10:30] Review (Room 2)\n\n")
        check(wait_until(appointments_balloon, 5),
              "once the calendar exists, a left click shows its appointments")
        check(wait_until(lambda: not failure_boxes(), 5), "and the message box is gone")
        time.sleep(0.3)  # past the icon's event lock

        before = visible_windows()
        run("xdotool", "mousemove", x, y, "click", "3")
        menus = []
        check(wait_until(lambda: menus.append(popped_up_menu(before)) or menus[-1], 5),
              "a right click opens the menu")
        if menus[-1]:
            time.sleep(0.3)
            screenshot(artefacts, "menu.png")
            _, height = visible_windows()[menus[-1]]
            click_in_window(menus[-1], 40, height - 12)  # "Exit", the last entry
            check(wait_until(lambda: agendix.poll() is not None, 5), "Exit ends the process")
            check(agendix.returncode == 0, f"with status 0 ({agendix.returncode})")
    finally:
        stop(agendix, monitor)


if __name__ == "__main__":
    main()
    finish()
