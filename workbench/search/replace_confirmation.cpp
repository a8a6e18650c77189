#include "workbench/search/replace_confirmation.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

ReplaceConfirmation::ReplaceConfirmation(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("ReplaceConfirmation"));
  setWindowTitle(QStringLiteral("Confirm"));

  auto* icon = new QLabel(this);
  const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
  icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion, nullptr, this).pixmap(iconSize));
  auto* text = new QLabel(QStringLiteral("Replace this occurrence?"), this);

  auto* question = new QHBoxLayout;
  question->addWidget(icon, 0, Qt::AlignTop);
  question->addSpacing(8);
  question->addWidget(text, 1, Qt::AlignVCenter);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  yesButton = addAnswer(QStringLiteral("&Yes"), Dialogs::ReplaceAnswer::Yes);
  noButton = addAnswer(QStringLiteral("&No"), Dialogs::ReplaceAnswer::No);
  abortButton = addAnswer(QStringLiteral("&Abort"), Dialogs::ReplaceAnswer::Abort);
  allButton = addAnswer(QStringLiteral("&All"), Dialogs::ReplaceAnswer::All);
  for (QPushButton* button : {yesButton, noButton, abortButton, allButton}) buttons->addWidget(button);
  buttons->addStretch(1);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(question);
  layout->addSpacing(8);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  // Enter answers Yes; Esc goes through reject() and leaves the answer No.
  yesButton->setDefault(true);
  yesButton->setFocus();
}

QPushButton* ReplaceConfirmation::addAnswer(const QString& caption, Dialogs::ReplaceAnswer answer) {
  auto* button = new QPushButton(caption, this);
  connect(button, &QPushButton::clicked, this, [this, answer] {
    answer_ = answer;
    accept();
  });
  return button;
}
