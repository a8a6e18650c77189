// The look inside the paused machine: the labels of the last compile, "go
// to", the memory lines and the panes filled from a real core's state.
#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>

#include "engine/vice_labels.h"
#include "workbench/emulator/machine_inside_view.h"

namespace {

TEST(InspectorLabels, ReadsWhatTheCompileWritesAndSkipsTheRest) {
  // The label file exactly as "Compile && Run" writes it.
  const std::string written = qv3::ViceLabelCommands({{"START", 0x100D}, {"LOOP", 0x1031}, {"Zp", 0x00FB}});
  const QHash<QString, quint16> labels =
      ReadViceLabels(QString::fromStdString(written) + "break 1000\nal C:zz .BAD\n\n");
  EXPECT_EQ(labels.size(), 3);
  EXPECT_EQ(labels.value("START"), 0x100D);
  EXPECT_EQ(labels.value("ZP"), 0x00FB) << "names are looked up without letter case";
}

TEST(InspectorLabels, AddressesAndLabelsTyped) {
  const QHash<QString, quint16> labels{{"LOOP", 0x1031}, {"BEEF", 0x2000}};
  EXPECT_EQ(ParseAddressOrLabel("$0c00", labels), 0x0C00);
  EXPECT_EQ(ParseAddressOrLabel(" ff19 ", labels), 0xFF19);
  EXPECT_EQ(ParseAddressOrLabel("loop", labels), 0x1031);
  EXPECT_EQ(ParseAddressOrLabel("BEEF", labels), 0x2000) << "a label that looks like hex is the label";
  for (const char* wrong : {"", "$", "$10000", "12345", "nolabel", "$12G4"})
    EXPECT_FALSE(ParseAddressOrLabel(wrong, labels)) << wrong;
}

TEST(InspectorMemory, LineHoldsHexAndScreenCharactersAndWrapsAtTheTop) {
  std::vector<std::uint8_t> ram(65536, 0x20);
  ram[0xFFF0] = 0x08;  // screen code of H
  ram[0xFFFF] = 0xA9;
  ram[0x0000] = 0x01;
  const QString line = MemoryLine(ram, 0xFFF0, false);
  EXPECT_TRUE(line.startsWith("FFF0  08 20")) << line.toStdString();
  EXPECT_TRUE(line.contains(" A9  H")) << line.toStdString();
  EXPECT_TRUE(MemoryLine(ram, 0xFFF8, false).contains(" A9 01 20")) << "wraps to $0000";
}

TEST(InspectorPanes, FilledFromTheRealCoresStateAndGoToMovesTheMemoryView) {
  QFile file(QStringLiteral(QV3_SOURCE_DIR "/tests/emulator/data/hello_running.state.qz"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = qUncompress(file.readAll());
  const auto result = ReadViceSnapshot(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                                 static_cast<std::size_t>(bytes.size())));
  ASSERT_TRUE(std::holds_alternative<MachineSnapshot>(result));
  MachineInspector inspector;
  inspector.setLabels({{"MESSAGE", 0x1034}});
  inspector.showMachine(std::get<MachineSnapshot>(result));
  EXPECT_TRUE(inspector.registers()->text().contains("X 21")) << inspector.registers()->text().toStdString();
  EXPECT_TRUE(inspector.screen()->toPlainText().startsWith("HELLO, PLUS/4 WORLD!"));
  // Colour registers read with their unused bit 7 set.
  EXPECT_TRUE(inspector.ted()->toPlainText().contains("$FF19  C6  border colour")) << inspector.ted()->toPlainText().toStdString();
  EXPECT_EQ(inspector.memory()->document()->blockCount(), 4096);

  ASSERT_TRUE(inspector.goTo("message"));
  EXPECT_EQ(inspector.memory()->textCursor().block().text().left(4), "1030");
  ASSERT_TRUE(inspector.goTo("$0C00"));
  EXPECT_TRUE(inspector.memory()->textCursor().block().text().startsWith("0C00  08 05 0C 0C 0F"));
  EXPECT_FALSE(inspector.goTo("nowhere"));
  EXPECT_TRUE(inspector.memory()->textCursor().block().text().startsWith("0C00")) << "a bad name leaves the view";
}

// The TED tab as a program reading $FF00-$FF3F would see the chip: the raster
// line of the header in $FF1C/$FF1D, the counters VICE keeps outside its
// registers, no made-up zeros for what the snapshot lacks, no rows for the
// addresses the chip does not decode.
TEST(InspectorPanes, TedTabAgreesWithTheHeaderAndStopsAtTheChipsRegisters) {
  QFile file(QStringLiteral(QV3_SOURCE_DIR "/tests/emulator/data/hello_running.state.qz"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = qUncompress(file.readAll());
  const auto result = ReadViceSnapshot(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                                 static_cast<std::size_t>(bytes.size())));
  ASSERT_TRUE(std::holds_alternative<MachineSnapshot>(result));
  const MachineSnapshot& machine = std::get<MachineSnapshot>(result);
  MachineInspector inspector;
  inspector.showMachine(machine);
  const QString ted = inspector.ted()->toPlainText();
  const QString header = inspector.registers()->text();
  ASSERT_TRUE(header.contains(QStringLiteral("raster line %1").arg(machine.RasterLine))) << header.toStdString();
  const QString low = QStringLiteral("%1").arg(machine.RasterLine & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
  EXPECT_TRUE(ted.contains(QStringLiteral("$FF1D  %1  raster line low").arg(low))) << ted.toStdString();
  EXPECT_TRUE(ted.contains(QStringLiteral("raster line %1;").arg(machine.RasterLine)));
  // VICE saves no timer counters: unknown, not 0.
  EXPECT_TRUE(ted.contains("$FF00  --  timer 1 low")) << ted.toStdString();
  EXPECT_TRUE(ted.contains("timers 1 not known, 2 not known, 3 not known"));
  // The pending interrupts live beside the registers in the snapshot; the
  // timers have run since the boot and flagged theirs.
  EXPECT_TRUE(ted.contains("$FF09  7D  interrupt flags")) << ted.toStdString();
  // The character position counter ($3E8: the 25 rows of 40 done).
  EXPECT_TRUE(ted.contains("$FF1B  E8")) << ted.toStdString();
  const QStringList lines = ted.split('\n', Qt::SkipEmptyParts);
  EXPECT_TRUE(lines.last().startsWith("$FF3F")) << lines.last().toStdString();
  for (int address = 0xFF20; address <= 0xFF3D; ++address)
    EXPECT_FALSE(ted.contains(QStringLiteral("$%1 ").arg(address, 4, 16).toUpper())) << address;

  // At its own size the memory pane shows whole lines.
  inspector.resize(inspector.sizeHint());
  inspector.show();
  QCoreApplication::processEvents();
  EXPECT_EQ(inspector.memory()->horizontalScrollBar()->maximum(), 0) << "the memory pane scrolls sideways";
}

}  // namespace
