// The Outlook source's Start path.
#include "UMain.h"

void TfrmMain::ImportOutlook() {}
