#include "workbench/message_jump.h"

#include "engine/file_system.h"
#include "engine/source_text.h"

std::optional<LineSelection> SelectionOfLine(const std::vector<std::string>& lines,
                                             long long index) {
  const auto count = static_cast<long long>(lines.size());
  if (index < 0 || index > count) return std::nullopt;
  LineSelection selection;
  for (long long i = 0; i < index; ++i)
    selection.start += static_cast<long long>(lines[static_cast<std::size_t>(i)].size()) + 2;
  if (index < count) selection.length = static_cast<long long>(lines[static_cast<std::size_t>(index)].size());
  return selection;
}

std::string ModuleKey(std::string_view moduleFileName) {
  return qv3::UpperCaseOutsideTildes(qv3::CutAtFirstDot(moduleFileName));
}

bool CaptionShowsModule(std::string_view caption, std::string_view key) {
  return ModuleKey(qv3::FileNameOf(caption)) == key;
}
