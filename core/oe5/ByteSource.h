// Where the folder-file reader takes its bytes from: memory (tests, fuzzers, a mapped
// file) or an open folder file read through a large buffer.
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace tessaly {

// A folder file could not be read part way (an input/output error).
class EFolderRead : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TFolderBytes {
 public:
  virtual ~TFolderBytes() = default;
  virtual std::uint64_t Size() const = 0;
  // The bytes from offset on, as many as convenient (at least 4 unless the end is nearer);
  // empty at or past the end. Valid until the next call on this source.
  virtual std::span<const std::uint8_t> Chunk(std::uint64_t offset) = 0;
  // The bytes [offset, offset + length), cut short where the source ends. Valid until the
  // next call. View and AppendTo leave the view Chunk last gave intact.
  virtual std::span<const std::uint8_t> View(std::uint64_t offset, std::size_t length) = 0;
  // Appends the bytes [offset, offset + length), cut short where the source ends.
  virtual void AppendTo(std::string& out, std::uint64_t offset, std::size_t length) = 0;
};

class TMemorySource final : public TFolderBytes {
 public:
  explicit TMemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::uint64_t Size() const override { return bytes_.size(); }
  std::span<const std::uint8_t> Chunk(std::uint64_t offset) override;
  std::span<const std::uint8_t> View(std::uint64_t offset, std::size_t length) override;
  void AppendTo(std::string& out, std::uint64_t offset, std::size_t length) override;

 private:
  std::span<const std::uint8_t> bytes_;
};

// A folder file opened for reading while this process holds a non-blocking exclusive lock
// on it, so that a mail program that locks its store is never read under its feet. Read
// through a large sequential window plus a small window for the block chains, so that
// memory stays flat whatever the file's size.
class TFolderFile final : public TFolderBytes {
 public:
  TFolderFile() = default;
  TFolderFile(const TFolderFile&) = delete;
  TFolderFile& operator=(const TFolderFile&) = delete;
  ~TFolderFile() override { Close(); }

  // False when the file cannot be opened, is no regular file, or another open of it holds
  // the lock (the file is in use).
  bool Open(const std::string& path);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }

  std::uint64_t Size() const override { return size_; }
  std::span<const std::uint8_t> Chunk(std::uint64_t offset) override;
  std::span<const std::uint8_t> View(std::uint64_t offset, std::size_t length) override;
  void AppendTo(std::string& out, std::uint64_t offset, std::size_t length) override;

  static constexpr std::size_t kScanWindow = 4u << 20;
  static constexpr std::size_t kSideWindow = 64u << 10;

 private:
  struct TWindow {
    std::vector<std::uint8_t> bytes;
    std::uint64_t start = 0;
    std::size_t length = 0;
    bool Holds(std::uint64_t offset, std::size_t n) const {
      return offset >= start && offset - start <= length && length - (offset - start) >= n;
    }
  };
  // Reads up to n bytes at offset into dst; fewer only where the file ends.
  std::size_t ReadAt(std::uint64_t offset, std::uint8_t* dst, std::size_t n);
  void Fill(TWindow& w, std::uint64_t offset, std::size_t n);
  std::size_t Clip(std::uint64_t offset, std::size_t length) const;

  int fd_ = -1;
  std::uint64_t size_ = 0;
  TWindow scan_;
  TWindow side_;
};

}  // namespace tessaly
