#include "workbench/recent_files.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>

#include "workbench/dialogs.h"
#include "workbench/editor_window.h"
#include "workbench/main_window.h"
#include "workbench/process_window.h"  // main_window.h hands out a TfrmProcess*

namespace {

const QString kSettingsKey = QStringLiteral("recentFiles");

QString MenuCaption(int number, const QString& path) {
  QString shown = QDir::toNativeSeparators(path);
  shown.replace(u'&', QStringLiteral("&&"));
  // Numbers 1 to 9 and 0 for the tenth are the access keys.
  return QStringLiteral("&%1 %2").arg(number % 10).arg(shown);
}

}  // namespace

RecentFiles::RecentFiles(TfrmQV3& frame, QSettings& settings)
    : QObject(&frame), frame_(frame), settings_(settings), menu_(new QMenu(QStringLiteral("&Recent files"), &frame)) {
  menu_->setObjectName(QStringLiteral("RecentFiles1"));
  menuItem_ = frame.File1->insertMenu(frame.Save1, menu_);
  menuItem_->setObjectName(QStringLiteral("RecentFilesItem"));
  connect(frame.File1, &QMenu::aboutToShow, this, &RecentFiles::rebuildMenu);
  connect(menu_, &QMenu::aboutToShow, this, &RecentFiles::rebuildMenu);
  connect(&frame, &TfrmQV3::documentOpened, this, &RecentFiles::rememberDocument);
  connect(&frame, &TfrmQV3::documentSaved, this, &RecentFiles::rememberDocument);
  rebuildMenu();
}

QStringList RecentFiles::paths() const {
  // Another running workbench may have written the list since.
  settings_.sync();
  QStringList stored = settings_.value(kSettingsKey).toStringList();
  stored.removeAll(QString());
  stored.removeDuplicates();
  if (stored.size() > kMaximumEntries) stored.resize(kMaximumEntries);
  return stored;
}

void RecentFiles::store(const QStringList& paths) {
  settings_.setValue(kSettingsKey, paths);
  settings_.sync();
  rebuildMenu();
}

void RecentFiles::add(const QString& path) {
  if (path.isEmpty()) return;
  QStringList list = paths();
  list.removeAll(path);
  list.prepend(path);
  if (list.size() > kMaximumEntries) list.resize(kMaximumEntries);
  store(list);
}

void RecentFiles::clear() { store({}); }

void RecentFiles::rememberDocument(const TfrmQVEdit* editor) {
  if (editor) add(editor->documentPath());
}

void RecentFiles::openEntry(const QString& path) {
  if (!QFileInfo::exists(path)) {
    QStringList list = paths();
    list.removeAll(path);
    store(list);
    frame_.dialogs().showError(QStringLiteral("Cannot open file %1: no such file.").arg(path));
    return;
  }
  frame_.OpenSourceFile(path);
}

void RecentFiles::rebuildMenu() {
  // An entry may be the one whose click led here: it goes when the click is done.
  for (QAction* entry : menu_->actions()) {
    menu_->removeAction(entry);
    entry->deleteLater();
  }
  const QStringList list = paths();
  menuItem_->setEnabled(!list.isEmpty());
  int number = 0;
  for (const QString& path : list) {
    QAction* entry = menu_->addAction(MenuCaption(++number, path));
    entry->setToolTip(path);
    connect(entry, &QAction::triggered, this, [this, path] { openEntry(path); });
  }
  if (list.isEmpty()) return;
  menu_->addSeparator();
  connect(menu_->addAction(QStringLiteral("&Clear list")), &QAction::triggered, this, &RecentFiles::clear);
}
