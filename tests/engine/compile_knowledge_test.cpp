// What a compile knew: definitions, references with their columns in the
// line as written, the line/address map, per-line diagnostics, on a
// two-module program with an INCLUDE and an @MODULE.NAME reference.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "engine/check_compile.h"
#include "engine/compile_command.h"
#include "engine/compile_knowledge.h"
#include "tests/engine/e2e_support.h"

namespace qv3 {
namespace {

using e2e::ScratchFolder;

// Lines of main.qv3; the numbers below count from 1.
constexpr char kMain[] =
    "COMPILE LIB\n"                                 // 1
    "ORIGIN $1000\n"                                // 2
    "\tINCLUDE defs.inc\n"                          // 3
    "start:\tLDA #@LIB.COLOUR\t// set colour\n"     // 4
    "\t\tSTA ~sc~,X // LOOP in a comment\n"         // 5
    "LOOP:\tJMP loop\n"                             // 6
    "~sc~ = $0C00\n"                                // 7
    "\tJSR IncLoop\n"                               // 8
    "\tLDX #WIDTH + 1\n"                            // 9
    "\tLDA NOWHERE\n"                               // 10
    "\tLDA.8 $10\n";                                // 11
constexpr char kDefs[] = "WIDTH = 40\nINCLOOP:\tLDY #WIDTH\n";
constexpr char kLib[] = "ORIGIN $2000\nCOLOUR = $05\nSETUP:\tRTS\n";

class CompileKnowledgeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder.Write("main.qv3", kMain);
    folder.Write("defs.inc", kDefs);
    folder.Write("lib.qv3", kLib);
    // lib's object file must exist before main reads its constant.
    CompileSession first;
    ASSERT_FALSE(e2e::CompileSource(first, folder, "lib", kLib).Abandoned);
    session.Knowledge = &knowledge;
    ASSERT_FALSE(e2e::CompileSource(session, folder, "main", kMain).Abandoned);
    main = knowledge.FindModule("main");
    lib = knowledge.FindModule("LIB");
    ASSERT_NE(main, nullptr);
    ASSERT_NE(lib, nullptr);
  }

  const SymbolDefinition& Definition(const ModuleKnowledge& module, std::string_view name) {
    const auto index = module.FindDefinition(name);
    EXPECT_TRUE(index.has_value()) << name;
    return module.Definitions.at(index.value_or(0));
  }

  ScratchFolder folder;
  CompileSession session;
  CompileKnowledge knowledge;
  const ModuleKnowledge* main = nullptr;
  const ModuleKnowledge* lib = nullptr;
};

TEST_F(CompileKnowledgeTest, DefinitionsWithKindLineColumnAndPassTwoValue) {
  ASSERT_EQ(knowledge.Modules.size(), 2u);
  EXPECT_EQ(knowledge.TopModule(), main);
  EXPECT_EQ(main->Folder, folder.Path());
  const SymbolDefinition& start = Definition(*main, "START");
  EXPECT_EQ(start.Kind, SymbolKind::Label);
  EXPECT_EQ(start.Value, 0x1002);
  EXPECT_EQ(start.Where.Line, 4);
  EXPECT_EQ(start.Where.Column, 0u);
  EXPECT_EQ(start.Where.Length, 5u);  // without the ":"
  EXPECT_FALSE(start.Where.FromInclude);

  const SymbolDefinition& screen = Definition(*main, "~sc~");
  EXPECT_EQ(screen.Kind, SymbolKind::Constant);
  EXPECT_EQ(screen.Value, 0x0C00);
  EXPECT_EQ(screen.Where.Line, 7);

  // Defined in the included file: placed on the INCLUDE line, and in the
  // file itself at its own line and columns.
  const SymbolDefinition& width = Definition(*main, "width");
  EXPECT_EQ(width.Kind, SymbolKind::Constant);
  EXPECT_EQ(width.Value, 40);
  EXPECT_EQ(width.Where.Line, 3);
  EXPECT_TRUE(width.Where.FromInclude);
  EXPECT_EQ(main->IncludedFileOf(width.Where), folder.Path() + "defs.inc");
  EXPECT_EQ(width.Where.IncludedLine, 1);
  EXPECT_EQ(width.Where.Column, 0u);
  EXPECT_EQ(width.Where.Length, 5u);
  EXPECT_EQ(Definition(*main, "INCLOOP").Where.IncludedLine, 2);
  EXPECT_EQ(main->IncludedFiles.size(), 1u);
  EXPECT_EQ(Definition(*main, "INCLOOP").Value, 0x1000);

  EXPECT_EQ(Definition(*lib, "SETUP").Value, 0x2000);
  EXPECT_EQ(Definition(*lib, "COLOUR").Where.Line, 2);
}

TEST_F(CompileKnowledgeTest, ReferencesSpanTheirTextInTheLineAsWritten) {
  const auto lines = SplitLines(kMain);
  const auto included = SplitLines(kDefs);
  struct Expected {
    std::int32_t Line;
    std::string Text;  // what the span must cover
    std::uint32_t Column;
    std::string Module, Definition;
    std::int32_t IncludedLine = 0;  // in defs.inc, for text from there
  };
  // Columns counted by hand: TABs are one byte, letter case as written, the
  // label before a mnemonic and the name in a comment are not references.
  const std::vector<Expected> expected = {
      {3, "WIDTH", 14, "main", "WIDTH", 2},  // LDY #WIDTH inside defs.inc
      {4, "@LIB.COLOUR", 12, "lib", "COLOUR"},
      {5, "~sc~", 6, "main", "~sc~"},
      {6, "loop", 10, "main", "LOOP"},
      {8, "IncLoop", 5, "main", "INCLOOP"},
      {9, "WIDTH", 6, "main", "WIDTH"},
      {10, "NOWHERE", 5, "main", ""},
  };
  ASSERT_EQ(main->References.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const SymbolReference& reference = main->References[i];
    const Expected& want = expected[i];
    SCOPED_TRACE(want.Text);
    EXPECT_EQ(reference.Where.Line, want.Line);
    EXPECT_EQ(reference.Where.FromInclude, want.IncludedLine != 0);
    EXPECT_EQ(reference.Where.IncludedLine, want.IncludedLine);
    EXPECT_EQ(reference.Where.Column, want.Column);
    const std::string& text = want.IncludedLine != 0
                                  ? included.at(static_cast<std::size_t>(want.IncludedLine - 1))
                                  : lines.at(static_cast<std::size_t>(want.Line - 1));
    EXPECT_EQ(text.substr(reference.Where.Column, reference.Where.Length), want.Text);
    EXPECT_EQ(reference.Module, want.Module);
    const auto place = knowledge.DefinitionOf(reference);
    if (want.Definition.empty()) {
      EXPECT_FALSE(place.has_value());
      EXPECT_FALSE(reference.Value.has_value());
      continue;
    }
    ASSERT_TRUE(place.has_value());
    EXPECT_EQ(place->Module->Name, want.Module);
    EXPECT_EQ(place->Definition->Name, want.Definition);
    EXPECT_EQ(reference.Value, place->Definition->Value);
  }
  EXPECT_TRUE(main->References[1].External);
  EXPECT_EQ(main->References[1].Name, "COLOUR");
  // Find references: lib's COLOUR is used once, from main; WIDTH twice.
  const auto users = knowledge.ReferencesTo(*lib, *lib->FindDefinition("COLOUR"));
  ASSERT_EQ(users.size(), 1u);
  EXPECT_EQ(users[0].first, main);
  EXPECT_EQ(knowledge.ReferencesTo(*main, *main->FindDefinition("WIDTH")).size(), 2u);
}

TEST_F(CompileKnowledgeTest, WhatStandsAtAColumn) {
  // "LOOP:\tJMP loop": the label's name, the ":" and TAB, then the use.
  EXPECT_EQ(main->DefinitionAt(6, 0), main->FindDefinition("LOOP"));
  EXPECT_EQ(main->DefinitionAt(6, 3), main->FindDefinition("LOOP"));
  EXPECT_FALSE(main->DefinitionAt(6, 4).has_value());
  EXPECT_EQ(main->ReferenceAt(6, 4), nullptr);
  ASSERT_NE(main->ReferenceAt(6, 13), nullptr);
  EXPECT_EQ(main->ReferenceAt(6, 13)->Name, "LOOP");
  EXPECT_EQ(main->ReferenceAt(6, 14), nullptr);
  // The "@" of "@LIB.COLOUR" belongs to the reference.
  ASSERT_NE(main->ReferenceAt(4, 12), nullptr);
  EXPECT_TRUE(main->ReferenceAt(4, 12)->External);
  // Nothing in a comment.
  EXPECT_EQ(main->ReferenceAt(5, 16), nullptr);
}

TEST_F(CompileKnowledgeTest, LineAddressMapBothWays) {
  const std::vector<AssembledRange> expected = {
      {3, 0x1000, 2}, {4, 0x1002, 2}, {5, 0x1004, 3},  {6, 0x1007, 3},
      {8, 0x100A, 3}, {9, 0x100D, 2}, {10, 0x100F, 2}, {11, 0x1011, 2},
  };
  ASSERT_EQ(main->Ranges.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(main->Ranges[i].Line, expected[i].Line) << i;
    EXPECT_EQ(main->Ranges[i].Address, expected[i].Address) << i;
    EXPECT_EQ(main->Ranges[i].Size, expected[i].Size) << i;
  }
  // The opcode the assembler chose: STA $0C00,X is absolute,X; JMP absolute.
  EXPECT_EQ(main->Ranges[2].Opcode, 0x9D);
  EXPECT_EQ(main->Ranges[3].Opcode, 0x4C);
  EXPECT_TRUE(main->Ranges[3].Instruction);
  // Every byte of an instruction leads back to its line.
  EXPECT_EQ(main->LineAtAddress(0x1004), 5);
  EXPECT_EQ(main->LineAtAddress(0x1006), 5);
  EXPECT_EQ(main->LineAtAddress(0x1007), 6);
  EXPECT_EQ(main->LineAtAddress(0x1001), 3);  // bytes of the INCLUDEd file
  EXPECT_FALSE(main->LineAtAddress(0x1013).has_value());
  EXPECT_FALSE(main->LineAtAddress(0x0FFF).has_value());
  // Lines without code: a breakpoint moves on to the next one with code.
  EXPECT_TRUE(main->RangesOfLine(7).empty());
  EXPECT_EQ(main->NextLineWithCode(7), 8);
  EXPECT_EQ(main->NextLineWithCode(1), 3);
  EXPECT_FALSE(main->NextLineWithCode(12).has_value());
  // Across modules: lib's code lies elsewhere.
  const auto there = knowledge.LineAtAddress(0x2000);
  ASSERT_TRUE(there);
  EXPECT_EQ(there->Module, lib);
  EXPECT_EQ(there->Line, 3);
}

TEST_F(CompileKnowledgeTest, DiagnosticsPerLineAreTheStatusLines) {
  ASSERT_EQ(main->Diagnostics.size(), 2u);
  const auto unknown = main->DiagnosticsOfLine(10);
  ASSERT_EQ(unknown.size(), 1u);
  EXPECT_EQ(unknown[0]->Code, Err::UnknownSymbol);
  EXPECT_TRUE(unknown[0]->Fatal);
  EXPECT_EQ(unknown[0]->Text, e2e::FatalLine("main", "Unknown constant/label", 10, "\tLDA NOWHERE"));
  const auto postfix = main->DiagnosticsOfLine(11);
  ASSERT_EQ(postfix.size(), 1u);
  EXPECT_EQ(postfix[0]->Code, Err::UnknownPostfix);
  EXPECT_FALSE(postfix[0]->Fatal);
  EXPECT_TRUE(session.StatusList.Contains(postfix[0]->Text));
  EXPECT_TRUE(lib->Diagnostics.empty());
}

// Symbols used inside expressions are references in the line as written,
// in text order, so that rename and "find references" reach every use:
// in a constant's value (read in pass 1), in operands and in data lists.
TEST(CompileKnowledgeExpressions, ReferencesInsideExpressionsHaveTheirColumns) {
  constexpr char kSource[] =
      "ROW = 12\n"                          // 1
      "AT = ROW*40 + row\n"                 // 2
      "\tORIGIN $1000\n"                    // 3
      "\tLDA #[ROW+AT]*2\n"                 // 4
      "\tBIN.B ROW, <AT+1, ROW\n"           // 5
      "\tTEXT \"X{ROW}\", AT\n";             // 6
  ScratchFolder folder;
  CompileSession session;
  CompileKnowledge knowledge;
  session.Knowledge = &knowledge;
  ASSERT_FALSE(e2e::CompileSource(session, folder, "t", kSource).Abandoned);
  const ModuleKnowledge* module = knowledge.FindModule("t");
  ASSERT_NE(module, nullptr);
  struct Expected {
    std::int32_t Line;
    std::uint32_t Column;
    std::string Name;
  };
  const std::vector<Expected> expected = {
      {2, 5, "ROW"}, {2, 14, "ROW"}, {4, 7, "ROW"}, {4, 11, "AT"}, {5, 7, "ROW"},
      {5, 13, "AT"}, {5, 19, "ROW"}, {6, 9, "ROW"}, {6, 16, "AT"},
  };
  ASSERT_EQ(module->References.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const SymbolReference& reference = module->References[i];
    SCOPED_TRACE(std::to_string(expected[i].Line) + " " + expected[i].Name);
    EXPECT_EQ(reference.Where.Line, expected[i].Line);
    EXPECT_EQ(reference.Where.Column, expected[i].Column);
    EXPECT_EQ(reference.Where.Length, expected[i].Name.size());
    ASSERT_TRUE(reference.Definition.has_value());
    EXPECT_EQ(module->Definitions.at(*reference.Definition).Name, expected[i].Name);
  }
}

TEST(CompileKnowledgeOutputs, CollectingChangesNoOutput) {
  // The same program compiled with and without collection: the same files
  // and the same lists.
  ScratchFolder plain, collected;
  std::vector<std::string> status[2], hints[2], files[2];
  const ScratchFolder* folders[2] = {&plain, &collected};
  for (int run = 0; run < 2; ++run) {
    const ScratchFolder& folder = *folders[run];
    folder.Write("main.qv3", kMain);
    folder.Write("defs.inc", kDefs);
    folder.Write("lib.qv3", kLib);
    CompileSession first;
    e2e::CompileSource(first, folder, "lib", kLib);
    CompileSession session;
    CompileKnowledge knowledge;
    if (run == 1) session.Knowledge = &knowledge;
    e2e::CompileSource(session, folder, "main", kMain);
    for (const auto& line : e2e::Texts(session.StatusList)) {
      std::string text = line;
      const auto at = text.find(folder.Path());
      if (at != std::string::npos) text.erase(at, folder.Path().size());
      status[run].push_back(text);
    }
    hints[run] = e2e::Texts(session.HintList);
    for (const char* name : {"main.prg", "main.qvo", "lib.prg", "lib.qvo"})
      files[run].push_back(folder.Read(name).value_or("missing"));
  }
  EXPECT_EQ(status[0], status[1]);
  EXPECT_EQ(hints[0], hints[1]);
  EXPECT_EQ(files[0], files[1]);
}

TEST(CompileKnowledgeTwice, AModuleCompiledTwiceKeepsItsLastCompile) {
  // t -> a -> t -> a: t's first compile misses a's object file; the
  // withdrawn diagnostics must not linger in the knowledge either.
  ScratchFolder folder;
  folder.Write("t.qv3", "COMPILE A\nORIGIN $1000\nLDA #@A.VALUE\nLDA #@A.MISSING");
  folder.Write("a.qv3", "VALUE = $42\nLDA VALUE\nCOMPILE T");
  CompileSession session;
  CompileKnowledge knowledge;
  session.Knowledge = &knowledge;
  e2e::CompileSource(session, folder, "t", *folder.Read("t.qv3"));
  ASSERT_EQ(knowledge.Modules.size(), 2u);
  for (const auto& module : knowledge.Modules) {
    std::vector<std::string> listed, known;
    for (const auto line : session.StatusList.Lines())
      if (line.Info && line.Info->FileName == module.Name) listed.emplace_back(line.Text);
    for (const auto& diagnostic : module.Diagnostics) known.push_back(diagnostic.Text);
    EXPECT_EQ(known, listed) << module.Name;
  }
  const ModuleKnowledge& t = *knowledge.FindModule("t");
  ASSERT_EQ(t.Diagnostics.size(), 1u);
  EXPECT_EQ(t.Diagnostics[0].Code, Err::UnknownSymbol);  // MISSING is not in a.qvo
  EXPECT_EQ(t.Diagnostics[0].Pass, 2);
  // One set of references, from the last compile: VALUE found in a.
  ASSERT_EQ(t.References.size(), 2u);
  EXPECT_EQ(t.References[0].Value, 0x42);
  const auto place = knowledge.DefinitionOf(t.References[0]);
  ASSERT_TRUE(place);
  EXPECT_EQ(place->Module->Name, "a");
  EXPECT_EQ(place->Definition->Where.Line, 1);
  EXPECT_EQ(t.Ranges.size(), 2u);
}

// ------------------------------------------- agreement with other sources

// The golden cases cover COMPILE chains, cycles, includes, CR LF and TABs:
// on each, the knowledge must agree with the Status list and the sources.
class KnowledgeOfGoldenCaseTest : public ::testing::TestWithParam<std::string> {};

TEST_P(KnowledgeOfGoldenCaseTest, AgreesWithTheStatusListAndTheSource) {
  const e2e::GoldenCase golden = e2e::LoadGoldenCase(GetParam());
  ScratchFolder folder;
  e2e::CopyGoldenSources(golden, folder);
  CompileSession session;
  CompileKnowledge knowledge;
  session.Knowledge = &knowledge;
  e2e::CompileSource(session, folder, CutAtFirstDot(golden.TopFile), *folder.Read(golden.TopFile));
  for (const auto& module : knowledge.Modules) {
    SCOPED_TRACE(module.Name);
    std::vector<std::string> listed, known;
    for (const auto line : session.StatusList.Lines())
      if (line.Info && EqualsIgnoringCase(line.Info->FileName, module.Name)) listed.emplace_back(line.Text);
    for (const auto& diagnostic : module.Diagnostics) known.push_back(diagnostic.Text);
    EXPECT_EQ(known, listed);
    if (!module.Assembled) continue;
    const auto source = folder.Read(module.Name + ".qv3");
    if (!source) continue;  // a module found under another spelling
    const auto lines = SplitLines(*source);
    for (const auto& reference : module.References) {
      ASSERT_GE(reference.Where.Line, 1);
      ASSERT_LE(reference.Where.Line, static_cast<std::int32_t>(lines.size()));
      if (reference.Where.FromInclude) continue;
      const std::string& line = lines[static_cast<std::size_t>(reference.Where.Line - 1)];
      ASSERT_LE(reference.Where.Column + reference.Where.Length, line.size());
      // The span holds the term, letter case and blanks aside.
      std::string spanned;
      for (char c : line.substr(reference.Where.Column, reference.Where.Length))
        if (c != ' ' && c != '\t') spanned += c;
      const std::string term =
          reference.External ? "@" + reference.Module + "." + reference.Name : reference.Name;
      EXPECT_TRUE(EqualsIgnoringCase(spanned, term)) << spanned << " vs " << term;
    }
    for (std::size_t i = 1; i < module.Ranges.size(); ++i)
      EXPECT_LE(module.Ranges[i - 1].Line, module.Ranges[i].Line);
  }
  // Where the compile assembled the top module alone, a check of its text
  // lists the same lines and learns the same.
  if (knowledge.Modules.size() != 1) return;
  const CheckResult check =
      CheckCompile(*folder.Read(golden.TopFile), CutAtFirstDot(golden.TopFile), folder.Path());
  EXPECT_EQ(e2e::Texts(check.Status), e2e::Texts(session.StatusList));
  EXPECT_EQ(e2e::Texts(check.Hints), e2e::Texts(session.HintList));
  EXPECT_EQ(check.Fatal, session.FatalFlag);
  ASSERT_EQ(check.Knowledge.Modules.size(), 1u);
  EXPECT_EQ(check.Knowledge.Modules[0].Ranges.size(), knowledge.Modules[0].Ranges.size());
  EXPECT_EQ(check.Knowledge.Modules[0].References.size(), knowledge.Modules[0].References.size());
}

INSTANTIATE_TEST_SUITE_P(Cases, KnowledgeOfGoldenCaseTest,
                         ::testing::ValuesIn(e2e::GoldenCaseNames()),
                         [](const auto& info) { return info.param; });

// The benchmark generator computes every line's address and size on its own
// (NAME.map.tsv): the check's ranges must be exactly those, over every
// mnemonic, addressing mode and data directive.
TEST(KnowledgeOfWorkloads, RangesAreTheGeneratorsAddressMap) {
  ScratchFolder folder;
  const std::string command = "python3 " + std::string(QV3_SOURCE_DIR) +
                              "/bench/generate.py --scale 1 --workloads code,data --out " +
                              folder.Path() + " >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0) GTEST_SKIP() << "python3 cannot run bench/generate.py";
  for (const char* workload : {"code", "data"}) {
    SCOPED_TRACE(workload);
    const auto source = folder.Read(std::string(workload) + ".qv3");
    const auto map = folder.Read(std::string(workload) + ".map.tsv");
    ASSERT_TRUE(source && map);
    const CheckResult result = CheckCompile(*source, workload, folder.Path());
    ASSERT_FALSE(result.Fatal);
    const ModuleKnowledge& module = *result.Knowledge.TopModule();
    // The generator's own bytes hold each instruction's opcode.
    const auto expected = folder.Read(std::string(workload) + ".expect.prg");
    ASSERT_TRUE(expected && expected->size() > 2);
    const int load = static_cast<unsigned char>((*expected)[0]) | static_cast<unsigned char>((*expected)[1]) << 8;
    std::istringstream rows(*map);
    std::string header, address, size, line;
    std::getline(rows, header);
    std::size_t at = 0;
    while (rows >> address >> size >> line) {
      ASSERT_LT(at, module.Ranges.size());
      const AssembledRange& range = module.Ranges[at++];
      ASSERT_EQ(range.Address, std::stoi(address, nullptr, 16)) << "line " << line;
      ASSERT_EQ(range.Size, static_cast<std::uint32_t>(std::stoi(size))) << "line " << line;
      ASSERT_EQ(range.Line, std::stoi(line));
      if (range.Instruction) {
        const auto at = static_cast<std::size_t>(range.Address - load + 2);
        ASSERT_EQ(range.Opcode, static_cast<unsigned char>(expected->at(at))) << "line " << line;
      }
    }
    EXPECT_EQ(at, module.Ranges.size());
    EXPECT_GT(at, 1000u);
  }
}

}  // namespace
}  // namespace qv3
