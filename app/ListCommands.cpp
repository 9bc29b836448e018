// Commands on the list after a run: Save As and Delete Emails.
#include "UMain.h"

void TfrmMain::SaveList() {}
