// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/plus4_vice/vice_fixture.h"

#include <QFile>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

#include "tests/engine/e2e_support.h"

namespace qv3::fidelity {
namespace {

constexpr int kFrameWidth = 384, kFrameHeight = 288;
constexpr int kWindowLeft = 32, kWindowTop = 40;  // the 40 x 25 cells, as palette.txt found them

std::string Hex(unsigned value, int digits) {
  char text[8];
  std::snprintf(text, sizeof text, "%0*X", digits, value);
  return text;
}

std::vector<unsigned> HexBytes(std::istringstream& in) {
  std::vector<unsigned> bytes;
  std::string word;
  while (in >> word) bytes.push_back(static_cast<unsigned>(std::stoul(word, nullptr, 16)));
  return bytes;
}

// "A=$D0" -> 0xD0 for each NAME= in the line.
std::map<std::string, unsigned> Registers(const std::string& line) {
  std::map<std::string, unsigned> values;
  std::istringstream in(line);
  std::string word;
  while (in >> word) {
    const auto equals = word.find("=$");
    if (equals != std::string::npos)
      values[word.substr(0, equals)] = static_cast<unsigned>(std::stoul(word.substr(equals + 2), nullptr, 16));
  }
  return values;
}

Processor ProcessorOf(const std::string& line) {
  auto r = Registers(line);
  return {static_cast<std::uint8_t>(r["A"]), static_cast<std::uint8_t>(r["X"]), static_cast<std::uint8_t>(r["Y"]),
          static_cast<std::uint8_t>(r["SP"]), static_cast<std::uint8_t>(r["P"]),
          static_cast<std::uint16_t>(r.count("PC") ? r["PC"] : 0)};
}

std::uint8_t ScreenCode(const Machine& machine, int cell) {
  const auto at = machine.Bytes.find(static_cast<std::uint16_t>(0x0C00 + cell));
  return at == machine.Bytes.end() ? 0x20 : at->second;
}

}  // namespace

std::optional<Machine> ReadViceFixture(const std::string& name, std::string& problem) {
  const std::string base = std::string(QV3_SOURCE_DIR) + "/tests/plus4_vice/" + name;
  std::ifstream in(base + ".txt");
  if (!in) {
    problem = base + ".txt cannot be read";
    return std::nullopt;
  }
  Machine machine;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string kind, address;
    words >> kind;
    if (kind == "cpu") {
      machine.Cpu = ProcessorOf(line);
    } else if (kind == "ted" || kind == "ram") {
      words >> address;
      const unsigned first = static_cast<unsigned>(std::stoul(address, nullptr, 16));
      const std::vector<unsigned> bytes = HexBytes(words);
      for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (kind == "ted") machine.Ted[first - 0xFF00 + i] = static_cast<std::uint8_t>(bytes[i]);
        else machine.Bytes[static_cast<std::uint16_t>(first + i)] = static_cast<std::uint8_t>(bytes[i]);
      }
    }
  }
  // A program whose test compares no frame keeps none (kernal_facts); a
  // test that compares one finds the missing frame in FrameDifferences.
  if (QFile::exists(QString::fromStdString(base + ".png"))) {
    machine.Frame = QImage(QString::fromStdString(base + ".png")).convertToFormat(QImage::Format_RGB32);
    if (machine.Frame.isNull()) {
      problem = base + ".png cannot be read";
      return std::nullopt;
    }
  }
  return machine;
}

std::optional<Machine> RunOnModel(const std::string& name, int frames,
                                  const std::vector<std::pair<unsigned, unsigned>>& dumps,
                                  const std::string& keys, std::string& problem) {
  e2e::ScratchFolder folder;
  std::ifstream source(std::string(QV3_SOURCE_DIR) + "/tests/plus4_vice/programs/" + name + ".qv3");
  folder.Write(name + ".qv3", std::string(std::istreambuf_iterator<char>(source), {}));
  std::string command = "cd " + e2e::ShellQuote(folder.Path()) + " && " + e2e::ShellQuote(QV3RUN_PATH) +
                        " --plus4 --frames " + std::to_string(frames) + " --screen frame.png";
  for (const auto& [first, length] : dumps) command += " --dump " + std::to_string(first) + ":" + std::to_string(length);
  command += " --dump 65280:64";  // the TED's registers as read
  if (!keys.empty()) command += " --keys " + e2e::ShellQuote(keys);
  command += " " + name + ".qv3 </dev/null >run.out 2>run.err";
  const int exit = e2e::RunShell(command);
  const std::string out = folder.Read("run.out").value_or("");
  Machine machine;
  std::istringstream lines(out);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind("stop: ", 0) == 0) {
      machine.StopLine = line;
      machine.Cpu = ProcessorOf(line);
      const auto at = line.find(" at $");
      if (at != std::string::npos) machine.Cpu.PC = static_cast<std::uint16_t>(std::stoul(line.substr(at + 5, 4), nullptr, 16));
    } else if (line.size() > 5 && line[4] == ':') {
      const unsigned first = static_cast<unsigned>(std::stoul(line.substr(0, 4), nullptr, 16));
      std::istringstream words(line.substr(5));
      const std::vector<unsigned> bytes = HexBytes(words);
      for (std::size_t i = 0; i < bytes.size(); ++i) {
        const unsigned address = first + static_cast<unsigned>(i);
        if (address >= 0xFF00 && address < 0xFF40) machine.Ted[address - 0xFF00] = static_cast<std::uint8_t>(bytes[i]);
        else machine.Bytes[static_cast<std::uint16_t>(address)] = static_cast<std::uint8_t>(bytes[i]);
      }
    }
  }
  if (exit != 0 || machine.StopLine.rfind("stop: frames ", 0) != 0) {
    problem = "qv3run --plus4 exited with " + std::to_string(exit) + ", last line '" + machine.StopLine + "'\n" +
              folder.Read("run.err").value_or("");
    return std::nullopt;
  }
  machine.Frame = QImage(QString::fromStdString(folder.PathOf("frame.png"))).convertToFormat(QImage::Format_RGB32);
  if (machine.Frame.isNull()) {
    problem = "the model's frame.png cannot be read";
    return std::nullopt;
  }
  return machine;
}

std::string RamDifferences(const Machine& vice, const Machine& model, unsigned first, unsigned last, int& count,
                           int limit) {
  std::string text;
  count = 0;
  for (unsigned address = first; address <= last; ++address) {
    const auto a = vice.Bytes.find(static_cast<std::uint16_t>(address));
    const auto b = model.Bytes.find(static_cast<std::uint16_t>(address));
    const bool haveA = a != vice.Bytes.end(), haveB = b != model.Bytes.end();
    if (haveA && haveB && a->second == b->second) continue;
    if (++count > limit) continue;
    text += "$" + Hex(address, 4) + " VICE " + (haveA ? "$" + Hex(a->second, 2) : "(none)") + " model " +
            (haveB ? "$" + Hex(b->second, 2) : "(none)") + "\n";
  }
  if (count > limit) text += "... " + std::to_string(count - limit) + " more\n";
  return text;
}

std::string FrameDifferences(const Machine& vice, const Machine& model, bool textMode, int& count) {
  count = 0;
  if (vice.Frame.isNull()) {
    count = 1;
    return "VICE's fixture has no frame (no .png)\n";
  }
  if (vice.Frame.size() != QSize(kFrameWidth, kFrameHeight) || model.Frame.size() != vice.Frame.size()) {
    count = 1;
    return "the frames are " + std::to_string(vice.Frame.width()) + "x" + std::to_string(vice.Frame.height()) +
           " (VICE) and " + std::to_string(model.Frame.width()) + "x" + std::to_string(model.Frame.height()) +
           " (model)\n";
  }
  std::vector<bool> glyph(1000, false);
  if (textMode) {
    for (int cell = 0; cell < 1000; ++cell)
      for (const Machine* machine : {&vice, &model}) {
        const std::uint8_t code = ScreenCode(*machine, cell);
        if (code != 0x20 && code != 0xA0) glyph[static_cast<std::size_t>(cell)] = true;
      }
    for (const Machine* machine : {&vice, &model}) {
      const int cursor = (machine->Ted[0x0C] & 0x03) << 8 | machine->Ted[0x0D];
      if (cursor < 1000) glyph[static_cast<std::size_t>(cursor)] = true;
    }
  }
  std::string text;
  for (int y = 0; y < kFrameHeight; ++y)
    for (int x = 0; x < kFrameWidth; ++x) {
      const int column = (x - kWindowLeft) / 8, row = (y - kWindowTop) / 8;
      if (x >= kWindowLeft && y >= kWindowTop && column < 40 && row < 25 &&
          glyph[static_cast<std::size_t>(row * 40 + column)])
        continue;
      const QRgb a = vice.Frame.pixel(x, y), b = model.Frame.pixel(x, y);
      if (a == b) continue;
      if (++count <= 8)
        text += "(" + std::to_string(x) + "," + std::to_string(y) + ") VICE #" + Hex(a & 0xFFFFFF, 6) + " model #" +
                Hex(b & 0xFFFFFF, 6) + "\n";
    }
  if (count > 8) text += "... " + std::to_string(count - 8) + " more pixels\n";
  return text;
}

}  // namespace qv3::fidelity
