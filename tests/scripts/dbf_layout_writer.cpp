// Fills an address table from a rows file and writes one Save As layout of it: the side of
// the dBASE read-back test that our code plays.
//
//   dbf_layout_writer ROWS LAYOUT OUT
//
// ROWS holds one record per line, "email TAB name TAB kind", as raw bytes; the records get
// ids in file order and are written in e-mail order, as after a harvest run.
#include <cstdio>
#include <exception>
#include <fstream>
#include <sstream>
#include <string>

#include "Shared/AddressList.h"
#include "list/SaveLayouts.h"
#include "test_support.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s ROWS LAYOUT OUT\n", argv[0]);
    return 2;
  }
  try {
    tessaly::test::ScratchDir dir;
    tessaly::TAddressList list([] { return true; });
    if (!list.CreateAddressTable(dir.path, "intl.dat")) throw std::runtime_error("no table");
    tessaly::TDBISAMTableVantor& table = *list.Table();
    table.Open();
    std::istringstream rows(tessaly::test::ReadFile(argv[1]));
    std::string line;
    while (std::getline(rows, line)) {
      const auto tab1 = line.find('\t');
      const auto tab2 = line.find('\t', tab1 + 1);
      list.oeAddress(nullptr, line.substr(0, tab1), line.substr(tab1 + 1, tab2 - tab1 - 1),
                     static_cast<std::uint8_t>(std::stoi(line.substr(tab2 + 1))), 0);
    }
    table.Commit();
    table.SetIndexName(tessaly::TDBISAMTableVantor::kEmailIndex);
    tessaly::WriteLayout(table, std::stoi(argv[2]), argv[3]);
    table.Close();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "dbf_layout_writer: %s\n", e.what());
    return 1;
  }
  return 0;
}
