"""The roles, one instance per role, the tray popups, the restart of the
main server, and the Remote Configuration Utility's dialog driven as an
administrator would."""
import json
import os
import stat
import subprocess

import pytest

from admin_harness import CLASS, RCU_DIALOG_TITLE, RCU_TITLE, SUPPORT_TITLE, TMADMIN32, Desk, support_module

CONFIG_ITEMS = [40034, 40035, 40036, 40037, 40038, 40039, 40040, 40041, 40042, 40043, 40044, 40045, 40046,
                40047, 40050]


@pytest.fixture
def desk(tmp_path):
    d = Desk(tmp_path)
    yield d
    d.stop()


MF_GRAYED, MF_SEPARATOR = 0x1, 0x800


def menu_items(tree):
    items = {}
    for popup in tree["menu"]:
        for item in popup.get("items", []):
            if not item["flags"] & MF_SEPARATOR:
                items[item["id"]] = not item["flags"] & MF_GRAYED
    return items


def control(tree, cid):
    return next(c for c in tree["children"] if c["id"] == cid)


def rcu_tree(desk, handle):
    return json.loads(desk.ui("tree", handle, "--json"))


def assert_state(desk, handle, state):
    tree = rcu_tree(desk, handle)
    enabled = menu_items(tree)
    for cid in (40030, 40033, 40052, 40051):
        assert enabled[cid], cid
    assert enabled[40031] == (state != "Unlocated")
    assert enabled[40048] == enabled[40049] == (state != "Unlocated")
    assert enabled[40032] == (state == "Connected")
    for cid in CONFIG_ITEMS:
        assert enabled[cid] == (state == "Connected"), cid
    assert control(tree, 1253)["enabled"] == (state == "Located")
    assert control(tree, 1252)["enabled"] == (state == "Connected")


def start_rcu(desk):
    desk.start("rcu")
    return desk.dialog(RCU_DIALOG_TITLE)


def test_roles_and_one_instance_per_role(desk):
    desk.start("support")
    second = desk.start("support", wait=False)
    assert second.wait(timeout=30) == 1
    desk.start("rcu", name="tmremote")
    again = desk.start("rcu", name="another-name", wait=False)
    assert again.wait(timeout=30) == 1
    titles = [w[2] for w in desk.windows() if w[1] == CLASS]
    assert sorted(titles) == sorted([SUPPORT_TITLE, RCU_TITLE])


def test_bare_name_through_the_search_path_is_the_rcu(desk):
    env = {"PATH": str(desk.root / "bin") + os.pathsep + os.environ.get("PATH", "")}
    (desk.root / "bin" / "tmadmin32").symlink_to(TMADMIN32)
    proc = subprocess.Popen(["tmadmin32"], cwd=desk.server, env={**desk.env, **env},
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    desk.procs.append(proc)
    desk.wait_for(lambda: desk.window(CLASS, RCU_TITLE), "the RCU did not start")


def test_tray_popups_extended_and_plain(desk):
    desk.start("support")
    main = desk.window(CLASS, SUPPORT_TITLE)
    desk.tmctl("call", CLASS, SUPPORT_TITLE, "--post", 2023, 124, 517)  # right button released
    menu = desk.wait_box("menu")
    assert menu[4].split(",") == ["Close Menu", "Close            Alt+F4"]
    desk.answer(menu[0], "Close Menu")
    desk.tmctl("call", CLASS, SUPPORT_TITLE, 1220, 1)
    desk.tmctl("call", CLASS, SUPPORT_TITLE, "--post", 2023, 124, 517)
    menu = desk.wait_box("menu")
    assert menu[4].split(",") == [
        "Close Menu", "Additional mailboxes", "Mailing/Address lists", "Scheduled Connections",
        "Mail Filtering/Routing", "Attachments", "Administrator window", "Utilities", "Maintain Users ",
        "Setup Wizard", "Configure Server", "RiziDori Settings", "User Buttons", "Close            Alt+F4"]
    desk.answer(menu[0], "Close            Alt+F4")
    desk.wait_for(lambda: desk.procs[0].poll() is not None, "Close did not end the module")
    assert desk.procs[0].returncode == 0
    assert main not in [int(w[0]) for w in desk.windows()]


def test_information_box_closes_down_the_module(desk):
    desk.start("support")
    desk.tmctl("call", CLASS, SUPPORT_TITLE, "--post", 2023, 124, 515)  # left double-click
    box = desk.dialog("Tellmar 32 bit Support Module")
    assert desk.text(box, 1016).strip() == "Vuvedo32 v3.63  20-Dec-99"
    assert desk.text(box, 1015).startswith("Windows Version [")
    desk.ui("click", box, 1018)
    assert desk.procs[0].wait(timeout=30) == 0


def test_restart_starts_tmhub_from_the_working_directory(tmp_path):
    # The notice stays up for the restart delay (10 s, here 5 s): long enough
    # to be seen on a slow build before the restart takes it down.
    with support_module(tmp_path, env={"TELLMAR_ADMIN_CLOCK_SCALE": "2"}) as d:
        d.call(1938)
        d.wait_box("box")  # no tmhub here: the notice says so
        box = d.boxes()[0]
        assert "no tmhub program" in box[3]
        d.answer(box[0], "OK")
        tmhub = d.server / "tmhub"
        tmhub.write_text(f"#!/bin/sh\ntouch '{d.server}/restarted'\n")
        tmhub.chmod(tmhub.stat().st_mode | stat.S_IXUSR)
        d.call(1938)
        assert d.window("#32770", "Tellmar3... ")
        d.wait_for(lambda: (d.server / "restarted").exists(), "tmhub was not started")
        d.wait_for(lambda: not d.window("#32770", "Tellmar3... "), "the notice stayed")


def test_rcu_states_location_connect_and_force(desk):
    handle = start_rcu(desk)
    assert desk.text(handle, 1247).strip() == "Please set the path to the Tellmar3 installation..."
    assert_state(desk, handle, "Unlocated")
    # A greyed item's accelerator does nothing.
    desk.ui("key", handle, "Ctrl+C")
    assert [b for b in desk.boxes()] == []

    # Set location cancelled: still Unlocated.
    desk.ui("key", handle, "Ctrl+S")
    desk.answer(desk.wait_box("chooser")[0], "Cancel")
    assert desk.text(handle, 1247).strip() == "Please set the path to the Tellmar3 installation..."
    assert_state(desk, handle, "Unlocated")

    # Set location on a directory without tmhub.ini: still Unlocated.
    empty = desk.root / "empty"
    empty.mkdir()
    desk.ui("key", handle, "Ctrl+S")
    chooser = desk.wait_box("chooser")
    assert chooser[2] == "Select Path to Tellmar3 installation"
    desk.answer(chooser[0], str(empty))
    assert desk.text(handle, 1247).strip() == "Please set the path to the Tellmar3 installation..."
    assert_state(desk, handle, "Unlocated")

    server = desk.root / "remote"
    server.mkdir()
    stored = desk.tmctl("scramble", "KQZVRLM", "opensesame").stdout.decode().strip()
    (server / "TMHUB.INI").write_text(f"[Environment]\r\nserverpw={stored}\r\n")
    desk.ui("click", handle, 1251)
    desk.answer(desk.wait_box("chooser")[0], str(server))
    assert desk.text(handle, 1247).strip() == "Tellmar3 located..."
    assert desk.text(handle, 1248).strip() == str(server / "TMHUB.INI")
    assert_state(desk, handle, "Located")
    admin_ini = (desk.server / "TM3ADMIN.INI").read_text()
    assert f"ServerPath={server}/TMHUB.INI" in admin_ini and f"Path={server}" in admin_ini

    # A wrong password, and an empty one, are refused.
    for attempt in ("wrong", ""):
        desk.ui("click", handle, 1253)
        box = desk.dialog("Enter Password")
        desk.ui("set", box, 1252, attempt)
        desk.ui("click", box, 1)
        err = desk.wait_box("box")
        assert err[2:4] == ["Password Error", "Invalid password..."]
        desk.answer(err[0], "OK")
        assert_state(desk, handle, "Located")

    desk.ui("click", handle, 1253)
    box = desk.dialog("Enter Password")
    desk.ui("set", box, 1252, "opensesame")
    desk.ui("click", box, 1)
    desk.wait_for(lambda: desk.text(handle, 1247).strip() == "Connected to server...", "not connected")
    assert_state(desk, handle, "Connected")

    desk.ui("key", handle, "Ctrl+F")  # the first binding wins: Force immediate connection
    text = (server / "TMHUB.INI").read_text()
    assert "ForceConnect=-1" in text and "RemoteUpdate=-1" in text

    # The log viewers name what they cannot find.
    desk.ui("menu", handle, 40045)
    box = desk.wait_box("box")
    assert box[2:4] == ["Error", "Error can't find activity logfile..."]
    desk.answer(box[0], "OK")
    desk.ui("key", handle, "Ctrl+L")
    box = desk.wait_box("box")
    assert box[3] == "Error can't find logfile..."
    desk.answer(box[0], "OK")

    desk.ui("click", handle, 1252)
    assert desk.text(handle, 1247).strip() == "Not connected to server..."
    assert_state(desk, handle, "Located")


def test_connect_without_serverpw_and_with_an_unreadable_settings_file(desk):
    (desk.server / "TMHUB.INI").write_text("[Environment]\r\nserverpw=\r\n")
    (desk.server / "TM3ADMIN.INI").write_text(
        f"[Administration]\r\nServerPath={desk.server}/TMHUB.INI\r\nPath={desk.server}\r\n")
    handle = start_rcu(desk)
    assert_state(desk, handle, "Located")
    desk.ui("click", handle, 1253)
    box = desk.dialog("Enter Password")
    desk.ui("click", box, 1)  # empty entry, no password stored: in
    desk.wait_for(lambda: desk.text(handle, 1247).strip() == "Connected to server...", "not connected")
    desk.ui("click", handle, 1252)

    if os.geteuid() == 0:
        pytest.skip("root reads every file")
    (desk.server / "TMHUB.INI").chmod(0)
    desk.ui("click", handle, 1253)
    box = desk.dialog("Enter Password")
    desk.ui("click", box, 1)
    err = desk.wait_box("box")
    assert err[3] == "Invalid password..."
    desk.answer(err[0], "OK")


def test_unreadable_settings_file_refuses_connect(desk):
    """As root every file is readable, so a directory in its place stands
    for a settings file that cannot be read."""
    (desk.server / "TMHUB.INI").mkdir()
    (desk.server / "TM3ADMIN.INI").write_text(
        f"[Administration]\r\nServerPath={desk.server}/TMHUB.INI\r\nPath={desk.server}\r\n")
    handle = start_rcu(desk)
    assert desk.text(handle, 1247).strip() == "Unable to connect to defined path to Tellmar3 installation..."
    assert_state(desk, handle, "Unlocated")


def test_saved_position_is_clamped_and_saved_on_close(desk):
    (desk.server / "TM3ADMIN.INI").write_text("[system]\r\nTop=5000\r\nLeft=-2000\r\nOnTop=1\r\n")
    handle = start_rcu(desk)
    tree = rcu_tree(desk, handle)
    left, top = tree["rect"][0], tree["rect"][1]
    assert left == 0
    assert top > 0 and top < 5000
    assert tree["topmost"] and control(tree, 1249)["check"] == 1
    desk.ui("check", handle, 1249, 0)
    assert "OnTop=0" in (desk.server / "TM3ADMIN.INI").read_text()
    desk.tmctl("call", "#32770", RCU_DIALOG_TITLE, 16)  # the close box hides it
    assert not rcu_tree(desk, handle)["visible"]
    assert f"Top={top}" in (desk.server / "TM3ADMIN.INI").read_text()
    desk.tmctl("call", CLASS, RCU_TITLE, "--post", 2023, 124, 513)  # tray: left button
    desk.wait_for(lambda: rcu_tree(desk, handle)["visible"], "the tray did not restore the dialog")
    desk.ui("click", handle, 1250)  # Exit
    assert desk.procs[0].wait(timeout=30) == 0


def test_saved_position_far_right_is_pulled_back(desk):
    (desk.server / "TM3ADMIN.INI").write_text("[system]\r\nTop=100\r\nLeft=99999\r\n")
    handle = start_rcu(desk)
    rect = rcu_tree(desk, handle)["rect"]
    main = desk.window(CLASS, RCU_TITLE)
    screen_w = json.loads(desk.ui("tree", main, "--json"))["rect"][0] * 4  # the main window sits at a quarter
    assert rect[0] == screen_w - 20 and rect[1] == 100


def test_without_a_tray_icon_the_close_box_ends_the_rcu(desk):
    """RunAsService in the working directory: no tray icon could bring a
    hidden dialog back, so closing it ends the program, and it starts again."""
    (desk.server / "TMHUB.INI").write_text("[Environment]\r\nRunAsService=-1\r\n")
    start_rcu(desk)
    assert desk.tmctl("auto", CLASS, RCU_TITLE, "tray").stdout.strip() == b""
    desk.tmctl("call", "#32770", RCU_DIALOG_TITLE, 16)  # the close box
    assert desk.procs[0].wait(timeout=30) == 0
    assert "Top=" in (desk.server / "TM3ADMIN.INI").read_text(), "the position is kept as on close"
    start_rcu(desk)
    assert desk.procs[1].poll() is None
