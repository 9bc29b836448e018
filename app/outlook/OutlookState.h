// What the main window keeps for the Outlook source: the reader over the mailbox, built
// over the Outlook data files the setting names or the usual places hold.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "UMain.h"
#include "outlook/Mailbox.h"
#include "outlook/UOutlook.h"

struct TfrmMain::TOutlookState {
  std::unique_ptr<tessaly::TOutlook> reader;
  bool commandsInstalled = false;
  int readersBuilt = 0;

  // Destroys the reader, then builds a new one over these data files with its events
  // connected to the window, and takes over its two readiness flags.
  void BuildReader(TfrmMain& window, const std::vector<std::string>& files);
  // The problems the mailbox met while opening (data files that did not open).
  std::vector<std::string> problems;
};

namespace OutlookSetup {

// The mailbox over a list of data files; by default the one that reads PST and OST files.
using TMailSystemFactory = std::function<std::shared_ptr<tessaly::mailbox::TMailSystem>(
    const std::vector<std::string>& files)>;
// Tests hand their own mailbox here; an empty function restores the default.
void SetMailSystemFactory(TMailSystemFactory factory);

// The search of the usual places; by default the home folder's and the Wine prefix's.
using TUsualPlacesSearch = std::function<std::vector<std::string>()>;
void SetUsualPlacesSearch(TUsualPlacesSearch search);

}  // namespace OutlookSetup
