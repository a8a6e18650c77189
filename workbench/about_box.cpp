#include "workbench/about_box.h"

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "workbench/program_info.h"

TfrmAbout::TfrmAbout(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(QStringLiteral("About"));
  setFixedSize(275, 166);
  setAttribute(Qt::WA_QuitOnClose, false);

  auto* name = new QLabel(QString::fromLatin1(kProgramName), this);
  QFont big = name->font();
  big.setPixelSize(28);
  big.setBold(true);
  name->setFont(big);
  name->setAlignment(Qt::AlignCenter);
  auto* purpose = new QLabel(QString::fromLatin1(kProgramPurpose), this);
  purpose->setAlignment(Qt::AlignCenter);
  auto* version = new QLabel(QStringLiteral("Version ") + QString::fromLatin1(kProgramVersion), this);
  version->setAlignment(Qt::AlignCenter);

  lbLicence = new QLabel(QString::fromLatin1(kProgramLicence) +
                             QStringLiteral(" \u00B7 <a href=\"credits\">Licence and credits...</a>"),
                         this);
  lbLicence->setObjectName(QStringLiteral("lbLicence"));
  lbLicence->setAlignment(Qt::AlignCenter);
  lbLicence->setTextFormat(Qt::RichText);
  lbLicence->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
  connect(lbLicence, &QLabel::linkActivated, this, [this] { showLicenceAndCredits(); });

  btnGotIt = new QPushButton(style()->standardIcon(QStyle::SP_DialogApplyButton),
                             QStringLiteral("Got it"), this);
  btnGotIt->setObjectName(QStringLiteral("btnGotIt"));
  btnGotIt->setDefault(true);
  connect(btnGotIt, &QPushButton::clicked, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(name);
  layout->addWidget(purpose);
  layout->addWidget(version);
  layout->addWidget(lbLicence);
  layout->addStretch(1);
  layout->addWidget(btnGotIt, 0, Qt::AlignHCenter);
}

QString TfrmAbout::licenceAndCreditsText() {
  QStringList paragraphs;
  for (const char* line : kLicenceAndCredits) paragraphs << QString::fromLatin1(line);
  return paragraphs.join(QStringLiteral("\n\n"));
}

void TfrmAbout::showLicenceAndCredits() {
  if (!credits_) {
    credits_ = new QMessageBox(QMessageBox::Information, QStringLiteral("Licence and credits"),
                               licenceAndCreditsText(), QMessageBox::Ok, this);
    credits_->setObjectName(QStringLiteral("msgLicenceAndCredits"));
  }
  credits_->open();
}
