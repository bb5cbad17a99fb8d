"""What the POP3 benchmarks share: the generated messages, the two servers
(cvpopd32 in a server directory of its own, Dovecot in a private
configuration on loopback, both on the same mailboxes), the accounting of
their CPU time and memory, and a small Python client that logs in and reads
a RETR to its end over a plain or a TLS socket.
"""
import os
import pathlib
import shutil
import signal
import socket
import subprocess
import sys
import time

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent / "tests" / "integration"))
from pop3_harness import CVPOPD32, ServerDir, free_port, wait_for  # noqa: E402

QUICK = os.environ.get("TELLMAR_BENCH_QUICK") == "1"
MESSAGES = 10        # per mailbox
ROUND_SECONDS = 1.0 if QUICK else 2.0
PASSWORD = "Bench-pw1"


def small_message(i):
    return (b"From: sender@example.com\nTo: user@example.com\nSubject: message %d\n\n" % i
            + b"A line of text for the benchmark.\n" * 40)


def big_message(size, line_end=b"\r\n"):
    line = b"0123456789abcdefghijklmnopqrstuvwxyz0123456789abcdefghijklmnopqrstuvwxyz" + line_end
    head = b"From: sender@example.com" + line_end + b"Subject: big" + line_end + line_end
    return head + line * ((size - len(head)) // len(line))


def pss_kib(pids):
    total = 0
    for pid in pids:
        try:
            with open("/proc/%d/smaps_rollup" % pid) as f:
                for line in f:
                    if line.startswith("Pss:"):
                        total += int(line.split()[1])
        except OSError:
            pass
    return total


def cpu_seconds(pids):
    """User and system time of the processes and of their reaped children."""
    total = 0
    for pid in pids:
        try:
            with open("/proc/%d/stat" % pid) as f:
                fields = f.read().rsplit(")", 1)[1].split()
            total += sum(int(x) for x in fields[11:15])
        except OSError:
            pass
    return total / os.sysconf("SC_CLK_TCK")


def process_tree(root):
    """The pid and every descendant of it."""
    children = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open("/proc/%s/stat" % entry) as f:
                    parent = int(f.read().rsplit(")", 1)[1].split()[1])
                children.setdefault(parent, []).append(int(entry))
            except OSError:
                pass
    out, todo = [], [root]
    while todo:
        pid = todo.pop()
        out.append(pid)
        todo += children.get(pid, [])
    return out


class Ours:
    name = "cvpopd32"

    def __init__(self, root, users, extra_records=0):
        (root / "tellmar").mkdir(parents=True, exist_ok=True)
        self.sd = ServerDir(root / "tellmar")
        self.root = root
        self.sd.settings["popsrv"]["timeout"] = "0"
        self.sd.settings["popsrv"]["MaxPerAddress"] = "0"  # every client comes from loopback
        for u in users:
            folder = self.sd.add_user(u, u.upper(), PASSWORD)
            for i in range(MESSAGES):
                (folder / ("%08x.txt" % i)).write_bytes(small_message(i))
        for i in range(extra_records):
            self.sd.users.append(("Extra %d" % i, "X%05d" % i, PASSWORD, True))
        self.port = free_port()
        self.sd.settings["popsrv"]["port"] = str(self.port)
        self.sd.write_settings()

    def add_mailbox(self, user, files):
        """A user whose folder holds `files` (paths, hard linked in order)."""
        folder = self.sd.add_user(user, user.upper(), PASSWORD)
        for i, f in enumerate(files):
            os.link(f, folder / ("%08x.txt" % i))

    def start(self):
        self.proc = subprocess.Popen([str(CVPOPD32)], cwd=self.sd.path,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_for(lambda: can_connect(self.port), 10, "cvpopd32")

    def pids(self):
        return [self.proc.pid]

    def stop(self):
        self.proc.send_signal(signal.SIGTERM)
        self.proc.wait(20)


class Dovecot:
    name = "Dovecot"

    def __init__(self, root, users):
        self.dir = root / "dovecot"
        for sub in ("run", "state", "mail"):
            (self.dir / sub).mkdir(parents=True, exist_ok=True)
        self.port = free_port()
        passwd = []
        for u in users:
            passwd.append("%s:{PLAIN}%s:65534:65534::%s/mail/%s::" % (u, PASSWORD, self.dir, u))
            new = self.dir / "mail" / u / "Maildir" / "new"
            new.mkdir(parents=True)
            for d in ("cur", "tmp"):
                (new.parent / d).mkdir()
            for i in range(MESSAGES):
                (new / ("%d.M%dP1.bench" % (1700000000 + i, i))).write_bytes(small_message(i))
        (self.dir / "passwd").write_text("\n".join(passwd) + "\n")
        (self.dir / "dovecot.conf").write_text("""
base_dir = {d}/run
state_dir = {d}/state
log_path = {d}/dovecot.log
protocols = pop3
listen = 127.0.0.1
ssl = no
disable_plaintext_auth = no
auth_mechanisms = plain
mail_location = maildir:~/Maildir
first_valid_uid = 1
default_process_limit = 20000
default_client_limit = 15000
default_vsz_limit = 0
passdb {{
  driver = passwd-file
  args = {d}/passwd
}}
userdb {{
  driver = passwd-file
  args = {d}/passwd
}}
service pop3-login {{
  inet_listener pop3 {{
    port = {port}
  }}
  service_count = 0
  process_min_avail = 2
  process_limit = 4
}}
service anvil {{
  client_limit = 15000
}}
# Tuned: POP3 processes are kept and reused rather than started for every
# session (all users here share one UID, which reuse needs).
service pop3 {{
  service_count = 0
  process_min_avail = 4
}}
auth_cache_size = 10M
""".format(d=self.dir, port=self.port))
        shutil.chown(self.dir / "mail", 65534, 65534)
        for root_, dirs, files in os.walk(self.dir / "mail"):
            for n in dirs + files:
                os.chown(os.path.join(root_, n), 65534, 65534)

    def add_mailbox(self, user, files):
        home = self.dir / "mail" / user
        for d in ("new", "cur", "tmp"):
            (home / "Maildir" / d).mkdir(parents=True, exist_ok=True)
        for i, f in enumerate(files):
            os.link(f, home / "Maildir" / "cur" / ("%d.M%dP1.bench:2," % (1700000000 + i, i)))
        for r, ds, fs in os.walk(home):
            os.chown(r, 65534, 65534)
        with open(self.dir / "passwd", "a") as f:
            f.write("%s:{PLAIN}%s:65534:65534::%s::\n" % (user, PASSWORD, home))

    def start(self):
        subprocess.run(["dovecot", "-c", str(self.dir / "dovecot.conf")], check=True,
                       stderr=subprocess.DEVNULL)
        wait_for(lambda: can_connect(self.port), 20, "dovecot")
        pid_file = self.dir / "run" / "master.pid"
        wait_for(lambda: pid_file.exists() and pid_file.read_text().strip(), 20, "dovecot's pid")
        self.master = int(pid_file.read_text())

    def pids(self):
        return process_tree(self.master)

    def stop(self):
        subprocess.run(["dovecot", "-c", str(self.dir / "dovecot.conf"), "stop"], check=False,
                       stderr=subprocess.DEVNULL)
        wait_for(lambda: not can_connect(self.port), 20, "dovecot to stop")


def can_connect(port):
    try:
        socket.create_connection(("127.0.0.1", port), timeout=1).close()
        return True
    except OSError:
        return False


def open_session(sock, user):
    """Reads the greeting and logs `user` in; returns the socket's reader."""
    reader = sock.makefile("rb")
    reader.readline()
    for cmd in ("USER " + user, "PASS " + PASSWORD):
        sock.sendall(cmd.encode() + b"\r\n")
        reply = reader.readline()
        if not reply.startswith(b"+OK"):
            raise RuntimeError("%s: %r" % (cmd.split()[0], reply))
    return reader


def retr_largest(sock, reader):
    """RETR of the mailbox's largest message, read to its final line, in a
    logged-in session; (seconds, bytes). The servers list in different
    orders: the message is found by its size."""
    sock.sendall(b"LIST\r\n")
    reader.readline()
    sizes = {}
    while True:
        line = reader.readline()
        if line == b".\r\n":
            break
        n, size = line.split()
        sizes[int(n)] = int(size)
    start = time.monotonic()
    sock.sendall(b"RETR %d\r\n" % max(sizes, key=sizes.get))
    reader.readline()
    total = 0
    tail = b""
    while True:
        chunk = reader.read1(1 << 20)
        if not chunk:
            raise RuntimeError("the server closed the connection during RETR")
        total += len(chunk)
        tail = (tail + chunk)[-5:]
        if tail == b"\r\n.\r\n":
            break
    return time.monotonic() - start, total
