"""The mail administration window on a real store, driven through tmctl as
the main server and a person would: the folder list, the refresh after a
delivery or a file dropped in, the held marker, a missing user folder made
when selected, the status line, and the place saved on close."""
import json

import pytest

from admin_harness import Desk, TIMEOUT
from desk_tools import control_lines
from pop3_harness import ServerDir
from tellmar_ids.tmadmin32 import MailWindow as ids

TITLE = "Administration - Mail Server"
# The refresh runs every five seconds; a loaded machine gets some more.
REFRESH_WAIT = 5 + TIMEOUT


@pytest.fixture
def store(tmp_path):
    desk = Desk(tmp_path)
    sd = ServerDir(desk.server)
    sd.add_user("Zoe Zed", "ZOE", "zoe-pw")
    sd.add_user("Anna Smith", "ANNA", "anna-pw")
    sd.write_settings()
    (desk.server / "ZOE").rmdir()  # Zoe's folder was removed
    desk.start("support")
    yield desk
    desk.stop()


def open_window(desk, message=1826):
    result, _ = desk.call(message)
    assert result == 0
    return desk.dialog(TITLE)


def tree(desk, win):
    return {c["id"]: c for c in json.loads(desk.ui("tree", win, "--json"))["children"]}


def folder_data(desk, win):
    return dict(zip(control_lines(desk.env, win, ids.Folders), tree(desk, win)[ids.Folders]["itemData"]))


def test_folder_list_and_missing_folder(store):
    desk = store
    win = open_window(desk)
    assert control_lines(desk.env, win, ids.Folders) == [
        "(User's Folders)", "\tANNA\tAnna Smith", "\tZOE\tZoe Zed",
        "(System Folders)", "\tRoot user", "\tMail in", "\tOutgoing", "\tPending",
        "(Archive)", "\tInbound Mail", "\tOutbound Mail"]
    assert tree(desk, win)[ids.Folders]["curSel"] == 1

    assert not (desk.server / "ZOE").exists()
    desk.ui("select", win, ids.Folders, "2")
    assert (desk.server / "ZOE").is_dir(), "selecting the user's line made the folder"
    assert not tree(desk, win)[ids.Delete]["enabled"]

    # 1930 lists the users in record order; the selected line stays.
    desk.call(1930)
    assert control_lines(desk.env, win, ids.Folders)[1:3] == ["\tZOE\tZoe Zed", "\tANNA\tAnna Smith"]
    assert tree(desk, win)[ids.Folders]["curSel"] == 2

    # 1839 opens it on the Postmaster's mailbox, or on [administration] seekuser.
    desk.call(1839)
    assert control_lines(desk.env, win, ids.Folders)[tree(desk, win)[ids.Folders]["curSel"]] == "\tRoot user"
    desk.tmctl("ini", "set", desk.server / "tmhub.ini", "administration", "seekuser", "Anna Smith")
    desk.call(1839)
    assert control_lines(desk.env, win, ids.Folders)[tree(desk, win)[ids.Folders]["curSel"]] == "\tANNA\tAnna Smith"


def test_refresh_sees_a_delivery_and_a_dropped_file(store):
    desk = store
    win = open_window(desk)  # on Anna's empty folder
    assert control_lines(desk.env, win, ids.Messages) == []
    note = desk.root / "note.eml"
    note.write_bytes(b"Subject: hi\r\n\r\nhello\r\n")
    desk.tmctl("deliver", desk.server, "anna", "--from", "bob@example.org", note)
    desk.wait_for(lambda: len(control_lines(desk.env, win, ids.Messages)) == 1,
                  "the delivered message was not listed", timeout=REFRESH_WAIT)
    assert folder_data(desk, win)["\tANNA\tAnna Smith"] == 1
    assert tree(desk, win)[ids.From]["text"] == " <bob@example.org>"
    assert tree(desk, win)[ids.MessageCount]["text"] == "1"

    (desk.server / "ROOT").mkdir(exist_ok=True)
    (desk.server / "ROOT" / "0000abcd.TXT").write_bytes(b"Subject: dropped\r\n\r\nin\r\n")
    desk.wait_for(lambda: folder_data(desk, win)["\tRoot user"] == 1,
                  "Root user's folder did not show mail", timeout=REFRESH_WAIT)

    # 1827 is F5-Refresh: at once.
    (desk.server / "ANNA" / "0000beef.txt").write_bytes(b"Subject: two\r\n\r\n2\r\n")
    desk.call(1827)
    assert len(control_lines(desk.env, win, ids.Messages)) == 2


def test_held_marker_status_line_and_place_saved_on_close(store):
    desk = store
    folder = desk.server / "ANNA"
    (folder / "00000010.txt").write_bytes(b"Subject: a\r\n\r\na\r\n")
    (folder / "00000010.LCK").write_bytes(b"locked")
    win = open_window(desk)
    desk.ui("select", win, ids.Messages, "00000010.txt")
    assert tree(desk, win)[ids.Held]["visible"]
    (folder / "00000010.LCK").unlink()
    desk.ui("select", win, ids.Messages, "00000010.txt")
    assert not tree(desk, win)[ids.Held]["visible"]

    # 1823: the texts of the caller's two windows make the status line.
    main = desk.window("CorvVuvedo32Utility", "Corvane 32 bit Server Utility Module")
    desk.call(1823, wparam=main, lparam=win)
    assert tree(desk, win)[ids.Status]["text"] == "Corvane 32 bit Server Utility Module" + TITLE

    desk.ui("key", win, "F9")
    desk.wait_for(lambda: desk.window("#32770", TITLE) is None, "the window did not close")
    ini = desk.server / "tmhub.ini"
    saved = {k: desk.tmctl("ini", "get", ini, "MSGVIEWER32", k).stdout.decode().strip()
             for k in ("Top", "Left", "Height", "Width")}
    assert all(v.lstrip("-").isdigit() for v in saved.values()), saved
    assert saved["Top"] == "50" and saved["Left"] == "50"
