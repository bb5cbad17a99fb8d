"""The mail window's message operations on a real store, seen by the real
POP3 server through Python's poplib.

The operations run in mailops_probe, a test-only program linked with the
administration utility's library: it plays the Copy/Move dialog in-process
as a person would (targets selected by their line, then Copy or Move) and
prints every message box it answered.
"""
import subprocess

import pytest

from desk_tools import program
from pop3_harness import CVPOPD32, Server, ServerDir, listing

PROBE = program("mailops_probe")

pytestmark = pytest.mark.skipif(not (CVPOPD32.exists() and PROBE.exists()),
                                reason="cvpopd32 or mailops_probe is not built")

ANNA_MAIL = b"From: a@example.com\r\nSubject: for anna\r\n\r\nanna's text\r\n"
BOB_MAIL = b"From: b@example.com\r\nSubject: bob's own\r\n\r\nbob's text\r\n"


@pytest.fixture
def store(tmp_path):
    sd = ServerDir(tmp_path)
    sd.add_user("Anna Example", "ANNA", "anna-pw")
    sd.add_user("Bob Jones", "BOB", "bob-pw")
    sd.message("ANNA", "00000001.txt", ANNA_MAIL)
    sd.message("ANNA", "00000002.txt", b"Subject: second\r\n\r\nsecond\r\n")
    sd.message("BOB", "00000001.txt", BOB_MAIL)
    return sd


def probe(sd, *args, fail_writes_after=None):
    """Runs an operation; answers (result line, boxes shown)."""
    command = [str(PROBE)]
    if fail_writes_after is not None:
        command += ["--fail-writes-after", str(fail_writes_after)]
    command += [str(sd.path)] + [str(a) for a in args]
    done = subprocess.run(command, capture_output=True, timeout=60)
    lines = done.stdout.decode("latin-1").splitlines()
    assert done.returncode == 0, (lines, done.stderr)
    return lines[-1], [line[5:] for line in lines if line.startswith("box: ")]


def test_held_messages_vanish_and_return_and_deleted_ones_are_gone(store):
    anna = store.path / "ANNA"
    with Server(store) as srv:
        assert len(listing(srv, "anna", "anna-pw")) == 2

        assert probe(store, "hold", anna / "00000001.txt") == ("ok=1", [])
        lock = (anna / "00000001.lck").read_bytes()
        assert lock.endswith(b" : %s locked..." % str(anna / "00000001.txt").encode())
        assert b"/20" in lock  # the four-digit year
        assert listing(srv, "anna", "anna-pw") == [b"Subject: second\r\n\r\nsecond\r\n"]

        assert probe(store, "release", anna / "00000001.txt") == ("ok=1", [])
        assert len(listing(srv, "anna", "anna-pw")) == 2

        # A held message is deleted with its lock and envelope.
        probe(store, "hold", anna / "00000002.txt")
        result = probe(store, "delete", anna / "00000001.txt", anna / "00000002.txt")
        assert result == ("deleted=2", [])
        assert store.files("ANNA") == []
        assert listing(srv, "anna", "anna-pw") == []
    assert "RemoteUpdate=-1" in (store.path / "tmhub.ini").read_text()


def test_a_copy_onto_a_taken_name_gets_a_fresh_name_with_envelope_and_lock(store):
    anna, bob = store.path / "ANNA", store.path / "BOB"
    with Server(store) as srv:
        assert probe(store, "copy", "ANNA", "BOB", anna / "00000001.txt") == ("changed=1", [])
        fresh = sorted(set(store.files("BOB")) - {"00000001.txt", "00000001.env"})
        assert len(fresh) == 2 and fresh[0].endswith(".env") and fresh[1].endswith(".txt")
        assert len(fresh[1]) == 12 and all(c in "0123456789abcdef" for c in fresh[1][:8])
        assert fresh[0][:8] == fresh[1][:8]
        assert (bob / fresh[1]).read_bytes() == ANNA_MAIL
        assert (bob / fresh[0]).read_bytes() == (anna / "00000001.env").read_bytes()
        assert (bob / "00000001.txt").read_bytes() == BOB_MAIL
        assert listing(srv, "bob", "bob-pw") == sorted([ANNA_MAIL, BOB_MAIL])

        # A held message takes its lock along: Bob does not see that copy.
        probe(store, "hold", anna / "00000002.txt")
        assert probe(store, "copy", "ANNA", "BOB", anna / "00000002.txt") == ("changed=1", [])
        held = [n for n in store.files("BOB") if n.endswith(".lck")]
        assert held == ["00000002.lck"]
        assert {"00000002.txt", "00000002.env"} <= set(store.files("BOB"))
        assert len(listing(srv, "bob", "bob-pw")) == 2
        # The source is still there, still held.
        assert store.files("ANNA") == ["00000001.env", "00000001.txt", "00000002.env",
                                       "00000002.lck", "00000002.txt"]


def test_archive_targets_get_only_the_message(store):
    anna = store.path / "ANNA"
    probe(store, "hold", anna / "00000001.txt")
    result = probe(store, "copy", "ANNA", "(Archive) - Inbound|(Archive) - Outbound", anna / "00000001.txt")
    assert result == ("changed=1", [])
    for folder in ("ARCHIVE/INBOUND", "ARCHIVE/OUTBOUND"):
        assert store.files(folder) == ["00000001.txt"]
        assert (store.path / folder / "00000001.txt").read_bytes() == ANNA_MAIL


def test_a_move_loses_nothing_when_the_copy_fails(store):
    anna = store.path / "ANNA"
    before_anna, before_bob = store.files("ANNA"), store.files("BOB")
    with Server(store) as srv:
        # The first message and its envelope land, the second meets a full disk.
        result = probe(store, "move", "ANNA", "BOB", anna / "00000001.txt", anna / "00000002.txt",
                       fail_writes_after=2)
        assert result == ("changed=1", [
            "File Copy Error: File copy error - All files may not have been copied correctly..."])
        assert store.files("ANNA") == before_anna
        added = sorted(set(store.files("BOB")) - set(before_bob))
        assert len(added) == 2 and all(n.endswith((".env", ".txt")) for n in added)
        assert not any(n.endswith(".part") for n in store.files("BOB"))
        assert len(listing(srv, "anna", "anna-pw")) == 2
        assert len(listing(srv, "bob", "bob-pw")) == 2

        # Without the fault the move completes: sources gone, copies there.
        result = probe(store, "move", "ANNA", "(System Postmaster)", anna / "00000002.txt")
        assert result == ("changed=1", [])
        assert store.files("ANNA") == ["00000001.env", "00000001.txt"]
        assert store.files("ROOT") == ["00000002.env", "00000002.txt"]
