// The Outlook reader over a mailbox held in memory: opening the session, the folder list
// and its paths, the reports of one message under every option, the fallback through the
// header lines, and the walk of a folder with its failures and Stop.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "outlook/MemoryMailbox.h"
#include "outlook/UOutlook.h"

using namespace tessaly;
using namespace tessaly::mailbox;

namespace {

// Every report as "KIND address|name"; the sender and message number are checked apart.
struct TRecorder {
  std::vector<std::string> reports;
  std::vector<const void*> senders;
  std::vector<int> ndxs;
  TOnAddress Handler() {
    return [this](void* sender, std::string_view email, std::string_view name, std::uint8_t kind,
                  int ndx) {
      reports.push_back(std::string(FieldTagFor(kind)) + " " + std::string(email) + "|" +
                        std::string(name));
      senders.push_back(sender);
      ndxs.push_back(ndx);
    };
  }
};

// Stands in for the text scan: every word holding "@" is an address.
void FakeBodyScan(std::string_view text, const TOnAddress& onAddress) {
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && static_cast<unsigned char>(text[i]) <= 32) ++i;
    std::size_t j = i;
    while (j < text.size() && static_cast<unsigned char>(text[j]) > 32) ++j;
    const std::string_view word = text.substr(i, j - i);
    if (word.find('@') != std::string_view::npos) onAddress(nullptr, word, word, akBody, 7);
    i = j;
  }
}

TMemoryMessage Message(std::string text, TAddressEntry sender,
                       std::vector<TAddressEntry> recipients = {}) {
  TMemoryMessage m;
  m.text = std::move(text);
  m.sender = std::move(sender);
  m.recipients = std::move(recipients);
  return m;
}

// A reader over a one-store mailbox with one folder "Inbox" holding the given messages.
struct TOneFolder {
  std::shared_ptr<TMemoryMailSystem> system = std::make_shared<TMemoryMailSystem>();
  TMemoryFolder& inbox;
  std::unique_ptr<TOutlook> reader;
  TRecorder recorder;
  explicit TOneFolder(std::vector<TMemoryMessage> messages = {})
      : inbox(system->AddStore("Personal Folders").AddFolder("Inbox")) {
    for (auto& m : messages) inbox.AddMessage(std::move(m));
  }
  TOutlook& Reader() {
    if (!reader) {
      reader = std::make_unique<TOutlook>(system);
      reader->onAddress = recorder.Handler();
      reader->BodyScan = FakeBodyScan;
    }
    return *reader;
  }
  bool Read() { return Reader().ReadFolder("\tInbox"); }
};

}  // namespace

TEST(OutlookFolderList, ListsEveryFolderDepthFirstWithItsTabPath) {
  auto system = std::make_shared<TMemoryMailSystem>();
  auto& store = system->AddStore("Personal Folders");
  store.AddFolder("Inbox").AddFolder("Work");
  store.AddFolder("Sent Items");
  system->AddStore("Archive");  // no subfolders
  TOutlook reader(system);
  ASSERT_TRUE(reader.MapiPresent && reader.CdoPresent);
  EXPECT_EQ(reader.TopFolderNames(), (std::vector<std::string>{"Personal Folders", "Archive"}));

  std::vector<TOutlookFolderEntry> list{{"stale", "\tstale"}};
  reader.ListFolders(list);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].DisplayText, "Inbox");
  EXPECT_EQ(list[0].Path, "\tInbox");
  EXPECT_EQ(list[1].DisplayText, "Inbox | Work");
  EXPECT_EQ(list[1].Path, "\tInbox\tWork");
  EXPECT_EQ(list[2].DisplayText, "Sent Items");
  EXPECT_EQ(list[2].Path, "\tSent Items");

  reader.SelectFolder(1);
  reader.ListFolders(list);
  EXPECT_TRUE(list.empty());
}

TEST(OutlookFolderList, AFolderThatCannotBeNamedEndsOnlyItsParentsListing) {
  auto system = std::make_shared<TMemoryMailSystem>();
  auto& store = system->AddStore("S");
  auto& a = store.AddFolder("A");
  a.AddFolder("A1");
  a.AddFolder("A2").nameFails = true;
  a.AddFolder("A3");
  store.AddFolder("B").AddFolder("B1");
  TOutlook reader(system);
  std::vector<TOutlookFolderEntry> list;
  reader.ListFolders(list);
  std::vector<std::string> shown;
  for (const auto& e : list) shown.push_back(e.DisplayText);
  EXPECT_EQ(shown, (std::vector<std::string>{"A", "A | A1", "B", "B | B1"}));
}

TEST(OutlookSession, OpeningOutcomesSetThePresenceFlags) {
  struct Case {
    const char* what;
    void (*breakIt)(TMemoryMailSystem&);
    bool mapi, cdo;
    std::vector<std::string> names;
    bool selected;
  };
  const Case cases[] = {
      {"all well", [](TMemoryMailSystem&) {}, true, true, {"One", "Two"}, true},
      {"no session", [](TMemoryMailSystem& s) { s.sessionFails = true; }, true, false, {}, false},
      {"logon refused", [](TMemoryMailSystem& s) { s.logonFails = true; }, true, false, {}, false},
      {"no namespace",
       [](TMemoryMailSystem& s) { s.namespaceFails = true; },
       true,
       false,
       {},
       false},
      {"no mail program",
       [](TMemoryMailSystem& s) { s.applicationMissing = true; },
       false,
       false,
       {},
       false},
      {"top folders not countable",
       [](TMemoryMailSystem& s) { s.folderCountFails = true; },
       true,
       true,
       {},
       false},
      {"second name unreadable",
       [](TMemoryMailSystem& s) { s.folderNameFailsAt = 2; },
       true,
       true,
       {"One"},
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto system = std::make_shared<TMemoryMailSystem>();
    system->AddStore("One").AddFolder("Inbox");
    system->AddStore("Two");
    c.breakIt(*system);
    {
      TOutlook reader(system);
      EXPECT_EQ(reader.MapiPresent, c.mapi);
      EXPECT_EQ(reader.CdoPresent, c.cdo);
      EXPECT_EQ(reader.TopFolderNames(), c.names);
      std::vector<TOutlookFolderEntry> list;
      reader.ListFolders(list);
      EXPECT_EQ(list.size(), c.selected ? 1u : 0u);
      EXPECT_EQ(reader.ReadFolder("\tInbox"), c.selected);
    }
    // The session is logged off at the end only when it was open.
    EXPECT_EQ(system->logoffs, c.cdo ? 1 : 0);
  }
}

TEST(OutlookSession, ABadTopFolderIndexIsKeptButLeavesTheSelectedFolder) {
  auto system = std::make_shared<TMemoryMailSystem>();
  system->AddStore("One").AddFolder("Inbox");
  TOutlook reader(system);
  EXPECT_THROW(reader.SelectFolder(1), std::out_of_range);
  EXPECT_EQ(reader.SelectedIndex(), 1);
  EXPECT_THROW(reader.SelectFolder(-1), std::out_of_range);
  EXPECT_EQ(reader.SelectedIndex(), -1);
  std::vector<TOutlookFolderEntry> list;
  reader.ListFolders(list);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].DisplayText, "Inbox");
}

TEST(StripMarks, RemovesBlanksThenOneMarkAtEachEnd) {
  struct Case {
    const char* in;
    const char* out;
  };
  for (const Case& c :
       {Case{"[x]]", "x]"}, Case{"'", ""}, Case{"<a@b.c>", "a@b.c"}, Case{"  \"Ann\" \t", "Ann"},
        Case{"''x''", "'x'"}, Case{"\x01<y", "y"}, Case{"plain", "plain"}, Case{"", ""},
        Case{" < z > ", " z "}, Case{"\"", ""}, Case{"<>", ""}}) {
    EXPECT_EQ(StripMarks(c.in), c.out) << "[" << c.in << "]";
  }
}

TEST(OutlookMessage, TheSenderComesOutWithoutItsAngleBracketsAndTheNameUnchanged) {
  TOneFolder f({Message("Hi", {"<desk@shop.test>", "Sales Desk"})});
  ASSERT_TRUE(f.Read());
  EXPECT_EQ(f.recorder.reports, (std::vector<std::string>{"FROM desk@shop.test|Sales Desk"}));
}

TEST(OutlookMessage, ANormalReadGivesTheSenderThenEveryRecipientAsTo) {
  TOneFolder f({Message(
      "Subject: x\r\n\r\nHello", {"ann@x.test", "Ann"},
      {{"bob@x.test", "Bob"}, {"'carl@x.test'", "'carl@x.test'"}, {"dora@x.test", "Dora (Cc)"}})});
  ASSERT_TRUE(f.Read());
  EXPECT_EQ(f.recorder.reports,
            (std::vector<std::string>{"FROM ann@x.test|Ann", "TO bob@x.test|Bob",
                                      "TO carl@x.test|carl@x.test", "TO dora@x.test|Dora (Cc)"}));
  for (const void* sender : f.recorder.senders) EXPECT_EQ(sender, f.reader.get());
  for (int ndx : f.recorder.ndxs) EXPECT_EQ(ndx, 0);
}

TEST(OutlookMessage, TheOptionsChooseWhichFieldsAreReported) {
  struct Case {
    bool body, to, from;
    std::vector<std::string> reports;
  };
  const Case cases[] = {
      {false, true, true, {"FROM ann@x.test|Ann", "TO bob@x.test|Bob"}},
      {false, false, true, {"FROM ann@x.test|Ann"}},
      {false, true, false, {"TO bob@x.test|Bob"}},
      {true, false, false, {"BODY body@x.test|body@x.test"}},
      {true,
       true,
       true,
       {"FROM ann@x.test|Ann", "TO bob@x.test|Bob", "BODY body@x.test|body@x.test"}},
      {false, false, false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "body " << c.body << " to " << c.to << " from " << c.from);
    TOneFolder f({Message("Hello\r\n\r\nwrite to body@x.test", {"ann@x.test", "Ann"},
                          {{"bob@x.test", "Bob"}})});
    f.Reader().BodyOption = c.body;
    f.Reader().ToOption = c.to;
    f.Reader().FromOption = c.from;
    ASSERT_TRUE(f.Read());
    EXPECT_EQ(f.recorder.reports, c.reports);
  }
}

TEST(OutlookMessage, TheBodyScanSeesTheTextAfterTheFirstSeparatorsFirstCharacter) {
  struct Case {
    const char* what;
    std::string text;
    bool scanned;
    std::string bodyPart;
  };
  const Case cases[] = {
      {"CR LF CR LF", "Hello\r\n\r\nbob@x.test", true, "\n\r\nbob@x.test"},
      {"CR CR", "Hello\r\rbob@x.test", true, "\rbob@x.test"},
      {"LF LF", "Hello\n\nbob@x.test", true, "\nbob@x.test"},
      {"CR LF CR LF wins over an earlier LF LF", "a\n\nb\r\n\r\nc", true, "\n\r\nc"},
      {"no separator", "bob@x.test", false, ""},
      {"one line break only", "Hello\r\nbob@x.test", false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TOneFolder f({Message(c.text, {})});
    std::vector<std::string> seen;
    f.Reader().BodyOption = true;
    f.Reader().BodyScan = [&](std::string_view text, const TOnAddress& onAddress) {
      seen.emplace_back(text);
      FakeBodyScan(text, onAddress);
    };
    ASSERT_TRUE(f.Read());
    ASSERT_EQ(seen.size(), c.scanned ? 1u : 0u);
    if (c.scanned) {
      EXPECT_EQ(seen[0], c.bodyPart);
    }
  }
  // One greeting line, an empty line and one address: reported as address and name.
  TOneFolder f({Message("Hi there\r\n\r\nann@x.test\r\n", {})});
  f.Reader().BodyOption = true;
  ASSERT_TRUE(f.Read());
  EXPECT_EQ(f.recorder.reports, (std::vector<std::string>{"BODY ann@x.test|ann@x.test"}));
  EXPECT_EQ(f.recorder.senders, (std::vector<const void*>{f.reader.get()}));
  EXPECT_EQ(f.recorder.ndxs, (std::vector<int>{0}));
}

TEST(OutlookMessage, TheBodyPartStopsAtTwoMillionCharacters) {
  std::string text = "Hi\r\n\r\n" + std::string(TOutlook::kMaxBodyPart + 100, 'x');
  TOneFolder f({Message(text, {})});
  std::size_t seen = 0;
  f.Reader().BodyOption = true;
  f.Reader().BodyScan = [&](std::string_view t, const TOnAddress&) { seen = t.size(); };
  ASSERT_TRUE(f.Read());
  EXPECT_EQ(seen, TOutlook::kMaxBodyPart);
}

TEST(OutlookMessage, ASenderThatCannotBeReadFallsBackToTheHeaderLines) {
  const std::string text =
      "From: Ann Smith <ann@x.test>\r\n"
      "To: bob@x.test, \"Carl Jones\" <carl@x.test>\r\n"
      "Cc: =?UTF-8?Q?Dora_M=C3=BCller?= <dora@x.test>\r\n"
      "Subject: fallback\r\n"
      "\r\n"
      "To: notaheader@x.test\r\n";
  for (bool toOption : {true, false}) {
    SCOPED_TRACE(toOption ? "To on" : "To off");
    TMemoryMessage m = Message(text, {"table@x.test", "Table"}, {{"recipient@x.test", "R"}});
    m.senderFails = true;
    TOneFolder f({m});
    f.Reader().ToOption = toOption;
    ASSERT_TRUE(f.Read());
    std::vector<std::string> expected{"FROM ann@x.test|Ann Smith"};
    if (toOption) {
      expected.push_back("TO bob@x.test|");
      expected.push_back("TO carl@x.test|Carl Jones");
    }
    expected.push_back("CC dora@x.test|Dora M\xC3\xBCller");
    EXPECT_EQ(f.recorder.reports, expected);
  }
}

TEST(OutlookMessage, TheFallbackTakesNoHeaderLinesFromBeyondTheSeparator) {
  // Far into a long body, past what the header block could ever reach.
  const std::string text = "From: ann@x.test\r\n\r\n" + std::string(TOutlook::kMaxBodyPart, 'x') +
                           "\r\nTo: tail@x.test\r\n\r\n";
  TMemoryMessage m = Message(text, {});
  m.senderFails = true;
  TOneFolder f({m});
  ASSERT_TRUE(f.Read());
  EXPECT_EQ(f.recorder.reports, (std::vector<std::string>{"FROM ann@x.test|"}));
}

TEST(OutlookMessage, ATextThatCannotBeReadCostsTheTextAlone) {
  TMemoryMessage broken =
      Message("Hi\r\n\r\nbody@x.test", {"ann@x.test", "Ann"}, {{"bob@x.test", "Bob"}});
  broken.textFails = true;
  TMemoryMessage nothing = Message("From: carl@x.test\r\n\r\n", {});
  nothing.textFails = true;
  nothing.senderFails = true;  // with neither, there is nothing to report
  TOneFolder f({broken, nothing, Message("", {"next@x.test", "Next"})});
  f.Reader().BodyOption = true;
  std::vector<std::uint64_t> progress;
  f.Reader().OnProgressBar = [&](std::uint64_t p, bool&) { progress.push_back(p); };
  ASSERT_TRUE(f.Read());
  EXPECT_EQ(f.recorder.reports,
            (std::vector<std::string>{"FROM ann@x.test|Ann", "TO bob@x.test|Bob",
                                      "FROM next@x.test|Next"}));
  EXPECT_EQ(progress, (std::vector<std::uint64_t>{1, 2, 3}));
}

TEST(OutlookMessage, RecipientsThatFailCostOnlyThemselves) {
  TMemoryMessage one = Message("Hi\r\n\r\nbody@x.test", {"ann@x.test", "Ann"},
                               {{"a@x.test", "A"}, {"b@x.test", "B"}, {"c@x.test", "C"}});
  one.failingRecipients = {2};
  TMemoryMessage all = Message("Hi\r\n\r\nbody2@x.test", {"dan@x.test", "Dan"});
  all.recipientsFail = true;
  TOneFolder f({one, all});
  f.Reader().BodyOption = true;
  std::vector<std::uint64_t> progress;
  f.Reader().OnProgressBar = [&](std::uint64_t p, bool&) { progress.push_back(p); };
  ASSERT_TRUE(f.Read());
  EXPECT_EQ(f.recorder.reports,
            (std::vector<std::string>{"FROM ann@x.test|Ann", "TO a@x.test|A", "TO c@x.test|C",
                                      "BODY body@x.test|body@x.test", "FROM dan@x.test|Dan",
                                      "BODY body2@x.test|body2@x.test"}));
  EXPECT_EQ(progress, (std::vector<std::uint64_t>{1, 2}));
}

TEST(OutlookWalk, AnEmptyFolderReportsItsSizeAndNoProgress) {
  TOneFolder f;
  std::vector<std::uint64_t> sizes;
  int progress = 0;
  f.Reader().OnFileSize = [&](std::uint64_t n) { sizes.push_back(n); };
  f.Reader().OnProgressBar = [&](std::uint64_t, bool&) { ++progress; };
  EXPECT_TRUE(f.Read());
  EXPECT_EQ(sizes, (std::vector<std::uint64_t>{0}));
  EXPECT_EQ(progress, 0);
}

TEST(OutlookWalk, StopDuringThePauseAfterTheThirdOfTenItemsEndsAfterTheFourth) {
  std::vector<TMemoryMessage> messages;
  for (int i = 1; i <= 10; ++i)
    messages.push_back(Message("", {"m" + std::to_string(i) + "@x.test", ""}));
  TOneFolder f(messages);
  bool abortFlag = false;  // the window's flag, set by Stop
  f.system->onFetch = [&](const std::string& id) {
    if (id == f.inbox.items[3]) abortFlag = true;  // Stop confirmed just before item 4
  };
  std::vector<std::uint64_t> progress;
  std::vector<bool> handedBack;
  f.Reader().OnProgressBar = [&](std::uint64_t position, bool& abort) {
    progress.push_back(position);
    abort = abortFlag;
    handedBack.push_back(abort);
  };
  EXPECT_TRUE(f.Read());
  EXPECT_EQ(progress, (std::vector<std::uint64_t>{1, 2, 3, 4}));
  EXPECT_EQ(handedBack, (std::vector<bool>{false, false, false, true}));
  EXPECT_EQ(f.recorder.reports.size(), 4u);
  EXPECT_EQ(f.recorder.reports.back(), "FROM m4@x.test|");
  EXPECT_EQ(f.system->fetched.size(), 4u);
}

TEST(OutlookWalk, AMailboxFailureDuringTheWalkEndsItWithFalse) {
  struct Case {
    const char* what;
    void (*breakIt)(TOneFolder&);
    std::string path;
    std::size_t reports;
    bool sized;
  };
  const Case cases[] = {
      {"second message cannot be fetched",
       [](TOneFolder& f) { f.inbox.Message(2).fetchFails = true; }, "\tInbox", 1, true},
      {"items cannot be counted", [](TOneFolder& f) { f.inbox.countFails = true; }, "\tInbox", 0,
       false},
      {"folder renamed after the list was built",
       [](TOneFolder& f) { f.inbox.name = "Posteingang"; }, "\tInbox", 0, false},
      {"no such subfolder", [](TOneFolder&) {}, "\tInbox\tGone", 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TOneFolder f({Message("", {"a@x.test", ""}), Message("", {"b@x.test", ""}),
                  Message("", {"c@x.test", ""})});
    f.Reader();
    c.breakIt(f);
    bool sized = false;
    f.Reader().OnFileSize = [&](std::uint64_t) { sized = true; };
    EXPECT_FALSE(f.Reader().ReadFolder(c.path));
    EXPECT_EQ(f.recorder.reports.size(), c.reports);
    EXPECT_EQ(sized, c.sized);
  }
}

TEST(OutlookWalk, TheEmptyPathReadsTheTopLevelFolderItself) {
  auto system = std::make_shared<TMemoryMailSystem>();
  system->AddStore("S").AddMessage(Message("", {"top@x.test", ""}));
  TOutlook reader(system);
  TRecorder recorder;
  reader.onAddress = recorder.Handler();
  EXPECT_TRUE(reader.ReadFolder(""));
  EXPECT_EQ(recorder.reports, (std::vector<std::string>{"FROM top@x.test|"}));
}

TEST(OutlookFolderPath, SplitsAtTabsOutsideDoubleQuotes) {
  struct Case {
    std::string path;
    std::vector<std::string> names;
  };
  for (const Case& c :
       {Case{"\tInbox\tWork", {"Inbox", "Work"}}, Case{"", {}}, Case{"\t\tA\t", {"A"}},
        Case{"\t\"a\tb\"\tc", {"\"a\tb\"", "c"}}, Case{"\tSay \"hi\tSub", {"Say \"hi\tSub"}}}) {
    EXPECT_EQ(SplitFolderPath(c.path), c.names);
  }
}

TEST(OutlookFolderPath, ANameWithOneDoubleQuoteCanBeReadButNotItsSubfolders) {
  auto system = std::make_shared<TMemoryMailSystem>();
  auto& quoted = system->AddStore("S").AddFolder("Say \"hi");
  quoted.AddMessage(Message("", {"q@x.test", ""}));
  quoted.AddFolder("Sub").AddMessage(Message("", {"sub@x.test", ""}));
  TOutlook reader(system);
  std::vector<TOutlookFolderEntry> list;
  reader.ListFolders(list);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[1].DisplayText, "Say \"hi | Sub");
  EXPECT_TRUE(reader.ReadFolder(list[0].Path));
  EXPECT_FALSE(reader.ReadFolder(list[1].Path));
}

TEST(OutlookMessage, TheReadersOwnBodyScanReportsCheckedAddressesOfTheText) {
  TOneFolder f({Message(
      "Subject: hi\r\n\r\nwrite to ann@mail.test, bad@@mail.test or J\xF6rg@mail.test\r\n", {})});
  f.reader = std::make_unique<TOutlook>(f.system);  // with its own text scan
  f.reader->onAddress = f.recorder.Handler();
  f.reader->BodyOption = true;
  ASSERT_TRUE(f.Read());
  EXPECT_EQ(f.recorder.reports,
            (std::vector<std::string>{"BODY ann@mail.test|ann@mail.test"}));
}
