// The sync object store file: the LUID mode word, the calendar record array, then the contact
// record array.
#pragma once

#include <cstdint>

#include "records/archive.h"
#include "records/cal_entry_object.h"
#include "records/contact_object.h"

namespace pim {

// Writes the whole store: the LUID mode, then both arrays. The caller flushes the archive.
void WriteStore(CArchive& ar, const CalendarArray& calendar, const ContactArray& contacts);

// The store's first word.
uint32_t ReadStoreHead(CArchive& ar);

// Each reader empties `records` (releasing what it held) and fills it in file order. When the
// data turns out malformed part-way, the error propagates and `records` keeps exactly the
// records read before the fault: never an empty place.
void ReadCalendarArray(CArchive& ar, CalendarArray& records);
void ReadContactArray(CArchive& ar, ContactArray& records);

}  // namespace pim
