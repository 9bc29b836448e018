#include "Shared/FolderLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "harvest/Paths.h"

namespace tessaly {

bool TFolderLock::Acquire(const std::string& folder) {
  if (Held() && folder == folder_) return true;
  Release();
  const std::string path = JoinPath(folder, kLockFileName);
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  folder_ = folder;
  return true;
}

void TFolderLock::Release() {
  if (fd_ >= 0) {
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
  }
  fd_ = -1;
  folder_.clear();
}

}  // namespace tessaly
