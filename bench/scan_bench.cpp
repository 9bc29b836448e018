// The scan benchmark's programs: the corpus generator, the memchr floor and the scan alone.
//
//   scan_bench generate FILE BYTES        a mailbox-like file of that many bytes
//   scan_bench generate-folder DIR COUNT  COUNT small files of one message each
//   scan_bench memchr FILE                counts the "@" bytes, reading as the scan reads
//   scan_bench scan FILE                  the stream scan, with a sink that only counts
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "mail_corpus.h"
#include "scan/Scanner.h"

namespace {

int Usage() {
  std::fputs(
      "usage: scan_bench generate FILE BYTES | generate-folder DIR COUNT | "
      "memchr FILE | scan FILE\n",
      stderr);
  return 2;
}

int Generate(const char* path, std::uint64_t bytes) {
  std::FILE* out = std::fopen(path, "wb");
  if (!out) {
    std::perror(path);
    return 1;
  }
  bench::TMailCorpus corpus(1);
  std::string chunk;
  std::uint64_t written = 0;
  while (written < bytes) {
    chunk.clear();
    while (chunk.size() < (std::size_t{4} << 20)) corpus.Message(chunk);
    const std::size_t n =
        static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size(), bytes - written));
    if (std::fwrite(chunk.data(), 1, n, out) != n) {
      std::perror(path);
      return 1;
    }
    written += n;
  }
  return std::fclose(out) == 0 ? 0 : 1;
}

int GenerateFolder(const char* dir, unsigned count) {
  std::filesystem::create_directories(dir);
  bench::TMailCorpus corpus(2);
  std::string message;
  for (unsigned i = 0; i < count; ++i) {
    message.clear();
    corpus.Message(message);
    char name[32];
    std::snprintf(name, sizeof name, "/msg%05u.eml", i);
    std::FILE* out = std::fopen((std::string(dir) + name).c_str(), "wb");
    if (!out || std::fwrite(message.data(), 1, message.size(), out) != message.size()) {
      std::perror(dir);
      return 1;
    }
    std::fclose(out);
  }
  return 0;
}

// The floor of any "@"-driven scan: read the file through the same buffer size and find
// every "@" with memchr.
int Memchr(const char* path) {
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    std::perror(path);
    return 1;
  }
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  const std::size_t size = tessaly::TLineStream::kDefaultBufferSize;
  auto buffer = std::make_unique_for_overwrite<char[]>(size);
  std::uint64_t ats = 0;
  for (;;) {
    const ssize_t n = ::read(fd, buffer.get(), size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    const char* p = buffer.get();
    const char* end = p + n;
    while ((p = static_cast<const char*>(std::memchr(p, '@', static_cast<std::size_t>(end - p))))) {
      ++ats;
      ++p;
    }
  }
  ::close(fd);
  std::printf("%llu\n", static_cast<unsigned long long>(ats));
  return 0;
}

int Scan(const char* path) {
  std::uint64_t addresses = 0, candidates = 0;
  tessaly::THarvestEvents events;
  events.onScannedAddress = [&](std::string_view) { ++addresses; };
  events.OnProgressBar = [&](std::uint64_t, bool&) { ++candidates; };
  try {
    tessaly::ScanFile(path, events);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  std::printf("%llu %llu\n", static_cast<unsigned long long>(candidates),
              static_cast<unsigned long long>(addresses));
  return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc < 3) return Usage();
  const std::string mode = argv[1];
  if (mode == "generate" && argc == 4) return Generate(argv[2], std::stoull(argv[3]));
  if (mode == "generate-folder" && argc == 4)
    return GenerateFolder(argv[2], static_cast<unsigned>(std::stoul(argv[3])));
  if (mode == "memchr" && argc == 3) return Memchr(argv[2]);
  if (mode == "scan" && argc == 3) return Scan(argv[2]);
  return Usage();
}
