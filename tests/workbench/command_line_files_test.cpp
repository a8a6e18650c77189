// `qv3 FILE...`: which arguments are files, and opening them as Open does.
#include "workbench/command_line_files.h"

#include <QDir>
#include <QFileInfo>

#include "workbench_fixture.h"

namespace {

using CommandLineFilesTest = WorkbenchTest;

TEST(FileArguments, ProgramLeftOutAndOnlyTheFirstDoubleDashEndsTheOptions) {
  EXPECT_EQ(FileArguments({"qv3"}), QStringList{});
  EXPECT_EQ(FileArguments({"qv3", "--", "-odd.qv3", "--"}), (QStringList{"-odd.qv3", "--"}));
}

TEST_F(CommandLineFilesTest, EachFileOpensLikeOpenAndMissingOnesAreToldInOneBox) {
  writeBytes(path("first.qv3"), "LDA #1\r\n");
  writeBytes(path("second.qv3"), "RTS\n");
  // Relative names are taken against the folder the program started in.
  const int opened =
      OpenFilesFromCommandLine(main(), {path("first.qv3"), "gone.qv3", "second.qv3", path("lost.qv3")});
  EXPECT_EQ(opened, 2);
  ASSERT_EQ(main().editors().size(), 2u) << "no window for a name no file bears";
  const TfrmQVEdit& first = *main().editors()[0];
  const TfrmQVEdit& second = *main().editors()[1];
  EXPECT_EQ(first.caption(), "first.qv3");
  EXPECT_EQ(first.sbPanelText(1), path("first.qv3"));
  EXPECT_EQ(second.sbPanelText(1), "second.qv3") << "panel 1 shows the path as given";
  EXPECT_EQ(second.DocumentBytes(), "RTS\r\n");
  EXPECT_FALSE(second.IsModified());
  EXPECT_EQ(main().activeEditor(), &second) << "the last file named is the active editor";
  ASSERT_EQ(dialogs.errors.size(), 1);
  EXPECT_TRUE(dialogs.errors[0].contains("gone.qv3") && dialogs.errors[0].contains(path("lost.qv3")))
      << dialogs.errors[0].toStdString();
}

TEST_F(CommandLineFilesTest, FoldersAndUnreadableFilesAreToldAndGetNoWindow) {
  ASSERT_TRUE(QDir(folder.path()).mkdir("project"));
  writeBytes(path("locked.qv3"), "RTS\r\n");
  ASSERT_TRUE(QFile::setPermissions(path("locked.qv3"), QFileDevice::WriteOwner));
  const bool readableAnyway = QFileInfo(path("locked.qv3")).isReadable();  // as root
  writeBytes(path("fine.qv3"), "NOP\r\n");

  testing::internal::CaptureStderr();
  EXPECT_EQ(OpenFilesFromCommandLine(main(), {"project", path("locked.qv3"), "fine.qv3"}),
            readableAnyway ? 2 : 1);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("Cannot open file project: it is a folder."),
            std::string::npos)
      << "a shell user sees it too";
  ASSERT_EQ(main().editors().size(), readableAnyway ? 2u : 1u) << "no empty editor for a folder";
  EXPECT_EQ(main().activeEditor()->caption(), "fine.qv3");
  ASSERT_EQ(dialogs.errors.size(), 1);
  EXPECT_TRUE(dialogs.errors[0].contains("Cannot open file project: it is a folder."))
      << dialogs.errors[0].toStdString();
  if (!readableAnyway)
    EXPECT_TRUE(dialogs.errors[0].contains(path("locked.qv3") + ": permission denied."));
}

}  // namespace
