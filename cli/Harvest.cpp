#include "Harvest.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "SeenAddresses.h"
#include "Shared/AddressList.h"
#include "harvest/Paths.h"
#include "scan/FileFind.h"
#include "scan/Scanner.h"

namespace {

using namespace tessaly;

volatile std::sig_atomic_t g_signal = 0;
extern "C" void OnSignal(int sig) {
  g_signal = sig;
}

void Warn(const std::string& text) {
  std::fprintf(stderr, "tessaly-harvest: %s\n", text.c_str());
}

// A folder of its own under the temporary folder, removed with what is in it.
class TTempFolder {
 public:
  TTempFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/tessaly-harvest-XXXXXX";
    if (::mkdtemp(pattern.data()))
      path_ = pattern;
    else
      error_ = std::strerror(errno);
  }
  ~TTempFolder() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  const std::string& Path() const { return path_; }
  const std::string& Error() const { return error_; }

 private:
  std::string path_, error_;
};

// The progress line on standard error, when that is a terminal: redrawn at most ten times a
// second, so that it costs nothing per address.
class TProgressLine {
 public:
  TProgressLine() : shown_(::isatty(STDERR_FILENO) == 1) {}
  ~TProgressLine() { Clear(); }

  void Item(std::size_t k, std::size_t n, const std::string& path) {
    k_ = k;
    n_ = n;
    path_ = path;
    size_ = position_ = 0;
    Draw(true);
  }
  void Size(std::uint64_t size) { size_ = size; }
  void Position(std::uint64_t position, std::int32_t addresses) {
    position_ = position;
    addresses_ = addresses;
    Draw(false);
  }
  void Clear() {
    if (shown_ && drawn_) std::fputs("\r\033[K", stderr);
    drawn_ = false;
  }

 private:
  void Draw(bool now) {
    if (!shown_) return;
    const auto t = std::chrono::steady_clock::now();
    if (!now && t < next_) return;
    next_ = t + std::chrono::milliseconds(100);
    const int percent =
        size_ ? static_cast<int>(std::min<std::uint64_t>(position_, size_) * 100 / size_) : 0;
    std::string name = path_;
    if (name.size() > 40) name = "..." + name.substr(name.size() - 37);
    std::fprintf(stderr, "\r\033[K[%zu/%zu] %3d%%  %d addresses  %s", k_, n_, percent, addresses_,
                 name.c_str());
    drawn_ = true;
  }

  bool shown_;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point next_{};
  std::size_t k_ = 0, n_ = 0;
  std::string path_;
  std::uint64_t size_ = 0, position_ = 0;
  std::int32_t addresses_ = 0;
};

// The list in the table's order (address order, ignoring letter case), one a line, as the
// bytes stored.
bool PrintList(TDBISAMTableVantor& table, std::string& error) {
  const std::string sql = "SELECT Email FROM Address " + table.OrderByClause();
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(table.Handle(), sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
    error = std::string("cannot read the list: ") + sqlite3_errmsg(table.Handle());
    return false;
  }
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    const void* bytes = sqlite3_column_blob(st, 0);
    const auto length = static_cast<std::size_t>(sqlite3_column_bytes(st, 0));
    if (length) std::fwrite(bytes, 1, length, stdout);
    std::fputc('\n', stdout);
  }
  sqlite3_finalize(st);
  if (rc != SQLITE_DONE) {
    error = std::string("cannot read the list: ") + sqlite3_errstr(rc);
    return false;
  }
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    error = std::string("cannot write the list: ") + std::strerror(errno);
    return false;
  }
  return true;
}

class TRun {
 public:
  explicit TRun(const THarvestOptions& options)
      : options_(options), list_([this] { return options_.keepDuplicates; }) {}

  int Go(const std::string& folder) {
    if (!list_.CreateAddressTable(folder, "intl.dat")) {
      Warn("cannot create the address table in " + folder);
      return 1;
    }
    TDBISAMTableVantor& table = *list_.Table();
    try {
      table.Open();
      table.SetIndexName(TDBISAMTableVantor::kEmailIndex);
    } catch (const ETableError& e) {
      Warn(e.what());
      return 1;
    }
    events_.onScannedAddress = [this, &table](std::string_view email) {
      if (options_.keepDuplicates) {
        list_.AddScannedAddress(email);
        return;
      }
      // A repeat is refused here, without a look-up in the table; a new address goes to
      // the sink, and is remembered once the table holds it (a failed append is not).
      if (seen_.Contains(email)) return;
      list_.AddScannedAddress(email);
      try {
        if (table.EmailExists(email)) seen_.Add(email);
      } catch (const ETableError&) {
      }
    };
    events_.OnFileSize = [this](std::uint64_t size) { progress_.Size(size); };
    events_.OnProgressBar = [this](std::uint64_t position, bool& abort) {
      progress_.Position(position, list_.idCounter);
      abort = g_signal != 0;
    };

    for (const std::string& input : options_.inputs) {
      if (g_signal) break;
      struct stat st {};
      if (::stat(input.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        const std::vector<std::string> entries = ListFolder(input);
        for (std::size_t k = 0; k < entries.size() && !g_signal; ++k) {
          // Subfolders, FIFOs, sockets and devices count but are never opened.
          if (!IsRegularFile(entries[k])) continue;
          progress_.Item(k + 1, entries.size(), entries[k]);
          Scan(entries[k]);
        }
      } else {
        progress_.Item(1, 1, input);
        Scan(input);
      }
    }
    progress_.Clear();
    if (g_signal) return 1;
    std::string error;
    try {
      table.Commit();
    } catch (const ETableError& e) {
      Warn(e.what());
      return 1;
    }
    if (!PrintList(table, error)) {
      if (errno != EPIPE) Warn(error);
      return 1;
    }
    return 0;
  }

 private:
  void Scan(const std::string& path) {
    try {
      ScanFile(path, events_);
    } catch (const std::exception& e) {
      progress_.Clear();
      Warn(e.what());
    }
  }

  const THarvestOptions& options_;
  TAddressList list_;
  TSeenAddresses seen_;
  THarvestEvents events_;
  TProgressLine progress_;
};

}  // namespace

int RunHarvest(const THarvestOptions& options) {
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(sig, &sa, nullptr);
  // A reader that goes away (| head) is a write error, not a silent death that would leave
  // the temporary table behind.
  std::signal(SIGPIPE, SIG_IGN);

  static char buffer[1 << 16];
  std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);

  int status = 1;
  {
    TTempFolder temp;
    if (temp.Path().empty()) {
      Warn("cannot make a temporary folder: " + temp.Error());
      return 1;
    }
    status = TRun(options).Go(temp.Path());
  }
  if (g_signal) {
    std::signal(g_signal, SIG_DFL);
    std::raise(g_signal);
  }
  return status;
}
