"""The "Mail routing" sheet opened by message 1833 and used as the
administrator would: the working copy beside the program, the settings file
written only by OK, and "OK" in slot B when the sheet closes."""
import pytest

from admin_harness import finish, support_module
from tellmar_ids.tmadmin32 import FilterPage as ids

JUNK = (b"Junk^1^1^0^0^2^0^free money^0^0^0^^3^Delete message from system...^0^No action specified...^0^"
        b"No action specified...^0^No action specified...^0^No action specified...^")


@pytest.fixture
def desk(tmp_path):
    settings = (b"[Environment]\r\nDomain=x.org\r\n[MAILFILTERS]\r\nPRI0=" + JUNK +
                b"\r\nPRI1=" + JUNK.replace(b"Junk", b"Spam", 1) +
                b"\r\n[MAILFILTERSFULL]\r\nPRIL0=Junk^^^^^^\r\nPRIL1=Spam^^^^^^\r\n")
    with support_module(tmp_path, settings) as d:
        yield d


def rule(desk, n):
    for line in (desk.server / "tmhub.ini").read_bytes().split(b"\r\n"):
        if line.upper().startswith(b"PRI%d=" % n):
            return line.split(b"=", 1)[1]
    return None


def test_edits_reach_the_settings_file_only_with_ok(desk):
    proc, sheet = desk.open_dialog(1833, "Mail routing")
    assert desk.ui("get", sheet, ids.NameButton).strip() == "Junk"
    assert (desk.server / "FLTTEMP.INI").exists(), "the working copy sits in the working directory"
    desk.ui("dblclick", sheet, ids.Rules, "0")          # Junk becomes inactive
    desk.ui("select", sheet, ids.Rules, "1")
    desk.ui("set", sheet, ids.Text1, "cheap pills")
    desk.ui("select", sheet, ids.Action1, "0")           # no action: the later slots open
    desk.ui("select", sheet, ids.Action2, "4")           # generate a bounce message
    desk.ui("click", sheet, ids.MoveUp)
    assert rule(desk, 0) == JUNK, "nothing is stored before OK"
    desk.ui("click", sheet, 1)
    result, slots = finish(proc)
    assert slots["B"] == "OK"
    spam, junk = rule(desk, 0).split(b"^"), rule(desk, 1).split(b"^")
    assert spam[0] == b"Spam" and spam[7] == b"cheap pills"
    assert spam[12:16] == [b"0", b"No action specified...", b"4", b"Send an undelivered mail message..."]
    assert junk[0] == b"Junk" and junk[2] == b"2"
    assert b"RemoteUpdate=-1" in (desk.server / "tmhub.ini").read_bytes()


def test_cancel_leaves_the_settings_file_and_removes_the_working_copy(desk):
    before = (desk.server / "tmhub.ini").read_bytes()
    proc, sheet = desk.open_dialog(1833, "Mail routing")
    desk.ui("click", sheet, ids.Remove)
    desk.ui("click", sheet, 2)
    assert finish(proc)[1]["B"] == "OK"
    assert (desk.server / "tmhub.ini").read_bytes() == before
    assert not (desk.server / "FLTTEMP.INI").exists()


def test_the_lists_sheet_answers_ok_and_keeps_lists_beside_the_server(desk):
    from tellmar_ids.tmadmin32 import ListsPage, ListName
    lists = desk.server / "LISTS"
    lists.mkdir()
    (lists / "team.lst").write_bytes(b"a@x.org\r\n")
    proc, sheet = desk.open_dialog(1834, "Address/Mailing lists")
    assert desk.ui("get", sheet, ListsPage.Lists).splitlines() == ["TEAM"]
    desk.ui("click", sheet, ListsPage.CopyList)
    name = desk.dialog("Address lists")
    desk.ui("set", name, ListName.Name, "crew")
    desk.ui("click", name, 1)
    desk.wait_for(lambda: (lists / "CREW.LST").exists(), "the copy")
    desk.ui("click", sheet, 2)  # Close
    assert finish(proc)[1]["B"] == "OK"
    assert (lists / "CREW.LST").read_bytes() == b"a@x.org\r\n"
