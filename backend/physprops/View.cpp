#include "PhysPropsDlg.h"

void CPhysPropsDlg::OnView() {}
