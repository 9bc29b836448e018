// The Outlook Express source's state, owned by the main window.
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "UMain.h"
#include "oe5/UOEMessage.h"
#include "registry/Registry.h"

class TfrmMain::TOeSource {
 public:
  // The reader of the folder files, with its events bound to the main window.
  tessaly::TOEMessage oe;

  // Where identities and store roots are read from.
  void SetRegistry(std::unique_ptr<tessaly::TRegistry> registry) {
    registry_ = std::move(registry);
    oe.SetRegistry(registry_.get());
  }
  const tessaly::TRegistry& Registry() const { return oe.Registry(); }

  // The folder whose folder files the list shows; the run reads from there.
  QString listFolder;

  // The raw scan of one folder file's bytes, run after its headers when the setting
  // CollectFromOeBody is true; a failure hides the progress bar and the run goes on.
  // Empty: no body scan.
  std::function<void(const std::string& path)> RawScan;

 private:
  std::unique_ptr<tessaly::TRegistry> registry_;
};
