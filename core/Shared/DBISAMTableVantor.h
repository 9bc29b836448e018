// The address table: the working store of one harvest run, kept in SQLite.
//
// Exactly four fields: "id" (integer, required), "Email" (80), "Name" (80), "Field" (10).
// Texts are raw bytes: nothing is converted between character sets, and the widths cut
// in bytes. Two indexes: the primary one on "id", and "ndxemail" on "Email", which ignores
// ASCII letter case and is not unique.
//
// The class offers the table operations the rest of the tool relies on: create (replacing
// a table of the same name), open and close, the active index, a key look-up on it, append
// with post and cancel, a walk in the active index's order with delete, and the count.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace tessaly {

// A failure of the table engine; the message names the table and the engine's reason.
class ETableError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TAddressRecord {
  std::int32_t id = 0;
  std::string Email;
  std::string Name;
  std::string Field;
};

class TDBISAMTableVantor {
 public:
  static constexpr std::size_t kEmailWidth = 80;
  static constexpr std::size_t kNameWidth = 80;
  static constexpr std::size_t kFieldWidth = 10;
  static constexpr std::string_view kEmailIndex = "ndxemail";

  TDBISAMTableVantor() = default;
  TDBISAMTableVantor(const TDBISAMTableVantor&) = delete;
  TDBISAMTableVantor& operator=(const TDBISAMTableVantor&) = delete;
  ~TDBISAMTableVantor();

  // Folder and file name of the table; used by the next CreateTable and Open.
  std::string DatabaseName;
  std::string TableName;
  // True: every post reaches the disk before it returns. False: one transaction until
  // the table is closed or Commit is called.
  bool ForceBufferFlush = true;

  std::string FullPath() const;

  // Creates the table with its fields and indexes and no records; an existing table of
  // the same name is replaced. The table must be closed. Throws ETableError.
  void CreateTable();

  void Open();   // throws ETableError when the table does not exist or cannot be opened
  void Close();  // commits what was posted
  bool Active() const { return db_ != nullptr; }
  void Commit();

  // "" selects the primary index (id order), "ndxemail" the e-mail index.
  void SetIndexName(std::string_view name);
  const std::string& IndexName() const { return indexName_; }

  // Key look-up on the active index: an id on the primary index, an address on "ndxemail"
  // (cut to the field width and compared ignoring case). Moves to the record when found.
  bool FindKey(std::string_view key);
  // The duplicate probe of the address sink: one look-up on "ndxemail", whatever index
  // is active; the cursor does not move.
  bool EmailExists(std::string_view email);

  // Append, field assignment, Post and Cancel. Post throws ETableError and leaves the
  // append pending; Cancel drops it.
  void Append();
  void SetField(std::string_view fieldName, std::string_view value);
  void SetField(std::string_view fieldName, std::int32_t value);
  void Post();
  void Cancel();
  bool Appending() const { return appending_; }
  // Append, the four fields and Post in one step, without copying the texts; throws
  // ETableError and leaves nothing pending when the post fails.
  void AppendRecord(std::int32_t id, std::string_view email, std::string_view name,
                    std::string_view field);

  // A walk in the active index's order over the records present at First. After Delete
  // the current record is the one that followed.
  void First();
  void Next();
  bool Eof() const { return cursor_ >= order_.size(); }
  void Delete();
  const TAddressRecord& Current() const { return current_; }
  // Position of the current record in the walk (0-based).
  std::size_t RecNo() const { return cursor_; }

  std::int64_t RecordCount();
  bool IsEmpty() { return RecordCount() == 0; }

  // The ids of every record in the active index's order: what the grid pages through.
  std::vector<std::int32_t> IdsInIndexOrder();
  // Up to `count` records from position `offset` of the active index's order: what the
  // grid reads a screen at a time, without loading the rest.
  std::vector<TAddressRecord> ReadPage(std::int64_t offset, int count);
  // Every record in id order: one sequential pass over the table, whatever index is active.
  std::vector<TAddressRecord> ReadAllInIdOrder();
  // One record by id; false when there is none.
  bool ReadById(std::int32_t id, TAddressRecord& out);

  // Suspends and resumes the grid's updates (counted, like nested brackets).
  void DisableControls() { ++controlsDisabled_; }
  void EnableControls() {
    if (controlsDisabled_ > 0) --controlsDisabled_;
  }
  bool ControlsDisabled() const { return controlsDisabled_ > 0; }

  // The open connection, for the writers that read the table in bulk.
  sqlite3* Handle() const { return db_; }
  // ORDER BY clause of the active index.
  std::string OrderByClause() const;

 private:
  void Exec(const char* sql);
  sqlite3_stmt* Prepare(const char* sql);
  void BeginIfNeeded();
  void Finalize();
  void LoadCurrent();
  std::vector<TAddressRecord> ReadRecords(const std::string& sql, int count, std::int64_t offset);
  [[noreturn]] void Fail(const std::string& what) const;

  sqlite3* db_ = nullptr;
  bool inTransaction_ = false;
  std::string indexName_;
  sqlite3_stmt* insert_ = nullptr;
  sqlite3_stmt* probeEmail_ = nullptr;
  sqlite3_stmt* probeId_ = nullptr;
  sqlite3_stmt* readById_ = nullptr;
  sqlite3_stmt* deleteById_ = nullptr;

  bool appending_ = false;
  TAddressRecord pending_;

  std::vector<std::int32_t> order_;
  std::size_t cursor_ = 0;
  TAddressRecord current_;

  int controlsDisabled_ = 0;
};

// Cuts a text to a field width, in bytes.
inline std::string_view CutToWidth(std::string_view text, std::size_t width) {
  return text.size() > width ? text.substr(0, width) : text;
}

}  // namespace tessaly
