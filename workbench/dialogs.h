// The seam between the workbench's commands and its modal boxes and file
// dialogs. The program uses QtDialogs; tests install a scripted replacement
// so that no modal window ever blocks them.
#pragma once

#include <QString>
#include <optional>

class QWidget;

class Dialogs {
 public:
  enum class ReplaceAnswer { Yes, No, Abort, All };

  virtual ~Dialogs() = default;
  // A plain box with one OK button, the program's title as caption, no icon
  // ("Open a .QV3 source first...").
  virtual void showMessage(const QString& text) = 0;
  // A result box: caption "Info", information icon, OK.
  virtual void showInfo(const QString& text) = 0;
  // The platform's error box (file errors).
  virtual void showError(const QString& text) = 0;
  // A question box with Yes and No, Yes the default; true for Yes.
  virtual bool askYesNo(const QString& caption, const QString& text) = 0;
  // The same question with No the default, for a Yes that throws work away:
  // a hasty Enter keeps it.
  virtual bool askYesNoDefaultNo(const QString& caption, const QString& text) {
    return askYesNo(caption, text);
  }
  // Go to Line: a line number from 1 to lineCount, proposing current;
  // nothing when cancelled.
  virtual std::optional<int> askLineNumber(int /*current*/, int /*lineCount*/) { return std::nullopt; }
  // One line of text (Rename Symbol's new name), proposing proposed;
  // nothing when cancelled.
  virtual std::optional<QString> askText(const QString& /*caption*/, const QString& /*label*/,
                                         const QString& /*proposed*/) {
    return std::nullopt;
  }
  // "Confirm" / "Replace this occurrence?" with Yes, No, Abort, All.
  virtual ReplaceAnswer askReplace() = 0;
  // Another program changed the file of a document that holds edits: true
  // to reload it (the edits are lost), false to keep the editor's text.
  // A front end that cannot ask keeps the edits.
  virtual bool askReloadChangedFile(const QString& /*path*/) { return false; }
  // The open-file dialog (odFile); nothing when cancelled.
  virtual std::optional<QString> openFileName(const QString& proposed) = 0;
  // The save-file dialog (sdFile); nothing when cancelled.
  virtual std::optional<QString> saveFileName(const QString& proposed) = 0;
  // The folder a file dialog shows first when its proposed name carries no
  // folder. The workbench never changes the process's working directory, so
  // it tells the dialogs its current folder before each use.
  virtual void setStartFolder(const QString& /*folder*/) {}
};

// The real boxes and dialogs, parented to the given window.
class QtDialogs final : public Dialogs {
 public:
  explicit QtDialogs(QWidget* parent) : parent_(parent) {}
  void showMessage(const QString& text) override;
  void showInfo(const QString& text) override;
  void showError(const QString& text) override;
  bool askYesNo(const QString& caption, const QString& text) override;
  bool askYesNoDefaultNo(const QString& caption, const QString& text) override;
  std::optional<int> askLineNumber(int current, int lineCount) override;
  std::optional<QString> askText(const QString& caption, const QString& label, const QString& proposed) override;
  ReplaceAnswer askReplace() override;
  bool askReloadChangedFile(const QString& path) override;
  std::optional<QString> openFileName(const QString& proposed) override;
  std::optional<QString> saveFileName(const QString& proposed) override;
  void setStartFolder(const QString& folder) override { startFolder_ = folder; }

 private:
  QWidget* parent_;
  QString lastOpened_;  // odFile proposes the name of its last use
  QString startFolder_;
};
