"""cvpopd32 against Dovecot's POP3 server, on the same generated mailboxes
in the same run, alternating; prints a table of ratios.

Run through bench/run-pop3.sh (it installs dovecot-pop3d and builds).
"""
import asyncio
import os
import pathlib
import resource
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent / "tests" / "integration"))
from pop3_harness import CVPOPD32, ServerDir, free_port, scramble, wait_for  # noqa: E402

USERS = 200          # one mailbox per concurrent client
MESSAGES = 10        # per mailbox
IDLE_OURS = 10000    # idle authenticated sessions held by cvpopd32
IDLE_PEER = 200      # Dovecot runs a process per session: measured on fewer
BIG = 100 * 1024 * 1024
ROUND_SECONDS = 2.0
PASSWORD = "Bench-pw1"


def small_message(i):
    return (b"From: sender@example.com\nTo: user@example.com\nSubject: message %d\n\n" % i
            + b"A line of text for the benchmark.\n" * 40)


def big_message():
    line = b"0123456789abcdefghijklmnopqrstuvwxyz0123456789abcdefghijklmnopqrstuvwxyz\n"
    head = b"From: sender@example.com\nSubject: big\n\n"
    return head + line * ((BIG - len(head)) // len(line))


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

    def add_big(self, user):
        (self.sd.path / user.upper() / "big.txt").write_bytes(big_message())

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
""".format(d=self.dir, port=self.port))
        shutil.chown(self.dir / "mail", 65534, 65534)
        for root_, dirs, files in os.walk(self.dir / "mail"):
            for n in dirs + files:
                os.chown(os.path.join(root_, n), 65534, 65534)

    def add_big(self, user):
        path = self.dir / "mail" / user / "Maildir" / "new" / "1800000000.Mbig.bench"
        path.write_bytes(big_message())
        os.chown(path, 65534, 65534)

    def start(self):
        subprocess.run(["dovecot", "-c", str(self.dir / "dovecot.conf")], check=True,
                       stderr=subprocess.DEVNULL)
        wait_for(lambda: can_connect(self.port), 20, "dovecot")
        wait_for(lambda: (self.dir / "run" / "master.pid").exists(), 20, "dovecot's pid")
        with open(self.dir / "run" / "master.pid") as f:
            self.master = int(f.read())

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


async def read_reply(reader, multi=False):
    line = await reader.readline()
    if multi and line.startswith(b"+OK"):
        while True:
            more = await reader.readline()
            if more == b".\r\n" or not more:
                break
    return line


async def login_session(port, user):
    reader, writer = await asyncio.open_connection("127.0.0.1", port)
    await reader.readline()
    for cmd, multi in ((b"USER " + user.encode(), False), (b"PASS " + PASSWORD.encode(), False),
                       (b"STAT", False), (b"LIST", True), (b"QUIT", False)):
        writer.write(cmd + b"\r\n")
        reply = await read_reply(reader, multi)
        if not reply.startswith(b"+OK"):
            raise RuntimeError("%s: %r" % (cmd, reply))
    writer.close()


async def login_rate(port, users, concurrency, seconds=ROUND_SECONDS):
    done = 0
    stop = time.monotonic() + seconds

    async def worker(user):
        nonlocal done
        while time.monotonic() < stop:
            await login_session(port, user)
            done += 1

    start = time.monotonic()
    await asyncio.gather(*(worker(users[i]) for i in range(concurrency)))
    return done / (time.monotonic() - start)


def retr_seconds(port, user):
    s = socket.create_connection(("127.0.0.1", port))
    f = s.makefile("rb")
    f.readline()
    for cmd in ("USER " + user, "PASS " + PASSWORD):
        s.sendall(cmd.encode() + b"\r\n")
        f.readline()
    # Listing order differs between the servers: find the big message by size.
    s.sendall(b"LIST\r\n")
    f.readline()
    sizes = {}
    while True:
        line = f.readline()
        if line == b".\r\n":
            break
        n, size = line.split()
        sizes[int(n)] = int(size)
    biggest = max(sizes, key=sizes.get)
    start = time.monotonic()
    s.sendall(b"RETR %d\r\n" % biggest)
    f.readline()
    tail = b""
    total = 0
    while True:
        chunk = f.read1(1 << 20)
        total += len(chunk)
        tail = (tail + chunk)[-5:]
        if tail == b"\r\n.\r\n":
            break
    elapsed = time.monotonic() - start
    s.sendall(b"QUIT\r\n")
    s.close()
    return elapsed, total


def hold_idle(port, users):
    socks = []
    for u in users:
        s = socket.create_connection(("127.0.0.1", port))
        f = s.makefile("rb")
        f.readline()
        s.sendall(b"USER %s\r\n" % u.encode())
        f.readline()
        s.sendall(b"PASS %s\r\n" % PASSWORD.encode())
        assert f.readline().startswith(b"+OK"), u
        socks.append((s, f))
    return socks


def fairness_ms(port, slow_user, other_user):
    """Worst NOOP latency of one session while another reads a 100 MB
    message slowly."""
    slow = socket.create_connection(("127.0.0.1", port))
    slow.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 65536)
    sf = slow.makefile("rb")
    sf.readline()
    for cmd in ("USER " + slow_user, "PASS " + PASSWORD):
        slow.sendall(cmd.encode() + b"\r\n")
        sf.readline()
    stop = threading.Event()

    def reader():
        slow.sendall(b"LIST\r\n")
        sizes = {}
        sf.readline()
        while True:
            line = sf.readline()
            if line == b".\r\n":
                break
            n, size = line.split()
            sizes[int(n)] = int(size)
        slow.sendall(b"RETR %d\r\n" % max(sizes, key=sizes.get))
        while not stop.is_set():
            if not sf.read1(65536):
                break
            time.sleep(0.005)

    t = threading.Thread(target=reader, daemon=True)
    t.start()
    time.sleep(0.3)
    other = socket.create_connection(("127.0.0.1", port))
    other.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    of = other.makefile("rb")
    of.readline()
    for cmd in ("USER " + other_user, "PASS " + PASSWORD):
        other.sendall(cmd.encode() + b"\r\n")
        of.readline()
    worst = 0.0
    for _ in range(100):
        start = time.monotonic()
        other.sendall(b"NOOP\r\n")
        of.readline()
        worst = max(worst, time.monotonic() - start)
        time.sleep(0.01)
    stop.set()
    slow.close()
    other.close()
    return worst * 1000


def main():
    hard = resource.getrlimit(resource.RLIMIT_NOFILE)[1]
    resource.setrlimit(resource.RLIMIT_NOFILE, (hard, hard))
    root = pathlib.Path(tempfile.mkdtemp(prefix="pop3-bench-"))
    os.chmod(root, 0o755)
    users = ["user%03d" % i for i in range(USERS)]
    ours, peer = Ours(root, users), Dovecot(root, users)
    ours.add_big(users[0])
    peer.add_big(users[0])
    rows = []
    try:
        # Login sessions per second, alternating the servers, best of two rounds.
        for concurrency in (1, 20, 200):
            best = {}
            for _ in range(2):
                for server in (ours, peer):
                    server.start()
                    rate = asyncio.run(login_rate(server.port, users[1:] + users[:1], concurrency))
                    server.stop()
                    best[server.name] = max(best.get(server.name, 0), rate)
            rows.append(("login sessions/s, %d client%s" % (concurrency, "s" * (concurrency > 1)),
                         "%.0f" % best["cvpopd32"], "%.0f" % best["Dovecot"],
                         best["cvpopd32"] / best["Dovecot"], ">= 1.0x, goal 2x"))

        # RETR of a 100 MB message.
        best = {}
        for _ in range(2):
            for server in (ours, peer):
                server.start()
                secs, total = retr_seconds(server.port, users[0])
                server.stop()
                best[server.name] = max(best.get(server.name, 0), total / secs / 1e6)
        rows.append(("RETR 100 MB, MB/s", "%.0f" % best["cvpopd32"], "%.0f" % best["Dovecot"],
                     best["cvpopd32"] / best["Dovecot"], ">= 1.0x"))

        # Memory per idle authenticated session.
        idle = {}
        for server, count in ((ours, IDLE_OURS), (peer, IDLE_PEER)):
            many = ["idle%05d" % i for i in range(count)]
            if server is ours:
                for u in many:
                    server.sd.add_user(u, u.upper(), PASSWORD)
                server.sd.write_settings()
            else:
                lines = (server.dir / "passwd").read_text()
                extra = []
                for u in many:
                    home = server.dir / "mail" / u
                    for d in ("new", "cur", "tmp"):
                        (home / "Maildir" / d).mkdir(parents=True, exist_ok=True)
                    for r, ds, fs in os.walk(home):
                        os.chown(r, 65534, 65534)
                    os.chown(home, 65534, 65534)
                    extra.append("%s:{PLAIN}%s:65534:65534::%s::" % (u, PASSWORD, home))
                (server.dir / "passwd").write_text(lines + "\n".join(extra) + "\n")
            server.start()
            time.sleep(0.5)
            before = pss_kib(server.pids())
            socks = hold_idle(server.port, many)
            time.sleep(1.0)
            after = pss_kib(server.pids())
            idle[server.name] = (after - before) / count
            for s, f in socks:
                s.close()
            server.stop()
        rows.append(("memory per idle session, KiB (PSS)",
                     "%.1f (%d sessions)" % (idle["cvpopd32"], IDLE_OURS),
                     "%.0f (%d sessions)" % (idle["Dovecot"], IDLE_PEER),
                     idle["cvpopd32"] / idle["Dovecot"], "<= 0.1x"))

        # A login with 32,000 user records against one with 10.
        rates = {}
        for records in (10, 32000):
            few = Ours(root / ("records%d" % records), users[:10],
                       extra_records=records - 10)
            few.start()
            asyncio.run(login_rate(few.port, users[:1], 1, 0.5))  # warm the index
            rates[records] = asyncio.run(login_rate(few.port, users[:1], 1))
            few.stop()
        rows.append(("login, 32000 records vs 10 (sessions/s)", "%.0f" % rates[32000],
                     "%.0f" % rates[10], rates[32000] / rates[10], ">= 0.5x (at most 2x slower)"))

        # Fairness: NOOP latency beside a slowly read 100 MB RETR.
        ours.start()
        worst = fairness_ms(ours.port, users[0], users[1])
        ours.stop()
        rows.append(("worst NOOP latency beside a slow 100 MB RETR, ms", "%.2f" % worst, "-",
                     None, "<= 10 ms"))
    finally:
        for server in (ours, peer):
            try:
                server.stop()
            except Exception:
                pass
        shutil.rmtree(root, ignore_errors=True)

    print("| measurement | cvpopd32 | Dovecot | ratio | target |")
    print("|---|---|---|---|---|")
    for label, a, b, ratio, target in rows:
        print("| %s | %s | %s | %s | %s |" % (label, a, b,
                                             "-" if ratio is None else "%.3gx" % ratio, target))


if __name__ == "__main__":
    main()
