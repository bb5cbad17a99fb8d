"""cvpopd32 against peers that try to wear it down: a client that never
reads, floods of idle connections, a process out of descriptors, and
desktop peers that ask and never read. Memory and CPU are read from /proc;
descriptor limits are set for the server alone."""
import glob
import resource
import select
import socket
import struct
import threading
import time

import pytest

from desk_tools import wait_for
from pop3_harness import CVPOPD32, Server, ServerDir, anna_and_bert
from proc_stats import cpu_seconds, open_descriptors, open_files_limit, rss_bytes

pytestmark = pytest.mark.skipif(not CVPOPD32.exists(), reason="cvpopd32 is not built")

MB = 1 << 20


def files_limit(soft, hard):
    return lambda: resource.setrlimit(resource.RLIMIT_NOFILE, (soft, hard))


@pytest.fixture
def sd(tmp_path):
    return anna_and_bert(tmp_path)


def served(srv, timeout=10.0, source=None):
    """Seconds until another client has its greeting and a NOOP answered."""
    start = time.monotonic()
    s = socket.socket()
    s.settimeout(timeout)
    if source:
        s.bind((source, 0))
    s.connect(("127.0.0.1", srv.port))
    buf = b""
    try:
        while buf.count(b"\r\n") < 1:
            buf += s.recv(1000)
        assert buf.startswith(b"+OK"), buf
        s.sendall(b"NOOP\r\n")
        while buf.count(b"\r\n") < 2:
            chunk = s.recv(1000)
            assert chunk, buf
            buf += chunk
        return time.monotonic() - start
    finally:
        s.close()


def test_a_client_that_never_reads_cannot_make_replies_pile_up(tmp_path):
    """A message without a line end goes out while the client sends commands
    and reads nothing: the server stops taking its input instead of keeping
    a reply for every chunk."""
    sd = ServerDir(tmp_path)
    sd.add_user("Anna", "ANNA", None)
    sd.add_user("Bert", "BERT", None)
    sd.message("ANNA", "00000001.txt", b"Subject: x\r\n\r\n" + b"y" * (32 * MB), envelope=False)
    with Server(sd) as srv:
        c = srv.connect(rcvbuf=4096)
        assert c.cmd("USER anna") == b"+OK mailbox locked and ready\r\n"
        c.send(b"RETR 1\r\n")
        srv.wait_log("Sending mail to")
        before = rss_bytes(srv.proc.pid)
        c.sock.setblocking(False)
        chunk = b"X\r\n" * 1000
        pushed, last_progress = 0, time.monotonic()
        while pushed < 96 * MB and time.monotonic() - last_progress < 3.0:
            try:
                pushed += c.sock.send(chunk)
                last_progress = time.monotonic()
            except BlockingIOError:
                select.select([], [c.sock], [], 0.2)
        grown = rss_bytes(srv.proc.pid) - before
        assert pushed < 48 * MB, "the server kept taking input: %d MB" % (pushed // MB)
        assert grown < 32 * MB, "the server grew by %d MB" % (grown // MB)
        assert served(srv) < 2.0
        c.close()


def test_the_soft_descriptor_limit_is_raised_to_the_hard_one(sd):
    with Server(sd, preexec=files_limit(256, 4096)) as srv:
        assert open_files_limit(srv.proc.pid) == (4096, 4096)


def test_connections_per_client_address_are_capped(sd):
    sd.settings["popsrv"]["MaxPerAddress"] = "3"
    with Server(sd) as srv:
        held = [srv.connect() for _ in range(3)]
        assert all(c.greeting.startswith(b"+OK") for c in held)
        s = socket.create_connection(("127.0.0.1", srv.port), timeout=10)
        assert s.recv(1000) == b"-ERR too many connections from your address\r\n"
        assert s.recv(1000) == b""
        s.close()
        srv.wait_log("127.0.0.1 refused - too many connections from this address")
        assert served(srv, source="127.0.0.2") < 2.0  # another address is not held back
        held.pop().close()
        srv.wait_log("127.0.0.1 disconnected")
        c = srv.connect()
        assert c.cmd("USER bert") == b"+OK mailbox locked and ready\r\n"
        for c in held + [c]:
            c.close()


def test_a_flood_of_idle_connections_does_not_lock_others_out(sd):
    """More idle connections than the server has descriptors, from many
    addresses: the longest idle ones that never logged in make room, and a
    newcomer logs in and reads its mail at once."""
    limit = 256
    with Server(sd, preexec=files_limit(limit, limit)) as srv:
        flood = []
        for i in range(limit + 44):
            s = socket.socket()
            s.settimeout(10)
            s.bind(("127.0.1.%d" % (1 + i % 30), 0))
            s.connect(("127.0.0.1", srv.port))
            flood.append(s)
        srv.wait_log("Out of descriptors - closing the longest idle connection", timeout=20)
        c = srv.connect(timeout=10)
        assert c.cmd("USER anna") == b"+OK user gets mail here\r\n"
        assert c.cmd("PASS pw") == b"+OK mailbox locked and ready\r\n"
        assert c.cmd("RETR 1") == b"+OK message 1 follows (21 octets)\r\n"
        assert c.multiline() == b"Subject: one\r\n\r\none\r\n\r\n.\r\n"
        # The first of the flood went first.
        assert flood[0].recv(100).startswith(b"+OK")
        assert flood[0].recv(100) == b""
        c.cmd("QUIT")
        for s in flood:
            s.close()


def test_out_of_descriptors_the_channel_does_not_spin(sd):
    """Desktop peers take every descriptor: the channel waits instead of
    retrying its accept at once, and a logged-in client is still served."""
    limit = 256
    with Server(sd, preexec=files_limit(limit, limit)) as srv:
        client = srv.connect()
        assert client.cmd("USER bert") == b"+OK mailbox locked and ready\r\n"
        (path,) = glob.glob(srv.desktop + "/*.sock")
        peers, deadline = [], time.monotonic() + 20
        while len(peers) < limit + 30 and time.monotonic() < deadline:
            p = socket.socket(socket.AF_UNIX)
            try:
                p.connect(path)  # refused at once while the accept queue is full
                peers.append(p)
            except BlockingIOError:
                p.close()
                time.sleep(0.01)
        assert len(peers) > limit, "the channel never ran out of descriptors"
        wait_for(lambda: open_descriptors(srv.proc.pid) >= limit, 30, "the accepts to run into the limit")
        before = cpu_seconds(srv.proc.pid)
        start = time.monotonic()
        time.sleep(2.0)  # the measured time: a spinning accept would use it all
        used = cpu_seconds(srv.proc.pid) - before
        assert used < 0.3 * (time.monotonic() - start), "%.2f s of CPU in 2 s" % used
        t = time.monotonic()
        assert client.cmd("NOOP") == b"+OK i did nothing\r\n"
        assert time.monotonic() - t < 1.0
        for p in peers:
            p.close()
        assert served(srv) < 2.0
        client.cmd("QUIT")


def enumerate_frame():
    payload = struct.pack("<BIIqqI", 6, 0, 0, 0, 0, 0)
    return struct.pack("<I", len(payload)) + payload


def test_desktop_peers_that_never_read_do_not_stall_the_server(sd):
    """Each peer writes 2 MB of requests and reads none of the replies. The
    replies wait in a bounded queue, the peers are dropped once it overflows,
    and POP3 clients are answered at once throughout."""
    with Server(sd) as srv:
        (path,) = glob.glob(srv.desktop + "/*.sock")
        frames = enumerate_frame() * (2 * MB // len(enumerate_frame()))
        peers = []
        for _ in range(3):
            p = socket.socket(socket.AF_UNIX)
            p.connect(path)
            peers.append(p)

        def flood(p):
            try:
                p.sendall(frames)
            except OSError:
                pass  # dropped while still writing
        threads = [threading.Thread(target=flood, args=(p,), daemon=True) for p in peers]
        for t in threads:
            t.start()
        slowest, deadline = 0.0, time.monotonic() + 4.0
        while time.monotonic() < deadline:
            slowest = max(slowest, served(srv))
        assert slowest < 1.0, "a POP3 client waited %.2f s" % slowest

        def dropped(p):
            p.settimeout(10)
            try:
                while p.recv(MB):
                    pass
                return True
            except ConnectionResetError:
                return True
            except socket.timeout:
                return False
        for t, p in zip(threads, peers):
            t.join(10)
            assert not t.is_alive()
            assert dropped(p)
            p.close()
        assert any(w[3] == "cvpopd32" for w in srv.windows())
