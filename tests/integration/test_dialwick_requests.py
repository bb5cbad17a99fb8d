"""What the main server hears back from Dialwick for requests that go wrong
or carry their own password."""
import subprocess
from configparser import ConfigParser

import pytest

from desk_tools import TMCTL, wait_for
from dialwick_harness import CLASS, DIALWICK, QUERYPASSWORDS, REQUESTEX, REQUESTTEXT, TITLE, Desk

pytestmark = pytest.mark.skipif(not (DIALWICK.exists() and TMCTL.exists()), reason="Dialwick is not built")

PASSWORD_DIALOG = "Dialwick - Password Missing"
NO_PASSWORD = "Dialwick - No Password for Connection!"
IDOK, IDCANCEL = 1, 2


@pytest.fixture
def desk(tmp_path):
    with Desk(tmp_path) as d:
        yield d


def phonebook_password(desk, entry):
    book = ConfigParser(interpolation=None)
    book.read_string(desk.phonebook.read_text())
    return book[entry].get("Password")


def test_a_password_in_the_request_is_dialled_and_kept(tmp_path):
    with Desk(tmp_path, platform=1) as desk:
        desk.tmctl("reg", "set", "HKCU", "RemoteAccess\\Profile\\ISP", "", "")
        desk.start()
        assert desk.request("0,ISP,newpw").words()[-1] == "OK"
        # What was dialled is written back to the service: the new password.
        assert phonebook_password(desk, "ISP") == "newpw"


def test_the_no_saved_password_flag_follows_the_entry_dialled(desk):
    desk.start()
    assert desk.request("0,NoKeep,pw").words()[-1] == "OK"
    assert desk.ask(QUERYPASSWORDS)[1] == "NOPASSWORDS"
    desk.call(REQUESTTEXT, copydata="1")  # hang up
    wait_for(lambda: desk.active() == "NONE", what="the hang-up")
    assert desk.request("0,ISP").words()[-1] == "OK"
    assert desk.ask(QUERYPASSWORDS)[1] == "OK"


def test_no_password_says_offline_before_the_dialog_waits(desk):
    desk.start()
    args = ["call", CLASS, TITLE, "--history", "--slot", "st:1225", "--slot", "pa:1226=0,NoKeep",
            "--wait", "st=OFFLINE", "--timeout", 60, REQUESTEX, 0, 0]
    call = subprocess.Popen([str(TMCTL), *map(str, args)], env=desk.env, stdout=subprocess.PIPE)
    try:
        # Nobody gives a password: every asking is cancelled.
        def cancel_until_given_up():
            if desk.window_count(NO_PASSWORD):
                return True
            if desk.window_count(PASSWORD_DIALOG):
                desk.auto("", PASSWORD_DIALOG, "click", IDCANCEL, check=False)
            return False
        wait_for(cancel_until_given_up, what="the No Password dialog")
        # The word arrives while the dialog still waits for a person.
        out = call.communicate(timeout=80)[0].decode()
        assert "st#1=OFFLINE\n" in out
        assert desk.window_count(NO_PASSWORD) == 1
        assert desk.tray()[0][1] == "121"
        desk.auto("", NO_PASSWORD, "click", IDOK)
    finally:
        if call.poll() is None:
            call.kill()
        call.communicate()


def test_a_request_without_entry_and_nothing_selected_fails_with_a_reason(tmp_path):
    with Desk(tmp_path, phonebook="") as desk:
        (desk.server / "DIALWICK.INI").write_text("[Dun32]\nServerSystem=1\n")
        desk.start()
        a = desk.request("0")
        assert a.rc == 0, a.stderr
        assert a.words() == ["FAIL"]
        assert "Connection request refused - no DUN selected" in desk.log_lines()


def test_a_busy_line_says_busy_without_service_texts(tmp_path):
    """The line is busy before it connects: the handler's own table explains
    it, and the first word the main server reads is the one to redial on."""
    with Desk(tmp_path) as desk:
        desk.env["TELLMAR_DIALUP_ERROR_TEXTS"] = "0"
        desk.start()
        a = desk.request("0,BusyEarly", wait_words="BUSY,FAIL")
        assert a.rc == 0, a.stderr
        # The row's word and the common tail's follow each other; on a slow
        # machine the client may hear both, and both must say BUSY.
        assert a.words() and set(a.words()) == {"BUSY"}, a.words()
        assert a.history["fa"][0] == "Line is currently busy", a.history["fa"]
        # The word reaches the client before the log line is written.
        wait_for(lambda: "Line is busy" in desk.log_lines(), what="the busy line in the log")
