// The Outlook Express source: its folder list and its Start path.
#include "UMain.h"

void TfrmMain::LoadOeFolders() { ClearAddressList(); }

void TfrmMain::ImportOutlookExpress() {}
