"""Runs the real Dialwick on a desktop of its own and drives it as the main
server does: through tmctl, with peer windows ("slots") registered by
message number."""
import json
import os
import subprocess

from desk_tools import program, reap, run_tmctl, wait_for
from desk_tools import windows as desktop_windows

DIALWICK = program("Dialwick")

CLASS, TITLE = "CorvDunHandler", "Corvane DUN32"

# Message numbers.
ADDCLIENT, REMOVECLIENT, SETDIRECTORY = 1222, 1223, 1224
SETSTATUSWND, SETPARAMWND, QUERYACTIVE = 1225, 1226, 1227
RELEASE, RELEASENAMED, SETFAILWND, QUIT = 1228, 1229, 1230, 1233
SHOWCONTROL, QUERYOS, LISTENTRIES, QUERYPASSWORDS = 1235, 1236, 1237, 1238
REQUEST, REQUESTEX, REQUESTTEXT, TRAY = 1690, 1691, 1735, 2023
WM_COMMAND, WM_TIMER, WM_LBUTTONDOWN, WM_RBUTTONDOWN = 273, 275, 513, 516

# Quick dials: the suite's time goes into waiting for the words.
PHONEBOOK = """[ISP]
Number=555-0100
User=anna
Password=secret
StepMs=1
[Office]
User=bob
Password=pw
StepMs=1
[Busy]
Password=pw
Result=676
FailState=8193
StepMs=1
[NoAnswer]
Password=pw
Result=678
FailState=8193
StepMs=1
[BusyEarly]
Password=pw
Result=676
StepMs=1
[BadPass]
Password=pw
Result=691
FailState=5
StepMs=1
[Drop]
Password=pw
StepMs=1
DropAfter=1
[NoKeep]
PasswordSaved=0
StepMs=1
"""


class Desk:
    """A desktop, a server directory, a user configuration and a phonebook."""

    def __init__(self, tmp_path, phonebook=PHONEBOOK, platform=None):
        self.root = tmp_path
        self.desktop = tmp_path / "desk"
        self.desktop.mkdir(mode=0o700)
        self.server = tmp_path / "server"
        self.server.mkdir()
        self.config = tmp_path / "config"
        self.config.mkdir()
        self.phonebook = tmp_path / "phonebook.ini"
        if phonebook is not None:
            self.phonebook.write_text(phonebook)
        self.env = dict(os.environ)
        self.env.update(TELLMAR_DESKTOP=str(self.desktop), TELLMAR_PHONEBOOK=str(self.phonebook),
                        XDG_CONFIG_HOME=str(self.config), TELLMAR_REGISTRY=str(tmp_path / "registry"),
                        TELLMAR_OPERATOR="interactive")  # boxes are windows the tests answer
        self.env.pop("TELLMAR_DIALUP_PLATFORM", None)
        if platform is not None:
            self.env["TELLMAR_DIALUP_PLATFORM"] = str(platform)
        self.procs = []

    # --- programs -----------------------------------------------------------
    def start(self, *args, wait=True):
        p = subprocess.Popen([str(DIALWICK), *args], cwd=self.server, env=self.env,
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.procs.append(p)
        if wait:
            wait_for(lambda: self.window_count() == 1 or p.poll() is not None, what="Dialwick's window")
            assert p.poll() is None, p.communicate()
        return p

    def stop(self):
        for p in self.procs:
            if p.poll() is None:
                self.tmctl("call", CLASS, TITLE, str(QUIT), check=False)
            reap(p)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()

    def tmctl(self, *args, check=True, timeout=30):
        return run_tmctl(self.env, *args, check=check, timeout=timeout)

    def windows(self):
        return desktop_windows(self.env)

    def window_count(self, title=TITLE):
        return sum(1 for w in self.windows() if len(w) > 2 and w[2].lower() == title.lower())

    # --- the main server's part ----------------------------------------------
    def call(self, msg, wparam=None, lparam=None, slots=(), wait=None, timeout=30, copydata=None,
             combos=(), check=True):
        """tmctl call with slots given as (name, regmsg, text); answers the
        result, the final slot texts and every text each slot was sent."""
        args = ["call", CLASS, TITLE, "--history", "--timeout", timeout]
        for name, reg, text in slots:
            args += ["--slot", f"{name}:{reg}={text}" if text is not None else f"{name}:{reg}"]
        for name in combos:
            args += ["--combo", name]
        if wait:
            args += ["--wait", wait]
        if copydata is not None:
            args += ["--copydata", copydata]
        args.append(msg)
        if wparam is not None:
            args.append(wparam)
        if lparam is not None:
            args.append(lparam)
        r = self.tmctl(*args, check=check, timeout=timeout + 20)
        return Answer(r)

    def request(self, text, wait_words="OK,BUSY,FAIL,OFFLINE", copydata=False, timeout=30):
        """A connect or hang-up request as the main server makes it: status,
        parameter and failure windows registered, the request text in the
        parameter window (or in a copy-data message). The wait ends with the
        first awaited word; its limit only matters on a slow machine."""
        slots = [("st", SETSTATUSWND, None), ("fa", SETFAILWND, None)]
        if copydata:
            return self.call(REQUESTTEXT, slots=slots, copydata=text, wait=f"st={wait_words}", timeout=timeout)
        slots.append(("pa", SETPARAMWND, text))
        return self.call(REQUESTEX, 0, 0, slots=slots, wait=f"st={wait_words}", timeout=timeout)

    def ask(self, msg, text="", lparam=None):
        """A query answered in the parameter window."""
        a = self.call(msg, 0, lparam if lparam is not None else 0, slots=[("pa", SETPARAMWND, text)])
        return a.result, a.text["pa"]

    def auto(self, *args, check=True):
        return self.tmctl("auto", *args, check=check)

    def describe(self, title, cls=""):
        return json.loads(self.auto(cls, title, "describe").stdout)

    def tray(self):
        out = self.auto(CLASS, TITLE, "tray").stdout.decode()
        return [line.split("\t") for line in out.splitlines()]

    def log(self):
        f = self.server / "dialwick.log"
        return f.read_bytes().decode("latin-1") if f.exists() else ""

    def log_lines(self):
        return [line.split(" : ", 1)[1] for line in self.log().split("\r\n") if " : " in line]

    def active(self):
        return self.ask(QUERYACTIVE)[1]


class Answer:
    def __init__(self, completed):
        self.rc = completed.returncode
        self.stderr = completed.stderr.decode(errors="replace")
        self.result = None
        self.text, self.history, self.items = {}, {}, {}
        for line in completed.stdout.decode("latin-1").splitlines():
            key, _, value = line.partition("=")
            if key == "result":
                self.result = int(value)
            elif "#" in key:
                self.history.setdefault(key.split("#")[0], []).append(value)
            elif "[" in key:
                self.items.setdefault(key.split("[")[0], []).append(value)
            else:
                self.text[key] = value

    def words(self, slot="st"):
        return self.history.get(slot, [])


def control(window, control_id):
    for c in window["children"]:
        if c["id"] == control_id:
            return c
    raise KeyError(control_id)
