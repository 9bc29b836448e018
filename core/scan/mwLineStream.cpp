#include "scan/mwLineStream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tessaly {
namespace {

[[noreturn]] void FailOpen(const std::string& path, const std::string& reason) {
  throw EScanOpen("Cannot open " + path + ": " + reason);
}

}  // namespace

TFileByteSource::TFileByteSource(const std::string& path) : path_(path) {
  // Looked at before opening, so that a FIFO without a writer is never opened at all.
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) FailOpen(path, std::strerror(errno));
  if (S_ISDIR(st.st_mode)) FailOpen(path, "it is a folder");
  if (!S_ISREG(st.st_mode)) FailOpen(path, "not a regular file");
  // Non-blocking, in case the entry was swapped for a FIFO since.
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd_ < 0) FailOpen(path, std::strerror(errno));
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    FailOpen(path, "not a regular file");
  }
  size_ = static_cast<std::uint64_t>(st.st_size);
  ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
}

TFileByteSource::~TFileByteSource() {
  if (fd_ >= 0) ::close(fd_);
}

std::size_t TFileByteSource::ReadAt(std::uint64_t offset, std::uint8_t* into, std::size_t length) {
  std::size_t done = 0;
  while (done < length) {
    const ssize_t n = ::pread(fd_, into + done, length - done, static_cast<off_t>(offset + done));
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      throw EScanRead("Cannot read " + path_ + ": " + std::strerror(errno));
    }
    done += static_cast<std::size_t>(n);
  }
  return done;
}

std::size_t TMemoryByteSource::ReadAt(std::uint64_t offset, std::uint8_t* into,
                                      std::size_t length) {
  if (offset >= bytes_.size()) return 0;
  const std::size_t n = std::min<std::uint64_t>(length, bytes_.size() - offset);
  std::memcpy(into, bytes_.data() + offset, n);
  return n;
}

TLineStream::TLineStream(TByteSource& source, std::size_t bufferSize)
    : source_(source),
      capacity_(bufferSize == 0 ? 1 : bufferSize),
      buffer_(std::make_unique_for_overwrite<std::uint8_t[]>(capacity_)) {}

std::span<const std::uint8_t> TLineStream::RefillAhead() {
  // Keep the last bytes before the position at the front of the new fill, so that the
  // walk back from an "@" early in it seldom has to read backwards.
  std::size_t keep = 0;
  if (bufLen_ > 0 && pos_ >= bufStart_ && pos_ - bufStart_ <= bufLen_) {
    keep = static_cast<std::size_t>(
        std::min<std::uint64_t>({pos_ - bufStart_, kKeptBehind, capacity_ / 2}));
    std::memmove(buffer_.get(), buffer_.get() + (pos_ - bufStart_ - keep), keep);
  }
  const std::size_t n = source_.ReadAt(pos_, buffer_.get() + keep, capacity_ - keep);
  bufStart_ = pos_ - keep;
  bufLen_ = keep + n;
  return {buffer_.get() + keep, n};
}

std::span<const std::uint8_t> TLineStream::RefillBefore(std::uint64_t offset) {
  if (offset == 0) return {};
  const std::uint64_t from = offset > capacity_ ? offset - capacity_ : 0;
  const std::size_t wanted = static_cast<std::size_t>(offset - from);
  bufStart_ = from;
  bufLen_ = source_.ReadAt(from, buffer_.get(), wanted);
  if (bufLen_ != wanted) {
    bufLen_ = 0;
    throw EScanRead("The file became shorter while it was read");
  }
  return {buffer_.get(), wanted};
}

bool TLineStream::ReadByte(std::uint8_t& byte) {
  const auto ahead = Ahead();
  if (ahead.empty()) return false;
  byte = ahead[0];
  ++pos_;
  return true;
}

bool TLineStream::FindByte(std::uint8_t value) {
  for (;;) {
    const auto ahead = Ahead();
    if (ahead.empty()) return false;
    const void* hit = std::memchr(ahead.data(), value, ahead.size());
    if (hit) {
      pos_ += static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - ahead.data()) + 1;
      return true;
    }
    pos_ += ahead.size();
  }
}

}  // namespace tessaly
