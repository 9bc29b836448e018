#include "Harvest.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "Shared/AddressList.h"
#include "harvest/Paths.h"
#include "list/DeleteMatching.h"
#include "list/SaveLayouts.h"
#include "list/WildMatcher.h"
#include "oe5/OeHarvest.h"
#include "outlook/DataFileHarvest.h"
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

bool IsStandardOutput(const std::string& output) {
  return output.empty() || output == "-" || output == "/dev/stdout";
}

// Copies a finished file to standard output from where that stands, so that a list
// appended to a file (>>) lands after what is there.
void CopyToStandardOutput(const std::string& path) {
  FILE* in = std::fopen(path.c_str(), "rb");
  if (!in) throw EExportError("Cannot read " + path + ": " + std::strerror(errno));
  char chunk[1 << 16];
  std::size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, in)) > 0) {
    for (std::size_t done = 0; done < n;) {
      const ssize_t put = ::write(STDOUT_FILENO, chunk + done, n - done);
      if (put < 0 && errno == EINTR) continue;
      if (put < 0) {
        const int error = errno;
        std::fclose(in);
        errno = error;
        throw EExportError(std::string("Cannot write the list: ") + std::strerror(error));
      }
      done += static_cast<std::size_t>(put);
    }
  }
  std::fclose(in);
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
    // Every address enters the table through the sink, as in the window.
    events_.onAddress = [this](void* sender, std::string_view email, std::string_view name,
                               std::uint8_t kind,
                               int ndx) { list_.oeAddress(sender, email, name, kind, ndx); };
    events_.onScannedAddress = [this](std::string_view email) { list_.AddScannedAddress(email); };
    events_.OnFileSize = [this](std::uint64_t size) { progress_.Size(size); };
    events_.OnProgressBar = [this](std::uint64_t position, bool& abort) {
      progress_.Position(position, list_.idCounter);
      abort = g_signal != 0;
    };

    for (const THarvestSource& source : options_.sources) {
      if (g_signal) break;
      switch (source.kind) {
        case THarvestSource::TKind::File:
          HarvestFileOrFolder(source.path);
          break;
        case THarvestSource::TKind::OutlookExpress:
          HarvestStore(source.path);
          break;
        case THarvestSource::TKind::DataFile:
          HarvestDataFile(source.path);
          break;
      }
    }
    progress_.Clear();
    if (g_signal) return 1;
    THarvestEvents deleting;
    deleting.OnProgressBar = [](std::uint64_t, bool& abort) { abort = g_signal != 0; };
    try {
      for (const std::string& pattern : options_.deletePatterns) {
        if (g_signal) return 1;
        const std::int64_t count = DeleteMatching(table, pattern, deleting);
        if (::isatty(STDERR_FILENO) == 1)
          std::fprintf(stderr, "Emails deleted: %lld (%s)\n", static_cast<long long>(count),
                       pattern.c_str());
      }
      table.Commit();
    } catch (const EWildCard& e) {
      // Patterns are checked with the arguments; this is the matcher's last word.
      Warn(std::string("bad pattern for '--delete': ") + e.what());
      return 2;
    } catch (const ETableError& e) {
      Warn(e.what());
      return 1;
    }
    if (g_signal) return 1;
    if (options_.layout == 0 && options_.output.empty()) {
      std::string error;
      if (!PrintList(table, error)) {
        if (errno != EPIPE) Warn(error);
        return 1;
      }
      return 0;
    }
    return WriteList(table, folder);
  }

 private:
  void HarvestFileOrFolder(const std::string& input) {
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

  // A store folder's folder files one by one, so that one that is in use or damaged is
  // named and passed over while the others are still read.
  void HarvestStore(const std::string& path) {
    std::vector<std::string> files;
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
      for (const std::string& name : ListFolderFiles(path)) files.push_back(JoinPath(path, name));
      if (files.empty()) Warn(path + ": no folder file (*.dbx) in it");
    } else {
      files.push_back(path);
    }
    std::function<void(const std::string&)> rawScan;
    if (options_.oeBodyScan) rawScan = [this](const std::string& p) { ScanFile(p, events_); };
    for (std::size_t k = 0; k < files.size() && !g_signal; ++k) {
      progress_.Item(k + 1, files.size(), files[k]);
      const TOeHarvestResult result = HarvestOutlookExpress(files[k], events_, rawScan);
      if (!result.failed.empty()) {
        progress_.Clear();
        Warn("Cannot import " + result.failed + ": " + FolderFileFailure(result.failed));
      }
      if (result.aborted) break;
    }
  }

  static std::string FolderFileFailure(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::strerror(errno);
    ::close(fd);
    return "it is in use by another program, damaged, or 2 GiB or more";
  }

  void HarvestDataFile(const std::string& path) {
    progress_.Item(1, 1, path);
    TDataFileHarvestOptions options;
    options.body = options_.dataFileBody;
    options.from = options_.dataFileFrom;
    options.to = options_.dataFileTo;
    TDataFileHarvestResult result;
    try {
      result = HarvestDataFiles({path}, options, events_.onAddress);
    } catch (const std::exception& e) {
      result.problems.push_back(path + ": " + e.what());
    }
    progress_.Clear();
    for (const std::string& problem : result.problems) Warn(problem);
  }

  void Scan(const std::string& path) {
    try {
      ScanFile(path, events_);
    } catch (const std::exception& e) {
      progress_.Clear();
      Warn(e.what());
    }
  }

  // The list in a Save As layout, through the window's writer. Standard output that is a
  // regular file gets a finished copy, so that appending (>>) appends and a failure leaves
  // what was there; a pipe or a terminal is written directly.
  int WriteList(TDBISAMTableVantor& table, const std::string& folder) {
    const int layout = options_.layout ? options_.layout : 2;
    const char separator = SystemListSeparator();
    try {
      if (!IsStandardOutput(options_.output)) {
        WriteLayout(table, layout, options_.output, separator);
        return 0;
      }
      struct stat st {};
      if (::fstat(STDOUT_FILENO, &st) == 0 && S_ISREG(st.st_mode)) {
        const std::string copy = JoinPath(folder, "list.out");
        WriteLayout(table, layout, copy, separator);
        CopyToStandardOutput(copy);
      } else {
        WriteLayout(table, layout, "/dev/stdout", separator);
      }
      return 0;
    } catch (const std::exception& e) {
      if (errno != EPIPE) Warn(e.what());
      return 1;
    }
  }

  const THarvestOptions& options_;
  TAddressList list_;
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
