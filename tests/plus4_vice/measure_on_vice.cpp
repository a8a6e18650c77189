// SPDX-License-Identifier: GPL-3.0-or-later
// Runs one measuring program on the built-in Plus/4 (VICE xplus4 in Qt
// WebEngine) and keeps what VICE shows: the processor and TED registers, the
// RAM ranges the program named, and the frame as a PNG. The fixtures of
// tests/plus4_vice/ are made with it (make_fixtures.sh); needs an X server
// with OpenGL.
//
//   measure_on_vice PROGRAM.prg OUT_PREFIX [--done ADDR] [--ram FIRST-LAST]...
//                   [--timeout SECONDS] [--settle MS] [--key KEYCODE:TEXT]...
//   measure_on_vice --palette SCREENSHOT.png
//
// The run ends when RAM at ADDR holds $D0 (the program's "measured" flag),
// or after --timeout seconds (exit 1). OUT_PREFIX.txt and OUT_PREFIX.png are
// written.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <cstdio>
#include <functional>
#include <optional>
#include <span>

#include "workbench/emulator/emulator_startup.h"
#include "workbench/emulator/vice_snapshot.h"
#include "workbench/emulator/web_machine.h"

namespace {

constexpr std::uint8_t kMeasuredFlag = 0xD0;

bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

void Pause(int ms) { WaitFor([] { return false; }, ms); }

struct Range {
  unsigned first = 0, last = 0;
};

struct Options {
  QString program, prefix;
  std::optional<unsigned> doneAddress;
  std::vector<Range> ranges;
  int timeoutSeconds = 60;
  int settleMs = 500;
  bool startState = false;   // the start-state program: its kept values decoded first
  bool kernalFacts = false;  // likewise for the KERNAL facts program
  // Keys typed once the program runs: X key code (evdev + 8) and its text.
  std::vector<std::pair<quint32, QString>> keys;
};

std::optional<Options> ParseOptions(const QStringList& args) {
  Options options;
  QStringList positional;
  for (int i = 1; i < args.size(); ++i) {
    const QString& arg = args[i];
    const bool hasValue = i + 1 < args.size();
    bool ok = true;
    if (arg == QLatin1String("--done") && hasValue) {
      options.doneAddress = args[++i].toUInt(&ok, 16);
    } else if (arg == QLatin1String("--ram") && hasValue) {
      const QStringList bounds = args[++i].split(QLatin1Char('-'));
      bool ok2 = bounds.size() == 2;
      Range range;
      if (ok2) range = {bounds[0].toUInt(&ok, 16), bounds[1].toUInt(&ok2, 16)};
      ok = ok && ok2 && range.first <= range.last && range.last <= 0xFFFF;
      options.ranges.push_back(range);
    } else if (arg == QLatin1String("--timeout") && hasValue) {
      options.timeoutSeconds = args[++i].toInt(&ok);
    } else if (arg == QLatin1String("--settle") && hasValue) {
      options.settleMs = args[++i].toInt(&ok);
    } else if (arg == QLatin1String("--start-state")) {
      options.startState = true;
    } else if (arg == QLatin1String("--kernal-facts")) {
      options.kernalFacts = true;
    } else if (arg == QLatin1String("--key") && hasValue) {
      const QString key = args[++i];
      const int colon = key.indexOf(QLatin1Char(':'));
      options.keys.emplace_back(key.left(colon).toUInt(&ok), colon < 0 ? QString() : key.mid(colon + 1));
    } else if (arg.startsWith(QLatin1String("--"))) {
      ok = false;
    } else {
      positional << arg;
    }
    if (!ok) {
      std::fprintf(stderr, "measure_on_vice: bad option %s\n", qPrintable(arg));
      return std::nullopt;
    }
  }
  if (positional.size() != 2) return std::nullopt;
  options.program = positional[0];
  options.prefix = positional[1];
  return options;
}

QByteArray RunScript(QWebEnginePage& page, const QString& script) {
  QByteArray result;
  bool answered = false;
  page.runJavaScript(script, [&](const QVariant& value) {
    result = value.toString().toLatin1();
    answered = true;
  });
  WaitFor([&] { return answered; }, 20000);
  return result;
}

std::optional<MachineSnapshot> Snapshot(Plus4Window& window, QByteArray* raw = nullptr) {
  QByteArray bytes;
  bool answered = false;
  window.takeSnapshot([&](const QByteArray& state) {
    bytes = state;
    answered = true;
  });
  if (!WaitFor([&] { return answered; }, 20000)) return std::nullopt;
  if (raw) *raw = bytes;
  auto result = ReadViceSnapshot(std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                           static_cast<std::size_t>(bytes.size())));
  if (auto* machine = std::get_if<MachineSnapshot>(&result)) return std::move(*machine);
  return std::nullopt;
}

// The core's frame as PNG bytes: EmulatorJS's screenshot() answers with a
// promise, so the page keeps the result in a global that is polled.
QByteArray Screenshot(QWebEnginePage& page) {
  RunScript(page, QStringLiteral(
      "window.qv3shot = null;"
      "EJS_emulator.gameManager.screenshot().then((bytes) => {"
      "  let text = '';"
      "  for (let i = 0; i < bytes.length; i += 0x8000)"
      "    text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));"
      "  window.qv3shot = btoa(text);"
      "}); ''"));
  QByteArray shot;
  WaitFor([&] {
    shot = RunScript(page, QStringLiteral("window.qv3shot || ''"));
    return !shot.isEmpty();
  }, 20000);
  return QByteArray::fromBase64(shot);
}

// "VICE Version\x1a" then major, minor, micro, build bytes.
QString ViceVersion(const QByteArray& snapshot) {
  const int at = snapshot.indexOf(QByteArray("VICE Version\x1a", 13));
  if (at < 0 || at + 17 > snapshot.size()) return QStringLiteral("unknown");
  const auto byte = [&](int i) { return static_cast<unsigned char>(snapshot[at + 13 + i]); };
  return QStringLiteral("%1.%2.%3.%4").arg(byte(0)).arg(byte(1)).arg(byte(2)).arg(byte(3));
}

QString Hex(unsigned value, int digits) {
  return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}

QString HexLine(const char* kind, unsigned address, const std::uint8_t* bytes, unsigned count) {
  QString line = QLatin1String(kind) + QLatin1Char(' ') + Hex(address, 4) + QLatin1Char(':');
  for (unsigned i = 0; i < count; ++i) line += QLatin1Char(' ') + Hex(bytes[i], 2);
  return line + QLatin1Char('\n');
}

QString Dump(const MachineSnapshot& machine, const std::vector<Range>& ranges, const QString& version) {
  QString text;
  text += QStringLiteral("# VICE %1 xplus4 (EmulatorJS core), snapshot taken after the program's flag\n").arg(version);
  const CpuSnapshot& cpu = machine.Cpu;
  text += QStringLiteral("cpu A=$%1 X=$%2 Y=$%3 SP=$%4 P=$%5 PC=$%6\n")
              .arg(Hex(cpu.A, 2), Hex(cpu.X, 2), Hex(cpu.Y, 2), Hex(cpu.SP, 2), Hex(cpu.P, 2), Hex(cpu.PC, 4));
  text += QStringLiteral("raster %1\n").arg(machine.RasterLine);
  for (unsigned at = 0; at < 64; at += 16) text += HexLine("ted", 0xFF00 + at, machine.Ted.data() + at, 16);
  for (const Range& range : ranges)
    for (unsigned at = range.first; at <= range.last; at += 16)
      text += HexLine("ram", at, machine.Ram.data() + at, std::min(16u, range.last + 1 - at));
  return text;
}

// What programs/start_state.qv3 kept at SYS, decoded (its layout is in
// the program's head comment).
QString StartStateSummary(const std::vector<std::uint8_t>& ram) {
  const auto at = [&](unsigned address) { return ram[address]; };
  const auto word = [&](unsigned address) { return Hex(ram[address] | ram[address + 1] << 8, 4); };
  QString text = QStringLiteral("# At SYS, kept by the program's first instructions (P as PHP pushes it):\n");
  text += QStringLiteral("sys A=$%1 X=$%2 Y=$%3 P=$%4 SP=$%5\n")
              .arg(Hex(at(0x3000), 2), Hex(at(0x3001), 2), Hex(at(0x3002), 2), Hex(at(0x3003), 2), Hex(at(0x3004), 2));
  text += QStringLiteral("# The TED's registers as a program reads them at SYS ($FF1C-$FF1E move):\n");
  for (unsigned i = 0; i < 64; i += 16) text += HexLine("ted-read", 0xFF00 + i, ram.data() + 0x3040 + i, 16);
  text += QStringLiteral("# RAM vectors at SYS: IRQ ($0314), BRK ($0316), NMI ($0318):\n");
  text += QStringLiteral("vectors 0314=$%1 0316=$%2 0318=$%3\n").arg(word(0x3314), word(0x3316), word(0x3318));
  text += QStringLiteral("# Key buffer at SYS: count ($EF) and $0527-$0530:\n");
  text += QStringLiteral("keys count=$%1\n").arg(Hex(at(0x3100 + 0xEF), 2));
  text += HexLine("key-buffer", 0x0527, ram.data() + 0x3527, 10);
  text += QStringLiteral("# Screen memory ($0C00) at SYS as text, and its first colour byte ($0800):\n");
  text += QStringLiteral("colour 0800=$%1\n").arg(Hex(at(0x3800), 2));
  const std::string screen = ScreenText(ram, 0x3C00, false);
  for (const QString& line : QString::fromLatin1(screen.data(), static_cast<qsizetype>(screen.size())).split(QLatin1Char('\n')))
    if (!line.isEmpty()) text += QStringLiteral("screen |%1|\n").arg(line);
  text += QStringLiteral("# The whole machine afterwards, and the kept ranges: $3100 zero page, $3200-$3FFF $0200-$0FFF\n");
  return text;
}

QString Instruction(const std::uint8_t* bytes) {
  const QString target = Hex(bytes[1] | bytes[2] << 8, 4);
  if (bytes[0] == 0x4C) return QStringLiteral("JMP $") + target;
  if (bytes[0] == 0x6C) return QStringLiteral("JMP ($%1)").arg(target);
  return QStringLiteral("?? %1 %2 %3").arg(Hex(bytes[0], 2), Hex(bytes[1], 2), Hex(bytes[2], 2));
}

// What programs/kernal_facts.qv3 kept, decoded (layout in its head comment).
QString KernalFactsSummary(const std::vector<std::uint8_t>& ram) {
  const auto word = [&](unsigned address) { return Hex(ram[address] | ram[address + 1] << 8, 4); };
  QString text = QStringLiteral("# Read from the KERNAL ROM (banked in by a write to $FF3E):\n");
  text += QStringLiteral("hardware-vectors NMI=$%1 RESET=$%2 IRQ=$%3\n").arg(word(0x300A), word(0x300C), word(0x300E));
  const unsigned entry = ram[0x300E] | ram[0x300F] << 8;
  text += HexLine("irq-entry", entry, ram.data() + 0x3010, 16);
  text += HexLine("irq-entry", entry + 16, ram.data() + 0x3020, 16);
  text += HexLine("irq-exit", 0xFCBE, ram.data() + 0x3030, 8);
  text += HexLine("default-irq-handler", 0xCE0E, ram.data() + 0x3040, 16);
  text += QStringLiteral("# The RAM under $FFF0-$FFFF (a write to $FF3F):\n");
  text += HexLine("ram-under", 0xFFF0, ram.data() + 0x3060, 16);
  text += QStringLiteral("# The jump table, one entry a line:\n");
  for (unsigned at = 0; at + 3 <= 0x75; at += 3)
    text += QStringLiteral("jump-table %1 %2\n").arg(Hex(0xFF81 + at, 4), Instruction(ram.data() + 0x3100 + at));
  text += QStringLiteral("# 16 interrupts as the program's handler (chained to $CE0E) saw them at its entry:\n");
  for (unsigned i = 0; i < 16; ++i) {
    const std::uint8_t* sample = ram.data() + 0x3200 + i * 8;
    text += QStringLiteral("interrupt FF09=$%1 FF0A=$%2 compare=$%3 line=$%4 FF1E=$%5\n")
                .arg(Hex(sample[0], 2), Hex(sample[1], 2), Hex((sample[1] & 1) << 8 | sample[2], 3),
                     Hex((sample[3] & 1) << 8 | sample[4], 3), Hex(sample[5], 2));
  }
  text += QStringLiteral("# Zero page bytes that changed over those interrupts (before -> after):\n");
  for (unsigned at = 0; at < 0x100; ++at)
    if (ram[0x3300 + at] != ram[0x3400 + at])
      text += QStringLiteral("changed %1 $%2 -> $%3\n").arg(Hex(at, 2), Hex(ram[0x3300 + at], 2), Hex(ram[0x3400 + at], 2));
  text += QStringLiteral("# After the harness typed \"a\": the key count ($EF) and the key buffer at $0527:\n");
  text += QStringLiteral("keys count=$%1\n").arg(Hex(ram[0x3500], 2));
  text += HexLine("key-buffer", 0x0527, ram.data() + 0x3501, 10);
  return text;
}

// The palette program's frame: colour C (0-15) of luminance L (0-7) fills
// the 16 x 24 pixel block at column 2C, row 3L of the 40 x 25 screen. The
// screen's window is where the frame differs from the border.
int PrintPalette(const QString& path) {
  QImage image(path);
  if (image.isNull()) {
    std::fprintf(stderr, "measure_on_vice: %s cannot be read\n", qPrintable(path));
    return 2;
  }
  image = image.convertToFormat(QImage::Format_RGB32);
  const QRgb border = image.pixel(0, 0);
  int left = image.width(), top = image.height(), right = -1, bottom = -1;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) != border) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
  if (right - left + 1 != 320 || bottom - top + 1 != 200) {
    std::fprintf(stderr, "measure_on_vice: the screen's window is %dx%d at %d,%d, not 320x200\n",
                 right - left + 1, bottom - top + 1, left, top);
    return 1;
  }
  std::printf("# the frame is %dx%d, the screen's window at x=%d y=%d\n", image.width(), image.height(), left, top);
  int uneven = 0;
  for (int luminance = 0; luminance < 8; ++luminance)
    for (int colour = 0; colour < 16; ++colour) {
      const int x0 = left + colour * 16, y0 = top + luminance * 24;
      const QRgb rgb = image.pixel(x0 + 8, y0 + 12);
      for (int y = y0; y < y0 + 24; ++y)
        for (int x = x0; x < x0 + 16; ++x) uneven += image.pixel(x, y) != rgb;
      std::printf("$%X%X #%02X%02X%02X\n", luminance, colour, qRed(rgb), qGreen(rgb), qBlue(rgb));
    }
  if (uneven) {
    std::fprintf(stderr, "measure_on_vice: %d pixels differ from their block's colour\n", uneven);
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  PrepareEmulatorEnvironment();
  QApplication application(argc, argv);
  const QStringList args = application.arguments();
  if (args.size() == 3 && args[1] == QLatin1String("--palette")) return PrintPalette(args[2]);
  const auto options = ParseOptions(args);
  if (!options) {
    std::fprintf(stderr, "usage: measure_on_vice PROGRAM.prg OUT_PREFIX [--done ADDR] [--ram FIRST-LAST]...\n"
                         "                       [--timeout SECONDS] [--settle MS] [--key KEYCODE:TEXT]...\n"
                         "       measure_on_vice --palette SCREENSHOT.png\n");
    return 2;
  }
  WebMachine machine(nullptr);
  if (const QString missing = machine.missingParts(); !missing.isEmpty()) {
    std::fprintf(stderr, "%s\n", qPrintable(missing));
    return 2;
  }
  machine.runProgram(options->program, {});
  Plus4Window* window = machine.window();
  bool running = false;
  QObject::connect(window, &Plus4Window::programRunning, [&] { running = true; });
  if (!WaitFor([&] { return running || !window->failure().isEmpty(); }, 120000) || !window->failure().isEmpty()) {
    std::fprintf(stderr, "measure_on_vice: the program did not start: %s\n%s\n", qPrintable(window->failure()),
                 qPrintable(window->consoleTail().join(QLatin1Char('\n'))));
    return 1;
  }
  // Real time from here: the measurements count frames.
  window->setWarp(false);
  QWidget* target = window->view()->focusProxy() ? window->view()->focusProxy() : window->view();
  for (const auto& [code, text] : options->keys) {
    Pause(300);
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, code, 0, 0, text);
    QCoreApplication::sendEvent(target, &press);
    Pause(200);
    QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, code, 0, 0, text);
    QCoreApplication::sendEvent(target, &release);
  }
  if (options->doneAddress) {
    const unsigned flag = *options->doneAddress;
    const bool measured = WaitFor([&] {
      Pause(200);
      const auto state = Snapshot(*window);
      return state && state->Ram[flag] == kMeasuredFlag;
    }, options->timeoutSeconds * 1000);
    if (!measured) {
      std::fprintf(stderr, "measure_on_vice: no $%02X at $%04X after %d s\n", kMeasuredFlag, flag,
                   options->timeoutSeconds);
      return 1;
    }
  }
  Pause(options->settleMs);
  const QByteArray png = Screenshot(*window->view()->page());
  QByteArray raw;
  const auto state = Snapshot(*window, &raw);
  if (!state || png.isEmpty()) {
    std::fprintf(stderr, "measure_on_vice: the machine's state or frame could not be read\n");
    return 1;
  }
  const QImage frame = QImage::fromData(png, "PNG");
  if (frame.width() != 384 || frame.height() != 288) {
    std::fprintf(stderr, "measure_on_vice: the frame is %dx%d, not 384x288\n", frame.width(), frame.height());
    return 1;
  }
  QFile image(options->prefix + QStringLiteral(".png"));
  QFile text(options->prefix + QStringLiteral(".txt"));
  if (!image.open(QIODevice::WriteOnly) || image.write(png) != png.size() || !text.open(QIODevice::WriteOnly) ||
      text.write(((options->startState ? StartStateSummary(state->Ram) : QString()) +
                  (options->kernalFacts ? KernalFactsSummary(state->Ram) : QString()) +
                  Dump(*state, options->ranges, ViceVersion(raw))).toLatin1()) < 0) {
    std::fprintf(stderr, "measure_on_vice: %s cannot be written\n", qPrintable(options->prefix));
    return 2;
  }
  return 0;
}
