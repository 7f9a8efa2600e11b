#include "notesapi/notes_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <random>

#include "notesapi/call_guard.h"
#include "notesapi/item_codec.h"
#include "notesapi/lncalendar.h"
#include "platform/text.h"

namespace pim::notes::detail {
namespace {

// "PNOT": marks the file as a pimsync Notes database. Bump kSchemaVersion with the schema.
constexpr int kApplicationId = 0x504E4F54;
constexpr int kSchemaVersion = 1;

// How long a connection waits for another one's lock before it fails with LNERR_DATABASE_BUSY.
constexpr int kBusyTimeoutMs = 5000;

constexpr const char* kSchema = R"sql(
CREATE TABLE meta(key TEXT PRIMARY KEY NOT NULL, value NOT NULL) WITHOUT ROWID;
CREATE TABLE notes(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  form TEXT NOT NULL,
  modified INTEGER NOT NULL,
  entry_start INTEGER,
  items BLOB NOT NULL
);
CREATE INDEX notes_by_entry_start ON notes(entry_start, id) WHERE entry_start IS NOT NULL;
PRAGMA application_id = 1347309396;
PRAGMA user_version = 1;
)sql";
static_assert(kApplicationId == 1347309396 && kSchemaVersion == 1, "kSchema says the same");

constexpr const char* kStatementText[] = {
    "BEGIN IMMEDIATE",
    "COMMIT",
    "SAVEPOINT note",
    "RELEASE note",
    "SELECT form, modified, items FROM notes WHERE id = ?1",
    "SELECT form FROM notes WHERE id = ?1",
    "SELECT id, form, modified, items, entry_start FROM notes ORDER BY id",
    "INSERT INTO notes(form, modified, entry_start, items) VALUES(?1, ?2, ?3, ?4)",
    "UPDATE notes SET form = ?2, modified = ?3, entry_start = ?4, items = ?5 WHERE id = ?1",
    "DELETE FROM notes WHERE id = ?1",
    ("SELECT id, form, modified, items FROM notes"
     " WHERE entry_start >= ?1 AND entry_start < ?2 ORDER BY entry_start, id"),
    // Apart from the stand-in's own keys (title, replica).
    "SELECT value FROM meta WHERE key = 'property:' || ?1",
    "INSERT OR REPLACE INTO meta(key, value) VALUES('property:' || ?1, ?2)",
};
static_assert(std::size(kStatementText) == static_cast<size_t>(Sql::kCount));

void ReadStoredNote(const Statement& row, int first_column, StoredNote& note) {
  note.form.assign(row.Text(first_column));
  if (!UnpackDatetime(row.Int(first_column + 1), note.modified) ||
      !DecodeItems(row.Blob(first_column + 2), note.items)) {
    Raise(LNERR_DATABASE_INVALID);
  }
}

// The rows of a listing (id, form, modified, items), the items left encoded: most callers look
// at a few notes' items, or none.
std::vector<StoredNote> ReadEncodedNotes(Statement& list) {
  std::vector<StoredNote> notes;
  while (list.Step()) {
    StoredNote& note = notes.emplace_back();
    note.id = static_cast<NOTEID>(list.Int(0));
    note.form.assign(list.Text(1));
    if (!UnpackDatetime(list.Int(2), note.modified)) Raise(LNERR_DATABASE_INVALID);
    note.encoded_items.assign(list.Blob(3));
  }
  return notes;
}

// Copies the file at `from` into the empty file `to`. False when the kernel
// cannot copy between the two (then nothing was written).
bool CopyBytes(const std::string& from, int to) {
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) Raise(LNERR_DATABASE_IO);
  for (;;) {
    const ssize_t n = ::copy_file_range(in, nullptr, to, nullptr, 1 << 30, 0);
    if (n > 0) continue;
    if (n == 0) break;
    if (errno == EINTR) continue;
    const bool unsupported = errno == EXDEV || errno == ENOSYS || errno == EINVAL;
    ::close(in);
    if (unsupported && ::lseek(to, 0, SEEK_END) == 0) return false;
    Raise(LNERR_DATABASE_IO);
  }
  ::close(in);
  return true;
}

// 64 random bits as 16 hexadecimal digits: two databases made anywhere share one too seldom to
// matter.
std::string NewReplicaId() {
  std::random_device random;
  const uint64_t bits = (static_cast<uint64_t>(random()) << 32) ^ random();
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(bits));
  return text;
}

// Removes a database file that Create could not finish, with the journal files beside it.
class RemoveUnlessKept {
 public:
  explicit RemoveUnlessKept(std::string path) : path_(std::move(path)) {}
  ~RemoveUnlessKept() {
    if (keep_) return;
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
      ::unlink((path_ + suffix).c_str());
    }
  }
  RemoveUnlessKept(const RemoveUnlessKept&) = delete;
  RemoveUnlessKept& operator=(const RemoveUnlessKept&) = delete;
  void Keep() { keep_ = true; }

 private:
  std::string path_;
  bool keep_ = false;
};

}  // namespace

std::optional<int64_t> EntryStart(const std::vector<LNItem>& items) {
  bool is_entry = false;
  const LNDatetime* start = nullptr;
  for (const LNItem& item : items) {
    if (platform::EqualsNoCase(item.GetName(), kEntryTypeItem)) {
      is_entry = item.Numbers() != nullptr && !item.Numbers()->empty();
    } else if (platform::EqualsNoCase(item.GetName(), kEntryStartItem)) {
      const auto* datetimes = item.Datetimes();
      start = datetimes != nullptr && !datetimes->empty() ? &datetimes->front() : nullptr;
    }
  }
  if (!is_entry || start == nullptr || (start->GetState() & LNDATETIMESTATE_DATE_ONLY) == 0) {
    return std::nullopt;
  }
  return MomentKey(*start);
}

LNSTATUS StatusFromSqlite(int result_code) {
  switch (result_code & 0xFF) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
      return LNNOERROR;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return LNERR_DATABASE_BUSY;
    case SQLITE_NOMEM:
      return LNERR_OUT_OF_MEMORY;
    case SQLITE_FULL:
      return LNERR_DATABASE_FULL;
    // Our statements are fixed, so an SQL error means the tables are not the ones we made.
    case SQLITE_ERROR:
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
    case SQLITE_SCHEMA:
    case SQLITE_FORMAT:
    case SQLITE_MISMATCH:
      return LNERR_DATABASE_INVALID;
    case SQLITE_TOOBIG:
    case SQLITE_RANGE:
      return LNERR_BAD_ARGUMENT;
    default:  // SQLITE_IOERR, SQLITE_CANTOPEN, SQLITE_READONLY, SQLITE_PERM, ...
      return LNERR_DATABASE_IO;
  }
}

Statement::Statement(NotesDatabase& db, Sql sql) : db_(db), statement_(db.Cached(sql)) {}

Statement::~Statement() {
  sqlite3_reset(statement_);
  sqlite3_clear_bindings(statement_);
}

// Bound text and blobs are not copied: the caller's bytes outlive this use of the statement.
void Statement::Bind(int index, int64_t value) {
  if (const int rc = sqlite3_bind_int64(statement_, index, value); rc != SQLITE_OK) {
    db_.RaiseSqlite(rc);
  }
}

void Statement::Bind(int index, std::string_view text) {
  const char* data = text.data() != nullptr ? text.data() : "";
  const int rc =
      sqlite3_bind_text64(statement_, index, data, text.size(), SQLITE_STATIC, SQLITE_UTF8);
  if (rc != SQLITE_OK) db_.RaiseSqlite(rc);
}

void Statement::BindBlob(int index, std::string_view bytes) {
  const char* data = bytes.data() != nullptr ? bytes.data() : "";
  const int rc = sqlite3_bind_blob64(statement_, index, data, bytes.size(), SQLITE_STATIC);
  if (rc != SQLITE_OK) db_.RaiseSqlite(rc);
}

void Statement::BindNull(int index) {
  if (const int rc = sqlite3_bind_null(statement_, index); rc != SQLITE_OK) db_.RaiseSqlite(rc);
}

bool Statement::Step() {
  const int rc = sqlite3_step(statement_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  db_.RaiseSqlite(rc);
}

int64_t Statement::Int(int column) const {
  return sqlite3_column_int64(statement_, column);
}

std::string_view Statement::Text(int column) const {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
  if (text == nullptr) return {};
  return {text, static_cast<size_t>(sqlite3_column_bytes(statement_, column))};
}

bool Statement::IsNull(int column) const {
  return sqlite3_column_type(statement_, column) == SQLITE_NULL;
}

std::string_view Statement::Blob(int column) const {
  const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement_, column));
  if (bytes == nullptr) return {};
  return {bytes, static_cast<size_t>(sqlite3_column_bytes(statement_, column))};
}

Transaction::Transaction(NotesDatabase& db) : db_(db), nested_(db.InBatch()) {
  Statement begin(db_, nested_ ? Sql::kSavepoint : Sql::kBegin);
  begin.Step();
}

Transaction::~Transaction() {
  if (done_) return;
  if (nested_) {
    // Undoes this write alone; the batch goes on. (A failure that made SQLite roll back the
    // whole batch left no savepoint, and this then fails harmlessly.)
    sqlite3_exec(db_.connection(), "ROLLBACK TO note; RELEASE note", nullptr, nullptr, nullptr);
  } else if (sqlite3_get_autocommit(db_.connection()) == 0) {
    // A failed COMMIT may already have ended the transaction; only a live one is rolled back.
    sqlite3_exec(db_.connection(), "ROLLBACK", nullptr, nullptr, nullptr);
  }
}

void Transaction::Commit() {
  Statement commit(db_, nested_ ? Sql::kRelease : Sql::kCommit);
  commit.Step();
  done_ = true;
}

std::shared_ptr<NotesDatabase> NotesDatabase::Open(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    Raise(errno == ENOENT || errno == ENOTDIR ? LNERR_DATABASE_NOT_FOUND : LNERR_DATABASE_IO);
  }
  if (!S_ISREG(info.st_mode)) Raise(LNERR_DATABASE_INVALID);

  std::shared_ptr<NotesDatabase> db(new NotesDatabase(path));
  db->device_ = info.st_dev;
  db->inode_ = info.st_ino;
  sqlite3* connection = nullptr;
  // No SQLITE_OPEN_CREATE: a file that vanished since the stat must not come back empty.
  const int rc = sqlite3_open_v2(path.c_str(), &connection,
                                 SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  db->connection_.reset(connection);  // closed even when the open failed
  if (rc != SQLITE_OK) db->RaiseSqlite(rc);
  sqlite3_busy_timeout(connection, kBusyTimeoutMs);
  db->CheckSchema();
  db->Exec("PRAGMA journal_mode=WAL");
  // With WAL, NORMAL still has every commit in the file when it returns (a killed process
  // loses nothing); only a power loss may take back the last commits.
  db->Exec("PRAGMA synchronous=NORMAL");
  // Reads map the file instead of copying it page by page: a sync reads every note several
  // times. SQLite maps only what the file holds and remaps as it grows.
  db->Exec("PRAGMA mmap_size=1073741824");
  return db;
}

void NotesDatabase::Create(const std::string& path, const std::string& title,
                           NOTEID first_note_id) {
  // O_EXCL makes "already there" exact even when two creators race.
  const int fd = ::open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0644);
  if (fd < 0) Raise(errno == EEXIST ? LNERR_DATABASE_EXISTS : LNERR_DATABASE_IO);
  ::close(fd);
  RemoveUnlessKept remove(path);  // before `db`, so the connection closes before the unlink

  NotesDatabase db(path);
  db.ConnectToNewFile();
  sqlite3* connection = db.connection();
  db.Exec("PRAGMA journal_mode=WAL");  // persistent: stays with the file
  {
    Transaction transaction(db);
    db.Exec(kSchema);
    sqlite3_stmt* raw = nullptr;
    const int prepared = sqlite3_prepare_v2(
        connection, "INSERT INTO meta(key, value) VALUES('title', ?1), ('replica', ?2)", -1, &raw,
        nullptr);
    StatementPtr insert(raw);
    if (prepared != SQLITE_OK) db.RaiseSqlite(prepared);
    const std::string replica = NewReplicaId();
    int bound = sqlite3_bind_text64(raw, 1, title.data(), title.size(), SQLITE_STATIC, SQLITE_UTF8);
    if (bound == SQLITE_OK) {
      bound =
          sqlite3_bind_text64(raw, 2, replica.data(), replica.size(), SQLITE_STATIC, SQLITE_UTF8);
    }
    if (bound != SQLITE_OK) db.RaiseSqlite(bound);
    if (const int stepped = sqlite3_step(raw); stepped != SQLITE_DONE) db.RaiseSqlite(stepped);
    insert.reset();
    if (first_note_id > 1) {
      // AUTOINCREMENT hands out one more than the highest ID it has given.
      db.Exec(("INSERT INTO sqlite_sequence(name, seq) VALUES('notes', " +
               std::to_string(first_note_id - 1) + ")")
                  .c_str());
    }
    transaction.Commit();
  }
  remove.Keep();
}

void NotesDatabase::CreateCopy(const std::string& from, const std::string& to) {
  const std::shared_ptr<NotesDatabase> source = Open(from);
  struct stat info {};
  if (::stat(from.c_str(), &info) != 0) Raise(LNERR_DATABASE_IO);
  const int fd = ::open(to.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, info.st_mode & 0777);
  if (fd < 0) Raise(errno == EEXIST ? LNERR_DATABASE_EXISTS : LNERR_DATABASE_IO);
  RemoveUnlessKept remove(to);
  bool copied = false;
  try {
    // The umask took its bits from the mode the file was created with.
    if (::fchmod(fd, info.st_mode & 0777) != 0) Raise(LNERR_DATABASE_IO);
    // A transaction holds the file still: no one writes to the database, nor checkpoints into
    // its file, while it lasts (it is never committed). With nothing in the write-ahead log,
    // the file alone is the database, and a copy of its bytes is a copy of it.
    Transaction holding(*source);
    struct stat log {};
    if (::stat((from + "-wal").c_str(), &log) != 0 || log.st_size == 0) {
      copied = CopyBytes(from, fd);
    }
  } catch (...) {
    ::close(fd);
    throw;
  }
  if (::close(fd) != 0) Raise(LNERR_DATABASE_IO);
  if (!copied) BackUp(*source, to);
  remove.Keep();
}

void NotesDatabase::ConnectToNewFile() {
  sqlite3* connection = nullptr;
  const int rc = sqlite3_open_v2(path_.c_str(), &connection,
                                 SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  connection_.reset(connection);  // closed even when the open failed
  if (rc != SQLITE_OK) RaiseSqlite(rc);
  sqlite3_busy_timeout(connection, kBusyTimeoutMs);
}

void NotesDatabase::BackUp(NotesDatabase& source, const std::string& to) {
  NotesDatabase copy(to);
  copy.ConnectToNewFile();
  sqlite3* connection = copy.connection();
  // A new file needs no journal to undo a failed copy (it is removed).
  copy.Exec("PRAGMA journal_mode=OFF");
  copy.Exec("PRAGMA synchronous=OFF");
  sqlite3_backup* backup = sqlite3_backup_init(connection, "main", source.connection(), "main");
  if (backup == nullptr) copy.RaiseSqlite(sqlite3_errcode(connection));
  // All pages in one step: one read transaction on the source, so the copy is of one moment.
  const int stepped = sqlite3_backup_step(backup, -1);
  const int finished = sqlite3_backup_finish(backup);
  if (stepped != SQLITE_DONE) copy.RaiseSqlite(stepped);
  if (finished != SQLITE_OK) copy.RaiseSqlite(finished);
  copy.connection_.reset();
}

void NotesDatabase::Exec(const char* sql) {
  if (const int rc = sqlite3_exec(connection_.get(), sql, nullptr, nullptr, nullptr);
      rc != SQLITE_OK) {
    RaiseSqlite(rc);
  }
}

void NotesDatabase::CheckSchema() {
  // Any SQLite file opens; only ours carries our application ID and schema version. A file
  // that is not SQLite at all fails the first read with SQLITE_NOTADB.
  auto query_int = [this](const char* sql) {
    sqlite3_stmt* raw = nullptr;
    const int rc = sqlite3_prepare_v2(connection_.get(), sql, -1, &raw, nullptr);
    StatementPtr statement(raw);
    if (rc != SQLITE_OK) RaiseSqlite(rc);
    const int stepped = sqlite3_step(raw);
    if (stepped != SQLITE_ROW) RaiseSqlite(stepped == SQLITE_DONE ? SQLITE_CORRUPT : stepped);
    return sqlite3_column_int64(raw, 0);
  };
  if (query_int("PRAGMA application_id") != kApplicationId ||
      query_int("PRAGMA user_version") != kSchemaVersion) {
    Raise(LNERR_DATABASE_INVALID);
  }
  sqlite3_stmt* raw = nullptr;
  const int rc = sqlite3_prepare_v2(connection_.get(),
                                    "SELECT key, value FROM meta WHERE key IN ('title', 'replica')",
                                    -1, &raw, nullptr);
  StatementPtr statement(raw);
  if (rc != SQLITE_OK) RaiseSqlite(rc);
  int stepped = SQLITE_ROW;
  while ((stepped = sqlite3_step(raw)) == SQLITE_ROW) {
    const auto* key = reinterpret_cast<const char*>(sqlite3_column_text(raw, 0));
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(raw, 1));
    if (key == nullptr || text == nullptr) continue;
    const std::string value(text, static_cast<size_t>(sqlite3_column_bytes(raw, 1)));
    (std::string_view(key) == "title" ? title_ : replica_id_) = value;
  }
  if (stepped != SQLITE_DONE) RaiseSqlite(stepped);
}

bool NotesDatabase::StillAt(const std::string& path) const {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && info.st_dev == device_ && info.st_ino == inode_;
}

void NotesDatabase::BeginBatch() {
  if (in_batch_) Raise(LNERR_BAD_ARGUMENT);
  Statement(*this, Sql::kBegin).Step();
  in_batch_ = true;
}

void NotesDatabase::EndBatch() {
  if (!in_batch_) return;
  in_batch_ = false;
  // Nothing to commit when a failed write made SQLite roll the batch back; that failure was
  // raised then.
  if (sqlite3_get_autocommit(connection_.get()) != 0) return;
  try {
    Statement(*this, Sql::kCommit).Step();
  } catch (const Error&) {
    if (sqlite3_get_autocommit(connection_.get()) == 0) {
      sqlite3_exec(connection_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
    }
    throw;
  }
}

sqlite3_stmt* NotesDatabase::Cached(Sql sql) {
  StatementPtr& slot = statements_[static_cast<size_t>(sql)];
  if (!slot) {
    sqlite3_stmt* raw = nullptr;
    const int rc = sqlite3_prepare_v3(connection_.get(), kStatementText[static_cast<size_t>(sql)],
                                      -1, SQLITE_PREPARE_PERSISTENT, &raw, nullptr);
    slot.reset(raw);
    if (rc != SQLITE_OK) {
      slot.reset();
      RaiseSqlite(rc);
    }
  }
  return slot.get();
}

void NotesDatabase::RaiseSqlite(int result_code) const {
  Raise(StatusFromSqlite(result_code));
}

bool NotesDatabase::ReadNote(NOTEID id, StoredNote& note) {
  Statement read(*this, Sql::kReadNote);
  read.Bind(1, int64_t{id});
  if (!read.Step()) return false;
  note.id = id;
  ReadStoredNote(read, 0, note);
  return true;
}

bool NotesDatabase::NoteForm(NOTEID id, LNString& form) {
  Statement read(*this, Sql::kNoteForm);
  read.Bind(1, int64_t{id});
  if (!read.Step()) return false;
  form.assign(read.Text(0));
  return true;
}

std::vector<StoredNote> NotesDatabase::ListNotes() {
  Statement list(*this, Sql::kListNotes);
  return ReadEncodedNotes(list);
}

NOTEID NotesDatabase::WriteNote(NOTEID id, const LNString& form, const LNDatetime& modified,
                                const std::vector<LNItem>& items) {
  const std::string blob = EncodeItems(items);
  const std::optional<int64_t> start = EntryStart(items);
  Transaction transaction(*this);
  {
    Statement write(*this, id == 0 ? Sql::kInsertNote : Sql::kUpdateNote);
    int column = 1;
    if (id != 0) write.Bind(column++, int64_t{id});
    write.Bind(column++, std::string_view(form));
    write.Bind(column++, PackDatetime(modified));
    if (start) {
      write.Bind(column++, *start);
    } else {
      write.BindNull(column++);
    }
    write.BindBlob(column, blob);
    write.Step();
  }
  if (id == 0) {
    const sqlite3_int64 new_id = sqlite3_last_insert_rowid(connection_.get());
    // Note IDs are 32 bits wide; the row goes back with the transaction.
    if (new_id <= 0 || new_id > sqlite3_int64{UINT32_MAX}) Raise(LNERR_DATABASE_FULL);
    id = static_cast<NOTEID>(new_id);
  } else if (sqlite3_changes(connection_.get()) == 0) {
    Raise(LNERR_NOTE_NOT_FOUND);
  }
  transaction.Commit();
  return id;
}

bool NotesDatabase::DeleteNote(NOTEID id) {
  Transaction transaction(*this);
  {
    Statement remove(*this, Sql::kDeleteNote);
    remove.Bind(1, int64_t{id});
    remove.Step();
  }
  if (sqlite3_changes(connection_.get()) == 0) return false;
  transaction.Commit();
  return true;
}

std::string NotesDatabase::Property(const std::string& name) {
  Statement get(*this, Sql::kGetProperty);
  get.Bind(1, name);
  return get.Step() ? std::string(get.Text(0)) : std::string();
}

void NotesDatabase::SetProperty(const std::string& name, const std::string& value) {
  Transaction transaction(*this);
  {
    Statement set(*this, Sql::kSetProperty);
    set.Bind(1, name);
    set.Bind(2, value);
    set.Step();
  }
  transaction.Commit();
}

std::vector<StoredNote> NotesDatabase::ListEntries(int64_t from, int64_t to) {
  Statement list(*this, Sql::kListEntries);
  list.Bind(1, from);
  list.Bind(2, to);
  return ReadEncodedNotes(list);
}

std::shared_ptr<NotesDatabase> ConnectionPool::Get(const std::string& path) {
  const auto found = connections_.find(path);
  if (found != connections_.end()) {
    if (found->second->StillAt(path)) return found->second;
    connections_.erase(found);
  }
  std::shared_ptr<NotesDatabase> db = NotesDatabase::Open(path);
  connections_.emplace(path, db);
  return db;
}

}  // namespace pim::notes::detail
