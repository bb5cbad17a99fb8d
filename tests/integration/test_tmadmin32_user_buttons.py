"""The "Configure User Buttons" dialog, opened by message 1929 and driven as
the operator would; the values land in tmhub.ini with the 0xA9 separator."""
import json

import pytest

from admin_harness import finish, support_module
from tellmar_ids.tmadmin32 import UserButtons as ids

SEP = b"\xa9"


@pytest.fixture
def desk(tmp_path):
    settings = (b"[UserButtons]\r\nButton1=C:\\APPS\\CALC.EXE" + SEP + b"Calculator\r\n"
                b"Button2=no separator here\r\nButton3=\r\nButton5=/usr/bin/editor" + SEP + b"Edit\r\n")
    with support_module(tmp_path, settings, "TMHUB.INI") as d:
        yield d


def lines(desk, dlg):
    return ["\t".join(row) for row in desk.items(dlg, ids.List)]


def enabled(desk, dlg):
    tree = json.loads(desk.ui("tree", dlg, "--json"))
    return {c["id"]: c["enabled"] for c in tree["children"] if c["id"] > 0}


def stored(desk):
    values = {}
    for line in (desk.server / "TMHUB.INI").read_bytes().split(b"\r\n"):
        if line.startswith(b"Button"):
            key, _, value = line.partition(b"=")
            values[int(key[6:])] = value
    return values


def test_list_lines_edit_save_remove_browse_and_ok(desk):
    proc, dlg = desk.open_dialog(1929, "Configure User Buttons")
    shown = lines(desk, dlg)
    assert len(shown) == 8
    assert shown[0] == " 1 - \tC:\\APPS\\CALC.EXE\tCalculator"
    assert shown[1] == " 2 - \tNot Configured..."
    assert shown[4] == " 5 - \t/usr/bin/editor\tEdit"
    assert desk.text(dlg, ids.Program).strip() == "C:\\APPS\\CALC.EXE"

    # Button 2: a program without a caption.
    desk.ui("select", dlg, ids.List, 1)
    assert desk.text(dlg, ids.Program).strip() == "Not Configured..."
    desk.ui("click", dlg, ids.EditEntry)
    assert enabled(desk, dlg) == {ids.Program: True, ids.Caption: True, ids.Browse: True, ids.Save: True,
                                  ids.CancelEdit: True, ids.List: False, ids.EditEntry: False,
                                  ids.RemoveEntry: False, ids.Ok: False, ids.Cancel: False}
    desk.ui("set", dlg, ids.Program, "C:\\TOOLS\\NOTES.EXE")
    desk.ui("set", dlg, ids.Caption, "")
    desk.ui("click", dlg, ids.Save)
    assert enabled(desk, dlg)[ids.List]
    assert lines(desk, dlg)[1] == " 2 - \tC:\\TOOLS\\NOTES.EXE\t"

    # Button 3 through the program chooser: Browse empties the caption.
    desk.ui("select", dlg, ids.List, 2)
    desk.ui("click", dlg, ids.EditEntry)
    desk.ui("set", dlg, ids.Caption, "typed before browsing")
    desk.ui("click", dlg, ids.Browse)
    chooser = desk.wait_box("chooser")
    assert chooser[2] == "Select File to be run"
    desk.answer(chooser[0], "/opt/tools/mailer")
    assert desk.text(dlg, ids.Caption).strip() == ""
    desk.ui("set", dlg, ids.Caption, "Mailer")
    desk.ui("click", dlg, ids.Save)

    # Button 5 removed.
    desk.ui("select", dlg, ids.List, 4)
    desk.ui("click", dlg, ids.RemoveEntry)
    assert lines(desk, dlg)[4] == " 5 - \tNot Configured..."

    # Nothing is stored before OK.
    assert stored(desk)[5] == b"/usr/bin/editor" + SEP + b"Edit"
    desk.ui("click", dlg, ids.Ok)
    _, slots = finish(proc)
    assert slots["F"] == "OK"
    values = stored(desk)
    assert values[1] == b"C:\\APPS\\CALC.EXE" + SEP + b"Calculator"
    assert values[2] == b"C:\\TOOLS\\NOTES.EXE" + SEP + b"NOTES.EXE"
    assert values[3] == b"/opt/tools/mailer" + SEP + b"Mailer"
    assert values[5] == b""
    assert [values[n] for n in (4, 6, 7, 8)] == [b""] * 4


def test_cancel_stores_nothing_and_answers_cancel(desk):
    before = (desk.server / "TMHUB.INI").read_bytes()
    proc, dlg = desk.open_dialog(1929, "Configure User Buttons")
    desk.ui("select", dlg, ids.List, 0)
    desk.ui("click", dlg, ids.RemoveEntry)
    desk.ui("click", dlg, ids.Cancel)
    _, slots = finish(proc)
    assert slots["F"] == "CANCEL"
    assert (desk.server / "TMHUB.INI").read_bytes() == before


def test_a_second_request_brings_the_open_dialog_forward(desk):
    proc, dlg = desk.open_dialog(1929, "Configure User Buttons")
    desk.tmctl("call", "CorvVuvedo32Utility", "Corvane 32 bit Server Utility Module", "--post", 1929)
    desk.tmctl("call", "CorvVuvedo32Utility", "Corvane 32 bit Server Utility Module", 1741)  # a round trip
    assert [w for w in desk.windows() if w[2] == "Configure User Buttons"] == [[str(dlg), "#32770",
                                                                              "Configure User Buttons", "tmadmin32"]]
    desk.ui("key", dlg, "Esc")
    assert finish(proc)[1]["F"] == "CANCEL"


def test_what_would_not_read_back_is_refused_at_browse_and_save(desk):
    """The stored form splits at the first byte 0xA9, which UTF-8 also uses
    inside letters such as "é"; and a value is read back with 256 bytes."""
    before = stored(desk)
    proc, dlg = desk.open_dialog(1929, "Configure User Buttons")
    desk.ui("select", dlg, 1049, 3)
    desk.ui("click", dlg, 4)

    def refused(start_words):
        box = desk.wait_box("box")
        assert box[2] == "Configure User Buttons" and box[3].startswith(start_words), box
        desk.answer(box[0], "OK")

    # Browse: the chosen path is not taken.
    desk.ui("click", dlg, 3)
    desk.answer(desk.wait_box("chooser")[0], "/opt/andré/tool")
    refused("The program's path contains a character")
    assert desk.text(dlg, 1047).strip() == "Not Configured..."

    # Save: a typed path, a caption, a value too long; the dialog stays in editing.
    for program, caption, words in [("/opt/andré/tool", "Tool", "The program's path contains"),
                                     ("/opt/tool", "© Tool", "The caption contains"),
                                     ("/opt/" + "p" * 250, "Tool", "The program's path and the caption are too long")]:
        desk.ui("set", dlg, 1047, program)
        desk.ui("set", dlg, 1048, caption)
        desk.ui("click", dlg, 6)
        refused(words)
        assert enabled(desk, dlg)[6], "still editing"
        assert lines(desk, dlg)[3] == " 4 - \tNot Configured..."

    # What fits is taken, up to the last byte that reads back.
    program = "/opt/" + "p" * 240
    desk.ui("set", dlg, 1047, program)
    desk.ui("set", dlg, 1048, "c" * (255 - len(program) - 1))
    desk.ui("click", dlg, 6)
    desk.ui("click", dlg, 1)
    assert finish(proc)[1]["F"] == "OK"
    values = stored(desk)
    assert len(values[4]) == 255 and values[4].startswith(program.encode() + SEP)
    assert values[1] == before[1]

    # It reads back whole: the list shows it as stored.
    proc, dlg = desk.open_dialog(1929, "Configure User Buttons")
    assert lines(desk, dlg)[3] == " 4 - \t%s\t%s" % (program, "c" * (255 - len(program) - 1))
    desk.ui("key", dlg, "Esc")
    finish(proc)
