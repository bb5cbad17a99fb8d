#include "ui/web/template_views.h"

#include <fstream>
#include <iterator>

#include "platform/automation.h"
#include "platform/dialog.h"
#include "platform/resource.h"
#include "ui/web/desk_view.h"

namespace tellmar::web {

nlohmann::json TemplateViews(const std::vector<std::string>& files, std::vector<std::string>& errors) {
  nlohmann::json views = nlohmann::json::array();
  for (const std::string& file : files) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
      errors.push_back(file + ": cannot be read");
      continue;
    }
    const std::string text(std::istreambuf_iterator<char>(in), {});
    ResourceSet set;
    ParseResourceText(file, text, set);
    errors.insert(errors.end(), set.errors.begin(), set.errors.end());
    for (const auto& [id, found] : set.dialogs) {
      DialogTemplate tmpl = found;
      // A property-sheet page stands alone here; it is drawn the same.
      tmpl.style &= ~(WS_CHILD | WS_VISIBLE);
      const HWND dialog = CreateDialogIndirect(tmpl, 0, [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return 0; });
      if (dialog == 0) {
        errors.push_back(file + ": template " + std::to_string(id) + " makes no dialog");
        continue;
      }
      ShowWindow(dialog, SW_SHOW);  // controls count as shown only in a shown dialog
      if (auto info = automation::Describe(dialog, true))
        views.push_back({{"file", file}, {"template", id}, {"window", WindowView(*info, "templates")}});
      DestroyWindow(dialog);
    }
  }
  return views;
}

}  // namespace tellmar::web
