// The texts the phone receives: a contact as a vCard 2.1, a to-do as a vCalendar 1.0 VTODO
// component (the calendar frame around a run of them is the caller's). One property per line,
// single line feeds, values copied as they stand: no escaping, encoding or folding.
#pragma once

#include <string>

#include "records/cal_entry_object.h"
#include "records/contact_object.h"
#include "records/sync_state.h"

namespace pim {

std::string VObjectText(const CContactObject& record);
std::string VObjectText(const CCalEntryObject& record);

// The text with the LUID the Notes key gives (the note ID in LUID mode), which the record keeps:
// how the fake phone and the store's phone dump name a record.
template <class Record>
std::string KeyLuidVObjectText(Record& record) {
  record.m_strLuid = kLuidMode == 1 ? LuidOfNoteId(record.m_nNoteId) : record.m_strNoteKey;
  return VObjectText(record);
}

}  // namespace pim
