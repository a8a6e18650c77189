// `qv3 FILE...`: which arguments are files, and opening them as Open does.
#include "workbench/command_line_files.h"
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

}  // namespace
