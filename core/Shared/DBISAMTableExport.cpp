// The two writers of Save As and the bracket they share.
#include <fcntl.h>
#include <shapefil.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "Shared/AddressList.h"
#include "Shared/DBISAMTableVantor.h"
#include "Shared/ReplacingFile.h"

namespace tessaly {
namespace {

// The exported columns as positions in a scanned record: 1 "Email", 2 "Name", 3 "Field".
// Field names compare without regard to letter case, as the table engine's do.
std::vector<int> ColumnPositions(const std::vector<std::string>& columns) {
  if (columns.empty()) throw EExportError("No column to export");
  static constexpr std::string_view kNames[] = {"Email", "Name", "Field"};
  std::vector<int> positions;
  for (const std::string& column : columns) {
    int found = 0;
    for (int i = 0; i < 3 && !found; ++i) {
      const std::string_view name = kNames[i];
      if (name.size() != column.size()) continue;
      bool same = true;
      for (std::size_t k = 0; k < name.size() && same; ++k) {
        const auto a = static_cast<unsigned char>(name[k]);
        const auto b = static_cast<unsigned char>(column[k]);
        same = (a | 0x20) == (b | 0x20);
      }
      if (same) found = i + 1;
    }
    if (!found) throw EExportError("The address table has no text column " + column);
    positions.push_back(found);
  }
  return positions;
}

// Quoted layouts drop every double quote and the blanks and control characters at both
// ends; no layout escapes a quote.
void AppendCleaned(std::string& out, std::string_view value) {
  if (std::memchr(value.data(), '"', value.size()) == nullptr) {
    out += TrimControls(value);
    return;
  }
  std::string unquoted;
  unquoted.reserve(value.size());
  for (char c : value)
    if (c != '"') unquoted += c;
  out += TrimControls(unquoted);
}

void AppendValue(std::string& out, std::string_view value, bool quote) {
  if (!quote) {
    out += value;
    return;
  }
  out += '"';
  AppendCleaned(out, value);
  out += '"';
}

struct TBracket {
  explicit TBracket(TDBISAMTableVantor& t) : table(t) { table.BeginExportBracket(); }
  ~TBracket() { table.EndExportBracket(); }
  TDBISAMTableVantor& table;
};

constexpr std::size_t kFlushAt = 256 * 1024;

// --- dBASE file access through shapelib's hooks -----------------------------------------
//
// The library names the file itself (it puts ".dbf" in place of any extension) and prints
// its write failures instead of returning them. The hooks open the file the export chose,
// whatever name the library asks for, and keep the first failure so that it can be raised.

struct TDbfContext {
  std::string path;
  std::string failure;
  void Fail(const std::string& what) {
    if (failure.empty()) failure = what;
  }
};
thread_local TDbfContext* g_dbf = nullptr;

FILE* AsFile(SAFile f) {
  return reinterpret_cast<FILE*>(f);
}

bool EndsWith(std::string_view s, std::string_view tail) {
  return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

SAFile DbfOpen(const char* filename, const char* access) {
  // The library would also write or remove a code page file beside the table; neither
  // is wanted, so only the table itself is ever opened.
  if (!g_dbf || !EndsWith(filename, ".dbf")) return nullptr;
  const std::string_view mode(access);
  int flags = O_CLOEXEC;
  if (mode.find('+') != std::string_view::npos)
    flags |= O_RDWR;
  else if (mode.find('w') != std::string_view::npos)
    flags |= O_WRONLY;
  else
    flags |= O_RDONLY;
  if (mode.find('w') != std::string_view::npos) flags |= O_CREAT | O_TRUNC;
  const int fd = ::open(g_dbf->path.c_str(), flags, 0600);
  if (fd < 0) {
    g_dbf->Fail(std::strerror(errno));
    return nullptr;
  }
  FILE* f = ::fdopen(fd, (flags & O_ACCMODE) == O_RDONLY   ? "rb"
                         : (flags & O_ACCMODE) == O_WRONLY ? "wb"
                                                           : "r+b");
  if (!f) {
    g_dbf->Fail(std::strerror(errno));
    ::close(fd);
  }
  return reinterpret_cast<SAFile>(f);
}

SAOffset DbfRead(void* p, SAOffset size, SAOffset n, SAFile f) {
  const std::size_t got = std::fread(p, size, n, AsFile(f));
  if (got < n && std::ferror(AsFile(f)) && g_dbf) g_dbf->Fail(std::strerror(errno));
  return got;
}

SAOffset DbfWrite(void* p, SAOffset size, SAOffset n, SAFile f) {
  const std::size_t put = std::fwrite(p, size, n, AsFile(f));
  if (put < n && g_dbf) g_dbf->Fail(std::strerror(errno));
  return put;
}

SAOffset DbfSeek(SAFile f, SAOffset offset, int whence) {
  const int rc = std::fseek(AsFile(f), static_cast<long>(offset), whence);
  if (rc != 0 && g_dbf) g_dbf->Fail(std::strerror(errno));
  return static_cast<SAOffset>(rc);
}

SAOffset DbfTell(SAFile f) {
  return static_cast<SAOffset>(std::ftell(AsFile(f)));
}

int DbfFlush(SAFile f) {
  const int rc = std::fflush(AsFile(f));
  if (rc != 0 && g_dbf) g_dbf->Fail(std::strerror(errno));
  return rc;
}

int DbfClose(SAFile f) {
  const int rc = std::fclose(AsFile(f));
  if (rc != 0 && g_dbf) g_dbf->Fail(std::strerror(errno));
  return rc;
}

int DbfRemove(const char*) {
  return 0;
}

void DbfError(const char* message) {
  if (g_dbf) g_dbf->Fail(message ? message : "dBASE library error");
}

double DbfAtof(const char* text) {
  return std::atof(text);
}

SAHooks DbfHooks() {
  SAHooks hooks{};
  hooks.FOpen = DbfOpen;
  hooks.FRead = DbfRead;
  hooks.FWrite = DbfWrite;
  hooks.FSeek = DbfSeek;
  hooks.FTell = DbfTell;
  hooks.FFlush = DbfFlush;
  hooks.FClose = DbfClose;
  hooks.Remove = DbfRemove;
  hooks.Error = DbfError;
  hooks.Atof = DbfAtof;
  return hooks;
}

}  // namespace

std::size_t TDBISAMTableVantor::FieldWidth(std::string_view fieldName) {
  if (fieldName == "Email") return kEmailWidth;
  if (fieldName == "Name") return kNameWidth;
  if (fieldName == "Field") return kFieldWidth;
  return 0;
}

void TDBISAMTableVantor::BeginExportBracket() {
  exportRecNo_ = cursor_;
  exportDisabledControls_ = !ControlsDisabled();
  if (exportDisabledControls_) DisableControls();
}

void TDBISAMTableVantor::EndExportBracket() {
  cursor_ = exportRecNo_;
  if (exportDisabledControls_) EnableControls();
  exportDisabledControls_ = false;
}

void TDBISAMTableVantor::ExportText(const std::string& path, bool withHeader,
                                    const std::vector<std::string>& captions,
                                    const std::vector<std::string>& columns, char separator,
                                    bool quote) {
  const std::vector<int> positions = ColumnPositions(columns);
  TBracket bracket(*this);
  TReplacingFile file(path);

  std::string out;
  out.reserve(kFlushAt + 1024);
  if (withHeader) {
    if (captions.empty()) {
      for (std::size_t i = 0; i < columns.size(); ++i) {
        if (i > 0) out += separator;
        AppendValue(out, columns[i], quote);
      }
      out += separator;
    } else {
      const std::string_view q = quote ? "\"" : "";
      for (const std::string& caption : captions) {
        out += q;
        out += caption;
        out += q;
        out += separator;
      }
    }
    out += "\r\n";
  }

  TRecordScan scan(*this);
  while (scan.Next()) {
    for (std::size_t i = 0; i < positions.size(); ++i) {
      if (i > 0) out += separator;
      AppendValue(out, scan.Text(positions[i]), quote);
    }
    out += "\r\n";
    if (out.size() >= kFlushAt) {
      file.Write(out);
      out.clear();
    }
  }
  file.Write(out);
  file.Commit();
}

void TDBISAMTableVantor::ExportDbf(const std::string& path,
                                   const std::vector<std::string>& columns) {
  const std::vector<int> positions = ColumnPositions(columns);
  TBracket bracket(*this);
  TReplacingFile file(path);
  if (file.InPlace() && ::lseek(file.Descriptor(), 0, SEEK_CUR) < 0)
    throw EExportError("Cannot write a dBASE table to " + path + ": it cannot be rewound");

  TDbfContext context;
  context.path = file.WorkPath();
  TDbfContext* const previous = g_dbf;
  g_dbf = &context;
  struct Restore {
    TDbfContext* previous;
    ~Restore() { g_dbf = previous; }
  } restore{previous};
  auto raise = [&](const std::string& fallback) -> void {
    throw EExportError("Cannot write " + path + ": " +
                       (context.failure.empty() ? fallback : context.failure));
  };

  SAHooks hooks = DbfHooks();
  // Code page mark 0x57: the 8-bit Windows code page, which is how the tool's texts are held.
  DBFHandle dbf = DBFCreateLL(context.path.c_str(), "LDID/87", &hooks);
  if (!dbf) raise("the dBASE library could not create it");
  struct Close {
    DBFHandle& dbf;
    ~Close() {
      if (dbf) DBFClose(dbf);
    }
  } close{dbf};

  static constexpr const char* kNames[] = {"", "Email", "Name", "Field"};
  for (int position : positions) {
    const char* name = kNames[position];
    if (DBFAddField(dbf, name, FTString, static_cast<int>(FieldWidth(name)), 0) < 0)
      raise(std::string("cannot add the column ") + name);
  }
  const std::time_t now = std::time(nullptr);
  std::tm today{};
  ::localtime_r(&now, &today);
  DBFSetLastModifiedDate(dbf, today.tm_year, today.tm_mon + 1, today.tm_mday);

  TRecordScan scan(*this);
  std::string value;
  int record = 0;
  while (scan.Next()) {
    for (std::size_t i = 0; i < positions.size(); ++i) {
      const char* name = kNames[positions[i]];
      // The library takes a C string: a value is cut at its width, as the table holds it.
      value.assign(CutToWidth(scan.Text(positions[i]), FieldWidth(name)));
      if (!DBFWriteStringAttribute(dbf, record, static_cast<int>(i), value.c_str()) &&
          value.size() == std::strlen(value.c_str()))
        raise("record " + std::to_string(record + 1) + " was not written");
    }
    ++record;
    if (!context.failure.empty()) raise({});
  }
  DBFClose(dbf);
  dbf = nullptr;
  if (!context.failure.empty()) raise({});
  file.Commit();
}

}  // namespace tessaly
