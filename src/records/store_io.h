// Loading and saving the sync object store file as a whole.
#pragma once

#include <string>
#include <string_view>

#include "records/cal_entry_object.h"
#include "records/contact_object.h"

namespace pim {

// The whole store file; a failure to open or read it throws a file Error.
std::string ReadStoreFile(const std::string& path);

enum class StoreLoad {
  kLoaded,       // both arrays read
  kNoFile,       // nothing at the path: the arrays are untouched
  kForeignHead,  // the first word is not the LUID mode: the arrays are untouched
};

// Reads the file at `path` into the two arrays, each replacing what its array held; `bytes`,
// when given, receives the file's content. Failures throw: a file Error (open or read),
// a damaged-archive Error (malformed data, a file shorter than its first word included) or
// bad_alloc. An array read before the failure is complete; the array being read keeps the records
// read before the fault; an array not reached is untouched.
StoreLoad LoadStore(const std::string& path, CalendarArray& calendar, ContactArray& contacts,
                    std::string* bytes = nullptr);

// The two arrays read from store bytes already read (the head is not judged).
void ReadStoreBytes(std::string_view bytes, CalendarArray& calendar, ContactArray& contacts);
// The bytes of the store of the two arrays, as SaveStore writes them.
std::string EncodeStore(const CalendarArray& calendar, const ContactArray& contacts);

// Writes the store beside the file at `path` (beside the final target where `path` is a
// symbolic link), with the old file's permission bits and owner, flushes it to the disk and
// renames it over the old one: a save that fails part-way, or a process killed during it,
// leaves the old store in place. Where the folder takes no new file (read-only, or not the
// user's to write in), the file is truncated and written in place instead, and a failure can
// leave it short. An empty path, a folder or another non-file at the path, and a non-file under
// the temporary name are file errors that write nothing.
void SaveStore(const std::string& path, const CalendarArray& calendar,
               const ContactArray& contacts);

}  // namespace pim
