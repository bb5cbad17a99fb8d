"""Mail from a real mail transfer agent: a private Postfix instance (its own
configuration and queue directories, a loopback port) hands mail to
`tmctl deliver` through a pipe transport, and the real cvpopd32 serves it to
poplib. Needs root (Postfix starts as root) and Debian's postfix."""
import os
import pathlib
import poplib
import pwd
import shutil
import smtplib
import subprocess
import tempfile

import pytest

from desk_tools import TMCTL, wait_for
from pop3_harness import CVPOPD32, Server, ServerDir, free_port

POSTFIX = shutil.which("postfix") or "/usr/sbin/postfix"
pytestmark = [
    pytest.mark.skipif(not CVPOPD32.exists() or not TMCTL.exists(), reason="not built"),
    pytest.mark.skipif(os.geteuid() != 0, reason="a Postfix instance starts as root"),
    pytest.mark.skipif(not os.path.exists(POSTFIX), reason="postfix is not installed"),
]

DOMAIN = "office.test"
# The user the pipe runs as: Postfix never runs a pipe as root.
PIPE_USER = "nobody"

SERVICES = """\
pickup    unix  n - n 60 1 pickup
cleanup   unix  n - n - 0 cleanup
qmgr      unix  n - n 300 1 qmgr
rewrite   unix  - - n - - trivial-rewrite
bounce    unix  - - n - 0 bounce
defer     unix  - - n - 0 bounce
trace     unix  - - n - 0 bounce
verify    unix  - - n - 1 verify
flush     unix  n - n 1000? 0 flush
proxymap  unix  - - n - - proxymap
showq     unix  n - n - - showq
error     unix  - - n - - error
retry     unix  - - n - - error
discard   unix  - - n - - discard
anvil     unix  - - n - 1 anvil
scache    unix  - - n - 1 scache
postlog   unix-dgram n - n - 1 postlogd
"""


class Postfix:
    """A Postfix instance of its own under `root`, delivering every local
    recipient through `tmctl deliver` into `store`."""

    def __init__(self, root, store):
        self.root = root
        self.etc, queue, data = root / "etc", root / "queue", root / "data"
        for d in (self.etc, queue, data):
            d.mkdir()
        shutil.chown(data, "postfix")
        self.log = root / "postfix.log"
        self.port = free_port()
        (self.etc / "main.cf").write_text(f"""\
compatibility_level = 3.6
queue_directory = {queue}
data_directory = {data}
maillog_file = {self.log}
maillog_file_prefixes = {root}
myhostname = mail.{DOMAIN}
mydomain = {DOMAIN}
myorigin = {DOMAIN}
mydestination = {DOMAIN}
inet_interfaces = 127.0.0.1
inet_protocols = ipv4
mynetworks = 127.0.0.0/8
alias_maps =
alias_database =
local_recipient_maps =
local_transport = tellmar
tellmar_destination_recipient_limit = 1
default_transport = error:this instance sends nothing out
relay_transport = error:this instance sends nothing out
smtputf8_enable = no
biff = no
minimal_backoff_time = 300s
""")
        (self.etc / "master.cf").write_text(
            f"127.0.0.1:{self.port} inet n - n - - smtpd\n" + SERVICES +
            "tellmar   unix  - n n - - pipe\n"
            f"  flags=DR user={PIPE_USER} argv={TMCTL} deliver {store} ${{user}}"
            " --from ${sender} --to ${original_recipient}\n")

    def postfix(self, *args):
        return subprocess.run([POSTFIX, "-c", str(self.etc), *args], capture_output=True, timeout=60)

    def start(self):
        r = self.postfix("start")
        assert r.returncode == 0, (r.stdout, r.stderr, self.logged())

    def stop(self):
        self.postfix("stop")

    def logged(self):
        return self.log.read_text(errors="replace") if self.log.exists() else ""

    def send(self, sender, recipients, message, options=()):
        with smtplib.SMTP("127.0.0.1", self.port, timeout=30) as smtp:
            return smtp.sendmail(sender, recipients, message, mail_options=list(options))

    def flush(self):
        subprocess.run(["postqueue", "-c", str(self.etc), "-f"], check=True, timeout=60)

    def queued(self):
        """The number of messages in the queue that wait for a retry."""
        deferred = self.root / "queue" / "deferred"
        return sum(1 for p in deferred.rglob("*") if p.is_file()) if deferred.exists() else 0


def messages(folder):
    return sorted(p for p in folder.iterdir() if p.suffix == ".txt")


def compose(subject, body):
    return (b"From: Sender <sender@" + DOMAIN.encode() + b">\r\n"
            b"To: someone@" + DOMAIN.encode() + b"\r\n"
            b"Date: Tue, 08 Dec 2026 10:00:00 +0000\r\n"
            b"Message-ID: <" + subject.encode() + b"@" + DOMAIN.encode() + b">\r\n"
            b"Subject: " + subject.encode() + b"\r\n"
            b"\r\n" + body)


def served_matches(served_lines, sent):
    """The message as served ends with the message as sent, byte for byte,
    after the header lines that Postfix puts in front (Return-Path,
    Delivered-To, Received and its continuation lines). The server ends a
    transfer with CR LF "." CR LF, so after a message that ends in a line
    break the client reads one empty line more."""
    sent_lines = sent.split(b"\r\n")
    prefix = served_lines[:len(served_lines) - len(sent_lines)]
    assert served_lines[len(prefix):] == sent_lines
    assert prefix and all(line[:1] in (b" ", b"\t") or
                          line.split(b":")[0] in (b"Return-Path", b"Delivered-To", b"Received")
                          for line in prefix), prefix


@pytest.fixture
def office():
    # Postfix's own processes and the pipe's user must reach the directories,
    # so they live outside the test's private temporary tree.
    root = pathlib.Path(tempfile.mkdtemp(prefix="tellmar-postfix-"))
    root.chmod(0o755)
    store = root / "store"
    store.mkdir()
    sd = ServerDir(store)
    sd.add_user("Anna", "ANNA", "anna-pw")
    sd.add_user("Boris", "BORIS", "boris-pw")
    sd.add_user("Fiona", "FULL", "full-pw")
    owner = pwd.getpwnam(PIPE_USER)
    for folder in store.iterdir():
        os.chown(folder, owner.pw_uid, owner.pw_gid)
    mta = Postfix(root, store)
    mta.start()
    mounted = []
    try:
        yield sd, mta, mounted
    finally:
        mta.stop()
        for path in mounted:
            subprocess.run(["umount", str(path)])
        shutil.rmtree(root, ignore_errors=True)


def test_mail_from_postfix_is_served_byte_for_byte_and_unknown_bounces(office):
    sd, mta, _ = office
    to_anna = compose("for-anna", b"Hello Anna,\r\n.a line that starts with a dot\r\n\r\n"
                      b"8-bit: \xa9 \xa3\r\n" + b"long " * 300 + b"\r\nBye.\r\n")
    to_boris = compose("for-boris", b"Lunch at noon?\r\n")
    refused = mta.send(f"root@{DOMAIN}", [f"anna@{DOMAIN}"], to_anna, ["BODY=8BITMIME"])
    assert refused == {}
    mta.send(f"root@{DOMAIN}", [f"Boris@{DOMAIN}", f"nobody-here@{DOMAIN}"], to_boris)

    # Postfix bounces the unknown recipient; the notice goes back to the
    # sender, root, whose mailbox is the store's ROOT folder.
    wait_for(lambda: messages(sd.path / "ANNA") and messages(sd.path / "BORIS") and
             messages(sd.path / "ROOT"), 60, "the deliveries and the bounce")
    bounce = messages(sd.path / "ROOT")[0].read_bytes()
    assert b"nobody-here@" + DOMAIN.encode() in bounce
    # Postfix's processes hand their log lines to its log daemon, which may
    # write them after the mail it speaks of has arrived.
    wait_for(lambda: "status=bounced" in mta.logged(), 60, "the bounce in the log")
    bounced = [line for line in mta.logged().splitlines() if "status=bounced" in line]
    assert len(bounced) == 1 and "to=<nobody-here@" in bounced[0], bounced
    assert "user unknown" in bounced[0] and "no mailbox folder 'nobody-here'" in bounced[0]
    envelope = messages(sd.path / "ANNA")[0].with_suffix(".env").read_bytes()
    assert envelope == f"MAIL FROM: <root@{DOMAIN}>\r\nRCPT TO: <anna@{DOMAIN}>\r\n".encode()

    with Server(sd) as srv:
        for user, password, sent in (("anna", "anna-pw", to_anna), ("boris", "boris-pw", to_boris)):
            pop = poplib.POP3("127.0.0.1", srv.port, timeout=30)
            pop.user(user)
            pop.pass_(password)
            assert pop.stat()[0] == 1
            served_matches(pop.retr(1)[1], sent)
            pop.quit()
        assert srv.stop() == 0


def test_full_disk_defers_and_delivers_once_there_is_room(office):
    sd, mta, mounted = office
    box = sd.path / "FULL"
    if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=64k,mode=0777", "tellmar-full", str(box)]).returncode:
        pytest.skip("cannot mount a small file system here")
    mounted.append(box)
    (box / "filler").write_bytes(b"\0" * 60000)
    message = compose("when-there-is-room", (b"x" * 70 + b"\r\n") * 430)
    mta.send(f"root@{DOMAIN}", [f"full@{DOMAIN}"], message)

    wait_for(lambda: "status=deferred" in mta.logged(), 60, "the deferral")
    # The queue manager moves the message to the deferred queue after the
    # pipe has reported.
    wait_for(lambda: mta.queued() >= 1, 60, "the message in the deferred queue")
    assert messages(box) == [] and sorted(p.name for p in box.iterdir()) == ["filler"]
    assert messages(sd.path / "ROOT") == []  # no bounce

    (box / "filler").unlink()
    mta.flush()
    wait_for(lambda: messages(box), 60, "the delivery after the flush")
    with Server(sd) as srv:
        pop = poplib.POP3("127.0.0.1", srv.port, timeout=30)
        pop.user("full")
        pop.pass_("full-pw")
        served_matches(pop.retr(1)[1], message)
        pop.quit()
        assert srv.stop() == 0
