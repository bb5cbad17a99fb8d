"""RiziDori key phrases as the main server uses them: phrases stored with
message 1936, messages scanned with 1925 (slot B: the file; result 1 and the
phrase as found in slot B on a match)."""
import pytest

from admin_harness import support_module

SCAN, STORE = 1925, 1936


@pytest.fixture
def desk(tmp_path):
    with support_module(tmp_path, b"[Parser]\r\nenabled=1\r\n") as d:
        yield d


def store(desk, number, phrase):
    return desk.call(STORE, {"B": phrase}, wparam=number)[0]


def scan(desk, path, timeout=30):
    result, slots = desk.call(SCAN, {"B": str(path)}, timeout=timeout)
    return result, slots["B"]


def message(desk, name, data):
    path = desk.server / name
    path.write_bytes(data)
    return path


def test_the_examples_match_and_answer_the_phrase_as_found(desk):
    assert store(desk, 0, "free money") == 1
    assert store(desk, 1, "hot stocks") == 1
    assert scan(desk, message(desk, "a.txt", b"Subject: x\r\n\r\nFREE-money now\r\n")) == (1, "FREE money")
    assert scan(desk, message(desk, "b.txt", b"free free money\r\n")) == (1, "free money")
    assert scan(desk, message(desk, "c.txt", b"Hot\r\nSTOCKS!\r\n")) == (1, "Hot STOCKS")
    assert scan(desk, message(desk, "d.txt", b"nothing to see\r\n"))[0] == 0
    # Disabled: nothing is found.
    desk.tmctl("ini", "set", str(desk.server / "tmhub.ini"), "Parser", "enabled", "0")
    assert scan(desk, desk.server / "a.txt")[0] == 0


def test_refused_phrases_and_cut_paths(desk):
    assert store(desk, 0, "w" * 256) == 0, "a word that could never match"
    assert store(desk, 0, "x " * 140) == 0, "longer than a slot read keeps"
    assert store(desk, 14, "fine") == 0, "only 14 phrases"
    assert store(desk, 0, "needle") == 1
    deep = desk.server / ("d" * 200) / ("e" * 200)
    deep.mkdir(parents=True)
    long_path = message(desk, str(deep / ("f" * 120)), b"needle\r\n")
    assert len(str(long_path)) > 511
    assert scan(desk, long_path)[0] == 0, "a path the read would cut is never scanned"


def test_hostile_messages_give_no_crash_no_hang_and_the_right_answer_after(desk):
    assert store(desk, 0, "golden ticket") == 1
    hostile = [
        message(desk, "line.txt", b"x" * (8 * 1024 * 1024) + b"\r\n"),
        message(desk, "binary.bin", bytes(range(256)) * 4096),
        message(desk, "words.txt", b"golden " * 300_000),
        desk.server / "missing.txt",
        desk.server,
    ]
    for path in hostile:
        assert scan(desk, path, timeout=60)[0] == 0, path
    split = message(desk, "split.txt", b" " * 8189 + b"golden ticket\r\n")
    assert scan(desk, split) == (1, "golden ticket"), "a word across the 8191st byte"
    assert scan(desk, message(desk, "late.txt", b"golden " * 300_000 + b"ticket")) == (1, "golden ticket")
