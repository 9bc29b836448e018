// The folder-file reader over fuzzed file bytes: the file is read from disk with its
// windows and from memory, and both must raise the same events in the same order.
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "oe5/UOEMessage.h"

using namespace tessaly;

namespace {

std::string ScratchFile() {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir && *dir ? dir : "/tmp") + "/tessaly-fuzz-" + std::to_string(::getpid()) +
         ".dbx";
}

std::vector<std::string> Read(TOEMessage& oe, const std::uint8_t* data, std::size_t size,
                              const std::string* path) {
  std::vector<std::string> log;
  oe.onAddress = [&](void*, std::string_view a, std::string_view n, std::uint8_t k, int ndx) {
    log.push_back("A " + std::to_string(k) + " " + std::to_string(ndx) + " " + std::string(a) +
                  "|" + std::string(n));
  };
  oe.OnFileSize = [&](std::uint64_t s) { log.push_back("S " + std::to_string(s)); };
  oe.OnProgressBar = [&](std::uint64_t p, bool&) {
    FUZZ_CHECK(p <= size);
    log.push_back("P " + std::to_string(p));
  };
  oe.OnGetMessage = [&](std::string_view text, int ndx) {
    log.push_back("M " + std::to_string(ndx) + " " + std::to_string(text.size()));
  };
  const bool ok = path ? oe.ReadFolderFile(*path) : oe.ReadFolderBytes({data, size});
  log.push_back(ok ? "ok" : "failed");
  return log;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = ScratchFile();
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  TOEMessage fromFile, fromMemory;
  const auto onDisk = Read(fromFile, data, size, &path);
  ::unlink(path.c_str());
  FUZZ_CHECK(onDisk == Read(fromMemory, data, size, nullptr));
  return 0;
}
