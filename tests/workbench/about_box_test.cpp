// SPDX-License-Identifier: GPL-3.0-or-later
// The About box's licence line and credits, within its fixed size, and the
// licence text the repository carries.
#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QPushButton>

#include "workbench/about_box.h"

namespace {

QString ReadSourceFile(const char* name) {
  QFile file(QStringLiteral(QV3_SOURCE_DIR "/") + QString::fromLatin1(name));
  return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

TEST(AboutBox, LicenceLineFitsAndItsLinkShowsEveryCredit) {
  TfrmAbout about;
  about.show();
  EXPECT_EQ(about.size(), QSize(275, 166));
  // Everything fits the fixed client area: nothing is cut or squeezed.
  EXPECT_LE(about.layout()->minimumSize().height(), 166);
  EXPECT_LE(about.lbLicence->sizeHint().width(), 275);
  EXPECT_TRUE(about.lbLicence->isVisible());
  EXPECT_TRUE(about.lbLicence->text().contains("GPL-3.0-or-later"));
  EXPECT_TRUE(about.lbLicence->text().contains("Licence and credits..."));
  EXPECT_EQ(about.btnGotIt->text(), "Got it");

  emit about.lbLicence->linkActivated(QStringLiteral("credits"));
  ASSERT_NE(about.credits(), nullptr);
  EXPECT_TRUE(about.credits()->isVisible());
  EXPECT_TRUE(about.isVisible()) << "the credits open over the About box, not instead of it";
  const QString text = about.credits()->text();
  for (const char* credit : {"GPL-3.0-or-later", "VICE", "GPL-2.0-or-later", "EmulatorJS",
                             "GPL-3.0.", "6502 functional test", "Klaus Dormann"})
    EXPECT_TRUE(text.contains(QString::fromLatin1(credit))) << credit;
  about.credits()->accept();
  EXPECT_TRUE(about.isVisible());
}

TEST(AboutBox, RepositoryCarriesTheLicenceAndTheReadmeItsCredits) {
  const QString licence = ReadSourceFile("LICENSE");
  EXPECT_TRUE(licence.startsWith(QStringLiteral("                    GNU GENERAL PUBLIC LICENSE\n"
                                                "                       Version 3, 29 June 2007")));
  EXPECT_TRUE(licence.contains("END OF TERMS AND CONDITIONS"));
  const QString readme = ReadSourceFile("README.md");
  const qsizetype section = readme.indexOf("## Licence and credits");
  ASSERT_GE(section, 0);
  const QString credits = readme.mid(section);
  for (const char* credit : {"GPL-3.0-or-later", "VICE", "GPL-2.0-or-later", "EmulatorJS",
                             "Klaus Dormann", "tests/cpu/6502_functional_test"})
    EXPECT_TRUE(credits.contains(QString::fromLatin1(credit))) << credit;
}

}  // namespace
