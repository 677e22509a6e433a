#include "Launchers.h"
#include "PhysPropsDlg.h"

int OpenSetupEditor(QString) { return 0; }
int NewFootprintDrawing() { return 0; }
int OpenFootprintDrawing(QString) { return 0; }

void CPhysPropsDlg::OnEditorSetup() {}
