// Makes chosen Notes operations fail on purpose, for tests of the code that must survive a
// Notes failure part-way. Internal to the core library; nothing exported reaches it.
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

// The `nth` call (1 = the next one) of `operation` from now on fails with `status` before it
// does anything.
void InjectFault(LNOperation operation, uint32_t nth, LNSTATUS status);
// The `nth` Notes call from now on, whatever its operation, fails with `status`.
void InjectFaultAtCall(uint32_t nth, LNSTATUS status);
// Forgets every armed fault and restarts the call counts.
void ClearFaults();
// Calls since the last ClearFaults: of one operation, and of all.
uint32_t CallCount(LNOperation operation);
uint32_t TotalCallCount();

}  // namespace pim::notes
