"""cvpopd32's windows seen from other programs: tmctl finds the main window
and the status dialog on the desktop, reads the activity log from the
dialog's list box, and shuts the server down through its windows."""
import pathlib

import pytest

from desk_tools import TMCTL, fields, unescape, wait_for
from pop3_harness import CVPOPD32, Server, ServerDir

pytestmark = pytest.mark.skipif(not (CVPOPD32.exists() and TMCTL.exists()),
                                reason="cvpopd32 or tmctl is not built")

MAIN = ("CV-POPsrv", "Tellmar - POP3 Server")
WM_CLOSE, WM_COMMAND = 16, 273
TRAY_MESSAGE, TRAY_ID = 2022, 1025
WM_LBUTTONDBLCLK, WM_RBUTTONDOWN = 515, 516


@pytest.fixture
def sd(tmp_path):
    d = ServerDir(tmp_path)
    d.add_user("Anna", "ANNA", "anna-secret")
    return d


def ui(srv, *args):
    run = srv.tmctl("ui", *args)
    assert run.returncode == 0, run.stderr
    return run.stdout.decode("latin-1").splitlines()


def items(srv, dialog):
    return [unescape(line) for line in ui(srv, "get", dialog, 1000)]


def controls(tree):
    """The control lines of `tmctl ui tree`: ID, kind and text."""
    return [fields(line.lstrip(" "))[0:3] for line in tree[1:] if not line.lstrip(" ").startswith("item ")]


def assert_ended_cleanly(srv):
    assert srv.proc.wait(30) == 0
    srv._reader.join(10)
    assert srv.log()[-1] == "Pop Server: Terminated"
    assert not list(pathlib.Path(srv.desktop).glob("*.sock")), "the desktop entry is left"


def test_main_window_is_listed_and_its_close_shuts_the_server_down(sd):
    with Server(sd) as srv:
        listed = {(c, t, p) for _, c, t, p in srv.windows()}
        assert MAIN + ("cvpopd32",) in listed
        assert ("#32770", "Tellmar 32bit POP3 Server", "cvpopd32") in listed
        client = srv.connect()
        call = srv.tmctl("call", *MAIN, WM_CLOSE)
        assert call.returncode == 0, call.stderr
        assert call.stdout == b"result=0\n"
        assert client.closed()
        assert_ended_cleanly(srv)
        assert "Pop Server: 127.0.0.1 disconnected" not in srv.log(), \
            "shutdown closes sockets without the session's own ending"


def test_status_dialog_holds_the_activity_log(sd):
    with Server(sd) as srv:
        dialog = srv.window("#32770")
        tree = ui(srv, "tree", dialog)
        assert tree[0].split("\t")[1:3] == ["#32770", "Tellmar 32bit POP3 Server"]
        assert tree[0].split("\t")[3].startswith("hidden")
        assert controls(tree) == [["-1", "static", ""], ["1000", "listbox", ""], ["1001", "button", "  Disconnect"]]

        client = srv.connect()
        assert client.cmd("USER anna").startswith(b"+OK")
        srv.wait_log("Pop Server: 127.0.0.1 Connected")
        lines = items(srv, dialog)
        assert "Pop Server: Waiting for connection on port %d..." % srv.port in lines
        assert lines[-1] == "Pop Server: 127.0.0.1 Connected"
        assert lines == srv.log(), "the list box and standard output show the same lines"
        client.cmd("QUIT")
        wait_for(lambda: items(srv, dialog)[-1] == "Pop Server: No current active sessions",
                 what="the session's end in the list box")


def test_texts_with_line_breaks_tabs_and_quotes_keep_their_line_and_fields(sd):
    title = 'Log\t"C:\\MAIL"\r\nsecond line'
    with Server(sd) as srv:
        dialog = srv.window("#32770")
        assert srv.tmctl("text", dialog, title).returncode == 0
        raw = srv.tmctl("windows").stdout.decode("latin-1").splitlines()
        line = next(line for line in raw if line.startswith(dialog + "\t"))
        assert line.split("\t") == [dialog, "#32770", 'Log\\t\\"C:\\\\MAIL\\"\\r\\nsecond line', "cvpopd32"]
        assert [w[2] for w in srv.windows() if w[0] == dialog] == [title]
        tree = ui(srv, "tree", dialog)
        assert fields(tree[0])[2] == title and len(tree[0].split("\t")) == 4
        assert unescape(ui(srv, "get", dialog, 0)[0]) == title


def test_disconnect_button_of_the_shown_dialog_shuts_the_server_down(sd):
    with Server(sd) as srv:
        dialog = srv.window("#32770")
        assert srv.tmctl("ui", "click", dialog, 1001).returncode != 0, "a hidden button cannot be clicked"
        # A double-click on the tray icon shows the dialog.
        shown = srv.tmctl("call", *MAIN, TRAY_MESSAGE, TRAY_ID, WM_LBUTTONDBLCLK)
        assert shown.returncode == 0, shown.stderr
        assert "foreground" in ui(srv, "tree", dialog)[0].split("\t")[3]
        ui(srv, "click", dialog, 1001)
        assert_ended_cleanly(srv)


def test_tray_menu_through_an_interactive_operator(sd):
    with Server(sd, extra_env={"TELLMAR_OPERATOR": "interactive"}) as srv:
        dialog = srv.window("#32770")
        # The right button opens the menu; the sender does not wait for it.
        post = srv.tmctl("call", "--post", *MAIN, TRAY_MESSAGE, TRAY_ID, WM_RBUTTONDOWN)
        assert post.returncode == 0, post.stderr
        wait_for(lambda: any(c == "#32768" for _, c, _, _ in srv.windows()), what="the tray menu")
        menu = srv.window("#32768")
        assert controls(ui(srv, "tree", menu)) == [
            ["5002", "button", "Close Menu"], ["5001", "button", "Restore"], ["5000", "button", "Disconnect"]]
        ui(srv, "click", menu, 5001)
        wait_for(lambda: "hidden" not in ui(srv, "tree", dialog)[0].split("\t")[3], what="Restore to show the dialog")

        srv.tmctl("call", "--post", *MAIN, TRAY_MESSAGE, TRAY_ID, WM_RBUTTONDOWN)
        wait_for(lambda: any(c == "#32768" for _, c, _, _ in srv.windows()), what="the tray menu")
        ui(srv, "click", srv.window("#32768"), 5000)
        assert_ended_cleanly(srv)


def test_sigterm_and_the_disconnect_command_end_with_code_zero(sd):
    with Server(sd) as srv:
        assert srv.stop() == 0
        assert srv.log()[-1] == "Pop Server: Terminated"
    with Server(sd) as srv:
        posted = srv.tmctl("call", "--post", *MAIN, WM_COMMAND, 5000)
        assert posted.returncode == 0, posted.stderr
        assert_ended_cleanly(srv)
