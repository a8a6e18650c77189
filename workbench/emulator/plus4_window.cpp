#include "workbench/emulator/plus4_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QDockWidget>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <algorithm>
#include <span>

#include "workbench/emulator/inside_placement.h"
#include "workbench/emulator/machine_inside_view.h"
#include "workbench/emulator/machine_program.h"
#include "workbench/emulator/machine_routes.h"
#include "workbench/emulator/machine_scheme_handler.h"
#include "workbench/emulator/vice_snapshot.h"

// The page reports through console lines beginning with "qv3:"; every
// other line is the front end's or the core's log.
class MachinePage final : public QWebEnginePage {
  Q_OBJECT
 public:
  using QWebEnginePage::QWebEnginePage;

 signals:
  void report(const QString& kind, const QString& text);
  void consoleLine(const QString& line, bool error);

 protected:
  void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                int, const QString&) override {
    if (message.startsWith(QLatin1String("qv3:"))) {
      const int colon = message.indexOf(QLatin1Char(':'), 4);
      emit report(message.mid(4, colon < 0 ? -1 : colon - 4), colon < 0 ? QString() : message.mid(colon + 1));
      return;
    }
    emit consoleLine(message, level == ErrorMessageLevel);
  }
  bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override {
    return url.scheme() == QLatin1String(kMachineScheme);
  }
};

// The page lives in a resource of a static library: it is registered by hand.
static void RegisterMachinePage() { Q_INIT_RESOURCE(machine); }

namespace {
constexpr int kConsoleLines = 40;
// A cold start took up to 16 s on a loaded 2-core machine; a program that
// never gets going (loaded over the zero page, the stack or the screen)
// must not leave "Loading..." standing for ever.
constexpr int kStartSeconds = 90;
const QString kKeysHelp = QStringLiteral(
    "Keys go to the Plus/4 while its screen has the focus, by their place on the keyboard:\n"
    "Esc = RUN/STOP, Backspace = INST/DEL, ` (left of 1) = ESC, Insert = \u00a3,\n"
    "F1/F2/F3 = F1/F2/F3 (F4/F5/F6 too), F7 or F8 = HELP, Tab = CTRL, the cursor keys = the cursor keys,\n"
    "Home = CLR/HOME (with either Shift: CLEAR).\n"
    "The keys right of 0 are + - = as on the Plus/4; [ = @, ] = *, ' = ;.");
}  // namespace

Plus4Window::Plus4Window(const EmulatorFiles& files, QWidget* parent)
    // An ordinary window of the desktop: the window manager stacks it with
    // the main window as the user clicks, and it can be minimised on its own.
    : QMainWindow(parent, Qt::Window), files_(files) {
  RegisterMachinePage();
  setObjectName(QStringLiteral("Plus4Window"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("Plus/4"));

  // A profile of its own, kept in memory only: nothing of the machine is
  // written to disk, and closing the window ends its web processes.
  profile_ = new QWebEngineProfile(this);
  profile_->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
  profile_->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
  guard_ = new NetworkGuard(profile_);
  profile_->setUrlRequestInterceptor(guard_);
  handler_ = new MachineSchemeHandler(files_, profile_);
  profile_->installUrlSchemeHandler(kMachineScheme, handler_);

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  banner_ = new QLabel(central);
  banner_->setObjectName(QStringLiteral("banner"));
  banner_->setWordWrap(true);
  banner_->setMargin(8);
  banner_->setStyleSheet(QStringLiteral("background: #fde2e1; color: #7a0000;"));
  banner_->hide();
  layout->addWidget(banner_);
  view_ = new QWebEngineView(central);
  page_ = new MachinePage(profile_, view_);
  page_->settings()->setAttribute(QWebEngineSettings::WebGLEnabled, true);
  page_->settings()->setAttribute(QWebEngineSettings::Accelerated2dCanvasEnabled, true);
  page_->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
  page_->settings()->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
  page_->setBackgroundColor(Qt::black);
  view_->setPage(page_);
  view_->setContextMenuPolicy(Qt::NoContextMenu);
  view_->setToolTip(kKeysHelp);
  layout->addWidget(view_, 1);
  setCentralWidget(central);
  // Two times the machine's 384 x 288 picture until the page says which
  // renderer draws it.
  resize(384 * 2 + 16, 288 * 2 + 80);

  QToolBar* tools = addToolBar(QStringLiteral("Machine"));
  tools->setObjectName(QStringLiteral("machineTools"));
  tools->setMovable(false);
  resetAction_ = tools->addAction(QStringLiteral("Reset"), this, &Plus4Window::reset);
  resetAction_->setToolTip(QStringLiteral("Boot the machine again and run the program"));
  pauseAction_ = tools->addAction(QStringLiteral("Pause"));
  pauseAction_->setCheckable(true);
  connect(pauseAction_, &QAction::toggled, this, &Plus4Window::setPaused);
  warpAction_ = tools->addAction(QStringLiteral("Warp"));
  warpAction_->setCheckable(true);
  warpAction_->setToolTip(QStringLiteral("Run unthrottled"));
  connect(warpAction_, &QAction::toggled, this, &Plus4Window::setWarp);
  QAction* keys = tools->addAction(QStringLiteral("Keys..."));
  connect(keys, &QAction::triggered, this,
          [this] { QMessageBox::information(this, QStringLiteral("Plus/4 keys"), kKeysHelp); });

  inspector_ = new MachineInspector(this);
  inspectorDock_ = new QDockWidget(QStringLiteral("Inside"), this);
  inspectorDock_->setObjectName(QStringLiteral("insideDock"));
  inspectorDock_->setWidget(inspector_);
  addDockWidget(Qt::RightDockWidgetArea, inspectorDock_);
  inspectorDock_->hide();
  tools->addAction(inspectorDock_->toggleViewAction());
  // The look inside comes beside or below the screen, not out of it: the
  // window grows by the view's size, within the screen.
  connect(inspectorDock_, &QDockWidget::visibilityChanged, this, [this](bool visible) {
    if (visible == insideShown_ || inspectorDock_->isFloating() || isMaximized() || isFullScreen()) return;
    insideShown_ = visible;
    if (visible)
      makeRoomForInside();
    else if (frameBeforeInside_.isValid())
      setFrame(frameBeforeInside_);
  });

  startLimit_ = new QTimer(this);
  startLimit_->setSingleShot(true);
  // A coarse timer may fire 5 % early: the limit is a promise, not a hint.
  startLimit_->setTimerType(Qt::PreciseTimer);
  startLimit_->setInterval(kStartSeconds * 1000);
  connect(startLimit_, &QTimer::timeout, this, &Plus4Window::startTookTooLong);

  busy_ = new QProgressBar(this);
  busy_->setRange(0, 0);
  busy_->setMaximumWidth(120);
  status_ = new QLabel(this);
  speed_ = new QLabel(this);
  statusBar()->addWidget(busy_);
  statusBar()->addWidget(status_, 1);
  statusBar()->addPermanentWidget(speed_);

  connect(page_, &MachinePage::report, this, &Plus4Window::handleReport);
  connect(page_, &MachinePage::consoleLine, this, [this](const QString& line, bool error) {
    handleConsole(line);
    // An uncaught error of the WebAssembly core is its crash.
    if (error && (line.contains(QLatin1String("RuntimeError")) || line.contains(QLatin1String("Aborted("))))
      fail(QStringLiteral("The emulator's core crashed: %1").arg(line));
  });
  connect(page_, &QWebEnginePage::loadFinished, this, [this](bool ok) {
    if (!ok) fail(QStringLiteral("The Plus/4's page could not be loaded."));
  });
  connect(page_, &QWebEnginePage::renderProcessTerminated, this,
          [this](QWebEnginePage::RenderProcessTerminationStatus status, int code) {
            if (status == QWebEnginePage::NormalTerminationStatus) return;
            fail(QStringLiteral("The emulator's web process ended unexpectedly (exit code %1). "
                                "Reset starts it again.").arg(code));
          });
}

Plus4Window::~Plus4Window() {
  // The page must go before its profile.
  view_->setPage(nullptr);
  delete page_;
  page_ = nullptr;
}

void Plus4Window::closeEvent(QCloseEvent* event) {
  // Stop the machine at once; the web process ends with the page.
  if (page_) page_->triggerAction(QWebEnginePage::Stop);
  event->accept();
}

int Plus4Window::blockedRequests() const { return guard_->blockedCount() + handler_->refusedCount(); }

void Plus4Window::runProgram(const QByteArray& bytes, const QString& name, const QString& labelsPath) {
  programName_ = name;
  labelsPath_ = labelsPath;
  setWindowTitle(QStringLiteral("Plus/4 - %1").arg(name));
  QFile labels(labelsPath);
  if (!labelsPath.isEmpty() && labels.open(QIODevice::ReadOnly))
    inspector_->setLabels(ReadViceLabels(QString::fromLatin1(labels.readAll())));
  else
    inspector_->setLabels({});
  const auto data = std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                              static_cast<std::size_t>(bytes.size()));
  if (const auto problem = ProgramProblem(data)) {
    running_ = false;
    failure_.clear();  // this file's problem is the one to show
    fail(QStringLiteral("%1 is not a Plus/4 program: %2.").arg(name, QString::fromStdString(*problem)));
    return;
  }
  program_ = bytes;
  // A machine already running a program started by the same command file
  // (BASIC, or SYS to the same address) takes the new one through VICE's
  // reset, which autostarts it again: far quicker than a new page.
  if (started_ && failure_.isEmpty() && commandFile() == startedCommand_) {
    rerun();
    return;
  }
  reset();
}

QByteArray Plus4Window::commandFile() const {
  const auto data = std::span(reinterpret_cast<const std::uint8_t*>(program_.constData()),
                              static_cast<std::size_t>(program_.size()));
  return QByteArray::fromStdString(AutostartCommandFile(DescribeProgram(data), "/program.prg"));
}

void Plus4Window::rerun() {
  handler_->setProgram(program_, commandFile());
  prepareStart();
  page_->runJavaScript(QStringLiteral("qv3.rerun()"));
}

void Plus4Window::reset() {
  if (program_.isEmpty()) return;
  startedCommand_ = commandFile();
  handler_->setProgram(program_, startedCommand_);
  started_ = false;
  prepareStart();
  // A fresh page is a fresh machine; loading it again is the reset.
  page_->load(MachinePageUrl());
  view_->setFocus();
}

void Plus4Window::prepareStart() {
  failure_.clear();
  banner_->hide();
  console_.clear();
  running_ = false;
  paused_ = false;
  {
    const QSignalBlocker quiet(pauseAction_);
    pauseAction_->setChecked(false);
  }
  pauseAction_->setText(QStringLiteral("Pause"));
  pauseAction_->setEnabled(false);
  warpAction_->setEnabled(true);
  speed_->setText(QStringLiteral("starting"));
  sinceStart_.start();
  startLimit_->start();
  showProgress(QStringLiteral("Starting the Plus/4..."));
}

void Plus4Window::showProgress(const QString& text) {
  busy_->setVisible(!running_ && failure_.isEmpty());
  status_->setText(text);
  emit progressed(text);
}

void Plus4Window::setStartTimeLimit(int seconds) { startLimit_->setInterval(seconds * 1000); }

int Plus4Window::startTimeLimit() const { return startLimit_->interval() / 1000; }

QString Plus4Window::speedText() const { return speed_->text(); }

QString Plus4Window::statusText() const { return status_->text(); }

void Plus4Window::startTookTooLong() {
  fail(QStringLiteral("%1 did not start within %2 s (still \"%3\"). A program that loads over the "
                      "zero page, the stack or the screen cannot start; Reset boots the machine again.")
           .arg(programName_)
           .arg(startTimeLimit())
           .arg(status_->text()));
}

void Plus4Window::fail(const QString& message) {
  if (!failure_.isEmpty()) return;  // the first failure is the cause
  failure_ = message;
  running_ = false;
  // Until a new boot nothing runs: no rate, nothing to pause or look at.
  startLimit_->stop();
  paused_ = false;
  {
    const QSignalBlocker quiet(pauseAction_);
    pauseAction_->setChecked(false);
  }
  pauseAction_->setText(QStringLiteral("Pause"));
  pauseAction_->setEnabled(false);
  warpAction_->setEnabled(false);
  speed_->setText(QStringLiteral("stopped"));
  inspector_->showProblem(QStringLiteral("The machine has stopped: nothing to look at until Reset."));
  banner_->setText(message);
  banner_->show();
  busy_->hide();
  status_->setText(QStringLiteral("Stopped."));
  emit failed(message);
}

void Plus4Window::handleConsole(const QString& line) {
  console_ << line;
  if (console_.size() > kConsoleLines) console_.removeFirst();
}

void Plus4Window::handleReport(const QString& kind, const QString& text) {
  if (kind == QLatin1String("progress")) {
    showProgress(text + QStringLiteral("..."));
  } else if (kind == QLatin1String("started")) {
    started_ = true;
    showProgress(QStringLiteral("Loading %1...").arg(programName_));
  } else if (kind == QLatin1String("running")) {
    if (!failure_.isEmpty()) return;  // too late: reported as failed
    startLimit_->stop();
    running_ = true;
    pauseAction_->setEnabled(true);
    showProgress(QStringLiteral("%1 running (started in %2 s).")
                     .arg(programName_)
                     .arg(sinceStart_.elapsed() / 1000.0, 0, 'f', 1));
    if (warpAction_->isChecked()) setWarp(true);
    emit programRunning();
  } else if (kind == QLatin1String("fps")) {
    if (!running_) return;  // a dead or booting machine has no rate of its own
    const double rate = text.toDouble();
    speed_->setText(paused_ ? QStringLiteral("paused") : QStringLiteral("%1 frames/s").arg(rate, 0, 'f', 1));
    emit frameRate(rate);
  } else if (kind == QLatin1String("renderer")) {
    // Drawing the picture at 2x through a software renderer costs a third
    // of the frame rate; at 1x the machine runs at full speed.
    const QString renderer = text.toLower();
    const bool software = renderer.contains(QLatin1String("llvmpipe")) || renderer.contains(QLatin1String("softpipe")) ||
                          renderer.contains(QLatin1String("swiftshader"));
    if (!sized_) setScreenScale(software ? 1 : 2);
    sized_ = true;
  } else if (kind == QLatin1String("failed")) {
    fail(QStringLiteral("The Plus/4 could not run %1: %2").arg(programName_, text));
  }
}

void Plus4Window::setPaused(bool paused) {
  if (!page_ || (paused && !running_)) return;
  paused_ = paused;
  page_->runJavaScript(paused ? QStringLiteral("qv3.pause()") : QStringLiteral("qv3.resume()"));
  pauseAction_->setText(paused ? QStringLiteral("Continue") : QStringLiteral("Pause"));
  {
    const QSignalBlocker quiet(pauseAction_);
    pauseAction_->setChecked(paused);
  }
  // The status line says what the machine does now.
  if (running_) {
    status_->setText((paused ? QStringLiteral("%1 paused.") : QStringLiteral("%1 running.")).arg(programName_));
    // The rate comes back with the next report.
    speed_->setText(paused ? QStringLiteral("paused") : QStringLiteral("running"));
  }
  if (paused) {
    inspectorDock_->show();
    refreshInspector();
  } else {
    view_->setFocus();
  }
}

void Plus4Window::makeRoomForInside() {
  const QScreen* screen = this->screen();
  if (!screen) return;
  frameBeforeInside_ = frameGeometry();
  const QSize inside = inspector_->sizeHint().expandedTo(inspector_->minimumSizeHint()) + QSize(12, 30);
  const InsidePlacement placement = PlaceInside(screen->availableGeometry(), frameBeforeInside_, inside);
  if (dockWidgetArea(inspectorDock_) != placement.Area) addDockWidget(placement.Area, inspectorDock_);
  setFrame(placement.Frame);
  const bool below = placement.Area == Qt::BottomDockWidgetArea;
  resizeDocks({inspectorDock_}, {below ? inside.height() : inside.width()}, below ? Qt::Vertical : Qt::Horizontal);
}

void Plus4Window::setFrame(const QRect& frame) {
  // resize() takes the client area, move() the frame's corner.
  const QSize decoration = frameGeometry().size() - size();
  resize(frame.size() - decoration);
  move(frame.topLeft());
}

void Plus4Window::setScreenScale(int scale) {
  if (isMaximized() || isFullScreen()) return;
  // The right edge stays where it was placed (beside the editors).
  const int right = frameGeometry().right();
  resize(size() - view_->size() + QSize(384 * scale, 288 * scale));
  move(right - frameGeometry().width() + 1, y());
}

void Plus4Window::setWarp(bool on) {
  if (page_) page_->runJavaScript(QStringLiteral("qv3.warp(%1)").arg(on ? "true" : "false"));
}

void Plus4Window::takeSnapshot(const std::function<void(const QByteArray&)>& done) {
  if (!page_) {
    done({});
    return;
  }
  page_->runJavaScript(QStringLiteral("window.qv3 ? qv3.snapshot() : ''"), [done](const QVariant& result) {
    done(QByteArray::fromBase64(result.toString().toLatin1()));
  });
}

void Plus4Window::refreshInspector() {
  if (!failure_.isEmpty()) return;
  takeSnapshot([inspector = QPointer<MachineInspector>(inspector_)](const QByteArray& bytes) {
    if (!inspector) return;
    const auto result = ReadViceSnapshot(std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                                   static_cast<std::size_t>(bytes.size())));
    if (const auto* machine = std::get_if<MachineSnapshot>(&result))
      inspector->showMachine(*machine);
    else
      inspector->showProblem(QStringLiteral("The machine's state cannot be read: %1")
                                 .arg(QString::fromStdString(std::get<std::string>(result))));
  });
}

#include "plus4_window.moc"
