#!/usr/bin/env python3
"""End-to-end test of the Windows program under Wine, in a headless desktop.

Runs inside testing/desktop-session.sh --tray xfce4-panel (Xvfb, the panel's notification area
docking the icon by XEmbed), with a Wine prefix of its own in the artefact folder. The calendar's
automation server named in the program's configuration is not installed, so the program must say
so clearly and still work:
the icon docks, the balloon names the server (with letters outside ASCII, which must come
through the shell's 8-bit record whole), a left click scans again, a right click opens the menu,
"Settings" shows the options window, its boxes and spinner write the registry, "Exit" removes
the icon. A second copy ends at once. Screenshots stay in the artefact folder.

With the stand-in automation server of the scan's tests (its registration file given), a second
run in a prefix whose clock stands on a day of the stand-in's calendar (libfaketime) shows that
day's appointments. A third run, in that prefix, names the stand-in's server that never answers:
the icon, its menu and the options window still work, once the answer wait is over a box says
the calendar program is not answering, and "Exit" still ends the program.

Each prefix runs the tests' desktop keeper (DESKTOP_KEEPER_EXE) throughout, so that a program
started right after another has ended finds Wine's desktop open.

Usage: agendix_win32_e2e.py AGENDIX_EXE DESKTOP_KEEPER_EXE ARTEFACT_DIR [STANDIN_REGISTRATION.reg]
"""
import os
import re
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../../testing"))
from desktop_checks import (check, find_colour, finish, run, screenshot, stop,  # noqa: E402
                            wait_until)

WINE = "/usr/lib/wine/wine64"
SETTINGS_KEY = r"HKCU\Software\VB and VBA Program Settings\Agendix"
RUN_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"
# Not installed anywhere; its letters outside ASCII test the balloon's code page.
PROGRAM_ID = "Kalender.Zo\u00eb-Caf\u00e9"
# The stand-in automation server of the scan's tests, and a day it has appointments on.
STANDIN_PROGRAM_ID = "AgendixStandIn.Application"
HUNG_PROGRAM_ID = "AgendixStandIn.Hung"
# How long the program waits for a calendar program's answer before it says that it is not
# answering, and a margin.
ANSWER_WAIT = 20 + 5
STANDIN_DAY = "@2027-03-02 07:00:00"
FAKETIME_LIBRARY = "/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1"
ICON_RED = "#d9342b"
MIN_ICON_PIXELS = 8
# A fresh prefix starts Wine's shell, whose notification area docks the icon, on first use.
ICON_DOCKS_WITHIN = 30

# The options window's client area and controls (left, top, width, height) in twips, as the
# program lays them out; 15 twips to the pixel at the 96 dots per inch of the session.
CLIENT = (4260, 3390)
GROUP_ORIGIN = (30, 600)
CHK_WSTARTUP = (210, 780, 2055, 285)
CHK_TOMORROW = (210, 1770, 2145, 285)
UPDOWN = (1530, 330, 255, 285)
CMD_TRAY = (3120, 2940, 1100, 405)
CMD_ABOUT = (60, 2940, 1100, 405)
# The darkest colours of the About box's two pictures beside its links.
PICTURE_COLOURS = ("#404040", "#1F3F7F")
# The failure box's OK button: the frame, a margin of 12 pixels, half the 23-pixel button.
FAILURE_BOX_BUTTON_FROM_BOTTOM = 3 + 12 + 11


def wine(*arguments, check_status=True):
    return subprocess.run([WINE, *arguments], capture_output=True, text=True,
                          check=check_status)


def quietly(*command, timeout=60):
    """Runs a command whose children may outlive it (Wine's services): its output goes nowhere,
    so that waiting for it does not wait for them."""
    return subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                          timeout=timeout).returncode


def reg_values(key):
    """The values of a registry key as {name (lower case): data}; empty when it is missing."""
    result = wine("reg", "query", key, check_status=False)
    values = {}
    for line in result.stdout.splitlines():
        match = re.match(r"\s+(\S+)\s+REG_\w+\s+(.*)$", line)
        if match:
            values[match.group(1).lower()] = match.group(2).strip()
    return values


def settings():
    return reg_values(SETTINGS_KEY + r"\Settings")


def window_ids(name):
    out = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{name}$"],
                         capture_output=True, text=True).stdout
    return out.split()


def window_geometry(window):
    out = run("xwininfo", "-id", window)
    field = lambda label: int(re.search(label + r":\s+(-?\d+)", out).group(1))  # noqa: E731
    return (field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"),
            field("Height"))


def balloon_shown():
    """Whether the shell shows a balloon: a mapped window of Wine's explorer that is wider than
    any icon."""
    tree = run("xwininfo", "-root", "-children")
    for window, width, height in re.findall(
            r"(0x[0-9a-f]+) .*\"explorer\.exe\"\)\s+(\d+)x(\d+)", tree):
        if int(width) > 100 and int(height) > 25 and \
                "IsViewable" in run("xwininfo", "-id", window):
            return True
    return False


def colour_pixels(path, colour):
    """How many pixels of a screenshot have `colour`."""
    return int(run("convert", path, "-fuzz", "10%", "-fill", "black", "+opaque", colour,
                   "-fill", "white", "-opaque", colour, "-format", "%[fx:round(mean*w*h)]",
                   "info:"))


def find_icon(artefacts, name):
    return find_colour(screenshot(artefacts, name), ICON_RED)


def click(x, y, button=1):
    # The pointer comes to rest first: the icon drops the events that follow one it raised
    # (its mouse-over) within 15 ms.
    run("xdotool", "mousemove", str(x), str(y))
    time.sleep(0.5)
    run("xdotool", "click", str(button))


def client_point(window, box, in_group=False):
    """The screen point near the left of a control's box, inside it, and its vertical middle."""
    left, top, width, height = window_geometry(window)
    border = (width - CLIENT[0] // 15) // 2
    client_left, client_top = left + border, top + height - border - CLIENT[1] // 15
    x, y, _, box_height = box
    if in_group:
        x, y = x + GROUP_ORIGIN[0], y + GROUP_ORIGIN[1]
    return client_left + x // 15 + 6, client_top + (y + box_height // 2) // 15


def open_menu_and_choose(icon, keys, artefacts, name):
    click(*icon, button=3)
    time.sleep(1)
    screenshot(artefacts, name)
    run("xdotool", "key", *keys)


def close_failure_boxes():
    """Closes the open failure boxes with their OK buttons, centred at their foot."""
    for box in window_ids("Agendix"):
        left, top, width, height = window_geometry(box)
        click(left + width // 2, top + height - FAILURE_BOX_BUTTON_FROM_BOTTOM)
    check(wait_until(lambda: not window_ids("Agendix"), 5), "the failure box closes")


def exit_from_menu(program, icon, artefacts, name):
    """Chooses "Exit" in the icon's menu; the program's exit status (None: it runs on)."""
    open_menu_and_choose(icon, ["Up", "Return"], artefacts, name)
    try:
        program.wait(timeout=15)
    except subprocess.TimeoutExpired:
        pass
    return program.poll()


class WinePrefix:
    """A Wine prefix made afresh in the artefact folder, with its own wine server and the desktop
    keeper for as long as the `with` block runs; `environment` is added to every Wine process of
    it (the server's included)."""

    def __init__(self, path, keeper, environment=None):
        self.path, self.keeper, self.environment = path, keeper, environment or {}
        self.keeping = None

    def __enter__(self):
        shutil.rmtree(self.path, ignore_errors=True)
        os.makedirs(self.path)
        os.environ.update(WINEPREFIX=self.path, **self.environment)
        subprocess.run(["wineserver", "-p"], check=True)
        quietly(WINE, "wineboot", "--init")
        # COM's RPC service, which a fresh prefix's first COM call (the program's first scan)
        # may otherwise wait many seconds for; "already running" is no failure.
        quietly(WINE, "net", "start", "rpcss")
        self.keeping = subprocess.Popen([WINE, self.keeper], stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL, text=True)
        check(self.keeping.stdout.readline() == "ready\n", "Wine's desktop is up")
        return self

    def __exit__(self, *_):
        subprocess.run(["wineserver", "-k"], check=False)
        stop(self.keeping)
        for name in self.environment:
            os.environ.pop(name, None)


def windows_path(path):
    """A host path as Wine sees it: on drive Z:."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def main():
    exe, keeper, artefacts = sys.argv[1:4]
    standin_registration = sys.argv[4] if len(sys.argv) > 4 else None
    os.makedirs(artefacts, exist_ok=True)
    os.environ.update(WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=", LANG="C.UTF-8")
    with WinePrefix(os.path.join(artefacts, "wine-prefix"), keeper):
        wine("reg", "add", SETTINGS_KEY + r"\Calendar", "/v", "ProgramId", "/d", PROGRAM_ID,
             "/f")
        scenario(exe, artefacts)
    if standin_registration:
        # The stand-in's appointments lie in March 2027: the whole prefix lives on that day.
        day = {"LD_PRELOAD": FAKETIME_LIBRARY, "FAKETIME": STANDIN_DAY,
               "FAKETIME_DONT_RESET": "1"}
        check(os.path.exists(FAKETIME_LIBRARY), f"{FAKETIME_LIBRARY} is installed")
        with WinePrefix(os.path.join(artefacts, "wine-prefix-standin"), keeper, day):
            wine("reg", "import", windows_path(standin_registration))
            wine("reg", "add", SETTINGS_KEY + r"\Calendar", "/v", "ProgramId", "/d",
                 STANDIN_PROGRAM_ID, "/f")
            wine("reg", "add", SETTINGS_KEY + r"\Settings", "/v", "Tomorrow", "/d", "yes", "/f")
            standin_scenario(exe, artefacts)
            wine("reg", "add", SETTINGS_KEY + r"\Calendar", "/v", "ProgramId", "/d",
                 HUNG_PROGRAM_ID, "/f")
            hung_scenario(exe, artefacts)
    finish()


def standin_scenario(exe, artefacts):
    """Appointments of today and tomorrow from the stand-in server: the balloon shows them (see
    standin-balloon.png: Today: [14:05 - 15:00] Zahnarzt – Dr. Ünal (Praxis Ørsted), then
    Tomorrow: with the all-day 会議なしの日 and [13:00 - 13:15] Stand-up (später) (Büro 3)),
    and no failure box opens."""
    program = subprocess.Popen([WINE, exe], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        check(wait_until(lambda: find_icon(artefacts, "standin-start.png")[0] >= MIN_ICON_PIXELS,
                         ICON_DOCKS_WITHIN), "with the stand-in calendar, the icon docks")
        check(wait_until(balloon_shown, 10), "the appointments' balloon pops up")
        time.sleep(1)
        screenshot(artefacts, "standin-balloon.png")
        check(not window_ids("Agendix"), "no failure box: the calendar was read")
        _, icon = find_icon(artefacts, "standin-icon.png")
        check(exit_from_menu(program, icon, artefacts, "standin-menu.png") == 0,
              "\"Exit\" ends the program")
    finally:
        stop(program)


def hung_scenario(exe, artefacts):
    """A calendar program that never answers holds up nothing: see hung-not-answering.png (the
    failure box names it)."""
    started = time.monotonic()
    program = subprocess.Popen([WINE, exe], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        check(wait_until(lambda: find_icon(artefacts, "hung-start.png")[0] >= MIN_ICON_PIXELS,
                         ICON_DOCKS_WITHIN), "with a calendar that never answers, the icon docks")
        check(not window_ids("Agendix"), "no failure box while the calendar may still answer")
        _, icon = find_icon(artefacts, "hung-icon.png")
        open_menu_and_choose(icon, ["Down", "Down", "Return"], artefacts, "hung-menu.png")
        check(wait_until(lambda: window_ids("\u00bb"), 5),
              "the menu's \"Settings\" shows the window while the calendar hangs")
        window = window_ids("\u00bb")[0]
        click(*client_point(window, CMD_TRAY))
        check(wait_until(lambda: not window_ids("\u00bb"), 5), "\"Hide\" sends the window away")

        check(wait_until(lambda: window_ids("Agendix"),
                         ANSWER_WAIT - (time.monotonic() - started)),
              "once the answer wait is over, the failure box opens by itself")
        time.sleep(1)
        screenshot(artefacts, "hung-not-answering.png")
        close_failure_boxes()
        check(exit_from_menu(program, icon, artefacts, "hung-menu-exit.png") == 0,
              "\"Exit\" ends the program although the calendar hangs")
    finally:
        stop(program)


def scenario(exe, artefacts):
    started = time.monotonic()
    program = subprocess.Popen([WINE, exe], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        check(wait_until(lambda: find_icon(artefacts, "start.png")[0] >= MIN_ICON_PIXELS,
                         ICON_DOCKS_WITHIN), "the icon docks in the tray")
        print(f"     started in {time.monotonic() - started:.1f} s", flush=True)
        check(wait_until(balloon_shown, 10), "the balloon pops up")
        check(wait_until(lambda: window_ids("Agendix"), 5), "the failure box is open")
        screenshot(artefacts, "not-installed.png")
        stored = settings()
        check(stored.get("startup") == "yes" and stored.get("wstartup") == "yes" and
              stored.get("mouseover") == "yes", f"a first start stores the defaults: {stored}")
        run_entry = reg_values(RUN_KEY).get("agendix", "")
        check(run_entry.lower().endswith("agendix.exe"), f"the Run key starts the program: "
              f"{run_entry!r}")
        check(not window_ids("\u00bb"), "the options window starts in the tray")

        check(quietly(WINE, exe, timeout=30) == 0 and program.poll() is None,
              "a second copy ends at once and the first runs on")

        close_failure_boxes()

        count, icon = find_icon(artefacts, "icon.png")
        click(*icon)
        time.sleep(5)  # Wine draws the balloon a few seconds after the call
        screenshot(artefacts, "left-click.png")
        check(balloon_shown(), "a left click shows the balloon again")

        open_menu_and_choose(icon, ["Down", "Down", "Return"], artefacts, "menu.png")
        check(wait_until(lambda: window_ids("\u00bb"), 5), "\"Settings\" shows the window")
        window = window_ids("\u00bb")[0]
        time.sleep(0.5)
        screenshot(artefacts, "options-window.png", window)
        _, _, width, height = window_geometry(window)
        check(width >= CLIENT[0] // 15 and height >= CLIENT[1] // 15,
              f"the window holds its client area: {width} x {height}")

        click(*client_point(window, CHK_TOMORROW, in_group=True))
        check(wait_until(lambda: settings().get("tomorrow") == "yes", 5),
              "ticking \"Also show tomorrow\" stores it")
        up_x, up_y = client_point(window, UPDOWN, in_group=True)
        click(up_x, up_y - 3)
        check(wait_until(lambda: settings().get("timer") == "3", 5),
              "the spinner's up arrow stores the interval 3")
        click(*client_point(window, CHK_WSTARTUP, in_group=True))
        check(wait_until(lambda: settings().get("wstartup") == "no", 5),
              "unticking \"Auto start with Windows\" stores it")
        check(wait_until(lambda: "agendix" not in reg_values(RUN_KEY), 5),
              "and removes the Run key's value")
        screenshot(artefacts, "options-changed.png", window)

        click(*client_point(window, CMD_ABOUT))
        check(wait_until(lambda: window_ids("About Agendix"), 5), "\"About\" opens the About box")
        about = window_ids("About Agendix")[0]
        time.sleep(0.5)
        shot = screenshot(artefacts, "about.png", about)
        check(all(colour_pixels(shot, colour) > 10 for colour in PICTURE_COLOURS),
              "the About box shows its two pictures")
        run("xdotool", "windowclose", about)
        check(wait_until(lambda: not window_ids("About Agendix"), 5), "the About box closes")

        click(*client_point(window, CMD_TRAY))
        check(wait_until(lambda: not window_ids("\u00bb"), 5), "\"Hide\" sends the window away")
        check(find_icon(artefacts, "hidden.png")[0] >= MIN_ICON_PIXELS, "the icon stays")

        status = exit_from_menu(program, icon, artefacts, "menu-exit.png")
        check(status == 0, f"\"Exit\" ends the program (status {status})")
        check(find_icon(artefacts, "after-exit.png")[0] < MIN_ICON_PIXELS,
              "the icon is gone")
        check(settings().get("tomorrow") == "yes", "the settings stay in the registry")
    finally:
        stop(program)


if __name__ == "__main__":
    main()
