// The Outlook reader over real Outlook data files: the folder trees, every sender and
// recipient checked against an independent reader (readpst), a store without mail, a
// message without a sender, stores that do not open, and damaged bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "outlook/DataFileHarvest.h"
#include "outlook/PstMailbox.h"
#include "outlook/UOutlook.h"
#include "test_support.h"

using namespace tessaly;
using namespace tessaly::mailbox;
namespace fs = std::filesystem;

namespace {

std::string Fixture(const char* name) {
  const char* root = std::getenv("TESSALY_FIXTURES");
  if (!root) return {};
  const fs::path path = fs::path(root) / "pst" / name;
  return fs::exists(path) ? path.string() : std::string();
}

#define REQUIRE_FIXTURE(var, name)                                                           \
  const std::string var = Fixture(name);                                                     \
  if (var.empty())                                                                           \
    GTEST_SKIP() << "fixture pst/" << name << " not found (TESSALY_FIXTURES="                \
                 << (std::getenv("TESSALY_FIXTURES") ? std::getenv("TESSALY_FIXTURES") : "") \
                 << ")";

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// What one store gives, folder by folder: the folder's display text with "/" between the
// names (the layout readpst writes), then its reports as "KIND address|name".
using TFolderReports = std::map<std::string, std::vector<std::string>>;

TFolderReports ReadEveryFolder(TOutlook& reader) {
  TFolderReports result;
  std::string current;
  reader.onAddress = [&](void*, std::string_view email, std::string_view name, std::uint8_t kind,
                         int) {
    result[current].push_back(std::string(FieldTagFor(kind)) + " " + std::string(email) + "|" +
                              std::string(name));
  };
  std::vector<TOutlookFolderEntry> folders;
  reader.ListFolders(folders);
  folders.insert(folders.begin(), TOutlookFolderEntry{});
  for (const auto& folder : folders) {
    current = std::regex_replace(folder.DisplayText, std::regex(" \\| "), "/");
    result[current];
    EXPECT_TRUE(reader.ReadFolder(folder.Path)) << folder.DisplayText;
  }
  return result;
}

std::vector<std::string> DisplayTexts(TOutlook& reader) {
  std::vector<TOutlookFolderEntry> folders;
  reader.ListFolders(folders);
  std::vector<std::string> texts;
  for (const auto& f : folders) texts.push_back(f.DisplayText);
  return texts;
}

// The addresses of the From, To and Cc header lines of every message readpst writes for
// that data file, by folder (readpst's folder path below the store's own folder).
std::map<std::string, std::set<std::string>> ReadpstAddresses(const std::string& pst,
                                                              const std::string& out) {
  const std::string command = "readpst -q -D -S -t e -o '" + out + "' '" + pst + "'";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  std::map<std::string, std::set<std::string>> result;
  const std::regex address("[A-Za-z0-9._%+=-]+@[A-Za-z0-9.-]*[A-Za-z0-9]");
  for (const auto& entry : fs::recursive_directory_iterator(out)) {
    const std::string file = entry.path().filename().string();
    if (!entry.is_regular_file() || file.find_first_not_of("0123456789") != std::string::npos)
      continue;
    // Folder path below the store folder: drop readpst's first level.
    fs::path relative = fs::relative(entry.path().parent_path(), out);
    std::string folder;
    for (auto it = std::next(relative.begin()); it != relative.end(); ++it)
      folder += (folder.empty() ? "" : "/") + it->string();
    auto& addresses = result[folder];
    // Header lines up to the first empty line, continuation lines joined.
    std::vector<std::string> lines;
    std::istringstream text(test::ReadFile(entry.path().string()));
    for (std::string line; std::getline(text, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.empty()) break;
      if ((line[0] == ' ' || line[0] == '\t') && !lines.empty())
        lines.back() += line;
      else
        lines.push_back(line);
    }
    for (const std::string& line : lines) {
      const std::string name = Lower(line.substr(0, line.find(':')));
      if (name != "from" && name != "to" && name != "cc") continue;
      for (std::sregex_iterator m(line.begin(), line.end(), address), end; m != end; ++m)
        addresses.insert(Lower(m->str()));
    }
  }
  return result;
}

std::map<std::string, std::set<std::string>> AddressesOf(const TFolderReports& reports) {
  std::map<std::string, std::set<std::string>> result;
  for (const auto& [folder, lines] : reports) {
    auto& set = result[folder];
    for (const std::string& line : lines) {
      const std::size_t space = line.find(' '), bar = line.find('|');
      const std::string address = line.substr(space + 1, bar - space - 1);
      if (!address.empty()) set.insert(Lower(address));
    }
  }
  return result;
}

}  // namespace

TEST(PstFolderTree, EachStoreIsOneTopLevelFolderWithTheFoldersOutlookShows) {
  REQUIRE_FIXTURE(unicode, "unicode_mixed_items.pst");
  REQUIRE_FIXTURE(multiple, "multiple_to_cc.pst");
  REQUIRE_FIXTURE(contacts, "contact_and_dist_list.pst");
  TOutlook reader(std::make_shared<TPstMailSystem>(std::vector{unicode, multiple, contacts}));
  ASSERT_TRUE(reader.MapiPresent && reader.CdoPresent);
  EXPECT_EQ(
      reader.TopFolderNames(),
      (std::vector<std::string>{"thisisatest", "pst-test-2@aranetic.com", "Personal Folders"}));
  EXPECT_EQ(
      DisplayTexts(reader),
      (std::vector<std::string>{"Itens Exclu\xC3\xAD"
                                "dos",
                                "Deleted Items", "Calendar", "Caixa de Entrada",
                                "Caixa de Sa\xC3\xAD"
                                "da",
                                "Itens Enviados", "Calend\xC3\xA1rio", "Contatos", "Di\xC3\xA1rio",
                                "Anota\xC3\xA7\xC3\xB5"
                                "es",
                                "Tarefas", "Rascunhos", "RSS Feeds", "Lixo eletr\xC3\xB4nico"}));
  reader.SelectFolder(1);
  EXPECT_EQ(DisplayTexts(reader),
            (std::vector<std::string>{"Inbox", "Junk E-mail", "Deleted Items", "Sent Items"}));
  reader.SelectFolder(2);
  EXPECT_EQ(DisplayTexts(reader),
            (std::vector<std::string>{"Deleted Items", "Inbox", "Outbox", "Sent Items", "Calendar",
                                      "Contacts", "Journal", "Notes", "Tasks", "Drafts",
                                      "RSS Feeds", "Junk E-mail"}));
}

TEST(PstFolderTree, StoresSharingADisplayNameAreMadeUnique) {
  REQUIRE_FIXTURE(multiple, "multiple_to_cc.pst");
  TOutlook reader(std::make_shared<TPstMailSystem>(std::vector{multiple, multiple}));
  EXPECT_EQ(reader.TopFolderNames(),
            (std::vector<std::string>{"pst-test-2@aranetic.com", "pst-test-2@aranetic.com (2)"}));
  reader.SelectFolder(1);
  int senders = 0;
  reader.onAddress = [&](void*, std::string_view, std::string_view, std::uint8_t kind, int) {
    senders += kind == akFrom;
  };
  EXPECT_TRUE(reader.ReadFolder("\tInbox"));
  EXPECT_EQ(senders, 1);
}

TEST(PstAddresses, MatchWhatReadpstWritesExceptWhereItWritesNoMail) {
  if (std::system("command -v readpst > /dev/null 2>&1") != 0)
    GTEST_SKIP() << "readpst (pst-utils) is not installed";
  // readpst writes mail only (-t e); the other items of a folder (appointments, contacts,
  // tasks) carry senders and recipients too, which the reader reports as Outlook lists
  // them. Those are the only differences.
  const std::set<std::string> meeting{
      "cyndy.foulkrod@stellent.com", "patty.fukasawa@stellent.com", "barb.tentinger@stellent.com",
      "zeeshan.farooq@stellent.com", "john.harrison@stellent.com", "al.senzamici@stellent.com",
      "vince.raso@stellent.com",
      // The organiser is an Exchange user; the appointment carries no SMTP address for them.
      "/o=inrs/ou=first administrative group/cn=recipients/cn=cfoulkro"};
  const std::set<std::string> owner{"guilhermeandreuce@gmail.com"};
  struct Case {
    const char* file;
    std::map<std::string, std::set<std::string>> oursOnly;
  };
  const Case cases[] = {
      {"unicode_mixed_items.pst",
       {{"Itens Exclu\xC3\xAD"
         "dos",
         meeting},
        {"Calendar", meeting},
        {"Calend\xC3\xA1rio", owner},
        {"Contatos", owner},
        {"Tarefas", owner}}},
      {"multiple_to_cc.pst", {}},
      // A store without mail: its calendar item, contact and list name their creator
      // "Unknown", which the store keeps as the sender's address.
      {"contact_and_dist_list.pst", {{"Calendar", {"unknown"}}, {"Contacts", {"unknown"}}}},
  };
  test::ScratchDir scratch;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string pst = Fixture(c.file);
    if (pst.empty()) GTEST_SKIP() << "fixture pst/" << c.file << " not found";
    const std::string out = scratch.path + "/" + c.file;
    fs::create_directories(out);
    auto theirs = ReadpstAddresses(pst, out);
    TOutlook reader(std::make_shared<TPstMailSystem>(std::vector{pst}));
    auto ours = AddressesOf(ReadEveryFolder(reader));

    std::set<std::string> folders;
    for (const auto& [folder, _] : ours) folders.insert(folder);
    for (const auto& [folder, _] : theirs) folders.insert(folder);
    std::size_t compared = 0;
    for (const std::string& folder : folders) {
      SCOPED_TRACE(folder);
      std::set<std::string> expected = theirs[folder];
      if (auto extra = c.oursOnly.find(folder); extra != c.oursOnly.end())
        expected.insert(extra->second.begin(), extra->second.end());
      EXPECT_EQ(ours[folder], expected);
      compared += theirs[folder].size();
    }
    if (std::string(c.file) != "contact_and_dist_list.pst") {
      EXPECT_GT(compared, 0u);
    }
  }
}

TEST(PstAddresses, TheReportsOfTheMailFoldersInFull) {
  REQUIRE_FIXTURE(unicode, "unicode_mixed_items.pst");
  REQUIRE_FIXTURE(multiple, "multiple_to_cc.pst");
  TOutlook a(std::make_shared<TPstMailSystem>(std::vector{unicode}));
  auto reports = ReadEveryFolder(a);
  // The first message names no sender: its recipient alone is reported.
  EXPECT_EQ(reports["Caixa de Entrada"],
            (std::vector<std::string>{"TO test@sepinf.iped.pf|test@sepinf.iped.pf",
                                      "FROM notifications@github.com|Luis Nassif",
                                      "TO IPED@noreply.github.com|sepinf-inc/IPED",
                                      "TO guilhermeandreuce@gmail.com|Guilherme Andre\xC3\xBA"
                                      "ce",
                                      "TO mention@noreply.github.com|Mention",
                                      "FROM elizangela.era@pf.gov.br|Elizangela Ribeiro de Andrade",
                                      "TO guilhermeandreuce@gmail.com|Guilherme Andre\xC3\xBA"
                                      "ce"}));
  // Display names wrapped in apostrophes lose them.
  EXPECT_EQ(
      reports["Itens Enviados"],
      (std::vector<std::string>{"FROM guilhermeandreuce@gmail.com|guilherme",
                                "TO sepinf@pf.test.com|sepinf@pf.test.com",
                                "TO guilhermeandreuce@gmail.com|guilhermeandreuce@gmail.com"}));
  // Exchange recipients come out with their SMTP addresses.
  EXPECT_EQ(reports["Calendar"].at(1), "TO Cyndy.Foulkrod@stellent.com|Cyndy Foulkrod");

  TOutlook b(std::make_shared<TPstMailSystem>(std::vector{multiple}));
  EXPECT_EQ(ReadEveryFolder(b)["Inbox"],
            (std::vector<std::string>{"FROM pst-test-1@aranetic.com|John Doe",
                                      "TO pst-test-1@aranetic.com|John Doe",
                                      "TO pst-test-2@aranetic.com|Jane Doe",
                                      "TO pst-test-3@aranetic.com|pst-test-3@aranetic.com",
                                      "TO pst-test-4@aranetic.com|pst-test-4@aranetic.com"}));
}

TEST(PstAddresses, AStoreWithoutMailGivesNoAddressOfMail) {
  REQUIRE_FIXTURE(contacts, "contact_and_dist_list.pst");
  TOutlook reader(std::make_shared<TPstMailSystem>(std::vector{contacts}));
  reader.BodyOption = true;
  int scans = 0;
  reader.BodyScan = [&](std::string_view, const TOnAddress&) { ++scans; };
  std::vector<std::string> all;
  for (const auto& [folder, lines] : ReadEveryFolder(reader))
    all.insert(all.end(), lines.begin(), lines.end());
  EXPECT_EQ(all, (std::vector<std::string>(3, "FROM Unknown|Unknown")));
  EXPECT_EQ(scans, 0);  // the one body there is has no empty line
}

TEST(PstMessages, TheTextIsTheHeaderLinesThenAnEmptyLineThenTheBody) {
  REQUIRE_FIXTURE(unicode, "unicode_mixed_items.pst");
  REQUIRE_FIXTURE(multiple, "multiple_to_cc.pst");
  std::vector<std::string> bodies;
  const TBodyScan keep = [&](std::string_view text, const TOnAddress&) {
    bodies.emplace_back(text);
  };
  TOutlook withHeaders(std::make_shared<TPstMailSystem>(std::vector{multiple}));
  withHeaders.BodyOption = true;
  withHeaders.BodyScan = keep;
  withHeaders.onAddress = [](void*, std::string_view, std::string_view, std::uint8_t, int) {};
  ASSERT_TRUE(withHeaders.ReadFolder("\tInbox"));
  ASSERT_EQ(bodies.size(), 1u);
  EXPECT_EQ(bodies[0], "\n\r\nThis email has multiple recipients.\r\n\r\n \r\n\r\n");

  // Without header lines the body alone is the text: the scan starts after its first
  // empty line.
  bodies.clear();
  TOutlook bodyOnly(std::make_shared<TPstMailSystem>(std::vector{unicode}));
  bodyOnly.BodyOption = true;
  bodyOnly.BodyScan = keep;
  bodyOnly.onAddress = withHeaders.onAddress;
  ASSERT_TRUE(bodyOnly.ReadFolder("\tItens Enviados"));
  ASSERT_EQ(bodies.size(), 1u);
  EXPECT_EQ(bodies[0], "\n\r\n");
}

TEST(PstSession, EntryIdsOfAnotherKindAreRefused) {
  REQUIRE_FIXTURE(multiple, "multiple_to_cc.pst");
  TPstMailSystem system(std::vector{multiple});
  auto session = system.CreateSession();
  session->Logon();
  EXPECT_NO_THROW(session->GetMessage("0:200224"));
  for (const char* bad : {"", "bogus", "0:", "0:zz", "1:200224", "0:999999", "0:8082", "-1:1"})
    EXPECT_THROW(session->GetMessage(bad), EMailbox) << bad;
}

TEST(PstSession, PresenceFollowsTheDataFilesThatAreKnownAndOpen) {
  REQUIRE_FIXTURE(multiple, "multiple_to_cc.pst");
  test::ScratchDir scratch;
  const std::string garbage = scratch.path + "/garbage.pst";
  test::WriteFile(garbage, std::string(4096, 'G'));
  const std::string missing = scratch.path + "/missing.pst";
  struct Case {
    std::vector<std::string> files;
    bool mapi, cdo;
    std::size_t stores, problems;
  };
  for (const Case& c :
       {Case{{}, false, false, 0, 0}, Case{{missing}, true, false, 0, 1},
        Case{{garbage}, true, false, 0, 1}, Case{{garbage, multiple, missing}, true, true, 1, 2}}) {
    auto system = std::make_shared<TPstMailSystem>(c.files);
    TOutlook reader(system);
    EXPECT_EQ(reader.MapiPresent, c.mapi) << c.files.size();
    EXPECT_EQ(reader.CdoPresent, c.cdo) << c.files.size();
    EXPECT_EQ(reader.TopFolderNames().size(), c.stores);
    const auto problems = system->Problems();
    ASSERT_EQ(problems.size(), c.problems);
    for (const std::string& p : problems)
      EXPECT_TRUE(p.rfind(garbage + ": ", 0) == 0 || p.rfind(missing + ": ", 0) == 0) << p;
  }
}

TEST(PstHarvest, EveryFolderOfEveryStoreUnderTheCommandLineOptions) {
  REQUIRE_FIXTURE(unicode, "unicode_mixed_items.pst");
  REQUIRE_FIXTURE(multiple, "multiple_to_cc.pst");
  REQUIRE_FIXTURE(contacts, "contact_and_dist_list.pst");
  const std::vector<std::string> files{unicode, multiple, contacts};
  std::map<std::string, int> kinds;
  const TOnAddress count = [&](void*, std::string_view, std::string_view, std::uint8_t k, int) {
    ++kinds[std::string(FieldTagFor(k))];
  };
  TDataFileHarvestResult all = HarvestDataFiles(files, {}, count);
  EXPECT_EQ(all.stores, 3);
  EXPECT_EQ(all.folders, 15 + 5 + 13);
  EXPECT_EQ(all.items, 17u);
  EXPECT_TRUE(all.problems.empty());
  EXPECT_EQ(kinds,
            (std::map<std::string, int>{{"FROM", 17 - 1}, {"TO", 7 * 5 + 1 + 3 + 1 + 2 + 4}}));

  kinds.clear();
  TDataFileHarvestOptions bodyOnly;
  bodyOnly.body = true;
  bodyOnly.from = false;
  bodyOnly.to = false;
  bodyOnly.bodyScan = [](std::string_view text, const TOnAddress& onAddress) {
    onAddress(nullptr, "found@x.test", "found@x.test", akBody, 0);
  };
  HarvestDataFiles(files, bodyOnly, count);
  EXPECT_EQ(kinds.size(), 1u);
  EXPECT_GT(kinds["BODY"], 0);

  const auto none = HarvestDataFiles({}, {}, count);
  EXPECT_EQ(none.stores, 0);
  EXPECT_EQ(none.problems, (std::vector<std::string>{"no Outlook data file was given"}));
}

TEST(PstDamaged, TruncatedOrOverwrittenBytesNeverCrashTheWalk) {
  REQUIRE_FIXTURE(multiple, "multiple_to_cc.pst");      // 32-bit (ANSI) layout
  REQUIRE_FIXTURE(unicode, "unicode_mixed_items.pst");  // 64-bit (Unicode) layout
  for (const std::string& file : {multiple, unicode}) {
    SCOPED_TRACE(file);
    const std::string original = test::ReadFile(file);
    ASSERT_GT(original.size(), 100000u);
    std::vector<std::pair<std::string, std::string>> cases;
    for (std::size_t size : {std::size_t{0}, std::size_t{100}, std::size_t{512}, std::size_t{4096},
                             original.size() / 2, original.size() - 1})
      cases.push_back({"cut at " + std::to_string(size), original.substr(0, size)});
    for (std::size_t at = 0; at < original.size(); at += original.size() / 48) {
      std::string damaged = original;
      for (std::size_t i = at; i < std::min(at + 64, damaged.size()); ++i) damaged[i] ^= 0x5A;
      cases.push_back({"64 bytes overwritten at " + std::to_string(at), std::move(damaged)});
    }
    int opened = 0;
    for (auto& [what, bytes] : cases) {
      SCOPED_TRACE(what);
      auto system = std::make_shared<TPstMailSystem>(
          std::vector<TDataFile>{{what, std::make_shared<const std::string>(std::move(bytes))}});
      TOutlook reader(system);
      EXPECT_TRUE(reader.MapiPresent);
      if (!reader.CdoPresent) {
        EXPECT_EQ(system->Problems().size(), 1u);
        continue;
      }
      ++opened;
      HarvestAllFolders(reader);
    }
    EXPECT_GT(opened, 0);
  }
}

// Found by fuzzing: a data file held in memory that ends inside the file header (or inside
// any block the library reads) was read past the end of its bytes. The bytes and the same
// bytes on disk must give the same refusal, and nothing may be read beyond them (the
// sanitizer build of the tests shows such a read).
TEST(PstDamaged, BytesEndingInsideTheFileHeaderAreNotReadPastTheirEnd) {
  auto header = [](std::uint16_t version, std::size_t size) {
    std::string h = "!BDN";
    h.resize(size, '\0');
    h[8] = 'S';
    h[9] = 'M';
    h[10] = static_cast<char>(version & 0xFF);
    h[11] = static_cast<char>(version >> 8);
    return h;
  };
  const std::pair<const char*, std::string> cases[] = {
      {"nothing", ""},
      {"a 32-bit header alone", header(14, 512)},
      {"a 64-bit header cut short", header(23, 540)},
      {"a 64-bit header alone", header(23, 564)},
  };
  test::ScratchDir dir;
  for (const auto& [what, bytes] : cases) {
    SCOPED_TRACE(what);
    const std::string path = dir.path + "/short.pst";
    test::WriteFile(path, bytes);
    TPstMailSystem inMemory(
        std::vector<TDataFile>{{path, std::make_shared<const std::string>(bytes)}});
    TPstMailSystem onDisk(std::vector<std::string>{path});
    EXPECT_THROW(inMemory.CreateSession()->Logon(), std::exception);
    EXPECT_THROW(onDisk.CreateSession()->Logon(), std::exception);
    ASSERT_EQ(inMemory.Problems().size(), 1u);
    EXPECT_EQ(inMemory.Problems(), onDisk.Problems());
  }
}
