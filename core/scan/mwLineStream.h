// The byte stream the stream scan reads: one file (or any byte source), read forward
// through a large buffer, with cheap steps back for the walk before an "@".
//
// Positions and sizes are 64-bit, so files of 2 GiB and more are read whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tessaly {

// The file cannot be opened for reading: missing, not readable, or not a regular file.
class EScanOpen : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reading failed part-way (an I/O error, or the file shrank under the reader).
class EScanRead : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Where the bytes come from. Parsing never cares whether they are a file or memory.
class TByteSource {
 public:
  virtual ~TByteSource() = default;
  // The size known when the source was opened.
  virtual std::uint64_t Size() const = 0;
  // Up to length bytes from offset into `into`; fewer only at the end, 0 past it.
  // Throws EScanRead.
  virtual std::size_t ReadAt(std::uint64_t offset, std::uint8_t* into, std::size_t length) = 0;
};

// A regular file opened read-only. Anything else (a folder, a FIFO, a device, a socket)
// counts as a file that cannot be opened, so a scan never blocks on a pipe or reads
// an endless device.
class TFileByteSource final : public TByteSource {
 public:
  explicit TFileByteSource(const std::string& path);  // throws EScanOpen
  ~TFileByteSource() override;
  TFileByteSource(const TFileByteSource&) = delete;
  TFileByteSource& operator=(const TFileByteSource&) = delete;

  std::uint64_t Size() const override { return size_; }
  std::size_t ReadAt(std::uint64_t offset, std::uint8_t* into, std::size_t length) override;

 private:
  std::string path_;
  int fd_ = -1;
  std::uint64_t size_ = 0;
};

// Bytes already in memory (tests, fuzzing, a text handed over whole).
class TMemoryByteSource final : public TByteSource {
 public:
  explicit TMemoryByteSource(std::string_view bytes) : bytes_(bytes) {}
  std::uint64_t Size() const override { return bytes_.size(); }
  std::size_t ReadAt(std::uint64_t offset, std::uint8_t* into, std::size_t length) override;

 private:
  std::string_view bytes_;
};

class TLineStream {
 public:
  static constexpr std::size_t kDefaultBufferSize = std::size_t{1} << 20;
  // How much of the previous fill a refill keeps in front of the new bytes.
  static constexpr std::size_t kKeptBehind = std::size_t{16} << 10;

  // bufferSize 1 reads byte by byte (tests use it to reach every buffer boundary).
  explicit TLineStream(TByteSource& source, std::size_t bufferSize = kDefaultBufferSize);

  std::uint64_t Size() const { return source_.Size(); }
  // 0-based offset of the next byte; after byte k has been read it is k + 1.
  std::uint64_t Position() const { return pos_; }
  void SetPosition(std::uint64_t position) { pos_ = position; }

  // The byte at the position, moving one on; false at the end.
  bool ReadByte(std::uint8_t& byte);
  // Reads on until a byte equal to value has been read: true with the position just past
  // it, or false with the position at the end.
  bool FindByte(std::uint8_t value);

  // The buffered bytes from the position on (refilled when the position left them);
  // empty at the end. Skip moves the position over bytes taken from it.
  std::span<const std::uint8_t> Ahead() {
    if (!Buffered(pos_)) return RefillAhead();
    const std::size_t at = static_cast<std::size_t>(pos_ - bufStart_);
    return {buffer_.get() + at, bufLen_ - at};
  }
  void Skip(std::size_t count) { pos_ += count; }
  // The buffered bytes that end just before offset (refilled backwards when needed);
  // empty when offset is 0. The position does not move.
  std::span<const std::uint8_t> Before(std::uint64_t offset) {
    if (offset > bufStart_ && offset - bufStart_ <= bufLen_)
      return {buffer_.get(), static_cast<std::size_t>(offset - bufStart_)};
    return RefillBefore(offset);
  }

 private:
  std::span<const std::uint8_t> RefillAhead();
  std::span<const std::uint8_t> RefillBefore(std::uint64_t offset);

  bool Buffered(std::uint64_t offset) const {
    return offset >= bufStart_ && offset - bufStart_ < bufLen_;
  }

  TByteSource& source_;
  std::size_t capacity_;
  std::unique_ptr<std::uint8_t[]> buffer_;
  std::uint64_t bufStart_ = 0;
  std::size_t bufLen_ = 0;
  std::uint64_t pos_ = 0;
};

}  // namespace tessaly
