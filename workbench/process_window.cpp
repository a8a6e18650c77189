#include "workbench/process_window.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "workbench/buttonless_title.h"

TfrmProcess::TfrmProcess(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName(QStringLiteral("frmProcess"));
  setWindowTitle(QStringLiteral("Compiling..."));
  setFixedSize(293, 135);
  // Closing the main window ends the program even while this one is open.
  setAttribute(Qt::WA_QuitOnClose, false);

  auto* activity = new QFrame(this);
  activity->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  activity->setGeometry(4, 4, 285, 41);
  lbWhat = new QLabel(QStringLiteral("lbWhat"), activity);
  lbWhat->setObjectName(QStringLiteral("lbWhat"));
  lbProgress = new QLabel(QStringLiteral("-"), activity);
  lbProgress->setObjectName(QStringLiteral("lbProgress"));
  auto* labels = new QVBoxLayout(activity);
  labels->setContentsMargins(6, 2, 6, 2);
  labels->setSpacing(0);
  labels->addWidget(lbWhat);
  labels->addWidget(lbProgress);

  auto* bottom = new QFrame(this);
  bottom->setGeometry(0, height() - 41, width(), 41);
  BitBtn1 = new QPushButton(QStringLiteral("&Close"), bottom);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn1->setAutoDefault(false);
  auto* buttons = new QVBoxLayout(bottom);
  buttons->addWidget(BitBtn1, 0, Qt::AlignCenter);
  connect(BitBtn1, &QPushButton::clicked, this, &TfrmProcess::BitBtn1Click);
}

void TfrmProcess::setVisible(bool visible) {
  if (visible) KeepTitleWithoutButtons(*this);
  QDialog::setVisible(visible);
}

void TfrmProcess::showEvent(QShowEvent* event) {
  // Centred on the screen rather than over the main window.
  if (const QScreen* where = screen()) move(where->availableGeometry().center() - rect().center());
  QDialog::showEvent(event);
}

void TfrmProcess::BitBtn1Click() { close(); }
