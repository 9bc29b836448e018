// Save As and Delete Emails over a large address table, for bench/run-export.sh.
//
//   export_bench make FOLDER COUNT        a table of COUNT addresses, about one in ten bogus
//   export_bench export FOLDER LAYOUT OUT writes the table in e-mail order; prints the bytes
//   export_bench delete FOLDER PATTERN    deletes the matches; prints how many went
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "Shared/DBISAMTableVantor.h"
#include "list/DeleteMatching.h"
#include "list/SaveLayouts.h"

using namespace tessaly;

namespace {

// A small fixed generator: the same table on every machine.
struct TRandom {
  std::uint64_t state;
  std::uint32_t Next() {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<std::uint32_t>(state >> 33);
  }
  std::uint32_t Below(std::uint32_t n) { return Next() % n; }
};

const char* const kFirst[] = {"ann", "bob", "carl", "dora", "eve", "frank", "gina", "hal",
                              "ida", "jon", "kim",  "lea",  "max", "nina",  "otto", "pia"};
const char* const kDomains[] = {"example.test", "mail.example.test", "post.invalid",
                                "lists.example.org", "corp.example.net"};
const char* const kBogus[] = {"bogus", "BOGUS", "Bogus", "xbogusx"};
const char* const kTags[] = {"FROM", "TO", "SENDER", "CC", "BCC", "BODY"};

void Make(const std::string& folder, long count) {
  std::filesystem::create_directories(folder);
  TDBISAMTableVantor table;
  table.DatabaseName = folder;
  table.TableName = "intl.dat";
  table.ForceBufferFlush = false;
  table.CreateTable();
  table.Open();
  table.SetIndexName(TDBISAMTableVantor::kEmailIndex);
  TRandom random{20260101};
  for (long id = 1; id <= count; ++id) {
    std::string email = kFirst[random.Below(16)];
    if (random.Below(2)) email[0] = static_cast<char>(email[0] - 32);
    email += std::to_string(random.Below(1000000));
    if (random.Below(10) == 0) email += std::string(".") + kBogus[random.Below(4)];
    email += "@";
    email += kDomains[random.Below(5)];
    std::string name;
    if (random.Below(5) != 0) {
      name = kFirst[random.Below(16)];
      name[0] = static_cast<char>(name[0] - 32);
      name += random.Below(20) == 0 ? " \"Jr\" Smith " : " Smith";
    }
    table.Append();
    table.SetField("id", static_cast<std::int32_t>(id));
    table.SetField("Email", email);
    table.SetField("Name", name);
    table.SetField("Field", kTags[random.Below(6)]);
    table.Post();
  }
  table.Close();
}

TDBISAMTableVantor& OpenTable(TDBISAMTableVantor& table, const std::string& folder) {
  table.DatabaseName = folder;
  table.TableName = "intl.dat";
  table.ForceBufferFlush = false;
  table.Open();
  table.SetIndexName(TDBISAMTableVantor::kEmailIndex);
  return table;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "make" && argc == 4) {
      Make(argv[2], std::stol(argv[3]));
      return 0;
    }
    if (command == "export" && argc == 5) {
      TDBISAMTableVantor table;
      WriteLayout(OpenTable(table, argv[2]), std::stoi(argv[3]), argv[4]);
      std::printf("%ju\n", static_cast<std::uintmax_t>(std::filesystem::file_size(argv[4])));
      return 0;
    }
    if (command == "delete" && argc == 4) {
      TDBISAMTableVantor table;
      const std::int64_t count = DeleteMatching(OpenTable(table, argv[2]), argv[3], {});
      table.Close();
      std::printf("%jd\n", static_cast<std::intmax_t>(count));
      return 0;
    }
    std::fprintf(stderr,
                 "usage: %s make FOLDER COUNT | export FOLDER LAYOUT OUT | delete FOLDER PATTERN\n",
                 argv[0]);
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "export_bench: %s\n", e.what());
    return 1;
  }
}
