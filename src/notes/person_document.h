// A contact on the Notes side is a Person document of the contact database. These turn a
// document into a contact record merged into the store, and a record back into a document.
#pragma once

#include <cstdint>
#include <string>

#include "notesapi/lndatetime.h"
#include "notesapi/lnnote.h"
#include "records/contact_object.h"

namespace pim {

// The first value of a text item: true with the value ("" for an empty list), false when the
// item is missing or not text.
bool ReadTextItem(const notes::LNNote& note, const notes::LNString& name, std::string& value);

// The time value of a Notes date-time read as local wall-clock time, daylight saving decided
// by the local rules for that date. False (and `time` untouched) unless the date-time holds
// both a date and a time.
bool NotesTimeToLocal(int32_t& time, const notes::LNDatetime& datetime);

// Builds a record from a Person document (any other form is declined: false, nothing done)
// and merges it into the array: into the record with the same note ID nearest the end, through
// a fresh Notes delta, or appended as added in Notes. Traces the items read.
bool ReadPersonDocument(ContactArray& records, notes::LNDocument& document);

// Writes the record's fields into the open document, whatever their presence flags, then
// computes and saves it. The last name, revision and note ID are never written.
void WritePersonDocument(notes::LNDocument& document, const CContactObject& record);

}  // namespace pim
