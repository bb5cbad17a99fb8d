"""The support module as the main server drives it: slots A to F registered
by 1225, 1226, 1227, 1228, 1224 and 1223, one message, the answers read back
from the slots."""
import contextlib
import json
import os
import socket
import subprocess
import time

import pytest

from admin_harness import SUPPORT_TITLE, finish, support_module


@pytest.fixture
def desk(tmp_path):
    with support_module(tmp_path) as d:
        yield d


def expected_zone(tz):
    """What the zone query answers, computed by the same C library."""
    old = os.environ.get("TZ")
    os.environ["TZ"] = tz
    time.tzset()
    try:
        now = time.localtime()
        if now.tm_isdst > 0:
            return int(time.timezone / 3600), int((time.altzone - time.timezone) / 3600)
        return int(-now.tm_gmtoff / 3600), 0
    finally:
        if old is None:
            del os.environ["TZ"]
        else:
            os.environ["TZ"] = old
        time.tzset()


@pytest.mark.parametrize("tz,standard", [("AAA+5BBB,J1/0,J365/25", 5), ("CCC-3:30", -3), ("UTC", 0),
                                         ("Africa/Nairobi", -3), ("Etc/GMT-3", -3), ("Asia/Tokyo", -9),
                                         ("Europe/London", 0)])
def test_time_zone_gives_the_standard_bias_of_every_zone(tmp_path, tz, standard):
    """Zones with and without daylight saving rules alike: slot B always gets
    the standard bias, slot A the daylight bias only while summer time is in
    effect."""
    with support_module(tmp_path, env={"TZ": tz}) as d:
        expected_standard, daylight = expected_zone(tz)
        assert expected_standard == standard
        for message in (1230, 1247):
            _, slots = d.call(message, {"A": "x", "B": "untouched"})
            assert (slots["B"], slots["A"]) == (str(standard), str(daylight))


def test_file_tests_and_environment(desk):
    f = desk.server / "Report.TXT"
    f.write_text("x")
    assert desk.call(1236, {"A": str(desk.server / "report.txt")})[1]["B"] == "Report.TXT"
    assert desk.call(1236, {"A": str(desk.server / "none.txt")})[1]["B"] == ""
    assert desk.call(1250, {"B": str(f)})[1]["B"] == "1"
    assert desk.call(1250, {"B": str(desk.server / "nope")})[1]["B"] == "0"
    assert desk.call(1240, {"A": str(desk.server), "B": "Report.TXT"})[1]["A"] == "OK"
    assert desk.call(1240, {"A": str(desk.server), "B": "missing"})[1]["A"] == "FAIL"
    _, slots = desk.call(1241, {"A": "report.txt", "B": str(desk.server)})
    assert slots["B"] == "Report.TXT"
    _, slots = desk.call(1241, {"A": "gone.txt", "B": str(desk.server)})
    assert slots["A"] == "" and slots["B"] == ""
    assert desk.call(1934, {"B": "TZ"})[1]["B"] == "UTC0"
    assert desk.call(1934, {"B": "NO_SUCH_VARIABLE_HERE"})[1]["B"] == ""
    assert desk.call(1949, {"B": str(desk.server)})[1]["B"] == "-1"


def test_names_are_found_whatever_their_case(desk):
    """The main server writes MAILIN\\ABC.TXT where the disk holds mailin/abc.txt."""
    mailin = desk.server / "mailin"
    mailin.mkdir()
    (mailin / "abc.txt").write_text("mail")
    upper = str(desk.server / "MAILIN")
    assert desk.call(1250, {"B": upper + "\\ABC.TXT"})[1]["B"] == "1"
    assert desk.call(1240, {"A": upper, "B": "ABC.TXT"})[1]["A"] == "OK"
    assert desk.call(1236, {"A": upper + "/ABC.TXT"})[1]["B"] == "abc.txt"
    assert desk.call(1241, {"A": "ABC.TXT", "B": upper})[1]["B"] == "abc.txt"
    assert desk.call(1234, {"A": "ABC.TXT", "B": upper, "E": "EXIST"})[1]["D"] == "OK"
    (desk.server / "out").mkdir()
    _, slots = desk.call(1232, {"A": upper + "/ABC.TXT", "B": str(desk.server / "OUT" / "moved.txt")})
    assert slots["B"] == "moved.txt"
    assert (desk.server / "out" / "moved.txt").read_text() == "mail"


def test_short_names_in_both_modes(desk):
    d = str(desk.server)
    _, slots = desk.call(1234, {"A": "Long File Name.text", "B": d, "E": "NEW"})
    assert (slots["A"], slots["B"], slots["D"]) == ("LongFi~1.tex", d, "OK")
    _, slots = desk.call(1234, {"A": "verylongname.txt", "B": d, "E": "NEW"})
    assert slots["A"] == "verylo~1.txt"
    (desk.server / "verylo~1.txt").write_text("")
    (desk.server / "verylo~2.txt").write_text("")
    assert desk.call(1234, {"A": "verylongname.txt", "B": d, "E": "NEW"})[1]["A"] == "verylo~3.txt"
    assert desk.call(1234, {"A": "verylongname.txt", "B": d, "E": "EXIST"})[1]["A"] == "verylo~1.txt"
    # 1239: file in slot B, directory in slot A.
    assert desk.call(1239, {"B": "verylongname.txt", "A": d, "E": "EXIST"})[1]["A"] == "verylo~1.txt"
    assert desk.call(1234, {"A": "a b.txt", "B": d, "E": "NEW"})[1]["A"] == "ab.txt"
    _, slots = desk.call(1234, {"A": "x y z long name", "B": d + "/nowhere", "E": "NEW"})
    assert slots["A"] == "" and slots["D"] == "FAIL"


def test_move_inserts_a_number_before_the_last_period(desk):
    src = desk.server / "in"
    src.mkdir()
    for name in ("a.txt", "b.txt"):
        (src / name).write_text(name)
    (desk.server / "out.txt").write_text("taken")
    _, slots = desk.call(1232, {"A": str(src / "a.txt"), "B": str(desk.server / "out.txt")})
    assert slots == {**slots, "A": "", "B": "out~1.txt"}
    assert (desk.server / "out~1.txt").read_text() == "a.txt"
    assert (desk.server / "out.txt").read_text() == "taken"
    _, slots = desk.call(1232, {"A": str(src / "b.txt"), "B": str(desk.server / "out.txt")})
    assert slots["B"] == "out~2.txt"
    # A source that is not there: nothing is written.
    _, slots = desk.call(1232, {"A": str(src / "gone.txt"), "B": str(desk.server / "x.txt")})
    assert slots["A"] == str(src / "gone.txt") and slots["B"] == str(desk.server / "x.txt")


def test_directory_listing_first_next_end(desk):
    for name in ("one.msg", "two.msg", "three.msg", "other.txt"):
        (desk.server / name).write_text("")
    handle, slots = desk.call(1274, {"B": str(desk.server / "*.MSG")})
    assert handle > 0
    names = [slots["B"]]
    while True:
        _, slots = desk.call(1275, {"B": str(handle)})
        if not slots["B"]:
            break
        names.append(slots["B"])
    assert names == ["one.msg", "three.msg", "two.msg"]  # in name order, as the main server's systems list
    desk.call(1276, {"B": str(handle)})
    assert desk.boxes() == []
    # An ended handle lists nothing; ending it again is the memory error box.
    assert desk.call(1275, {"B": str(handle)})[1]["B"] == ""
    proc = desk.call_in_background(1276, {"B": str(handle)})
    box = desk.wait_box("box")
    assert box[2:4] == ["Memory Error", "Failed to free DIRLIST() global memory..."]
    desk.answer(box[0], "OK")
    finish(proc)
    handle, slots = desk.call(1274, {"B": str(desk.server / "*.none")})
    assert handle == 0 and slots["B"] == ""


def test_host_name_and_address_in_both_variants(desk):
    assert desk.call(1782)[1]["B"] == socket.gethostname()
    address = desk.call(1783)[1]["B"]
    assert address.count(".") == 3 or address == "No Machine IP address available"
    assert desk.call(1780)[1]["B"] == "Machine name Unknown"
    assert desk.call(1781)[1]["B"] == "No Machine IP address available"
    net = r"System\CurrentControlSet\Services\Class\NetTrans"
    desk.tmctl("reg", "set", "HKLM", r"System\CurrentControlSet\Services\VxD\MSTCP", "HostName", "mailhost")
    desk.tmctl("reg", "set", "HKLM", net + r"\0000", "IPAddress", "0.0.0.0")
    assert desk.call(1781)[1]["B"] == "No Machine IP address available"
    desk.tmctl("reg", "set", "HKLM", net + r"\0003", "IPAddress", "192.168.1.5")
    assert desk.call(1780)[1]["B"] == "mailhost"
    assert desk.call(1781)[1]["B"] == "192.168.1.5"


def test_service_registration_and_tray(desk):
    key = r"Software\Microsoft\Windows\CurrentVersion\RunServices"
    main = desk.window("CorvVuvedo32Utility", "Corvane 32 bit Server Utility Module")
    result, _ = desk.call(1325, {"A": "/srv/tellmar/", "B": "1"})
    assert result == 1
    reg = lambda name: desk.tmctl("reg", "get", "HKLM", key, name).stdout.decode().rstrip("\n")
    assert (reg(""), reg("POPSRV"), reg("SMTPSRV")) == (
        "/srv/tellmar/tmadmin32.exe", "/srv/tellmar/cvpopd.exe", "/srv/tellmar/tmrelay.exe")
    assert "tray" not in desk.ui("tree", main)  # sanity: the tree is about controls
    desk.call(1325, {"A": "/srv/tellmar/", "B": "0"})
    assert (reg(""), reg("POPSRV"), reg("SMTPSRV")) == ("", "", "")


def test_user_defined_handlers_go_into_win_ini(desk):
    win_ini = desk.config / "tellmar" / "win.ini"
    win_ini.parent.mkdir(parents=True, exist_ok=True)
    win_ini.write_text("[TM3UDF]\r\nUDF1=first.exe\r\nUDF2=None\r\n")
    desk.call(1935, {"B": "second.exe"})
    desk.call(1935, {"B": "third.exe"})
    text = win_ini.read_text()
    assert "UDF2=second.exe" in text and "UDF3=third.exe" in text and "UDF1=first.exe" in text


def test_password_entry_answered_through_the_automation(desk):
    proc, dlg = desk.open_dialog(1217, "Confirm Password", {"B": "Enter the new password", "C": "1"})
    assert desk.text(dlg, 1234).strip() == "Enter the new password"
    desk.ui("set", dlg, 1047, "se cret")
    desk.ui("set", dlg, 1237, "se cret")
    desk.ui("click", dlg, 1)
    box = desk.wait_box("box")
    assert box[2:4] == ["Invalid password entry", "Passwords cannot contain spaces, please correct..."]
    desk.answer(box[0], "OK")
    desk.ui("set", dlg, 1047, "secret")
    desk.ui("click", dlg, 1)
    box = desk.wait_box("box")
    assert box[3] == "Passwords do not match, please correct..."
    desk.answer(box[0], "OK")
    desk.ui("set", dlg, 1237, "secret")
    desk.ui("click", dlg, 1)
    _, slots = finish(proc)
    assert slots["A"] == "OK" and slots["B"] == "secret"

    proc, dlg = desk.open_dialog(1217, "Confirm Password", {"B": "again"})
    desk.ui("key", dlg, "Esc")
    _, slots = finish(proc)
    assert slots["A"] == "FAIL" and slots["B"] == ""


def test_file_choosers_answer_in_the_slots(desk):
    """Messages 1735, 1736 and 1737 post the chooser commands 40016 and
    40017; the answers arrive in the slots and in the window of 1233."""
    start = desk.root / "start"
    start.mkdir()
    picked = start / "notes.txt"
    picked.write_text("x")

    def choose(message, slots, answer, title):
        extra = ["--slot", f"dir:1233={start}", "--wait", "F=OK,CANCEL,FAIL", "--timeout", "60"]
        proc = desk.call_in_background(message, slots, extra=extra)
        chooser = desk.wait_box("chooser")
        assert chooser[2] == title
        desk.answer(chooser[0], answer)
        return finish(proc)[1]

    slots = choose(1735, {"B": "0", "C": "Text (*.TXT)~*.TXT~All~*.*", "E": "0"}, str(picked), "Select file to Open")
    assert (slots["F"], slots["B"], slots["C"], slots["E"]) == ("OK", str(picked), "*.TXT", "0")
    assert slots["dir"] == str(start), "the directory part goes to the window of 1233"

    slots = choose(1735, {"B": "3", "E": "0"}, str(start), "Select Directory")
    assert slots["F"] == "OK" and slots["dir"] == str(start)

    # An attachment is a file even when the kind asked for a directory.
    slots = choose(1735, {"B": "3", "E": "1"}, str(picked), "Select File to to be attached")
    assert slots["F"] == "OK" and slots["E"] == "1" and slots["dir"] == str(start)

    slots = choose(1737, {"E": "1", "C": "stale"}, "Cancel", "Select Sound to Play")
    assert (slots["F"], slots["B"], slots["C"]) == ("CANCEL", "", "")

    saved = str(start / "saved.txt")
    slots = choose(1736, {}, saved, "Save Current File as :-")
    assert slots["F"] == "OK" and slots["B"] == saved
    slots = choose(1736, {}, "Cancel", "Save Current File as :-")
    assert slots["F"] == "FAIL"


def test_platform_and_other_answers(desk):
    assert desk.call(1741)[0] == 2
    assert desk.call(1249)[1]["B"] == ""  # only for a registered main server window
    out = desk.tmctl("call", "CorvVuvedo32Utility", "Corvane 32 bit Server Utility Module",
                     "--slot", "S:1229", "--slot", "B:1226", "1249").stdout.decode()
    assert "B=NT4" in out
    assert desk.call(1739)[1]["D"] == "0"


def test_the_wizard_asked_for_again_is_raised_and_says_ok(desk):
    proc, wizard = desk.open_dialog(1824, "Setup Wizard - Select domain type")
    assert desk.call(1824)[1]["B"] == "OK"
    desk.ui("click", wizard, 2)  # Cancel
    finish(proc)  # (its answer went to the slots registered last, the second call's)


def test_bad_input_never_crashes(desk):
    huge = "x" * 10000
    for message, slots in [
        (1236, {"A": huge}), (1234, {"A": huge, "B": huge, "E": "NEW"}), (1239, {"A": huge, "B": huge}),
        (1240, {"A": huge, "B": huge}), (1241, {"A": huge, "B": huge}), (1232, {"A": huge, "B": huge}),
        (1274, {"B": huge}), (1275, {"B": huge}), (1250, {"B": huge}), (1934, {"B": huge}),
        (1949, {"B": huge}), (1324, {"A": huge}), (1785, {"A": huge}), (1935, {"B": huge}),
        (1236, {"A": "/../../etc/../\x7f\x01odd"}), (1240, {"A": "..", "B": "../.."}),
        (1241, {"A": "..", "B": "/nonexistent/../x"}), (1274, {"B": "/nonexistent/dir/*.*"}),
        (1275, {"B": "123456"}), (1275, {"B": "-1"}), (1275, {"B": "abc"}),
    ]:
        result, answer = desk.call(message, slots)
    assert desk.call(1250, {"B": str(desk.server)})[1]["B"] == "1", "still serving"
    assert desk.call(1241, {"A": "..", "B": str(desk.server)})[1]["B"] == ""
    assert desk.call(1240, {"A": "/nonexistent", "B": "x"})[1]["A"] == "FAIL"
    assert desk.call(1324, {"A": "/nonexistent/x/y"})[1]["B"] == "NO"
    assert desk.call(1324, {"A": "C:"})[1] == {**desk.call(1324, {"A": "C:"})[1], "B": "OK", "A": ""}


def test_a_directory_is_no_file_to_open_for_reading(desk):
    (desk.server / "sub").mkdir()
    assert desk.call(1240, {"A": str(desk.server), "B": "sub"})[1]["A"] == "FAIL"


@contextlib.contextmanager
def small_file_system(path, size="1m"):
    """A file system of its own with little room; skips where none can be mounted."""
    path.mkdir()
    r = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=" + size, "tmpfs", str(path)], capture_output=True)
    if r.returncode != 0:
        pytest.skip("cannot mount a file system here: " + r.stderr.decode(errors="replace"))
    try:
        yield path
    finally:
        subprocess.run(["umount", "-l", str(path)], check=False)


def test_space_and_drive_type_of_paths_on_another_mount(desk):
    with small_file_system(desk.root / "small") as small:
        (small / "mail").mkdir()
        # Less than 5000000 bytes free there, also for a path not made yet.
        assert desk.call(1949, {"B": str(small)})[1]["B"] == "0"
        assert desk.call(1949, {"B": str(small / "not" / "yet" / "file.txt")})[1]["B"] == "0"
        assert desk.call(1949, {"B": str(desk.server / "not" / "yet")})[1]["B"] == "-1"
        # A longer path is classified by the mount it lies on, as 1785 does.
        _, slots = desk.call(1324, {"A": str(small / "mail")})
        assert (slots["B"], slots["A"]) == ("OK", "RAMDISK")
        assert desk.call(1785, {"A": str(small / "mail")})[1]["A"] == "FAIL"
        # A pattern is still searched for as a file.
        (small / "mail" / "Inbox.txt").write_text("x")
        _, slots = desk.call(1324, {"A": str(small / "mail" / "*.txt")})
        assert (slots["B"], slots["A"]) == ("OK", "Inbox.txt")


def test_boxes_follow_the_service_mode_switched_at_run_time(desk):
    # Service mode: nobody is asked, the box takes its default answer at once.
    # Ending a listing that does not exist is such a box ("Memory Error").
    desk.call(1325, {"A": str(desk.server) + "/", "B": "1"})
    desk.call(1276, {"B": "4711"})
    assert desk.boxes() == []
    # Back to a person: the box waits for an answer again.
    desk.call(1325, {"A": str(desk.server) + "/", "B": "0"})
    proc = desk.call_in_background(1276, {"B": "4711"})
    box = desk.wait_box("box")
    assert box[2:4] == ["Memory Error", "Failed to free DIRLIST() global memory..."]
    desk.answer(box[0], "OK")
    finish(proc)


def test_attachment_chooser_has_its_type_panel_and_answers_the_choice(desk):
    start = desk.root / "files"
    start.mkdir()
    (start / "report.pdf").write_text("x")
    extra = ["--slot", f"dir:1233={start}", "--wait", "F=OK,CANCEL,FAIL", "--timeout", "60"]
    for choice, code in [(None, "1"), (1374, "4"), (1372, "2")]:
        proc = desk.call_in_background(1735, {"B": "0", "E": "1"}, extra=extra)
        chooser = desk.wait_box("chooser")
        tree = json.loads(desk.ui("tree", chooser[0], "--json"))
        controls = {c["id"]: c for c in tree["children"]}
        assert controls[1]["text"] == "&Attach Now"
        assert [c["text"] for c in tree["children"] if c["id"] == -1] == ["Attachment Type"]
        assert [controls[i]["check"] for i in (1371, 1372, 1373, 1374)] == [1, 0, 0, 0]
        if choice:
            desk.ui("click", chooser[0], choice)
        desk.answer(chooser[0], str(start / "report.pdf"))
        slots = finish(proc)[1]
        assert (slots["F"], slots["B"], slots["E"]) == ("OK", str(start / "report.pdf"), code)


def test_a_dialogs_init_message_from_another_program_is_refused(desk):
    """WM_INITDIALOG carries an address of the program's own; sent or posted
    from outside, as a number, it must not reach the dialog."""
    desk.tmctl("call", "CorvVuvedo32Utility", SUPPORT_TITLE, "--post", "1217")
    dlg = desk.dialog("Confirm Password")
    for extra in ([], ["--post"]):
        r = desk.tmctl("call", "#32770", "Confirm Password", *extra, "272", "0", "1094795585", check=False)
        assert r.returncode != 0 and r.stderr.startswith(b"tmctl: "), r.stderr
    assert desk.procs[0].poll() is None, "tmadmin32 still runs"
    desk.ui("key", dlg, "Esc")
    desk.wait_for(lambda: desk.window("#32770", "Confirm Password") is None, "the dialog did not close")
    assert desk.call(1250, {"B": str(desk.server)})[1]["B"] == "1", "still serving"
