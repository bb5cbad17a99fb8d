// Print jobs: the page layout, the PDF that poppler's tools read back, and
// choosing where to print through the operator.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/loop.h"
#include "platform/operator.h"
#include "platform/print/pdf_printer.h"
#include "platform/print/print_chooser.h"
#include "platform/print/recording_printer.h"
#include "tests/unit/common/pdf_text.h"
#include "tests/unit/common/temp_dir.h"

using namespace tellmar;
using namespace tellmar::print;
using tellmar::testing::PdfLines;
using tellmar::testing::TempDir;

namespace {

std::string PdfInfo(const std::filesystem::path& pdf, const std::string& key) {
  const std::string info = tellmar::testing::RunCommand("pdfinfo '" + pdf.string() + "'");
  const auto at = info.find(key + ":");
  if (at == std::string::npos) return {};
  const auto start = info.find_first_not_of(' ', at + key.size() + 1);
  return info.substr(start, info.find('\n', start) - start);
}

PrintDocument Lines(const Printer& printer, int count) {
  PageWriter page(printer, "Lines");
  for (int i = 1; i <= count; ++i) page.Line("Line " + std::to_string(i), i == 1);
  return page.Finish();
}

}  // namespace

TEST(PageWriter, BreaksPagesBeforeTheBottomMarginAndLinesByWidth) {
  PageSetup small = A4();
  small.top = small.bottom = 30;
  small.height = 30 + 12 * 5 + 30;  // room for exactly five lines of 10 points
  RecordingPrinter printer(small);
  PageWriter page(printer, "T");
  EXPECT_DOUBLE_EQ(page.LineHeight(), 12);
  for (int i = 0; i < 7; ++i) page.Line("L" + std::to_string(i));
  const PrintDocument doc = page.Finish();
  const auto texts = RecordingPrinter::Texts(doc);
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0], (std::vector<std::string>{"L0", "L1", "L2", "L3", "L4"}));
  EXPECT_EQ(texts[1], (std::vector<std::string>{"L5", "L6"}));
  EXPECT_DOUBLE_EQ(doc.pages[1].runs[0].x, small.left);
  EXPECT_LT(doc.pages[0].runs[4].y, small.height - small.bottom);

  // Every character is 5 points wide in the recorder.
  EXPECT_EQ(page.FittingPrefix("abcdefghij", 26), 5u) << "the longest beginning narrower than the width";
  EXPECT_EQ(page.FittingPrefix("abcdefghij", 25), 4u);
  EXPECT_EQ(page.FittingPrefix("abc", 1), 1u) << "a line break always moves on";
  EXPECT_EQ(page.FittingPrefix("", 100), 0u);
}

TEST(PdfPrinter, WritesRealTextOneLinePerPrintedLineOnThePagesAskedFor) {
  TempDir dir;
  const auto path = dir / "out.pdf";
  PdfPrinter printer(path.string(), Letter());
  PageWriter probe(printer, "probe");
  const int perPage = static_cast<int>((Letter().height - Letter().top - Letter().bottom) / probe.LineHeight());
  const int count = perPage + 3;
  ASSERT_EQ(printer.Print(Lines(printer, count)), "");

  EXPECT_EQ(PdfInfo(path, "Pages"), "2");
  EXPECT_EQ(PdfInfo(path, "Page size").substr(0, 14), "612 x 792 pts ") << "US Letter";
  const auto pages = PdfLines(path);
  ASSERT_EQ(pages.size(), 2u);
  ASSERT_EQ(static_cast<int>(pages[0].size()), perPage);
  for (int i = 0; i < perPage; ++i) EXPECT_EQ(pages[0][i], "Line " + std::to_string(i + 1));
  EXPECT_EQ(pages[1], (std::vector<std::string>{"Line " + std::to_string(perPage + 1),
                                                "Line " + std::to_string(perPage + 2),
                                                "Line " + std::to_string(count)}));
  EXPECT_FALSE(std::filesystem::exists(dir / "out.pdf.part"));

  PdfPrinter a4((dir / "a4.pdf").string(), A4());
  PageWriter pound(a4, "Pound");
  pound.Line("Price: \xA3" "5 \xA9 Tellmar");  // 8-bit bytes are Latin-1
  ASSERT_EQ(a4.Print(pound.Finish()), "");
  EXPECT_EQ(PdfInfo(dir / "a4.pdf", "Page size").substr(0, 18), "595.28 x 841.89 pt");
  EXPECT_EQ(PdfLines(dir / "a4.pdf")[0][0], "Price: \xC2\xA3" "5 \xC2\xA9 Tellmar");
}

TEST(PdfPrinter, AFileThatCannotBeWrittenIsAnErrorAndKeepsTheOldOne) {
  TempDir dir;
  PdfPrinter nowhere((dir / "no" / "such" / "dir.pdf").string());
  const std::string error = nowhere.Print(Lines(nowhere, 3));
  EXPECT_NE(error.find("cannot write"), std::string::npos) << error;

  const auto keep = dir / "keep.pdf";
  { FILE* f = std::fopen(keep.c_str(), "w"); std::fputs("old", f); std::fclose(f); }
  std::filesystem::create_directory(dir / "keep.pdf.part");  // the temporary name is taken
  PdfPrinter blocked(keep.string());
  EXPECT_NE(blocked.Print(Lines(blocked, 1)), "");
  EXPECT_EQ(std::filesystem::file_size(keep), 3u) << "a failed print leaves the old file alone";
}

TEST(PrintChooser, TheOperatorsAnswerChoosesTheFileOrCancels) {
  Loop loop;
  auto scripted = std::make_unique<ScriptedOperator>();
  ScriptedOperator& op = *scripted;
  loop.SetOperator(std::move(scripted));
  TempDir dir;
  PrintAnswer toFile;
  toFile.outputFile = (dir / "chosen.pdf").string();
  op.QueuePrint(toFile);
  op.QueuePrint(std::nullopt);

  auto printer = ChoosePrinter(0, "x.pdf");
  ASSERT_TRUE(printer);
  EXPECT_EQ(printer->Name(), toFile.outputFile);
  ASSERT_EQ(printer->Print(Lines(*printer, 2)), "");
  EXPECT_TRUE(std::filesystem::exists(dir / "chosen.pdf"));

  EXPECT_FALSE(ChoosePrinter(0)) << "cancelled";
  ASSERT_EQ(op.shown().size(), 2u);
  EXPECT_EQ(op.shown()[0].kind, "print");
  EXPECT_EQ(op.shown()[0].answer, toFile.outputFile);
  EXPECT_EQ(op.shown()[1].answer, "");

  loop.SetOperator(MakeUnattendedOperator());
  EXPECT_FALSE(ChoosePrinter(0)) << "nobody there to choose: nothing is printed";
}
