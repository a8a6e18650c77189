// The arithmetic of the jump from a diagnostic to its source line, without
// widgets: which editor shows a module, and where a line starts when every
// line break counts as two characters (CR LF).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct LineSelection {
  long long start = 0;  // offset with CR LF line breaks
  long long length = 0;
};

// The selection of the 0-based line index in lines: the start is the sum of
// the earlier lines' lengths plus 2 each, the length that of the line (0 for
// the index just past the last line). Nothing when index is out of range.
std::optional<LineSelection> SelectionOfLine(const std::vector<std::string>& lines, long long index);

// The key a module is known by: upper-cased outside "~" pairs and cut
// before its first ".".
std::string ModuleKey(std::string_view moduleFileName);

// Whether an editor caption (a file name or a path) shows the module key.
bool CaptionShowsModule(std::string_view caption, std::string_view key);
