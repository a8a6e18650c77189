// The four windows of the program, created in this order at start and
// living until it ends. Only the main window is ever shown by the start.
#pragma once

#include "workbench/about_box.h"
#include "workbench/main_window.h"
#include "workbench/process_window.h"
#include "workbench/search/search_dialog.h"

struct WorkbenchWindows {
  // dialogs: as for TfrmQV3 (null for the real boxes and file dialogs).
  explicit WorkbenchWindows(Dialogs* dialogs = nullptr)
      : frmQV3(dialogs), frmProcess(&frmQV3), frmAbout(&frmQV3), frmSearch(&frmQV3) {
    frmQV3.attachCompanions(frmProcess, frmAbout, frmSearch);
  }

  // Declaration order is creation order.
  TfrmQV3 frmQV3;
  TfrmProcess frmProcess;
  TfrmAbout frmAbout;
  TfrmSearch frmSearch;
};
