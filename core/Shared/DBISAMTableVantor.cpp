#include "Shared/DBISAMTableVantor.h"

#include <sqlite3.h>

#include <array>
#include <charconv>
#include <cstring>
#include <exception>
#include <filesystem>

#include "harvest/Paths.h"

namespace tessaly {
namespace {

constexpr const char* kSchema =
    "CREATE TABLE Address("
    "id INTEGER PRIMARY KEY NOT NULL,"
    "Email TEXT NOT NULL DEFAULT '',"
    "Name TEXT NOT NULL DEFAULT '',"
    "Field TEXT NOT NULL DEFAULT '');"
    "CREATE INDEX ndxemail ON Address(Email COLLATE NOCASE);";

// The table is private and re-created at every run: no journal on disk, no syncs.
constexpr const char* kPragmas =
    "PRAGMA journal_mode=MEMORY;"
    "PRAGMA synchronous=OFF;"
    "PRAGMA locking_mode=EXCLUSIVE;"
    "PRAGMA temp_store=MEMORY;"
    "PRAGMA cache_size=-131072;"
    "PRAGMA mmap_size=268435456;";

void BindText(sqlite3_stmt* st, int index, std::string_view text) {
  // Bound as bytes with their length: no terminator needed, no conversion made.
  // An empty view may carry no pointer at all, which the engine would store as NULL.
  sqlite3_bind_text(st, index, text.empty() ? "" : text.data(), static_cast<int>(text.size()),
                    SQLITE_STATIC);
}

// ASCII letters folded, every other byte as it is: the order of the e-mail index. It takes
// the place of the engine's own NOCASE, which it matches for every text without a zero
// byte, and compares eight bytes at a time while they are equal: addresses share long
// prefixes, and the index compares them at every step of every look-up.
constexpr auto kFold = [] {
  std::array<unsigned char, 256> t{};
  for (int i = 0; i < 256; ++i) t[i] = static_cast<unsigned char>(i >= 'A' && i <= 'Z' ? i + 32 : i);
  return t;
}();

int FoldCompare(void*, int n1, const void* p1, int n2, const void* p2) {
  const auto* a = static_cast<const unsigned char*>(p1);
  const auto* b = static_cast<const unsigned char*>(p2);
  const int n = n1 < n2 ? n1 : n2;
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t wa, wb;
    std::memcpy(&wa, a + i, 8);
    std::memcpy(&wb, b + i, 8);
    if (wa != wb) break;
  }
  for (; i < n; ++i) {
    const int d = kFold[a[i]] - kFold[b[i]];
    if (d != 0) return d;
  }
  return n1 - n2;
}

sqlite3* OpenConnection(const std::string& path, int flags) {
  // Before the engine starts: no global memory statistics, which cost a lock per
  // allocation. Harmless when the engine was already started by someone else.
  static const bool configured = [] {
    sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    return true;
  }();
  (void)configured;
  sqlite3* db = nullptr;
  // Only the user-interface thread touches the table: no connection mutex.
  const int rc = sqlite3_open_v2(path.c_str(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    std::string reason = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    sqlite3_close(db);
    throw ETableError("Cannot open " + path + ": " + reason);
  }
  sqlite3_create_collation(db, "NOCASE", SQLITE_UTF8, nullptr, FoldCompare);
  return db;
}

std::string ColumnText(sqlite3_stmt* st, int column) {
  const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, column));
  return p ? std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(st, column)))
           : std::string();
}

}  // namespace

TDBISAMTableVantor::~TDBISAMTableVantor() {
  try {
    Close();
  } catch (...) {
    // Closing in a destructor: the table is private and re-created at the next start.
  }
}

std::string TDBISAMTableVantor::FullPath() const { return JoinPath(DatabaseName, TableName); }

void TDBISAMTableVantor::Fail(const std::string& what) const {
  std::string message = what + " (" + FullPath() + ")";
  if (db_) message += ": " + std::string(sqlite3_errmsg(db_));
  throw ETableError(message);
}

void TDBISAMTableVantor::Exec(const char* sql) {
  char* error = nullptr;
  if (sqlite3_exec(db_, sql, nullptr, nullptr, &error) != SQLITE_OK) {
    std::string reason = error ? error : "unknown error";
    sqlite3_free(error);
    throw ETableError("Table " + FullPath() + ": " + reason);
  }
}

sqlite3_stmt* TDBISAMTableVantor::Prepare(const char* sql) {
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &st, nullptr) != SQLITE_OK)
    Fail("Cannot prepare a statement");
  return st;
}

void TDBISAMTableVantor::CreateTable() {
  if (Active()) throw ETableError("Table " + FullPath() + " is open; close it before creating");
  const std::string path = FullPath();
  std::error_code ec;
  std::filesystem::remove(path, ec);
  if (ec) throw ETableError("Cannot replace " + path + ": " + ec.message());
  std::filesystem::remove(path + "-journal", ec);

  db_ = OpenConnection(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  try {
    Exec(kPragmas);
    Exec(kSchema);
  } catch (...) {
    sqlite3_close(db_);
    db_ = nullptr;
    throw;
  }
  sqlite3_close(db_);
  db_ = nullptr;
}

void TDBISAMTableVantor::Open() {
  if (Active()) return;
  const std::string path = FullPath();
  db_ = OpenConnection(path, SQLITE_OPEN_READWRITE);
  listed_.Clear();
  sqlite3_update_hook(db_, &TDBISAMTableVantor::RecordsChanged, this);
  try {
    Exec(kPragmas);
    insert_ = Prepare("INSERT INTO Address(id, Email, Name, Field) VALUES(?1, ?2, ?3, ?4)");
    probeEmail_ = Prepare("SELECT id FROM Address WHERE Email = ?1 COLLATE NOCASE LIMIT 1");
    probeId_ = Prepare("SELECT id FROM Address WHERE id = ?1");
    readById_ = Prepare("SELECT id, Email, Name, Field FROM Address WHERE id = ?1");
    deleteById_ = Prepare("DELETE FROM Address WHERE id = ?1");
  } catch (...) {
    Finalize();
    sqlite3_close(db_);
    db_ = nullptr;
    throw;
  }
  order_.clear();
  cursor_ = 0;
}

void TDBISAMTableVantor::Finalize() {
  for (sqlite3_stmt** st : {&insert_, &probeEmail_, &probeId_, &readById_, &deleteById_}) {
    sqlite3_finalize(*st);
    *st = nullptr;
  }
}

void TDBISAMTableVantor::Commit() {
  if (db_ && inTransaction_) {
    inTransaction_ = false;
    try {
      Exec("COMMIT");
    } catch (const ETableError&) {
      NoteFailedWrite();
      throw;
    }
  }
}

void TDBISAMTableVantor::NoteFailedWrite() {
  // A full disk or an I/O error can make the engine roll the whole transaction back, and
  // with it records the memo remembers.
  if (inTransaction_ && sqlite3_get_autocommit(db_)) inTransaction_ = false;
  if (!inTransaction_) listed_.Clear();
}

void TDBISAMTableVantor::Close() {
  if (!db_) return;
  appending_ = false;
  std::string failure;
  try {
    Commit();
  } catch (const ETableError& e) {
    failure = e.what();
  }
  Finalize();
  sqlite3_close(db_);
  db_ = nullptr;
  listed_.Clear();
  order_.clear();
  cursor_ = 0;
  if (!failure.empty()) throw ETableError(failure);
}

void TDBISAMTableVantor::BeginIfNeeded() {
  if (ForceBufferFlush || inTransaction_) return;
  Exec("BEGIN");
  inTransaction_ = true;
}

void TDBISAMTableVantor::SetIndexName(std::string_view name) {
  if (!name.empty() && name != kEmailIndex)
    throw ETableError("Table " + FullPath() + " has no index " + std::string(name));
  indexName_ = std::string(name);
}

std::string TDBISAMTableVantor::OrderByClause() const {
  return indexName_.empty() ? "ORDER BY id" : "ORDER BY Email COLLATE NOCASE, id";
}

void TDBISAMTableVantor::RecordsChanged(void* self, int op, const char*, const char*, long long) {
  // A record deleted or changed may have been the one a remembered address stood for.
  if (op != SQLITE_INSERT) static_cast<TDBISAMTableVantor*>(self)->listed_.Clear();
}

bool TDBISAMTableVantor::EmailExists(std::string_view email) {
  if (!db_) Fail("Table is not open");
  if (listed_.Contains(email)) return true;
  sqlite3_reset(probeEmail_);
  BindText(probeEmail_, 1, CutToWidth(email, kEmailWidth));
  const int rc = sqlite3_step(probeEmail_);
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) Fail("Look-up failed");
  const bool found = rc == SQLITE_ROW;
  sqlite3_reset(probeEmail_);
  if (found) listed_.Insert(email);
  return found;
}

bool TDBISAMTableVantor::FindKey(std::string_view key) {
  if (!db_) Fail("Table is not open");
  sqlite3_stmt* st = indexName_.empty() ? probeId_ : probeEmail_;
  sqlite3_reset(st);
  if (indexName_.empty()) {
    std::int32_t id = 0;
    const auto [end, ec] = std::from_chars(key.data(), key.data() + key.size(), id);
    if (ec != std::errc() || end != key.data() + key.size())
      throw ETableError("Key '" + std::string(key) + "' is not an id");
    sqlite3_bind_int(st, 1, id);
  } else {
    BindText(st, 1, CutToWidth(key, kEmailWidth));
  }
  const int rc = sqlite3_step(st);
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) Fail("Look-up failed");
  const bool found = rc == SQLITE_ROW;
  const std::int32_t id = found ? sqlite3_column_int(st, 0) : 0;
  sqlite3_reset(st);
  if (found) {
    // Position the walk on the record found.
    order_ = IdsInIndexOrder();
    for (cursor_ = 0; cursor_ < order_.size() && order_[cursor_] != id; ++cursor_) {
    }
    LoadCurrent();
  }
  return found;
}

void TDBISAMTableVantor::Append() {
  if (!db_) Fail("Table is not open");
  appending_ = true;
  pending_ = TAddressRecord{};
}

void TDBISAMTableVantor::SetField(std::string_view fieldName, std::string_view value) {
  if (!appending_) Fail("No record is being appended");
  if (fieldName == "Email") {
    pending_.Email.assign(CutToWidth(value, kEmailWidth));
  } else if (fieldName == "Name") {
    pending_.Name.assign(CutToWidth(value, kNameWidth));
  } else if (fieldName == "Field") {
    pending_.Field.assign(CutToWidth(value, kFieldWidth));
  } else {
    Fail("No text field " + std::string(fieldName));
  }
}

void TDBISAMTableVantor::SetField(std::string_view fieldName, std::int32_t value) {
  if (!appending_) Fail("No record is being appended");
  if (fieldName != "id") Fail("No integer field " + std::string(fieldName));
  pending_.id = value;
}

void TDBISAMTableVantor::Post() {
  if (!appending_) Fail("No record is being appended");
  BeginIfNeeded();
  sqlite3_reset(insert_);
  sqlite3_bind_int(insert_, 1, pending_.id);
  BindText(insert_, 2, pending_.Email);
  BindText(insert_, 3, pending_.Name);
  BindText(insert_, 4, pending_.Field);
  const int rc = sqlite3_step(insert_);
  sqlite3_reset(insert_);
  if (rc != SQLITE_DONE) {
    NoteFailedWrite();
    Fail("Cannot post record " + std::to_string(pending_.id));
  }
  appending_ = false;
  listed_.Insert(pending_.Email);
}

void TDBISAMTableVantor::Cancel() { appending_ = false; }

void TDBISAMTableVantor::AppendRecord(std::int32_t id, std::string_view email,
                                      std::string_view name, std::string_view field) {
  sqlite3_stmt* st = insert_;
  if (!db_) Fail("Table is not open");
  BeginIfNeeded();
  sqlite3_reset(st);
  sqlite3_bind_int(st, 1, id);
  BindText(st, 2, CutToWidth(email, kEmailWidth));
  BindText(st, 3, CutToWidth(name, kNameWidth));
  BindText(st, 4, CutToWidth(field, kFieldWidth));
  const int rc = sqlite3_step(st);
  sqlite3_reset(st);
  if (rc != SQLITE_DONE) {
    NoteFailedWrite();
    Fail("Cannot post record " + std::to_string(id));
  }
  listed_.Insert(email);
}


std::vector<std::int32_t> TDBISAMTableVantor::IdsInIndexOrder() {
  if (!db_) Fail("Table is not open");
  std::vector<std::int32_t> ids;
  const std::string sql = "SELECT id FROM Address " + OrderByClause();
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
    Fail("Cannot walk the table");
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) ids.push_back(sqlite3_column_int(st, 0));
  sqlite3_finalize(st);
  if (rc != SQLITE_DONE) Fail("Walk failed");
  return ids;
}

std::vector<TAddressRecord> TDBISAMTableVantor::ReadPage(std::int64_t offset, int count) {
  return ReadRecords("SELECT id, Email, Name, Field FROM Address " + OrderByClause() +
                         " LIMIT ?1 OFFSET ?2",
                     count, offset);
}

std::vector<TAddressRecord> TDBISAMTableVantor::ReadAllInIdOrder() {
  return ReadRecords("SELECT id, Email, Name, Field FROM Address ORDER BY id LIMIT ?1 OFFSET ?2",
                     -1, 0);
}

std::vector<TAddressRecord> TDBISAMTableVantor::ReadRecords(const std::string& sql, int count,
                                                            std::int64_t offset) {
  if (!db_) Fail("Table is not open");
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
    Fail("Cannot read the records");
  sqlite3_bind_int(st, 1, count);
  sqlite3_bind_int64(st, 2, offset);
  std::vector<TAddressRecord> page;
  if (count > 0) page.reserve(static_cast<std::size_t>(count));
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    page.push_back({sqlite3_column_int(st, 0), ColumnText(st, 1), ColumnText(st, 2),
                    ColumnText(st, 3)});
  }
  sqlite3_finalize(st);
  if (rc != SQLITE_DONE) Fail("Reading the records failed");
  return page;
}

bool TDBISAMTableVantor::ReadById(std::int32_t id, TAddressRecord& out) {
  if (!db_) Fail("Table is not open");
  sqlite3_reset(readById_);
  sqlite3_bind_int(readById_, 1, id);
  const int rc = sqlite3_step(readById_);
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) Fail("Read failed");
  if (rc == SQLITE_ROW) {
    out.id = sqlite3_column_int(readById_, 0);
    out.Email = ColumnText(readById_, 1);
    out.Name = ColumnText(readById_, 2);
    out.Field = ColumnText(readById_, 3);
  }
  sqlite3_reset(readById_);
  return rc == SQLITE_ROW;
}

void TDBISAMTableVantor::LoadCurrent() {
  // A record deleted behind the walk's back is stepped over.
  while (cursor_ < order_.size()) {
    if (ReadById(order_[cursor_], current_)) return;
    ++cursor_;
  }
  current_ = TAddressRecord{};
}

void TDBISAMTableVantor::First() {
  order_ = IdsInIndexOrder();
  cursor_ = 0;
  LoadCurrent();
}

void TDBISAMTableVantor::Next() {
  if (Eof()) return;
  ++cursor_;
  LoadCurrent();
}

void TDBISAMTableVantor::Delete() {
  if (Eof()) Fail("No current record to delete");
  BeginIfNeeded();
  sqlite3_reset(deleteById_);
  sqlite3_bind_int(deleteById_, 1, order_[cursor_]);
  const int rc = sqlite3_step(deleteById_);
  sqlite3_reset(deleteById_);
  if (rc != SQLITE_DONE) Fail("Cannot delete record " + std::to_string(order_[cursor_]));
  ++cursor_;
  LoadCurrent();
}

std::int64_t TDBISAMTableVantor::RecordCount() {
  if (!db_) Fail("Table is not open");
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db_, "SELECT count(*) FROM Address", -1, &st, nullptr) != SQLITE_OK)
    Fail("Cannot count the records");
  std::int64_t count = 0;
  if (sqlite3_step(st) == SQLITE_ROW) count = sqlite3_column_int64(st, 0);
  sqlite3_finalize(st);
  return count;
}

// --- The forward scan -----------------------------------------------------------------

TRecordScan::TRecordScan(TDBISAMTableVantor& table) : table_(table) {
  if (!table.db_) table.Fail("Table is not open");
  const std::string sql = "SELECT id, Email, Name, Field FROM Address " + table.OrderByClause();
  if (sqlite3_prepare_v2(table.db_, sql.c_str(), -1, &st_, nullptr) != SQLITE_OK) {
    sqlite3_finalize(st_);
    st_ = nullptr;
    table.Fail("Cannot walk the table");
  }
}

TRecordScan::~TRecordScan() {
  sqlite3_finalize(st_);
}

bool TRecordScan::Next() {
  if (!st_) return false;
  const int rc = sqlite3_step(st_);
  if (rc == SQLITE_ROW) return true;
  // Stepping a finished statement would start it again from the first record.
  sqlite3_finalize(st_);
  st_ = nullptr;
  if (rc != SQLITE_DONE) table_.Fail("Walk failed");
  return false;
}

std::int32_t TRecordScan::id() const {
  return st_ ? sqlite3_column_int(st_, 0) : 0;
}

std::string_view TRecordScan::Text(int column) const {
  if (!st_) return {};
  const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st_, column));
  return p ? std::string_view(p, static_cast<std::size_t>(sqlite3_column_bytes(st_, column)))
           : std::string_view();
}

// --- The deletion walk ------------------------------------------------------------------

namespace {

struct TDeleteWalk {
  const std::function<bool(std::string_view, bool&)>* visit = nullptr;
  bool stopped = false;
  std::exception_ptr failure;
};

// Called by the engine once per record, in id order, as its delete statement passes it.
void VisitRecord(sqlite3_context* context, int, sqlite3_value** values) {
  auto* walk = static_cast<TDeleteWalk*>(sqlite3_user_data(context));
  bool remove = false;
  if (!walk->stopped) {
    const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(values[0]));
    const auto n = static_cast<std::size_t>(sqlite3_value_bytes(values[0]));
    try {
      remove = (*walk->visit)(p ? std::string_view(p, n) : std::string_view(), walk->stopped);
    } catch (...) {
      // Nothing may unwind through the engine: the walk ends here and the error goes on
      // once the statement is done.
      walk->failure = std::current_exception();
      walk->stopped = true;
      remove = false;
    }
  }
  sqlite3_result_int(context, remove ? 1 : 0);
}

constexpr const char* kVisitFunction = "tessaly_visit_record";

}  // namespace

std::int64_t TDBISAMTableVantor::DeleteInOnePass(
    const std::function<bool(std::string_view email, bool& stop)>& visit) {
  if (!db_) Fail("Table is not open");
  TDeleteWalk walk;
  walk.visit = &visit;
  if (sqlite3_create_function_v2(db_, kVisitFunction, 1, SQLITE_UTF8, &walk, VisitRecord, nullptr,
                                 nullptr, nullptr) != SQLITE_OK)
    Fail("Cannot prepare the deletion");
  struct Unregister {
    sqlite3* db;
    ~Unregister() {
      sqlite3_create_function_v2(db, kVisitFunction, 1, SQLITE_UTF8, nullptr, nullptr, nullptr,
                                 nullptr, nullptr);
    }
  } unregister{db_};

  // NOT INDEXED keeps the walk on the table itself, in id order, rather than on the
  // e-mail index; the engine then deletes each record at its own position.
  sqlite3_stmt* st = nullptr;
  const std::string sql =
      std::string("DELETE FROM Address NOT INDEXED WHERE ") + kVisitFunction + "(Email)";
  if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
    sqlite3_finalize(st);
    Fail("Cannot prepare the deletion");
  }
  BeginIfNeeded();
  const int rc = sqlite3_step(st);
  sqlite3_finalize(st);
  if (rc != SQLITE_DONE) Fail("Deletion failed");
  const std::int64_t deleted = sqlite3_changes64(db_);
  if (walk.failure) std::rethrow_exception(walk.failure);
  return deleted;
}

}  // namespace tessaly
