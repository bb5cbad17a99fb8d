#include "ui/web/dialog_font.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace tellmar::web {

std::string DialogFontBytes() {
  static const std::string bytes = [] {
    const char* chosen = std::getenv("TELLMAR_DIALOG_FONT");
    for (const char* path : {chosen, "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf",
                             "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf"}) {
      if (path == nullptr || *path == '\0') continue;
      std::ifstream in(path, std::ios::binary);
      if (in) return std::string(std::istreambuf_iterator<char>(in), {});
    }
    return std::string();
  }();
  return bytes;
}

}  // namespace tellmar::web
