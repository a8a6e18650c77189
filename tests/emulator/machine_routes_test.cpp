// What the built-in Plus/4's page is served: its own files, the emulator's
// installed files and the program; everything else is refused, and no
// address outside the page's scheme may be asked for at all.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "workbench/emulator/emulator_files.h"
#include "workbench/emulator/machine_routes.h"

namespace {

class Routes : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(root.isValid());
    for (const char* file : {"emulatorjs/data/loader.js", "emulatorjs/data/src/emulator.js",
                             "core-vice_xplus4/vice_xplus4-legacy-wasm.data",
                             "core-vice_xplus4/reports/vice_xplus4.json", "page/machine.html", "page/plus4_keys.vkm",
                             "secret.txt"})
      write(file);
    files = *FindEmulatorFiles({root.path()});
  }
  void write(const QString& relative) {
    const QString path = root.filePath(relative);
    QDir().mkpath(QFileInfo(path).path());
    QFile out(path);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write("x");
  }
  MachineRoute route(const QString& url, const QByteArray& method = "GET") {
    return RouteMachineRequest(QUrl(url), method, files, root.filePath("page"));
  }

  QTemporaryDir root;
  EmulatorFiles files;
};

TEST_F(Routes, ServesThePageTheFrontEndTheCoreAndTheProgram) {
  const MachineRoute page = route("qv3machine://plus4/machine.html");
  ASSERT_EQ(page.kind, MachineRoute::Kind::File);
  EXPECT_EQ(page.filePath, root.filePath("page/machine.html"));
  EXPECT_EQ(page.mimeType, "text/html");
  const MachineRoute script = route("qv3machine://plus4/data/src/emulator.js");
  EXPECT_EQ(script.filePath, root.filePath("emulatorjs/data/src/emulator.js"));
  EXPECT_EQ(script.mimeType, "text/javascript");
  // data/cores/ is the core's package, not the front end's folder of that name.
  EXPECT_EQ(route("qv3machine://plus4/data/cores/reports/vice_xplus4.json").filePath,
            root.filePath("core-vice_xplus4/reports/vice_xplus4.json"));
  EXPECT_EQ(route("qv3machine://plus4/program.prg").kind, MachineRoute::Kind::Program);
  EXPECT_EQ(route("qv3machine://plus4/program.cmd").kind, MachineRoute::Kind::CommandFile);
  EXPECT_EQ(route("qv3machine://plus4/data/loader.js", "HEAD").kind, MachineRoute::Kind::File);
  // The keyboard map the page gives the core comes from the page's folder.
  EXPECT_EQ(route("qv3machine://plus4/plus4_keys.vkm").filePath, root.filePath("page/plus4_keys.vkm"));
  EXPECT_EQ(route("qv3machine://plus4/data/plus4_keys.vkm").kind, MachineRoute::Kind::NotFound);
}

TEST_F(Routes, RefusesEscapesOtherHostsMethodsAndMissingFiles) {
  for (const char* escape : {"qv3machine://plus4/data/../../secret.txt", "qv3machine://plus4/data/%2e%2e/%2e%2e/secret.txt",
                             "qv3machine://plus4/data/cores/..%2F..%2Fsecret.txt", "qv3machine://plus4//secret.txt"})
    EXPECT_NE(route(escape).kind, MachineRoute::Kind::File) << escape;
  EXPECT_EQ(route("qv3machine://elsewhere/machine.html").kind, MachineRoute::Kind::Refused);
  EXPECT_EQ(route("https://plus4/machine.html").kind, MachineRoute::Kind::Refused);
  EXPECT_EQ(route("qv3machine://plus4/program.prg", "POST").kind, MachineRoute::Kind::Refused);
  EXPECT_EQ(route("qv3machine://plus4/data/version.json").kind, MachineRoute::Kind::NotFound);
  EXPECT_EQ(route("qv3machine://plus4/secret.txt").kind, MachineRoute::Kind::NotFound);
  EXPECT_EQ(route("qv3machine://plus4/data/src").kind, MachineRoute::Kind::NotFound) << "a folder";
}

TEST_F(Routes, ALinkOutOfTheServedFolderIsNotFollowed) {
  ASSERT_TRUE(QFile::link(root.filePath("secret.txt"), root.filePath("emulatorjs/data/link.js")));
  EXPECT_EQ(route("qv3machine://plus4/data/link.js").kind, MachineRoute::Kind::Refused);
}

TEST(MachineUrls, OnlyThePagesOwnSchemeAndInPageData) {
  EXPECT_TRUE(IsMachineUrlAllowed(MachinePageUrl()));
  EXPECT_TRUE(IsMachineUrlAllowed(QUrl("blob:qv3machine://plus4/1c2f")));
  EXPECT_TRUE(IsMachineUrlAllowed(QUrl("data:text/plain,x")));
  for (const char* url : {"https://cdn.emulatorjs.org/stable/data/version.json", "http://127.0.0.1:8080/",
                          "ws://example.org/socket", "file:///etc/passwd", "ftp://example.org/",
                          "qv3machine://other/machine.html"})
    EXPECT_FALSE(IsMachineUrlAllowed(QUrl(url))) << url;
}

TEST(EmulatorFiles, FirstCompleteRootWinsAndTheMissingTextNamesTheWayToInstall) {
  QTemporaryDir half, whole;
  QDir().mkpath(half.filePath("emulatorjs/data"));
  QFile(half.filePath("emulatorjs/data/loader.js")).open(QIODevice::WriteOnly);  // no core
  for (const char* file : {"emulatorjs/data/loader.js", "core-vice_xplus4/vice_xplus4-legacy-wasm.data"}) {
    QDir().mkpath(QFileInfo(whole.filePath(file)).path());
    QFile(whole.filePath(file)).open(QIODevice::WriteOnly);
  }
  const auto found = FindEmulatorFiles({half.path(), whole.path()});
  ASSERT_TRUE(found);
  EXPECT_EQ(found->core, whole.filePath("core-vice_xplus4"));
  EXPECT_FALSE(FindEmulatorFiles({half.path()}));
  const QString text = MissingEmulatorFilesText({half.path()});
  EXPECT_TRUE(text.contains(half.path()) && text.contains("scripts/install-deps")) << text.toStdString();
}

}  // namespace
