"""Runs cvpopd32 in a temporary server directory for the tests.

A server directory holds tmhub.ini with the users' records (passwords
scrambled as the administration utility stores them) and one folder per
mailbox. The server runs as a child process on a desktop of its own (a
temporary TELLMAR_DESKTOP), where tmctl finds its windows; its activity log
(standard output) is collected line by line so that a test can wait for a
line.
"""
import os
import pathlib
import poplib
import shutil
import signal
import socket
import subprocess
import tempfile
import threading

from desk_tools import program, run_tmctl, wait_for
from desk_tools import windows as desktop_windows

CVPOPD32 = program("cvpopd32")

_BASE = "".join(chr(c) for c in range(0x21, 0x7F))
_SCRAMBLE_KEY = "Wx5&Tq9@"


def scramble(key_word, text):
    """The stored form of a password, keyed by the upper-cased mailbox ID."""
    key = ""
    for c in key_word.upper() + _BASE:
        if c in _BASE and c not in key:
            key += c
    out = []
    for i, c in enumerate(text):
        q = key.find(c)
        if q < 0:
            out.append(c)
        else:
            out.append(_BASE[(_BASE.index(_SCRAMBLE_KEY[i % 8]) + q) % 94])
    return "".join(out)


def make_certificate(folder, name="localhost"):
    """A self-signed certificate and its key for `name` and 127.0.0.1, made
    with openssl; returns (certificate, key) paths. The certificate is its
    own authority: clients trust it by their own options, not the system's
    store."""
    folder = pathlib.Path(folder)
    cert, key = folder / "pop3-cert.pem", folder / "pop3-key.pem"
    subprocess.run(["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                    "-nodes", "-days", "30", "-subj", "/CN=" + name,
                    "-addext", "subjectAltName=DNS:%s,IP:127.0.0.1" % name,
                    "-keyout", str(key), "-out", str(cert)],
                   check=True, capture_output=True, timeout=60)
    return cert, key


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class ServerDir:
    """A server directory: settings, users and mailboxes."""

    def __init__(self, path):
        self.path = pathlib.Path(path)
        self.settings = {"popsrv": {"port": "110", "bind": "0", "timeout": "5"}}
        self.users = []
        self.add_user("(System Postmaster)", "ROOT", None)

    def modern(self, certificate=True, require_tls=False):
        """Turns on the switch for today's clients; with a certificate made
        here, STLS and POP3S on a free port. Returns the certificate's path."""
        popsrv = self.settings["popsrv"]
        popsrv["ModernClients"] = "1"
        popsrv["RequireTLS"] = "1" if require_tls else "0"
        if not certificate:
            return None
        cert, key = make_certificate(self.path)
        popsrv["CertFile"], popsrv["KeyFile"] = cert.name, key.name
        self.free_secure_port = True
        return cert

    def add_mailbox(self, realname, mailbox, password, messages):
        """A user with these messages ({file name: bytes}) in the mailbox."""
        self.add_user(realname, mailbox, password)
        for name, data in messages.items():
            self.message(mailbox, name, data)

    def add_user(self, realname, mailbox, password, active=True):
        self.users.append((realname, mailbox, password, active))
        (self.path / mailbox).mkdir(exist_ok=True)
        return self.path / mailbox

    def write_settings(self):
        lines = []
        for section, keys in self.settings.items():
            lines.append("[%s]" % section)
            lines += ["%s=%s" % kv for kv in keys.items()]
        for i, (realname, mailbox, password, active) in enumerate(self.users):
            lines += ["[USER%d]" % i, "realname=" + realname, "ID=" + mailbox.lower(),
                      "DIR=" + mailbox,
                      "pw=" + (scramble(mailbox, password) if password else ""),
                      "UserActive=" + ("1" if active else "0")]
        (self.path / "tmhub.ini").write_bytes(("\r\n".join(lines) + "\r\n").encode())

    def message(self, mailbox, name, data, envelope=True):
        folder = self.path / mailbox
        (folder / name).write_bytes(data)
        if envelope:
            (folder / (name[:-3] + "env")).write_bytes(
                b"MAIL FROM: <sender@example.com>\r\nRCPT TO: <%s@example.com>\r\n"
                % mailbox.lower().encode())
        return folder / name

    def files(self, mailbox):
        return sorted(p.name for p in (self.path / mailbox).iterdir())


def anna_and_bert(path):
    """A server directory with Anna (password "pw", one short message) and
    Bert (no password: his mailbox opens on USER alone)."""
    sd = ServerDir(path)
    sd.add_mailbox("Anna", "ANNA", "pw", {"00000001.txt": b"Subject: one\r\n\r\none\r\n"})
    sd.add_user("Bert", "BERT", None)
    return sd


class Server:
    """cvpopd32 running in a server directory."""

    def __init__(self, server_dir, clock_scale=None, preexec=None, timeout=30.0, extra_env=None):
        self.dir = server_dir
        self.lines = []
        self._lock = threading.Lock()
        self.desktop = tempfile.mkdtemp(prefix="tellmar-desktop-")
        popsrv = server_dir.settings["popsrv"]
        secure = getattr(server_dir, "free_secure_port", False)
        self.secure_port = None
        for _ in range(5):
            self.port = free_port()
            popsrv["port"] = str(self.port)
            if secure:
                self.secure_port = free_port()
                popsrv["SecurePort"] = str(self.secure_port)
            server_dir.write_settings()
            env = dict(os.environ, TELLMAR_DESKTOP=self.desktop, **(extra_env or {}))
            if clock_scale:
                env["TELLMAR_POP3_CLOCK_SCALE"] = str(clock_scale)
            self.proc = subprocess.Popen([str(CVPOPD32)], cwd=server_dir.path, env=env,
                                         stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                         preexec_fn=preexec)
            self._reader = threading.Thread(target=self._read, daemon=True)
            self._reader.start()
            wait_for(lambda: self.proc.poll() is not None or self.has("Waiting for connection"),
                     timeout, "the server to listen")
            if self.has("Waiting for connection") and not self.has("(secure port"):
                return
            if self.proc.poll() is None:
                self.proc.kill()
            self.proc.wait(timeout)
            if not self.has("port already in use"):
                break
            self.lines = []
        raise AssertionError("server did not start: %r" % self.lines)

    def _read(self):
        for raw in self.proc.stdout:
            with self._lock:
                self.lines.append(raw.decode("latin-1").rstrip("\n"))

    def log(self):
        with self._lock:
            return list(self.lines)

    def has(self, text):
        return any(text in line for line in self.log())

    def count(self, text):
        return sum(1 for line in self.log() if text in line)

    def wait_log(self, text, count=1, timeout=30.0):
        wait_for(lambda: self.count(text) >= count, timeout, repr(text))

    def connect(self, timeout=30.0, rcvbuf=None):
        return Client(self.port, timeout, rcvbuf)

    def stop(self, sig=signal.SIGTERM):
        if self.proc.poll() is None:
            self.proc.send_signal(sig)
        code = self.proc.wait(30)
        self._reader.join(10)
        return code

    def tmctl(self, *args, timeout=20):
        """Runs tmctl on the server's desktop; the caller looks at its exit code."""
        return run_tmctl(self._desk_env(), *args, check=False, timeout=timeout)

    def windows(self):
        """The desktop's top-level windows as [handle, class, title, program]."""
        return desktop_windows(self._desk_env())

    def _desk_env(self):
        return dict(os.environ, TELLMAR_DESKTOP=self.desktop)

    def window(self, class_name):
        """The handle of the server's top-level window of this class."""
        handles = [h for h, c, _, program in self.windows() if c == class_name and program == "cvpopd32"]
        assert len(handles) == 1, self.windows()
        return handles[0]

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait(30)
        shutil.rmtree(self.desktop, ignore_errors=True)


class Client:
    """A raw POP3 conversation, line by line."""

    def __init__(self, port, timeout=30.0, rcvbuf=None):
        self.sock = socket.socket()
        self.sock.settimeout(timeout)
        if rcvbuf:
            # Before connecting, so that the window stays small.
            self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, rcvbuf)
        self.sock.connect(("127.0.0.1", port))
        self.buf = b""
        self.greeting = self.line()

    def send(self, data):
        self.sock.sendall(data)

    def line(self):
        while b"\r\n" not in self.buf:
            chunk = self.sock.recv(65536)
            if not chunk:
                raise EOFError("connection closed; got %r" % self.buf)
            self.buf += chunk
        line, self.buf = self.buf.split(b"\r\n", 1)
        return line + b"\r\n"

    def cmd(self, text):
        self.send(text.encode("latin-1") + b"\r\n")
        return self.line()

    def multiline(self):
        """Everything up to and including the terminating line."""
        buf = bytearray(self.buf)
        at = buf.find(b"\r\n.\r\n")
        while at < 0:
            chunk = self.sock.recv(1 << 20)
            if not chunk:
                raise EOFError("connection closed mid-reply")
            start = max(0, len(buf) - 4)
            buf += chunk
            at = buf.find(b"\r\n.\r\n", start)
        self.buf = bytes(buf[at + 5:])
        return bytes(buf[:at + 5])

    def closed(self):
        """True once the server has closed the connection."""
        try:
            while True:
                chunk = self.sock.recv(65536)
                if not chunk:
                    return True
                self.buf += chunk
        except (ConnectionResetError, BrokenPipeError):
            return True

    def wait_until_read(self, timeout=30.0):
        """Waits until the server has read everything this client sent, so
        that what is sent next reaches it in a read of its own."""
        mine, server = self.sock.getsockname()[1], self.sock.getpeername()[1]

        def all_read():
            sending, received = _queues(mine, server), _queues(server, mine)
            return sending is not None and received is not None and sending[0] == 0 and received[1] == 0
        wait_for(all_read, timeout, "the server to read what was sent")

    def close(self):
        self.sock.close()


def _queues(local, remote):
    """One end of a loopback TCP connection as the kernel lists it: (bytes
    sent but not yet taken by the other end, bytes received but not yet read
    by the program), or None when there is no such connection. A listener
    for both address families lists 127.0.0.1 in its IPv6 form."""
    for table, loopback in (("/proc/net/tcp", "0100007F"), ("/proc/net/tcp6", "0000000000000000FFFF00000100007F")):
        want = ["%s:%04X" % (loopback, local), "%s:%04X" % (loopback, remote)]
        with open(table) as f:
            for line in f.readlines()[1:]:
                fields = line.split()
                if fields[1:3] == want:
                    return tuple(int(n, 16) for n in fields[4].split(":"))
    return None


def listing(srv, user, password):
    """Each offered message's text (CR LF lines), by a fresh login."""
    pop = poplib.POP3("127.0.0.1", srv.port, timeout=20)
    try:
        pop.user(user)
        pop.pass_(password)
        count, _ = pop.stat()
        return sorted(b"\r\n".join(pop.retr(n)[1]) for n in range(1, count + 1))
    finally:
        pop.quit()


def wire(data, top=None):
    """The bytes a message goes out as after its "+OK" line."""
    out = bytearray()
    lines = data.split(b"\n")
    ends = [True] * (len(lines) - 1) + [False]
    if lines[-1] == b"":
        lines, ends = lines[:-1], ends[:-1]
    in_body, count = False, 0
    for line, ended in zip(lines, ends):
        if in_body:
            count += 1
            if top is not None and count > top:
                break
        if line.startswith(b"."):
            out += b"."
        out += line
        if ended:
            out += b"\n" if line.endswith(b"\r") else b"\r\n"
            if line in (b"", b"\r"):
                in_body = True
    return bytes(out) + b"\r\n.\r\n"


def as_nobody(server_dir):
    """Hands a server directory to the unprivileged user "nobody" and returns
    the preexec function that runs the server as that user; None when the
    tests do not run as root (the server then runs as the test's user)."""
    import pwd
    if os.geteuid() != 0:
        return None
    nobody = pwd.getpwnam("nobody")
    # The test's own temporary directory is private to root: move to one of
    # nobody's below /tmp.
    home = pathlib.Path(tempfile.mkdtemp(prefix="tellmar-nobody-"))
    shutil.copytree(server_dir.path, home / "srv")
    server_dir.path = home / "srv"
    server_dir.write_settings()
    for path in [home] + [pathlib.Path(r) / n for r, ds, fs in os.walk(home) for n in ds + fs]:
        os.chown(path, nobody.pw_uid, nobody.pw_gid)

    def drop():
        os.setgid(nobody.pw_gid)
        os.setuid(nobody.pw_uid)
    return drop
