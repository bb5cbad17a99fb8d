// The page's files, compiled into the program (see ui/web/CMakeLists.txt).
#pragma once

#include <string_view>

namespace tellmar::web {

struct EmbeddedFile {
  std::string_view name;         // "index.html", "desk.js", ...
  std::string_view contentType;
  std::string_view bytes;
};

// nullptr for a name that is not one of the page's files.
const EmbeddedFile* FindEmbeddedFile(std::string_view name);

}  // namespace tellmar::web
