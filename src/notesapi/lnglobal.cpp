#include <atomic>
#include <cstdio>
#include <cstring>

#include "notesapi/call_guard.h"
#include "notesapi/lnglobal.h"

namespace pim::notes {
namespace {

std::atomic<LNBOOL> throw_all_errors{FALSE};

const char* KnownText(LNSTATUS status) {
  switch (status) {
    case LNNOERROR:
      return "No error.";
    case LNERR_SESSION_NOT_INITIALIZED:
      return "The Notes session has not been initialized.";
    case LNERR_SESSION_ALREADY_INITIALIZED:
      return "The Notes session has already been initialized.";
    case LNERR_REMOTE_SERVER:
      return "Only local databases are served; the server name must be empty.";
    case LNERR_DATABASE_NOT_FOUND:
      return "No Notes database exists at that path.";
    case LNERR_DATABASE_INVALID:
      return "The file is not a Notes database, or it is damaged.";
    case LNERR_DATABASE_NOT_OPEN:
      return "The Notes database is not open.";
    case LNERR_DATABASE_IO:
      return "The Notes database file could not be read or written.";
    case LNERR_NOTE_NOT_FOUND:
      return "The database has no note with that note ID.";
    case LNERR_NOTE_NOT_OPEN:
      return "The note is not open.";
    case LNERR_ITEM_NOT_FOUND:
      return "The note has no item of that name.";
    case LNERR_ITEM_TYPE:
      return "The item is of another type than the call needs.";
    case LNERR_BAD_DATETIME:
      return "The date-time is not a valid date or time of day.";
    case LNERR_INDEX_OUT_OF_RANGE:
      return "The index lies outside the list.";
    case LNERR_NOT_CALENDAR_ENTRY:
      return "The note is not a calendar entry.";
    case LNERR_BAD_ARGUMENT:
      return "An argument of the Notes call is not valid.";
    case LNERR_DATABASE_EXISTS:
      return "A file already exists at the path of the new database.";
    case LNERR_DATABASE_BUSY:
      return "The Notes database is locked by another connection; try again later.";
    case LNERR_OUT_OF_MEMORY:
      return "There is not enough memory to complete the Notes call.";
    case LNERR_DATABASE_FULL:
      return "The Notes database cannot grow: the disk is full or every note ID is used up.";
    default:
      return nullptr;
  }
}

}  // namespace

void LNSetThrowAllErrorsGlobal(LNBOOL throw_all) {
  throw_all_errors.store(throw_all != FALSE ? TRUE : FALSE);
}

LNBOOL LNGetThrowAllErrorsGlobal() {
  return throw_all_errors.load();
}

LNString LNGetErrorMessage(LNSTATUS status) {
  if (const char* text = KnownText(status)) return text;
  char text[64];
  std::snprintf(text, sizeof text, "Unknown Notes status %u (0x%X).", status, status);
  return text;
}

uint32_t LNGetErrorMessageText(LNSTATUS status, char* buffer, uint32_t size,
                               uint32_t /*reserved*/) {
  if (buffer == nullptr || size == 0) return 0;
  const LNString text = LNGetErrorMessage(status);
  const size_t length = text.size() < size - 1 ? text.size() : size - 1;
  std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
  return static_cast<uint32_t>(length);
}

namespace detail {

// Weak, so that a test program's definition takes its place.
[[gnu::weak]] LNSTATUS EnterCall(LNOperation /*operation*/) {
  return LNNOERROR;
}

LNSTATUS Fail(LNSTATUS status) {
  if (throw_all_errors.load() != FALSE) throw status;
  return status;
}

}  // namespace detail
}  // namespace pim::notes
