"""What the end-to-end tests share: checks that are counted, waiting, commands, screenshots and
finding an icon by its colour in the tray rows of a screenshot (a StatusNotifierItem icon has
no window of its own). Used by scripts that run inside desktop-session.sh."""
import os
import re
import subprocess
import sys
import time

# The tray hosts sit in the top rows of the screen; notifications pop up below them.
TRAY_ROWS = "1280x40+0+0"

failures = []


def check(condition, message):
    print(("ok   " if condition else "FAIL ") + message, flush=True)
    if not condition:
        failures.append(message)
    return condition


def finish():
    """Prints the verdict and ends the script with its status."""
    print("FAILED: " + "; ".join(failures) if failures else "PASSED", flush=True)
    sys.exit(1 if failures else 0)


def wait_until(predicate, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if predicate():
            return True
        time.sleep(0.1)
    return predicate()


def stop(*processes):
    """Ends those of the processes that still run, and waits for them."""
    for process in processes:
        if process.poll() is None:
            process.terminate()
            process.wait(timeout=10)


def run(*command, check_status=True):
    return subprocess.run(command, check=check_status, capture_output=True, text=True).stdout


def screenshot(artefacts, name, window="root"):
    path = os.path.join(artefacts, name)
    run("import", "-window", window, path)
    return path


def find_colour(path, colour, fuzz="15%"):
    """(pixel count, centre) of the pixels of `colour` in the tray rows of a screenshot."""
    out = run("convert", path, "-crop", TRAY_ROWS, "+repage", "-fuzz", fuzz,
              "-fill", "black", "+opaque", colour, "-fill", "white", "-opaque", colour,
              "-format", "%[fx:round(mean*w*h)] %@", "info:")
    count, box = out.split()
    width, height, left, top = map(int, re.match(r"(\d+)x(\d+)\+(\d+)\+(\d+)", box).groups())
    return int(count), (left + width // 2, top + height // 2)


def monitor_notifications(log_path):
    """A dbus-monitor that logs the calls to the notification service, once it is listening."""
    monitor = subprocess.Popen(
        ["dbus-monitor", "--session",
         "type='method_call',interface='org.freedesktop.Notifications'"],
        stdout=open(log_path, "w"), stderr=subprocess.DEVNULL)
    wait_until(lambda: os.path.getsize(log_path) > 0, 5)
    return monitor


def notify_calls(log_path):
    """(replaces_id, summary, body) of each Notify call in a dbus-monitor log, and the ids of
    the CloseNotification calls."""
    with open(log_path, encoding="utf-8", errors="replace") as log:
        text = log.read()
    pattern = re.compile(
        r'member=Notify\n\s+string "[^"]*"\n\s+uint32 (\d+)\n\s+string "[^"]*"\n'
        r'\s+string "(.*?)"\n\s+string "(.*?)"\n\s+array \[', re.S)
    closes = re.findall(r"member=CloseNotification\n\s+uint32 (\d+)", text)
    return [(int(r), s, b) for r, s, b in pattern.findall(text)], [int(c) for c in closes]
