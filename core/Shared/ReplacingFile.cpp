#include "Shared/ReplacingFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "Shared/DBISAMTableVantor.h"

namespace tessaly {
namespace {

mode_t NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

void TReplacingFile::Fail(const std::string& what, int error) const {
  throw EExportError("Cannot " + what + " " + target_ + ": " + std::strerror(error));
}

TReplacingFile::TReplacingFile(const std::string& target) : target_(target) {
  namespace fs = std::filesystem;
  if (target.empty()) throw EExportError("No file name given");
  struct stat st {};
  std::string real = target;
  mode_t mode = NewFileMode();
  if (::stat(target.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) throw EExportError("Cannot create " + target + ": it is a folder");
    if (!S_ISREG(st.st_mode)) {
      // Without a reader a pipe would block the tool forever: refuse it at once instead.
      fd_ = ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
      if (fd_ < 0) Fail("open", errno);
      ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
      work_ = target;
      realTarget_ = target;
      inPlace_ = true;
      return;
    }
    mode = st.st_mode & 07777;
    // Through a link, the file it names is replaced and the link stays.
    struct stat lst {};
    std::error_code ec;
    if (::lstat(target.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
      const fs::path resolved = fs::canonical(target, ec);
      if (!ec) real = resolved.string();
    }
  }
  const fs::path realPath(real);
  fs::path folder = realPath.parent_path();
  if (folder.empty()) folder = ".";
  std::string tmpl = (folder / ("." + realPath.filename().string() + ".XXXXXX")).string();
  fd_ = ::mkostemp(tmpl.data(), O_CLOEXEC);
  if (fd_ < 0) Fail("create", errno);
  work_ = tmpl;
  realTarget_ = real;
  ::fchmod(fd_, mode);
}

TReplacingFile::~TReplacingFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!inPlace_ && !committed_ && !work_.empty()) ::unlink(work_.c_str());
}

void TReplacingFile::Write(std::string_view bytes) {
  const char* p = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(fd_, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail("write", errno);
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
}

void TReplacingFile::Commit() {
  if (committed_) return;
  const int fd = fd_;
  fd_ = -1;
  if (fd >= 0 && ::close(fd) != 0 && errno != EINTR) Fail("write", errno);
  if (!inPlace_ && ::rename(work_.c_str(), realTarget_.c_str()) != 0) Fail("replace", errno);
  committed_ = true;
}

}  // namespace tessaly
