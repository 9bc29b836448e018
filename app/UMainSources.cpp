// The Start paths of the sources and the list commands that arrive with their features.
// Until a source is built its Start path does nothing, so Start leaves the list alone.
#include "UMain.h"

void TfrmMain::ImportFile() {}

void TfrmMain::ImportFolder() {}

void TfrmMain::ImportOutlookExpress() {}

void TfrmMain::ImportOutlook() {}

void TfrmMain::LoadOeFolders() { ClearAddressList(); }

void TfrmMain::SaveList() {}
