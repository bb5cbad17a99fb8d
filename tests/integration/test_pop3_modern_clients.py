"""cvpopd32 with ModernClients=1 against today's mail programs: fetchmail and
mpop as they come (STLS, certificate verified against a certificate made by
the test), curl over STLS and POP3S, poplib's stls(), capa() and uidl().
"Leave mail on the server" fetches each message once over three polls.
"""
import os
import poplib
import ssl
import subprocess

import pytest

from pop3_harness import CVPOPD32, Server, ServerDir

pytestmark = pytest.mark.skipif(not CVPOPD32.exists(), reason="cvpopd32 is not built")

MESSAGES = {
    "00000001.txt": b"From: a@example.com\r\nSubject: one\r\nMessage-ID: <1@example.com>\r\n\r\nfirst\r\n.dot\r\n",
    "00000002.txt": b"From: b@example.com\nSubject: two\nMessage-ID: <2@example.com>\n\nsecond\n",
    "00000003.txt": b"From: c@example.com\r\nSubject: three\r\nMessage-ID: <3@example.com>\r\n\r\nthird",
}


@pytest.fixture
def mailbox(tmp_path):
    sd = ServerDir(tmp_path)
    sd.add_mailbox("Anna Example", "ANNA", "S3cret!pw", MESSAGES)
    sd.certificate = sd.modern()
    return sd


def trusting(cert):
    """Verifies the server against the test's certificate alone."""
    return ssl.create_default_context(cafile=str(cert))


def subjects(mbox):
    data = mbox.read_bytes() if mbox.exists() else b""
    return sorted(line for line in data.splitlines() if line.startswith(b"Subject: "))


def test_poplib_stls_capa_uidl_and_the_rfc_ending(mailbox):
    with Server(mailbox) as srv:
        pop = poplib.POP3("localhost", srv.port, timeout=20)
        caps = pop.capa()
        assert set(caps) == {"TOP", "UIDL", "USER", "STLS", "RESP-CODES", "AUTH-RESP-CODE"}
        pop.stls(trusting(mailbox.certificate))
        assert "SASL" in pop.capa() and "STLS" not in pop.capa()
        pop.user("anna")
        pop.pass_("S3cret!pw")
        _, listing, _ = pop.uidl()
        ids = dict(line.split() for line in listing)
        assert len(set(ids.values())) == 3
        assert pop.uidl(2).split()[2] == ids[b"2"]
        _, sizes, _ = pop.list()
        for line in sizes:
            n, size = (int(x) for x in line.split())
            pop._putcmd("RETR %d" % n)
            assert pop._getline()[0].startswith(b"+OK")
            raw = bytearray()
            while True:
                line, _ = pop._getline()
                if line == b".":
                    break
                raw += line[1:] + b"\r\n" if line.startswith(b"..") else line + b"\r\n"
            stored = [d for d in MESSAGES.values() if d.replace(b"\r\n", b"\n").split(b"\n")[0] in raw][0]
            if stored.endswith(b"\r\n"):
                # The octets before the terminator are the message's own, as LIST says.
                assert len(raw) == size == len(stored)
        pop.quit()

        # The IDs are the same in the next session over POP3S, and after a restart.
        ssl_pop = poplib.POP3_SSL("localhost", srv.secure_port, context=trusting(mailbox.certificate),
                                  timeout=20)
        ssl_pop.user("anna")
        ssl_pop.pass_("S3cret!pw")
        assert dict(line.split() for line in ssl_pop.uidl()[1]) == ids
        ssl_pop.quit()
    with Server(mailbox) as srv:
        pop = poplib.POP3_SSL("localhost", srv.secure_port, context=trusting(mailbox.certificate), timeout=20)
        pop.user("anna")
        pop.pass_("S3cret!pw")
        assert dict(line.split() for line in pop.uidl()[1]) == ids
        pop.quit()


def test_a_client_that_does_not_trust_the_certificate_is_refused_by_itself(mailbox):
    with Server(mailbox) as srv:
        pop = poplib.POP3("localhost", srv.port, timeout=20)
        with pytest.raises(ssl.SSLCertVerificationError):
            pop.stls(ssl.create_default_context())
        srv.wait_log("TLS handshake failed")
        # The server goes on serving.
        other = poplib.POP3_SSL("localhost", srv.secure_port, context=trusting(mailbox.certificate),
                                timeout=20)
        other.user("anna")
        other.pass_("S3cret!pw")
        assert other.stat()[0] == 3
        other.quit()


def run_fetchmail(mailbox, home, port, mbox):
    rc = home / "fetchmailrc"
    # No "sslproto ''" and no "sslcertck off": fetchmail's defaults (STLS
    # when offered, the certificate checked), trusting the test's certificate.
    rc.write_text('poll localhost service %d protocol pop3 user "anna" password "S3cret!pw" keep '
                  'sslcertfile "%s" mda "cat >> %s"\n' % (port, mailbox.certificate, mbox))
    os.chmod(rc, 0o600)
    env = dict(os.environ, HOME=str(home), FETCHMAILHOME=str(home))
    return subprocess.run(["fetchmail", "-f", str(rc), "--nodetach", "-d0"], env=env, timeout=60,
                          capture_output=True)


def test_fetchmail_as_it_comes_verifies_and_keeps_fetching_each_message_once(mailbox, tmp_path_factory):
    home = tmp_path_factory.mktemp("fetchmail")
    mbox = home / "mbox"
    with Server(mailbox) as srv:
        for poll in range(3):
            done = run_fetchmail(mailbox, home, srv.port, mbox)
            # Exit code 1: no new mail, after the first poll.
            assert done.returncode == (0 if poll == 0 else 1), done.stderr
    assert subjects(mbox) == [b"Subject: one", b"Subject: three", b"Subject: two"]
    assert len(mailbox.files("ANNA")) == 6


def test_mpop_as_it_comes_verifies_and_keeps_fetching_each_message_once(mailbox, tmp_path_factory):
    home = tmp_path_factory.mktemp("mpop")
    mbox = home / "mbox"
    with Server(mailbox) as srv:
        for _ in range(3):
            done = subprocess.run(
                ["mpop", "--host=localhost", "--port=%d" % srv.port, "--user=anna",
                 "--passwordeval=echo 'S3cret!pw'", "--tls=on", "--tls-starttls=on",
                 "--tls-trust-file=%s" % mailbox.certificate, "--keep=on",
                 "--delivery=mbox,%s" % mbox, "--uidls-file=%s" % (home / "uidls")],
                env=dict(os.environ, HOME=str(home)), timeout=60, capture_output=True)
            assert done.returncode == 0, done.stderr
        srv.wait_log("Pop Server: 127.0.0.1 disconnected")
    assert subjects(mbox) == [b"Subject: one", b"Subject: three", b"Subject: two"]
    assert len(mailbox.files("ANNA")) == 6


def test_curl_over_stls_and_pop3s(mailbox):
    with Server(mailbox) as srv:
        common = ["curl", "-sS", "--max-time", "20", "--cacert", str(mailbox.certificate),
                  "--user", "anna:S3cret!pw"]
        stls = subprocess.run(common + ["--ssl-reqd", "pop3://localhost:%d/" % srv.port],
                              capture_output=True, check=True, timeout=30).stdout
        assert [line.split()[0] for line in stls.splitlines()] == [b"1", b"2", b"3"]
        uidl = subprocess.run(common + ["--ssl-reqd", "-X", "UIDL", "pop3://localhost:%d/" % srv.port],
                              capture_output=True, check=True, timeout=30).stdout
        assert len(uidl.splitlines()) == 3
        message = subprocess.run(common + ["pop3s://localhost:%d/1" % srv.secure_port],
                                 capture_output=True, check=True, timeout=30).stdout
        assert message == MESSAGES["00000001.txt"]


def test_failed_logins_are_logged_and_slowed_down_not_locked_out(mailbox):
    import time
    with Server(mailbox) as srv:
        for _ in range(3):
            pop = poplib.POP3("127.0.0.1", srv.port, timeout=20)
            pop.user("anna")
            with pytest.raises(poplib.error_proto, match=r"\[AUTH\] invalid password"):
                pop.pass_("guess")
            pop.close()
        assert srv.count("Pop Server: Login failed for anna from 127.0.0.1") == 3
        pop = poplib.POP3("127.0.0.1", srv.port, timeout=20)
        started = time.monotonic()
        pop.user("anna")
        pop.pass_("S3cret!pw")
        assert time.monotonic() - started >= 0.9  # held back, yet let in
        assert pop.stat()[0] == 3
        pop.quit()


def test_with_the_switch_off_nothing_new_is_offered(tmp_path):
    sd = ServerDir(tmp_path)
    sd.add_user("Anna Example", "ANNA", "S3cret!pw")
    with Server(sd) as srv:
        pop = poplib.POP3("127.0.0.1", srv.port, timeout=20)
        for word in ("CAPA", "STLS", "UIDL"):
            with pytest.raises(poplib.error_proto, match="non-existant command"):
                pop._shortcmd(word)
        pop.quit()
        assert not srv.has("secure")
