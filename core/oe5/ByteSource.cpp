#include "oe5/ByteSource.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tessaly {

std::span<const std::uint8_t> TMemorySource::Chunk(std::uint64_t offset) {
  if (offset >= bytes_.size()) return {};
  return bytes_.subspan(static_cast<std::size_t>(offset));
}

std::span<const std::uint8_t> TMemorySource::View(std::uint64_t offset, std::size_t length) {
  if (offset >= bytes_.size()) return {};
  const std::size_t at = static_cast<std::size_t>(offset);
  return bytes_.subspan(at, std::min(length, bytes_.size() - at));
}

void TMemorySource::AppendTo(std::string& out, std::uint64_t offset, std::size_t length) {
  const auto view = View(offset, length);
  out.append(reinterpret_cast<const char*>(view.data()), view.size());
}

bool TFolderFile::Open(const std::string& path) {
  Close();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  // Sharing denied: a file that another open holds locked is in use, and while we hold
  // the lock nobody who asks for it gets it.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  size_ = static_cast<std::uint64_t>(st.st_size);
  scan_.length = side_.length = 0;
#ifdef POSIX_FADV_SEQUENTIAL
  ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
  return true;
}

void TFolderFile::Close() {
  if (fd_ >= 0) {
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
  }
  fd_ = -1;
  size_ = 0;
  scan_.length = side_.length = 0;
}

std::size_t TFolderFile::ReadAt(std::uint64_t offset, std::uint8_t* dst, std::size_t n) {
  std::size_t done = 0;
  while (done < n) {
    const ssize_t got = ::pread(fd_, dst + done, n - done, static_cast<off_t>(offset + done));
    if (got < 0) {
      if (errno == EINTR) continue;
      throw EFolderRead(std::string("cannot read the folder file: ") + std::strerror(errno));
    }
    if (got == 0) break;  // the file ends sooner than it did when opened
    done += static_cast<std::size_t>(got);
  }
  return done;
}

std::size_t TFolderFile::Clip(std::uint64_t offset, std::size_t length) const {
  if (offset >= size_) return 0;
  return static_cast<std::size_t>(std::min<std::uint64_t>(length, size_ - offset));
}

void TFolderFile::Fill(TWindow& w, std::uint64_t offset, std::size_t n) {
  // A small file gets a window of its own size, not the whole window zeroed first.
  const std::size_t wanted = Clip(offset, n);
  if (w.bytes.size() < wanted) w.bytes.resize(wanted);
  w.start = offset;
  w.length = 0;
  w.length = ReadAt(offset, w.bytes.data(), wanted);
}

std::span<const std::uint8_t> TFolderFile::Chunk(std::uint64_t offset) {
  if (fd_ < 0 || offset >= size_) return {};
  // Refill once fewer than one word is left in the window.
  if (!scan_.Holds(offset, Clip(offset, 4))) Fill(scan_, offset, kScanWindow);
  const std::size_t at = static_cast<std::size_t>(offset - scan_.start);
  if (at >= scan_.length) return {};
  return {scan_.bytes.data() + at, scan_.length - at};
}

std::span<const std::uint8_t> TFolderFile::View(std::uint64_t offset, std::size_t length) {
  const std::size_t n = Clip(offset, length);
  if (fd_ < 0 || n == 0) return {};
  for (const TWindow* w : {&scan_, &side_}) {
    if (w->Holds(offset, n))
      return {w->bytes.data() + static_cast<std::size_t>(offset - w->start), n};
  }
  Fill(side_, offset, std::max(n, kSideWindow));
  return {side_.bytes.data(), std::min(n, side_.length)};
}

void TFolderFile::AppendTo(std::string& out, std::uint64_t offset, std::size_t length) {
  const std::size_t n = Clip(offset, length);
  if (fd_ < 0 || n == 0) return;
  if (n <= kSideWindow) {
    const auto view = View(offset, n);
    out.append(reinterpret_cast<const char*>(view.data()), view.size());
    return;
  }
  // A long text goes straight into the message, past both windows.
  const std::size_t old = out.size();
  out.resize(old + n);
  const std::size_t got = ReadAt(offset, reinterpret_cast<std::uint8_t*>(out.data() + old), n);
  out.resize(old + got);
}

}  // namespace tessaly
