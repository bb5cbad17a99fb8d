#include "admin/shell/file_choosers.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "admin/shell/admin_state.h"
#include "platform/loop.h"
#include "platform/operator.h"
#include "platform/window.h"

namespace tellmar::admin {
namespace {

using Filters = std::vector<std::pair<std::string, std::string>>;

constexpr int kOpen = 0, kSound = 1, kDirectory = 3;

// The "Attachment Type" panel (resources/tmadmin32/attachment_type.tmr):
// its radio buttons in order; slot E answers the chosen one's number, 1 to 4.
constexpr int kAttachmentPanel = 137;
constexpr int kAttachmentTypes[] = {1371, 1372, 1373, 1374};

std::string AttachmentCode(int choice) {
  for (std::size_t i = 0; i < std::size(kAttachmentTypes); ++i)
    if (kAttachmentTypes[i] == choice) return std::to_string(i + 1);
  return "1";  // no panel answered: the first type, as it starts checked
}

// "Text (*.TXT)~*.TXT~All~*.*": descriptions and patterns alternate.
Filters ParseFilterText(const std::string& text) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t tilde = text.find('~', start);
    if (tilde == std::string::npos) tilde = text.size();
    parts.push_back(text.substr(start, tilde - start));
    start = tilde + 1;
  }
  Filters filters;
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2)
    if (!parts[i].empty()) filters.emplace_back(parts[i], parts[i + 1]);
  if (parts.size() % 2 == 1 && !parts.back().empty()) filters.emplace_back(parts.back(), parts.back());
  return filters;
}

int ChooserKind() {
  AdminState& app = App();
  const std::string text = ReadSlot(Slot::B);
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  const bool number = !text.empty() && end != nullptr && *end == '\0';
  if (number) return static_cast<int>(value);
  return app.chooserKindPreset >= 0 ? app.chooserKindPreset : kOpen;
}

std::string DirectoryOf(const std::string& path) {
  const std::size_t cut = path.find_last_of("\\/");
  return cut == std::string::npos ? std::string() : path.substr(0, cut == 0 ? 1 : cut);
}

}  // namespace

void RunFileChooser() {
  AdminState& app = App();
  if (app.infoBoxOpen) return;
  const int kind = ChooserKind();
  app.chooserKindPreset = -1;
  // Any slot E but "0" (an unregistered one reads as empty) asks for a file
  // to attach, whatever the kind but a sound.
  const bool attachment = ReadSlot(Slot::E) != "0" && kind != kSound;
  const bool directory = kind == kDirectory && !attachment;

  FileRequest request;
  request.owner = app.serverWindow;
  request.kind = directory ? FileDialogKind::Directory : FileDialogKind::Open;
  if (attachment) {
    request.title = "Select File to to be attached";
    request.filters = {{"All Files (*.*)", "*.*"}};
    request.panelTemplate = kAttachmentPanel;
    request.okCaption = "&Attach Now";
  } else if (kind == kSound) {
    request.title = "Select Sound to Play";
    request.filters = {{"Sound Files (*.WAV)", "*.WAV"}};
  } else if (directory) {
    request.title = "Select Directory";
  } else {
    request.title = "Select file to Open";
    request.filters = {{"All Files (*.*)", "*.*"}};
  }
  if (app.chooserDirWindow != 0) request.initialDirectory = GetWindowText(app.chooserDirWindow);
  if (const std::string custom = ReadSlot(Slot::C); !custom.empty()) {
    if (Filters parsed = ParseFilterText(custom); !parsed.empty()) request.filters = std::move(parsed);
    WriteSlot(Slot::C, "");
  }

  const auto answer = Loop::Current().op().ChooseFile(request);
  if (!answer) {
    WriteSlot(Slot::B, "");
    WriteSlot(Slot::C, "");
    WriteSlot(Slot::F, "CANCEL");
    return;
  }
  const std::size_t index = static_cast<std::size_t>(std::max(answer->filterIndex, 1)) - 1;
  WriteSlot(Slot::B, answer->path);
  WriteSlot(Slot::A, answer->path);  // no separate short names here
  WriteSlot(Slot::C, index < request.filters.size() ? request.filters[index].second : "");
  WriteSlot(Slot::E, attachment ? AttachmentCode(answer->panelChoice) : "0");
  if (app.chooserDirWindow != 0)
    SetWindowText(app.chooserDirWindow, directory ? answer->path : DirectoryOf(answer->path));
  WriteSlot(Slot::F, "OK");
}

void RunSaveChooser() {
  AdminState& app = App();
  if (app.infoBoxOpen) return;
  FileRequest request;
  request.owner = app.serverWindow;
  request.title = "Save Current File as :-";
  request.filters = {{"All Files (*.*)", "*.*"}};
  if (app.chooserDirWindow != 0) request.initialDirectory = GetWindowText(app.chooserDirWindow);
  const auto answer = GetSaveFileName(request);
  if (answer) WriteSlot(Slot::B, answer->path);
  WriteSlot(Slot::F, answer ? "OK" : "FAIL");
}

void RunPlainChooser(WPARAM kind) {
  static const std::pair<const char*, const char*> kFilters[] = {
      {"Executables(*.EXE)", "*.EXE"},
      {"Sound Files (*.WAV)", "*.WAV"},
      {"Text Files (*.TXT)", "*.TXT"},
      {"Programs (*.EXE)", "*.EXE"},
  };
  FileRequest request;
  request.owner = App().serverWindow;
  if (kind < std::size(kFilters)) {
    request.title = "Select file to Open";
    request.filters = {{kFilters[kind].first, kFilters[kind].second}};
  } else {
    request.kind = FileDialogKind::Directory;
    request.title = "Select Directory";
  }
  const auto answer = Loop::Current().op().ChooseFile(request);
  WriteSlot(Slot::A, answer ? answer->path : "");
}

}  // namespace tellmar::admin
