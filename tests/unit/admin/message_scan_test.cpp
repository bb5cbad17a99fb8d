// The header scan: the structure classes, the forms a boundary comes in
// (quoted or not, CR LF or LF lines, folded headers), and a file that
// cannot be opened.
#include "admin/mailview/message_scan.h"

#include "platform/operator.h"
#include "tests/unit/admin/admin_fixture.h"

using namespace tellmar;
using namespace tellmar::admin::mailview;

namespace {

struct ScanCase {
  const char* what;
  std::string header;
  StructureClass kind;
  std::string boundary;
};

class MessageScanTest : public tellmar::testing::OperatorTest {
 protected:
  MessageStructure Scan(const std::string& bytes) { return ScanStructure(Message("00000001.txt", bytes)); }
};

TEST_F(MessageScanTest, ClassesAndBoundaryForms) {
  const std::vector<ScanCase> cases = {
      {"plain", "From: a@x.org\r\nSubject: hi\r\n\r\nbody\r\n", StructureClass::Plain, ""},
      {"base64", "Content-Transfer-Encoding: base64\r\n\r\nQUJD\r\n", StructureClass::Base64, ""},
      {"quoted-printable", "content-transfer-encoding: Quoted-Printable\n\n", StructureClass::Quoted, ""},
      {"binhex", "Content-Transfer-Encoding: x-binhex\r\n\r\n", StructureClass::BinHex, ""},
      {"uuencode", "Content-Transfer-Encoding: x-uuencode\r\n\r\n", StructureClass::UuEncode, ""},
      {"7bit names no encoding", "Content-Transfer-Encoding: 7bit\r\n\r\n", StructureClass::Plain, ""},
      {"quoted boundary", "Content-Type: multipart/mixed; boundary=\"abc-1\"\r\n\r\n",
       StructureClass::Multipart, "abc-1"},
      {"unquoted boundary, LF lines", "Content-Type: multipart/mixed; boundary=abc-2\n\n",
       StructureClass::Multipart, "abc-2"},
      {"unquoted boundary, CR LF lines", "Content-Type: multipart/mixed; boundary=abc-3\r\n\r\n",
       StructureClass::Multipart, "abc-3"},
      {"folded, unquoted, CR LF",
       "Content-Type: multipart/alternative;\r\n\tboundary=abc-4\r\nSubject: x\r\n\r\n",
       StructureClass::Multipart, "abc-4"},
      {"folded, quoted", "Content-Type: multipart/mixed;\n boundary=\"abc-5\"\n\n", StructureClass::Multipart,
       "abc-5"},
      {"type on the folded line", "Content-Type:\r\n multipart/mixed; boundary=abc-6\r\n\r\n",
       StructureClass::Multipart, "abc-6"},
      {"quoted with blank, slash and colon", "Content-Type: multipart/mixed; boundary=\"a b/c:d\"\r\n\r\n",
       StructureClass::Multipart, "a b/c:d"},
      {"blanks around =, upper case", "CONTENT-TYPE: MULTIPART/MIXED; BOUNDARY = XyZ\r\n\r\n",
       StructureClass::Multipart, "XyZ"},
      {"other multipart subtype", "Content-Type: multipart/related; boundary=rel\r\n\r\n",
       StructureClass::Multipart, "rel"},
      {"multipart wins over the encoding",
       "Content-Transfer-Encoding: base64\r\nContent-Type: multipart/mixed; boundary=m\r\n\r\n",
       StructureClass::Multipart, "m"},
      {"boundary of a text type is none", "Content-Type: text/plain; boundary=t\r\n\r\n",
       StructureClass::Plain, ""},
      {"only the header is scanned", "Subject: x\n\nContent-Type: multipart/mixed; boundary=late\n",
       StructureClass::Plain, ""},
      {"a later header does not replace the boundary",
       "Content-Type: multipart/mixed; boundary=\"multipart mixed\"\r\nX-Note: boundary=second\r\n\r\n",
       StructureClass::Multipart, "multipart mixed"},
  };
  for (const ScanCase& c : cases) {
    const MessageStructure found = Scan(c.header);
    EXPECT_EQ(found.kind, c.kind) << c.what;
    EXPECT_EQ(found.boundary, c.boundary) << c.what;
  }
  EXPECT_TRUE(op_->shown().empty());
}

TEST_F(MessageScanTest, AMissingFileIsReportedWithItsPathAndErrno) {
  const auto path = dir_ / "gone.txt";
  bool opened = true;
  EXPECT_EQ(ScanStructure(path, 0, &opened).kind, StructureClass::Plain);
  EXPECT_FALSE(opened);
  EXPECT_EQ(tellmar::testing::Boxes(*op_),
            std::vector<std::string>{path.string() + ": Can't open file " + path.string() + " errno 2"});
}

}  // namespace
