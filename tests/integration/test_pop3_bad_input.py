"""cvpopd32 under bad input and hostile conditions: nothing gets stuck,
others are still served, and nothing is deleted unless a QUIT committed it."""
import os
import resource
import socket
import time

import pytest

from desk_tools import wait_for
from pop3_harness import CVPOPD32, Server, ServerDir, anna_and_bert, as_nobody

pytestmark = pytest.mark.skipif(not CVPOPD32.exists(), reason="cvpopd32 is not built")

BIG = b"Subject: big\r\n\r\n" + b"0123456789" * 100 + b"\r\n"


@pytest.fixture
def sd(tmp_path):
    sd = anna_and_bert(tmp_path)
    sd.message("ANNA", "00000002.txt", BIG * 20000)  # about 20 MB
    return sd


def login(srv, user="anna", password="pw", rcvbuf=None):
    c = srv.connect(rcvbuf=rcvbuf)
    c.cmd("USER " + user)
    if password:
        assert c.cmd("PASS " + password) == b"+OK mailbox locked and ready\r\n"
    return c


def served(srv):
    """Another client gets its answers promptly."""
    c = login(srv, "bert", None)
    start = time.monotonic()
    assert c.cmd("NOOP") == b"+OK i did nothing\r\n"
    elapsed = time.monotonic() - start
    c.cmd("QUIT")
    return elapsed


def test_binary_bytes_and_nuls(sd):
    with Server(sd) as srv:
        c = srv.connect()
        c.send(b"\x00\xff\x80USER\x00anna\r\n")
        assert c.line() == b"-ERR non-existant command\r\n"
        c.send(b"USER an\x00na\r\n")
        assert c.line() == b"-ERR user doesn't get mail here\r\n"
        c.send(b"\x01\x02\x03 \x04\r\n")
        assert c.line() == b"-ERR non-existant command\r\n"
        assert c.cmd("USER anna") == b"+OK user gets mail here\r\n"


def test_megabyte_line_without_line_end(sd):
    with Server(sd) as srv:
        c = srv.connect()
        c.send(b"x" * (1 << 20))
        assert served(srv) < 1.0
        assert c.line() == b"-ERR argument too long\r\n"  # the first 2048 bytes
        c.send(b"\r\n")
        c.wait_until_read()
        assert c.cmd("USER anna") == b"+OK user gets mail here\r\n"


def test_client_vanishing_mid_transfer_deletes_nothing(sd):
    with Server(sd) as srv:
        c = login(srv, rcvbuf=8192)
        c.cmd("DELE 1")
        c.send(b"RETR 2\r\n" if c.cmd("LIST 2").endswith(b" %d\r\n" % len(BIG * 20000)) else b"RETR 1\r\n")
        c.sock.recv(1000)
        c.sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, b"\x01\x00\x00\x00\x00\x00\x00\x00")
        c.close()  # reset in the middle of the message
        srv.wait_log("disconnected")
        assert served(srv) < 1.0
    assert len(sd.files("ANNA")) == 4


def test_message_deleted_or_truncated_after_list(sd):
    sd.message("ANNA", "00000003.txt", b"Subject: three\r\n\r\n" + b"line\r\n" * 1000)
    with Server(sd) as srv:
        c = login(srv)
        sizes = {}
        for n in (1, 2, 3):
            sizes[int(c.cmd("LIST %d" % n).split()[2])] = n
        one, three = sizes[21], sizes[18 + 6000]
        (sd.path / "ANNA" / "00000001.txt").unlink()
        assert c.cmd("RETR %d" % one) == b"-ERR message has been removed\r\n"
        with open(sd.path / "ANNA" / "00000003.txt", "r+b") as f:
            f.truncate(30)
        assert c.cmd("RETR %d" % three) == b"+OK message %d follows (6018 octets)\r\n" % three
        assert c.multiline() == b"Subject: three\r\n\r\nline\r\nline\r\n\r\n.\r\n"
        assert c.cmd("NOOP") == b"+OK i did nothing\r\n"
        c.cmd("QUIT")
    assert sd.files("ANNA") == ["00000001.env", "00000002.env", "00000002.txt",
                                "00000003.env", "00000003.txt"]


def test_silent_connections_are_closed_by_the_mailbox_timeout(sd):
    sd.settings["popsrv"]["timeout"] = "1"
    sd.settings["popsrv"]["MaxPerAddress"] = "0"  # all from one address
    # 60 times faster: the minute passes in a second.
    with Server(sd, clock_scale=60, preexec=lambda: resource.setrlimit(
            resource.RLIMIT_NOFILE, (4096, 4096))) as srv:
        silent = []
        for _ in range(1000):
            s = socket.create_connection(("127.0.0.1", srv.port), timeout=10)
            silent.append(s)
        assert served(srv) < 1.0
        srv.wait_log("Socket timeout expired - closing socket", 1000, timeout=30)
        for s in silent:
            assert s.recv(100).startswith(b"+OK")
            assert s.recv(100) == b""
            s.close()
        assert served(srv) < 1.0


def test_running_out_of_descriptors_does_not_spin(sd):
    limit = 64
    sd.settings["popsrv"]["MaxPerAddress"] = "0"  # all from one address
    with Server(sd, preexec=lambda: resource.setrlimit(
            resource.RLIMIT_NOFILE, (limit, limit))) as srv:
        clients = [socket.create_connection(("127.0.0.1", srv.port), timeout=10)
                   for _ in range(limit + 20)]
        # Idle connections that never logged in make room for the newer ones.
        srv.wait_log("Out of descriptors")
        with open("/proc/%d/stat" % srv.proc.pid) as f:
            before = sum(int(x) for x in f.read().split()[13:15])
        time.sleep(1.0)  # the measured second: a spinning loop would use it all
        with open("/proc/%d/stat" % srv.proc.pid) as f:
            after = sum(int(x) for x in f.read().split()[13:15])
        ticks = after - before  # clock ticks (1/100 s) of CPU in one second
        assert ticks < 20, "accept loop spins: %d ticks of CPU in 1 s" % ticks
        wait_for(lambda: srv.count(" Connected") >= limit + 20, 30, "every connection taken")
        assert served(srv) < 1.0
        for c in clients:
            c.close()


def test_mailbox_of_100000_messages_lists_without_stalling_others(tmp_path):
    sd = ServerDir(tmp_path)
    sd.add_user("Huge", "HUGE", None)
    sd.add_user("Bert", "BERT", None)
    folder = sd.path / "HUGE"
    for i in range(100000):
        (folder / ("%08x.txt" % i)).write_bytes(b"S: x\r\n\r\nb\r\n")
    with Server(sd) as srv:
        c = srv.connect(rcvbuf=4096)
        assert c.cmd("USER huge") == b"+OK mailbox locked and ready\r\n"
        c.send(b"LIST\r\n")
        assert c.line() == b"+OK 100000 messages (1100000 octets)\r\n"
        slowest = max(served(srv) for _ in range(5))
        assert slowest < 0.5
        listing = c.multiline()
        assert listing.count(b"\r\n") == 100001
        c.cmd("QUIT")
    assert len(list(folder.iterdir())) == 100000


def test_message_made_unreadable_after_list(sd):
    preexec = as_nobody(sd)
    with Server(sd, preexec=preexec) as srv:
        c = login(srv)
        n = 1 if c.cmd("LIST 1").endswith(b" 21\r\n") else 2
        os.chmod(sd.path / "ANNA" / "00000001.txt", 0)
        assert c.cmd("RETR %d" % n) == b"-ERR message has been removed\r\n"
        assert c.cmd("DELE %d" % n) == b"+OK message deleted\r\n"
        c.close()
    assert len(sd.files("ANNA")) == 4
