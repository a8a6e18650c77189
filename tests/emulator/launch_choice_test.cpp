// Which emulator "Compile && Run" starts, for every combination of what is
// on the PATH, whether the built-in Plus/4 can run and what the Preferences
// say; and the custom command line.
#include <gtest/gtest.h>

#include <QSet>

#include "workbench/emulator/launch_choice.h"

namespace {

struct Installed {
  bool vice, plus4emu, builtIn;
};

// What a user expects, written as the rule reads: the chosen emulator when
// it is there, else xplus4, plus4emu, the built-in machine, xdg-open.
struct Row {
  EmulatorChoice choice;
  Installed installed;
  const char* expected;  // "xplus4", "plus4emu", "built-in", "xdg-open", "custom"
  bool note;             // a line for the Status list
};

const Row kRows[] = {
    // Automatic: the order alone decides; only xdg-open earns a note.
    {EmulatorChoice::Automatic, {true, true, true}, "xplus4", false},
    {EmulatorChoice::Automatic, {false, true, true}, "plus4emu", false},
    {EmulatorChoice::Automatic, {false, false, true}, "built-in", false},
    {EmulatorChoice::Automatic, {true, false, false}, "xplus4", false},
    {EmulatorChoice::Automatic, {false, true, false}, "plus4emu", false},
    {EmulatorChoice::Automatic, {false, false, false}, "xdg-open", true},
    // The built-in machine chosen beats emulators on the PATH.
    {EmulatorChoice::BuiltIn, {true, true, true}, "built-in", false},
    {EmulatorChoice::BuiltIn, {true, true, false}, "xplus4", true},
    {EmulatorChoice::BuiltIn, {false, true, false}, "plus4emu", true},
    {EmulatorChoice::BuiltIn, {false, false, false}, "xdg-open", true},
    // plus4emu chosen beats xplus4; missing, the order applies with a note.
    {EmulatorChoice::Plus4emu, {true, true, true}, "plus4emu", false},
    {EmulatorChoice::Plus4emu, {true, false, true}, "xplus4", true},
    {EmulatorChoice::Plus4emu, {false, false, true}, "built-in", true},
    {EmulatorChoice::Xplus4, {true, true, true}, "xplus4", false},
    {EmulatorChoice::Xplus4, {false, true, true}, "plus4emu", true},
    {EmulatorChoice::Xplus4, {false, false, true}, "built-in", true},
    {EmulatorChoice::Xplus4, {false, false, false}, "xdg-open", true},
    // A custom command whose program exists beats everything.
    {EmulatorChoice::Custom, {true, true, true}, "custom", false},
    {EmulatorChoice::Custom, {false, false, false}, "custom", false},
};

LaunchPlan Plan(EmulatorChoice choice, Installed installed, const QString& custom = "myemu -run %f") {
  const auto find = [installed](const QString& name) -> QString {
    if (name == "xplus4" && installed.vice) return "/usr/bin/xplus4";
    if (name == "plus4emu" && installed.plus4emu) return "/usr/bin/plus4emu";
    if (name == "myemu") return "/opt/bin/myemu";
    return {};
  };
  return ChooseLaunch("/p/game.prg", "/run/game.lbl", {choice, custom}, find,
                      installed.builtIn ? QString() : "the files are missing (run scripts/install-deps).");
}

QString Started(const LaunchPlan& plan) {
  if (plan.target == LaunchPlan::Target::BuiltIn) return "built-in";
  if (plan.command.program == "/opt/bin/myemu") return "custom";
  return plan.command.program.section('/', -1);
}

TEST(LaunchChoice, EveryCombinationOfPathBuiltInAndPreferences) {
  for (const Row& row : kRows) {
    const LaunchPlan plan = Plan(row.choice, row.installed);
    const std::string where = "choice " + std::to_string(static_cast<int>(row.choice)) + " vice " +
                              std::to_string(row.installed.vice) + " plus4emu " +
                              std::to_string(row.installed.plus4emu) + " built-in " +
                              std::to_string(row.installed.builtIn);
    EXPECT_EQ(Started(plan).toStdString(), row.expected) << where;
    EXPECT_EQ(!plan.statusNote.isEmpty(), row.note) << where << ": " << plan.statusNote.toStdString();
  }
}

TEST(LaunchChoice, ArgumentsOfEachEmulator) {
  const LaunchPlan vice = Plan(EmulatorChoice::Automatic, {true, false, false});
  EXPECT_EQ(vice.command.arguments,
            (QStringList{"-moncommands", "/run/game.lbl", "-autostart", "/p/game.prg"}));
  EXPECT_EQ(Plan(EmulatorChoice::Plus4emu, {false, true, false}).command.arguments,
            (QStringList{"-prg", "/p/game.prg"}));
  EXPECT_EQ(Plan(EmulatorChoice::Automatic, {false, false, false}).command.arguments,
            QStringList{"/p/game.prg"});
  EXPECT_EQ(Plan(EmulatorChoice::Custom, {}).command.arguments, (QStringList{"-run", "/p/game.prg"}));
}

TEST(LaunchChoice, TheDesktopsOpenerNoteSaysWhatIsMissingAndHowToInstallIt) {
  const QString note = Plan(EmulatorChoice::Automatic, {false, false, false}).statusNote;
  EXPECT_TRUE(note.contains("xplus4") && note.contains("plus4emu") && note.contains("xdg-open"))
      << note.toStdString();
  EXPECT_TRUE(note.contains("scripts/install-deps")) << note.toStdString();
}

TEST(LaunchChoice, UnusableCustomCommandFallsBackWithItsReason) {
  const LaunchPlan empty = Plan(EmulatorChoice::Custom, {true, false, false}, "   ");
  EXPECT_EQ(Started(empty), "xplus4");
  EXPECT_TRUE(empty.statusNote.contains("empty")) << empty.statusNote.toStdString();
  const LaunchPlan unknown = Plan(EmulatorChoice::Custom, {false, false, true}, "nosuch %f");
  EXPECT_EQ(Started(unknown), "built-in");
  EXPECT_TRUE(unknown.statusNote.contains("nosuch")) << unknown.statusNote.toStdString();
}

TEST(CustomCommand, PlaceholderQuotingAndMistakes) {
  // %f inside a longer argument, quoted words kept whole.
  const LaunchCommand command =
      ExpandCustomCommand(R"(/opt/emu --title "My Plus/4" --file=%f)", "/a b/game.prg");
  EXPECT_EQ(command.program, "/opt/emu");
  EXPECT_EQ(command.arguments, (QStringList{"--title", "My Plus/4", "--file=/a b/game.prg"}));
  // No %f: the program path goes last.
  EXPECT_EQ(ExpandCustomCommand("emu -warp", "/g.prg").arguments, (QStringList{"-warp", "/g.prg"}));
  // Each %f is replaced.
  EXPECT_EQ(ExpandCustomCommand("emu %f %f", "/g.prg").arguments, (QStringList{"/g.prg", "/g.prg"}));
  EXPECT_TRUE(ExpandCustomCommand("", "/g.prg").program.isEmpty());
  EXPECT_TRUE(ExpandCustomCommand("emu \"unclosed %f", "/g.prg").program.isEmpty());
}

}  // namespace
