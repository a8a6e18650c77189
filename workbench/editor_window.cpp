#include "workbench/editor_window.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "workbench/editor/code_editor.h"
#include "workbench/dialogs.h"
#include "workbench/document_io.h"
#include "workbench/latin1.h"
#include "workbench/editor/syntax_highlighter.h"

namespace {

constexpr int kCodeFontPixels = 13;
constexpr int kTabStopCharacters = 8;
constexpr int kMessageRowPixels = 13;
constexpr int kMessageFontPixels = 11;
constexpr int kMinimumPaneHeight = 44;
constexpr int kMessageAreaHeight = 104;
constexpr int kSplitterHandle = 8;
constexpr int kModifiedPanelWidth = 60;

// Message rows are 13 pixels high whatever the style would choose.
class FixedRowHeightDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return {QStyledItemDelegate::sizeHint(option, index).width(), kMessageRowPixels};
  }
};

QFont SourceCodeFont() {
  QFont font = QFontDatabase::hasFamily(QStringLiteral("Courier New"))
                   ? QFont(QStringLiteral("Courier New"))
                   : QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setStyleHint(QFont::Monospace);
  font.setFixedPitch(true);
  font.setPixelSize(kCodeFontPixels);
  return font;
}

// A found occurrence is shown as the selection while the search dialog has
// the focus, so the selection must look the same in an inactive window.
void KeepSelectionVisibleWithoutFocus(QWidget& editor) {
  QPalette palette = editor.palette();
  for (const auto role : {QPalette::Highlight, QPalette::HighlightedText})
    palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
  editor.setPalette(palette);
}

}  // namespace

TfrmQVEdit::TfrmQVEdit(Dialogs& dialogs, QWidget* parent) : QWidget(parent), dialogs_(dialogs) {
  resize(544, 422);

  mCode = new CodeEditor(this);
  new Qv3Highlighter(mCode->document());  // owned by the document
  mCode->setObjectName(QStringLiteral("mCode"));
  mCode->setFrameShape(QFrame::NoFrame);
  mCode->setLineWrapMode(QPlainTextEdit::NoWrap);
  mCode->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  mCode->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  mCode->setTabChangesFocus(false);
  mCode->setFont(SourceCodeFont());
  // Tab stops every 8 characters, as sources written for this assembler expect.
  mCode->setTabStopDistance(kTabStopCharacters * QFontMetricsF(mCode->font()).horizontalAdvance(u' '));
  mCode->setMinimumHeight(kMinimumPaneHeight);
  KeepSelectionVisibleWithoutFocus(*mCode);
  mCode->installEventFilter(this);

  pcErrors = new QTabWidget(this);
  pcErrors->setObjectName(QStringLiteral("pcErrors"));
  pcErrors->setDocumentMode(true);
  tsErrors = createMessageTab(lbMessy);
  tsErrors->setObjectName(QStringLiteral("tsErrors"));
  lbMessy->setObjectName(QStringLiteral("lbMessy"));
  tsHints = createMessageTab(lbMessy2);
  tsHints->setObjectName(QStringLiteral("tsHints"));
  lbMessy2->setObjectName(QStringLiteral("lbMessy2"));
  pcErrors->addTab(tsErrors, QStringLiteral("Status"));
  pcErrors->addTab(tsHints, QStringLiteral("Hints"));
  pcErrors->setCurrentWidget(tsErrors);
  pcErrors->setMinimumHeight(pcErrors->tabBar()->sizeHint().height() + kMinimumPaneHeight);

  Splitter1 = new QSplitter(Qt::Vertical, this);
  Splitter1->setObjectName(QStringLiteral("Splitter1"));
  Splitter1->setHandleWidth(kSplitterHandle);
  Splitter1->setChildrenCollapsible(false);
  Splitter1->addWidget(mCode);
  Splitter1->addWidget(pcErrors);
  // Growing the window gives the height to the text, not to the messages.
  Splitter1->setStretchFactor(0, 1);
  Splitter1->setStretchFactor(1, 0);
  Splitter1->setSizes({height() - kMessageAreaHeight, kMessageAreaHeight});

  sb = new QStatusBar(this);
  sb->setObjectName(QStringLiteral("sb"));
  sbModified_ = new QLabel(sb);
  sbModified_->setFixedWidth(kModifiedPanelWidth);
  sbModified_->setAlignment(Qt::AlignCenter);
  sbPath_ = new QLabel(sb);
  sb->addWidget(sbModified_);
  sb->addWidget(sbPath_, 1);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(Splitter1, 1);
  layout->addWidget(sb);

  FormCreate();
  connect(mCode, &QPlainTextEdit::textChanged, this, &TfrmQVEdit::mCodeChange);
}

QWidget* TfrmQVEdit::createMessageTab(QListWidget*& list) {
  auto* tab = new QWidget(pcErrors);
  list = new QListWidget(tab);
  QFont font = list->font();
  font.setPixelSize(kMessageFontPixels);
  list->setFont(font);
  list->setUniformItemSizes(true);
  list->setItemDelegate(new FixedRowHeightDelegate(list));
  list->setMinimumHeight(kMinimumPaneHeight);
  auto* layout = new QVBoxLayout(tab);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(list);
  return tab;
}

void TfrmQVEdit::FormCreate() { SetModifiedState(false); }

QString TfrmQVEdit::documentFolder() const {
  return documentPath_.isEmpty() ? QString() : QFileInfo(documentPath_).absolutePath();
}

void TfrmQVEdit::SetModifiedState(bool modified) {
  isModified_ = modified;
  sbModified_->setText(modified ? QStringLiteral("MODIFIED") : QString());
}

void TfrmQVEdit::mCodeChange() {
  editedSinceLoad_ = true;
  SetModifiedState(true);
}

void TfrmQVEdit::LoadDocumentBytes(const std::string& fileBytes) {
  const std::string text = qv3::EditorTextFromFileBytes(fileBytes);
  mCode->setPlainText(Latin1(text));
  editedSinceLoad_ = false;
}

std::string TfrmQVEdit::DocumentBytes() const {
  // toRawText keeps every character as typed (toPlainText would turn the
  // no-break space, byte $A0, into a blank); blocks are separated by U+2029,
  // and U+2028 appears only when pasted, so both count as line breaks.
  QString text = mCode->document()->toRawText();
  text.replace(QChar::ParagraphSeparator, u'\n');
  text.replace(QChar::LineSeparator, u'\n');
  return qv3::FileBytesFromEditorText(Bytes(text));
}

QString TfrmQVEdit::sbPanelText(int panel) const {
  return panel == 0 ? sbModified_->text() : sbPath_->text();
}

void TfrmQVEdit::setPathPanel(const QString& path) { sbPath_->setText(path); }

bool TfrmQVEdit::FormCloseQuery() {
  if (!isModified_) return true;
  // No is the default: Enter must not throw the edits away.
  return dialogs_.askYesNoDefaultNo(
      QStringLiteral("Question"),
      QStringLiteral("[") + caption() +
          QStringLiteral("] Modifications not saved. Do you close the editor anyway?"));
}

void TfrmQVEdit::closeEvent(QCloseEvent* event) {
  if (FormCloseQuery())
    event->accept();
  else
    event->ignore();
}

bool TfrmQVEdit::eventFilter(QObject* watched, QEvent* event) {
  // Shift+Return would insert a line separator inside the line; every line
  // of the editor must be one line of the text, so it breaks the line.
  if (watched == mCode && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
        (key->modifiers() & Qt::ShiftModifier)) {
      mCode->insertPlainText(QStringLiteral("\n"));
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}
