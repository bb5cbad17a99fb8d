"""The Debian package, built from the build directory with cpack, checked,
installed on this machine, used as its service unit says, and purged again.
Needs root and a machine without a tellmar package of its own."""
import configparser
import os
import pathlib
import poplib
import shlex
import shutil
import socket
import subprocess
import tempfile

import pytest

from desk_tools import BUILD, wait_for

SERVER_DIR = pathlib.Path("/var/lib/tellmar")
UNIT_DIR = pathlib.Path("/usr/lib/systemd/system")
PROGRAMS = ["cvpopd32", "Dialwick", "tmadmin32", "tmctl", "tmdesk"]
UNITS = ["cvpopd32.service", "tellmar-desk.service", "tellmar-admin.service"]


def installed(package="tellmar"):
    r = subprocess.run(["dpkg-query", "-W", "-f=${Status}", package], capture_output=True)
    return b"install ok installed" in r.stdout


pytestmark = [
    pytest.mark.skipif(os.geteuid() != 0, reason="installing a package needs root"),
    pytest.mark.skipif(not all((BUILD / "bin" / p).exists() for p in PROGRAMS), reason="not built"),
    pytest.mark.skipif(not shutil.which("cpack") or not shutil.which("dpkg-deb"), reason="no cpack or dpkg"),
    pytest.mark.skipif(installed() or SERVER_DIR.exists(),
                       reason="this machine has a tellmar installation of its own"),
]


def run(*args, **kw):
    r = subprocess.run([str(a) for a in args], capture_output=True, timeout=kw.pop("timeout", 600), **kw)
    assert r.returncode == 0, (args, r.stdout[-2000:], r.stderr[-2000:])
    return r.stdout.decode(errors="replace")


def apt_get(*args):
    # Waits for the package lock like every install on this machine.
    return run("apt-get", "-o", "DPkg::Lock::Timeout=600", "-y", *args,
               env=dict(os.environ, DEBIAN_FRONTEND="noninteractive"))


def unit(name):
    parser = configparser.ConfigParser(strict=False, interpolation=None)
    parser.optionxform = str
    parser.read(UNIT_DIR / name)
    return parser


def privileged_free_port():
    """110 if it is free, else another free port below 1024: either needs the
    capability the unit grants."""
    for port in [110] + list(range(1000, 900, -1)):
        with socket.socket() as s:
            try:
                s.bind(("0.0.0.0", port))
                return port
            except OSError:
                continue
    pytest.skip("no free port below 1024")


@pytest.fixture(scope="module")
def package():
    out = pathlib.Path(tempfile.mkdtemp(prefix="tellmar-package-"))
    run("cpack", "-G", "DEB", "--config", BUILD / "CPackConfig.cmake", "-B", out, cwd=out)
    debs = list(out.glob("tellmar_*.deb"))
    assert len(debs) == 1, list(out.iterdir())
    yield debs[0]
    shutil.rmtree(out, ignore_errors=True)


def test_package_contents_and_dependencies(package):
    fields = run("dpkg-deb", "--field", package)
    depends = next(line for line in fields.splitlines() if line.startswith("Depends:"))
    for name in ("libc6", "libstdc++6", "adduser"):
        assert name in depends, depends
    contents = run("dpkg-deb", "--contents", package)
    for path in [f"./usr/bin/{p}" for p in PROGRAMS] + [f"./usr/lib/systemd/system/{u}" for u in UNITS] + [
            "./usr/share/doc/tellmar/README.md", "./usr/share/doc/tellmar/examples/postfix-master.cf",
            "./usr/share/tellmar/tmhub.ini"]:
        assert path in contents, path
    control = pathlib.Path(tempfile.mkdtemp())
    try:
        run("dpkg-deb", "--control", package, control)
        for script in ("postinst", "prerm", "postrm"):
            assert os.access(control / script, os.X_OK)
    finally:
        shutil.rmtree(control)


def test_install_serve_as_the_unit_says_and_purge(package):
    desktop = pathlib.Path(tempfile.mkdtemp(prefix="tellmar-desktop-"))
    try:
        apt_get("install", "--no-install-recommends", package)
        # The package's scripts made the user and the server directory.
        st = SERVER_DIR.stat()
        assert (st.st_uid, oct(st.st_mode & 0o777)) == (pwdnam("tellmar"), "0o750")
        assert (SERVER_DIR / "ROOT").is_dir() and (SERVER_DIR / "tmhub.ini").is_file()
        for name in UNITS:
            assert "ExecStart=/usr/bin/" in (UNIT_DIR / name).read_text()
        if shutil.which("systemd-analyze"):
            r = subprocess.run(["systemd-analyze", "verify", *[UNIT_DIR / u for u in UNITS]],
                               capture_output=True, timeout=120)
            assert r.returncode == 0, r.stderr.decode()

        service = unit("cvpopd32.service")["Service"]
        assert service["User"] == "tellmar" and service["WorkingDirectory"] == str(SERVER_DIR)
        assert service["AmbientCapabilities"] == "CAP_NET_BIND_SERVICE"
        assert service["ProtectSystem"] == "strict" and service["ReadWritePaths"] == str(SERVER_DIR)

        # A user and a message, with the installed tools, as the service user.
        port = privileged_free_port()
        as_tellmar = ["runuser", "-u", "tellmar", "--"]
        ini = SERVER_DIR / "tmhub.ini"
        for args in (["popsrv", "port", str(port)], ["USER1", "realname", "Anna"], ["USER1", "ID", "anna"],
                     ["USER1", "DIR", "ANNA"], ["USER1", "UserActive", "1"]):
            run(*as_tellmar, "/usr/bin/tmctl", "ini", "set", ini, *args)
        pw = run("/usr/bin/tmctl", "scramble", "ANNA", "anna-pw").strip()
        run(*as_tellmar, "/usr/bin/tmctl", "ini", "set", ini, "USER1", "pw", pw)
        run(*as_tellmar, "mkdir", "-m", "0750", SERVER_DIR / "ANNA")
        run(*as_tellmar, "/usr/bin/tmctl", "deliver", SERVER_DIR, "ANNA", input=b"Subject: hi\n\nfrom the package\n")

        # Start it as ExecStart and User say, with the ambient capability
        # (systemd is not the init of every test machine).
        env = {"PATH": "/usr/bin:/bin", "TELLMAR_DESKTOP": str(desktop)}
        os.chown(desktop, pwdnam("tellmar"), -1)
        proc = subprocess.Popen(
            ["setpriv", "--reuid=tellmar", "--regid=tellmar", "--init-groups",
             "--inh-caps=+net_bind_service", "--ambient-caps=+net_bind_service", "--no-new-privs",
             *shlex.split(service["ExecStart"])],
            cwd=service["WorkingDirectory"], env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        try:
            wait_for(lambda: _listening(port) or proc.poll() is not None, 30, "the installed server")
            assert proc.poll() is None, proc.communicate()
            pop = poplib.POP3("127.0.0.1", port, timeout=30)
            pop.user("anna")
            pop.pass_("anna-pw")
            assert pop.retr(1)[1] == [b"Subject: hi", b"", b"from the package", b""]
            pop.quit()
        finally:
            proc.terminate()
            out, _ = proc.communicate(timeout=30)
        assert proc.returncode == 0
        assert b"Pop Server: Waiting for connection on port %d..." % port in out
    finally:
        shutil.rmtree(desktop, ignore_errors=True)
        if installed() or SERVER_DIR.exists():
            apt_get("purge", "tellmar")
    assert not installed()
    assert not SERVER_DIR.exists() and not pathlib.Path("/usr/bin/cvpopd32").exists()
    assert subprocess.run(["getent", "passwd", "tellmar"], capture_output=True).returncode != 0


def pwdnam(name):
    import pwd
    return pwd.getpwnam(name).pw_uid


def _listening(port):
    with socket.socket() as s:
        s.settimeout(1)
        return s.connect_ex(("127.0.0.1", port)) == 0
