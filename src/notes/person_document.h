// A contact on the Notes side is a Person document of the contact database. These turn a
// document into a contact record merged into the store, and a record back into a document.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "notes/sync_scope.h"
#include "notesapi/lndatabase.h"
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

// The record of an open Person document, with the items read traced; null for a document of
// another form (nothing traced then). NoteIdMerge merges it into the store.
std::unique_ptr<CContactObject> ReadPersonDocument(notes::LNDocument& document);

// Writes the record's fields into the open document, whatever their presence flags, then
// computes and saves it. The last name, revision and note ID are never written.
void WritePersonDocument(notes::LNDocument& document, const CContactObject& record);

// Creates the Person document of a record and gives the record its note ID; false when the
// database made no document (without throwing).
bool CreatePersonDocument(notes::LNDatabase& database, CContactObject& record);
// Writes the record into the document with the ID and gives the record that document's note ID;
// nothing when there is none (without throwing).
void RewritePersonDocument(notes::LNDatabase& database, notes::NOTEID id, CContactObject& record);

}  // namespace pim
