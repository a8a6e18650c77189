// SPDX-License-Identifier: GPL-3.0-or-later
#include "language/check_object_text.h"

#include "engine/source_text.h"

std::string ObjectTextOfCheck(const qv3::CheckResult& check) {
  const qv3::ModuleKnowledge* top = check.Knowledge.TopModule();
  if (!top || check.Fatal || check.Cancelled || check.Abandoned) return {};
  std::string text = "// Objects\r\n";
  for (const auto& definition : top->Definitions)
    text += definition.Name + " = $" + qv3::HexText(definition.Value) + "\r\n";
  text += "\r\n// Code\r\n";
  return text;
}

std::string ObjectFilePathOf(std::string_view module, const std::string& folder) {
  std::string name(module);
  for (char& c : name)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return folder + name + ".qvo";
}
