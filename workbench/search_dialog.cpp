#include "workbench/search_dialog.h"

// Placeholder until the search dialog is built.
TfrmSearch::TfrmSearch(QWidget* parent) : QDialog(parent) {}
