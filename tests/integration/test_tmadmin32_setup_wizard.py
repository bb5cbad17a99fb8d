"""The setup wizard, opened by message 1824 on an empty server directory and
walked through page by page as the administrator would. The real cvpopd32
then serves the first user's welcome message from the directory it made."""
import json

import pytest

from admin_harness import Desk, finish
from desk_tools import program, run_tmctl
from pop3_harness import CVPOPD32, Server, listing
from tellmar_ids import tmadmin32 as ids

pytestmark = pytest.mark.skipif(not CVPOPD32.exists(), reason="cvpopd32 is not built")

NEXT, FINISH = 0x3024, 0x3025
DIALWICK = program("Dialwick")


class WizardDir:
    """The directory the wizard made, for cvpopd32: only its port and
    binding are set, everything else is as the wizard wrote it."""

    def __init__(self, path, env):
        self.path, self.env = path, env
        self.settings = {"popsrv": {"bind": "0", "timeout": "5"}}

    def write_settings(self):
        for key, value in self.settings["popsrv"].items():
            run_tmctl(self.env, "ini", "set", self.path / "tmhub.ini", "popsrv", key, value)


@pytest.fixture
def desk(tmp_path):
    phonebook = tmp_path / "phonebook.ini"
    phonebook.write_bytes(b"[ISP]\r\nPassword=a\r\n[Office]\r\nPassword=b\r\n")
    d = Desk(tmp_path, env={"TELLMAR_PHONEBOOK": str(phonebook)})
    (d.server / "Dialwick").symlink_to(DIALWICK)
    d.start("support")
    yield d
    d.quit_dialwick()
    d.stop()


def ini(desk, section, key):
    r = desk.tmctl("ini", "get", desk.server / "tmhub.ini", section, key, "<none>")
    return r.stdout.decode("latin-1").rstrip("\n")


def items(desk, wizard, control_id):
    """A list's items, found on whichever page of the wizard shows it."""
    def find(node):
        if node.get("id") == control_id:
            return node
        for child in node.get("children", []):
            found = find(child)
            if found:
                return found
        return None
    return find(json.loads(desk.ui("tree", wizard, "--json")))["items"]


def title(desk, wizard):
    return next((w[2] for w in desk.windows() if int(w[0]) == wizard), None)


def next_page(desk, wizard, expected, timeout=30):
    desk.ui("click", wizard, NEXT)
    desk.wait_for(lambda: title(desk, wizard) == expected, f"the wizard did not reach {expected!r}", timeout)


def first_user(desk, wizard, real_name, email, pop_id):
    desk.ui("set", wizard, ids.FirstUserPage.RealName, real_name)
    desk.ui("set", wizard, ids.FirstUserPage.Email, email)
    desk.ui("set", wizard, ids.FirstUserPage.PopId, pop_id)


def welcome(desk, user, password):
    """The one message cvpopd32 serves the first user from the wizard's directory."""
    with Server(WizardDir(desk.server, desk.env)) as srv:
        texts = listing(srv, user, password)
    assert len(texts) == 1
    return texts[0]


def test_single_domain_with_dial_up_on_an_empty_server(desk):
    proc, wizard = desk.open_dialog(1824, "Setup Wizard - Select domain type")
    # A second request raises the wizard and answers at once; its slots
    # are the ones registered from then on.
    _, slots = desk.call(1824)
    assert slots["B"] == "OK"

    desk.ui("set", wizard, ids.DomainPage.Text, "shop.example")
    next_page(desk, wizard, "Setup Wizard - Default server operations")
    next_page(desk, wizard, "Setup Wizard - connecting to the Internet")
    desk.ui("click", wizard, ids.ConnectionPage.FullServices)
    desk.ui("click", wizard, ids.ConnectionPage.Dialup)
    # Dialwick is started and bound on the way: it may take a while.
    next_page(desk, wizard, "Setup Wizard - Configure dial-up connection", timeout=60)
    # The phonebook's entries, listed by the real Dialwick.
    assert items(desk, wizard, ids.WizardDialupPage.Entry) == ["ISP", "Office"]
    desk.ui("select", wizard, ids.WizardDialupPage.Entry, "1")
    next_page(desk, wizard, "Setup Wizard - Setup external mail collection")
    desk.ui("set", wizard, ids.MailboxPage.PopHost, "pop.isp.example")
    desk.ui("set", wizard, ids.MailboxPage.PopUser, "shop")
    desk.ui("set", wizard, ids.MailboxPage.PopPassword, "isp-secret")
    next_page(desk, wizard, "Setup Wizard - Setup external SMTP")
    desk.ui("set", wizard, ids.SmtpPage.Gateway, "smtp.isp.example")
    next_page(desk, wizard, "Setup Wizard - Add initial network user")
    first_user(desk, wizard, "Anna Example", "anna", "anna")
    desk.ui("click", wizard, NEXT)
    box = desk.wait_box("box")
    assert box[2] == "User password not completed!"
    desk.answer(box[0], "OK")
    desk.ui("set", wizard, ids.FirstUserPage.Password, "anna-pw")
    next_page(desk, wizard, "Setup Wizard - Congratulations!")
    assert not (desk.server / "tmhub.ini").exists(), "nothing is written before Finish"
    desk.ui("click", wizard, FINISH)
    finish(proc)

    assert ini(desk, "Environment", "Domain") == "shop.example"
    assert ini(desk, "NetConnections", "95DUNconnection") == "Office"
    assert ini(desk, "USER0", "realname") == "(System Postmaster)"
    assert ini(desk, "USER1", "ID") == "anna"
    assert ini(desk, "Environment", "remoteupdate") == "-1"
    text = welcome(desk, "anna", "anna-pw")
    assert b"Subject: Welcome to the email system" in text
    assert b"Your email address is <anna@shop.example>" in text
    assert b"Your pop3 mailbox password has been set to [anna-pw]" in text


def test_multiple_domains_with_the_administrator_as_first_user(desk):
    proc, wizard = desk.open_dialog(1824, "Setup Wizard - Select domain type")
    desk.ui("click", wizard, ids.DomainPage.UseDomain)
    assert desk.text(wizard, ids.DomainPage.Label) == "Administrator's email address"
    desk.ui("set", wizard, ids.DomainPage.Text, "admin@shop.example")
    desk.ui("click", wizard, NEXT)
    box = desk.wait_box("box")
    assert box[2] == "Invalid Root user Address"
    desk.answer(box[0], "OK")
    desk.wait_for(lambda: desk.text(wizard, ids.DomainPage.Text) == "root@shop.example", "no root address offered")
    next_page(desk, wizard, "Setup Wizard - Default server operations")
    next_page(desk, wizard, "Setup Wizard - connecting to the Internet")
    desk.ui("click", wizard, ids.ConnectionPage.InternalOnly)
    next_page(desk, wizard, "Setup Wizard - Add initial network user")
    first_user(desk, wizard, "Rita Root", "Root@Shop.example", "rita")
    desk.ui("set", wizard, ids.FirstUserPage.Password, "rita-pw")
    next_page(desk, wizard, "Setup Wizard - Congratulations!")
    desk.ui("click", wizard, FINISH)
    assert finish(proc)[1]["B"] == "OK"

    assert ini(desk, "Environment", "UseDomain") == "0"
    assert ini(desk, "NetConnections", "NetMailOnly") == "1"
    assert ini(desk, "USER0", "realname") == "Rita Root", "the first user is the postmaster"
    assert ini(desk, "USER1", "realname") == "<none>"
    text = welcome(desk, "rita", "rita-pw")
    assert b"Your email address is <Root@Shop.example>" in text
    assert b"Your system administrator email address is <root@shop.example>" in text
