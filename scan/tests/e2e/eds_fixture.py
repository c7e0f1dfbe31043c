"""What the tests against a private Evolution Data Server share: the folders and files the
service reads at its start (sources, stored calendars, the default calendar), a client of the
service for making changes through its API as a second process would, a Radicale CalDAV server,
and a few iCalendar texts.

The service starts on demand on the session bus and reads its sources when it starts: write them
(Fixture.add_source, add_caldav_source, set_default) before anything asks the bus for it.
"""

import http.client
import http.server
import os
import shutil
import socket
import subprocess
import threading
import time


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as stream:
        stream.write(text if isinstance(text, bytes) else text.encode("utf-8"))


def missing_tools():
    """What this machine lacks for a private service (scripts/packages/eds.txt), or None."""
    for tool in ("dbus-run-session", "/usr/libexec/evolution-source-registry"):
        if not shutil.which(tool) and not os.path.exists(tool):
            return tool
    try:
        import gi
        gi.require_version("ECal", "2.0")
        gi.require_version("EDataServer", "1.2")
        gi.require_version("ICalGLib", "3.0")
    except (ImportError, ValueError):
        return "the ECal introspection data (gir1.2-ecal-2.0)"
    return None


class Fixture:
    """Private HOME and XDG folders; sources and calendars written before the service starts.

    With `env`, the folders that environment names are used as they are (a desktop session's);
    otherwise they are made under `root`."""

    def __init__(self, root, env=None):
        self.root = root
        if env is not None:
            self.env = dict(env)
        else:
            self.env = dict(os.environ)
            for name, sub in (("HOME", "home"), ("XDG_CONFIG_HOME", "config"),
                              ("XDG_DATA_HOME", "data"), ("XDG_CACHE_HOME", "cache"),
                              ("XDG_RUNTIME_DIR", "run")):
                path = os.path.join(root, sub)
                os.makedirs(path, mode=0o700, exist_ok=True)
                self.env[name] = path
            self.env.pop("DBUS_SESSION_BUS_ADDRESS", None)
        self.env["GSETTINGS_BACKEND"] = "keyfile"
        self.env["GIO_USE_VFS"] = "local"

    def add_source(self, uid, ics_text=None, enabled=True, name=None):
        config, data = self.env["XDG_CONFIG_HOME"], self.env["XDG_DATA_HOME"]
        write(os.path.join(config, "evolution", "sources", uid + ".source"),
              "[Data Source]\nDisplayName=%s\nEnabled=%s\nParent=local-stub\n\n"
              "[Calendar]\nBackendName=local\n" % (name or uid, "true" if enabled else "false"))
        if ics_text is not None:
            write(os.path.join(data, "evolution", "calendar", uid, "calendar.ics"), ics_text)

    def add_caldav_source(self, uid, port, user, path, name=None, refresh_minutes=60,
                          auth_method="none"):
        """A CalDAV calendar at http://127.0.0.1:port/path. With the default `auth_method` the
        service sends no password; with "plain/password" it needs one, and none is stored."""
        write(os.path.join(self.env["XDG_CONFIG_HOME"], "evolution", "sources", uid + ".source"),
              "[Data Source]\nDisplayName=%s\nEnabled=true\nParent=\n\n"
              "[Calendar]\nBackendName=caldav\n\n"
              "[Authentication]\nHost=127.0.0.1\nPort=%d\nMethod=%s\nUser=%s\n\n"
              "[Security]\nMethod=none\n\n"
              "[WebDAV Backend]\nResourcePath=%s\n\n"
              "[Offline]\nStaySynchronized=true\n\n"
              "[Refresh]\nEnabled=true\nIntervalMinutes=%d\n" % (
                  name or uid, port, auth_method, user, path, refresh_minutes))

    def set_default(self, uid):
        write(os.path.join(self.env["XDG_CONFIG_HOME"], "glib-2.0", "settings", "keyfile"),
              "[org/gnome/evolution]\ndefault-calendar='%s'\n" % uid)

    def set_profile(self, text):
        write(os.path.join(self.env["XDG_CONFIG_HOME"], "agendix", "calendar.conf"), text)


def service_client(uid):
    """(client, ECal, ICalGLib): a client of the calendar `uid` in this process, which must
    have the fixture's environment (os.environ) and the service's bus."""
    import gi
    gi.require_version("ECal", "2.0")
    gi.require_version("EDataServer", "1.2")
    gi.require_version("ICalGLib", "3.0")
    from gi.repository import ECal, EDataServer, ICalGLib
    registry = EDataServer.SourceRegistry.new_sync(None)
    source = registry.ref_source(uid)
    if source is None:
        raise RuntimeError("the calendar service has no source %r" % uid)
    client = ECal.Client.connect_sync(source, ECal.ClientSourceType.EVENTS, 0xFFFFFFFF, None)
    return client, ECal, ICalGLib


def event(uid, day, start, end, summary):
    return ("BEGIN:VEVENT\r\nUID:%s\r\nDTSTAMP:20260101T000000Z\r\nDTSTART:%sT%s00\r\n"
            "DTEND:%sT%s00\r\nSUMMARY:%s\r\nEND:VEVENT\r\n" % (
                uid, day.strftime("%Y%m%d"), start, day.strftime("%Y%m%d"), end, summary))


def calendar(*events):
    return ("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//agendix//e2e//EN\r\n" + "".join(events)
            + "END:VCALENDAR\r\n")


EMPTY_CALENDAR = calendar()


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


class Radicale:
    """A Radicale CalDAV server on 127.0.0.1, its storage under `root`. Without `password` it
    asks none; with one, the user "u" must give it. Collections and resources are made with
    curl, as any CalDAV client would."""

    def __init__(self, root, password=None):
        self.root = root
        self.port = free_port()
        self.password = password or "x"
        os.makedirs(root, exist_ok=True)
        config, rights = os.path.join(root, "radicale.conf"), os.path.join(root, "rights")
        # With a password, anonymous requests (the empty user) may do nothing: they get 401.
        write(rights, "[all]\nuser: %s\ncollection: .*\npermissions: RrWw\n" % (
            ".+" if password else ".*"))
        auth = "type = none\n"
        if password:
            users = os.path.join(root, "users")
            write(users, "u:%s\n" % password)
            auth = ("type = htpasswd\nhtpasswd_filename = %s\nhtpasswd_encryption = plain\n"
                    "delay = 0\n" % users)
        write(config, "[server]\nhosts = 127.0.0.1:%d\n[auth]\n%s"
              "[rights]\ntype = from_file\nfile = %s\n[storage]\nfilesystem_folder = %s\n"
              "[logging]\nlevel = warning\n" % (self.port, auth, rights,
                                                 os.path.join(root, "store")))
        self.log = open(os.path.join(root, "radicale.log"), "w")
        self.process = subprocess.Popen(["radicale", "--config", config], stdout=self.log,
                                        stderr=subprocess.STDOUT)
        deadline = time.monotonic() + 15
        while self.request("GET", "/", check=False) == 0:
            if self.process.poll() is not None or time.monotonic() > deadline:
                raise RuntimeError("Radicale did not start (see %s)" % self.log.name)
            time.sleep(0.1)

    def url(self, path):
        return "http://127.0.0.1:%d%s" % (self.port, path)

    def request(self, method, path, body=None, content_type=None, check=True, anonymous=False):
        """The HTTP status of one request (0 when nothing answered), as the user "u" unless
        `anonymous`."""
        command = ["curl", "--silent", "--output", "/dev/null", "--write-out", "%{http_code}",
                   "--request", method, self.url(path)]
        if not anonymous:
            command += ["--user", "u:" + self.password]
        if content_type:
            command += ["--header", "Content-Type: " + content_type]
        if body is not None:
            command += ["--data-binary", "@-"]
        result = subprocess.run(command, input=body.encode("utf-8") if body else None,
                                capture_output=True, timeout=30)
        status = int(result.stdout or b"0")
        if check and not 200 <= status < 300:
            raise RuntimeError("%s %s answered %d" % (method, path, status))
        return status

    def make_calendar(self, path):
        self.request("MKCALENDAR", path)

    def put_event(self, collection, uid, ics_text):
        self.request("PUT", collection + uid + ".ics", ics_text, "text/calendar; charset=utf-8")

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            self.process.wait(timeout=10)
        self.log.close()


class HeldListing:
    """An HTTP relay on 127.0.0.1 to the server at `port` that passes every request on at once,
    except those that fetch events (GET, REPORT calendar-multiget), which it holds until
    release(): a server that is slow to send the events."""

    def __init__(self, port):
        released = self.released = threading.Event()

        class Relay(http.server.BaseHTTPRequestHandler):
            protocol_version = "HTTP/1.1"

            def relay(self):
                length = int(self.headers.get("Content-Length") or 0)
                body = self.rfile.read(length) if length else None
                if b"multiget" in (body or b"") or self.command == "GET":
                    released.wait()
                upstream = http.client.HTTPConnection("127.0.0.1", port, timeout=30)
                upstream.request(self.command, self.path, body, {
                    name: value for name, value in self.headers.items()
                    if name.lower() not in ("host", "connection")})
                answer = upstream.getresponse()
                data = answer.read()
                self.send_response(answer.status, answer.reason)
                for name, value in answer.getheaders():
                    if name.lower() not in ("connection", "content-length", "transfer-encoding"):
                        self.send_header(name, value)
                self.send_header("Content-Length", str(len(data)))
                self.end_headers()
                self.wfile.write(data)
                upstream.close()

            do_GET = do_PUT = do_DELETE = do_OPTIONS = do_PROPFIND = do_REPORT = relay

            def log_message(self, *args):
                pass

        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Relay)
        self.server.daemon_threads = True
        self.port = self.server.server_address[1]
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def release(self):
        self.released.set()

    def stop(self):
        self.release()
        self.server.shutdown()
