// The Operator: the one way message boxes, file and directory choosers, the
// print dialog and tracked popup menus reach a person.
//
//  - scripted: tests queue answers and read back every request, in order;
//  - unattended (service or server-system mode): nothing is shown, the
//    default button is taken, and the box's caption and text go to standard
//    error; choosers and menus answer "cancelled" / nothing, and so does
//    the print dialog (nothing is printed; it says so on standard error);
//  - interactive: the box is a real dialog window (class "#32770", the
//    buttons' IDs are IDOK, IDYES...), modal, that automation reads and
//    answers, locally or over the channel; a popup menu is a "#32768" window
//    with one button per command.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/menu.h"
#include "platform/messages.h"

namespace tellmar {

struct MessageBoxRequest {
  HWND owner = 0;
  std::string caption;
  std::string text;
  UINT type = MB_OK;
};

enum class FileDialogKind { Open, Save, Directory };

struct FileRequest {
  FileDialogKind kind = FileDialogKind::Open;
  HWND owner = 0;
  std::string title;
  std::string initialDirectory;
  std::string fileName;
  // Pairs of description and pattern, as "Text Files (*.TXT)", "*.TXT".
  std::vector<std::pair<std::string, std::string>> filters;
  int filterIndex = 1;
  // A dialog template whose controls the chooser shows below the path (0:
  // none); its first radio button starts checked.
  int panelTemplate = 0;
  std::string okCaption;  // empty: "OK"
};

struct FileAnswer {
  std::string path;
  int filterIndex = 1;
  int panelChoice = 0;  // the ID of the panel's checked radio button; 0: none
};

// The print dialog's choice that prints into a PDF file instead of a printer.
inline constexpr std::string_view kPrintToFile = "Print to file (PDF)";

struct PrintRequest {
  HWND owner = 0;
  int copies = 1;
  std::vector<std::string> printers;  // the printers to offer, in order
  std::string defaultPrinter;         // preselected; empty: printing to a file
  std::string fileName;               // offered for printing to a file
};

struct PrintAnswer {
  std::string printer;  // empty: the default printer
  int copies = 1;
  std::string outputFile;  // non-empty: print to this PDF file
};

struct PopupRequest {
  HWND owner = 0;
  Menu menu;
};

class Operator {
 public:
  virtual ~Operator() = default;
  virtual int MessageBox(const MessageBoxRequest& request) = 0;
  virtual std::optional<FileAnswer> ChooseFile(const FileRequest& request) = 0;
  virtual std::optional<PrintAnswer> ChoosePrinter(const PrintRequest& request) = 0;
  virtual UINT TrackPopupMenu(const PopupRequest& request) = 0;  // 0: nothing chosen
};

// The buttons of a box type in order, and the one that is the default.
std::vector<int> MessageBoxButtons(UINT type);
int MessageBoxDefault(UINT type);
std::string_view ButtonCaption(int id);  // "OK", "Cancel", "&Yes"...

// The template numbers of the interactive operator's windows, so that
// automation (and whoever answers them) can tell a waiting box, chooser,
// print dialog or popup menu from the program's own dialogs. A box's text is
// control kOperatorTextId; a chooser's path is control kOperatorPathId. The
// print dialog lists the printers and kPrintToFile in kOperatorPrinterId
// and takes the file name in kOperatorPathId.
inline constexpr int kOperatorBoxTemplate = -10;
inline constexpr int kOperatorFileTemplate = -11;
inline constexpr int kOperatorPrintTemplate = -12;
inline constexpr int kOperatorMenuTemplate = -13;
inline constexpr int kOperatorTextId = 0xFFFF;
inline constexpr int kOperatorPathId = 1152;
inline constexpr int kOperatorPrinterId = 1136;

std::unique_ptr<Operator> MakeUnattendedOperator();
std::unique_ptr<Operator> MakeInteractiveOperator();
// A program's default: interactive when TELLMAR_OPERATOR is "interactive"
// (a person answers on the browser desktop or with tmctl), else unattended.
std::unique_ptr<Operator> MakeOperatorFromEnvironment();

class ScriptedOperator : public Operator {
 public:
  struct Shown {
    std::string kind;  // "box", "open", "save", "directory", "print", "menu"
    std::string caption;
    std::string text;
    UINT type = 0;
    std::string answer;  // the button ID, path or command as text; "" when cancelled
  };

  void QueueBox(int answer) { boxes_.push_back(answer); }
  void QueueFile(std::optional<FileAnswer> answer) { files_.push_back(std::move(answer)); }
  void QueuePrint(std::optional<PrintAnswer> answer) { prints_.push_back(std::move(answer)); }
  void QueueMenu(UINT command) { menus_.push_back(command); }
  // Called for each box before its answer is taken (e.g. to look at the
  // program's windows while the box is up); may answer instead of the queue.
  void OnBox(std::function<std::optional<int>(const MessageBoxRequest&)> hook) { boxHook_ = std::move(hook); }

  const std::vector<Shown>& shown() const { return shown_; }
  std::vector<Shown> TakeShown() { return std::exchange(shown_, {}); }

  int MessageBox(const MessageBoxRequest& request) override;
  std::optional<FileAnswer> ChooseFile(const FileRequest& request) override;
  std::optional<PrintAnswer> ChoosePrinter(const PrintRequest& request) override;
  UINT TrackPopupMenu(const PopupRequest& request) override;

 private:
  std::deque<int> boxes_;
  std::deque<std::optional<FileAnswer>> files_;
  std::deque<std::optional<PrintAnswer>> prints_;
  std::deque<UINT> menus_;
  std::function<std::optional<int>(const MessageBoxRequest&)> boxHook_;
  std::vector<Shown> shown_;
};

// The calls the programs make; they go to the current loop's operator.
int MessageBox(HWND owner, std::string_view text, std::string_view caption, UINT type);
std::optional<FileAnswer> GetOpenFileName(const FileRequest& request);
std::optional<FileAnswer> GetSaveFileName(const FileRequest& request);
std::optional<std::string> BrowseForFolder(HWND owner, std::string_view title, std::string_view initial = {});
std::optional<PrintAnswer> PrintDlg(const PrintRequest& request);

}  // namespace tellmar
