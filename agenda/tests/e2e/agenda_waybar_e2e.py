#!/usr/bin/env python3
"""End-to-end test of agendix-agenda --json --follow in a real waybar.

A headless sway (wlroots' headless backend, drawn by pixman) runs waybar, whose custom module
runs the command over a calendar file; the compositor does not start as root, so as root both
run as the user nobody. Screenshots of the bar (grim) must show the module in the colour its
class is styled with and its text drawn: an appointment starting soon whose subject is full of
markup characters, then, after the file is replaced as editors save, one under way, then a day
that is over, which hides the module. When waybar ends, the command must end with it.
Exits with 77 (skipped) when the appointments, placed around the time of day, would not all fall
on today.

Usage: agenda_waybar_e2e.py AGENDA_PROGRAM ARTEFACT_DIR
"""
import datetime
import json
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../../testing"))
from desktop_checks import check, find_colour, finish, wait_until  # noqa: E402

PROGRAM, ARTEFACTS = sys.argv[1], sys.argv[2]
NOW = datetime.datetime.now().replace(second=0, microsecond=0)
SOON, UNDER_WAY, YELLOW, TEXT = "#00ff00", "#0000ff", "#ffff00", "#ff0000"
STYLE = f"""
* {{ font-family: "DejaVu Sans"; font-size: 14px; border: none; border-radius: 0; }}
window#waybar {{ background: #000000; }}
#custom-agenda {{ color: {TEXT}; background: {YELLOW}; padding: 0 10px; }}
#custom-agenda.soon {{ background: {SOON}; }}
#custom-agenda.now {{ background: {UNDER_WAY}; }}
"""


def at(minutes):
    return NOW + datetime.timedelta(minutes=minutes)


def calendar(start, end, summary):
    return ("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Agendix tests//EN\r\nBEGIN:VEVENT\r\n"
            f"UID:a\r\nDTSTAMP:20260101T000000Z\r\nDTSTART:{at(start):%Y%m%dT%H%M%S}\r\n"
            f"DTEND:{at(end):%Y%m%dT%H%M%S}\r\nSUMMARY:{summary}\r\nEND:VEVENT\r\n"
            "END:VCALENDAR\r\n")


def save(path, text):
    """As editors save: a new file renamed over the old one."""
    with open(path + ".new", "w", encoding="utf-8", newline="") as f:
        f.write(text)
    os.rename(path + ".new", path)


class Session:
    """sway, waybar and grim in a private home and runtime folder (as nobody when run as root,
    the home's files given to nobody); the processes started are ended by their PIDs."""

    def __init__(self, home):
        self.runtime = os.path.join(home, "runtime")
        os.mkdir(self.runtime, 0o700)
        self.as_user = []
        if os.geteuid() == 0:
            self.as_user = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"]
            for name in [home] + [os.path.join(home, entry) for entry in os.listdir(home)]:
                shutil.chown(name, "nobody", "nogroup")
        self.environment = {
            "PATH": "/usr/bin:/bin", "HOME": home, "XDG_RUNTIME_DIR": self.runtime,
            "XDG_CONFIG_HOME": home, "LANG": "C.UTF-8", "NO_AT_BRIDGE": "1",
            "LSAN_OPTIONS": os.environ.get("LSAN_OPTIONS", ""),
        }
        self.processes = []
        self.display = None

    def wayland_display(self):
        """The compositor's socket in the runtime folder, once it is there."""
        sockets = [name for name in os.listdir(self.runtime)
                   if name.startswith("wayland-") and not name.endswith(".lock")]
        self.display = sockets[0] if sockets else None
        return self.display

    def start(self, name, command, **environment):
        log = open(os.path.join(ARTEFACTS, name + ".log"), "w")
        process = subprocess.Popen(self.as_user + command, stdout=log, stderr=subprocess.STDOUT,
                                   env={**self.environment, **environment})
        self.processes.append(process)
        return process

    def screenshot(self, name):
        path = os.path.join(ARTEFACTS, name + ".png")
        shot = subprocess.run(self.as_user + ["grim", "-g", "0,0 640x30", "-"], check=True,
                              capture_output=True,
                              env={**self.environment, "WAYLAND_DISPLAY": self.display})
        with open(path, "wb") as f:
            f.write(shot.stdout)
        return path

    def end(self):
        for process in reversed(self.processes):
            process.terminate()
            try:
                process.wait(5)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()


def shows(session, name, background):
    """Whether the bar shows the module in `background` with its text drawn across it."""
    def drawn():
        shot = session.screenshot(name)
        coloured = find_colour(shot, background, "5%")[0]
        text_pixels = find_colour(shot, TEXT, "30%")[0]
        return coloured > 1000 and text_pixels > 100
    return wait_until(drawn, 10)


def agenda_processes(calendar_path):
    found = subprocess.run(["pgrep", "-f", calendar_path], capture_output=True, text=True)
    return [int(pid) for pid in found.stdout.split()]


def write_configuration(home, cal):
    with open(os.path.join(home, "sway.conf"), "w") as f:
        f.write("output HEADLESS-1 resolution 640x200\nxwayland disable\n")
    with open(os.path.join(home, "waybar.json"), "w") as f:
        json.dump({"layer": "top", "position": "top", "height": 30,
                   "modules-left": ["custom/agenda"],
                   "custom/agenda": {"exec": f"{PROGRAM} --calendar {cal} --json --follow",
                                     "return-type": "json", "format": "{}"}}, f)
    with open(os.path.join(home, "style.css"), "w") as f:
        f.write(STYLE)


def exercise(session, home, cal):
    """The bar through the day's states, then without the bar."""
    waybar = session.start("waybar", ["waybar", "-c", os.path.join(home, "waybar.json"),
                                      "-s", os.path.join(home, "style.css")],
                           WAYLAND_DISPLAY=session.display)
    check(shows(session, "1-soon", SOON),
          "an appointment within the hour: the module in the soon colour, its text drawn")
    save(cal, calendar(-20, 40, "Review & plan"))
    check(shows(session, "2-now", UNDER_WAY),
          "the file replaced: the appointment under way in the now colour")
    save(cal, calendar(-60, -30, "Earlier"))

    def hidden():
        shot = session.screenshot("3-over")
        return all(find_colour(shot, colour, "5%")[0] == 0
                   for colour in (SOON, UNDER_WAY, YELLOW))
    check(wait_until(hidden, 10), "the day over: the module hidden")

    with open(os.path.join(ARTEFACTS, "waybar.log"), encoding="utf-8", errors="replace") as log:
        check("markup" not in log.read().lower(), "waybar reported no markup errors")
    check(bool(agenda_processes(cal)), "waybar runs agendix-agenda")
    waybar.terminate()
    waybar.wait(10)
    check(wait_until(lambda: not agenda_processes(cal), 5), "agendix-agenda ends with the bar")


def main():
    if at(-60).date() != NOW.date() or at(40).date() != NOW.date():
        print("skipped: the appointments would not all fall on today")
        sys.exit(77)
    os.makedirs(ARTEFACTS, exist_ok=True)
    home = tempfile.mkdtemp(prefix="agenda-waybar-")
    os.chmod(home, 0o755)
    cal = os.path.join(home, "calendar.ics")
    save(cal, calendar(20, 40, 'Q&A <b>"budget"</b> & it\'s'))
    write_configuration(home, cal)
    session = Session(home)
    try:
        session.start("sway", ["sway", "-c", os.path.join(home, "sway.conf")],
                      WLR_BACKENDS="headless", WLR_RENDERER="pixman", WLR_LIBINPUT_NO_DEVICES="1")
        if check(wait_until(session.wayland_display, 10), "sway runs headless"):
            exercise(session, home, cal)
    finally:
        session.end()
        for pid in agenda_processes(cal):
            os.kill(pid, 9)
        shutil.rmtree(home, ignore_errors=True)
    finish()


main()
