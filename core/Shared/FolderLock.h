// Marks a data folder as in use by this process, so that a second copy of the tool does
// not re-create the address table under the first one's feet.
#pragma once

#include <string>

namespace tessaly {

class TFolderLock {
 public:
  TFolderLock() = default;
  TFolderLock(const TFolderLock&) = delete;
  TFolderLock& operator=(const TFolderLock&) = delete;
  ~TFolderLock() { Release(); }

  // Takes the lock file in the folder with a non-blocking exclusive lock. True when this
  // process holds it (also when it already did); false when another process holds it or
  // the lock file cannot be made.
  bool Acquire(const std::string& folder);
  void Release();
  bool Held() const { return fd_ >= 0; }
  const std::string& Folder() const { return folder_; }

  static constexpr const char* kLockFileName = ".tessaly.lock";

 private:
  int fd_ = -1;
  std::string folder_;
};

}  // namespace tessaly
