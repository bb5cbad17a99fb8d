"""Dialwick run for real and driven as the main server drives it."""
import re
import subprocess
import time

import pytest

from dialwick_harness import (ADDCLIENT, CLASS, DIALWICK, LISTENTRIES, QUERYACTIVE, QUERYOS, QUERYPASSWORDS,
                              RELEASE, RELEASENAMED, REQUESTEX, REQUESTTEXT, SETDIRECTORY, SETPARAMWND,
                              SETSTATUSWND, SHOWCONTROL, TITLE, WM_COMMAND, WM_LBUTTONDOWN,
                              WM_RBUTTONDOWN, WM_TIMER, Desk, control)
from desk_tools import TMCTL, wait_for

pytestmark = pytest.mark.skipif(not (DIALWICK.exists() and TMCTL.exists()), reason="Dialwick is not built")

PASSWORD_DIALOG = "Dialwick - Password Missing"
ONLINE_TIP = re.compile(r"Online for [1-9][0-9]* secs so far\.\.\. - ISP$")


@pytest.fixture
def desk(tmp_path):
    with Desk(tmp_path) as d:
        yield d


@pytest.fixture
def dialwick(desk):
    desk.start()
    return desk


def hang_up(desk):
    desk.call(REQUESTTEXT, copydata="1")
    wait_for(lambda: desk.active() == "NONE", what="the hang-up")


# --- dialling ---------------------------------------------------------------------


def test_request_connects_reporting_each_stage_and_the_tray_follows(dialwick):
    assert dialwick.tray() == [["1033", "121", "Dun System available for connection..."]]
    a = dialwick.request("0,ISP")
    assert a.rc == 0, a.stderr
    assert a.words() == ["DIALCOMPLETE", "AUTHENTICATE", "OK"]
    assert a.result == 1
    icon = dialwick.tray()[0]
    assert icon[1] == "116"
    # (The monitor's ticks may already have replaced the first tip.)
    assert icon[2] == "Connected Successfully - ISP" or ONLINE_TIP.match(icon[2]), icon[2]
    # The monitor counts the online time once a second. Each tip lasts a
    # second only: a slow machine may look first at the second or third.
    wait_for(lambda: ONLINE_TIP.match(dialwick.tray()[0][2]), what="the online time")
    assert dialwick.ask(QUERYACTIVE) == (1, "ISP")
    log = dialwick.log_lines()
    for line in ("Dialwick is being loaded...", "Connecting to - ISP", "Opening port", "Port opened successfully",
                 "Connecting device", "Device connected successfully", "Login authentication ...",
                 "Authentication accepted", "Connected..."):
        assert line in log
    # The progress window closed on connecting and stored its place.
    assert dialwick.window_count("RAS/DUN Connection - Progress") == 0
    assert b"[corv-Dun32]" in (dialwick.server / "DIALWICK.INI").read_bytes()
    hang_up(dialwick)
    assert dialwick.tray()[0][1] == "121"


def test_online_time_texts_from_the_monitor_ticks(tmp_path):
    """The monitor's clock is ours here: its own period is an hour, and the
    test sends each tick (WM_TIMER, timer 0) itself."""
    with Desk(tmp_path) as desk:
        desk.env["TELLMAR_DIALWICK_MONITOR_MS"] = "3600000"
        desk.start()
        assert desk.request("0,ISP").words()[-1] == "OK"
        assert desk.tray()[0][2] == "Connected Successfully - ISP"
        elapsed = 0
        for seconds, text in ((59, "Online for 59 secs so far..."),
                              (60, "Online for 1m 0 secs so far..."),
                              (3600, "Online for 1h:0m:0secs so far..."),
                              (90061, "Online for 1 Days + 1h:1m:1secs so far...")):
            desk.tmctl("call", CLASS, TITLE, "--repeat", seconds - elapsed, WM_TIMER, 0, 0, timeout=120)
            elapsed = seconds
            assert desk.tray()[0][2] == text + " - ISP"


@pytest.mark.parametrize("entry,text", [("Busy", "Cancelled - Line is busy"),
                                        ("NoAnswer", "Cancelled - Remote Modem not answering")])
def test_busy_and_no_answer_yield_busy_with_the_failure_text(dialwick, entry, text):
    a = dialwick.request("0," + entry, wait_words="BUSY")
    assert a.rc == 0, a.stderr
    assert a.words()[-1] == "BUSY" and "FAIL" not in a.words()
    assert a.text["fa"] == text
    # The word goes out before the line is logged.
    wait_for(lambda: "Connection busy" in dialwick.log_lines(), what="the busy line in the log")
    wait_for(lambda: dialwick.tray()[0][1] == "121", what="the tray offline")
    assert dialwick.active() == "NONE"


def test_busy_before_connecting_reports_the_service_text(dialwick):
    a = dialwick.request("0,BusyEarly", wait_words="BUSY")
    assert a.words()[-1] == "BUSY"
    log = dialwick.log_lines()
    assert "Line is busy..." in log
    progress = dialwick.describe("RAS/DUN Connection - Progress")
    assert "Line is busy..." in control(progress, 1000)["items"]
    assert control(progress, 1063)["text"] == "Connecting to - BusyEarly"


def test_without_service_texts_the_own_table_speaks(tmp_path):
    """A service with no error texts: the handler's own table reports, a
    voice answer is worth a redial ("BUSY") and opens Connection Failed (OK:
    "OFFLINE"), and a protocol
    refusal is dialled once more with the domain "*"."""
    with Desk(tmp_path, phonebook="[Voice]\nPassword=pw\nResult=677\nStepMs=1\n"
                                  "[NoProto]\nPassword=pw\nDomain=corp\nResult=731\nStepMs=1\n") as desk:
        desk.env["TELLMAR_DIALUP_ERROR_TEXTS"] = "0"
        desk.start()
        args = ["call", CLASS, TITLE, "--history", "--slot", "st:1225", "--slot", "fa:1230",
                "--slot", "pa:1226=0,Voice", "--wait", "st=OFFLINE", "--timeout", 60, REQUESTEX, 0, 0]
        call = subprocess.Popen([str(TMCTL), *map(str, args)], env=desk.env, stdout=subprocess.PIPE)
        wait_for(lambda: desk.window_count("Dialwick - Connection Failed !"), what="Connection Failed")
        dialog = desk.describe("Dialwick - Connection Failed !")
        assert control(dialog, 1001)["text"] == "Connection using [Voice] failed!"
        desk.auto("", "Dialwick - Connection Failed !", "click", 1)
        out = call.communicate(timeout=80)[0].decode()
        assert "st#1=BUSY\nst#2=OFFLINE\n" in out and "fa#1=Voice answer received\n" in out
        assert "Voice answer received" in desk.log_lines()

        assert desk.request("0,NoProto").words()[0] == "FAIL"
        wait_for(lambda: desk.log_lines().count("Server returned - PROTOCOL_NOT_CONFIGURED") == 2,
                 what="the retry with the wildcard domain")
        assert desk.log_lines().count("Connecting to - NoProto") == 2


def test_authentication_failure_fails_and_asks_for_the_password(dialwick):
    a = dialwick.request("0,BadPass", wait_words="FAIL")
    assert a.rc == 0, a.stderr
    assert a.text["fa"] == "Incorrect Password"
    dialog = wait_for(lambda: dialwick.window_count(PASSWORD_DIALOG) and dialwick.describe(PASSWORD_DIALOG),
                      what="the Password dialog")
    assert control(dialog, 1001)["text"] == "Enter Password for DUN Connection [BADPASS]"
    assert control(dialog, 1002)["password"]
    # A person types a new password and keeps it.
    dialwick.auto("", PASSWORD_DIALOG, "settext", 1002, "better")
    dialwick.auto("", PASSWORD_DIALOG, "click", 1)
    wait_for(lambda: "Password not accepted" in dialwick.log_lines(), what="the end of the error handling")
    assert dialwick.window_count(PASSWORD_DIALOG) == 0
    # Still serving.
    assert dialwick.ask(QUERYOS) == (1, "2")


def test_connection_dropped_by_the_remote_side_goes_offline(dialwick):
    # One status window throughout: the drop a second after connecting
    # cannot overtake a window registered later on a slow machine. A normal
    # end while the service keeps the password sends "OFFLINE" and then
    # "FAIL", so the wait is for the last word and the history shows both.
    a = dialwick.request("0,Drop", wait_words="FAIL")
    assert a.rc == 0, a.stderr
    assert a.words() == ["DIALCOMPLETE", "AUTHENTICATE", "OK", "OFFLINE", "FAIL"]
    wait_for(lambda: "DUN/RAS was disconnected" in dialwick.log_lines(), what="the log line")
    wait_for(lambda: dialwick.tray()[0][1] == "121", what="the tray offline")


# --- queries --------------------------------------------------------------------------


def test_queries_answer_in_the_parameter_window(dialwick):
    assert dialwick.ask(QUERYACTIVE) == (0, "NONE")
    assert dialwick.ask(QUERYOS) == (1, "2")
    assert dialwick.ask(QUERYPASSWORDS) == (1, "OK")
    # An entry whose password the service does not keep sets the flag.
    a = dialwick.request("0,NoKeep,given")
    assert a.words()[-1] == "OK"
    assert dialwick.ask(QUERYPASSWORDS) == (1, "NOPASSWORDS")
    assert dialwick.ask(QUERYACTIVE) == (1, "NoKeep")
    assert "Looking for an active connection" in dialwick.log_lines()


def test_list_entries_to_the_file_and_to_a_combo_box_of_another_program(dialwick):
    assert dialwick.ask(LISTENTRIES, "0") == (1, "OK")
    names = ["ISP", "Office", "Busy", "NoAnswer", "BusyEarly", "BadPass", "Drop", "NoKeep"]
    assert (dialwick.server / "NTPBLIST.LST").read_bytes() == b"".join(n.encode() + b"\r\n" for n in names)
    a = dialwick.call(LISTENTRIES, slots=[("pa", SETPARAMWND, "@cb")], combos=["cb"])
    assert a.text["pa"] == "OK"
    assert a.items["cb"] == names
    # A handle of no window: the list does not arrive, so no "OK".
    assert dialwick.ask(LISTENTRIES, "987654321") == (1, "")


def test_windows_95_family_lists_registry_entries_and_keeps_passwords_apart(tmp_path):
    with Desk(tmp_path, platform=1) as desk:
        for name in ("ISP", "Office"):
            desk.tmctl("reg", "set", "HKCU", "RemoteAccess\\Profile\\" + name, "", "")
        desk.start()
        assert desk.ask(QUERYOS) == (1, "1")
        assert desk.ask(LISTENTRIES, "0") == (1, "OK")  # answered as the password query
        assert not (desk.server / "NTPBLIST.LST").exists()
        a = desk.request("0,Office")
        assert a.words()[-1] == "OK"
        assert desk.ask(QUERYACTIVE) == (1, "Office")


def test_windows_95_family_without_entries_ends_after_saying_so(tmp_path):
    with Desk(tmp_path, platform=1) as desk:
        p = desk.start(wait=False)
        wait_for(lambda: desk.window_count("Corvane 32bit DUN Handler"), what="the box")
        box = desk.describe("Corvane 32bit DUN Handler")
        assert "No DUN's appear to exist in your system,\nHandler will abort....." in [c["text"] for c in box["children"]]
        desk.auto("", "Corvane 32bit DUN Handler", "click", 1)
        assert p.wait(timeout=30) == 0


# --- clients and releases ------------------------------------------------------------------


def test_two_clients_release_one_after_the_other(dialwick):
    dialwick.call(ADDCLIENT, 0, 1)
    dialwick.call(ADDCLIENT, 0, 2)
    dialwick.call(ADDCLIENT, 0, 2)  # once only
    assert dialwick.request("0,ISP").words()[-1] == "OK"
    a = dialwick.call(RELEASE, 0, 1, slots=[("st", SETSTATUSWND, None)])
    assert a.words() == []
    assert dialwick.log_lines()[-2:] == ["Disconnect request received", "Connection still in use"]
    assert dialwick.active() == "ISP"
    a = dialwick.call(RELEASE, 0, 2, slots=[("st", SETSTATUSWND, None)])
    assert a.words() == ["FAIL"]
    wait_for(lambda: dialwick.active() == "NONE", what="the hang-up")
    assert "in IDM_DISCONNECT_ANY" in dialwick.log_lines()


def test_release_named_answers_dunclosed(dialwick):
    assert dialwick.request("0,Office").words()[-1] == "OK"
    a = dialwick.call(RELEASENAMED, 0, 7, slots=[("pa", SETPARAMWND, "Office")])
    assert a.text["pa"] == "DUNCLOSED"
    assert dialwick.active() == "NONE"


# --- request texts --------------------------------------------------------------------------


@pytest.mark.parametrize("text,entry", [
    ("0", "ISP"),               # the selected (first) entry
    ("0,Office", "Office"),
    ("0 ,Office", "Office"),    # a blank after the mode skips to the comma
    ("0Office", "Office"),      # a letter after the mode starts the name
    ("0,Office,pw", "Office"),  # with a password
])
def test_request_texts_choose_the_entry(dialwick, text, entry):
    a = dialwick.request(text, copydata=True)
    assert a.rc == 0, a.stderr
    assert a.result == 1
    assert a.words()[-1] == "OK"
    assert "Connecting to - " + entry in dialwick.log_lines()
    assert dialwick.active() == entry
    # Mode "1" alone hangs up.
    assert dialwick.call(REQUESTTEXT, copydata="1").result == 1
    wait_for(lambda: dialwick.active() == "NONE", what="the hang-up")


def test_command_line_request_dials_at_start(desk):
    desk.start("0,Office")
    wait_for(lambda: desk.active() == "Office", what="the connection")


@pytest.mark.parametrize("relative", [False, True])
def test_command_line_directory_becomes_the_working_directory(desk, relative):
    other = desk.server / "other"
    other.mkdir()
    desk.start("-p", "other" if relative else str(other))
    assert desk.ask(LISTENTRIES, "0") == (1, "OK")
    assert (other / "NTPBLIST.LST").exists()
    assert "Dialwick is being loaded..." in (desk.server / "dialwick.log").read_text()
    assert desk.request("0,ISP").words()[-1] == "OK"
    assert "Connected..." in (other / "dialwick.log").read_text(), "the later lines go to the new directory"


def test_second_copy_ends_at_once_and_leaves_the_first_alone(dialwick):
    t0 = time.monotonic()
    r = subprocess.run([str(DIALWICK), "0,ISP"], cwd=dialwick.server, env=dialwick.env, timeout=10,
                       capture_output=True)
    assert r.returncode == 0
    assert time.monotonic() - t0 < 3
    assert dialwick.window_count() == 1
    assert dialwick.active() == "NONE"  # its request was not passed on
    assert dialwick.ask(QUERYOS) == (1, "2")


# --- the user's side -----------------------------------------------------------------------


def test_control_centre_connects_and_disconnects(dialwick):
    dialwick.call(SHOWCONTROL)
    centre = dialwick.describe("Dialwick from Corvane ")
    assert control(centre, 1000)["items"][:2] == ["ISP", "Office"]
    assert control(centre, 1014)["text"] == " Connect Now"
    assert control(centre, 1026)["text"] == "v3.62 - 10DEC99"
    dialwick.auto("", "Dialwick from Corvane ", "select", 1000, 1)
    dialwick.auto("", "Dialwick from Corvane ", "click", 1014)
    wait_for(lambda: dialwick.active() == "Office", what="the connection")
    assert dialwick.window_count("Dialwick from Corvane ") == 0
    # The tray's left button opens it again, now offering the hang-up.
    dialwick.auto(CLASS, TITLE, "trayclick", 1033, WM_LBUTTONDOWN)
    centre = dialwick.describe("Dialwick from Corvane ")
    assert control(centre, 1015)["text"] == "Office"
    assert control(centre, 1014)["text"] == "  Disconnect"
    dialwick.auto("", "Dialwick from Corvane ", "click", 1014)
    wait_for(lambda: dialwick.active() == "NONE", what="the hang-up")


def test_control_centre_switches_are_written_when_clicked(dialwick):
    dialwick.call(SHOWCONTROL)
    dialwick.auto("", "Dialwick from Corvane ", "click", 1021)  # Show connect progress: off
    dialwick.auto("", "Dialwick from Corvane ", "click", 1022)  # Keep log file: off
    win_ini = (dialwick.config / "tellmar" / "win.ini").read_text()
    assert "showmsdialogs=0" in win_ini
    assert "logfile=0" in (dialwick.server / "DIALWICK.INI").read_text()
    before = dialwick.log()
    assert dialwick.request("0,ISP").words()[-1] == "OK"
    assert dialwick.log() == before
    dialwick.auto("", "Dialwick from Corvane ", "click", 1)


def test_create_new_entry_through_our_editor(dialwick):
    dialwick.call(SHOWCONTROL)
    dialwick.auto("", "Dialwick from Corvane ", "click", 1017)
    wait_for(lambda: dialwick.window_count("Phonebook Entry"), what="the entry editor")
    dialwick.auto("", "Phonebook Entry", "settext", 1001, "Home")
    dialwick.auto("", "Phonebook Entry", "settext", 1002, "555-0199")
    dialwick.auto("", "Phonebook Entry", "settext", 1005, "pw")
    dialwick.auto("", "Phonebook Entry", "click", 1)
    assert "[Home]" in dialwick.phonebook.read_text()
    centre = dialwick.describe("Dialwick from Corvane ")
    assert "Home" in control(centre, 1000)["items"]
    assert dialwick.request("0,Home").words()[-1] == "OK"


def test_tray_menu_is_offered_to_the_operator(dialwick):
    assert dialwick.request("0,ISP").words()[-1] == "OK"
    # (Through automation: the menu is modal, and a click does not wait for it.)
    dialwick.auto(CLASS, TITLE, "trayclick", 1033, WM_RBUTTONDOWN)
    menu = wait_for(lambda: [w for w in dialwick.windows() if w[1] == "#32768"], what="the tray menu")
    items = [c["text"] for c in dialwick.describe(menu[0][2], "#32768")["children"]]
    assert items == ["Close Menu", "CloseDown Dialwick", "Dialwick Control Centre", "Show LaunchPad",
                     "Disconnect [ISP]", "Disconnect any active connection", "Connect with [ISP]",
                     "About Dialwick..."]
    dialwick.auto("", menu[0][2], "click", 5003)
    wait_for(lambda: dialwick.active() == "NONE", what="the hang-up")


# --- bad input -----------------------------------------------------------------------------------


@pytest.mark.parametrize("text,refusal", [
    ("x" * 10000, "Request refused - longer than 127 characters"),
    (",ISP", "Request refused - unknown mode ','"),
    ("2,ISP", "Request refused - unknown mode '2'"),
    (",,,,,,,,,,,,,,,,,,,,,,,,", "Request refused - unknown mode ','"),
])
def test_bad_request_texts_are_refused_and_the_next_is_served(dialwick, text, refusal):
    a = dialwick.request(text, wait_words="FAIL")
    assert a.result == 0
    assert a.words() == ["FAIL"]
    assert refusal in dialwick.log_lines()
    assert dialwick.request("0,ISP").words()[-1] == "OK"


def test_empty_request_and_one_of_commas_after_the_mode(dialwick):
    a = dialwick.call(REQUESTEX, 0, 0, slots=[("st", SETSTATUSWND, None), ("pa", SETPARAMWND, "")])
    assert a.result == 1 and a.words() == []
    # Empty fields after the mode: only the mode counts, the first entry is dialled.
    assert dialwick.request("0,,,,,,,,,,,,").words()[-1] == "OK"
    assert dialwick.active() == "ISP"


def test_request_text_address_from_another_program_is_refused(dialwick):
    a = dialwick.call(REQUESTTEXT, 0, 12345678, slots=[("st", SETSTATUSWND, None)])
    assert a.result == 0 and a.words() == []
    assert "Request refused - a request text address from another program" in dialwick.log_lines()
    # Posted, it is handled later from the queue, and still refused.
    dialwick.tmctl("call", CLASS, TITLE, "--post", REQUESTTEXT, 0, 12345678)
    wait_for(lambda: dialwick.log_lines().count("Request refused - a request text address from another program") == 2,
             what="the posted request refused")
    assert dialwick.active() == "NONE", "still serving"


def test_windows_that_do_not_exist_are_ignored(dialwick):
    dialwick.call(SETSTATUSWND, 999999)
    dialwick.call(SETPARAMWND, 2 ** 31 - 1)
    assert dialwick.call(QUERYACTIVE).result == 0
    assert dialwick.call(REQUESTEX, 0, 0).result == 1  # an empty text: nothing to do
    dialwick.call(WM_COMMAND, 1025)                     # connect into nobody's windows
    wait_for(lambda: dialwick.active() == "ISP", what="the connection")
    dialwick.call(REQUESTEX, 0, 0, slots=[("pa", SETPARAMWND, "1")])
    wait_for(lambda: dialwick.active() == "NONE", what="the hang-up")


def test_settings_directory_that_does_not_exist(dialwick, tmp_path):
    missing = tmp_path / "nowhere"
    assert dialwick.call(SETDIRECTORY, slots=[("pa", SETPARAMWND, str(missing))]).result == 1
    assert f"Settings directory {missing} does not exist" in dialwick.log_lines()
    # The entry list cannot be written there: a box, then no "OK".
    call = subprocess.Popen([str(TMCTL), "call", CLASS, TITLE, "--slot", f"pa:{SETPARAMWND}=0", str(LISTENTRIES)],
                            env=dialwick.env, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    try:
        wait_for(lambda: dialwick.window_count("Error"), what="the box")
        dialwick.auto("", "Error", "click", 1)
        out, _ = call.communicate(timeout=30)
    finally:
        if call.poll() is None:
            call.kill()
            call.communicate()
    assert b"pa=\n" in out
    assert dialwick.request("0,ISP").words()[-1] == "OK"


def test_malformed_phonebook(tmp_path):
    with Desk(tmp_path, phonebook="garbage without a section\n[Typo]\nResult=busy\nPassword=pw\nStepMs=1\n[ISP]\nStepMs=1\n"
                                  "Password=pw\n[Half") as desk:
        desk.start()
        a = desk.request("0,Typo", wait_words="FAIL")
        assert a.words()[-1] == "FAIL"
        assert desk.request("0,ISP").words()[-1] == "OK"


def test_missing_phonebook_is_said_once_and_the_handler_serves_on(tmp_path):
    with Desk(tmp_path, phonebook=None) as desk:
        desk.start(wait=False)
        wait_for(lambda: desk.window_count("Corvane Dialwick"), what="the box")
        desk.auto("", "Corvane Dialwick", "click", 1)
        assert desk.ask(QUERYOS) == (1, "2")
        # A dial the service refuses at once still gets its answer.
        a = desk.request("0,ISP,pw", wait_words="FAIL")
        assert a.words()[-1] == "FAIL"
        assert desk.tray()[0][1] == "121"


def test_server_system_shows_nothing_and_a_service_has_no_tray(tmp_path):
    with Desk(tmp_path, phonebook=None) as desk:
        (desk.server / "DIALWICK.INI").write_text("[Dun32]\nServerSystem=1\n")
        (desk.server / "tmhub.ini").write_text("[Environment]\nRunAsService=-1\n")
        desk.start()  # the missing phonebook's box is not shown
        assert desk.tray() == []
        # No password anywhere and no dialog to ask for one: the session ends.
        a = desk.request("0,ISP")
        assert a.words()[-1] == "OFFLINE"
        assert desk.window_count("Dialwick - No Password for Connection!") == 0
        assert desk.window_count(PASSWORD_DIALOG) == 0
