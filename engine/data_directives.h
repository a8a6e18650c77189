// The directives that write values computed by expressions: BIN.B and
// BIN.W with expression items, TEXT (PETSCII), FILL and ALIGN, and the
// values ORIGIN, LEAP and constant definitions need in pass 1.
#pragma once

#include <cstdint>
#include <string_view>

namespace qv3 {

struct ModuleAssembly;
struct LineContext;

// "1000 : BIN.B  $01 $02": the address, the keyword and the untouched rest.
void WriteDirectiveListing(ModuleAssembly& module, std::int32_t origin, std::string_view keyword,
                           std::string_view rest);

// A value that pass 1 needs (a constant, ORIGIN, LEAP): a symbol must be
// defined above it. Pass 1 reports the faults; pass 2 reads the value again
// silently (its symbols may have moved, and the editor learns its
// references). 0 for a faulty value.
std::int64_t PassOneValue(ModuleAssembly& module, std::string_view text, bool isPass1);

// Whether BIN.B/BIN.W's rest is today's list: blank-separated number
// literals only.
bool IsLiteralList(std::string_view rest);
// BIN.B (width 1) or BIN.W (width 2) with expression items: separated by
// commas, or by blanks when the list holds no comma. list: write the
// listing line (not yet written for the line).
void ExpressionData(ModuleAssembly& module, LineContext& line, std::string_view keyword, int width, bool list);

// TEXT ~Mixed case~, "UPPER", VALUE, ~{CODE}~: PETSCII bytes.
void Text(ModuleAssembly& module, LineContext& line);
// FILL count [, value]: count bytes of value (0 when left out).
void Fill(ModuleAssembly& module, LineContext& line);
// ALIGN boundary [, value]: value bytes up to the next multiple of boundary.
void Align(ModuleAssembly& module, LineContext& line);

}  // namespace qv3
