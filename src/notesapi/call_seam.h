// The seam every public Notes call passes before it does anything: the point where tests make
// a chosen call fail, to prove that the code above survives a Notes failure part-way. The
// shipped library passes straight through; a test program links its own EnterCall, which
// replaces the library's.
#pragma once

#include <cstdint>

#include "notesapi/lnglobal.h"

namespace pim::notes {

enum class LNOperation : int32_t {
  kSessionInitialize,
  kSessionTerm,
  kSessionGetDatabase,
  kSessionGetCalendar,
  kDatabaseOpen,
  kDatabaseClose,
  kDatabaseGetDocuments,
  kDatabaseGetTitle,
  kDatabaseGetDocument,
  kDatabaseCreateDocument,
  kDatabaseDeleteNote,
  kNoteOpen,
  kNoteClose,
  kNoteGetNoteID,
  kNoteGetLastModified,
  kNoteGetItem,
  kNoteCreateItem,
  kNoteSave,
  kDocumentGetFormNote,
  kDocumentComputeWithForm,
  kCalendarGetEntries,
  kCalendarCreateEntry,
  kEntryGetDatetimeRange,
  kEntrySetDatetimeRange,
  kEntryGetBriefDescription,
  kEntrySetBriefDescription,
  kEntryGetIsAlarmEnabled,
  kEntrySetIsAlarmEnabled,
  kEntrySetAlarmDatetime,
  kEntrySave,
  kCount,
};

namespace detail {

// The status a call of `operation` fails with before it starts, or LNNOERROR to let it run.
// The library's own definition is weak and always lets the call run.
LNSTATUS EnterCall(LNOperation operation);

}  // namespace detail
}  // namespace pim::notes
