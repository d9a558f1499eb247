// The small icons of the plan editor's lists, drawn as XPM images.
#ifndef PLENWICK_PLANICONS_H
#define PLENWICK_PLANICONS_H

#include <fx.h>

// A long-term plan listed in every term (a blue pin).
FX::FXIcon* makePersistentIcon(FX::FXApp* app);
// A unit plan marked for export (a green arrow leaving a tray).
FX::FXIcon* makeExportIcon(FX::FXApp* app);
// A unit plan imported from a transfer file (an orange arrow into a tray).
FX::FXIcon* makeImportedIcon(FX::FXApp* app);
// A transfer file waiting in the transfer directory (a page with a folded corner).
FX::FXIcon* makeTransferFileIcon(FX::FXApp* app);
// A search result ticked for printing (a green tick).
FX::FXIcon* makeTickIcon(FX::FXApp* app);

#endif
