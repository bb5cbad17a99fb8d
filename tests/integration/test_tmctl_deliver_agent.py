"""tmctl deliver as a mail transfer agent's delivery agent: the exit codes
the agent acts on, and no visible trace of a delivery that failed."""
import os
import resource
import signal
import subprocess

import pytest

from desk_tools import TMCTL, wait_for

pytestmark = pytest.mark.skipif(not TMCTL.exists(), reason="tmctl is not built")

DELIVERED, USAGE, MALFORMED, NO_INPUT, UNKNOWN_MAILBOX, TEMPORARY = 0, 64, 65, 66, 67, 75


@pytest.fixture
def store(tmp_path):
    (tmp_path / "store" / "ANNA").mkdir(parents=True)
    return tmp_path / "store"


def deliver(*args, stdin=b"Subject: x\n\nbody\n", preexec=None):
    p = subprocess.run([str(TMCTL), "deliver", *map(str, args)], input=stdin, capture_output=True,
                       timeout=30, preexec_fn=preexec)
    return p.returncode, p.stderr


def test_exit_codes_tell_the_agent_what_to_do(store, tmp_path):
    assert deliver(store, "anna", "--from", "", "--to", "anna@x")[0] == DELIVERED
    for mailbox in ("BOB", "../ANNA", ""):
        assert deliver(store, mailbox)[0] == UNKNOWN_MAILBOX
    assert deliver(store, "ANNA", stdin=b"")[0] == MALFORMED
    assert deliver(store, "ANNA", "--to", "a@x\nRCPT TO: <evil>")[0] == MALFORMED
    assert deliver(store, "ANNA", tmp_path / "no such file")[0] == NO_INPUT
    assert deliver(store)[0] == USAGE
    assert deliver(store, "ANNA", "--cc", "x")[0] == USAGE
    assert len(list((store / "ANNA").glob("*.txt"))) == 1


def test_file_size_limit_defers_and_leaves_nothing(store):
    # A limit the message cannot fit under fails the write as a full disk
    # does: the agent is told to try again later, and the folder stays empty.
    def limit():
        resource.setrlimit(resource.RLIMIT_FSIZE, (1000, 1000))
    rc, err = deliver(store, "ANNA", "--from", "a@x", stdin=b"Subject: big\n\n" + b"x" * 20000, preexec=limit)
    assert rc == TEMPORARY, err
    assert b"nothing delivered" in err
    assert list((store / "ANNA").iterdir()) == []


def catches(pid, sig):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("SigCgt:"):
                return int(line.split()[1], 16) >> (sig - 1) & 1
    return False


def test_signal_while_reading_defers_and_leaves_nothing(store):
    proc = subprocess.Popen([str(TMCTL), "deliver", str(store), "ANNA"], stdin=subprocess.PIPE,
                            stderr=subprocess.PIPE)
    try:
        proc.stdin.write(b"Subject: half\n\nfirst half\n")
        proc.stdin.flush()
        wait_for(lambda: catches(proc.pid, signal.SIGTERM), 30, "tmctl to take SIGTERM")
        proc.send_signal(signal.SIGTERM)
        proc.stdin.close()  # whether the read was under way or not yet begun
        assert proc.wait(30) == TEMPORARY
        assert b"interrupted" in proc.stderr.read()
    finally:
        if proc.poll() is None:
            proc.kill()
            proc.wait()
        proc.stderr.close()
    assert list((store / "ANNA").iterdir()) == []


@pytest.mark.skipif(os.geteuid() != 0, reason="needs root to mount a small file system")
def test_full_disk_defers_and_leaves_nothing(store):
    box = store / "ANNA"
    if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=64k", "tellmar-test", str(box)]).returncode:
        pytest.skip("cannot mount a file system here")
    try:
        (box / "filler").write_bytes(b"\0" * 60000)
        rc, err = deliver(store, "ANNA", "--from", "a@x", stdin=b"Subject: big\n\n" + b"y" * 30000)
        assert rc == TEMPORARY, err
        assert sorted(p.name for p in box.iterdir()) == ["filler"]
    finally:
        subprocess.run(["umount", str(box)], check=True)
