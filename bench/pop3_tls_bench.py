"""cvpopd32 against Dovecot's POP3 server over TLS: both on POP3S with the
same certificate, on the same generated mailboxes, alternating; prints a
table of ratios. Scenarios: full TLS logins (handshake, USER, PASS, STAT,
QUIT) per second, and RETR of a 100 MB message over TLS (10 MB with
TELLMAR_BENCH_QUICK=1).

Run through bench/run-pop3-tls.sh (it installs dovecot-pop3d and builds).
"""
import asyncio
import os
import pathlib
import shutil
import socket
import ssl
import tempfile
import time

from pop3_bench_common import (PASSWORD, QUICK, ROUND_SECONDS, Dovecot, Ours, big_message, free_port,
                               open_session, retr_largest)
from pop3_harness import make_certificate

USERS = 20  # one mailbox per concurrent client
BIG = (10 if QUICK else 100) * 1024 * 1024


class OursTls(Ours):
    def __init__(self, root, users, cert, key):
        super().__init__(root, users)
        popsrv = self.sd.settings["popsrv"]
        shutil.copy(cert, self.sd.path / "cert.pem")
        shutil.copy(key, self.sd.path / "key.pem")
        self.secure_port = free_port()
        popsrv.update(ModernClients="1", CertFile="cert.pem", KeyFile="key.pem",
                      SecurePort=str(self.secure_port))
        self.sd.write_settings()


class DovecotTls(Dovecot):
    def __init__(self, root, users, cert, key):
        super().__init__(root, users)
        self.secure_port = free_port()
        conf = self.dir / "dovecot.conf"
        text = conf.read_text().replace("ssl = no", (
            "ssl = required\nssl_cert = <{cert}\nssl_key = <{key}\nssl_min_protocol = TLSv1.2\n"
        ).format(cert=cert, key=key))
        plain = "  inet_listener pop3 {\n    port = %d\n  }" % self.port
        text = text.replace(plain, plain + "\n  inet_listener pop3s {\n    port = %d\n    ssl = yes\n  }"
                            % self.secure_port)
        assert "pop3s" in text, "Dovecot's configuration has changed shape"
        conf.write_text(text)


async def tls_login(port, user, context):
    reader, writer = await asyncio.open_connection("127.0.0.1", port, ssl=context,
                                                   server_hostname="localhost")
    await reader.readline()
    for cmd in (b"USER " + user.encode(), b"PASS " + PASSWORD.encode(), b"STAT", b"QUIT"):
        writer.write(cmd + b"\r\n")
        reply = await reader.readline()
        if not reply.startswith(b"+OK"):
            raise RuntimeError("%s: %r" % (cmd, reply))
    writer.close()


async def tls_login_rate(port, users, concurrency, context, seconds=ROUND_SECONDS):
    done = 0
    stop = time.monotonic() + seconds

    async def worker(user):
        nonlocal done
        while time.monotonic() < stop:
            await tls_login(port, user, context)
            done += 1

    start = time.monotonic()
    await asyncio.gather(*(worker(users[i % len(users)]) for i in range(concurrency)))
    return done / (time.monotonic() - start)


def tls_retr_mb_per_s(port, user, context):
    s = context.wrap_socket(socket.create_connection(("127.0.0.1", port)), server_hostname="localhost")
    seconds, total = retr_largest(s, open_session(s, user))
    s.sendall(b"QUIT\r\n")
    s.close()
    return total / seconds / 1e6


def main():
    root = pathlib.Path(tempfile.mkdtemp(prefix="pop3-tls-bench-"))
    os.chmod(root, 0o755)
    cert, key = make_certificate(root)
    os.chmod(key, 0o644)  # Dovecot reads it as root, cvpopd32 as this user
    context = ssl.create_default_context(cafile=str(cert))
    users = ["user%03d" % i for i in range(USERS)]
    ours, peer = OursTls(root, users, cert, key), DovecotTls(root, users, cert, key)
    big = root / "big"
    big.write_bytes(big_message(BIG))
    for server in (ours, peer):
        server.add_mailbox("bigcrlf", [big])
    ours.sd.write_settings()
    rows = []
    try:
        for concurrency in (1, 20):
            best = {}
            for _ in range(2):
                for server in (ours, peer):
                    server.start()
                    rate = asyncio.run(tls_login_rate(server.secure_port, users, concurrency, context))
                    server.stop()
                    best[server.name] = max(best.get(server.name, 0), rate)
            rows.append(("TLS login sessions/s, %d client%s" % (concurrency, "s" * (concurrency > 1)),
                         "%.0f" % best["cvpopd32"], "%.0f" % best["Dovecot"],
                         best["cvpopd32"] / best["Dovecot"], ">= 1.0x"))
        best = {}
        for _ in range(2):
            for server in (ours, peer):
                server.start()
                rate = tls_retr_mb_per_s(server.secure_port, "bigcrlf", context)
                server.stop()
                best[server.name] = max(best.get(server.name, 0), rate)
        rows.append(("TLS RETR %d MB, MB/s" % (BIG >> 20), "%.0f" % best["cvpopd32"], "%.0f" % best["Dovecot"],
                     best["cvpopd32"] / best["Dovecot"], ">= 1.0x"))
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
        print("| %s | %s | %s | %.3gx | %s |" % (label, a, b, ratio, target))


if __name__ == "__main__":
    main()
