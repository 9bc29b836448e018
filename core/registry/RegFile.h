// The registry over registry text files: the export format ("REGEDIT4", "Windows Registry
// Editor Version 5.00") and the hive files a Wine prefix keeps (user.reg, system.reg),
// which use the same lines with escaped key names.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "registry/Registry.h"

namespace tessaly {

class TRegFileRegistry final : public TRegTreeRegistry {
 public:
  // Adds the keys and values of one registry text file. Keys that name their root
  // (HKEY_CURRENT_USER\..., HKEY_LOCAL_MACHINE\..., or HKCU/HKLM) go to that root, keys of
  // other roots are left out, and keys without a root name (a Wine hive) go to
  // defaultRoot. False when the file cannot be read; damaged lines are passed over.
  // When keep is given, only keys at or under one of those paths are taken.
  bool LoadFile(const std::string& path, TRegRoot defaultRoot,
                const std::vector<std::string>& keep = {});
  // The same over the file's bytes (UTF-16 with its byte-order mark, or 8-bit text).
  void LoadText(std::string_view bytes, TRegRoot defaultRoot,
                const std::vector<std::string>& keep = {});

  // The registry of a Wine prefix: user.reg for the current user, system.reg for the
  // machine (only the keys the mail store needs), the Windows folder from the machine's
  // "SystemRoot" value (else C:\windows), and every drive letter that the prefix maps in
  // dosdevices. Nothing when the folder holds neither hive.
  static std::unique_ptr<TRegFileRegistry> ForWinePrefix(const std::string& prefix);

  void SetWindowsFolder(std::string folder) { windowsFolder_ = std::move(folder); }
  // The folder of this system that the drive letter stands for; empty removes it.
  void SetDriveRoot(char letter, std::string folder);

  std::string WindowsFolder() const override { return windowsFolder_; }
  // "X:\a\b" becomes the drive's folder followed by a/b, each name matched without regard
  // to letter case where the exact name does not exist (as Windows would). A path on an
  // unmapped drive, or without a drive, is returned unchanged.
  std::string ToLocalPath(std::string_view windowsPath) const override;

 private:
  std::string windowsFolder_;
  std::array<std::string, 26> driveRoots_;
};

// The Wine prefix of this user: $WINEPREFIX when it names a folder, else ~/.wine when it
// exists; empty when there is none.
std::string FindWinePrefix();

// The registry the tool reads on this system: the Wine prefix's registry when there is a
// prefix with hive files, otherwise the empty registry.
std::unique_ptr<TRegistry> MakeDefaultRegistry();

}  // namespace tessaly
