// `qv3 FILE...`: which arguments are files, and opening them as Open does.
#include <QDir>

#include "workbench/command_line_files.h"
#include "workbench_fixture.h"

namespace {

using CommandLineFilesTest = WorkbenchTest;

TEST(FileArguments, ProgramLeftOutAndTheFirstDoubleDashEndsTheOptions) {
  EXPECT_EQ(FileArguments({"qv3"}), QStringList{});
  EXPECT_EQ(FileArguments({"qv3", "a.qv3", "b.qv3"}), (QStringList{"a.qv3", "b.qv3"}));
  // Only the first "--" is a separator; a second one is a file name.
  EXPECT_EQ(FileArguments({"qv3", "--", "-odd.qv3", "--"}), (QStringList{"-odd.qv3", "--"}));
}

TEST_F(CommandLineFilesTest, EachFileOpensInItsOwnWindowLikeOpen) {
  writeBytes(path("first.qv3"), "LDA #1\r\n");
  writeBytes(path("second.qv3"), "RTS\n");
  // Relative names are taken against the folder the program started in.
  const int opened = OpenFilesFromCommandLine(main(), {path("first.qv3"), "second.qv3"});
  EXPECT_EQ(opened, 2);
  ASSERT_EQ(main().editors().size(), 2u);
  const TfrmQVEdit& first = *main().editors()[0];
  const TfrmQVEdit& second = *main().editors()[1];
  EXPECT_EQ(first.caption(), "first.qv3");
  EXPECT_EQ(first.sbPanelText(1), path("first.qv3"));
  EXPECT_EQ(second.caption(), "second.qv3");
  EXPECT_EQ(second.sbPanelText(1), "second.qv3") << "panel 1 shows the path as given";
  EXPECT_EQ(second.DocumentBytes(), "RTS\r\n");
  EXPECT_FALSE(second.IsModified());
  EXPECT_EQ(main().activeEditor(), &second) << "the last file named is the active editor";
  EXPECT_TRUE(dialogs.errors.isEmpty());
}

TEST_F(CommandLineFilesTest, MissingFilesAreToldInOneBoxAndTheOthersStillOpen) {
  writeBytes(path("here.qv3"), "NOP\r\n");
  const int opened = OpenFilesFromCommandLine(main(), {"gone.qv3", "here.qv3", path("lost.qv3")});
  EXPECT_EQ(opened, 1);
  ASSERT_EQ(main().editors().size(), 1u) << "no window for a name no file bears";
  EXPECT_EQ(main().editors()[0]->caption(), "here.qv3");
  ASSERT_EQ(dialogs.errors.size(), 1);
  EXPECT_TRUE(dialogs.errors[0].contains("gone.qv3")) << dialogs.errors[0].toStdString();
  EXPECT_TRUE(dialogs.errors[0].contains(path("lost.qv3"))) << dialogs.errors[0].toStdString();
}

TEST_F(CommandLineFilesTest, AFolderIsAnUnreadableFileAsForOpen) {
  ASSERT_TRUE(QDir(folder.path()).mkdir("folder.qv3"));
  EXPECT_EQ(OpenFilesFromCommandLine(main(), {"folder.qv3"}), 0);
  ASSERT_EQ(main().editors().size(), 1u) << "Open leaves the empty window open";
  EXPECT_EQ(main().editors()[0]->DocumentBytes(), "");
  EXPECT_EQ(dialogs.errors, QStringList{"Cannot open file folder.qv3"});
}

}  // namespace
