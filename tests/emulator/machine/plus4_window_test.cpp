// The real built-in Plus/4 (VICE xplus4 in Qt WebEngine), driven as a user
// would: a source assembled with "Compile && Run", run in the machine, and
// the text it writes read back from the machine's memory. Needs an X server
// with OpenGL (run_with_x.sh starts Xvfb); every wait is bounded.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTabWidget>
#include <QProcess>
#include <QImage>
#include <QScreen>
#include <QSet>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <csignal>
#include <functional>
#include <span>

#include "scripted_dialogs.h"
#include "workbench/editor_window.h"
#include "workbench/emulator/machine_inside_view.h"
#include "workbench/emulator/run_menu.h"
#include "workbench/emulator/vice_snapshot.h"
#include "workbench/emulator/web_machine.h"
#include "workbench/workbench_windows.h"

namespace {

constexpr int kStartSeconds = 120;  // a cold start on a loaded 2-core machine took up to 16 s

// Writes TEXT as screen codes to the top line, then holds still at HOLD.
std::string Source(const std::string& text) {
  return "        ORIGIN $1001\n"
         "        BIN.B $0B $10 $0A $00 $9E $34 $31 $30 $39 $00 $00 $00\n"
         "START:  LDX #0\n"
         "COPY:   LDA MESSAGE,X\n"
         "        STA $0C00,X\n"
         "        INX\n"
         "        CPX #MSGEND-MESSAGE\n"
         "        BNE COPY\n"
         "HOLD:   JMP HOLD\n"
         "MESSAGE:\n"
         "        SCREEN ~" + text + "~\n"
         "MSGEND:\n";
}

bool WaitUntil(const std::function<bool()>& done, int seconds) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > seconds * 1000) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  }
  return true;
}

std::string Tail(const Plus4Window* window) {
  return window ? window->consoleTail().join('\n').toStdString() : std::string("(no window)");
}

// The machine's state, read through the page as the inspector reads it.
std::optional<MachineSnapshot> Snapshot(Plus4Window& window) {
  QByteArray bytes;
  bool answered = false;
  window.takeSnapshot([&](const QByteArray& state) {
    bytes = state;
    answered = true;
  });
  if (!WaitUntil([&] { return answered; }, 20)) return std::nullopt;
  auto result = ReadViceSnapshot(std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                           static_cast<std::size_t>(bytes.size())));
  if (auto* machine = std::get_if<MachineSnapshot>(&result)) return std::move(*machine);
  ADD_FAILURE() << "the core's state cannot be read: " << std::get<std::string>(result);
  return std::nullopt;
}

std::string TopLine(const MachineSnapshot& machine) {
  return ScreenText(machine.Ram, 0x0C00, false).substr(0, 40);
}

// The screen's pixels as the X server shows them (what a user sees), the
// view's area only.
QImage ScreenPixels(Plus4Window& window) {
  QWebEngineView* view = window.view();
  const QPoint at = view->mapTo(&window, QPoint(0, 0));
  return window.screen()->grabWindow(window.winId(), at.x(), at.y(), view->width(), view->height()).toImage();
}

// The colours of the rows [first, last) of image.
QSet<QRgb> RowColours(const QImage& image, int first, int last) {
  QSet<QRgb> colours;
  for (int y = first; y < last; ++y)
    for (int x = 0; x < image.width(); ++x) colours.insert(image.pixel(x, y) & 0xFFFFFF);
  return colours;
}

// The web engine's renderer processes below this one: forked by its zygote
// without a new command line, so zygotes whose parent is a zygote.
QStringList RendererPids() {
  const QString self = QString::number(QCoreApplication::applicationPid());
  QHash<QString, QString> parentOf;
  QStringList zygotes;
  for (const QString& pid : QDir("/proc").entryList(QDir::Dirs)) {
    QFile status("/proc/" + pid + "/status"), command("/proc/" + pid + "/cmdline");
    if (!status.open(QIODevice::ReadOnly) || !command.open(QIODevice::ReadOnly)) continue;
    for (const QByteArray& line : status.readAll().split('\n'))
      if (line.startsWith("PPid:")) parentOf[pid] = QString::fromLatin1(line.mid(5).trimmed());
    const QByteArray line = command.readAll();
    if (line.contains("--type=renderer") || line.contains("--type=zygote")) zygotes << pid;
  }
  QStringList found;
  for (const QString& process : zygotes) {
    if (!zygotes.contains(parentOf.value(process))) continue;
    for (QString at = parentOf.value(process); !at.isEmpty() && at != "0"; at = parentOf.value(at))
      if (at == self) {
        found << process;
        break;
      }
  }
  return found;
}

int RendererProcesses() { return static_cast<int>(RendererPids().size()); }

class BuiltInPlus4 : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder.isValid());
    machine = std::make_unique<WebMachine>(nullptr);
    ASSERT_TRUE(machine->missingParts().isEmpty())
        << "the emulator's files are missing; run scripts/install-deps: " << machine->missingParts().toStdString();
    windows = std::make_unique<WorkbenchWindows>(&dialogs);
    launcher = std::make_unique<WorkbenchLauncher>(
        machine.get(), [] { return LaunchPreferences{EmulatorChoice::BuiltIn, {}}; },
        [](const QString&) { return QString(); },
        [](const LaunchCommand& command, const QString&) {
          ADD_FAILURE() << "started " << command.program.toStdString() << " instead of the built-in Plus/4";
          return false;
        });
    windows->frmQV3.setLauncher(launcher.get());
    windows->frmQV3.setCurrentFolder(folder.path());
    windows->frmQV3.show();
  }
  void TearDown() override {
    windows->frmQV3.setLauncher(nullptr);
    machine.reset();
    windows.reset();
  }

  // Saves source as NAME.qv3, opens it and presses "Compile && Run".
  void compileAndRun(const QString& name, const std::string& source) {
    QFile file(folder.filePath(name + ".qv3"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(source.data(), static_cast<qint64>(source.size()));
    file.close();
    if (!editor) editor = windows->frmQV3.OpenSourceFile(file.fileName());
    else editor->mCode->setPlainText(QString::fromStdString(source));
    ASSERT_NE(editor, nullptr);
    windows->frmQV3.CompileRun1->trigger();
    ASSERT_FALSE(windows->frmQV3.compileSession().FatalFlag);
  }

  // Waits for the program's first frame and then for TEXT on the screen.
  void expectOnScreen(const std::string& text) {
    Plus4Window* window = machine->window();
    ASSERT_NE(window, nullptr) << "Compile && Run opened no Plus/4 window";
    bool running = window->isRunning();
    const auto connection = QObject::connect(window, &Plus4Window::programRunning, [&] { running = true; });
    const bool started = WaitUntil([&] { return running || !window->failure().isEmpty(); }, kStartSeconds);
    QObject::disconnect(connection);
    ASSERT_TRUE(window->failure().isEmpty()) << window->failure().toStdString() << "\n" << Tail(window);
    ASSERT_TRUE(started) << "the program did not start within " << kStartSeconds << " s; last lines:\n"
                         << Tail(window);
    std::string line;
    const bool shown = WaitUntil([&] {
      const auto state = Snapshot(*window);
      if (state) line = TopLine(*state);
      return line.rfind(text, 0) == 0;
    }, 30);
    EXPECT_TRUE(shown) << "the screen's top line is \"" << line << "\", not \"" << text << "\"";
  }

  QTemporaryDir folder;
  ScriptedDialogs dialogs;
  std::unique_ptr<WebMachine> machine;
  std::unique_ptr<WorkbenchWindows> windows;
  std::unique_ptr<WorkbenchLauncher> launcher;
  TfrmQVEdit* editor = nullptr;
};

TEST_F(BuiltInPlus4, CompileAndRunShowsTheTextThenASecondRunReusesTheWindow) {
  compileAndRun("first", Source("qv3 end to end"));
  expectOnScreen("QV3 END TO END");
  Plus4Window* window = machine->window();
  ASSERT_NE(window, nullptr);

  // Paused, the machine holds still at HOLD and the inspector shows it.
  window->setPaused(true);
  const auto paused = Snapshot(*window);
  ASSERT_TRUE(paused);
  const std::uint16_t hold = 0x100D + 2 + 3 + 3 + 1 + 2 + 2;  // START + the five instructions before HOLD
  EXPECT_EQ(paused->Cpu.PC, hold);
  const auto later = Snapshot(*window);
  ASSERT_TRUE(later);
  // Saving the state finishes the instruction under way, nothing more: far
  // less than the 17,734 cycles of one frame.
  EXPECT_LT(later->Cpu.Clock - paused->Cpu.Clock, 100u) << "a paused machine runs no frames";
  EXPECT_TRUE(WaitUntil([&] { return window->inspector()->screen()->toPlainText().startsWith("QV3 END TO END"); }, 20))
      << "the inspector's screen pane shows: " << window->inspector()->screen()->toPlainText().left(40).toStdString();
  window->setPaused(false);

  QList<double> rates;
  QObject::connect(window, &Plus4Window::frameRate, window, [&](double rate) { rates << rate; });
  compileAndRun("first", Source("second program"));
  EXPECT_EQ(machine->window(), window) << "a second run reuses the window";
  expectOnScreen("SECOND PROGRAM");
  // After the warm reset's boot in warp the rate is the machine's own
  // again at once: no reading mixes in the boot's frames.
  rates.clear();
  QTest::qWait(4500);
  EXPECT_GE(rates.size(), 2);
  for (double rate : rates) EXPECT_LE(rate, 52.0) << "PAL has 49.86 frames/s; the rate right after the reset";
}

TEST_F(BuiltInPlus4, ACrashOfTheEmulatorsProcessIsShownAndResetStartsAgain) {
  compileAndRun("crash", Source("before the crash"));
  expectOnScreen("BEFORE THE CRASH");
  Plus4Window* window = machine->window();
  ASSERT_NE(window, nullptr);
  const QStringList renderers = RendererPids();
  ASSERT_EQ(renderers.size(), 1);
  ASSERT_EQ(::kill(renderers.first().toInt(), SIGKILL), 0);
  EXPECT_TRUE(WaitUntil([&] { return !window->failure().isEmpty(); }, 20)) << "the crash went unnoticed";
  EXPECT_TRUE(window->failure().contains("ended unexpectedly")) << window->failure().toStdString();
  EXPECT_TRUE(windows->frmQV3.isVisible()) << "the workbench keeps running";
  // The controls follow the dead machine: no rate, nothing to pause, warp
  // or look at; Reset stays.
  QTest::qWait(2500);  // rate reports of a live page came every second
  EXPECT_EQ(window->speedText(), "stopped");
  EXPECT_FALSE(window->pauseAction()->isEnabled());
  EXPECT_FALSE(window->warpAction()->isEnabled());
  EXPECT_TRUE(window->resetAction()->isEnabled());
  window->setPaused(true);
  EXPECT_FALSE(window->isPaused()) << "a dead machine cannot be paused";
  EXPECT_TRUE(window->inspector()->registers()->text().contains("stopped"));
  ScreenPixels(*window).save(QDir::tempPath() + "/picture-after-crash.png");
  window->grab().save(QDir::tempPath() + "/window-after-crash.png");
  // The next run boots a fresh page.
  compileAndRun("crash", Source("after the crash"));
  expectOnScreen("AFTER THE CRASH");
  EXPECT_TRUE(window->pauseAction()->isEnabled()) << "a new boot brings the controls back";
  EXPECT_TRUE(window->warpAction()->isEnabled());
}

TEST_F(BuiltInPlus4, NoRequestLeavesThePageAndClosingEndsItsProcess) {
  QTcpServer server;
  ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
  compileAndRun("net", Source("no network"));
  expectOnScreen("NO NETWORK");
  Plus4Window* window = machine->window();
  ASSERT_NE(window, nullptr);
  const int blockedBefore = window->blockedRequests();
  const QString url = QString("http://127.0.0.1:%1/").arg(server.serverPort());
  bool answered = false;
  QString outcome;
  window->view()->page()->runJavaScript(
      "new Promise(r => { const x = new XMLHttpRequest(); x.open('GET', '" + url +
          "'); x.onload = () => r('loaded'); x.onerror = () => r('refused'); x.send(); })",
      [&](const QVariant&) { answered = true; });
  ASSERT_TRUE(WaitUntil([&] { return window->blockedRequests() > blockedBefore; }, 20))
      << "the request to " << url.toStdString() << " was not blocked";
  WaitUntil([] { return false; }, 1);
  EXPECT_FALSE(server.hasPendingConnections()) << "a request reached the network";
  Q_UNUSED(outcome);
  Q_UNUSED(answered);

  ASSERT_GE(RendererProcesses(), 1);
  window->close();
  EXPECT_TRUE(WaitUntil([&] { return machine->window() == nullptr; }, 10)) << "the window was not freed";
  EXPECT_TRUE(WaitUntil([] { return RendererProcesses() == 0; }, 20)) << "the web process outlived the window";
}

// Keeps every character GETIN returns in screen memory, one after another.
const char* const kKeyLogger =
    "        ORIGIN $1001\n"
    "        BIN.B $0B $10 $0A $00 $9E $34 $31 $30 $39 $00 $00 $00\n"
    "START:  LDX #0\n"
    "        STX $0C00\n"
    "WAIT:   JSR $FFE4\n"
    "        BEQ WAIT\n"
    "        LDX $0C00\n"          // GETIN leaves X changed
    "        STA $0C01,X\n"
    "        INX\n"
    "        STX $0C00\n"
    "        JMP WAIT\n";

// The keys of the window's key help, as an X server delivers them (key code
// = evdev + 8, key symbol), and what the Plus/4's GETIN returns for them.
TEST_F(BuiltInPlus4, KeysReachTheMachineAsTheKeyHelpSays) {
  compileAndRun("keys", kKeyLogger);
  Plus4Window* window = machine->window();
  ASSERT_NE(window, nullptr);
  bool running = window->isRunning();
  QObject::connect(window, &Plus4Window::programRunning, [&] { running = true; });
  ASSERT_TRUE(WaitUntil([&] { return running || !window->failure().isEmpty(); }, kStartSeconds)) << Tail(window);
  ASSERT_TRUE(window->failure().isEmpty()) << window->failure().toStdString();
  QTest::qWait(500);
  QWidget* target = window->view()->focusProxy() ? window->view()->focusProxy() : window->view();
  struct Key { Qt::Key key; quint32 code, symbol; const char* text; };
  const Key keys[] = {{Qt::Key_A, 38, 0x61, "a"},       {Qt::Key_Escape, 9, 0xff1b, "\x1b"},
                      {Qt::Key_Backspace, 22, 0xff08, "\b"}, {Qt::Key_QuoteLeft, 49, 0x60, "`"},
                      {Qt::Key_Insert, 118, 0xff63, ""},   {Qt::Key_Minus, 20, 0x2d, "-"},
                      {Qt::Key_Up, 111, 0xff52, ""},       {Qt::Key_F8, 74, 0xffc5, ""}};
  for (const Key& key : keys) {
    QKeyEvent press(QEvent::KeyPress, key.key, Qt::NoModifier, key.code, key.symbol, 0, QString::fromLatin1(key.text));
    QCoreApplication::sendEvent(target, &press);
    QTest::qWait(150);
    QKeyEvent release(QEvent::KeyRelease, key.key, Qt::NoModifier, key.code, key.symbol, 0, QString::fromLatin1(key.text));
    QCoreApplication::sendEvent(target, &release);
    QTest::qWait(300);
  }
  // A, RUN/STOP, INST/DEL, ESC, the pound sign, "+" (by position), cursor
  // up, and HELP, which types its own text.
  const std::string expected = "\x41\x03\x14\x1b\x5c\x2b\x91HELP\r";
  std::string got;
  WaitUntil([&] {
    const auto state = Snapshot(*window);
    if (state) got.assign(state->Ram.begin() + 0x0C01, state->Ram.begin() + 0x0C01 + state->Ram[0x0C00]);
    return got == expected;
  }, 10);
  EXPECT_EQ(got, expected);
}

// One xdotool command on the test's X server (real key events, through the
// window manager's focus), then the events it caused handled.
void XdoTool(const QStringList& arguments) {
  QProcess tool;
  tool.start("xdotool", arguments);
  ASSERT_TRUE(tool.waitForFinished(5000)) << "xdotool did not finish";
  QTest::qWait(120);
}

QString PageValue(Plus4Window& window, const QString& script) {
  QString value;
  bool answered = false;
  window.view()->page()->runJavaScript(script, [&](const QVariant& result) {
    value = result.toString();
    answered = true;
  });
  WaitUntil([&] { return answered; }, 10);
  return value;
}

TEST_F(BuiltInPlus4, ThePictureIsTheWhole384x288FrameWithNothingOverIt) {
  compileAndRun("picture", Source("picture"));
  expectOnScreen("PICTURE");
  Plus4Window* window = machine->window();
  ASSERT_NE(window, nullptr);
  const QString probe = "(() => { const c = document.querySelector('#machine canvas'); const r = c.getBoundingClientRect();"
                        " return c.width + 'x' + c.height + ' ' + r.width + 'x' + r.height; })()";
  for (int scale : {1, 2}) {
    window->setScreenScale(scale);
    const QString expected = QStringLiteral("%1x%2 %1x%2").arg(384 * scale).arg(288 * scale);
    QString canvas;
    EXPECT_TRUE(WaitUntil([&] { return (canvas = PageValue(*window, probe)) == expected; }, 10))
        << "the canvas and its CSS box: " << canvas.toStdString() << ", not " << expected.toStdString();
    // Warp makes RetroArch announce "Fast-Forward." at the picture's top.
    window->setWarp(true);
    QTest::qWait(600);
    const QImage picture = ScreenPixels(*window);
    window->setWarp(false);
    picture.save(QStringLiteral("%1/picture-%2x.png").arg(QDir::tempPath()).arg(scale));
    ASSERT_EQ(picture.size(), QSize(384 * scale, 288 * scale));
    // The top 40 lines and the bottom 40 of the frame are the border: one
    // colour edge to edge, no black bars of a squeezed picture, no message.
    const QSet<QRgb> top = RowColours(picture, 0, 36 * scale), bottom = RowColours(picture, 252 * scale, 288 * scale);
    EXPECT_EQ(top.size(), 1) << "at " << scale << "x the frame's top rows hold " << top.size() << " colours";
    EXPECT_EQ(bottom.size(), 1) << "at " << scale << "x the frame's bottom rows hold " << bottom.size() << " colours";
    EXPECT_EQ(top, bottom);
  }
  // The front end's loading texts and messages never show over the picture.
  const QString hidden = PageValue(*window,
      "['ejs_loading_text', 'ejs_message', 'ejs_popup_container'].map(name => {"
      " const e = document.createElement('div'); e.className = name; e.innerText = 'Download Game Data';"
      " document.querySelector('.ejs_parent').appendChild(e); const d = getComputedStyle(e).display; e.remove(); return d; }).join(' ')");
  EXPECT_EQ(hidden, "none none none");
}

// Shifted keys with either Shift key, typed as real X key events.
TEST_F(BuiltInPlus4, BothShiftKeysReachTheMachine) {
  compileAndRun("shift", kKeyLogger);
  Plus4Window* window = machine->window();
  ASSERT_NE(window, nullptr);
  bool running = window->isRunning();
  QObject::connect(window, &Plus4Window::programRunning, [&] { running = true; });
  ASSERT_TRUE(WaitUntil([&] { return running || !window->failure().isEmpty(); }, kStartSeconds)) << Tail(window);
  window->activateWindow();
  window->view()->setFocus();
  QTest::qWait(800);
  for (const char* shift : {"Shift_L", "Shift_R"}) {
    for (const char* key : {"a", "2", "slash"}) {
      XdoTool({"keydown", shift});
      XdoTool({"keydown", key});
      QTest::qWait(150);
      XdoTool({"keyup", key});
      XdoTool({"keyup", shift});
      QTest::qWait(200);
    }
  }
  // Shift+A is the graphics character $C1, Shift+2 the quote, Shift+/ "?".
  const std::string expected = "\xC1\x22\x3F\xC1\x22\x3F";
  std::string got;
  WaitUntil([&] {
    const auto state = Snapshot(*window);
    if (state) got.assign(state->Ram.begin() + 0x0C01, state->Ram.begin() + 0x0C01 + state->Ram[0x0C00]);
    return got == expected;
  }, 10);
  EXPECT_EQ(got, expected);
}

// Home is CLR/HOME: alone HOME, with either Shift CLEAR; the cursor keys
// beside it keep their own keys.
TEST_F(BuiltInPlus4, HomeIsClrHomeWithOrWithoutEitherShift) {
  compileAndRun("home", kKeyLogger);
  Plus4Window* window = machine->window();
  ASSERT_NE(window, nullptr);
  bool running = window->isRunning();
  QObject::connect(window, &Plus4Window::programRunning, [&] { running = true; });
  ASSERT_TRUE(WaitUntil([&] { return running || !window->failure().isEmpty(); }, kStartSeconds)) << Tail(window);
  window->activateWindow();
  window->view()->setFocus();
  QTest::qWait(800);
  const std::vector<QStringList> strokes{{"Home"}, {"Shift_L", "Home"}, {"Shift_R", "Home"}, {"Right"}, {"Left"}};
  for (const QStringList& keys : strokes) {
    for (const QString& key : keys) XdoTool({"keydown", key});
    QTest::qWait(150);
    for (auto key = keys.rbegin(); key != keys.rend(); ++key) XdoTool({"keyup", *key});
    QTest::qWait(200);
  }
  // GETIN: HOME $13, CLEAR $93 twice, CRSR RIGHT $1D, CRSR LEFT $9D.
  const std::string expected = "\x13\x93\x93\x1D\x9D";
  std::string got;
  WaitUntil([&] {
    const auto state = Snapshot(*window);
    if (state) got.assign(state->Ram.begin() + 0x0C01, state->Ram.begin() + 0x0C01 + state->Ram[0x0C00]);
    return got == expected;
  }, 10);
  EXPECT_EQ(got, expected) << Tail(window);
}

// The windows' stacking as the window manager keeps it, bottom to top.
QList<WId> Stacking() {
  QProcess tool;
  tool.start("xprop", {"-root", "_NET_CLIENT_LIST_STACKING"});
  tool.waitForFinished(5000);
  QList<WId> order;
  const QString text = QString::fromLatin1(tool.readAllStandardOutput());
  for (const QString& word : text.mid(text.indexOf('#') + 1).split(',', Qt::SkipEmptyParts))
    order << word.trimmed().toULong(nullptr, 16);
  return order;
}

// Under a window manager: an ordinary window of the desktop, not the main
// window's transient: a click on the main window brings that in front, the
// Plus/4 can be minimised on its own, and the Window menu lists and raises it.
TEST_F(BuiltInPlus4, TheWindowIsAnOrdinaryWindowThatTheWindowMenuRaises) {
  windows->frmQV3.setGeometry(0, 0, 1100, 900);
  machine = std::make_unique<WebMachine>(&windows->frmQV3);
  launcher = std::make_unique<WorkbenchLauncher>(
      machine.get(), [] { return LaunchPreferences{EmulatorChoice::BuiltIn, {}}; },
      [](const QString&) { return QString(); }, [](const LaunchCommand&, const QString&) { return false; });
  windows->frmQV3.setLauncher(launcher.get());
  compileAndRun("front", Source("in front"));
  expectOnScreen("IN FRONT");
  Plus4Window* window = machine->window();
  ASSERT_NE(window, nullptr);
  QTest::qWait(500);
  EXPECT_EQ(window->windowHandle()->transientParent(), nullptr) << "kept above the main window as its transient";
  const WId main = windows->frmQV3.winId(), plus4 = window->winId();
  ASSERT_TRUE(Stacking().contains(main) && Stacking().contains(plus4)) << "no window manager lists the windows";
  auto plus4Above = [&] { const QList<WId> order = Stacking(); return order.indexOf(plus4) > order.indexOf(main); };
  EXPECT_TRUE(plus4Above()) << "a run brings the Plus/4 up";
  // A click on the main window (beside the Plus/4's) brings it in front,
  // one on the Plus/4's picture the Plus/4.
  const QPoint inMain = windows->frmQV3.mapToGlobal(QPoint(60, 450));
  ASSERT_FALSE(window->frameGeometry().contains(inMain));
  // The picture's right part, where the main window does not cover it.
  const QPoint inPlus4 = window->view()->mapToGlobal(QPoint(window->view()->width() - 20, window->view()->height() / 2));
  ASSERT_FALSE(windows->frmQV3.frameGeometry().contains(inPlus4));
  for (const auto& [at, plus4InFront] : {std::pair{inMain, false}, std::pair{inPlus4, true}}) {
    XdoTool({"mousemove", QString::number(at.x()), QString::number(at.y())});
    XdoTool({"click", "1"});
    EXPECT_TRUE(WaitUntil([&] { return plus4Above() == plus4InFront; }, 3))
        << "after a click at " << at.x() << "," << at.y() << " the Plus/4 is "
        << (plus4InFront ? "behind" : "in front of") << " the main window";
  }
  // Minimised on its own; the Window menu's item brings it back.
  QAction* item = windows->frmQV3.Window1->findChild<QAction*>("Plus4Window1");
  ASSERT_NE(item, nullptr) << "the Window menu does not list the Plus/4";
  EXPECT_TRUE(windows->frmQV3.Window1->actions().contains(item));
  EXPECT_TRUE(item->isVisible());
  window->showMinimized();
  EXPECT_TRUE(WaitUntil([&] { return window->isMinimized(); }, 5)) << "the window manager did not minimise it";
  EXPECT_TRUE(windows->frmQV3.isVisible() && !windows->frmQV3.isMinimized()) << "the main window went with it";
  item->trigger();
  EXPECT_TRUE(WaitUntil([&] { return window->isVisible() && !window->isMinimized() && window->isActiveWindow(); }, 5));
  EXPECT_TRUE(plus4Above());
  window->close();
  EXPECT_TRUE(WaitUntil([&] { return machine->window() == nullptr; }, 10));
  EXPECT_FALSE(item->isVisible()) << "a closed window leaves the menu";
}

// Pause near the screen's right edge: the look inside opens within the
// screen with its text whole, and the status says the machine is paused.
// With QV3_SCREENSHOTS set, the screen is saved there as inside-right-edge.png.
TEST_F(BuiltInPlus4, TheInsideViewStaysOnTheScreenNearItsRightEdge) {
  compileAndRun("edge", Source("at the edge"));
  expectOnScreen("AT THE EDGE");
  Plus4Window* window = machine->window();
  ASSERT_NE(window, nullptr);
  const QRect room = window->screen()->availableGeometry();
  window->move(room.right() - window->frameGeometry().width() + 1, room.top() + 40);
  QTest::qWait(500);
  window->pauseAction()->trigger();
  ASSERT_TRUE(window->isPaused());
  EXPECT_TRUE(WaitUntil([&] { return window->inspector()->registers()->text().startsWith("PC "); }, 20));
  QTest::qWait(800);  // the window manager's move and resize
  EXPECT_TRUE(room.contains(window->frameGeometry()))
      << "the window runs off the screen: " << window->frameGeometry().x() << "," << window->frameGeometry().y()
      << " " << window->frameGeometry().width() << "x" << window->frameGeometry().height();
  QPlainTextEdit* memory = window->inspector()->memory();
  const QRect memoryOnScreen(memory->mapToGlobal(QPoint(0, 0)), memory->size());
  EXPECT_TRUE(room.contains(memoryOnScreen)) << "the memory text is cut off";
  EXPECT_GE(memory->width(), memory->minimumWidth());
  // Whole lines, no sideways scrolling, in the memory and the TED tab.
  for (QPlainTextEdit* text : {memory, window->inspector()->ted()}) {
    window->inspector()->findChild<QTabWidget*>()->setCurrentWidget(text == memory ? memory->parentWidget() : text);
    QTest::qWait(100);
    EXPECT_EQ(text->horizontalScrollBar()->maximum(), 0)
        << "lines cut off: " << text->toPlainText().split('\n').value(1).toStdString();
  }
  EXPECT_TRUE(window->statusText().contains("paused")) << window->statusText().toStdString();
  EXPECT_FALSE(window->statusText().contains("running")) << window->statusText().toStdString();
  EXPECT_EQ(window->speedText(), "paused");
  if (const QByteArray folder = qgetenv("QV3_SCREENSHOTS"); !folder.isEmpty())
    window->screen()->grabWindow(0).save(QString::fromLocal8Bit(folder) + "/inside-right-edge.png");
  window->pauseAction()->trigger();
  EXPECT_FALSE(window->isPaused());
  EXPECT_TRUE(window->statusText().contains("running")) << window->statusText().toStdString();
}

// A front end whose loader loads no core: the page waits for a start that
// never comes, as it does for a program that never gets going.
TEST(BuiltInPlus4Start, AStartThatNeverFinishesIsReportedInTheWindowAndTheStatusList) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const QString root = folder.filePath("emulator");
  for (const QString& part : {root + "/emulatorjs/data/loader.js", root + "/core-vice_xplus4/vice_xplus4-legacy-wasm.data"}) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(part).path()));
    QFile file(part);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("// loads nothing\n");
  }
  ScriptedDialogs dialogs;
  WorkbenchWindows windows(&dialogs);
  WebMachine machine(&windows.frmQV3, {root});
  ASSERT_TRUE(machine.missingParts().isEmpty()) << machine.missingParts().toStdString();
  constexpr int kLimit = 3;
  machine.setStartTimeLimit(kLimit);
  machine.setStatusReporter([&](const QString& line) { AddToStatusList(windows.frmQV3, line); });
  WorkbenchLauncher launcher(
      &machine, [] { return LaunchPreferences{EmulatorChoice::BuiltIn, {}}; }, [](const QString&) { return QString(); },
      [](const LaunchCommand&, const QString&) { return false; });
  windows.frmQV3.setLauncher(&launcher);
  windows.frmQV3.setCurrentFolder(folder.path());
  windows.frmQV3.show();
  QFile source(folder.filePath("never.qv3"));
  ASSERT_TRUE(source.open(QIODevice::WriteOnly));
  source.write(QByteArray::fromStdString(Source("never")));
  source.close();
  TfrmQVEdit* editor = windows.frmQV3.OpenSourceFile(source.fileName());
  ASSERT_NE(editor, nullptr);
  const int linesBefore = editor->lbMessy->count();

  QElapsedTimer clock;
  clock.start();
  windows.frmQV3.CompileRun1->trigger();
  ASSERT_FALSE(windows.frmQV3.compileSession().FatalFlag);
  Plus4Window* window = machine.window();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->startTimeLimit(), kLimit);
  QString reported;
  QObject::connect(window, &Plus4Window::failed, [&](const QString& message) { reported = message; });
  ASSERT_TRUE(WaitUntil([&] { return !window->failure().isEmpty(); }, 60)) << "no report of the start; last lines:\n"
                                                                           << Tail(window);
  const qint64 waited = clock.elapsed();
  EXPECT_GE(waited, kLimit * 1000 - 100) << "reported before the limit";
  EXPECT_LT(waited, kLimit * 1000 + 15000);

  // In the window: what did not start, the limit, where it stood, what to do.
  const QString failure = window->failure();
  const QString program = window->windowTitle().section(" - ", 1);
  ASSERT_FALSE(program.isEmpty());
  EXPECT_TRUE(failure.startsWith(program + " did not start within 3 s")) << failure.toStdString();
  EXPECT_TRUE(failure.contains("still \"Loading the program...\"")) << failure.toStdString();
  EXPECT_TRUE(failure.contains("Reset boots the machine again")) << failure.toStdString();
  EXPECT_EQ(reported, failure);
  const auto* banner = window->findChild<QLabel*>("banner");
  ASSERT_NE(banner, nullptr);
  EXPECT_TRUE(banner->isVisible());
  EXPECT_EQ(banner->text(), failure);
  EXPECT_EQ(window->speedText(), "stopped");
  EXPECT_FALSE(window->isRunning());
  EXPECT_FALSE(window->pauseAction()->isEnabled());
  EXPECT_TRUE(window->resetAction()->isEnabled());

  // In the Status list of the editor that ran it, the same text.
  ASSERT_GT(editor->lbMessy->count(), linesBefore);
  EXPECT_EQ(editor->lbMessy->item(editor->lbMessy->count() - 1)->text(), "Plus/4: " + failure);
  windows.frmQV3.setLauncher(nullptr);
}

TEST_F(BuiltInPlus4, AFileThatIsNotAProgramGetsAMessageInTheWindow) {
  const QString path = folder.filePath("broken.prg");
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("\x01", 1);
  file.close();
  machine->runProgram(path, {});
  ASSERT_NE(machine->window(), nullptr);
  EXPECT_TRUE(machine->window()->failure().contains("broken.prg is not a Plus/4 program"))
      << machine->window()->failure().toStdString();
  EXPECT_FALSE(machine->window()->isRunning());
}

}  // namespace
