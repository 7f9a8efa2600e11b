// The SQLite file behind a Notes database. One file per database:
//
//   meta(key, value)        the title, and what the schema is
//   notes(id INTEGER PRIMARY KEY AUTOINCREMENT, form, modified, entry_start, items)
//
// `id` is the note ID; AUTOINCREMENT keeps the highest ID ever given in sqlite_sequence, so a
// deleted note's ID never comes back, not even after the highest note goes. `modified` is the
// packed last-modified date-time and `items` every item in one blob (item_codec.h): a note
// reads with one row fetch. `entry_start` is the start moment of a calendar entry (NULL for
// other notes), derived from the items at each save; an index on it serves GetEntries.
//
// The file is stamped with an application ID and schema version, so a stray SQLite file is
// told apart from ours. WAL journal: readers do not block the writer, and a committed save is
// in the file (not in our memory) when the call returns. Several processes may use one file;
// a writer waits for another one's lock up to the busy timeout.
//
// A connection, and so every handle that shares it, serves one thread at a time (it is opened
// without SQLite's own mutex), as the handler calls Notes from one thread.
#pragma once

#include <sqlite3.h>

#include <sys/types.h>

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "notesapi/lndatetime.h"
#include "notesapi/lnglobal.h"
#include "notesapi/lnitem.h"

namespace pim::notes::detail {

// The one place where SQLite's result codes become our statuses.
LNSTATUS StatusFromSqlite(int result_code);

// The moment key (MomentKey) of a calendar entry's start, the key GetEntries selects on; none
// when the items are not those of a calendar entry with a start date.
std::optional<int64_t> EntryStart(const std::vector<LNItem>& items);

struct ConnectionCloser {
  void operator()(sqlite3* connection) const { sqlite3_close_v2(connection); }
};
struct StatementFinalizer {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using ConnectionPtr = std::unique_ptr<sqlite3, ConnectionCloser>;
using StatementPtr = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

// The statements a connection prepares once and keeps.
enum class Sql : size_t {
  kBegin,
  kCommit,
  kSavepoint,
  kRelease,
  kReadNote,
  kNoteForm,
  kListNotes,  // id, form, modified, items, entry_start; ascending by id
  kInsertNote,
  kUpdateNote,
  kDeleteNote,
  kListEntries,
  kGetProperty,
  kSetProperty,
  kCount,
};

// A note as the file holds it.
struct StoredNote {
  NOTEID id = 0;
  LNString form;
  LNDatetime modified;
  std::vector<LNItem> items;
  std::string encoded_items;  // listings: the items as stored, decoded when first needed
};

class NotesDatabase;

// A cached statement for one use: bound, stepped, and reset when it goes, so that no read
// stays open on the connection (an open read would pin the WAL and hide later commits).
class Statement {
 public:
  Statement(NotesDatabase& db, Sql sql);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  void Bind(int index, int64_t value);
  void Bind(int index, std::string_view text);
  void BindBlob(int index, std::string_view bytes);
  void BindNull(int index);
  // True with a row to read, false when done; a failure raises its status.
  bool Step();
  int64_t Int(int column) const;
  std::string_view Text(int column) const;
  std::string_view Blob(int column) const;
  bool IsNull(int column) const;

 private:
  NotesDatabase& db_;
  sqlite3_stmt* statement_;
};

// BEGIN IMMEDIATE (the write lock up front, so two writers never deadlock upgrading a read);
// rolls back unless committed. Inside a batch it is a savepoint of the batch's transaction:
// a failed write still leaves no trace, and a committed one waits for the batch's end.
class Transaction {
 public:
  explicit Transaction(NotesDatabase& db);
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  void Commit();

 private:
  NotesDatabase& db_;
  bool nested_;
  bool done_ = false;
};

class NotesDatabase {
 public:
  // Opens the database file at `path`; raises LNERR_DATABASE_NOT_FOUND when there is none,
  // LNERR_DATABASE_INVALID when the file is not one of ours.
  static std::shared_ptr<NotesDatabase> Open(const std::string& path);
  // Makes a new database file whose first note gets `first_note_id`; raises
  // LNERR_DATABASE_EXISTS when something is at the path.
  static void Create(const std::string& path, const std::string& title, NOTEID first_note_id);
  // A new file at `to` holding what `from` holds now: its bytes when the write-ahead log is
  // empty, else page for page through SQLite's online backup.
  static void CreateCopy(const std::string& from, const std::string& to);

  NotesDatabase(const NotesDatabase&) = delete;
  NotesDatabase& operator=(const NotesDatabase&) = delete;

  const std::string& path() const { return path_; }
  const std::string& title() const { return title_; }
  const std::string& replica_id() const { return replica_id_; }
  // A value kept under `name` in the database's metadata: empty when none is.
  std::string Property(const std::string& name);
  // Keeps `value` under `name` in one transaction.
  void SetProperty(const std::string& name, const std::string& value);
  // Whether the file at `path` is still the one this connection opened.
  bool StillAt(const std::string& path) const;

  // False when there is no such note.
  bool ReadNote(NOTEID id, StoredNote& note);
  // The form of the note, false when there is no such note.
  bool NoteForm(NOTEID id, LNString& form);
  // Every note, whole, ascending by ID: one read instead of one per note. The items come
  // encoded (encoded_items), since many callers look at the forms alone.
  std::vector<StoredNote> ListNotes();
  // Writes a note in one transaction: a new one when `id` is 0, and returns its ID. Raises
  // LNERR_NOTE_NOT_FOUND when the note was deleted meanwhile (it is not brought back).
  NOTEID WriteNote(NOTEID id, const LNString& form, const LNDatetime& modified,
                   const std::vector<LNItem>& items);
  // False when there was no such note.
  bool DeleteNote(NOTEID id);
  // The calendar entries whose start moment key lies in [from, to), by start then ID; the
  // items come encoded, as with ListNotes.
  std::vector<StoredNote> ListEntries(int64_t from, int64_t to);

  // A batch: the writes up to EndBatch go to the file in one transaction, which spares a
  // commit (and its WAL sync) per note when many are written. Neither nests.
  void BeginBatch();
  // Commits the batch's writes. When the commit fails, they are rolled back, and the failure
  // raised.
  void EndBatch();
  bool InBatch() const { return in_batch_; }

  // For Statement and Transaction.
  sqlite3_stmt* Cached(Sql sql);
  [[noreturn]] void RaiseSqlite(int result_code) const;
  sqlite3* connection() const { return connection_.get(); }

 private:
  explicit NotesDatabase(std::string path) : path_(std::move(path)) {}
  void Exec(const char* sql);
  void CheckSchema();
  // Connects to the file at path_, which the caller has just made.
  void ConnectToNewFile();
  // Copies the database page by page into the new, empty file at `to` (SQLite's online backup).
  static void BackUp(NotesDatabase& source, const std::string& to);

  std::string path_;
  std::string title_;
  std::string replica_id_;
  dev_t device_ = 0;  // the file opened, to tell when the path names another one
  ino_t inode_ = 0;
  bool in_batch_ = false;
  // Declared before the statements: they must be finalized before the connection closes.
  ConnectionPtr connection_;
  std::array<StatementPtr, static_cast<size_t>(Sql::kCount)> statements_;
};

// The connections of one session, one per database file, open until the session ends: the
// handles a session gives out share their file's connection (its prepared statements, its
// mapped pages, its batch), and a file is not opened and closed again by every call that
// reads it. A path whose file was removed or replaced since gets a connection to what is there
// now, or the status of opening nothing.
class ConnectionPool {
 public:
  std::shared_ptr<NotesDatabase> Get(const std::string& path);

 private:
  std::map<std::string, std::shared_ptr<NotesDatabase>> connections_;
};

}  // namespace pim::notes::detail
