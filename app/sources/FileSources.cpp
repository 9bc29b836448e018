// The File and Folder sources' Start paths.
#include "UMain.h"

void TfrmMain::ImportFile() {}

void TfrmMain::ImportFolder() {}
