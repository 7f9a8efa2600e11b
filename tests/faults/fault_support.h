// What the failure tests share: the message boxes the library shows, the note IDs and LUIDs a
// store holds, the errno a path gives, and entry points run in a forked child under a
// file-size limit. Folders, Notes databases and the captures of the boxes come from
// tests/support.
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
#include <vector>

#include "notesapi/lnglobal.h"
#include "records/cal_entry_object.h"
#include "records/contact_object.h"
#include "support/handler_host.h"
#include "support/notes_db.h"

namespace pim::faults {

using Box = test::CapturedBox;
// Captures the boxes of the library linked into the test program while it lives.
using BoxCapture = test::InProcessCapture;
using test::NoBox;
using test::OneBox;

// The box of the Notes error report for `status`: the status's text, no owner, task-modal, with
// no caption (nullptr) or the empty one ("").
Box NotesErrorBox(notes::LNSTATUS status, const char* caption);
// The box of the file error report: "Cannot ACTION "PATH": CAUSE." in a plain box.
Box FileErrorBox(std::string_view action, const std::string& path, int error);
// Exactly one box, a file error report of `path` with the cause `error` whose action is one of
// `actions` (the wording of the report names the step that failed).
testing::AssertionResult OneFileErrorBox(const std::vector<Box>& boxes,
                                         const std::vector<std::string>& actions,
                                         const std::string& path, int error);

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
// Lets go of every record the handler holds, as the end of a test must.
void ReleaseHeldRecords();

// The note IDs of the Notes database at `path`.
std::set<notes::NOTEID> NoteIdSet(const std::string& path);

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
