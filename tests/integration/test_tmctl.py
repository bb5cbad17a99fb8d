"""tmctl's settings, scrambler and delivery verbs, run as a script would."""
import os
import re
import subprocess
from pathlib import Path

import pytest

from desk_tools import BUILD, REPO, TMCTL

pytestmark = pytest.mark.skipif(not TMCTL.exists(), reason="tmctl is not built")


def tmctl(*args, stdin=b""):
    """Runs tmctl with byte or text arguments; returns (rc, stdout, stderr)."""
    argv = [os.fsencode(str(TMCTL))] + [a if isinstance(a, bytes) else os.fsencode(str(a)) for a in args]
    p = subprocess.run(argv, input=stdin, capture_output=True, timeout=30)
    return p.returncode, p.stdout, p.stderr


def ok(*args, stdin=b""):
    rc, out, err = tmctl(*args, stdin=stdin)
    assert rc == 0, err
    assert err == b""
    return out


def fails(*args, stdin=b""):
    rc, out, err = tmctl(*args, stdin=stdin)
    assert rc != 0
    assert out == b""
    assert err.startswith(b"tmctl: ") and err.count(b"\n") == 1, err
    return err


def unwritable_dir(tmp_path):
    """A directory this process cannot create files in, holding a settings
    file and a mailbox folder ANNA that cannot be written either."""
    if os.geteuid() != 0:
        d = tmp_path / "ro"
        (d / "ANNA").mkdir(parents=True)
        (d / "tmhub.ini").write_bytes(b"[popsrv]\r\nport=110\r\n")
        (d / "ANNA").chmod(0o555)
        d.chmod(0o555)
        return d
    # Root writes into any directory of a normal file system, but not into sysfs.
    if not Path("/sys/kernel").is_dir():
        pytest.skip("no directory that root cannot write")
    return None


# --- ini -------------------------------------------------------------------

SAMPLE = (b"; server settings\r\n"
          b"[Environment]\r\n"
          b"  RunAsService = 1  \r\n"
          b"Sep=\xa9\r\n"
          b"\r\n"
          b"[popsrv]\r\n"
          b"port=\"1110\"\r\n"
          b"timeout= 7 minutes\r\n"
          b"; keep me\r\n"
          b"[environment]\r\n"
          b"RunAsService=9\r\n")


@pytest.fixture
def ini(tmp_path):
    f = tmp_path / "tmhub.ini"
    f.write_bytes(SAMPLE)
    return f


def test_get_reads_like_the_programs(ini):
    assert ok("ini", "get", ini, "ENVIRONMENT", "runasservice") == b"1\n"  # first section wins
    assert ok("ini", "get", ini, "popsrv", "port") == b"1110\n"  # quotes dropped
    assert ok("ini", "get", ini, "environment", "sep") == b"\xa9\n"
    assert ok("ini", "get", ini, "popsrv", "bind", "1") == b"1\n"
    assert ok("ini", "get", ini, "nosuch", "key", "") == b"\n"
    assert b"no key" in fails("ini", "get", ini, "popsrv", "bind")


def test_getint_converts_like_atoi(ini):
    assert ok("ini", "getint", ini, "popsrv", "timeout", "5") == b"7\n"
    assert ok("ini", "getint", ini, "popsrv", "missing", "-3") == b"-3\n"
    assert ok("ini", "getint", ini, "environment", "sep", "5") == b"0\n"
    fails("ini", "getint", ini, "popsrv", "timeout", "five")


def test_listing_in_file_order_each_name_once(ini):
    assert ok("ini", "sections", ini) == b"Environment\npopsrv\n"
    assert ok("ini", "keys", ini, "POPSRV") == b"port\ntimeout\n"
    fails("ini", "keys", ini, "nosuch")


def test_edits_keep_every_other_byte(ini):
    ok("ini", "set", ini, "popsrv", "PORT", "2110")
    ok("ini", "set", ini, "environment", "Sep", b"\xa3\xa9")
    ok("ini", "set", ini, "popsrv", "bind", "0")
    assert ini.read_bytes() == SAMPLE.replace(b'port="1110"', b"port=2110").replace(
        b"Sep=\xa9", b"Sep=\xa3\xa9").replace(b" 7 minutes\r\n", b" 7 minutes\r\nbind=0\r\n")
    assert ok("ini", "get", ini, "environment", "sep") == b"\xa3\xa9\n"

    ok("ini", "del", ini, "popsrv", "timeout")
    assert b"timeout" not in ini.read_bytes()
    ok("ini", "del", ini, "environment")  # every section of the name
    assert ok("ini", "sections", ini) == b"popsrv\n"
    assert ini.read_bytes().startswith(b"; server settings\r\n[popsrv]\r\n")


def test_set_creates_the_file_with_crlf(tmp_path):
    f = tmp_path / "new.ini"
    ok("ini", "set", f, "popsrv", "port", "110")
    ok("ini", "set", f, "USER0", "DIR", "ROOT")
    assert f.read_bytes() == b"[popsrv]\r\nport=110\r\n\r\n[USER0]\r\nDIR=ROOT\r\n"


def test_file_found_without_regard_to_case(tmp_path):
    (tmp_path / "TMHUB.INI").write_bytes(b"[popsrv]\r\nport=25\r\n")
    assert ok("ini", "get", tmp_path / "tmhub.ini", "popsrv", "port") == b"25\n"
    ok("ini", "set", tmp_path / "tmhub.ini", "popsrv", "port", "26")
    assert sorted(p.name for p in tmp_path.iterdir()) == ["TMHUB.INI"]
    assert (tmp_path / "TMHUB.INI").read_bytes() == b"[popsrv]\r\nport=26\r\n"


def test_bad_settings_input_is_refused_and_changes_nothing(ini, tmp_path):
    missing = tmp_path / "missing.ini"
    for args in (("sections", missing), ("keys", missing, "s"), ("del", missing, "s"),
                 ("get", missing, "s", "k")):
        fails("ini", *args)
    assert ok("ini", "get", missing, "s", "k", "dflt") == b"dflt\n"  # a default serves
    assert not missing.exists()

    for args in (("get", tmp_path, "s", "k", "d"), ("set", tmp_path, "s", "k", "v"),
                 ("sections", tmp_path)):
        assert b"not a regular file" in fails("ini", *args)

    fails("ini", "set", tmp_path / "no" / "dir.ini", "s", "k", "v")
    fails("ini", "set", ini, "popsrv", "port", "1\r\n[evil]")
    fails("ini", "set", ini, "pop]srv", "port", "1")
    fails("ini", "set", ini, "popsrv", "po=rt", "1")
    fails("ini", "set", ini, "popsrv", "port")  # usage
    fails("ini", "frobnicate", ini)
    assert ini.read_bytes() == SAMPLE
    assert sorted(p.name for p in tmp_path.iterdir()) == ["tmhub.ini"]


def test_unwritable_directory_keeps_the_file(tmp_path):
    d = unwritable_dir(tmp_path)
    if d is None:
        assert b"/sys/kernel/tmhub.ini" in fails("ini", "set", "/sys/kernel/tmhub.ini", "s", "k", "v")
        return
    before = (d / "tmhub.ini").read_bytes()
    fails("ini", "set", d / "tmhub.ini", "popsrv", "port", "1")
    assert (d / "tmhub.ini").read_bytes() == before
    assert ok("ini", "get", d / "tmhub.ini", "popsrv", "port") == b"110\n"
    assert names(d) == ["ANNA", "tmhub.ini"]


# --- scramble ----------------------------------------------------------------

def test_scramble_round_trips_and_keeps_length():
    for key, text in (("ANNA", "anna-secret"), ("ROOT", "!~ pass word~!"), ("X1", "aaaaaaaaa")):
        stored = ok("scramble", key, text)[:-1]
        assert len(stored) == len(text)
        assert ok("unscramble", key, stored) == text.encode() + b"\n"
    stored = ok("scramble", "ROOT", "aaaaaaaaa")[:-1]
    assert stored[0] == stored[8]  # period eight
    assert ok("scramble", "ROOT", b"\xa3 x")[:2] == b"\xa3 "  # outside the alphabet: kept
    fails("scramble", "ROOT")


# --- deliver -----------------------------------------------------------------

@pytest.fixture
def server(tmp_path):
    (tmp_path / "ANNA").mkdir()
    return tmp_path


def names(folder):
    return sorted(p.name for p in folder.iterdir())


def test_deliver_from_standard_input_with_envelope(server):
    out = ok("deliver", server, "anna", "--from", "root@example.com", "--to", "<anna@example.com>",
             "--to", "bob@example.org", stdin=b"Subject: hi\n\nline\r\n\xa9 bytes\nlast")
    name = out.decode().strip()
    assert re.fullmatch(r"[0-9a-f]{8}\.txt", name)
    box = server / "ANNA"
    assert names(box) == sorted([name, name[:-3] + "env"])
    assert (box / name).read_bytes() == b"Subject: hi\r\n\r\nline\r\n\xa9 bytes\r\nlast\r\n"
    assert (box / (name[:-3] + "env")).read_bytes() == (
        b"MAIL FROM: <root@example.com>\r\nRCPT TO: <anna@example.com>\r\n"
        b"RCPT TO: <bob@example.org>\r\n")


def test_deliver_from_file_never_reuses_a_name(server, tmp_path):
    msg = tmp_path / "msg"
    msg.write_bytes(b"x\n")
    first = ok("deliver", server, "ANNA", msg).decode().strip()
    (server / "ANNA" / first.upper()).write_bytes(b"other")  # same name, other case
    (server / "ANNA" / first).unlink()
    delivered = {ok("deliver", server, "ANNA", msg).decode().strip() for _ in range(5)}
    assert len(delivered) == 5 and first not in delivered
    assert all(n.endswith(".txt") for n in delivered)
    assert not any(n.endswith(".env") for n in names(server / "ANNA"))  # no envelope asked for


def test_deliver_refuses_bad_input_and_leaves_nothing(server, tmp_path):
    msg = tmp_path / "msg"
    msg.write_bytes(b"x\n")
    (tmp_path / "empty").write_bytes(b"")
    for box in ("../ANNA", "ANNA/x", "a\\b", "..", ".", "", b"AN\x01NA"):
        assert b"not a plain mailbox name" in fails("deliver", server, box, msg)
    assert b"no mailbox folder" in fails("deliver", server, "BOB", msg)
    assert b"no mailbox folder" in fails("deliver", server, "msg", msg)  # a file, not a folder
    fails("deliver", server, "ANNA", tmp_path / "nothing")
    assert b"directory" in fails("deliver", server, "ANNA", tmp_path)
    assert b"empty message" in fails("deliver", server, "ANNA", tmp_path / "empty")
    assert b"empty message" in fails("deliver", server, "ANNA", stdin=b"")
    fails("deliver", server, "ANNA", "--from", "a@x\r\nRCPT TO: <evil>", msg)
    fails("deliver", server, "ANNA", "--to", msg)  # the file taken as the address: no file left
    fails("deliver", server, "ANNA", "--bcc", "x", msg)
    fails("deliver", server)
    assert names(server / "ANNA") == []


def test_deliver_into_unwritable_folder_fails(tmp_path):
    d = unwritable_dir(tmp_path)
    (tmp_path / "msg").write_bytes(b"x\n")
    if d is None:
        fails("deliver", "/sys", "kernel", tmp_path / "msg")
        return
    fails("deliver", d, "ANNA", tmp_path / "msg")
    assert names(d / "ANNA") == []


def test_demo_server_script(tmp_path):
    if BUILD != REPO / "build":
        pytest.skip("the demo script uses the build in the repository")
    demo = tmp_path / "demo"
    subprocess.run(["bash", str(REPO / "scripts" / "make-demo-server.sh"), str(demo)],
                   check=True, timeout=60, capture_output=True)
    pw = ok("ini", "get", demo / "tmhub.ini", "USER1", "pw")[:-1]
    assert ok("unscramble", "ANNA", pw) == b"anna-secret\n"
    messages = [n for n in names(demo / "ANNA") if n.endswith(".txt")]
    assert len(messages) == 2
    # TLS is on, with a certificate that the key belongs to.
    assert ok("ini", "get", demo / "tmhub.ini", "popsrv", "ModernClients") == b"1\n"
    cert, key = demo / "demo-cert.pem", demo / "demo-key.pem"
    assert oct(key.stat().st_mode & 0o777) == "0o600"
    public = [subprocess.run(["openssl", kind, "-in", str(f), "-pubkey", "-noout"] if kind == "x509" else
                             ["openssl", kind, "-in", str(f), "-pubout"],
                             check=True, capture_output=True).stdout for kind, f in (("x509", cert), ("pkey", key))]
    assert public[0] == public[1]


def test_file_size_limit_fails_the_write_and_keeps_the_file(tmp_path):
    """Under a file-size limit the write fails with an error; the limit's
    signal does not end tmctl, and nothing is left beside the file."""
    ini = tmp_path / "tmhub.ini"
    ini.write_bytes(b"[popsrv]\r\nport=110\r\n")
    p = subprocess.run(["prlimit", "--fsize=4096", str(TMCTL), "ini", "set", str(ini), "popsrv", "big", "x" * 10000],
                       capture_output=True, timeout=30)
    assert p.returncode > 0, (p.returncode, p.stderr)  # an error, not the signal
    assert p.stderr.startswith(b"tmctl: ")
    assert ini.read_bytes() == b"[popsrv]\r\nport=110\r\n"
    assert names(tmp_path) == ["tmhub.ini"]


@pytest.mark.skipif(os.geteuid() != 0, reason="needs another user to take the shared name first")
def test_shared_desktop_name_taken_by_another_user_is_passed_over():
    """With neither TELLMAR_DESKTOP nor XDG_RUNTIME_DIR, the fallback name in
    /tmp may have been made by someone else: tmctl says so and meets the
    user's programs in a directory under the home directory instead."""
    import pwd
    import shutil
    import tempfile
    nobody = pwd.getpwnam("nobody")
    taken = Path("/tmp/tellmar-desktop-%d" % nobody.pw_uid)
    if os.path.lexists(taken):
        pytest.skip("the shared name is in use on this machine")
    home = Path(tempfile.mkdtemp(prefix="tellmar-home-"))
    os.chown(home, nobody.pw_uid, nobody.pw_gid)
    taken.mkdir(mode=0o777)  # root's, and open to all
    try:
        def drop():
            os.setgid(nobody.pw_gid)
            os.setuid(nobody.pw_uid)
        env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": str(home)}
        p = subprocess.run([str(TMCTL), "windows"], env=env, preexec_fn=drop, capture_output=True, timeout=30)
        assert p.returncode == 0, p.stderr
        assert str(taken).encode() in p.stderr and b"belongs to another user" in p.stderr
        fallback = home / ".cache" / "tellmar-desktop"
        assert fallback.is_dir() and fallback.stat().st_uid == nobody.pw_uid
        assert fallback.stat().st_mode & 0o777 == 0o700
        assert list(taken.iterdir()) == [], "nothing was put into the other user's directory"
    finally:
        shutil.rmtree(taken, ignore_errors=True)
        shutil.rmtree(home, ignore_errors=True)
