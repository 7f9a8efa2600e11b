// What the failure tests share: the message boxes the library shows, the note IDs and LUIDs a
// store holds, Notes databases set up through the stand-in, the errno a path gives, and entry
// points run in a forked child under a file-size limit.
#pragma once

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "notesapi/lncalendar.h"
#include "notesapi/lndatabase.h"
#include "notesapi/lnglobal.h"
#include "notesapi/lnsession.h"
#include "records/cal_entry_object.h"
#include "records/contact_object.h"

namespace pim::faults {

// A fresh, empty folder, removed with its content when the object goes. It lies in memory
// (/dev/shm) where the machine has that, so that the many fresh starts of a sweep do not wait
// for the disk; elsewhere under the system's temporary folder.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return path_; }
  std::string File(std::string_view name) const { return path_ + "/" + std::string(name); }

 private:
  std::string path_;
};

// One message box as the library asked for it.
struct Box {
  bool owner_is_null = true;
  std::string text;
  bool caption_is_null = true;
  std::string caption;  // "" when the caption pointer was null
  unsigned int style = 0;

  friend bool operator==(const Box&, const Box&) = default;
};
void PrintTo(const Box& box, std::ostream* os);

// Captures every message box while it lives (the boxes seen so far stay readable).
class BoxCapture {
 public:
  BoxCapture();
  ~BoxCapture();
  BoxCapture(const BoxCapture&) = delete;
  BoxCapture& operator=(const BoxCapture&) = delete;
  const std::vector<Box>& boxes() const;
  void Clear();
};

// The box of the Notes error report for `status`: the status's text, no owner, task-modal, with
// no caption (nullptr) or the empty one ("").
Box NotesErrorBox(notes::LNSTATUS status, const char* caption);
// The box of the file error report: "Cannot ACTION "PATH": CAUSE." in a plain box.
Box FileErrorBox(std::string_view action, const std::string& path, int error);

// Exactly one box, equal to `expected`.
testing::AssertionResult OneBox(const std::vector<Box>& boxes, const Box& expected);
// Exactly one box, a file error report of `path` with the cause `error` whose action is one of
// `actions` (the wording of the report names the step that failed).
testing::AssertionResult OneFileErrorBox(const std::vector<Box>& boxes,
                                         const std::vector<std::string>& actions,
                                         const std::string& path, int error);
testing::AssertionResult NoBox(const std::vector<Box>& boxes);

// A record as the pairing of its note and the phone's record.
struct RecordKey {
  uint32_t note_id = 0;
  std::string luid;

  friend bool operator==(const RecordKey&, const RecordKey&) = default;
};
void PrintTo(const RecordKey& key, std::ostream* os);

struct StoreKeys {
  std::vector<RecordKey> todos;
  std::vector<RecordKey> contacts;

  friend bool operator==(const StoreKeys&, const StoreKeys&) = default;
};
void PrintTo(const StoreKeys& keys, std::ostream* os);

StoreKeys KeysOf(const CalendarArray& todos, const ContactArray& contacts);
// The records the handler holds in memory now.
StoreKeys HeldKeys();
// A store file read with the store readers; nullopt when it is missing, has a head other than
// 1 or is not one whole store.
std::optional<StoreKeys> ReadStoreKeys(const std::string& path);
// True when `bytes` are one whole store: they read without fault, and writing what was read
// gives exactly them back (nothing missing, nothing behind).
bool IsWholeStore(std::string_view bytes);

// Loads a store file into the handler's arrays, as a retrieval's first phase does.
void HoldStore(const std::string& path);

using Items = std::vector<std::pair<std::string, std::string>>;

// A Notes database reached through a session of its own, open while the object lives. Every
// save is stamped with a fixed last-modified time, so what a run reads does not depend on the
// clock.
class NotesDb {
 public:
  // Creates the database file when `create` is set.
  NotesDb(const std::string& path, bool create);
  ~NotesDb();
  NotesDb(const NotesDb&) = delete;
  NotesDb& operator=(const NotesDb&) = delete;

  // `modified` and the times of to-dos are local "YYYY-MM-DD HH:MM:SS".
  notes::NOTEID AddDocument(const Items& items, const std::string& modified,
                            const std::string& form = "Person");
  notes::NOTEID AddTodo(const std::string& begin, const std::string& end, const std::string& brief,
                        const std::string& modified);
  void SetItems(notes::NOTEID id, const Items& items, const std::string& modified);
  void SetBrief(notes::NOTEID id, const std::string& brief, const std::string& modified);
  void Delete(notes::NOTEID id);
  std::set<notes::NOTEID> NoteIds();
  bool Exists(notes::NOTEID id);
  std::string Form(notes::NOTEID id);
  // The first value of a text item ("" when there is none).
  std::string Text(notes::NOTEID id, const std::string& item);

 private:
  notes::LNNotesSession session_;
  notes::LNDatabase db_;
  notes::LNCalendar calendar_;
};

// The errno that creating (or truncating) a file at `path` for writing gives; 0 when it can be
// created (the file is then removed again if it was not there).
int CreateErrno(const std::string& path);

// What a forked child saw of one call.
struct ChildRun {
  bool completed = false;  // it ran to its end and exited normally
  bool leak_free = true;   // LeakSanitizer found nothing in the child (sanitized builds)
  int32_t result = -1;
  std::vector<Box> boxes;
};
// Runs `body` in a forked child whose files may grow to `file_size_limit` bytes at most, with
// SIGXFSZ ignored, so that a write past the limit fails with EFBIG as on a full disk. The
// limit, and everything the body changes, stay in the child.
ChildRun RunWithFileSizeLimit(rlim_t file_size_limit, const std::function<int32_t()>& body);

}  // namespace pim::faults
