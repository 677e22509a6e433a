#include "PhysPropsDlg.h"

void CPhysPropsDlg::OnBrowse() {}
