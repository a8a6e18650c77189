// The File menu's "Recent files" submenu: the files last opened or saved,
// newest first, kept in the settings so the list outlives the program. It
// stands between "Open..." and "Save"; nothing else reads the list.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QAction;
class QMenu;
class QSettings;
class TfrmQV3;
class TfrmQVEdit;

class RecentFiles final : public QObject {
  Q_OBJECT
 public:
  static constexpr int kMaximumEntries = 10;

  // settings: where the list is kept (tests pass a scratch file).
  RecentFiles(TfrmQV3& frame, QSettings& settings);

  QMenu* menu() const { return menu_; }
  // The list as stored, newest first.
  QStringList paths() const;
  // Puts an absolute path at the top; an entry already there moves up.
  void add(const QString& path);
  void clear();

  // Opens a listed file as Open does; a file that is gone is told and
  // taken off the list.
  void openEntry(const QString& path);

 private:
  void store(const QStringList& paths);
  void rememberDocument(const TfrmQVEdit* editor);
  void rebuildMenu();

  TfrmQV3& frame_;
  QSettings& settings_;
  QMenu* menu_;
  QAction* menuItem_;
};
