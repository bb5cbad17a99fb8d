#include "platform/template_ids.h"

#include <map>

namespace tellmar {
namespace {

std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out.push_back('\\');
    if (c == '\n' || c == '\r' || c == '\t') {
      out += c == '\n' ? "\\n" : c == '\r' ? "\\r" : "\\t";
      continue;
    }
    out.push_back(c);
  }
  return out + "\"";
}

std::string Kind(const DialogTemplate& d) { return d.page ? "page" : "dialog"; }

}  // namespace

std::vector<std::string> CheckTemplateNames(const std::vector<std::pair<std::string, TemplateFile>>& files) {
  std::vector<std::string> errors;
  std::map<std::string, std::string> seen;  // dialog name -> where
  for (const auto& [path, file] : files) {
    for (const auto& [id, d] : file.parsed.dialogs) {
      if (d.name.empty()) continue;
      const std::string where = path + ":" + std::to_string(d.line);
      if (auto it = seen.find(d.name); it != seen.end())
        errors.push_back(where + ": " + Kind(d) + " name '" + d.name + "' is already used at " + it->second);
      else
        seen.emplace(d.name, where);
      for (const ControlTemplate& c : d.controls)
        if (c.name == "Template") errors.push_back(where + ": the control name 'Template' is taken by the " + Kind(d));
    }
  }
  return errors;
}

std::string GenerateIdsHeader(std::string_view program, const TemplateFile& file) {
  std::string out = "// Generated from " + file.stem + ".tmr by tmr_ids; do not edit.\n#pragma once\n\n";
  out += "namespace tellmar::res::" + std::string(program) + " {\n";
  for (const auto& [id, d] : file.parsed.dialogs) {
    if (d.name.empty()) continue;
    out += "\n// " + Kind(d) + " " + std::to_string(id) + " " + Quoted(d.caption) + "\n";
    out += "struct " + d.name + " {\n";
    out += "  static constexpr int kTemplate = " + std::to_string(id) + ";\n";
    for (const ControlTemplate& c : d.controls)
      if (!c.name.empty()) out += "  static constexpr int k" + c.name + " = " + std::to_string(c.id) + ";\n";
    out += "};\n";
  }
  out += "\n}  // namespace tellmar::res::" + std::string(program) + "\n";
  return out;
}

std::string GenerateIdsPython(std::string_view program, const std::vector<TemplateFile>& files) {
  std::string out = "# Generated from the templates of " + std::string(program) + " by tmr_ids; do not edit.\n";
  for (const TemplateFile& file : files) {
    for (const auto& [id, d] : file.parsed.dialogs) {
      if (d.name.empty()) continue;
      out += "\n\nclass " + d.name + ":\n";
      out += "    \"\"\"" + Kind(d) + " " + std::to_string(id) + " of " + file.stem + ".tmr\"\"\"\n";
      out += "    TEMPLATE = " + std::to_string(id) + "\n";
      for (const ControlTemplate& c : d.controls)
        if (!c.name.empty()) out += "    " + c.name + " = " + std::to_string(c.id) + "\n";
    }
  }
  return out;
}

}  // namespace tellmar
