"""Who a mailbox opens for, in which order its messages are numbered, and
what the log says about the address the server listens on."""
import poplib
import re

import pytest

from pop3_harness import CVPOPD32, Server, ServerDir

pytestmark = pytest.mark.skipif(not CVPOPD32.exists(), reason="cvpopd32 is not built")


def test_a_cut_mailbox_id_never_opens_a_mailbox_without_its_password(tmp_path):
    """The user check reads a mailbox ID cut to 30 characters, the password
    look-up reads it whole: a client giving the first 30 characters of a
    longer ID must not reach a folder of that name on USER alone."""
    sd = ServerDir(tmp_path)
    long_id = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
    sd.add_user("Long Name", long_id, "secret")
    cut = long_id[:30]
    sd.add_user("Bob", "BOB", None)  # a mailbox without a password still opens on USER
    sd.message("BOB", "00000001.txt", b"Subject: bob\r\n\r\nhi\r\n")
    (tmp_path / cut).mkdir()
    sd.message(cut, "00000001.txt", b"Subject: private\r\n\r\nnot for you\r\n")
    with Server(sd) as srv:
        pop = poplib.POP3("127.0.0.1", srv.port, timeout=20)
        with pytest.raises(poplib.error_proto) as refused:
            pop.user(cut.lower())
        assert refused.value.args[0] == b"-ERR user doesn't get mail here"
        with pytest.raises(poplib.error_proto):
            pop.stat()  # nothing was opened
        assert pop.user("bob").startswith(b"+OK")
        assert pop.stat()[0] == 1
        pop.quit()


def test_messages_are_numbered_by_name_without_regard_to_case(tmp_path):
    sd = ServerDir(tmp_path)
    sd.add_user("Anna", "ANNA", "pw")
    names = ["%08x.txt" % (0x5a000000 + i * 7919) for i in range(40)]
    names[5] = names[5].upper()  # written by another program: "....TXT"
    for i, name in enumerate(names):
        sd.message("ANNA", name, b"Subject: delivery %d\r\n\r\nbody\r\n" % i)
    with Server(sd) as srv:
        pop = poplib.POP3("127.0.0.1", srv.port, timeout=20)
        pop.user("anna")
        pop.pass_("pw")
        subjects = []
        for n in range(1, len(names) + 1):
            lines = pop.top(n, 0)[1]
            subjects.append(lines[0].decode())
        pop.quit()
    assert subjects == ["Subject: delivery %d" % i for i in range(len(names))]


def test_bind_one_logs_the_address_it_listens_on(tmp_path):
    sd = ServerDir(tmp_path)
    sd.settings["popsrv"]["bind"] = "1"
    with Server(sd) as srv:
        srv.wait_log("Listening only on address")
        log = srv.log()
        waiting = next(i for i, line in enumerate(log) if "Waiting for connection" in line)
        assert re.fullmatch(r"Pop Server: Listening only on address \d+\.\d+\.\d+\.\d+", log[waiting + 1])
