"""cvpopd32 against Dovecot's POP3 server and against the machine's own
limits (a bare server that answers the login dialogue with fixed replies,
and sendfile of the same bytes over loopback), on the same generated
mailboxes in the same run; prints a Markdown table.

The load comes from bench/pop3_load (C++, epoll, one thread), which reports
its own CPU beside every figure. Run through bench/run-pop3.sh (it installs
dovecot-pop3d and builds); TELLMAR_BENCH_QUICK=1 runs every scenario at a
small size.
"""
import os
import pathlib
import resource
import shutil
import signal
import socket
import subprocess
import tempfile
import threading
import time

from pop3_bench_common import (PASSWORD, QUICK, ROUND_SECONDS, Dovecot, Ours, big_message, can_connect,
                               cpu_seconds, free_port, open_session, pss_kib, small_message, wait_for)

HERE = pathlib.Path(__file__).resolve().parent
USERS = 200          # one mailbox per concurrent client
# Idle authenticated sessions: the first IDLE_BASE are the baseline, the
# memory per session is what the rest add. Dovecot runs a process per
# session: measured on fewer.
IDLE_OURS = 1000 if QUICK else 10000
IDLE_PEER = 200 if QUICK else 1000
BIG = (10 if QUICK else 100) * 1024 * 1024
RETR_USERS = 50 if QUICK else 1000   # concurrent RETR of a 1 MB message
BOX_MESSAGES = 2000 if QUICK else 100000
RECORDS = 32000
LOAD = pathlib.Path(os.environ.get("TELLMAR_BUILD_DIR", HERE.parent / "build")) / "bench" / "pop3_load"


def load(*args, stdin=None):
    """Runs bench/pop3_load; its key=value line as a dict."""
    out = subprocess.run([str(LOAD)] + [str(a) for a in args], check=True, stdout=subprocess.PIPE,
                         stdin=stdin, text=True).stdout
    return parse(out)


def parse(line):
    fields = {}
    for part in line.split():
        key, _, value = part.partition("=")
        try:
            fields[key] = float(value)
        except ValueError:
            fields[key] = value.strip('"')
    return fields


def measured(server, *args):
    """A pop3_load run against a started server, with the server's CPU time."""
    before = cpu_seconds(server.pids())
    result = load(*args)
    result["server_cpu_s"] = cpu_seconds(server.pids()) - before
    return result


class Bare:
    """The bare server of pop3_load: the machine's ceiling for logins."""
    name = "bare server"

    def start(self):
        self.port = free_port()
        self.proc = subprocess.Popen([str(LOAD), "bare", str(self.port)], stdout=subprocess.PIPE, text=True)
        wait_for(lambda: can_connect(self.port), 10, "the bare server")

    def pids(self):
        return [self.proc.pid]

    def stop(self):
        self.proc.send_signal(signal.SIGTERM)
        self.proc.communicate(timeout=20)


def fairness_ms(port, slow_user, other_user):
    """Worst NOOP latency of one session while another reads a big message
    slowly."""
    slow = socket.create_connection(("127.0.0.1", port))
    slow.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 65536)
    sf = open_session(slow, slow_user)
    stop = threading.Event()

    def reader():
        slow.sendall(b"RETR 1\r\n")
        while not stop.is_set():
            if not sf.read1(65536):
                break
            time.sleep(0.005)

    t = threading.Thread(target=reader, daemon=True)
    t.start()
    time.sleep(0.3)
    other = socket.create_connection(("127.0.0.1", port))
    other.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    of = open_session(other, other_user)
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


def idle_memory(server, count, prefix):
    """PSS per idle authenticated session (KiB) and the NOOP latencies.

    Both readings are taken with the client running and after every session
    held has answered a NOOP, so that the server has settled and the pages it
    shares with the client count the same in both: the first after a tenth
    of the sessions (which also pays what the first logins set up once), the
    second after all of them. The difference is what the other nine tenths
    cost."""
    base = count // 10
    server.start()
    proc = subprocess.Popen([str(LOAD), "idle", str(server.port), "%s:%d" % (prefix, count), str(base), "3"],
                            stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    try:
        parse(proc.stdout.readline())
        before = pss_kib(server.pids())
        proc.stdin.write("go\n")
        proc.stdin.flush()
        result = parse(proc.stdout.readline())
        after = pss_kib(server.pids())
        proc.communicate("done\n", timeout=120)
    finally:
        if proc.poll() is None:
            proc.kill()
        server.stop()
    result["kib"] = (after - before) / (count - base)
    return result


def main():
    hard = resource.getrlimit(resource.RLIMIT_NOFILE)[1]
    resource.setrlimit(resource.RLIMIT_NOFILE, (hard, hard))
    root = pathlib.Path(tempfile.mkdtemp(prefix="pop3-bench-"))
    os.chmod(root, 0o755)
    users = ["user%04d" % i for i in range(USERS)]
    files = root / "files"
    files.mkdir()
    # Messages shared by hard links between the stores.
    crlf_big, lf_big, one_mb = files / "big-crlf", files / "big-lf", files / "one-mb"
    crlf_big.write_bytes(big_message(BIG))
    lf_big.write_bytes(big_message(BIG, b"\n"))
    one_mb.write_bytes(big_message(1 << 20))
    box = []
    for i in range(BOX_MESSAGES):
        box.append(files / ("box%06d" % i))
        box[-1].write_bytes(small_message(i).replace(b"\n", b"\r\n"))
    ours, peer = Ours(root, users), Dovecot(root, users)
    for server in (ours, peer):
        server.add_mailbox("bigcrlf", [crlf_big])
        server.add_mailbox("biglf", [lf_big])
        server.add_mailbox("bigbox", box)
        for i in range(RETR_USERS):
            server.add_mailbox("mb%04d" % i, [one_mb])
        for i in range(IDLE_OURS if server is ours else IDLE_PEER):
            server.add_mailbox("idle%04d" % i, [])
    ours.sd.write_settings()
    bare = Bare()
    rows = []

    def row(label, a, b, ratio, goal, note=""):
        rows.append((label, a, b, ratio, goal, note))

    try:
        # The machine's limits.
        sendfile = load("sendfile", crlf_big, 3 * ROUND_SECONDS)

        # Logins per second and server CPU per login, alternating, best of two rounds.
        for concurrency in (20, 200):
            best = {}
            for _ in range(2):
                for server in (ours, peer, bare):
                    server.start()
                    r = measured(server, "login", server.port, "user:%d" % USERS, concurrency, ROUND_SECONDS)
                    server.stop()
                    r["cpu_ms"] = r["server_cpu_s"] / r["sessions"] * 1000
                    if r["rate"] > best.get(server.name, {}).get("rate", 0):
                        best[server.name] = r
            o, d, b = best["cvpopd32"], best["Dovecot"], best["bare server"]
            row("logins/s, %d clients" % concurrency, "%.0f" % o["rate"], "%.0f" % d["rate"],
                o["rate"] / d["rate"], ">= 5x Dovecot or >= 80% of bare",
                "bare server %.0f/s: cvpopd32 %.0f%%, Dovecot %.0f%%; client CPU %.0f%% / %.0f%% / %.0f%%"
                % (b["rate"], 100 * o["rate"] / b["rate"], 100 * d["rate"] / b["rate"],
                   100 * o["client_cpu"], 100 * d["client_cpu"], 100 * b["client_cpu"]))
            row("server CPU per login, ms, %d clients" % concurrency, "%.3f" % o["cpu_ms"], "%.3f" % d["cpu_ms"],
                o["cpu_ms"] / d["cpu_ms"], "<= 0.1x", "bare server %.3f ms" % b["cpu_ms"])

        # RETR of a big message, lines ending in CR LF (sent as stored) and in LF (stuffed).
        for user, label in (("bigcrlf", "CR LF lines"), ("biglf", "LF lines")):
            best = {}
            for _ in range(2):
                for server in (ours, peer):
                    server.start()
                    r = measured(server, "retr", server.port, user, 1, 2 * ROUND_SECONDS)
                    server.stop()
                    if r["mb_per_s"] > best.get(server.name, {}).get("mb_per_s", 0):
                        best[server.name] = r
            o, d = best["cvpopd32"], best["Dovecot"]
            row("RETR %d MB, %s, MB/s" % (BIG >> 20, label), "%.0f" % o["mb_per_s"], "%.0f" % d["mb_per_s"],
                o["mb_per_s"] / d["mb_per_s"], ">= 3x Dovecot or >= 70% of sendfile",
                "sendfile %.0f MB/s: cvpopd32 %.0f%%, Dovecot %.0f%%; server CPU %.0f%% / %.0f%%, "
                "client CPU %.0f%% / %.0f%%"
                % (sendfile["mb_per_s"], 100 * o["mb_per_s"] / sendfile["mb_per_s"],
                   100 * d["mb_per_s"] / sendfile["mb_per_s"],
                   100 * o["server_cpu_s"] / o["seconds"], 100 * d["server_cpu_s"] / d["seconds"],
                   100 * o["client_cpu"], 100 * d["client_cpu"]))

        # Many concurrent RETR of a 1 MB message, one session per mailbox.
        result = {}
        for server in (ours, peer):
            server.start()
            result[server.name] = measured(server, "retr", server.port, "mb:%d" % RETR_USERS, RETR_USERS, "once")
            server.stop()
        o, d = result["cvpopd32"], result["Dovecot"]
        row("%d concurrent RETR of 1 MB, MB/s" % RETR_USERS, "%.0f" % o["mb_per_s"], "%.0f" % d["mb_per_s"],
            o["mb_per_s"] / d["mb_per_s"], "-",
            "slowest session %.2f s / %.2f s" % (o["worst_session_s"], d["worst_session_s"]))

        # Idle authenticated sessions: memory and NOOP latency.
        o, d = idle_memory(ours, IDLE_OURS, "idle"), idle_memory(peer, IDLE_PEER, "idle")
        row("memory per idle session, KiB (PSS)", "%.1f (%d sessions)" % (o["kib"], IDLE_OURS),
            "%.0f (%d sessions)" % (d["kib"], IDLE_PEER), o["kib"] / d["kib"], "<= 1/50 (0.02x)",
            "sessions beyond the first tenth, after each answered a NOOP")
        row("NOOP latency p99 among idle sessions, us", "%.0f" % o["noop_p99_us"], "%.0f" % d["noop_p99_us"],
            o["noop_p99_us"] / d["noop_p99_us"], "-",
            "p50 %.0f / %.0f us" % (o["noop_p50_us"], d["noop_p50_us"]))

        # A mailbox of many messages; each server sees it once, then deletes half.
        result = {}
        for server in (ours, peer):
            server.start()
            result[server.name] = load("bigbox", server.port, "bigbox", BOX_MESSAGES // 2)
            server.stop()
        o, d = result["cvpopd32"], result["Dovecot"]
        for key, label in (("login_stat_s", "USER/PASS to STAT"), ("list_s", "LIST of all"),
                           ("dele_s", "DELE of half"), ("quit_s", "QUIT deleting half")):
            row("%d-message mailbox: %s, s" % (BOX_MESSAGES, label), "%.3f" % o[key], "%.3f" % d[key],
                o[key] / d[key], "-")

        # Logins with a directory of many user records, against one of a few.
        rates = {}
        for records in (20, RECORDS):
            few = Ours(root / ("records%d" % records), users[:20], extra_records=records - 20)
            few.start()
            load("login", few.port, "user:20", 20, 0.5)  # warm the index
            rates[records] = load("login", few.port, "user:20", 20, ROUND_SECONDS)["rate"]
            few.stop()
        peer_passwd = peer.dir / "passwd"
        lines = peer_passwd.read_text()
        extra = "".join("x%05d:{PLAIN}%s:65534:65534::%s/mail/x::\n" % (i, PASSWORD, peer.dir)
                        for i in range(RECORDS))
        peer_passwd.write_text(lines + extra)
        peer.start()
        load("login", peer.port, "user:20", 20, 0.5)
        peer_rate = load("login", peer.port, "user:20", 20, ROUND_SECONDS)["rate"]
        peer.stop()
        row("logins/s with %d user records, 20 clients" % RECORDS, "%.0f" % rates[RECORDS], "%.0f" % peer_rate,
            rates[RECORDS] / peer_rate, "-", "cvpopd32 with 20 records: %.0f/s" % rates[20])

        # Fairness: NOOP latency beside a slowly read big RETR.
        ours.start()
        worst = fairness_ms(ours.port, "biglf", users[1])
        ours.stop()
        row("worst NOOP latency beside a slow %d MB RETR, ms" % (BIG >> 20), "%.2f" % worst, "-", None,
            "<= 10 ms")
    finally:
        for server in (ours, peer, bare):
            try:
                server.stop()
            except Exception:
                pass
        shutil.rmtree(root, ignore_errors=True)

    print("| measurement | cvpopd32 | Dovecot | ratio | goal | beside it |")
    print("|---|---|---|---|---|---|")
    for label, a, b, ratio, goal, note in rows:
        print("| %s | %s | %s | %s | %s | %s |" % (label, a, b, "-" if ratio is None else "%.3gx" % ratio,
                                                  goal, note))
    print()
    print("sendfile limit: %.0f MB/s (sender CPU %.0f%%)" % (sendfile["mb_per_s"], 100 * sendfile["cpu"]))


if __name__ == "__main__":
    main()
