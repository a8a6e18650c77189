#include "workbench/about_box.h"

#include <QLabel>
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

  btnGotIt = new QPushButton(style()->standardIcon(QStyle::SP_DialogApplyButton),
                             QStringLiteral("Got it"), this);
  btnGotIt->setObjectName(QStringLiteral("btnGotIt"));
  btnGotIt->setDefault(true);
  connect(btnGotIt, &QPushButton::clicked, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(name);
  layout->addWidget(purpose);
  layout->addWidget(version);
  layout->addStretch(1);
  layout->addWidget(btnGotIt, 0, Qt::AlignHCenter);
}
