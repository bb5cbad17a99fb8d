"""List rows, the print dialog and the progress window, driven with tmctl as a
script would, on the test-only program that shows them."""
import os
import re
import subprocess

import pytest

from desk_tools import program, reap, run_tmctl, ui_boxes, ui_items, ui_text, ui_tree, wait_for, windows

SAMPLE = program("toolkit_sample")
pytestmark = pytest.mark.skipif(not SAMPLE.exists(), reason="toolkit_sample is not built")


@pytest.fixture
def desk(tmp_path):
    (tmp_path / "desktop").mkdir(mode=0o700)
    env = dict(os.environ, TELLMAR_DESKTOP=str(tmp_path / "desktop"), TELLMAR_OPERATOR="interactive",
               XDG_CONFIG_HOME=str(tmp_path / "config"))
    procs = []

    def start(*args, operator="interactive"):
        e = dict(env, TELLMAR_OPERATOR=operator)
        proc = subprocess.Popen([str(SAMPLE), *args], env=e, cwd=tmp_path,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        procs.append(proc)
        handle = wait_for(lambda: next((w[0] for w in windows(env) if w[2] == "Toolkit Sample"), None),
                          what="the sample window")
        return proc, handle

    class Desk:
        pass
    d = Desk()
    d.env, d.start, d.root = env, start, tmp_path
    d.ui = lambda *a, check=True: run_tmctl(env, "ui", *a, check=check)
    d.out = lambda *a: run_tmctl(env, "ui", *a).stdout.decode("latin-1")
    yield d
    for proc in procs:
        proc.terminate()
        reap(proc)


def status(d, handle):
    return ui_text(d.env, handle, "1003")


def boxes(d):
    return ui_boxes(d.env)


def test_rows_show_their_facts_and_select_exactly_the_items_named(desk):
    _, h = desk.start()
    # A row's columns stay one text: its TABs come escaped, the facts follow a real TAB.
    raw = desk.out("get", h, "1000").splitlines()
    assert raw[0] == "ANNA\\tAnna Smith\\t3\ticon=201 color=#ff0000 data=11"
    assert ui_items(desk.env, h, "1000")[:3] == [["ANNA\tAnna Smith\t3", "icon=201 color=#ff0000 data=11"],
                                                ["BOB\tBob Jones\t0", "icon=202 data=12"],
                                                ["ROOT\tRoot user\t12", "bold data=13"]]

    desk.ui("select", h, "1000", "0", "ROOT\tRoot user\t12")
    tree = ui_tree(desk.env, h)
    control = next(line for line in tree if line[:2] == ["1000", "listbox"])
    assert control[-1].endswith(" selected=0,2")
    assert ["item 0", "ANNA\tAnna Smith\t3", "selected icon=201 color=#ff0000 data=11"] in tree
    assert ["item 1", "BOB\tBob Jones\t0", "icon=202 data=12"] in tree

    # One item that is not there: nothing changes.
    r = desk.ui("select", h, "1000", "1", "7", check=False)
    assert r.returncode != 0
    assert ui_items(desk.env, h, "1000")[2] == ["ROOT\tRoot user\t12", "selected bold data=13"]


def test_print_dialog_prints_to_a_pdf_file_a_printer_or_nothing(desk, tmp_path):
    _, h = desk.start("--lines", "2")
    desk.ui("click", h, "1001")
    box = wait_for(lambda: [b for b in boxes(desk) if b[1] == "print"], what="the print dialog")[0]
    assert box[2] == "Print"
    assert box[3] == "rows.pdf"

    # A printer the dialog does not offer is refused, and the dialog waits on.
    r = desk.ui("answer", box[0], "no-such-printer", check=False)
    assert r.returncode != 0 and b"no printer no-such-printer" in r.stderr
    out = tmp_path / "printed" / "rows.pdf"
    out.parent.mkdir()
    desk.ui("answer", box[0], str(out))
    wait_for(lambda: status(desk, h).startswith("Printed on "), what="the print to end")
    assert status(desk, h) == "Printed on " + str(out)
    text = subprocess.run(["pdftotext", "-layout", str(out), "-"], capture_output=True, check=True).stdout.decode()
    lines = [" ".join(line.split()) for line in text.splitlines() if line.strip()]
    assert lines == ["Toolkit sample rows", "ANNA Anna Smith 3", "BOB Bob Jones 0", "ROOT Root user 12",
                     "LINE Line 1", "LINE Line 2"]

    desk.ui("click", h, "1001")
    box = wait_for(lambda: [b for b in boxes(desk) if b[1] == "print"], what="the print dialog again")[0]
    desk.ui("answer", box[0], "Cancel")
    wait_for(lambda: status(desk, h) == "Print cancelled", what="the cancel")
    assert boxes(desk) == []


def test_without_an_operator_the_print_dialog_cancels_and_says_so(desk):
    proc, h = desk.start(operator="unattended")
    desk.ui("click", h, "1001")
    wait_for(lambda: status(desk, h) == "Print cancelled", what="the cancel")
    proc.terminate()
    reap_err = proc.communicate(timeout=30)[1]
    assert b"Print: nobody here to choose a printer; nothing printed\n" in reap_err


def test_progress_window_moves_on_and_stops_on_cancel(desk):
    _, h = desk.start("--steps", "600")
    desk.ui("click", h, "1002")
    progress = wait_for(lambda: next((w[0] for w in windows(desk.env) if w[2] == "Moving messages"), None),
                        what="the progress window")
    # The text moves on every step: wait for a step at or past the third,
    # not for one text that the next step overwrites.
    def step():
        found = re.search(r"Message (\d+) of 600", desk.out("get", progress, "1003"))
        return found and int(found.group(1)) >= 3
    wait_for(step, what="three steps")
    desk.ui("click", progress, "2")
    wait_for(lambda: status(desk, h).startswith("Cancelled at "), what="the cancel")
    stopped = int(status(desk, h).split()[-1])
    assert 3 <= stopped < 600
    wait_for(lambda: all(w[2] != "Moving messages" for w in windows(desk.env)), what="the window to go")
