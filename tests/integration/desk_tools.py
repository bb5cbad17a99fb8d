"""What every harness of these tests shares: where the built programs are,
waiting for a condition, and tmctl on a desktop of the test's own."""
import os
import pathlib
import sys
import subprocess
import time

REPO = pathlib.Path(__file__).resolve().parents[2]
BUILD = pathlib.Path(os.environ.get("TELLMAR_BUILD_DIR", REPO / "build"))
TMCTL = BUILD / "bin" / "tmctl"

# The programs' named control IDs, generated from the templates by the build:
# `from tellmar_ids import tmadmin32 as ids` then `ids.UserButtons.List`.
sys.path.insert(0, str(BUILD / "python"))


def program(name):
    return BUILD / "bin" / name


def sanitized_build():
    """True for a build with AddressSanitizer, whose allocator keeps freed
    memory in quarantine: what a process gives back cannot be measured."""
    cache = BUILD / "CMakeCache.txt"
    return cache.exists() and "TELLMAR_SANITIZE:BOOL=ON" in cache.read_text(errors="replace")


def wait_for(condition, timeout=30.0, what="condition"):
    """The condition's first true value, polled until the timeout. The
    timeout is generous: the wait ends as soon as the condition holds, and a
    loaded machine can take seconds to start a program or answer a call."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError("timed out waiting for " + what)
        time.sleep(0.02)


def run_tmctl(env, *args, check=True, timeout=30):
    r = subprocess.run([str(TMCTL), *map(str, args)], env=env, capture_output=True, timeout=timeout)
    if check and r.returncode != 0:
        raise AssertionError(f"tmctl {args} failed: {r.stderr.decode(errors='replace')}")
    return r


_ESCAPES = {"\\": "\\", '"': '"', "r": "\r", "n": "\n", "t": "\t"}


def unescape(text):
    r"""A text as tmctl printed it, with its \\ \" \r \n \t escapes undone."""
    out, i = [], 0
    while i < len(text):
        c = text[i]
        if c == "\\" and i + 1 < len(text) and text[i + 1] in _ESCAPES:
            out.append(_ESCAPES[text[i + 1]])
            i += 2
        else:
            out.append(c)
            i += 1
    return "".join(out)


def fields(line):
    """One line of tmctl output: its TAB-separated fields, each unescaped."""
    return [unescape(f) for f in line.split("\t")]


def field_lines(out):
    """tmctl output (bytes or text) as one list of fields per non-empty line."""
    if isinstance(out, bytes):
        out = out.decode("latin-1")
    return [fields(line) for line in out.splitlines() if line]


def windows(env):
    """The desktop's top-level windows as [handle, class, title, program]."""
    return field_lines(run_tmctl(env, "windows").stdout)


def ui_text(env, handle, control):
    """`tmctl ui get` of a control that is not a list: its text, unescaped."""
    return unescape(run_tmctl(env, "ui", "get", handle, control).stdout.decode("latin-1").rstrip("\n"))


def ui_items(env, handle, control):
    """`tmctl ui get` of a list: per row [text] or [text, facts]."""
    out = run_tmctl(env, "ui", "get", handle, control).stdout.decode("latin-1")
    return [fields(line) for line in out.split("\n")[:-1]]


def ui_tree(env, handle):
    """`tmctl ui tree`: per line its fields, unescaped, the first one without
    its indent (a control: ID, kind, text, state words; a row: "item N", text,
    facts; a menu entry: "menu ID", text, state)."""
    out = run_tmctl(env, "ui", "tree", handle).stdout.decode("latin-1")
    return [fields(line.lstrip(" ")) for line in out.splitlines() if line]


def ui_boxes(env):
    """The waiting boxes as [handle, kind, caption, text, buttons]."""
    return field_lines(run_tmctl(env, "ui", "boxes").stdout)


def reap(proc, timeout=10):
    """Waits for a program told to end, kills it if it does not, and closes
    its pipes."""
    try:
        proc.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()
    for pipe in (proc.stdout, proc.stderr):
        if pipe is not None:
            pipe.close()


def control_lines(env, handle, control_id):
    """A list's row texts, unescaped (a tab inside a row stays a tab), without
    the state words `tmctl ui get` adds."""
    return [row[0] for row in ui_items(env, handle, control_id)]
