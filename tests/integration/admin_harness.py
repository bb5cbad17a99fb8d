"""Runs tmadmin32 in either role on a desktop of its own for the tests.

Each run gets a temporary desktop, registry store, configuration directory
and working (server) directory. The role comes from the name the program is
started under: a link named tmadmin32 (with its directory) is the support
module, a link named tmremote the Remote Configuration Utility. tmctl plays
the main server: `call` registers slots A to F and sends one message;
`ui` drives what a person would.
"""
import contextlib
import os
import subprocess

from desk_tools import TMCTL, program, reap, run_tmctl, ui_boxes, ui_items, ui_text, wait_for
from desk_tools import windows as desktop_windows

TMADMIN32 = program("tmadmin32")

CLASS = "CorvVuvedo32Utility"
SUPPORT_TITLE = "Corvane 32 bit Server Utility Module"
RCU_TITLE = "Remote Configuration Utility"
RCU_DIALOG_TITLE = "Tellmar Remote Configuration Utility"

# Dialwick, which the dial-up settings start from the server directory.
DUN_CLASS, DUN_TITLE, DUN_QUIT = "CorvDunHandler", "Corvane DUN32", "1233"

# Slot name -> registering message, in the order tmctl prints them.
SLOTS = {"A": 1225, "B": 1226, "C": 1227, "D": 1228, "E": 1224, "F": 1223}
TIMEOUT = 30  # seconds; every wait ends as soon as its state is there


class Desk:
    def __init__(self, tmp_path, env=None):
        self.root = tmp_path
        self.server = tmp_path / "server"
        self.server.mkdir()
        (tmp_path / "desktop").mkdir(mode=0o700)
        (tmp_path / "bin").mkdir()
        self.config = tmp_path / "config"
        self.registry = tmp_path / "registry"
        self.env = dict(os.environ)
        self.env.update({
            "TELLMAR_DESKTOP": str(tmp_path / "desktop"),
            "TELLMAR_REGISTRY": str(self.registry),
            "XDG_CONFIG_HOME": str(self.config),
            "TZ": "UTC0",
            "TELLMAR_OPERATOR": "interactive",
        })
        self.env.update(env or {})
        self.procs = []

    # --- programs ----------------------------------------------------------
    def start(self, role="support", name=None, wait=True, env=None):
        link = self.root / "bin" / (name or ("tmadmin32" if role == "support" else "tmremote"))
        if not link.exists():
            link.symlink_to(TMADMIN32)
        e = dict(self.env)
        e.update(env or {})
        proc = subprocess.Popen([str(link)], cwd=self.server, env=e,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.procs.append(proc)
        if wait:
            title = SUPPORT_TITLE if role == "support" else RCU_TITLE
            self.wait_for(lambda: self.window(CLASS, title), f"{title} did not appear")
        return proc

    def quit_dialwick(self):
        """Ends a Dialwick the programs started (it outlives them)."""
        if self.window(DUN_CLASS, DUN_TITLE):
            self.tmctl("call", DUN_CLASS, DUN_TITLE, DUN_QUIT, check=False)
            self.wait_for(lambda: not self.window(DUN_CLASS, DUN_TITLE), "Dialwick did not quit")

    def stop(self):
        for p in self.procs:
            if p.poll() is None:
                p.terminate()
        for p in self.procs:
            reap(p)

    # --- tmctl ---------------------------------------------------------------
    def tmctl(self, *args, check=True, timeout=TIMEOUT):
        return run_tmctl(self.env, *args, check=check, timeout=timeout)

    def windows(self):
        return desktop_windows(self.env)

    def window(self, cls, title):
        for w in self.windows():
            if w[1].lower() == cls.lower() and w[2].lower() == title.lower():
                return int(w[0])
        return None

    def wait_for(self, condition, message, timeout=TIMEOUT):
        return wait_for(condition, timeout, what=message)

    def call_args(self, message, slots=None, title=SUPPORT_TITLE, wparam=None, lparam=None, extra=()):
        """extra: more tmctl call options, e.g. another slot or a --wait."""
        args = ["call", CLASS, title]
        slots = slots or {}
        for name, reg in SLOTS.items():
            text = slots.get(name)
            args += ["--slot", f"{name}:{reg}" + ("" if text is None else f"={text}")]
        args += list(extra)
        args.append(message)
        if wparam is not None:
            args.append(wparam)
        if lparam is not None:
            args.append(lparam)
        return args

    def call(self, message, slots=None, timeout=TIMEOUT, **kw):
        """Sends one message with slots A to F registered; answers (result, {slot: text})."""
        out = self.tmctl(*self.call_args(message, slots, **kw), timeout=timeout).stdout.decode("latin-1")
        return parse_call(out)

    def call_in_background(self, message, slots=None, **kw):
        return subprocess.Popen([str(TMCTL), *map(str, self.call_args(message, slots, **kw))], env=self.env,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE)

    def ui(self, *args, check=True):
        return self.tmctl("ui", *args, check=check).stdout.decode("latin-1")

    def text(self, handle, control):
        """A control's text, as `tmctl ui get` printed it, unescaped."""
        return ui_text(self.env, handle, control)

    def items(self, handle, control):
        """A list's rows: [text] or [text, facts] each."""
        return ui_items(self.env, handle, control)

    def boxes(self):
        return ui_boxes(self.env)

    def wait_box(self, kind=None):
        def found():
            for b in self.boxes():
                if kind is None or b[1] == kind:
                    return b
            return None
        return self.wait_for(found, f"no {kind or 'box'} appeared")

    def answer(self, box_id, answer):
        self.ui("answer", box_id, answer)

    def dialog(self, title):
        return self.wait_for(lambda: self.window("#32770", title), f"no dialog {title}")

    def open_dialog(self, message, title, slots=None):
        """Sends the message that opens a modal dialog; answers the waiting
        call (for `finish`) and the dialog's handle once it is shown."""
        proc = self.call_in_background(message, slots)
        return proc, self.dialog(title)


@contextlib.contextmanager
def support_module(tmp_path, settings=None, settings_name="tmhub.ini", env=None):
    """A desk with the support module running in a server directory whose
    settings file holds `settings` (bytes, if given); stopped at the end."""
    desk = Desk(tmp_path, env)
    try:
        if settings is not None:
            (desk.server / settings_name).write_bytes(settings)
        desk.start("support")
        yield desk
    finally:
        desk.stop()


def parse_call(out):
    lines = out.splitlines()
    result = int(lines[0].split("=", 1)[1])
    slots = {}
    for line in lines[1:]:
        name, _, text = line.partition("=")
        slots[name] = text
    return result, slots


def finish(proc, timeout=TIMEOUT):
    out, err = proc.communicate(timeout=timeout)
    assert proc.returncode == 0, err.decode(errors="replace")
    return parse_call(out.decode("latin-1"))
