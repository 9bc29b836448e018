// The Outlook Express reader's benchmark program.
//
//   oe_bench generate FILE MEGABYTES [SEED]   writes a folder file of at least that size
//   oe_bench harvest FILE [--body-scan]       harvests it and prints the throughput
//
// The harvest goes through the same entry the command-line harvester uses, into counting
// sinks, so it measures the reader and parser and not a table.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "DbxWriter.h"
#include "MailCorpus.h"
#include "harvest/Events.h"
#include "oe5/OeHarvest.h"

#if __has_include("scan/Scanner.h")
#include "scan/Scanner.h"
#define TESSALY_HAVE_SCANNER 1
#endif

namespace {

int Generate(const std::string& path, double megabytes, std::uint64_t seed) {
  const auto target = static_cast<std::uint64_t>(megabytes * 1024 * 1024);
  tessaly::bench::TDbxWriter writer(path);
  tessaly::bench::TMailCorpus corpus(seed);
  std::uint64_t textBytes = 0;
  while (writer.Size() < target) {
    const auto mail = corpus.Next();
    textBytes += mail.text.size();
    writer.AddMessage(mail.text, mail.info);
  }
  const std::size_t messages = writer.Messages();
  writer.Finish();
  std::printf("generated %s: %zu messages, %llu bytes of text, %llu bytes\n", path.c_str(),
              messages, static_cast<unsigned long long>(textBytes),
              static_cast<unsigned long long>(std::filesystem::file_size(path)));
  return 0;
}

int Harvest(const std::string& path, bool bodyScan) {
#ifndef TESSALY_HAVE_SCANNER
  if (bodyScan) {
    std::fprintf(stderr, "oe_bench: this build has no body scanner (core/scan)\n");
    return 2;
  }
#endif
  std::uint64_t headerAddresses = 0, scannedAddresses = 0, messages = 0;
  tessaly::THarvestEvents events;
  events.onAddress = [&](void*, std::string_view, std::string_view, std::uint8_t, int) {
    ++headerAddresses;
  };
  events.onScannedAddress = [&](std::string_view) { ++scannedAddresses; };
  // The body scan reports its own progress; only the reader's reports count messages.
  bool scanning = false;
  events.OnProgressBar = [&](std::uint64_t, bool&) {
    if (!scanning) ++messages;
  };
  std::function<void(const std::string&)> rawScan;
#ifdef TESSALY_HAVE_SCANNER
  if (bodyScan) {
    rawScan = [&](const std::string& p) {
      struct Scanning {
        bool& flag;
        explicit Scanning(bool& f) : flag(f) { flag = true; }
        ~Scanning() { flag = false; }
      } during(scanning);
      tessaly::ScanFile(p, events);
    };
  }
#endif

  const auto start = std::chrono::steady_clock::now();
  const tessaly::TOeHarvestResult result = tessaly::HarvestOutlookExpress(path, events, rawScan);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!result.failed.empty()) {
    std::fprintf(stderr, "oe_bench: cannot read %s\n", result.failed.c_str());
    return 1;
  }
  const double mb = static_cast<double>(std::filesystem::file_size(path)) / (1024.0 * 1024.0);
  // The reader reports each accepted message once and the end of the file once more.
  std::printf(
      "harvest%s: %.1f MB in %.3f s = %.1f MB/s; %llu messages, %llu header addresses, "
      "%llu scanned addresses\n",
      bodyScan ? " with body scan" : " headers only", mb, seconds, mb / seconds,
      static_cast<unsigned long long>(messages ? messages - 1 : 0),
      static_cast<unsigned long long>(headerAddresses),
      static_cast<unsigned long long>(scannedAddresses));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  try {
    if (command == "generate" && argc >= 4)
      return Generate(argv[2], std::atof(argv[3]),
                      argc > 4 ? std::strtoull(argv[4], nullptr, 10) : 1);
    if (command == "harvest" && argc >= 3)
      return Harvest(argv[2], argc > 3 && std::string(argv[3]) == "--body-scan");
  } catch (const std::exception& e) {
    std::fprintf(stderr, "oe_bench: %s\n", e.what());
    return 1;
  }
  std::fprintf(stderr,
               "usage: oe_bench generate FILE MEGABYTES [SEED]\n"
               "       oe_bench harvest FILE [--body-scan]\n");
  return 2;
}
