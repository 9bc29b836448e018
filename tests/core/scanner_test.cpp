// The address scanner: the stream scan through every reading path, its progress and
// abort, files it must not read, sizes past 32 bits, flat memory; and the text scan.
#include "scan/Scanner.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "harvest/EventPump.h"
#include "scan/CharClasses.h"
#include "scan/UMailParser.h"
#include "test_support.h"

using namespace tessaly;
using tessaly::test::ScratchDir;
using tessaly::test::WriteFile;

namespace {

// What one stream scan reported.
struct Seen {
  std::vector<std::string> addresses;
  std::vector<std::uint64_t> progress;
  std::vector<std::uint64_t> sizes;
  bool operator==(const Seen&) const = default;
};

// abortAtReport: the progress report (1-based) that hands back a set abort flag.
THarvestEvents Recorder(Seen& seen, std::size_t abortAtReport = 0) {
  THarvestEvents events;
  events.onScannedAddress = [&seen](std::string_view a) { seen.addresses.emplace_back(a); };
  events.OnFileSize = [&seen](std::uint64_t size) { seen.sizes.push_back(size); };
  events.OnProgressBar = [&seen, abortAtReport](std::uint64_t position, bool& abort) {
    seen.progress.push_back(position);
    abort = seen.progress.size() == abortAtReport;
  };
  return events;
}

Seen ScanMemory(std::string_view bytes, std::size_t bufferSize, std::size_t abortAtReport = 0) {
  Seen seen;
  TMemoryByteSource source(bytes);
  TLineStream stream(source, bufferSize);
  ScanStream(stream, Recorder(seen, abortAtReport));
  return seen;
}

Seen ScanWholeFile(const std::string& bytes, std::size_t abortAtReport = 0) {
  ScratchDir dir;
  const std::string path = dir.path + "/input.bin";
  WriteFile(path, bytes);
  Seen seen;
  ScanFile(path, Recorder(seen, abortAtReport));
  return seen;
}

// The same answer from the file, and from memory through every buffer size up to one
// past the input: each boundary falls at every byte of every candidate once.
void ExpectSameOnEveryReadingPath(const std::string& bytes, const Seen& reference,
                                  std::size_t abortAtReport = 0) {
  for (std::size_t size = 1; size <= bytes.size() + 1; ++size) {
    const Seen seen = ScanMemory(bytes, size, abortAtReport);
    EXPECT_EQ(seen.addresses, reference.addresses) << "buffer " << size;
    EXPECT_EQ(seen.progress, reference.progress) << "buffer " << size;
  }
}

struct ScanCase {
  const char* name;
  std::string bytes;
  std::vector<std::string> stored;
};

void PrintTo(const ScanCase& c, std::ostream* os) {
  *os << c.name;
}

class StreamScanCases : public ::testing::TestWithParam<ScanCase> {};

TEST_P(StreamScanCases, FindsTheSameOnEveryReadingPath) {
  const ScanCase& c = GetParam();
  const Seen whole = ScanWholeFile(c.bytes);
  EXPECT_EQ(whole.addresses, c.stored);
  EXPECT_EQ(whole.sizes, std::vector<std::uint64_t>{c.bytes.size()});
  // One report per candidate, each at or past the last, the last at the end of the file.
  EXPECT_TRUE(std::is_sorted(whole.progress.begin(), whole.progress.end()));
  if (!whole.progress.empty()) {
    EXPECT_EQ(whole.progress.back(), c.bytes.size());
  }
  ExpectSameOnEveryReadingPath(c.bytes, whole);
}

INSTANTIATE_TEST_SUITE_P(
    EdgeCases, StreamScanCases,
    ::testing::Values(
        ScanCase{"NoAt", "plain text without the sign", {}},
        ScanCase{"AtFirstStartsNoCandidate", "@a@bc.test", {"a@bc.test"}},
        ScanCase{"AddressStartsTheFile", "ann@mail.test and more", {"ann@mail.test"}},
        ScanCase{"AddressEndsTheFile", "write to ann@mail.test", {"ann@mail.test"}},
        ScanCase{"EndByteIsConsumed", "ann@mail.test@web.test", {"ann@mail.test"}},
        ScanCase{"OverlapOfWalks", "a@bb.cc_dd@ee.test", {"a@bb.cc", "bb.cc_dd@ee.test"}},
        ScanCase{"PlusCutsTheLocalPart", "ann+list@mail.test", {"list@mail.test"}},
        ScanCase{"HyphenFailsWhole", "john-doe@mail.test", {}},
        ScanCase{"FinalFullStopFails", "write to ann@mail.test.", {}},
        ScanCase{"HighByteEndsTheBackwardWalk", "jos\xE9@mail.test", {}},
        ScanCase{"BracketedQuad", "a@[10.0.0.1]", {"a@[10.0.0.1]"}}, ScanCase{"AtAlone", "@", {}},
        ScanCase{"TwoAtsFirst", "@@", {}}, ScanCase{"SecondAtEndedTheWalk", "x@@ab.test", {}},
        ScanCase{"ShortDomainThenAt", "a@b@cd.test", {}},
        ScanCase{"HighBytesAround",
                 "\x80\xFF"
                 "ann@mail.test\xE9\x81",
                 {"ann@mail.test"}},
        ScanCase{"Repeats", "ann@mail.test\nAnn@Mail.test\n", {"ann@mail.test", "Ann@Mail.test"}},
        ScanCase{"MailHeaders",
                 "From: \"Ann Lee\" <ann@mail.test>\r\nTo: bob@web.test, cy@x.test\r\n"
                 "Message-ID: <1234.5678@host.mail.test>\r\n\r\n> quoted ann@mail.test wrote",
                 {"ann@mail.test", "bob@web.test", "1234.5678@host.mail.test", "ann@mail.test"}},
        ScanCase{"NulBytesAround", std::string("\0ann@mail.test\0", 15), {"ann@mail.test"}}),
    [](const ::testing::TestParamInfo<ScanCase>& info) { return std::string(info.param.name); });

TEST(StreamScan, ReportsProgressAfterEveryCandidateAtThePositionOfTheNextSearch) {
  // Candidate 1's walk ends at the space (consumed); the next "@" is byte 16, so the
  // first report is at 17. The second walk ends at the end of the file, 19.
  const std::string bytes = "ann@mail.test xy@ab";
  const Seen seen = ScanWholeFile(bytes);
  EXPECT_EQ(seen.progress, (std::vector<std::uint64_t>{17, 19}));
  EXPECT_EQ(seen.addresses, std::vector<std::string>{"ann@mail.test"});
  // No "@": no report at all, so the progress bar stays at 0.
  EXPECT_TRUE(ScanWholeFile("nothing here").progress.empty());
}

TEST(StreamScan, EndsAtTheReportThatHandsBackTheAbortFlagAfterFinishingItsCandidate) {
  const std::string bytes = "a1@mail.test a2@mail.test a3@mail.test a4@mail.test";
  const Seen seen = ScanWholeFile(bytes, 2);
  EXPECT_EQ(seen.addresses, (std::vector<std::string>{"a1@mail.test", "a2@mail.test"}));
  EXPECT_EQ(seen.progress.size(), 2u);
  ExpectSameOnEveryReadingPath(bytes, seen, 2);
}

TEST(StreamScan, GivesTheWindowSystemItsTurnBetweenCandidates) {
  int passes = 0;
  InstallEventPump([&] { ++passes; });
  (void)ScanWholeFile("a1@mail.test a2@mail.test");
  InstallEventPump({});
  EXPECT_GE(passes, 1);
}

TEST(ScanFile, RefusesWhatIsNotARegularFileWithoutReadingOrReporting) {
  ScratchDir dir;
  const std::string fifo = dir.path + "/pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string socket = dir.path + "/socket";
  ASSERT_TRUE(tessaly::test::MakeSocket(socket));
  ::alarm(20);  // a blocking open of the FIFO would hang here for ever
  for (const std::string& path :
       {dir.path + "/missing", dir.path, fifo, socket, std::string("/dev/zero")}) {
    Seen seen;
    EXPECT_THROW(ScanFile(path, Recorder(seen)), EScanOpen) << path;
    EXPECT_EQ(seen, Seen{}) << path;
  }
  ::alarm(0);
  // The error says what could not be opened.
  try {
    ScanFile(dir.path + "/missing", {});
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("missing"), std::string::npos);
  }
}

// The stream scan's steps, written plainly over the whole input with the syntax checker
// itself: what the buffered scan with its running check must agree with.
std::vector<std::string> PlainStreamScan(std::string_view s) {
  using scan::In;
  std::vector<std::string> found;
  TMailParser parser;
  std::size_t pos = s.find('@');
  if (pos == 0) pos = s.find('@', 1);
  while (pos != std::string_view::npos) {
    std::size_t begin = pos;
    while (begin > 0 && In(scan::kLocalPartClass, s[begin - 1])) --begin;
    std::size_t end = pos + 1;
    while (end < s.size() && In(scan::kDomainClass, s[end])) ++end;
    const std::string_view candidate = s.substr(begin, end - begin);
    if (parser.CheckAddress(candidate)) found.emplace_back(candidate);
    pos = end >= s.size() ? std::string_view::npos : s.find('@', end + 1);
  }
  return found;
}

TEST(StreamScan, AgreesWithThePlainStepsOnRandomMailLikeBytes) {
  const std::vector<std::string> pieces = {"ann",
                                           "b",
                                           "@",
                                           ".",
                                           "-",
                                           "_",
                                           "+",
                                           " ",
                                           "\n",
                                           "<",
                                           ">",
                                           "\"",
                                           "mail",
                                           "test",
                                           "#",
                                           "[",
                                           "]",
                                           "1",
                                           "12",
                                           "1234",
                                           "x=y",
                                           "\xE9",
                                           std::string(1, '\0'),
                                           "[1.2.3.4]",
                                           "a@b.cd",
                                           "@@",
                                           ".."};
  std::mt19937 rng(11);
  for (int i = 0; i < 3000; ++i) {
    std::string bytes;
    for (int n = 1 + static_cast<int>(rng() % 40); n > 0; --n)
      bytes += pieces[rng() % pieces.size()];
    const std::vector<std::string> expected = PlainStreamScan(bytes);
    for (std::size_t size : {std::size_t{1}, std::size_t{2}, std::size_t{7}, bytes.size() + 1}) {
      const Seen seen = ScanMemory(bytes, size);
      ASSERT_EQ(seen.addresses, expected) << "buffer " << size << " over: " << bytes;
    }
  }
}

// A source that fails after a number of bytes, as a disk read error would.
class TFailingSource final : public TByteSource {
 public:
  TFailingSource(std::string bytes, std::size_t failAt)
      : bytes_(std::move(bytes)), failAt_(failAt) {}
  std::uint64_t Size() const override { return bytes_.size(); }
  std::size_t ReadAt(std::uint64_t offset, std::uint8_t* into, std::size_t length) override {
    if (offset + length > failAt_) throw EScanRead("Input/output error");
    std::memcpy(into, bytes_.data() + offset, length);
    return length;
  }

 private:
  std::string bytes_;
  std::size_t failAt_;
};

TEST(StreamScan, AReadErrorEndsTheScanQuietlyAndKeepsWhatWasFound) {
  const std::string bytes = "a1@mail.test " + std::string(100, 'x') + " a2@mail.test";
  TFailingSource source(bytes, 60);
  TLineStream stream(source, 16);
  Seen seen;
  EXPECT_NO_THROW(ScanStream(stream, Recorder(seen)));
  EXPECT_EQ(seen.addresses, std::vector<std::string>{"a1@mail.test"});
}

// Zeros, with a few texts planted at given offsets: a file of any size without the disk.
class TPlantedSource final : public TByteSource {
 public:
  struct Plant {
    std::uint64_t offset;
    std::string bytes;
  };
  TPlantedSource(std::uint64_t size, std::vector<Plant> plants, char filler = '\0')
      : size_(size), plants_(std::move(plants)), filler_(filler) {}
  std::uint64_t Size() const override { return size_; }
  std::size_t ReadAt(std::uint64_t offset, std::uint8_t* into, std::size_t length) override {
    if (offset >= size_) return 0;
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(length, size_ - offset));
    std::memset(into, filler_, n);
    for (const Plant& p : plants_) {
      const std::uint64_t from = std::max(offset, p.offset);
      const std::uint64_t to = std::min(offset + n, p.offset + p.bytes.size());
      if (from < to)
        std::memcpy(into + (from - offset), p.bytes.data() + (from - p.offset), to - from);
    }
    return n;
  }

 private:
  std::uint64_t size_;
  std::vector<Plant> plants_;
  char filler_;
};

TEST(StreamScan, ReadsFilesPastTwoAndFourGibibytesWhole) {
  constexpr std::uint64_t k2G = std::uint64_t{1} << 31, k4G = std::uint64_t{1} << 32;
  const std::uint64_t size = k4G + 4096;
  TPlantedSource source(
      size, {{k2G - 5, "ann@mail.test"}, {k4G - 3, "bob@mail.test"}, {size - 13, "cyd@mail.test"}});
  TLineStream stream(source);
  Seen seen;
  ScanStream(stream, Recorder(seen));
  EXPECT_EQ(seen.sizes, std::vector<std::uint64_t>{size});
  EXPECT_EQ(seen.addresses,
            (std::vector<std::string>{"ann@mail.test", "bob@mail.test", "cyd@mail.test"}));
  EXPECT_EQ(seen.progress, (std::vector<std::uint64_t>{k4G + 1, size - 9, size}));
}

// Peak resident memory of a body run in a child process, above what the child had at its
// start (Linux: clear_refs 5 resets the peak).
long PeakGrowthKiB(const std::function<void()>& body) {
  ScratchDir dir;
  const std::string out = dir.path + "/peak";
  const int rc = tessaly::test::InChildProcess([&] {
    auto status = [](const char* key) {
      std::ifstream in("/proc/self/status");
      std::string line;
      while (std::getline(in, line))
        if (line.rfind(key, 0) == 0) return std::stol(line.substr(std::strlen(key)));
      return -1L;
    };
    { std::ofstream("/proc/self/clear_refs") << "5"; }
    const long base = status("VmRSS:");
    body();
    std::ofstream(out) << (status("VmHWM:") - base);
    return 0;
  });
  if (rc != 0) return -1;
  return std::stol(tessaly::test::ReadFile(out));
}

TEST(ScanFile, ReadsATenGigabyteSparseFileToItsEndInFlatMemory) {
  ScratchDir dir;
  const std::string path = dir.path + "/sparse.bin";
  constexpr std::uint64_t kSize = std::uint64_t{10} << 30;
  { std::ofstream(path, std::ios::binary) << "first@mail.test "; }
  std::error_code ec;
  std::filesystem::resize_file(path, kSize, ec);
  if (ec) GTEST_SKIP() << "no room for a sparse file here: " << ec.message();
  {
    std::fstream f(path, std::ios::binary | std::ios::in | std::ios::out);
    f.seekp(static_cast<std::streamoff>(kSize / 2));
    f << " middle@mail.test ";
    f.seekp(static_cast<std::streamoff>(kSize - 15));
    f << " last@mail.test";
  }
  const long growth = PeakGrowthKiB([&] {
    Seen seen;
    ScanFile(path, Recorder(seen));
    // Every address, the size once, and progress up to the very end.
    if (seen.addresses !=
            std::vector<std::string>{"first@mail.test", "middle@mail.test", "last@mail.test"} ||
        seen.sizes != std::vector<std::uint64_t>{kSize} || seen.progress.size() != 3 ||
        seen.progress.back() != kSize)
      std::_Exit(3);
  });
  EXPECT_GE(growth, 0) << "the scan did not find what the file holds";
  EXPECT_LT(growth, 16 * 1024) << "KiB of peak growth";
}

TEST(StreamScan, ChecksAGibibyteRunOfAddressBytesInFlatMemory) {
  constexpr std::uint64_t kHalf = std::uint64_t{1} << 29;
  struct Run {
    const char* what;
    std::uint64_t size;
    std::vector<TPlantedSource::Plant> plants;
    std::string expectedStart;
  };
  const Run runs[] = {
      // 512 MiB of local part before the "@", 512 MiB of label after it.
      {"both walks long", 2 * kHalf, {{kHalf, "@"}, {2 * kHalf - 5, ".test"}}, "aaaa"},
      // The "@" at the very end of a 512 MiB run: one long walk backwards.
      {"backward walk long", kHalf + 8, {{kHalf, "@ab.test"}}, "aaaa"},
  };
  for (const Run& run : runs) {
    std::size_t count = 0, length = 0;
    std::string start;
    const long growth = PeakGrowthKiB([&] {
      TPlantedSource source(run.size, run.plants, 'a');
      TLineStream stream(source);
      THarvestEvents events;
      events.onScannedAddress = [&](std::string_view a) {
        ++count;
        length = a.size();
        start = std::string(a.substr(0, 4));
      };
      ScanStream(stream, events);
      if (count != 1 || length != kHeldCandidateLimit || start != run.expectedStart) ::_exit(3);
    });
    EXPECT_GE(growth, 0) << run.what << ": the candidate was not found whole";
    EXPECT_LT(growth, 16 * 1024) << run.what << ": KiB of peak growth";
  }
}

// --- The text scan ------------------------------------------------------------------------

struct Report {
  std::string email, name;
  int kind, ndx;
  void* sender;
  bool operator==(const Report&) const = default;
};

std::vector<std::string> TextScan(std::string_view text) {
  std::vector<std::string> found;
  ScanText(text, [&](void*, std::string_view e, std::string_view, std::uint8_t, int) {
    found.emplace_back(e);
  });
  return found;
}

TEST(ScanText, TakesWesternLettersIntoCandidatesAndStartsTheNextSearchAtTheEndByte) {
  struct Case {
    std::string text;
    std::vector<std::string> found;
  };
  const Case cases[] = {
      {"ann@mail.test@web.test", {"ann@mail.test", "mail.test@web.test"}},
      {"@a@bc.test", {"a@bc.test"}},
      {"jos\xE9@mail.test", {}},
      {"ann@mail.test\xE9", {}},  // the stream scan would stop before the 0xE9
      {"caf\xE9 ann@mail.test, bob@web.test.", {"ann@mail.test"}},
      {"a@bb.cc_dd@ee.test", {"a@bb.cc", "bb.cc_dd@ee.test"}},
      {"\xD7"
       "ann@mail.test\xF7",
       {"ann@mail.test"}},  // multiplication and division signs
      {"", {}},
      {"@", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(TextScan(c.text), c.found) << c.text;
}

TEST(ScanText, ReportsAsAddressAndNameWithTheKindBodyAndMessageZero) {
  std::vector<Report> reports;
  ScanText("Write to ann@mail.test.",
           [&](void* s, std::string_view e, std::string_view n, std::uint8_t k, int i) {
             reports.push_back({std::string(e), std::string(n), k, i, s});
           });
  // "ann@mail.test." fails: nothing. Then a passing one.
  EXPECT_TRUE(reports.empty());
  ScanText("Write to ann@mail.test now",
           [&](void* s, std::string_view e, std::string_view n, std::uint8_t k, int i) {
             reports.push_back({std::string(e), std::string(n), k, i, s});
           });
  EXPECT_EQ(reports, (std::vector<Report>{{"ann@mail.test", "ann@mail.test", akBody, 0, nullptr}}));
  EXPECT_NO_THROW(ScanText("ann@mail.test", TOnAddress{}));
}

}  // namespace
