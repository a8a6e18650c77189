#include "workbench/debugger/debugger_ui.h"

#include <QAction>
#include <QDockWidget>
#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QTextBlock>
#include <QVBoxLayout>
#include <algorithm>
#include <cctype>

#include "engine/instruction_set.h"
#include "workbench/editor/code_editor.h"
#include "workbench/debugger/breakpoint_store.h"
#include "workbench/debugger/debug_layout.h"
#include "workbench/debugger/disassembly_pane.h"
#include "workbench/debugger/memory_pane.h"
#include "workbench/debugger/program_machine.h"
#include "workbench/debugger/registers_pane.h"
#include "workbench/debugger/run_options_menu.h"
#include "workbench/debugger/screen_pane.h"
#include "workbench/debugger/plus4_program_machine.h"
#include "workbench/debugger/stack_pane.h"
#include "workbench/debugger/stripped_module.h"
#include "workbench/debugger/ted_pane.h"
#include "workbench/debugger/watch_dialog.h"
#include "workbench/dialogs.h"
#include "workbench/editor_window.h"
#include "workbench/latin1.h"
#include "workbench/process_window.h"  // before main_window.h: its QPointer needs the class
#include "workbench/main_window.h"
#include "workbench/message_jump.h"

namespace {

const QString kCurrentLineLayer = QStringLiteral("debugger");

QAction* AddItem(QMenu* menu, const char* name, const QString& caption, const QKeySequence& key) {
  QAction* item = menu->addAction(caption);
  item->setObjectName(QString::fromLatin1(name));
  item->setShortcut(key);
  return item;
}

QString Hex4(std::uint16_t value) { return QStringLiteral("$%1").arg(value, 4, 16, QLatin1Char('0')).toUpper(); }

CodeEditor* CodeOf(const TfrmQVEdit& editor) { return qobject_cast<CodeEditor*>(editor.mCode); }

}  // namespace

DebuggerUi* InstallDebugger(TfrmQV3& main) { return new DebuggerUi(main); }

DebuggerUi::DebuggerUi(TfrmQV3& main) : QObject(&main), main_(main) {
  setObjectName(QStringLiteral("debugger"));
  createMenu();
  createPanes();
  connect(main_.mdiArea(), &QMdiArea::subWindowActivated, this, &DebuggerUi::hookEditors);
  connect(&session_, &DebugSession::stopped, this, &DebuggerUi::onStopped);
  connect(&session_, &DebugSession::stateChanged, this, &DebuggerUi::updateActions);
  connect(&session_, &DebugSession::progressed, this, &DebuggerUi::showProgress);
  connect(&session_, &DebugSession::frameEmulated, this, &DebuggerUi::showScreen);
  updateActions();
}

DebuggerUi::~DebuggerUi() = default;

void DebuggerUi::createMenu() {
  menu_ = new QMenu(QStringLiteral("&Debug"), &main_);
  menu_->setObjectName(QStringLiteral("Debug1"));
  // After "&Compile", before "&Window".
  main_.menuBar()->insertMenu(main_.Window1->menuAction(), menu_);
  StartContinue = AddItem(menu_, "StartContinue", QString(), QKeySequence(Qt::SHIFT | Qt::Key_F9));
  menu_->addSeparator();
  StepInto = AddItem(menu_, "StepInto", tr("Step &Into"), Qt::Key_F7);
  StepOver = AddItem(menu_, "StepOver", tr("Step &Over"), Qt::Key_F8);
  StepOut = AddItem(menu_, "StepOut", tr("Step O&ut"), QKeySequence(Qt::SHIFT | Qt::Key_F8));
  RunToCursor = AddItem(menu_, "RunToCursor", tr("&Run to Cursor"), Qt::Key_F4);
  menu_->addSeparator();
  Pause = AddItem(menu_, "Pause", tr("&Pause"), Qt::Key_Pause);
  Pause->setShortcuts({QKeySequence(Qt::Key_Pause), QKeySequence(Qt::Key_F6)});
  StopDebugging = AddItem(menu_, "StopDebugging", tr("&Stop"), QKeySequence(Qt::CTRL | Qt::Key_F2));
  menu_->addSeparator();
  ToggleBreakpoint = AddItem(menu_, "ToggleBreakpoint", tr("Toggle &Breakpoint"), Qt::Key_F5);
  DataBreakpoints = AddItem(menu_, "DataBreakpoints", tr("Data Brea&kpoints..."), QKeySequence());
  menu_->addSeparator();
  BareMachine = AddItem(menu_, "BareMachine", tr("Run on the Bare &6502"), QKeySequence());
  BareMachine->setCheckable(true);
  BareMachine->setToolTip(tr("Debug on the 6502 over plain RAM instead of the Plus/4 model"));
  connect(BareMachine, &QAction::toggled, this, [this](bool bare) {
    if (settings_) settings_->setValue(QStringLiteral("debugger/bareMachine"), bare);
    showStopAtUndocumentedChoice();
  });
  StopAtUndocumented = AddItem(menu_, "StopAtUndocumented", tr("Stop at &Undocumented Opcodes"), QKeySequence());
  StopAtUndocumented->setCheckable(true);
  StopAtUndocumented->setToolTip(
      tr("End the program at an undocumented opcode instead of running it as the 8501 does"));
  showStopAtUndocumentedChoice();
  // triggered, not toggled: only the user's choice is stored.
  connect(StopAtUndocumented, &QAction::triggered, this, [this](bool stop) {
    if (settings_) settings_->setValue(stopAtUndocumentedKey(), stop);
    session_.setStopAtUndocumented(stop);
  });

  connect(StartContinue, &QAction::triggered, this, &DebuggerUi::startOrContinue);
  connect(StepInto, &QAction::triggered, this, &DebuggerUi::stepInto);
  connect(StepOver, &QAction::triggered, this, &DebuggerUi::stepOver);
  connect(StepOut, &QAction::triggered, &session_, &DebugSession::stepOut);
  connect(RunToCursor, &QAction::triggered, this, &DebuggerUi::runToCursor);
  connect(Pause, &QAction::triggered, &session_, &DebugSession::pause);
  connect(StopDebugging, &QAction::triggered, this, &DebuggerUi::stopDebugging);
  connect(ToggleBreakpoint, &QAction::triggered, this, &DebuggerUi::toggleBreakpointAtCaret);
  connect(DataBreakpoints, &QAction::triggered, this, &DebuggerUi::editDataBreakpoints);
}

void DebuggerUi::useSettings(QSettings* settings) {
  settings_ = settings;
  if (settings_)
    BareMachine->setChecked(settings_->value(QStringLiteral("debugger/bareMachine"), false).toBool());
  showStopAtUndocumentedChoice();
  runOptions_->useSettings(settings);
  layout_->useSettings(settings);
}

bool DebuggerUi::runsOnBareMachine() const { return BareMachine->isChecked(); }

QString DebuggerUi::stopAtUndocumentedKey() const {
  return runsOnBareMachine() ? QStringLiteral("debugger/stopAtUndocumentedBare")
                             : QStringLiteral("debugger/stopAtUndocumentedPlus4");
}

// The bare 6502 stops at them unless told otherwise (a routine's test finds a
// stray byte); the Plus/4 model runs them, as the machine does.
void DebuggerUi::showStopAtUndocumentedChoice() {
  const bool byDefault = runsOnBareMachine();
  StopAtUndocumented->setChecked(settings_ ? settings_->value(stopAtUndocumentedKey(), byDefault).toBool()
                                           : byDefault);
}

void DebuggerUi::editDataBreakpoints() {
  WatchDialog dialog(session_, [this](const std::string& name) { return valueOfName(name); }, &main_);
  // The machine running now, else the one the next session will run on.
  const qv3::debugger::Machine* machine = session_.machine();
  dialog.setRasterAvailable(machine ? machine->RasterLine().has_value() : !runsOnBareMachine());
  dialog.exec();
}

void DebuggerUi::createPanes() {
  const auto addDock = [this](const QString& title, const char* name, QWidget* content,
                              Qt::DockWidgetArea area) {
    auto* dock = new QDockWidget(title, &main_);
    dock->setObjectName(QString::fromLatin1(name));
    dock->setWidget(content);
    main_.addDockWidget(area, dock);
    dock->hide();
    docks_.push_back(dock);
    return dock;
  };

  auto* registersBox = new QWidget;
  auto* registersLayout = new QVBoxLayout(registersBox);
  registersLayout->setContentsMargins(0, 0, 0, 0);
  status_ = new QLabel(registersBox);
  status_->setObjectName(QStringLiteral("debuggerStatus"));
  status_->setWordWrap(true);
  status_->setMargin(6);
  registers_ = new RegistersPane(registersBox);
  registers_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
  registersLayout->addWidget(status_);
  registersLayout->addWidget(registers_, 1);
  addDock(tr("Registers"), "registersDock", registersBox, Qt::RightDockWidgetArea);
  disassembly_ = new DisassemblyPane;
  addDock(tr("Disassembly"), "disassemblyDock", disassembly_, Qt::RightDockWidgetArea);
  memory_ = new MemoryPane;
  memory_->setLabels([this](const std::string& name) { return valueOfName(name); });
  addDock(tr("Memory"), "memoryDock", memory_, Qt::BottomDockWidgetArea);
  screen_ = new ScreenPane;
  addDock(tr("Screen"), "screenDock", screen_, Qt::BottomDockWidgetArea);
  stack_ = new StackPane;
  addDock(tr("Stack"), "stackDock", stack_, Qt::BottomDockWidgetArea);
  ted_ = new TedPane;
  addDock(tr("TED"), "tedDock", ted_, Qt::RightDockWidgetArea);
  layout_ = std::make_unique<DebugLayout>(main_, docks_, [this] { placePanes(); });

  connect(registers_, &RegistersPane::stateEdited, this, &DebuggerUi::takeStateEdit);
  connect(memory_, &MemoryPane::byteEdited, this, &DebuggerUi::takeByteEdit);
  connect(screen_, &ScreenPane::keyTyped, &session_, &DebugSession::keyDown);
  connect(screen_, &ScreenPane::keyReleased, &session_, &DebugSession::keyUp);
  connect(screen_, &ScreenPane::joystickMoved, &session_, &DebugSession::setJoystick);
  runOptions_ = new RunOptionsMenu(*menu_, session_, *screen_);

  // The panes can be closed one by one; the menu brings them back.
  QMenu* panes = menu_->addMenu(tr("P&anes"));
  panes->setObjectName(QStringLiteral("DebugPanes"));
  for (QDockWidget* dock : docks_) panes->addAction(dock->toggleViewAction());
  panes->addSeparator();
  ResetLayout = panes->addAction(tr("&Reset Layout"));
  ResetLayout->setObjectName(QStringLiteral("ResetLayout"));
  ResetLayout->setToolTip(tr("The panes in their first places and sizes; the arrangement you made is forgotten"));
  connect(ResetLayout, &QAction::triggered, this, [this] { layout_->reset(); });
}

void DebuggerUi::showPanes(QSize picture) {
  if (layout_->isOpen()) {
    // All closed by hand: a new program brings them back where they were.
    if (std::none_of(docks_.begin(), docks_.end(), [](QDockWidget* dock) { return dock->isVisible(); }))
      for (QDockWidget* dock : docks_) dock->show();
    return;
  }
  layoutPicture_ = screen_->pictureSize();
  screen_->setPictureSize(picture);
  layout_->open();
}

void DebuggerUi::placePanes() {
  // Code and registers in a column on the right (the TED behind the code),
  // memory, stack and screen in a strip below, the rest for the editors.
  QDockWidget* registersDock = dockOf(status_->parentWidget());
  QDockWidget* codeDock = dockOf(disassembly_);
  main_.addDockWidget(Qt::RightDockWidgetArea, registersDock);
  main_.splitDockWidget(registersDock, codeDock, Qt::Vertical);
  main_.tabifyDockWidget(codeDock, dockOf(ted_));
  codeDock->raise();
  main_.addDockWidget(Qt::BottomDockWidgetArea, dockOf(memory_));
  main_.splitDockWidget(dockOf(memory_), dockOf(screen_), Qt::Horizontal);
  main_.splitDockWidget(dockOf(memory_), dockOf(stack_), Qt::Horizontal);

  // The registers as tall as their lines, the code all the rest of the
  // column; the strip as tall as the screen needs.
  const int columnWidth = std::clamp(main_.width() / 3, 360, 520);
  main_.resizeDocks({registersDock, codeDock}, {columnWidth, columnWidth}, Qt::Horizontal);
  const int registersHeight = status_->parentWidget()->sizeHint().height() + 8;
  main_.resizeDocks({registersDock, codeDock}, {registersHeight, std::max(registersHeight, main_.height())},
                    Qt::Vertical);
  main_.resizeDocks({dockOf(memory_)}, {screen_->sizeHint().height() + 30}, Qt::Vertical);
  // Along the strip: the whole picture, the stack's notes, memory the rest.
  const int screenWidth = screen_->sizeHint().width() + 12;
  constexpr int kStackWidth = 330;
  main_.resizeDocks({dockOf(memory_), dockOf(stack_), dockOf(screen_)},
                    {std::max(200, main_.width() - screenWidth - kStackWidth), kStackWidth, screenWidth},
                    Qt::Horizontal);
}

QDockWidget* DebuggerUi::dockOf(const QWidget* pane) const {
  for (QDockWidget* dock : docks_)
    if (dock->widget() == pane) return dock;
  return nullptr;
}

void DebuggerUi::closePanes() {
  // The main window's layout was saved with the pane's first size: a
  // hidden dock's place in it follows its size hint.
  screen_->setPictureSize(layoutPicture_);
  layout_->close();
}

QString DebuggerUi::statusText() const { return status_->text(); }

void DebuggerUi::setStatus(const QString& text) { status_->setText(text); }

void DebuggerUi::hookEditors() {
  for (TfrmQVEdit* editor : main_.editors()) {
    CodeEditor* code = CodeOf(*editor);
    if (!code || BreakpointStore::Find(*code)) continue;
    BreakpointStore& store = BreakpointStore::Of(*code);
    connect(code, &CodeEditor::gutterClicked, &store, &BreakpointStore::toggle);
    connect(&store, &BreakpointStore::changed, this, &DebuggerUi::applyBreakpoints);
  }
}

const qv3::ModuleKnowledge* DebuggerUi::moduleOf(const TfrmQVEdit& editor) const {
  if (!knowledge_) return nullptr;
  const std::string caption = Bytes(editor.caption());
  for (const qv3::ModuleKnowledge& module : knowledge_->Modules)
    if (module.Assembled && CaptionShowsModule(caption, ModuleKey(module.Name))) return &module;
  return nullptr;
}

std::optional<std::uint16_t> DebuggerUi::addressOfLine(const qv3::ModuleKnowledge& module, int line,
                                                       int* movedTo) const {
  // Lines here count from 0, the compile's from 1. Only an instruction can
  // stop the program: data lines (BIN.B ...) are passed over like comments.
  for (const qv3::AssembledRange& range : module.Ranges) {
    if (range.Line < line + 1 || !range.Instruction || range.Size == 0 || range.Address < 0 ||
        range.Address > 0xFFFF)
      continue;
    if (movedTo) *movedTo = range.Line - 1;
    return static_cast<std::uint16_t>(range.Address);
  }
  return std::nullopt;
}

void DebuggerUi::applyBreakpoints() {
  if (applying_) return;
  applying_ = true;
  std::vector<std::uint16_t> addresses;
  bodyBreakpoints_.clear();
  for (TfrmQVEdit* editor : main_.editors()) {
    CodeEditor* code = CodeOf(*editor);
    BreakpointStore* store = code ? BreakpointStore::Find(*code) : nullptr;
    const qv3::ModuleKnowledge* module = moduleOf(*editor);
    if (!store || !module) continue;
    std::vector<std::pair<int, int>> moves;
    QList<int> unplaced;
    for (const int line : store->lines()) {
      // A line of a macro or REPEAT body stops at each of its expansions.
      const std::vector<std::uint16_t> expanded = module->AddressesOfBodyLine(line + 1);
      if (!expanded.empty()) {
        addresses.insert(addresses.end(), expanded.begin(), expanded.end());
        bodyBreakpoints_.insert(expanded.begin(), expanded.end());
        continue;
      }
      int movedTo = line;
      if (const std::optional<std::uint16_t> address = addressOfLine(*module, line, &movedTo)) {
        addresses.push_back(*address);
        if (movedTo != line) moves.emplace_back(line, movedTo);
      } else {
        unplaced.push_back(line);
      }
    }
    for (const auto& [from, to] : moves) store->move(from, to);
    store->setUnplaced(unplaced);
  }
  session_.setBreakpoints(addresses);
  applying_ = false;
  // Only the marks of the disassembly change: the editor the user is
  // setting breakpoints in stays in front.
  if (session_.state() == DebugSession::State::Stopped) showCode();
}

const qv3::ModuleKnowledge* DebuggerUi::expansionModuleAt(std::uint16_t pc) const {
  const std::optional<qv3::CodeLocation> where = locate(pc);
  if (!where || !where->Module->BodyLineAt(pc)) return nullptr;
  return where->Module;
}

void DebuggerUi::stepInto() {
  // On an invocation's line, stepping into the expansion first shows the
  // body line of the instruction about to run.
  const qv3::debugger::Machine* machine = session_.machine();
  if (machine && session_.state() == DebugSession::State::Stopped && !inBody_ &&
      expansionModuleAt(machine->State().PC)) {
    inBody_ = true;
    showCurrentLine();
    return;
  }
  lastCommand_ = Command::StepInto;
  session_.stepInto();
}

void DebuggerUi::stepOver() {
  const qv3::debugger::Machine* machine = session_.machine();
  if (machine && session_.state() == DebugSession::State::Stopped && !inBody_) {
    const std::uint16_t pc = machine->State().PC;
    if (const qv3::ModuleKnowledge* module = expansionModuleAt(pc)) {
      if (const std::optional<std::uint16_t> end = module->ExpansionEndAt(pc)) {
        lastCommand_ = Command::StepOverExpansion;
        session_.runTo(*end);
        return;
      }
    }
  }
  lastCommand_ = Command::Other;
  session_.stepOver();
}

void DebuggerUi::startOrContinue() {
  if (session_.state() == DebugSession::State::Stopped)
    session_.continueRun();
  else if (session_.state() != DebugSession::State::Running)
    startDebugging();
}

void DebuggerUi::startDebuggingTo(int toLine) {
  endSession();
  origin_ = main_.activeEditor();
  auto knowledge = std::make_unique<qv3::CompileKnowledge>();
  QString programPath, folder;
  if (!main_.compileActiveEditor(programPath, folder, knowledge.get())) return;
  if (main_.compileSession().FatalFlag) {
    setStatus(tr("The compile failed: nothing to debug."));
    return;
  }
  if (programPath.isEmpty()) {
    setStatus(tr("The compile wrote no program: nothing to debug."));
    return;
  }
  if (main_.compileSession().TopModuleStripped) {
    setStatus(StrippedModuleText(main_, *main_.activeEditor()));
    return;
  }
  QFile file(programPath);
  if (!file.open(QIODevice::ReadOnly)) {
    main_.dialogs().showError(tr("Cannot open file %1").arg(programPath));
    return;
  }
  const QByteArray bytes = file.readAll();
  qv3::debugger::LoadedProgram program = runsOnBareMachine()
                                             ? qv3::debugger::LoadProgram(bytes.toStdString())
                                             : qv3::debugger::LoadPlus4Program(bytes.toStdString());
  if (!program.Loaded) {
    main_.dialogs().showError(tr("Cannot debug %1: %2").arg(programPath, Latin1(program.Error)));
    return;
  }
  program.Loaded->SetStopAtUndocumented(StopAtUndocumented->isChecked());

  knowledge_ = std::move(knowledge);
  labels_.clear();
  constants_.clear();
  values_.clear();
  data_.clear();
  code_.clear();
  for (const qv3::ModuleKnowledge& module : knowledge_->Modules) {
    if (!module.Assembled) continue;
    for (const qv3::AssembledRange& range : module.Ranges) {
      if (range.Size == 0 || range.Address < 0 || range.Address > 0xFFFF) continue;
      if (range.Instruction) {
        code_.insert(static_cast<std::uint16_t>(range.Address));
      } else {
        const int end = std::min<int>(0x10000, range.Address + static_cast<int>(range.Size));
        int& known = data_[static_cast<std::uint16_t>(range.Address)];
        known = std::max(known, end);
      }
    }
    for (const qv3::SymbolDefinition& definition : module.Definitions) {
      if (!definition.HasValue) continue;
      values_.emplace(definition.Name, definition.Value);
      auto& names = definition.Kind == qv3::SymbolKind::Label ? labels_ : constants_;
      names.emplace(definition.Value, definition.Name);
    }
  }
  std::optional<std::uint16_t> target;
  if (toLine >= 0) {
    const qv3::ModuleKnowledge* module = origin_ ? moduleOf(*origin_) : nullptr;
    target = module ? addressOfLine(*module, toLine, nullptr) : std::nullopt;
    if (!target) {
      setStatus(tr("No code at or after line %1.").arg(toLine + 1));
      return;
    }
  }
  hookEditors();
  applyBreakpoints();
  showPanes(program.Loaded->Frame() ? QSize(qv3::plus4::FrameBuffer::kWidth, qv3::plus4::FrameBuffer::kHeight)
                                    : QSize(kScreenColumns * 8, kScreenRows * 8));
  memory_->setAddress(program.Loaded->State().PC & 0xFFF0);
  setStatus(tr("Running..."));
  docks_.front()->setWindowTitle(tr("Registers (%1)").arg(Latin1(program.Loaded->Kind())));
  session_.begin(std::move(program.Loaded), target);
}

void DebuggerUi::endSession() {
  session_.end();
  clearCurrentLine();
  registers_->clear();
  memory_->showMemory(nullptr);
  memory_->forgetProgram();
  disassembly_->clear();
  screen_->showScreen(nullptr);
  stack_->showStack(nullptr, 0, {});
  ted_->showTed(std::nullopt);
}

void DebuggerUi::stopDebugging() {
  const bool hadProgram = session_.state() != DebugSession::State::NoProgram;
  endSession();
  closePanes();
  if (hadProgram) setStatus(tr("Debugging stopped."));
}

void DebuggerUi::takeStateEdit(const qv3::debugger::MachineState& state) {
  if (session_.setMachineState(state)) showEdited();
}

void DebuggerUi::takeByteEdit(std::uint16_t address, std::uint8_t value) {
  if (session_.poke(address, value)) showEdited();
}

void DebuggerUi::showEdited() {
  if (!showMachinePanes()) return;
  showCode();
  showCurrentLine();
}

void DebuggerUi::runToCursor() {
  TfrmQVEdit* editor = main_.activeEditor();
  if (session_.state() == DebugSession::State::Running || !editor) return;
  const int line = editor->mCode->textCursor().blockNumber();
  // Without a stopped program, the run to the line starts one.
  if (session_.state() != DebugSession::State::Stopped) {
    startDebuggingTo(line);
    return;
  }
  const qv3::ModuleKnowledge* module = moduleOf(*editor);
  const std::optional<std::uint16_t> address = module ? addressOfLine(*module, line, nullptr) : std::nullopt;
  if (!address) {
    setStatus(tr("No code at or after line %1 of %2.").arg(line + 1).arg(editor->caption()));
    return;
  }
  session_.runTo(*address);
}

void DebuggerUi::toggleBreakpointAtCaret() {
  TfrmQVEdit* editor = main_.activeEditor();
  CodeEditor* code = editor ? CodeOf(*editor) : nullptr;
  if (!code) return;
  hookEditors();
  BreakpointStore::Of(*code).toggle(code->textCursor().blockNumber());
}

std::string DebuggerUi::labelOf(std::uint16_t address) const {
  const auto found = labels_.find(address);
  return found == labels_.end() ? std::string() : found->second;
}

std::string DebuggerUi::nameOf(std::uint16_t address) const {
  if (std::string label = labelOf(address); !label.empty()) return label;
  // A constant names an address only outside the zero page, where small
  // counts and sizes would otherwise pass for addresses.
  const auto found = constants_.find(address);
  return found == constants_.end() || address < 0x100 ? std::string() : found->second;
}

std::string DebuggerUi::placeName(std::uint16_t address) const {
  // The nearest label at or below, when the address is a line of the program.
  if (!locate(address) || labels_.empty()) return {};
  auto above = labels_.upper_bound(address);
  if (above == labels_.begin()) return {};
  --above;
  const unsigned offset = address - above->first;
  return offset == 0 ? above->second : above->second + "+" + std::to_string(offset);
}

std::optional<std::uint16_t> DebuggerUi::valueOfName(const std::string& name) const {
  std::string key = name;
  for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const auto found = values_.find(key);
  if (found == values_.end()) return std::nullopt;
  return found->second;
}

std::optional<qv3::CodeLocation> DebuggerUi::locate(std::uint16_t pc) const {
  if (!knowledge_) return std::nullopt;
  // A module's code may reach memory inside another's data (a program that
  // takes in a library's program file with BINARY): the line that put exactly
  // the instruction at pc there, top module first, is the one that runs.
  const qv3::debugger::Machine* machine = session_.machine();
  if (machine) {
    const std::optional<qv3::DecodedOpcode> opcode = qv3::DecodeOpcode(machine->Peek(pc));
    for (const qv3::ModuleKnowledge& module : knowledge_->Modules) {
      if (!opcode || !module.Assembled) continue;
      const std::optional<std::int32_t> line = module.LineAtAddress(pc);
      if (!line) continue;
      for (const qv3::AssembledRange& range : module.RangesOfLine(*line))
        if (range.Address == pc && range.Size == opcode->Entry.Length) return qv3::CodeLocation{&module, *line};
    }
  }
  return knowledge_->LineAtAddress(pc);
}

QString DebuggerUi::placeText(std::uint16_t pc) const {
  const std::optional<qv3::CodeLocation> where = locate(pc);
  if (!where) return Hex4(pc);
  return tr("%1 (%2, line %3)").arg(Hex4(pc), Latin1(where->Module->Name)).arg(where->Line);
}

void DebuggerUi::onStopped() {
  const std::optional<qv3::debugger::MachineState> shown = showMachinePanes();
  if (!shown) return;
  const qv3::debugger::MachineState now = *shown;
  showCode();

  const qv3::debugger::Stop& stop = session_.lastStop();
  switch (stop.Kind) {
    case qv3::debugger::StopKind::Breakpoint: setStatus(tr("Breakpoint at %1").arg(placeText(now.PC))); break;
    case qv3::debugger::StopKind::Reached:
      setStatus(lastCommand_ == Command::StepOverExpansion ? tr("Stopped at %1").arg(placeText(now.PC))
                                                            : tr("Run to cursor at %1").arg(placeText(now.PC)));
      break;
    case qv3::debugger::StopKind::Watch:
      setStatus(tr("%1 at %2")
                    .arg(WatchText({stop.Address, !stop.Write, stop.Write}), placeText(stop.By)));
      break;
    case qv3::debugger::StopKind::Raster:
      setStatus(tr("Raster line %1 at %2")
                    .arg(session_.machine()->RasterLine().value_or(0))
                    .arg(placeText(now.PC)));
      break;
    case qv3::debugger::StopKind::StepDone: setStatus(tr("Stopped at %1").arg(placeText(now.PC))); break;
    case qv3::debugger::StopKind::Paused: setStatus(tr("Paused at %1").arg(placeText(now.PC))); break;
    case qv3::debugger::StopKind::Ended: setStatus(tr("Program ended: %1").arg(Latin1(stop.Reason))); break;
  }
  // Inside an expansion the body's lines are shown after a Step Into (it
  // entered them, or stepped on in them) and at a breakpoint set on a body
  // line; otherwise the invocation's line.
  const bool expanded = expansionModuleAt(now.PC) != nullptr;
  if (stop.Kind == qv3::debugger::StopKind::StepDone && lastCommand_ == Command::StepInto)
    inBody_ = expanded;
  else if (stop.Kind == qv3::debugger::StopKind::Breakpoint)
    inBody_ = bodyBreakpoints_.contains(now.PC);
  else if (stop.Kind != qv3::debugger::StopKind::StepDone)
    inBody_ = false;
  inBody_ = inBody_ && expanded;
  lastCommand_ = Command::Other;
  if (session_.state() == DebugSession::State::Stopped)
    showCurrentLine();
  else
    clearCurrentLine();
}

void DebuggerUi::showCode() {
  const qv3::debugger::Machine* machine = session_.machine();
  if (!machine) return;
  disassembly_->showCode(
      cpuView(), machine->State().PC, [this](std::uint16_t address) { return nameOf(address); },
      [this](std::uint16_t address) { return session_.hasBreakpoint(address); },
      [this](std::uint16_t address) { return dataBytesAt(address); });
}

int DebuggerUi::dataBytesAt(std::uint16_t address) const {
  // The data run that holds address, when no instruction of the program
  // lies at or after address within it (one module's code may sit inside
  // another's data, as BINARY brings it in).
  auto run = data_.upper_bound(address);
  if (run == data_.begin()) return 0;
  --run;
  if (address >= run->second) return 0;
  auto code = code_.lower_bound(address);
  const int end = code != code_.end() && *code < run->second ? *code : run->second;
  return end - address;
}

void DebuggerUi::showProgress() {
  // The registers, the memory and the screen as the program goes; the
  // disassembly and the current line wait for it to stop.
  const std::optional<qv3::debugger::MachineState> now = showMachinePanes();
  if (now) setStatus(tr("Running... (%1)").arg(placeText(now->PC)));
}

void DebuggerUi::showScreen() {
  if (const qv3::debugger::Machine* machine = session_.machine())
    screen_->showScreen(&machine->Ram(), machine->StoredToTed(kBackgroundRegister & 0xFF), machine->Frame());
}

std::optional<qv3::debugger::MachineState> DebuggerUi::showMachinePanes() {
  const qv3::debugger::Machine* machine = session_.machine();
  if (!machine) return std::nullopt;
  const qv3::debugger::MachineState now = machine->State();
  std::optional<std::pair<int, int>> raster;
  if (const std::optional<int> line = machine->RasterLine()) raster = {{*line, machine->RasterCycle().value_or(0)}};
  const bool stopped = session_.state() == DebugSession::State::Stopped;
  registers_->setEditable(stopped);
  memory_->setEditable(stopped);
  registers_->showState(now, session_.previousStop(), raster);
  memory_->showMemory(&cpuView());
  screen_->showScreen(&machine->Ram(), machine->StoredToTed(kBackgroundRegister & 0xFF), machine->Frame());
  ted_->showTed(machine->TedState());
  stack_->showStack(
      &machine->Ram(), now.SP, [this](std::uint16_t address) { return placeName(address); },
      machine->InterruptFrames());
  return now;
}

const std::array<std::uint8_t, 0x10000>& DebuggerUi::cpuView() {
  if (const qv3::debugger::Machine* machine = session_.machine())
    for (std::size_t address = 0; address < cpuView_.size(); ++address)
      cpuView_[address] = machine->Peek(static_cast<std::uint16_t>(address));
  return cpuView_;
}

void DebuggerUi::clearCurrentLine() {
  if (!marked_) return;
  marked_->setGutterMarks(kCurrentLineLayer, {});
  marked_->setSelectionLayer(kCurrentLineLayer, {});
  marked_ = nullptr;
}

void DebuggerUi::showCurrentLine() {
  clearCurrentLine();
  const std::optional<qv3::CodeLocation> where = locate(session_.machine()->State().PC);
  if (!where) return;
  TfrmQVEdit* from = origin_;
  if (!from && !main_.editors().empty()) from = main_.editors().front();
  if (!from) return;
  auto* code = qobject_cast<CodeEditor*>(main_.FindModuleEditor(*from, Latin1(where->Module->Name)));
  if (!code) return;
  const std::int32_t shownLine =
      inBody_ ? where->Module->BodyLineAt(session_.machine()->State().PC).value_or(where->Line) : where->Line;
  const QTextBlock block = code->document()->findBlockByNumber(shownLine - 1);
  if (!block.isValid()) return;

  code->setGutterMarks(kCurrentLineLayer,
                       {{block.blockNumber(),
                         {CodeEditor::GutterMark::Shape::Arrow, QColor(0x20, 0x80, 0x20), tr("Next to run")}}});
  QTextEdit::ExtraSelection line;
  line.format.setBackground(QColor(0xFF, 0xF0, 0x90));
  line.format.setProperty(QTextFormat::FullWidthSelection, true);
  line.cursor = QTextCursor(block);
  code->setSelectionLayer(kCurrentLineLayer, {line});
  code->setTextCursor(QTextCursor(block));
  code->centerCursor();
  marked_ = code;
  for (QMdiSubWindow* sub : main_.mdiArea()->subWindowList()) {
    auto* editor = qobject_cast<TfrmQVEdit*>(sub->widget());
    if (editor && editor->mCode == code && main_.mdiArea()->currentSubWindow() != sub)
      main_.mdiArea()->setActiveSubWindow(sub);
  }
}

void DebuggerUi::updateActions() {
  const DebugSession::State state = session_.state();
  const bool stopped = state == DebugSession::State::Stopped;
  const bool running = state == DebugSession::State::Running;
  StartContinue->setText(stopped ? tr("&Continue") : tr("Start &Debugging"));
  StartContinue->setEnabled(!running);
  for (QAction* step : {StepInto, StepOver, StepOut}) step->setEnabled(stopped);
  RunToCursor->setEnabled(!running);
  Pause->setEnabled(running);
  StopDebugging->setEnabled(state != DebugSession::State::NoProgram);
  if (running) {
    setStatus(tr("Running..."));
    clearCurrentLine();
  }
  if (!stopped) {
    registers_->setEditable(false);
    memory_->setEditable(false);
  }
}
