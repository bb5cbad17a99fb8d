"""Connection scheduling (1832), additional mailboxes (1829), the Options
sheet (1830) and attachment handling (1831), opened as the main server opens
them and used as the administrator would. A POP3 port changed on the Options
sheet is where cvpopd32 listens after a restart."""
import os
import poplib
import signal
import subprocess

import pytest

from admin_harness import Desk, finish, support_module
from desk_tools import reap, wait_for
from pop3_harness import CVPOPD32, ServerDir, free_port
from tellmar_ids.tmadmin32 import Attachments, Mailboxes, PortsPage, Scheduling

SHEET_TABS, SHEET_APPLY = 0x3020, 0x3021


@pytest.fixture
def desk(tmp_path):
    with support_module(tmp_path, b"[Environment]\r\nDomain=x.org\r\n") as d:
        yield d


def ini(desk):
    return (desk.server / "tmhub.ini").read_bytes()


def key(desk, section, name):
    return desk.tmctl("ini", "get", str(desk.server / "tmhub.ini"), section, name, "(none)").stdout.decode().rstrip("\n")


def box(desk, caption):
    found = desk.wait_box("box")
    assert found[2] == caption, found
    return found


def test_scheduling_checks_the_window_then_stores_the_times(desk):
    proc, dlg = desk.open_dialog(1832, "Scheduling is OFF!")
    assert desk.text(dlg, Scheduling.PeriodicGroup) == "Periodic Scheduling  - Off"
    for day in ("Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"):
        desk.ui("check", dlg, getattr(Scheduling, day), "1")
    desk.ui("set", dlg, Scheduling.Early, "20")
    desk.ui("set", dlg, Scheduling.Late, "8")
    desk.ui("click", dlg, Scheduling.Ok)
    refusal = box(desk, "Time Limitation Error")
    assert refusal[3].startswith("The start time is later or equal to the end time")
    desk.answer(refusal[0], "OK")
    assert b"TimedPeriods" not in ini(desk), "nothing is stored after a refusal"
    desk.ui("set", dlg, Scheduling.Early, "0")
    desk.ui("check", dlg, Scheduling.TimedOn, "1")
    assert desk.text(dlg, 0) == "Timed collections ON!"
    desk.ui("set", dlg, Scheduling.Time1, "13:15")
    desk.ui("set", dlg, Scheduling.Time2, "9:30")
    desk.ui("set", dlg, Scheduling.Time3, "09.30")
    desk.ui("set", dlg, Scheduling.Time4, "7:75")
    desk.ui("click", dlg, Scheduling.Ok)
    assert finish(proc)[1]["B"] == "OK"
    assert key(desk, "Netmailserver", "TimedPeriods") == "07.98333333,09.50000000,13.25000000,"
    assert key(desk, "Netmailserver", "AutoDays") == "1,1,1,1,1,1,1,"
    assert (key(desk, "Netmailserver", "AutoPOPMail"), key(desk, "Netmailserver", "PeriodicAutoMail")) == ("-1", "0")
    assert key(desk, "NetConnections", "EarlyPeriodic") == ""
    assert key(desk, "environment", "RemoteUpdate") == "-1"


def test_mailboxes_are_added_checked_and_written_in_order(desk):
    proc, dlg = desk.open_dialog(1829, "Collecting mail from multiple mailboxes")
    for host, user in (("pop.one.example", "ann"), ("pop.two.example", "bob")):
        desk.ui("click", dlg, Mailboxes.New)
        desk.ui("set", dlg, Mailboxes.Host, host)
        desk.ui("set", dlg, Mailboxes.UserId, user)
        desk.ui("set", dlg, Mailboxes.Password, "")
        desk.ui("click", dlg, Mailboxes.Save)
        desk.answer(box(desk, "Password omitted")[0], "OK")
        desk.ui("set", dlg, Mailboxes.Password, user + "-pw")
        desk.ui("click", dlg, Mailboxes.Save)
    rows = [row[0] for row in desk.items(dlg, Mailboxes.List)]
    assert [r.split("\t")[:2] for r in rows] == [["pop.one.example", "ann"], ["pop.two.example", "bob"]]
    desk.ui("select", dlg, Mailboxes.List, "1")
    desk.ui("click", dlg, Mailboxes.Up)
    desk.ui("click", dlg, Mailboxes.Cancel)
    desk.answer(box(desk, "Unsaved changes!")[0], "Yes")
    assert finish(proc)[1]["B"] == "OK"
    text = ini(desk)
    section = text[text.index(b"[PROXYCOLLECTIONS]"):]
    assert section.startswith(b"[PROXYCOLLECTIONS]\r\nTOTALPROXIES=2\r\nPOPUSER2=bob\r\n")
    assert b"POPHOST3=pop.one.example\r\nPROXYACTIVE3=1\r\nPOPDELETESERVERMAIL3=-1\r\n" in section
    scrambled = key(desk, "PROXYCOLLECTIONS", "POPPASSWORD2")
    assert scrambled != "bob-pw" and desk.tmctl("unscramble", "KQZVRLM", scrambled).stdout.decode().strip() == "bob-pw"


def test_attachment_directory_must_exist(desk):
    (desk.server / "ATTACH").mkdir()
    proc, dlg = desk.open_dialog(1831, "Attachment handling")
    desk.ui("check", dlg, Attachments.Extract, "1")
    desk.ui("set", dlg, Attachments.Directory, "missing")
    desk.ui("click", dlg, Attachments.Ok)
    desk.answer(box(desk, "Unknown path entered")[0], "OK")
    desk.ui("click", dlg, Attachments.Select)
    chooser = desk.wait_box("chooser")
    desk.answer(chooser[0], str(desk.server / "ATTACH"))
    desk.ui("click", dlg, Attachments.Ok)
    _, slots = finish(proc)
    assert slots["B"] == "", "attachment handling answers nothing"
    assert key(desk, "attachcfg", "ExtractDir") == str(desk.server / "ATTACH") + "/"
    assert key(desk, "attachcfg", "extract") == "1"


def start_pop3(path, desktop):
    env = dict(os.environ, TELLMAR_DESKTOP=str(desktop))
    return subprocess.Popen([str(CVPOPD32)], cwd=path, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def login(port):
    pop = poplib.POP3("127.0.0.1", port, timeout=30)
    pop.user("anna")
    pop.pass_("secret")
    count = pop.stat()[0]
    pop.quit()
    return count


def can_log_in(port):
    try:
        return login(port) == 1
    except OSError:
        return False


def test_a_pop3_port_set_on_the_options_sheet_is_where_cvpopd32_listens(tmp_path):
    d = Desk(tmp_path)
    server = ServerDir(d.server)
    server.add_user("Anna Example", "ANNA", "secret")
    server.message("ANNA", "00000001.txt", b"Subject: hello\r\n\r\nhi\r\n")
    old = free_port()
    server.settings["popsrv"]["port"] = str(old)
    server.write_settings()
    pop_desktop = tmp_path / "pop3-desktop"
    pop_desktop.mkdir(mode=0o700)
    pop3 = start_pop3(d.server, pop_desktop)
    try:
        wait_for(lambda: can_log_in(old), 60, "cvpopd32 on its first port")
        d.start("support")
        proc = d.call_in_background(1830)
        sheet = d.dialog("Options")
        d.ui("select", sheet, SHEET_TABS, "Ports")
        assert d.text(sheet, PortsPage.PopPort) == str(old)
        new = free_port()
        d.ui("set", sheet, PortsPage.PopPort, str(new))
        d.ui("click", sheet, SHEET_APPLY)
        d.wait_for(lambda: key(d, "popsrv", "port") == str(new), "the port stored by Apply")
        d.ui("click", sheet, 1)
        assert finish(proc)[1]["B"] == "OK"
        assert key(d, "popsrv", "bind") == "0"

        pop3.send_signal(signal.SIGTERM)
        reap(pop3, 10)
        pop3 = start_pop3(d.server, pop_desktop)
        wait_for(lambda: can_log_in(new), 60, "cvpopd32 on the port from the sheet")
        with pytest.raises(OSError):
            poplib.POP3("127.0.0.1", old, timeout=5)
    finally:
        if pop3.poll() is None:
            pop3.send_signal(signal.SIGTERM)
        reap(pop3, 10)
        d.stop()


def connect_rcu(desk, handle, password):
    desk.ui("click", handle, 1253)
    box = desk.dialog("Enter Password")
    desk.ui("set", box, 1252, password)
    desk.ui("click", box, 1)


def test_the_remote_utility_opens_them_and_asks_for_the_master_password_set_here(desk):
    from tellmar_ids.tmadmin32 import ExternalAdminPage
    from admin_harness import RCU_DIALOG_TITLE
    (desk.server / "tmhub.ini").write_bytes(b"[Environment]\r\nserverpw=\r\n")
    (desk.server / "TM3ADMIN.INI").write_text(
        f"[Administration]\r\nServerPath={desk.server}/tmhub.ini\r\nPath={desk.server}\r\n")
    desk.start("rcu")
    rcu = desk.dialog(RCU_DIALOG_TITLE)
    connect_rcu(desk, rcu, "")
    desk.wait_for(lambda: desk.text(rcu, 1247).strip() == "Connected to server...", "not connected")

    desk.ui("key", rcu, "Ctrl+O")
    desk.ui("click", desk.dialog("Scheduling is OFF!"), Scheduling.Cancel)

    desk.ui("menu", rcu, 40037)
    dlg = desk.dialog("Attachment handling")
    desk.ui("click", dlg, Attachments.Select)
    refusal = box(desk, "Warning")
    assert refusal[3] == "Sorry - but you cannot set the attachments path using R.C.U..."
    desk.answer(refusal[0], "OK")
    desk.ui("click", dlg, Attachments.Cancel)

    desk.ui("menu", rcu, 40042)
    sheet = desk.dialog("Options")
    desk.ui("select", sheet, SHEET_TABS, "External Admin")
    desk.ui("set", sheet, ExternalAdminPage.Password, "door-key")
    desk.ui("click", sheet, 1)
    desk.wait_for(lambda: not desk.window("#32770", "Options"), "the sheet stayed")

    desk.ui("click", rcu, 1252)  # disconnect, then the new password is asked for
    connect_rcu(desk, rcu, "wrong")
    err = box(desk, "Password Error")
    desk.answer(err[0], "OK")
    connect_rcu(desk, rcu, "door-key")
    desk.wait_for(lambda: desk.text(rcu, 1247).strip() == "Connected to server...", "the new password")
