// The Notes class library stand-in: the part of the Notes C++ API that the handler uses,
// written over SQLite. This header holds what every class shares: statuses, the throwing
// mode, error texts, strings.
//
// Conventions:
// - Every operation that can fail takes part in the throwing mode: with
//   LNSetThrowAllErrorsGlobal(TRUE) a failing call throws its LNSTATUS (an unsigned 32-bit
//   number); otherwise an operation that returns LNSTATUS returns it and any other operation
//   returns an empty value.
// - Status 0 is success. Our statuses have English texts (LNGetErrorMessageText).
// - Date-times hold local wall-clock parts; nothing is converted to or from UTC.
#pragma once

#include <cstdint>
#include <string>

namespace pim::notes {

using LNSTATUS = uint32_t;
using NOTEID = uint32_t;
using LNBOOL = int32_t;
using LNString = std::string;

inline constexpr LNBOOL TRUE = 1;
inline constexpr LNBOOL FALSE = 0;
inline constexpr LNSTATUS LNNOERROR = 0;

// The statuses of the stand-in. Values are ours; texts come from LNGetErrorMessageText.
enum : LNSTATUS {
  LNERR_SESSION_NOT_INITIALIZED = 0x4E01,  // "The Notes session has not been initialized."
  LNERR_SESSION_ALREADY_INITIALIZED = 0x4E02,
  LNERR_REMOTE_SERVER = 0x4E03,       // only local databases are served
  LNERR_DATABASE_NOT_FOUND = 0x4E04,  // no database file at the path
  LNERR_DATABASE_INVALID = 0x4E05,    // the file is not a Notes database
  LNERR_DATABASE_NOT_OPEN = 0x4E06,
  LNERR_DATABASE_IO = 0x4E07,     // the database file could not be read or written
  LNERR_NOTE_NOT_FOUND = 0x4E08,  // no note with that ID
  LNERR_NOTE_NOT_OPEN = 0x4E09,
  LNERR_ITEM_NOT_FOUND = 0x4E0A,
  LNERR_ITEM_TYPE = 0x4E0B,     // an item of another type than the call needs
  LNERR_BAD_DATETIME = 0x4E0C,  // a date-time text or value that makes no date
  LNERR_INDEX_OUT_OF_RANGE = 0x4E0D,
  LNERR_NOT_CALENDAR_ENTRY = 0x4E0E,  // the note is not a calendar entry
  LNERR_BAD_ARGUMENT = 0x4E0F,
  LNERR_DATABASE_EXISTS = 0x4E10,
  LNERR_DATABASE_BUSY = 0x4E11,  // another connection holds the lock past the busy timeout
  LNERR_OUT_OF_MEMORY = 0x4E12,
  LNERR_DATABASE_FULL = 0x4E13,  // the disk is full, or every note ID has been handed out
};

// With TRUE, every failing call throws its status instead of returning it.
void LNSetThrowAllErrorsGlobal(LNBOOL throw_all);
LNBOOL LNGetThrowAllErrorsGlobal();

// Puts the status's text, cut to fit and zero-terminated, into `buffer`; returns its length.
// An unknown status gets a text that names its number.
uint32_t LNGetErrorMessageText(LNSTATUS status, char* buffer, uint32_t size, uint32_t reserved);
// The same text, whole.
LNString LNGetErrorMessage(LNSTATUS status);

}  // namespace pim::notes
