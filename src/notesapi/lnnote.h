#pragma once

#include <memory>
#include <vector>

#include "notesapi/lndatetime.h"
#include "notesapi/lnglobal.h"
#include "notesapi/lnitem.h"

namespace pim::notes {

namespace detail {
class NotesDatabase;   // the SQLite file behind a database, shared by its handles
class ConnectionPool;  // a session's connections, one per file
struct StoredNote;     // a note as the file holds it
}  // namespace detail

// A handle on one note of a database. Open reads the note into the handle; item changes stay
// in the handle until Save writes the whole note in one transaction. A handle made by
// CreateDocument has no note ID (0) until its first Save. Handles copy by value.
class LNNote {
 public:
  LNNote() = default;
  virtual ~LNNote() = default;
  LNNote(const LNNote&) = default;
  LNNote& operator=(const LNNote&) = default;

  LNSTATUS Open(uint32_t flags = 0);
  LNSTATUS Close();
  bool IsOpen() const { return open_; }

  NOTEID GetNoteID() const;
  // The time of the last save (local wall clock, DATE_AND_TIME). Needs an open note.
  LNDatetime GetLastModified() const;

  // A copy of the named item (names compare without regard to case). A missing item fails
  // with LNERR_ITEM_NOT_FOUND; so does a note that is not open (LNERR_NOTE_NOT_OPEN).
  LNSTATUS GetItem(const LNString& name, LNItem* item) const;
  bool HasItem(const LNString& name) const;
  // Puts `value` under `name`, replacing an item of that name (any letter case).
  LNSTATUS CreateItem(const LNString& name, const LNItem& value,
                      LNITEMFLAGS flags = LNITEMFLAGS_SUMMARY,
                      LNITEMOPTION options = LNITEMOPTION_DELETE_APPEND,
                      LNItem* new_item = nullptr);
  LNSTATUS DeleteItem(const LNString& name);
  // Every item of the open note, in the order they were created (none when they are damaged).
  const std::vector<LNItem>& GetItems() const;

  // Writes the note and stamps its last-modified time with the current local time. When this
  // returns, the note is in the database file.
  LNSTATUS Save(uint32_t flags = 0);
  // Administration: the next Save stamps this time instead of the current one.
  void SetLastModifiedForSave(const LNDatetime& modified);

 protected:
  friend class LNDatabase;
  friend class LNCalendar;

  // The work of Save without the call's own fault check, so that entry saves share it.
  LNSTATUS SaveNote();
  // Needs an open note of a database: LNERR_DATABASE_NOT_OPEN or LNERR_NOTE_NOT_OPEN otherwise.
  LNSTATUS CheckOpen() const;
  // The item of that name in any letter case, or null.
  const LNItem* FindItem(const LNString& name) const;
  // Makes this handle the note as a listing read it, not open; its items are decoded when
  // first looked at.
  void TakeListed(const std::shared_ptr<detail::NotesDatabase>& db, detail::StoredNote&& note);
  // Decodes the items that came encoded from a whole read; false when they are damaged.
  bool DecodeLoadedItems() const;
  // Replaces the item of that name (any letter case) or appends it.
  void PutItem(const LNString& name, LNItem item);

  std::shared_ptr<detail::NotesDatabase> db_;
  NOTEID id_ = 0;
  bool open_ = false;
  LNString form_;
  LNDatetime modified_;
  LNDatetime forced_modified_;  // state INVALID unless set for the next save
  // Filled on demand from encoded_items_ when a whole read left them encoded.
  mutable std::vector<LNItem> items_;
  mutable std::string encoded_items_;
  mutable bool encoded_ = false;
};

class LNDocument : public LNNote {
 public:
  // The name of the document's form. Needs an open note.
  LNSTATUS GetFormNote(LNString* form) const;
  LNString GetFormName() const { return form_; }
  // The stand-in has no form logic: this checks that the note is open and does nothing else.
  LNSTATUS ComputeWithForm(LNBOOL raise_errors = FALSE);
};

class LNDocumentArray {
 public:
  uint32_t GetCount() const { return static_cast<uint32_t>(documents_.size()); }
  // Out of range fails with LNERR_INDEX_OUT_OF_RANGE.
  LNDocument operator[](uint32_t i) const;

 private:
  friend class LNDatabase;
  std::vector<LNDocument> documents_;
};

}  // namespace pim::notes
