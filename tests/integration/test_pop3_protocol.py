"""Exact replies of cvpopd32 over a raw socket, for the cases clients never
exercise, and the server's start, log and shutdown."""
import os
import signal
import socket

import pytest

from pop3_harness import CVPOPD32, Server, ServerDir, as_nobody, free_port

pytestmark = pytest.mark.skipif(not CVPOPD32.exists(), reason="cvpopd32 is not built")


@pytest.fixture
def sd(tmp_path):
    sd = ServerDir(tmp_path)
    sd.add_user("Anna", "ANNA", "pw")
    sd.message("ANNA", "00000001.txt", b"Subject: a\r\n\r\n" + b"body line\r\n" * 800000)
    sd.message("ANNA", "00000002.txt", b"Subject: b\n\nb\n")
    return sd


BIG_SIZE = 14 + 11 * 800000


def number_of(c, size):
    """The message number of the message of that size (listing order is the
    file system's)."""
    for n in (1, 2):
        if c.cmd("LIST %d" % n) == b"+OK %d %d\r\n" % (n, size):
            return n
    raise AssertionError("no message of %d octets" % size)


def login(srv, rcvbuf=None):
    c = srv.connect(rcvbuf=rcvbuf)
    assert c.cmd("USER anna") == b"+OK user gets mail here\r\n"
    assert c.cmd("PASS pw") == b"+OK mailbox locked and ready\r\n"
    return c


def test_segments_empty_lines_and_argument_errors(sd):
    with Server(sd) as srv:
        c = srv.connect()
        assert c.greeting.startswith(b"+OK Corvane POP3 server ")
        assert c.greeting.endswith(b" POP3 service ready\r\n")
        # USER and PASS in one segment: only USER is answered.
        c.send(b"USER anna\r\nPASS pw\r\n")
        assert c.line() == b"+OK user gets mail here\r\n"
        # An empty line gets no answer; the next command is processed.
        c.send(b"\r\n")
        c.wait_until_read()
        assert c.cmd("PASS pw") == b"+OK mailbox locked and ready\r\n"
        assert c.cmd("Stat") == b"+OK 2 %d\r\n" % (BIG_SIZE + 14)
        assert c.cmd("NOOP a b c") == b"-ERR too many arguments\r\n"
        assert c.cmd("RETR 1x") == b"-ERR argument must a positive integer\r\n"
        assert c.cmd("RETR 0") == b"-ERR message number out of range\r\n"
        assert c.cmd("RETR 99999999999999999999999") == b"-ERR message number out of range\r\n"
        small = number_of(c, 14)
        assert c.cmd("TOP %d 99999999999999999999" % small).startswith(b"+OK message %d follows" % small)
        assert c.multiline() == b"Subject: b\r\n\r\nb\r\n\r\n.\r\n"
        assert c.cmd("XTND") == b"-ERR non-existant command\r\n"
        assert c.cmd("QUIT") == b"+OK POP3 server connection terminated\r\n"
        assert c.closed()
        srv.wait_log("No current active sessions")


def test_input_during_transfer_is_answered_between_lines(sd):
    with Server(sd) as srv:
        c = login(srv, rcvbuf=16384)
        big = number_of(c, BIG_SIZE)
        c.send(b"RETR %d\r\n" % big)
        head = c.line()
        assert head.startswith(b"+OK message %d follows" % big)
        c.send(b"NOOP\r\n")
        data = c.multiline()
        # The NOOP arrives while the message is going out.
        assert data.count(b"\r\n500 Error command unrecognized\r\n") == 1
        data = data.replace(b"500 Error command unrecognized\r\n", b"")
        assert data == b"Subject: a\r\n\r\n" + b"body line\r\n" * 800000 + b"\r\n.\r\n"
        assert c.cmd("LAST") == b"+OK %d\r\n" % big


def test_lock_failures_and_disconnect_after_three_passwords(sd):
    with Server(sd) as srv:
        first = login(srv)
        second = srv.connect()
        assert second.cmd("USER ANNA") == b"+OK user gets mail here\r\n"
        assert second.cmd("PASS pw") == b"-ERR can't lock maildrop\r\n"
        third = srv.connect()
        third.cmd("USER anna")
        assert third.cmd("PASS a") == b"-ERR invalid password\r\n"
        assert third.cmd("PASS b") == b"-ERR invalid password\r\n"
        assert third.cmd("PASS c") == b"-ERR too many authorization attempts.  disconnecting.\r\n"
        assert third.closed()
        first.close()
        srv.wait_log("disconnected", 2)
        second.cmd("USER anna")
        assert second.cmd("PASS pw") == b"+OK mailbox locked and ready\r\n"


def test_unsafe_user_names_never_leave_the_server_directory(sd, tmp_path_factory):
    outside = tmp_path_factory.mktemp("outside")
    (outside / "1.txt").write_bytes(b"secret\r\n")
    sd.users.append(("Evil", "../" + outside.name, None, True))
    with Server(sd) as srv:
        c = srv.connect()
        for name in ["../" + outside.name, "..", "ANNA/..", "a\\b", "x\x01y", "x\x00y"]:
            assert c.cmd("USER " + name) == b"-ERR user doesn't get mail here\r\n", name


def test_log_lines_timeouts_and_sigterm(sd):
    sd.settings["popsrv"]["timeout"] = "1"
    with Server(sd) as srv:
        c = login(srv)
        c.close()
        srv.wait_log("No current active sessions")
        assert srv.stop(signal.SIGTERM) == 0
        log = srv.log()
    assert log[1:3] == ["Pop Server: Waiting for connection on port %d..." % srv.port,
                        "Pop Server: Mailbox timeout set to 60 seconds"]
    assert log[-3:] == ["Pop Server: 127.0.0.1 disconnected",
                        "Pop Server: No current active sessions", "Pop Server: Terminated"]

    sd.settings["popsrv"].update(timeout="2", SmtpTimeout="7")
    with Server(sd) as srv:
        assert srv.stop(signal.SIGINT) == 0
        assert srv.log()[2:4] == ["Pop Server: Inactivity timeout set to 7 seconds",
                                  "Pop Server: Mailbox timeout set to 2 minutes"]

    sd.settings["popsrv"].update(timeout="0", SmtpTimeout="0")
    with Server(sd) as srv:
        assert srv.stop() == 0
        assert not any("timeout" in line for line in srv.log())


def test_mailbox_and_inactivity_timeouts_fire(sd):
    # The clock runs 60 times faster: a minute passes in a second.
    sd.settings["popsrv"].update(timeout="1", SmtpTimeout="120")
    with Server(sd, clock_scale=60) as srv:
        a, b = srv.connect(), login(srv)
        assert a.closed() and b.closed()
        srv.wait_log("Socket timeout expired - closing socket", 2)
        srv.wait_log("Inactivity timeout expired - terminating server")
        assert srv.proc.wait(30) == 0
        assert srv.log()[-1] == "Pop Server: Terminated"


def test_port_in_use_ends_the_process(sd):
    holder = socket.socket()
    holder.bind(("127.0.0.1", 0))  # in the way of the server's every-interface listener
    holder.listen()
    sd.settings["popsrv"].update(port=str(holder.getsockname()[1]))
    sd.write_settings()
    import subprocess
    desktop = sd.path.parent / "desktop"
    proc = subprocess.run([str(CVPOPD32)], cwd=sd.path, capture_output=True, timeout=20,
                          env=dict(os.environ, TELLMAR_DESKTOP=str(desktop)))
    holder.close()
    assert proc.returncode == 69  # a service manager sees the failure
    assert proc.stdout.decode().splitlines()[-1] == "Pop Server: Error - port already in use"
    assert not list(desktop.glob("*.sock")), "the desktop entry is left"


def test_privileged_port_without_privileges(sd):
    import subprocess
    sd.settings["popsrv"].update(port="110")
    drop = as_nobody(sd)
    if drop is None and os.geteuid() == 0:
        pytest.skip("cannot drop privileges")
    proc = subprocess.run([str(CVPOPD32)], cwd=sd.path, capture_output=True, timeout=20,
                          preexec_fn=drop, env=dict(os.environ, TELLMAR_DESKTOP=str(sd.path.parent / "desktop")))
    assert proc.returncode == 77
    assert proc.stdout.decode().splitlines()[-1] == \
        "Pop Server: Error - no permission to use port 110"


def test_version_and_help_answer_without_serving(tmp_path):
    import subprocess

    def run(*args):
        # In a directory without settings: none of these may start a server.
        return subprocess.run([str(CVPOPD32), *args], cwd=tmp_path, capture_output=True, timeout=20,
                              env=dict(os.environ, TELLMAR_DESKTOP=str(tmp_path / "desktop")))
    version = run("--version")
    assert version.returncode == 0 and version.stderr == b""
    assert version.stdout.startswith(b"cvpopd32 ") and version.stdout.count(b"\n") == 1
    for flag in ("--help", "-h"):
        helped = run(flag)
        assert helped.returncode == 0 and helped.stdout.startswith(b"usage: cvpopd32")
    wrong = run("--port", "110")
    assert wrong.returncode == 2 and wrong.stdout == b""
    assert wrong.stderr.startswith(b"cvpopd32: unknown argument '--port'\nusage: cvpopd32")
    assert not (tmp_path / "desktop").exists()


def test_bind_other_than_one_listens_on_every_interface(sd):
    sd.settings["popsrv"]["bind"] = "0"
    with Server(sd) as srv:
        assert srv.connect().greeting.startswith(b"+OK")
        assert free_port() != srv.port
