// A file written under a temporary name beside its target, which takes the target's name
// only once it is complete. Until Commit, an earlier file of that name stays as it was, and
// a failure leaves no partial file behind.
//
// A target that is a device or a pipe (/dev/stdout, /dev/full) has no folder entry to
// replace: it is written directly, and a failure is still reported.
#pragma once

#include <string>
#include <string_view>

namespace tessaly {

class TReplacingFile {
 public:
  // Creates the temporary file (or opens the device). Throws EExportError.
  explicit TReplacingFile(const std::string& target);
  // Without Commit, closes and removes the temporary file.
  ~TReplacingFile();
  TReplacingFile(const TReplacingFile&) = delete;
  TReplacingFile& operator=(const TReplacingFile&) = delete;

  // Where the bytes go until Commit: the temporary file, or the device itself.
  const std::string& WorkPath() const { return work_; }
  const std::string& Target() const { return target_; }
  bool InPlace() const { return inPlace_; }
  int Descriptor() const { return fd_; }

  // Writes every byte or throws EExportError.
  void Write(std::string_view bytes);
  // Closes the file and gives it the target's name. Throws EExportError.
  void Commit();

  // "Cannot <what> <target>: <reason>".
  [[noreturn]] void Fail(const std::string& what, int error) const;

 private:
  std::string target_;
  // The file the target names: through a link, the file it points to.
  std::string realTarget_;
  std::string work_;
  int fd_ = -1;
  bool inPlace_ = false;
  bool committed_ = false;
};

}  // namespace tessaly
