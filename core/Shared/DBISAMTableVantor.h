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
// For the list commands it adds a forward scan that deletes in place, and the two writers
// of Save As with the bracket they share (DBISAMTableExport.cpp).
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "Shared/ListedMemo.h"

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

// A Save As file that could not be created or written; the message names the file and the
// system's or the dBASE library's reason.
class EExportError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TRecordScan;

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

  // The bracket around a writer's walk: remembers the current record and whether the
  // controls were already disabled, disables them, and afterwards restores both.
  void BeginExportBracket();
  void EndExportBracket();

  // Writes every record, in the active index's order, as one line of the listed columns
  // ("Email", "Name", "Field"). With the header flag: a line of the captions, each quoted
  // and followed by the separator, or, with no captions, of the cleaned column names. With
  // the quote flag every value is cleaned (double quotes removed, codes 0 to 32 stripped at
  // both ends) and put in double quotes. Lines end with CR LF.
  //
  // The file is written under a temporary name in the target's folder and takes the
  // target's name only once it is complete: a failure leaves an earlier file of that name
  // as it was and no partial file behind. Throws EExportError (also for an empty or
  // unknown column list) and ETableError.
  void ExportText(const std::string& path, bool withHeader,
                  const std::vector<std::string>& captions, const std::vector<std::string>& columns,
                  char separator, bool quote);
  // Writes a new dBASE III table with one character column per listed column, named and
  // sized like the table's, holding every record in the active index's order. Replaces the
  // target the same way as ExportText. Throws EExportError and ETableError.
  void ExportDbf(const std::string& path, const std::vector<std::string>& columns);

  // One pass over every record in id order, deleting in place: visit gets each record's
  // "Email" and answers whether that record goes; setting stop keeps every record after it
  // without showing it to visit. The deletion happens at the walk's own position, as it
  // passes, with no list of records to delete. visit may read the table meanwhile (it lets
  // the window work); an exception from it ends the walk, keeps what was deleted, and is
  // thrown again. Returns the number of records deleted. Throws ETableError, and then the
  // engine has taken back this walk's deletions: the table is as it was before it.
  std::int64_t DeleteInOnePass(
      const std::function<bool(std::string_view email, bool& stop)>& visit);

  // The declared width of a text field: 80, 80, 10; 0 for any other name.
  static std::size_t FieldWidth(std::string_view fieldName);

 private:
  friend class TRecordScan;
  void Exec(const char* sql);
  sqlite3_stmt* Prepare(const char* sql);
  void BeginIfNeeded();
  void NoteFailedWrite();
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
  // Addresses the e-mail index is known to hold; any removal or change of records clears it.
  TListedMemo listed_;
  static void RecordsChanged(void* self, int op, const char*, const char*, long long);
  std::size_t exportRecNo_ = 0;
  bool exportDisabledControls_ = false;
};

// A forward read of the whole table in its active index's order, one statement stepped
// once: what the writers use, since they visit every record. The scan must end before the
// table is closed.
class TRecordScan {
 public:
  explicit TRecordScan(TDBISAMTableVantor& table);
  ~TRecordScan();
  TRecordScan(const TRecordScan&) = delete;
  TRecordScan& operator=(const TRecordScan&) = delete;

  // Moves to the next record (the first, on the first call); false past the last.
  bool Next();
  std::int32_t id() const;
  // The texts stay valid until the next call of Next or DeleteCurrent.
  std::string_view Email() const { return Text(1); }
  std::string_view Name() const { return Text(2); }
  std::string_view Field() const { return Text(3); }
  // Column 1 "Email", 2 "Name", 3 "Field".
  std::string_view Text(int column) const;

 private:
  TDBISAMTableVantor& table_;
  sqlite3_stmt* st_ = nullptr;
};

// Cuts a text to a field width, in bytes.
inline std::string_view CutToWidth(std::string_view text, std::size_t width) {
  return text.size() > width ? text.substr(0, width) : text;
}

}  // namespace tessaly
