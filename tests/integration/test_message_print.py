"""Printing messages into a PDF file as F7-Print does, answered with tmctl as a
person would on the desktop, and the PDF read back with pdftotext: header on
and off, attachments on and off, on a multipart/alternative message and on a
message with a binary attachment."""
import os
import subprocess

import pytest

from desk_tools import program, reap, run_tmctl, ui_boxes, wait_for, windows
from tellmar_ids import tmadmin32 as ids

SAMPLE = program("message_print_sample")
pytestmark = pytest.mark.skipif(not SAMPLE.exists(), reason="message_print_sample is not built")

ALTERNATIVE = (b"From: anna@x.org\r\n"
               b"Subject: Lunch\r\n"
               b"Content-Type: multipart/alternative; boundary=alt-1\r\n"
               b"\r\n"
               b"--alt-1\r\n"
               b"Content-Type: text/plain; charset=us-ascii\r\n"
               b"\r\n"
               b"Lunch at noon\r\n"
               b"--alt-1\r\n"
               b"Content-Type: text/html; charset=us-ascii\r\n"
               b"\r\n"
               b"<p>Lunch at <b>noon</b></p>\r\n"
               b"--alt-1--\r\n")

PICTURE = (b"From: bob@x.org\n"
           b"Subject: Cat\n"
           b"Content-Type: multipart/mixed;\n"
           b"\tboundary=\"cut here\"\n"
           b"\n"
           b"--cut here\n"
           b"Content-Type: text/plain\n"
           b"\n"
           b"A picture of the cat\n"
           b"--cut here\n"
           b"Content-Type: image/png; name=cat.png\n"
           b"Content-Transfer-Encoding: base64\n"
           b"\n"
           b"iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJ\n"
           b"--cut here--\n")

NOTICE = "Mime attachment included here (Not printed by user request)"


def pdf_lines(path):
    text = subprocess.run(["pdftotext", "-layout", str(path), "-"], capture_output=True, check=True).stdout.decode()
    return [" ".join(line.split()) for line in text.splitlines() if line.strip()]


def print_messages(tmp_path, header, attachments):
    """Prints both messages into out.pdf with the options; their PDFs' lines."""
    (tmp_path / "desktop").mkdir(mode=0o700, exist_ok=True)
    env = dict(os.environ, TELLMAR_DESKTOP=str(tmp_path / "desktop"), TELLMAR_OPERATOR="interactive",
               XDG_CONFIG_HOME=str(tmp_path / "config"))
    (tmp_path / "0000000a.txt").write_bytes(ALTERNATIVE)
    (tmp_path / "0000000b.txt").write_bytes(PICTURE)
    proc = subprocess.Popen([str(SAMPLE), str(tmp_path / "0000000a.txt"), str(tmp_path / "0000000b.txt")],
                            env=env, cwd=tmp_path, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    try:
        box = wait_for(lambda: [b for b in ui_boxes(env) if b[1] == "print"], what="the print dialog")[0]
        run_tmctl(env, "ui", "answer", box[0], str(tmp_path / "out.pdf"))
        dialog = wait_for(lambda: next((w[0] for w in windows(env) if w[2] == "Auto Printing"), None),
                          what="Auto Printing")
        run_tmctl(env, "ui", "check", dialog, ids.AutoPrinting.Header, int(header))
        run_tmctl(env, "ui", "check", dialog, ids.AutoPrinting.Attachments, int(attachments))
        run_tmctl(env, "ui", "click", dialog, ids.AutoPrinting.Ok)
        out, err = proc.communicate(timeout=30)
        assert out == b"printed\n", err
    finally:
        if proc.poll() is None:
            proc.terminate()
        reap(proc)
    alternative, picture = (pdf_lines(tmp_path / f"out-{name}.pdf") for name in ("0000000a", "0000000b"))
    for lines in (alternative, picture):
        assert lines[0] == "Email message printed from Corvane Tellmar"
        assert lines[1].startswith("Printed : ")
        assert lines[-1] == "Message print complete..."
    return alternative[2:-1], picture[2:-1]


RULE = "=" * 47


def test_header_and_attachments_off(tmp_path):
    alternative, picture = print_messages(tmp_path, header=False, attachments=False)
    options = ["##User option: RFC Headers not printed...", "##User option: Attachments not printed...", RULE]
    assert alternative == options + ["Lunch at noon", NOTICE]
    assert picture == options + ["A picture of the cat", NOTICE]


def test_header_on_attachments_off(tmp_path):
    alternative, picture = print_messages(tmp_path, header=True, attachments=False)
    assert alternative == ["##User option: Attachments not printed...", RULE, "From: anna@x.org", "Subject: Lunch",
                           "Content-Type: multipart/alternative; boundary=alt-1", "Lunch at noon", NOTICE]
    assert picture[:4] == ["##User option: Attachments not printed...", RULE, "From: bob@x.org", "Subject: Cat"]
    assert picture[-2:] == ["A picture of the cat", NOTICE]
    assert not any("iVBOR" in line for line in picture)


def test_everything_is_printed_as_stored(tmp_path):
    alternative, picture = print_messages(tmp_path, header=True, attachments=True)
    assert alternative == [RULE] + [" ".join(line.split()) for line in ALTERNATIVE.decode().splitlines()
                                    if line.strip()]
    assert picture[0] == RULE
    assert "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJ" in picture
    assert "A picture of the cat" in picture

