"""The server configuration sheet (message 1825) and "Administrators
Properties" (message 1937), used as the administrator would: pages changed
through the tab list, Apply writing tmhub.ini while the sheet stays open, and
the dial-up page listing the phonebook through the real Dialwick."""
import pytest

from admin_harness import DUN_CLASS, DUN_TITLE, Desk, finish
from desk_tools import program, ui_tree
from tellmar_ids.tmadmin32 import AdministrationPage, DialupPage, IncomingPage, OutgoingPage

TABS, APPLY, HINT = 0x3020, 0x3021, 0x3030


@pytest.fixture
def desk(tmp_path):
    d = Desk(tmp_path)
    yield d
    d.quit_dialwick()
    d.stop()


def ini(desk):
    return (desk.server / "tmhub.ini").read_bytes()


def states(desk, handle, control):
    """The state words `tmctl ui tree` gives a control."""
    for row in ui_tree(desk.env, handle):
        if row[0] == str(control):
            return row[3].split() if len(row) > 3 else []
    raise AssertionError(f"no control {control}")


def combo_items(desk, handle, control):
    """A combo box's items, as `tmctl ui tree` lists them under it."""
    items, inside = [], False
    for row in ui_tree(desk.env, handle):
        if row[0].startswith("item "):
            if inside:
                items.append(row[1])
        else:
            inside = row[0] == str(control)
    return items


def test_pages_are_changed_and_applied_while_the_sheet_stays_open(desk):
    (desk.server / "tmhub.ini").write_bytes(
        b"[NetMailServer]\r\nPOPHost=old.example\r\nMailserver0=smtp.example\r\n"
        b"MAILSERVER1=one.example\r\nMAILSERVER2=two.example\r\n")
    desk.start("support")
    proc, sheet = desk.open_dialog(1825, "Server configuration")
    assert desk.text(sheet, HINT) == "Select method to connect to your external mail servers..."
    desk.ui("select", sheet, TABS, "Incoming mail")
    assert desk.text(sheet, HINT).startswith("Setup the pop3 information")
    assert desk.text(sheet, IncomingPage.PopHost) == "old.example"
    desk.ui("set", sheet, IncomingPage.PopHost, "pop.example.net")
    desk.ui("set", sheet, IncomingPage.PopPassword, "with blank")
    desk.ui("select", sheet, TABS, "Outgoing mail")
    desk.ui("select", sheet, OutgoingPage.Gateways, "two.example")
    desk.ui("click", sheet, OutgoingPage.DeleteGateway)
    assert "disabled" not in states(desk, sheet, APPLY)

    # The blank is refused and the sheet comes back to the page with the password.
    desk.ui("click", sheet, APPLY)
    box = desk.wait_box("box")
    assert box[2:4] == ["Invalid Password", "Passwords cannot contain spaces"]
    desk.answer(box[0], "OK")
    assert b"pop.example.net" not in ini(desk)
    desk.wait_for(lambda: desk.text(sheet, HINT).startswith("Setup the pop3"), "the incoming mail page")
    desk.ui("set", sheet, IncomingPage.PopPassword, "secret")
    desk.ui("click", sheet, APPLY)
    desk.wait_for(lambda: b"POPHost=pop.example.net" in ini(desk), "the applied keys")
    text = ini(desk)
    assert b"POPpassword=" in text and b"secret" not in text, "stored scrambled"
    assert b"MAILSERVER2" not in text and b"MAILSERVER1=one.example" in text
    assert b"RemoteUpdate=-1" in text, "the incoming mail page announces its change"
    desk.ui("click", sheet, 2)  # Cancel: what was applied stays
    assert finish(proc)[1]["B"] == "OK"
    assert b"POPHost=pop.example.net" in ini(desk)


def test_the_dialup_page_lists_the_phonebook_through_dialwick(desk, tmp_path):
    phonebook = tmp_path / "phonebook.ini"
    phonebook.write_bytes(b"[ISP]\r\nPassword=a\r\n[Office]\r\nPassword=b\r\n[Home]\r\n")
    desk.env["TELLMAR_PHONEBOOK"] = str(phonebook)
    (desk.server / "Dialwick").symlink_to(program("Dialwick"))
    (desk.server / "tmhub.ini").write_bytes(
        b"[NetConnections]\r\nUse95DUN=-1\r\n95DUNconnection=Office\r\n")
    desk.start("support")
    proc, sheet = desk.open_dialog(1825, "Server configuration")
    desk.ui("select", sheet, TABS, "Configure dialup networking")
    desk.wait_for(lambda: combo_items(desk, sheet, DialupPage.Entries) == ["ISP", "Office", "Home"],
                  "the phonebook entries", timeout=20)
    assert desk.text(sheet, DialupPage.Entries) == "Office", "the stored entry is selected"
    assert desk.text(sheet, DialupPage.Status) == "Select the options you prefer for dial-up networking..."
    assert desk.window(DUN_CLASS, DUN_TITLE), "started from the server directory"
    desk.ui("select", sheet, DialupPage.Entries, "Home")
    desk.ui("set", sheet, DialupPage.Retries, "5")
    desk.ui("click", sheet, 1)  # OK
    assert finish(proc)[1]["B"] == "OK"
    text = ini(desk)
    assert b"95DUNconnection=Home" in text and b"busyretries=5" in text


def test_administrators_defaults_and_flags(desk):
    (desk.server / "tmhub.ini").write_bytes(b"[General]\r\nExtAdminOK=1\r\n")
    desk.start("support")
    proc, sheet = desk.open_dialog(1937, "Administrators Properties")
    assert desk.text(sheet, HINT) == "Master Settings..."
    assert "checked" in states(desk, sheet, AdministrationPage.IntAdminOk)
    assert "checked" in states(desk, sheet, AdministrationPage.ExtAdminOk)
    assert "checked" not in states(desk, sheet, AdministrationPage.AllowXOk)
    assert "checked" in states(desk, sheet, AdministrationPage.PlainText)
    desk.ui("check", sheet, AdministrationPage.SaveToAdmin, "0")
    desk.ui("click", sheet, 1)
    finish(proc)
    text = ini(desk)
    for line in (b"IntAdminOK=-1", b"ExtAdminOK=-1", b"SaveToAdmin=0", b"AllowXOK=0", b"TMSecure=0"):
        assert line in text, line
    assert b"RemoteUpdate" not in text
