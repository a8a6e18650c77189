#include "workbench/search/search_dialog.h"

#include "workbench/buttonless_title.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

QComboBox* MakeHistoryBox(QWidget* parent) {
  auto* box = new QComboBox(parent);
  box->setEditable(true);
  // The history is kept by btnOKClick, which ignores letter case; Qt's own
  // insertion on Enter would add case duplicates.
  box->setInsertPolicy(QComboBox::NoInsert);
  // Qt's inline completer would turn a typed "sei" into a remembered "SEI"
  // on Enter, and swallow Enter while the whole text is selected; the term
  // and the replacement must stay exactly as typed.
  box->setCompleter(nullptr);
  return box;
}

std::string BytesOf(const QString& text) { return text.toLatin1().toStdString(); }

// Appends text to the box's history unless it holds it already, in any case.
void RememberInHistory(QComboBox& box) {
  const QString text = box.currentText();
  if (box.findText(text, Qt::MatchFixedString) >= 0) return;
  box.addItem(text);
  box.setEditText(text);  // adding the first item would otherwise select it
}

}  // namespace

TfrmSearch::TfrmSearch(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      cbTerm(MakeHistoryBox(this)),
      cbSkipComm(new QCheckBox(QStringLiteral("Skip comments"), this)),
      cbNeedRepl(new QCheckBox(QStringLiteral("Replace with:"), this)),
      cbRepl(MakeHistoryBox(this)),
      btnOK(new QPushButton(QStringLiteral("OK"), this)),
      BitBtn2(new QPushButton(QStringLiteral("Cancel"), this)) {
  setWindowTitle(QStringLiteral("Search / replace parameters"));
  setFixedSize(265, 159);

  auto* termLabel = new QLabel(QStringLiteral("Search term:"), this);
  termLabel->setBuddy(cbTerm);
  auto* separator = new QFrame(this);
  separator->setFrameShape(QFrame::HLine);
  separator->setFrameShadow(QFrame::Sunken);

  // Fixed positions in the small fixed-size client area, top to bottom.
  termLabel->setGeometry(8, 6, 249, 16);
  cbTerm->setGeometry(8, 24, 249, 24);
  cbSkipComm->setGeometry(8, 52, 249, 20);
  separator->setGeometry(8, 75, 249, 4);
  cbNeedRepl->setGeometry(8, 81, 249, 20);
  cbRepl->setGeometry(8, 102, 249, 24);
  btnOK->setGeometry(101, 131, 75, 24);
  BitBtn2->setGeometry(182, 131, 75, 24);

  btnOK->setDefault(true);
  BitBtn2->setAutoDefault(false);
  setTabOrder(cbTerm, cbSkipComm);
  setTabOrder(cbSkipComm, cbNeedRepl);
  setTabOrder(cbNeedRepl, cbRepl);
  setTabOrder(cbRepl, btnOK);
  setTabOrder(btnOK, BitBtn2);

  connect(cbNeedRepl, &QCheckBox::toggled, this, [this] { cbNeedReplClick(); });
  connect(btnOK, &QPushButton::clicked, this, [this] {
    btnOKClick();
    accept();
  });
  // Esc and closing the window also reject, through QDialog.
  connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
  UpdateReplaceBox();
}

std::string TfrmSearch::AskSearchParameters(bool replace) {
  cbNeedRepl->setChecked(replace);
  if (runModal() != QDialog::Accepted) return {};
  return BytesOf(cbTerm->currentText());
}

qv3::SearchParameters TfrmSearch::parameters() const {
  return {BytesOf(cbTerm->currentText()), BytesOf(cbRepl->currentText()), cbSkipComm->isChecked(),
          cbNeedRepl->isChecked()};
}

int TfrmSearch::runModal() { return exec(); }

void TfrmSearch::setVisible(bool visible) {
  // Before QDialog centres it over the main window, with its final size.
  if (visible) KeepTitleWithoutButtons(*this);
  QDialog::setVisible(visible);
}

void TfrmSearch::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormShow();
}

void TfrmSearch::FormShow() {
  UpdateReplaceBox();
  cbTerm->setFocus();
  cbTerm->lineEdit()->selectAll();  // typing replaces the previous term
}

void TfrmSearch::cbNeedReplClick() { UpdateReplaceBox(); }

void TfrmSearch::UpdateReplaceBox() { cbRepl->setEnabled(cbNeedRepl->isChecked()); }

void TfrmSearch::btnOKClick() {
  RememberInHistory(*cbTerm);
  // Recorded whether or not "Replace with:" is checked.
  RememberInHistory(*cbRepl);
}
