// The dockable outline of the active document: its labels and constants in
// source order, as the last check found them; a click selects the line.
#pragma once

#include <QDockWidget>
#include <string>
#include <vector>

class QListWidget;
namespace qv3 {
struct ModuleKnowledge;
}

class OutlineDock : public QDockWidget {
  Q_OBJECT
 public:
  explicit OutlineDock(QWidget* parent = nullptr);

  // Lists the module's definitions; null empties the outline.
  void showModule(const qv3::ModuleKnowledge* module);
  QListWidget* list() const { return list_; }
  // The 1-based source line of a row, 0 when there is none.
  int lineOfRow(int row) const;

 signals:
  void lineChosen(int lineNumber);

 private:
  struct Entry {
    std::string Text;
    int Line = 0;
    bool IsLabel = true;
    bool FromInclude = false;
    bool operator==(const Entry&) const = default;
  };
  QListWidget* list_;
  std::vector<Entry> entries_;  // as shown, row by row
};
