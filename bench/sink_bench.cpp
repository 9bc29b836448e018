// The address sink under load: 1,000,000 distinct addresses, then the same again in upper
// case, into a fresh table with duplicates refused. Prints reports per second and the peak
// memory, and writes the same rows as CSV for the sqlite3 shell peer.
#include <sys/resource.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "Shared/AddressList.h"
#include "harvest/Events.h"

namespace {

std::string Address(int i) {
  // Spread over many domains and local parts, like a real mailbox's correspondents.
  char buf[96];
  std::snprintf(buf, sizeof buf, "%s.%07d@mail%03d.example-%c.test",
                (i % 3 == 0 ? "ann" : i % 3 == 1 ? "bob.smith" : "c_d"), (i * 7919) % 10000019,
                i % 997, 'a' + i % 26);
  return buf;
}

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

long PeakKb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s WORK_FOLDER CSV_OUT [COUNT]\n", argv[0]);
    return 2;
  }
  const std::string folder = argv[1];
  const int count = argc > 3 ? std::atoi(argv[3]) : 1'000'000;

  std::vector<std::string> reports;
  reports.reserve(2 * static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) reports.push_back(Address(i));
  for (int i = 0; i < count; ++i) {
    std::string upper = reports[i];
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    reports.push_back(upper);
  }
  {
    std::ofstream csv(argv[2], std::ios::binary);
    for (const auto& r : reports) csv << r << ",Name,FROM\n";
  }

  tessaly::TAddressList list([] { return false; });
  if (!list.CreateAddressTable(folder, "intl.dat")) {
    std::fprintf(stderr, "cannot create the table in %s\n", folder.c_str());
    return 1;
  }
  const long baseKb = PeakKb();
  const auto start = std::chrono::steady_clock::now();
  const double cpuStart = CpuSeconds();
  list.Table()->Open();
  list.Table()->SetIndexName("ndxemail");
  for (const auto& r : reports) list.oeAddress(nullptr, r, "Name", tessaly::akFrom, 0);
  list.Table()->Commit();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double cpu = CpuSeconds() - cpuStart;
  const long rows = static_cast<long>(list.Table()->RecordCount());
  list.Table()->Close();

  std::printf("reports=%zu stored=%ld seconds=%.3f reports_per_second=%.0f cpu_seconds=%.3f "
              "reports_per_cpu_second=%.0f peak_rss_mb=%.1f input_mb=%.1f\n",
              reports.size(), rows, seconds, reports.size() / seconds, cpu, reports.size() / cpu,
              PeakKb() / 1024.0, baseKb / 1024.0);
  return rows == count ? 0 : 1;
}
