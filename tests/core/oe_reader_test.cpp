// Reading folder files: candidates, message starts, block chains, events and their order,
// Stop, and files that cannot be read. Every case runs through memory and through a file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "dbx_blocks.h"
#include "oe5/UOEMessage.h"
#include "test_support.h"
#include "undbx_support.h"

using namespace tessaly;
using tessaly::test::MailText;
using tessaly::test::TBlockFile;

namespace {

// Everything the reader raises, in order, as short lines.
struct TLog {
  std::vector<std::string> events;
  std::vector<std::string> texts;
  std::optional<std::uint64_t> stopAt;

  void Attach(TOEMessage& oe) {
    oe.OnFileSize = [this](std::uint64_t size) {
      events.push_back("size " + std::to_string(size));
    };
    oe.onAddress = [this](void*, std::string_view email, std::string_view name, std::uint8_t kind,
                          int ndx) {
      std::string line = std::string(FieldTagFor(kind)) + " " + std::string(email);
      if (!name.empty()) line += " '" + std::string(name) + "'";
      events.push_back(line + " #" + std::to_string(ndx));
    };
    oe.OnGetMessage = [this](std::string_view text, int ndx) {
      texts.emplace_back(text);
      events.push_back("msg #" + std::to_string(ndx));
    };
    oe.OnProgressBar = [this](std::uint64_t at, bool& abort) {
      events.push_back("at " + std::to_string(at));
      if (stopAt && *stopAt == at) abort = true;
    };
  }
};

struct TRun {
  bool ok = false;
  TLog log;
};

TRun ReadMemory(const TBlockFile& file, std::optional<std::uint64_t> stopAt = {}) {
  TOEMessage oe;
  TRun run;
  run.log.stopAt = stopAt;
  run.log.Attach(oe);
  run.ok = oe.ReadFolderBytes(file.Span());
  return run;
}

TRun ReadPath(const std::string& path, std::optional<std::uint64_t> stopAt = {}) {
  TOEMessage oe;
  TRun run;
  run.log.stopAt = stopAt;
  run.log.Attach(oe);
  run.ok = oe.ReadFolderFile(path);
  return run;
}

// Reads through memory and through a file; both must raise the very same events.
TRun ReadBoth(const TBlockFile& file, std::optional<std::uint64_t> stopAt = {}) {
  const TRun memory = ReadMemory(file, stopAt);
  test::ScratchDir dir;
  const std::string path = dir.path + "/Inbox.dbx";
  test::WriteFile(path, file.bytes);
  const TRun disk = ReadPath(path, stopAt);
  EXPECT_EQ(memory.ok, disk.ok);
  EXPECT_EQ(memory.log.events, disk.log.events);
  EXPECT_EQ(memory.log.texts, disk.log.texts);
  return memory;
}

using Lines = std::vector<std::string>;

const std::string kToAnn = MailText("To: ann@one.example\r\n");
const std::string kToBob = MailText("To: Bob <bob@two.example>\r\n");

}  // namespace

TEST(ReadFolderFile, AnEmptyFileReportsSizeZeroThenTheEndAndSucceeds) {
  const TRun run = ReadBoth(TBlockFile{});
  EXPECT_TRUE(run.ok);
  EXPECT_EQ(run.log.events, (Lines{"size 0", "at 0"}));
}

TEST(ReadFolderFile, AFileWithoutBlocksReportsOnlyItsSizeAndEnd) {
  TBlockFile f;
  f.PutText(0, std::string(1001, 'x'));  // not a multiple of 4 either
  const TRun run = ReadBoth(f);
  EXPECT_TRUE(run.ok);
  EXPECT_EQ(run.log.events, (Lines{"size 1001", "at 1001"}));
}

TEST(MessageStart, IsANameOfLettersDigitsSpacesAndHyphensThenColonSpace) {
  struct Case {
    std::string text;
    bool start;
  };
  const std::vector<Case> cases = {
      {"Received: from x", true},
      {"X-Mailer: Mail 5", true},
      {"Content-Type: text/plain", true},
      {": nothing before", true},
      {"Two words: too", true},
      {std::string(78, 'a') + ": x", true},   // 80 bytes looked at
      {std::string(79, 'a') + ": x", false},  // the space lies past them
      {std::string(80, 'a') + ": x", false},
      {"From ann@one.example Mon", false},
      {"Subject:no space", false},
      {"Received:\r\n", false},
      {"A:", false},
      {"", false},
      {std::string("\x01To: x"), false},
  };
  for (const Case& c : cases) {
    const std::span<const std::uint8_t> bytes{reinterpret_cast<const std::uint8_t*>(c.text.data()),
                                              c.text.size()};
    EXPECT_EQ(IsMessageStart(bytes), c.start) << c.text;
  }
}

TEST(ReadFolderFile, RaisesEachMessagesAddressesThenTheMessageThenItsOffset) {
  TBlockFile f;
  // Offset 0 is a candidate like any other when its word is 0.
  f.Message(0, kToAnn);
  f.Message(0x800, MailText("From: Cy <cy@three.example>\r\nTo: bob@two.example, "
                            "dee@four.example\r\n"));
  f.PadTo(0x1000);
  const TRun run = ReadBoth(f);
  EXPECT_TRUE(run.ok);
  EXPECT_EQ(run.log.events, (Lines{"size 4096", "TO ann@one.example #1", "msg #1", "at 0",
                                   "FROM cy@three.example 'Cy' #2", "TO dee@four.example #2",
                                   "TO bob@two.example #2", "msg #2", "at 2048", "at 4096"}));
}

TEST(ReadFolderFile, PassesOverAStartWithBodySize508ButCountsIt) {
  TBlockFile f;
  f.Block(0x100, static_cast<std::uint32_t>(kToAnn.size()), 0, kToAnn, 508);
  f.Message(0x400, kToBob);
  const TRun run = ReadBoth(f);
  EXPECT_EQ(run.log.events,
            (Lines{"size " + std::to_string(f.bytes.size()), "TO bob@two.example 'Bob' #2",
                   "msg #2", "at 1024", "at " + std::to_string(f.bytes.size())}));
}

TEST(ReadFolderFile, TakesTheTextOfAReplacementBlockForALongFirstBlock) {
  constexpr std::uint32_t P = 0x1000, K = 65536;
  TBlockFile f;
  f.Block(P, 600, 0, "X-Stale: first block with too much text\r\n");
  // One stride on is never probed, although its word is its own offset.
  f.Block(P + K, 5, 0, "zzzzz");
  // Two strides on: again too long, so the search goes on from there.
  f.Block(P + 2 * K, 700, 0, "qqq");
  f.Block(P + 4 * K, static_cast<std::uint32_t>(kToAnn.size()), 0, kToAnn);
  const TRun run = ReadBoth(f);
  ASSERT_EQ(run.log.texts.size(), 2u);
  EXPECT_EQ(run.log.texts[0], kToAnn);
  // The message is reported at its start, not where its text was found; the replacement
  // block, a message start itself, follows under its own number.
  EXPECT_EQ(run.log.events,
            (Lines{"size " + std::to_string(f.bytes.size()), "TO ann@one.example #1", "msg #1",
                   "at " + std::to_string(P), "TO ann@one.example #2", "msg #2",
                   "at " + std::to_string(P + 4 * K), "at " + std::to_string(f.bytes.size())}));
}

TEST(ReadFolderFile, AReplacementSearchThatFindsNothingPassesOverThatStartOnly) {
  TBlockFile f;
  f.Block(0x100, 600, 0, "X-Lost: replacement missing\r\n");
  f.Message(0x800, kToBob);
  f.PadTo(5 * 65536);
  const TRun run = ReadBoth(f);
  EXPECT_TRUE(run.ok);
  EXPECT_EQ(run.log.events,
            (Lines{"size " + std::to_string(f.bytes.size()), "TO bob@two.example 'Bob' #2",
                   "msg #2", "at 2048", "at " + std::to_string(f.bytes.size())}));
}

TEST(ReadMessage, EndsEveryBrokenChainWithTheTextGatheredSoFar) {
  const std::string head = MailText("To: ann@one.example\r\n", "");
  struct Case {
    const char* what;
    std::function<void(TBlockFile&)> build;
    std::string text;
  };
  const std::vector<Case> cases = {
      {"next block beyond the end",
       [&](TBlockFile& f) {
         f.Block(0x100, static_cast<std::uint32_t>(head.size()), 0x7FFFFF00, head);
         f.PadTo(0x400);
       },
       head},
      {"next block is the block itself",
       [&](TBlockFile& f) {
         f.Block(0x100, static_cast<std::uint32_t>(head.size()), 0x100, head);
         f.PadTo(0x400);
       },
       head},
      {"two blocks pointing at each other",
       [&](TBlockFile& f) {
         f.Block(0x100, static_cast<std::uint32_t>(head.size()), 0x300, head);
         f.Block(0x300, 4, 0x100, "B1\r\n");
       },
       head + "B1\r\n"},
      {"a chain that comes back to an earlier block",
       [&](TBlockFile& f) {
         f.Block(0x100, static_cast<std::uint32_t>(head.size()), 0x300, head);
         f.Block(0x300, 4, 0x500, "B1\r\n");
         f.Block(0x500, 4, 0x300, "B2\r\n");
       },
       head + "B1\r\nB2\r\n"},
      {"a chain stepping back to a new block, then to an old one",
       [&](TBlockFile& f) {
         f.Block(0x100, static_cast<std::uint32_t>(head.size()), 0x500, head);
         f.Block(0x500, 4, 0x300, "B1\r\n");
         f.Block(0x300, 4, 0x600, "B2\r\n");
         f.Block(0x600, 4, 0x500, "B3\r\n");
       },
       head + "B1\r\nB2\r\nB3\r\n"},
      {"a block whose own-offset word is not its place",
       [&](TBlockFile& f) {
         f.Block(0x100, static_cast<std::uint32_t>(head.size()), 0x300, head);
         f.Block(0x300, 4, 0x700, "B1\r\n", 512, 0x700);  // next equals its own-offset word
         f.Block(0x700, 4, 0, "B2\r\n");
       },
       head + "B1\r\n"},
      {"last text running past the end",
       [&](TBlockFile& f) {
         f.Block(0x100, static_cast<std::uint32_t>(head.size()), 0x300, head);
         f.Block(0x300, 400, 0, "tail");
       },
       head + "tail"},
      {"next block header cut by the end",
       [&](TBlockFile& f) {
         f.Block(0x100, static_cast<std::uint32_t>(head.size()), 0x300, head);
         f.PadTo(0x308);
       },
       head},
      {"text of zero length after the first block",
       [&](TBlockFile& f) {
         f.Block(0x100, static_cast<std::uint32_t>(head.size()), 0x300, head);
         f.Block(0x300, 0, 0x400, "");
         f.Block(0x400, 4, 0, "B2\r\n");
       },
       head},
  };
  for (const Case& c : cases) {
    TBlockFile f;
    c.build(f);
    const TRun run = ReadBoth(f);
    EXPECT_TRUE(run.ok) << c.what;
    ASSERT_FALSE(run.log.texts.empty()) << c.what;
    EXPECT_EQ(run.log.texts[0], c.text) << c.what;
  }
}

TEST(ReadMessage, NeverGathersMoreTextThanTheFileHolds) {
  // Distinct blocks whose texts overlap could otherwise repeat bytes at will.
  const std::string head = MailText("To: ann@one.example\r\n", "");
  TBlockFile f;
  f.Block(0x100, static_cast<std::uint32_t>(head.size()), 0x200, head);
  for (std::uint32_t at = 0x200; at < 0x1000; at += 0x100)
    f.Block(at, 0xFFFFFF00u, at + 0x100 < 0x1000 ? at + 0x100 : 0x200, "x");
  f.PadTo(0x1000);
  const TRun run = ReadBoth(f);
  ASSERT_FALSE(run.log.texts.empty());
  EXPECT_LE(run.log.texts[0].size(), f.bytes.size());
}

TEST(ReadMessage, AFirstBlockWithoutTextIsRejected) {
  TBlockFile f;
  f.Block(0x100, 0, 0x300, "To: x");
  f.Message(0x300, kToAnn);
  const TRun run = ReadBoth(f);
  // The empty start takes number 1; the block it points at is read on its own as #2.
  EXPECT_EQ(run.log.events,
            (Lines{"size " + std::to_string(f.bytes.size()), "TO ann@one.example #2", "msg #2",
                   "at 768", "at " + std::to_string(f.bytes.size())}));
}

TEST(ReadFolderFile, ALaterBlockThatLooksLikeAHeaderIsACandidateOfItsOwn) {
  const std::string forwarded = "From: Eve <eve@five.example>\r\nTo: fwd@six.example\r\n\r\nHi\r\n";
  std::string text = MailText("To: ann@one.example\r\n", std::string(512, '.'));
  text.resize(512 - 52);  // the first block ends inside the body
  text += std::string(52, '.');
  text += forwarded;
  TBlockFile f;
  f.Message(0x100, text);
  const TRun run = ReadBoth(f);
  EXPECT_EQ(run.log.events,
            (Lines{"size " + std::to_string(f.bytes.size()), "TO ann@one.example #1", "msg #1",
                   "at 256", "FROM eve@five.example 'Eve' #2", "TO fwd@six.example #2", "msg #2",
                   "at " + std::to_string(0x100 + 528), "at " + std::to_string(f.bytes.size())}));

  // A part header in a later block starts a candidate that has no To, so it is dropped.
  std::string part = MailText("To: ann@one.example\r\n", std::string(600, '-'));
  part.replace(512, 30, "Content-Type: text/plain\r\n\r\n.");
  TBlockFile g;
  g.Message(0x100, part);
  const TRun partRun = ReadBoth(g);
  EXPECT_EQ(partRun.log.texts.size(), 1u);
}

TEST(ReadFolderFile, StopEndsTheScanAtTheAcceptedMessageWithoutTheClosingReport) {
  TBlockFile f;
  f.Message(0x100, kToAnn);
  f.Message(0x400, kToBob);
  const TRun run = ReadBoth(f, 0x100);
  EXPECT_TRUE(run.ok);
  EXPECT_EQ(run.log.events, (Lines{"size " + std::to_string(f.bytes.size()),
                                   "TO ann@one.example #1", "msg #1", "at 256"}));
  // The next read starts with the flag cleared.
  TOEMessage oe;
  bool first = true;
  oe.OnProgressBar = [&](std::uint64_t, bool& abort) {
    abort = first;
    first = false;
  };
  EXPECT_TRUE(oe.ReadFolderBytes(f.Span()));
  EXPECT_TRUE(oe.Aborted());
  oe.OnProgressBar = nullptr;
  EXPECT_TRUE(oe.ReadFolderBytes(f.Span()));
  EXPECT_FALSE(oe.Aborted());
  EXPECT_EQ(oe.MessageNumber(), 2);
}

TEST(ReadFolderFile, AFailingSizeProgressOrMessageHandlerFailsTheFile) {
  TBlockFile f;
  f.Message(0x100, kToAnn);
  f.Message(0x400, kToBob);
  for (int failing = 0; failing < 3; ++failing) {
    TOEMessage oe;
    TLog log;
    log.Attach(oe);
    auto boom = [] { throw std::runtime_error("handler failed"); };
    if (failing == 0) oe.OnFileSize = [&](std::uint64_t) { boom(); };
    if (failing == 1) oe.OnProgressBar = [&](std::uint64_t, bool&) { boom(); };
    if (failing == 2) oe.OnGetMessage = [&](std::string_view, int) { boom(); };
    EXPECT_FALSE(oe.ReadFolderBytes(f.Span())) << failing;
    // No closing report after a failure, and nothing past the failing message.
    for (const std::string& e : log.events) EXPECT_NE(e, "TO bob@two.example 'Bob' #2") << failing;
  }
  // A failing address handler costs only that address.
  TOEMessage oe;
  int messages = 0;
  oe.onAddress = [](void*, std::string_view, std::string_view, std::uint8_t, int) {
    throw std::runtime_error("sink failed");
  };
  oe.OnGetMessage = [&](std::string_view, int) { ++messages; };
  EXPECT_TRUE(oe.ReadFolderBytes(f.Span()));
  EXPECT_EQ(messages, 2);
}

TEST(ReadFolderFile, AFileInUseMissingOrNoFileAtAllIsRefusedWithoutEvents) {
  test::ScratchDir dir;
  TBlockFile f;
  f.Message(0x100, kToAnn);
  const std::string path = dir.path + "/Inbox.dbx";
  test::WriteFile(path, f.bytes);

  const int holder = ::open(path.c_str(), O_RDONLY);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(::flock(holder, LOCK_EX), 0);  // the mail program has it open
  TRun inUse = ReadPath(path);
  EXPECT_FALSE(inUse.ok);
  EXPECT_TRUE(inUse.log.events.empty());
  ::close(holder);
  EXPECT_TRUE(ReadPath(path).ok);

  for (const std::string& bad : {dir.path + "/Missing.dbx", dir.path}) {
    const TRun run = ReadPath(bad);
    EXPECT_FALSE(run.ok) << bad;
    EXPECT_TRUE(run.log.events.empty()) << bad;
  }

  // 2 GiB and more cannot be addressed by the blocks' 32-bit offsets.
  const std::string huge = dir.path + "/Huge.dbx";
  test::WriteFile(huge, "");
  std::filesystem::resize_file(huge, 1ull << 31);
  const TRun big = ReadPath(huge);
  EXPECT_FALSE(big.ok);
  EXPECT_TRUE(big.log.events.empty());
}

TEST(ReadFolderFile, ReadsTheSameFromAFileLargerThanItsReadWindows) {
  // Messages sit across the boundaries of the file reader's windows, and one message is
  // longer than its small window, so every reading path of the file is taken.
  TBlockFile f;
  std::uint32_t at = 0x100;
  int n = 0;
  while (at < 9u * 1024 * 1024) {
    const std::string who = "u" + std::to_string(n) + "@example.org";
    std::string body(n % 7 == 0 ? 70000 : 900 + (n % 5) * 300, 'b');
    if (n % 11 == 0) body = std::string(3000, 'c') + "\r\nFrom: " + who + "\r\n";
    at = f.Message(at, MailText("To: " + who + "\r\n", body)) + 4 * (n % 3);
    ++n;
  }
  const TRun run = ReadBoth(f);
  EXPECT_TRUE(run.ok);
  EXPECT_GE(run.log.texts.size(), static_cast<std::size_t>(n));
}

namespace {

std::uint32_t Word(const std::string& b, std::uint64_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
  return v;
}

// The plain reading: every message start walks its whole chain and the whole text is
// parsed. The reader takes shortcuts; it must raise exactly what this raises.
Lines PlainReading(const std::string& b) {
  Lines events;
  TOEMessage parser;
  parser.onAddress = [&](void*, std::string_view email, std::string_view name, std::uint8_t kind,
                         int ndx) {
    std::string line = std::string(FieldTagFor(kind)) + " " + std::string(email);
    if (!name.empty()) line += " '" + std::string(name) + "'";
    events.push_back(line + " #" + std::to_string(ndx));
  };
  const std::uint64_t size = b.size();
  events.push_back("size " + std::to_string(size));
  int n = 0;
  for (std::uint64_t p = 0; p + 4 <= size; p += 4) {
    if (Word(b, p) != p) continue;
    const std::string_view rest = std::string_view(b).substr(std::min<std::uint64_t>(p + 16, size));
    if (!IsMessageStart({reinterpret_cast<const std::uint8_t*>(rest.data()), rest.size()}))
      continue;
    ++n;
    if (Word(b, p + 4) == 508) continue;
    EXPECT_LE(Word(b, p + 8), 512u) << "no replacement blocks here";
    std::string text;
    std::set<std::uint64_t> seen{p};
    for (std::uint64_t at = p;;) {
      const std::uint32_t length = Word(b, at + 8), next = Word(b, at + 12);
      if (length == 0) break;
      const std::uint64_t from = std::min<std::uint64_t>(at + 16, size);
      text += b.substr(from, std::min<std::uint64_t>({length, size - from, size - text.size()}));
      if (text.size() >= size || next == 0 || next >= size || next == Word(b, at)) break;
      if (!seen.insert(next).second || next + 16 > size) break;
      at = next;
    }
    if (parser.ParseHeader(text, n)) {
      events.push_back("msg #" + std::to_string(n));
      events.push_back("at " + std::to_string(p));
    }
  }
  events.push_back("at " + std::to_string(size));
  return events;
}

TBlockFile Chained(const std::string& text, std::uint32_t at = 0x100) {
  TBlockFile f;
  f.Message(at, text);
  return f;
}

}  // namespace

TEST(ReadFolderFile, RaisesWhatThePlainReadingOfEveryChainRaises) {
  std::vector<std::pair<std::string, std::string>> files;
  // A big log attachment without empty lines: many of its blocks pass the start test and
  // share the message's tail.
  std::string log = MailText("To: ann@one.example\r\nContent-Type: multipart/mixed\r\n",
                             "see the log\r\n--b\r\nContent-Type: text/plain\r\n\r\n");
  for (int i = 0; log.size() < (600u << 10); ++i)
    log += "2003-05-01 12:00 srv app: INFO: connection " + std::to_string(i) + " from host\r\n";
  log += "--b\r\nContent-Type: text/plain\r\n\r\nFrom: tail@x.example\r\nTo: end@x.example\r\n";
  files.emplace_back("log attachment", Chained(log).bytes);
  // A header line cut at a block boundary that leaves "From:" at a block's start: that
  // block's own From counts only while no From line follows in its text.
  for (const std::string& after : {std::string(""), std::string("\r\nFrom: later@x.example")}) {
    std::string text = "Received: from a\r\nTo: ann@one.example\r\nX-Pad: ";
    text += std::string(512 - text.size() - 2, 'p') + "\r\n";
    text += "From: Frag <frag@x.example>\r\nBcc: hidden@x.example\r\n\r\nbody" + after + "\r\n";
    files.emplace_back("From at a block start" + after, Chained(text).bytes);
  }
  const std::string folder = test::FixtureFolder();
  if (!folder.empty()) {
    for (const char* name : {"oe6_xp_28_messages.dbx", "one_live_one_stale.dbx"})
      files.emplace_back(name, test::ReadFile(folder + "/" + name));
  }
  for (const auto& [what, bytes] : files) {
    TOEMessage oe;
    TLog log;
    log.Attach(oe);
    oe.OnGetMessage = [&](std::string_view, int ndx) {
      log.events.push_back("msg #" + std::to_string(ndx));
    };
    EXPECT_TRUE(
        oe.ReadFolderBytes({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}));
    EXPECT_EQ(log.events, PlainReading(bytes)) << what;
    const bool fragmentTaken = std::find(log.events.begin(), log.events.end(),
                                         "FROM frag@x.example 'Frag' #2") != log.events.end();
    if (what.rfind("From at a block start", 0) == 0) {
      EXPECT_EQ(fragmentTaken, what == "From at a block start") << what;
    }
  }
}
