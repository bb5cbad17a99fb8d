// The shell: starting programs, opening files with their viewer, and the
// program the desktop associates with a file.
//
// Results are numbered as the Windows shell numbers them: above 32 is
// success, 32 or less an error code (2 file not found, 3 path not found,
// 31 no association), so callers keep their "32 or less" tests.
//
//  - A started program is detached (its own session, reaped at once), so it
//    outlives us and never stays behind as a zombie.
//  - The viewer for documents is $TELLMAR_VIEWER when set (a program, run
//    with the file as its one argument), else xdg-open.
//  - The associated program comes from the desktop's MIME database: the
//    file name's type by the glob patterns of shared-mime-info, the type's
//    default application from mimeapps.list (else mimeinfo.cache), and that
//    application's Exec program found on the search path.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/messages.h"

namespace tellmar {

inline constexpr int SE_ERR_FNF = 2;
inline constexpr int SE_ERR_PNF = 3;
inline constexpr int SE_ERR_NOASSOC = 31;
inline constexpr int kShellSuccess = 42;

// `program` is a path or a bare name looked up on PATH; `parameters` are
// split at blanks; `directory` (empty: ours) becomes its working directory.
int StartProgram(std::string_view program, std::string_view parameters, std::string_view directory);

// "open" a file: a program runs, any other file opens in the viewer. A
// relative `file` is taken inside `directory`.
int ShellExecute(HWND owner, std::string_view verb, std::string_view file, std::string_view parameters,
                 std::string_view directory, int show);

// Opens a document in the text viewer (the "wordpad" of the programs).
int OpenInViewer(std::string_view file);

// Help: opens the help file in the viewer, or says "Cannot open the help
// file NAME" (caption "Help") when it is missing or cannot be shown. The
// text viewer shows the whole file, so `context` (the topic) only travels
// as TELLMAR_HELP_CONTEXT in the viewer's environment.
bool OpenHelpFile(HWND owner, const std::filesystem::path& file, int context = 0);

// The program that opens `file` (relative names inside `directory`): a
// program is its own; answers kShellSuccess with `program` set, else an
// error code with `program` empty.
int FindExecutable(std::string_view file, std::string_view directory, std::string& program);

// A bare name looked up on PATH; a name with a separator is taken as it is.
// Empty when there is no such executable file.
std::filesystem::path FindOnSearchPath(std::string_view name);

}  // namespace tellmar
