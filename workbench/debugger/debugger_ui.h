// The debugger in the workbench: the Debug menu, the panes (docks of the main
// window, shown when a session starts), the breakpoints of the open editors
// and the current line in its module's editor. It reaches the main window
// only through its public face: the compile of the active editor, the
// editors, and the jump to a module's editor.
#pragma once

#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>
#include <map>
#include <memory>
#include <set>
#include <optional>
#include <string>

#include "engine/compile_knowledge.h"
#include "workbench/debugger/debug_session.h"

class CodeEditor;
class DebugLayout;
class DisassemblyPane;
class MemoryPane;
class QAction;
class QDockWidget;
class QLabel;
class QMenu;
class RegistersPane;
class RunOptionsMenu;
class ScreenPane;
class StackPane;
class TedPane;
class QSettings;
class TfrmQV3;
class TfrmQVEdit;

class DebuggerUi : public QObject {
  Q_OBJECT
 public:
  explicit DebuggerUi(TfrmQV3& main);
  ~DebuggerUi() override;

  QMenu* menu() const { return menu_; }
  DebugSession& session() { return session_; }
  RegistersPane* registersPane() const { return registers_; }
  MemoryPane* memoryPane() const { return memory_; }
  DisassemblyPane* disassemblyPane() const { return disassembly_; }
  ScreenPane* screenPane() const { return screen_; }
  StackPane* stackPane() const { return stack_; }
  TedPane* tedPane() const { return ted_; }
  // The Speed and Joystick submenus.
  RunOptionsMenu* runOptions() const { return runOptions_; }
  // Where the bare-6502 choice is kept (the workbench's settings); without
  // it the choice lasts as long as the window.
  void useSettings(QSettings* settings);
  // Whether the next session runs on the bare 6502 instead of the Plus/4 model.
  bool runsOnBareMachine() const;
  // The settings key of "Stop at Undocumented Opcodes" for the machine chosen
  // now: each machine keeps its own choice.
  QString stopAtUndocumentedKey() const;
  void showStopAtUndocumentedChoice();
  const std::vector<QDockWidget*>& docks() const { return docks_; }
  // The line over the panes: how the last run ended, or what the debugger does.
  QString statusText() const;
  // What the last compile knew; null before the first session.
  const qv3::CompileKnowledge* knowledge() const { return knowledge_.get(); }
  // The value of a label or constant of the program, letter case ignored.
  std::optional<std::uint16_t> valueOfName(const std::string& name) const;

  QAction* StartContinue;
  QAction* StepInto;
  QAction* StepOver;
  QAction* StepOut;
  QAction* RunToCursor;
  QAction* Pause;
  QAction* StopDebugging;
  QAction* ToggleBreakpoint;
  QAction* DataBreakpoints;
  QAction* BareMachine;
  QAction* StopAtUndocumented;
  QAction* ResetLayout;

 public slots:
  // Compiles the active document as "Compile" does and runs it from its start.
  void startDebugging() { startDebuggingTo(-1); }
  // Start when no program is stopped, else continue.
  void startOrContinue();
  void runToCursor();
  void toggleBreakpointAtCaret();
  // Stop: the program is discarded, the panes close and the main window's
  // layout is as it was before the session.
  void stopDebugging();
  void editDataBreakpoints();
  // Steps that know macros and REPEAT blocks: Step Over runs a whole
  // expansion when stopped on its invocation line, Step Into shows the body
  // lines of the expansion it enters.
  void stepInto();
  void stepOver();

 private:
  // Start; with toLine >= 0 (0-based, in the active editor) running to that
  // line or the next with code.
  void startDebuggingTo(int toLine);
  // The program is discarded; the panes stay.
  void endSession();
  void closePanes();
  void takeStateEdit(const qv3::debugger::MachineState& state);
  void takeByteEdit(std::uint16_t address, std::uint8_t value);
  // After an edit: every pane and the current line as the machine now stands.
  void showEdited();
  // LABEL or LABEL+n for an address inside the program's code; "" else.
  std::string placeName(std::uint16_t address) const;
  void createMenu();
  void createPanes();
  // picture: the size of what the Screen pane will show.
  void showPanes(QSize picture);
  // The panes in their default places and proportions.
  void placePanes();
  QDockWidget* dockOf(const QWidget* pane) const;
  void hookEditors();
  void applyBreakpoints();
  void onStopped();
  void showProgress();
  // The Screen pane alone, as each frame of a run at real speed completes.
  void showScreen();
  void showCode();
  // Registers, memory and screen as the machine stands; nothing without a machine.
  std::optional<qv3::debugger::MachineState> showMachinePanes();
  void updateActions();
  void showCurrentLine();
  void clearCurrentLine();
  void setStatus(const QString& text);
  const qv3::ModuleKnowledge* moduleOf(const TfrmQVEdit& editor) const;
  std::optional<std::uint16_t> addressOfLine(const qv3::ModuleKnowledge& module, int line,
                                             int* movedTo) const;
  std::string labelOf(std::uint16_t address) const;
  // Bytes from address that the program assembled as data; 0 for code.
  int dataBytesAt(std::uint16_t address) const;
  std::string nameOf(std::uint16_t address) const;
  // The source line of the instruction at pc.
  std::optional<qv3::CodeLocation> locate(std::uint16_t pc) const;
  QString placeText(std::uint16_t pc) const;

  // Memory as the CPU reads it now (the ROM banked in, the TED's registers):
  // what the disassembly and the memory pane show.
  const std::array<std::uint8_t, 0x10000>& cpuView();

  TfrmQV3& main_;
  std::array<std::uint8_t, 0x10000> cpuView_{};
  DebugSession session_;
  QMenu* menu_ = nullptr;
  QLabel* status_ = nullptr;
  RegistersPane* registers_ = nullptr;
  MemoryPane* memory_ = nullptr;
  DisassemblyPane* disassembly_ = nullptr;
  ScreenPane* screen_ = nullptr;
  StackPane* stack_ = nullptr;
  TedPane* ted_ = nullptr;
  RunOptionsMenu* runOptions_ = nullptr;
  QSettings* settings_ = nullptr;
  std::vector<QDockWidget*> docks_;
  std::unique_ptr<DebugLayout> layout_;
  QSize layoutPicture_;  // the Screen pane's picture size before the panes opened
  std::unique_ptr<qv3::CompileKnowledge> knowledge_;
  std::map<std::uint16_t, std::string> labels_;     // address -> first label there
  std::map<std::uint16_t, std::string> constants_;  // address -> first constant of that value
  std::map<std::string, std::uint16_t> values_;     // upper-cased name -> value
  std::map<std::uint16_t, int> data_;               // start of a data range -> its end
  std::set<std::uint16_t> code_;                    // where the program's instructions start
  QPointer<TfrmQVEdit> origin_;                     // the document being debugged
  QPointer<CodeEditor> marked_;                     // where the current line is shown
  // The current line shown is the body line of an expansion (after a Step
  // Into it, or a breakpoint on a body line), not its invocation line.
  bool inBody_ = false;
  enum class Command { Other, StepInto, StepOverExpansion };
  Command lastCommand_ = Command::Other;
  std::set<std::uint16_t> bodyBreakpoints_;  // addresses set from body lines
  // The module whose instruction is at pc, when it came from an expansion.
  const qv3::ModuleKnowledge* expansionModuleAt(std::uint16_t pc) const;
  bool applying_ = false;
};

// Makes the main window's debugger (its Debug menu after "&Compile", its
// panes); owned by the main window.
DebuggerUi* InstallDebugger(TfrmQV3& main);
