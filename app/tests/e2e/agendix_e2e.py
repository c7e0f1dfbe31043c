#!/usr/bin/env python3
"""End-to-end test of the whole program against real desktop peers.

Runs inside testing/desktop-session.sh (Xvfb, a private session bus, dunst and the tray host
named by SESSION_TRAY), with a calendar in the session's private home that has appointments
today and tomorrow. Starts agendix and checks through the peers: the notifications dunst
receives (dbus-monitor), screenshots of the tray and the options window, clicks and keys with
xdotool, and the processes themselves.

Usage: agendix_e2e.py PROGRAM ARTEFACT_DIR
"""
import datetime
import html
import json
import os
import re
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../../testing"))
from desktop_checks import (check, find_colour, finish, monitor_notifications,  # noqa: E402
                            notify_calls, run, screenshot, stop, wait_until)

ICON_RED = "#d9342b"
MIN_ICON_PIXELS = 8


# A normal day: ten appointments with subjects and places in many scripts, together well over
# the 256 bytes an icon record of the shell could carry, and a section for tomorrow.
TODAY_EVENTS = [
    ("0800", "0830", "Fr\u00fchst\u00fcck mit J\u00fcrgen", "Caf\u00e9 M\u00fcller"),
    ("0900", "1030", "Review", "Room 2"),
    ("1045", "1115", "\u00dcberpr\u00fcfung der S\u00e4le", "Saal \u00d6"),
    ("1215", "1300", "Mittagessen \u00e0 la carte", "Brasserie Gen\u00e8ve"),
    ("1405", "1500", "R&D <sync>", "B\u00fcro"),
    ("1515", "1545", "Stra\u00dfenplanung", "Rathaus K\u00f6ln"),
    ("1600", "1630", "Sm\u00f8rrebr\u00f8d-Probe", "K\u00f8benhavn"),
    ("1645", "1715", "Cr\u00e8me br\u00fbl\u00e9e", "P\u00e2tisserie"),
    ("1730", "1800", "\u00c6r\u00f8-F\u00e4hre", "Hafen Malm\u00f6"),
    ("1830", "2000", "\u0394\u03b5\u03af\u03c0\u03bd\u03bf \U0001f37d",
     "\u0396\u03c5\u03c1\u03af\u03c7\u03b7"),
]
TOMORROW_EVENTS = [
    ("0800", "0900", "Dentist", ""),
    ("1000", "1100", "Zahn\u00e4rztin Dr. \u00d6l\u00e7er", "Praxis \u00dcberlingen"),
    ("1900", "2130", "Konzert \u2013 Sinfonie Nr. 9", "Philharmonie"),
]


def write_calendar():
    today = datetime.date.today()
    tomorrow = today + datetime.timedelta(days=1)

    def event(uid, day, start, end, summary, location):
        return (f"BEGIN:VEVENT\r\nUID:{uid}\r\nDTSTAMP:20260101T000000Z\r\n"
                f"DTSTART:{day:%Y%m%d}T{start}00\r\nDTEND:{day:%Y%m%d}T{end}00\r\n"
                f"SUMMARY:{summary}\r\nLOCATION:{location}\r\nEND:VEVENT\r\n")

    events = [event(f"today-{i}", today, *e) for i, e in enumerate(TODAY_EVENTS)]
    events += [event(f"tomorrow-{i}", tomorrow, *e) for i, e in enumerate(TOMORROW_EVENTS)]
    text = ("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//agendix//e2e//EN\r\n" +
            "".join(events) + "END:VCALENDAR\r\n")
    folder = os.path.join(os.environ["XDG_DATA_HOME"], "agendix")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "calendar.ics"), "w", encoding="utf-8", newline="") as f:
        f.write(text)


def lines(events):
    """The balloon's lines of `events` as the user reads them."""
    return [f" [{start[:2]}:{start[2:]} - {end[:2]}:{end[2:]}] {summary} ({location})"
            for start, end, summary, location in events]


def markup(text):
    """`text` escaped as the notification markup carries it."""
    return text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")


TODAY_LINES = lines(TODAY_EVENTS)
TOMORROW_LINES = lines(TOMORROW_EVENTS)
TODAY = markup("".join(line + "\n" for line in TODAY_LINES))
TOMORROW = markup("".join(line + "\n" for line in TOMORROW_LINES))
assert len(TODAY.encode()) > 256


def find_icon(path):
    """(pixel count, centre) of the program's red icon in the tray rows of a screenshot."""
    return find_colour(path, ICON_RED, fuzz="12%")


def options_window():
    """The id of the visible options window, or None."""
    out = run("xdotool", "search", "--onlyvisible", "--name", "^\u00bb$", check_status=False)
    ids = out.split()
    return ids[0] if ids else None


def visible_windows():
    """{window id: (width, height)} of the visible windows."""
    windows = {}
    for window in run("xdotool", "search", "--onlyvisible", "--name", "", check_status=False).split():
        geometry = run("xdotool", "getwindowgeometry", window, check_status=False)
        size = re.search(r"Geometry: (\d+)x(\d+)", geometry)
        if size:
            windows[window] = tuple(map(int, size.groups()))
    return windows


def is_notification(window):
    return "dunst" in run("xprop", "-id", window, "WM_CLASS", check_status=False).lower()


def popped_up_menu(before):
    """A window that appeared since `before` with the size of the three-entry menu."""
    for window, (width, height) in visible_windows().items():
        if (window not in before and 50 <= height <= 150 and 60 <= width <= 400 and
                not is_notification(window)):
            return window
    return None


def click_in_window(window, x, y):
    run("xdotool", "mousemove", "--window", window, str(x), str(y), "click", "1")


def window_centre(window):
    """The centre of a window on the screen."""
    geometry = run("xdotool", "getwindowgeometry", window)
    left, top = map(int, re.search(r"Position: (\d+),(\d+)", geometry).groups())
    width, height = map(int, re.search(r"Geometry: (\d+)x(\d+)", geometry).groups())
    return left + width // 2, top + height // 2


def near(point, other, tolerance):
    return all(abs(a - b) <= tolerance for a, b in zip(point, other))


def check_about_box_over(window):
    """"&About" opens the About box over the middle of the options window; Escape closes it."""
    owner = window_centre(window)
    click_in_window(window, 40, 209)  # "&About"
    about = []
    found = wait_until(lambda: about.append(run("xdotool", "search", "--onlyvisible", "--name",
                                                "^About Agendix$", check_status=False).split())
                       or about[-1], 5)
    if check(found, "About opens the About box"):
        centre = window_centre(about[-1][0])
        check(near(centre, owner, 30), f"over the options window ({centre} vs {owner})")
        run("xdotool", "windowfocus", about[-1][0])
        run("xdotool", "key", "Escape")
    check(wait_until(lambda: options_window() is not None, 5),
          "the options window is back when the About box closes")


def status_notifier_tool_tip():
    """The tool tip text of the one StatusNotifierItem registered, as the panel reads it."""
    items = run("dbus-send", "--session", "--print-reply", "--dest=org.kde.StatusNotifierWatcher",
                "/StatusNotifierWatcher", "org.freedesktop.DBus.Properties.Get",
                "string:org.kde.StatusNotifierWatcher", "string:RegisteredStatusNotifierItems")
    service, path = re.search(r'string "([^"]*)"', items).group(1).split("/", 1)
    reply = run("dbus-send", "--session", "--print-reply", f"--dest={service}", "/" + path,
                "org.freedesktop.DBus.Properties.Get", "string:org.kde.StatusNotifierItem",
                "string:ToolTip")
    # struct { icon name, icon pixmaps, title, text }: the title is where the text goes.
    return re.search(r'\]\s+string "(.*)"\s+string ".*"\s+}', reply, re.S).group(1)


def check_tool_tip_has(wanted, what):
    """On a StatusNotifierItem host the icon's tool tip is the whole balloon, line for line."""
    if os.environ.get("SESSION_TRAY") != "xfce4-panel":
        return
    tips = []
    whole = wait_until(lambda: tips.append(status_notifier_tool_tip()) or
                       tips[-1].split("\n") == wanted, 5)
    missing = [line for line in wanted if line not in tips[-1].split("\n")]
    check(whole, f"the icon's tool tip has {what}, every line (missing: {missing})")


def last_notify_has(monitor_log, count, summary, body):
    calls, _ = notify_calls(monitor_log)
    return len(calls) >= count and calls[-1][1:] == (summary, body)


def check_history_has(wanted):
    """dunst keeps the closed balloon with every line of the day."""
    history = json.loads(run("dunstctl", "history"))["data"][0]
    if not check(len(history) >= 1, f"dunst kept the balloon ({len(history)})"):
        return
    body = html.unescape(history[0]["body"]["data"])
    missing = [line for line in wanted if line not in body.split("\n")]
    check(not missing, f"the kept balloon has every line (missing: {missing})")


def start_watched(program, artefacts):
    """Starts a dbus-monitor of the notification calls, then the program: (log, monitor,
    program)."""
    monitor_log = os.path.join(artefacts, "notifications.log")
    monitor = monitor_notifications(monitor_log)
    agendix = subprocess.Popen([program], stdout=subprocess.DEVNULL,
                               stderr=open(os.path.join(artefacts, "agendix.log"), "w"))
    return monitor_log, monitor, agendix


def main():
    program, artefacts = sys.argv[1], sys.argv[2]
    os.makedirs(artefacts, exist_ok=True)
    write_calendar()
    monitor_log, monitor, agendix = start_watched(program, artefacts)
    try:
        check(wait_until(lambda: last_notify_has(monitor_log, 1, "Today:", TODAY + "\n"), 10),
              "the first scan's balloon shows all ten of today's lines, whole")
        time.sleep(0.5)
        screenshot(artefacts, "balloon.png")
        check_tool_tip_has(["Today:"] + TODAY_LINES, "today's ten appointments")
        check(options_window() is None, "the program starts in the tray, its window hidden")
        pixels, centre = find_icon(screenshot(artefacts, "tray.png"))
        if not check(pixels >= MIN_ICON_PIXELS, f"the icon is in the tray ({pixels} pixels)"):
            return
        x, y = map(str, centre)

        second = subprocess.run([program], capture_output=True, timeout=10)
        check(second.returncode == 0, "a second start ends at once")
        check(agendix.poll() is None, "the first copy keeps running")

        run("xdotool", "mousemove", x, y, "click", "1")
        check(wait_until(lambda: last_notify_has(monitor_log, 2, "Today:", TODAY + "\n"), 5),
              "a left click shows the balloon again")
        time.sleep(0.2)  # past the icon's event lock

        if os.environ.get("SESSION_TRAY") == "trayer":
            run("xdotool", "mousemove", "600", "400")
            time.sleep(0.3)
            # Onto the icon, then a small move on it: resting starts from a motion inside.
            run("xdotool", "mousemove", str(centre[0] - 3), y)
            time.sleep(0.1)
            run("xdotool", "mousemove", x, y)
            check(wait_until(lambda: last_notify_has(monitor_log, 3, "Today:", TODAY + "\n"), 5),
                  "resting the pointer on the icon shows the balloon again")
            time.sleep(0.2)

        before = visible_windows()
        run("xdotool", "mousemove", x, y, "click", "3")
        menus = []
        check(wait_until(lambda: menus.append(popped_up_menu(before)) or menus[-1], 5),
              "a right click opens the menu")
        time.sleep(0.3)
        screenshot(artefacts, "menu.png")
        window = None
        if menus[-1]:
            # "Settings" is the middle one of "Show Appointments", "Settings" and "Exit".
            width, height = visible_windows()[menus[-1]]
            click_in_window(menus[-1], width // 2, height // 2)
        if check(wait_until(lambda: options_window() is not None, 5),
                 "Settings in the right-click menu shows the options window"):
            window = options_window()
            time.sleep(0.5)
            screenshot(artefacts, "options-window.png", window)
            centre = window_centre(window)
            check(near(centre, (640, 400), 40), f"in the middle of the screen ({centre})")
            check_about_box_over(window)

        if window:
            shown = len(notify_calls(monitor_log)[0])
            click_in_window(window, 30, 167)  # "Also show tomorrow"
            check(wait_until(lambda: last_notify_has(
                monitor_log, shown + 1, "Today:", TODAY + "\nTomorrow:\n" + TOMORROW + "\n"), 5),
                "ticking Also show tomorrow brings tomorrow's section at once")
            check_tool_tip_has(["Today:"] + TODAY_LINES + ["", "Tomorrow:"] + TOMORROW_LINES,
                               "today's and tomorrow's appointments")
            with open(os.path.join(os.environ["XDG_CONFIG_HOME"], "agendix", "agendix.ini"),
                      encoding="utf-8") as settings:
                check("Tomorrow=yes" in settings.read(), "the option is saved at once")
            click_in_window(window, 118, 209)  # "&Exit"
            check(wait_until(lambda: agendix.poll() is not None, 5), "Exit ends the process")
            check(agendix.returncode == 0, f"with status 0 ({agendix.returncode})")
            time.sleep(0.5)
            pixels, _ = find_icon(screenshot(artefacts, "after-exit.png"))
            check(pixels == 0, f"no icon in the tray after Exit ({pixels} pixels)")
            check(len(notify_calls(monitor_log)[1]) >= 1, "the balloon was closed with the icon")
            check_history_has(TODAY_LINES + ["Tomorrow:"] + TOMORROW_LINES)
    finally:
        stop(agendix, monitor)


if __name__ == "__main__":
    main()
    finish()
