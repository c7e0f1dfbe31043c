#!/usr/bin/env python3
"""End-to-end test of the tray control against real desktop peers.

Runs inside testing/desktop-session.sh (an Xvfb display, a private session bus, dunst and the
tray host named by SESSION_TRAY). Starts tray-test-host, which shows its icon with a balloon
(Show(true) twice), and checks everything through the peers, not the program: the Notify calls
dunst received (dbus-monitor) and what dunst shows and keeps (dunstctl), screenshots of the tray
(the icon is a magenta square, found by its colour, since a StatusNotifierItem has no window of
its own), and clicks and hover with xdotool.

Usage: tray_e2e.py HOST_PROGRAM ARTEFACT_DIR [--panel-restart]
--panel-restart (in a session without a tray host) starts xfce4-panel itself: once after the
program, and once while a program shows its icon, ending and restarting the panel; the icon must
show up and answer clicks each time.
"""
import json
import os
import queue
import re
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../../../testing"))
from desktop_checks import (check, find_colour, finish, monitor_notifications,  # noqa: E402
                            notify_calls, run, screenshot, wait_until)

TITLE = "Today: Z\u00fcrich"
BODY = (" [09:00 - 10:00] R&amp;D &lt;sync&gt; (B\u00fcro)\n"
        " [14:05 - 15:00] Caf\u00e9 \"\u00dc\" &amp; more\n")
MIN_ICON_PIXELS = 100
# The program's names that tray-test-host hands the notification area.
APP_NAME = "Agendix"
DESKTOP_ENTRY = "agendix"
ICON_NAME = "agendix"


class Host:
    """tray-test-host with its output lines gathered as they come."""

    def __init__(self, program):
        self.process = subprocess.Popen([program], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        text=True, bufsize=1)
        self.lines = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.process.stdout:
            self.lines.put(line.strip())

    def send(self, command):
        self.process.stdin.write(command + "\n")
        self.process.stdin.flush()

    def drain(self):
        while not self.lines.empty():
            self.lines.get_nowait()

    def expect(self, wanted, seconds=5):
        deadline = time.monotonic() + seconds
        while True:
            remaining = deadline - time.monotonic()
            if remaining <= 0:
                return False
            try:
                if self.lines.get(timeout=remaining) == wanted:
                    return True
            except queue.Empty:
                return False

    def stop(self):
        if self.process.poll() is None:
            self.send("quit")
            try:
                self.process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


def find_icon(path):
    """(pixel count, centre) of the magenta icon in the tray rows of the screenshot."""
    return find_colour(path, "#ff00ff")


def watcher_property(name):
    return run("dbus-send", "--session", "--print-reply", "--dest=org.kde.StatusNotifierWatcher",
               "/StatusNotifierWatcher", "org.freedesktop.DBus.Properties.Get",
               "string:org.kde.StatusNotifierWatcher", f"string:{name}")


def status_notifier_tool_tip():
    """The tool tip text of the one StatusNotifierItem registered, as the panel reads it."""
    item = re.search(r'string "([^"]*)"', watcher_property("RegisteredStatusNotifierItems"))
    service, path = item.group(1).split("/", 1)
    reply = run("dbus-send", "--session", "--print-reply", f"--dest={service}", "/" + path,
                "org.freedesktop.DBus.Properties.Get", "string:org.kde.StatusNotifierItem",
                "string:ToolTip")
    # struct { icon name, icon pixmaps, title, text }: the title is where the text goes.
    return re.search(r'\]\s+string "(.*)"\s+string ".*"\s+}', reply, re.S).group(1)


class Panel:
    """xfce4-panel started by the test itself, ended by its PID."""

    def __init__(self):
        self.process = subprocess.Popen(["xfce4-panel", "--disable-wm-check"],
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        check(wait_until(self._host_registered, 15), "xfce4-panel is up as a tray host")

    @staticmethod
    def _host_registered():
        try:
            return "boolean true" in watcher_property("IsStatusNotifierHostRegistered")
        except subprocess.CalledProcessError:
            return False

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=10)


def icon_appears(artefacts, name):
    """The icon's centre once a screenshot shows it (up to 10 s), or None."""
    found = []

    def look():
        pixels, centre = find_icon(screenshot(artefacts, name))
        if pixels >= MIN_ICON_PIXELS:
            found.append(centre)
        return bool(found)

    wait_until(look, 10)
    return found[0] if found else None


def left_click_reaches(host, centre):
    host.drain()
    run("xdotool", "mousemove", *map(str, centre), "click", "1")
    return host.expect("LeftClick")


def panel_restart(program, artefacts):
    host = Host(program)
    panel = None
    try:
        check(host.expect("shown", 10), "the host showed its icon with no tray host running")
        panel = Panel()
        centre = icon_appears(artefacts, "late-panel.png")
        if check(centre is not None, "the icon shows up in a panel started after the program"):
            check(left_click_reaches(host, centre), "and a left click on it raises LeftClick")
    finally:
        host.stop()
    host = Host(program)
    try:
        check(host.expect("shown", 10), "a new host showed its icon in the running panel")
        check(icon_appears(artefacts, "before-restart.png") is not None, "the icon is there")
        panel.stop()
        panel = Panel()
        centre = icon_appears(artefacts, "after-restart.png")
        if check(centre is not None, "the icon is back after the panel restarted"):
            check(left_click_reaches(host, centre), "and a left click on it raises LeftClick")
    finally:
        host.stop()
        if panel:
            panel.stop()


def notify_senders(log_path):
    """(app_name, app_icon, string hints) of each Notify call in a dbus-monitor log."""
    with open(log_path, encoding="utf-8", errors="replace") as log:
        calls = log.read().split("member=Notify\n")[1:]
    senders = []
    for call in calls:
        app_name, app_icon = re.match(
            r'\s+string "([^"]*)"\n\s+uint32 \d+\n\s+string "([^"]*)"\n', call).groups()
        hints = re.findall(r'dict entry\(\s+string "([^"]*)"\s+variant\s+string "([^"]*)"',
                           call.split("method call")[0])
        senders.append((app_name, app_icon, dict(hints)))
    return senders


def dunst_count(kind):
    return int(run("dunstctl", "count", kind).strip())


def main():
    program, artefacts = sys.argv[1], sys.argv[2]
    os.makedirs(artefacts, exist_ok=True)
    tray = os.environ.get("SESSION_TRAY", "none")
    monitor_log = os.path.join(artefacts, "notifications.log")
    monitor = monitor_notifications(monitor_log)
    host = Host(program)
    try:
        check(host.expect("shown", 10), "the host showed its icon")
        check(wait_until(lambda: len(notify_calls(monitor_log)[0]) == 2, 5),
              "dunst received two Notify calls")
        check(wait_until(lambda: dunst_count("displayed") == 1, 5),
              "dunst displays exactly one notification")

        shown = screenshot(artefacts, "shown.png")
        pixels, centre = find_icon(shown)
        if not check(pixels >= MIN_ICON_PIXELS, f"the icon is in the tray ({pixels} pixels)"):
            return
        x, y = map(str, centre)

        if tray == "trayer":
            run("xdotool", "mousemove", "600", "400")
            time.sleep(0.3)
            host.drain()
            run("xdotool", "mousemove", x, y)
            check(host.expect("MouseOver", 5), "resting on the icon raises MouseOver")
            time.sleep(0.1)  # past the event lock
        run("xdotool", "mousemove", x, y, "click", "1")
        check(host.expect("LeftClick"), "a left click raises LeftClick")
        time.sleep(0.1)
        run("xdotool", "mousemove", x, y, "click", "3")
        check(host.expect("RightClick"), "a right click raises RightClick")
        screenshot(artefacts, "right-click.png")
        run("xdotool", "key", "Escape")

        if tray == "xfce4-panel":
            host.send("hover-tooltip on")
            host.expect("hover-tooltip set")
            wanted = TITLE + "\n" + BODY.replace("&amp;", "&").replace("&lt;", "<").replace(
                "&gt;", ">").rstrip("\n")
            check(wait_until(lambda: status_notifier_tool_tip() == wanted, 5),
                  "with hover balloons on, the item's tool tip is the balloon")
            host.send("hover-tooltip off")
            host.expect("hover-tooltip set")
            check(wait_until(lambda: status_notifier_tool_tip() == "", 5),
                  "with hover balloons off, the item has no tool tip")

        host.send("hide")
        check(host.expect("hidden"), "Show(false) returned")
        check(wait_until(lambda: dunst_count("displayed") == 0, 5),
              "the balloon closed with the icon")
        time.sleep(0.5)
        pixels, _ = find_icon(screenshot(artefacts, "hidden.png"))
        check(pixels == 0, f"no icon in the tray after Show(false) ({pixels} pixels)")
    finally:
        host.stop()
        monitor.terminate()
        monitor.wait()

    calls, closes = notify_calls(monitor_log)
    if check(len(calls) == 2, f"two Notify calls in all ({len(calls)})"):
        (first_id, _, _), (second_id, _, _) = calls
        check(first_id == 0, "the first Notify makes a new notification")
        check(second_id != 0, "the second Notify replaces the first")
        check(closes == [second_id], f"the one notification was closed ({closes})")
        for replaces, summary, body in calls:
            check(summary == TITLE, f"title as written: {summary!r}")
            check(body == BODY, f"body escaped for markup: {body!r}")
    for app_name, app_icon, hints in notify_senders(monitor_log):
        check(app_name == APP_NAME, f"the program's name as app_name: {app_name!r}")
        check(app_icon == ICON_NAME, f"the program's icon name as app_icon: {app_icon!r}")
        check(hints.get("desktop-entry") == DESKTOP_ENTRY,
              f"the program's desktop entry as hint: {hints}")
    history = json.loads(run("dunstctl", "history"))["data"][0]
    check(len(history) == 1, f"dunst kept one notification ({len(history)})")
    if history:
        check(history[0]["summary"]["data"] == TITLE, "dunst kept the title")
        check(history[0]["appname"]["data"] == APP_NAME, "dunst kept the program's name")
    return


if __name__ == "__main__":
    if "--panel-restart" in sys.argv:
        os.makedirs(sys.argv[2], exist_ok=True)
        panel_restart(sys.argv[1], sys.argv[2])
    else:
        main()
    finish()
