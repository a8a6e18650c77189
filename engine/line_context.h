// The state of handling one source line in one pass.
#pragma once

#include <string>

namespace qv3 {

struct LineContext {
  std::string FirstWord;   // upper-cased first word: label, name, keyword or mnemonic
  std::string RestOfLine;  // the upper-cased rest, starting with the blank after FirstWord
  bool IsPass1 = true;
  bool AfterLabel = false;
  bool Handled = false;
};

}  // namespace qv3
