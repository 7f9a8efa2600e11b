#pragma once

#include <memory>

#include "notesapi/lnglobal.h"
#include "notesapi/lnnote.h"

namespace pim::notes {

// A Notes database: one SQLite file (WAL journal). Got from the session, then opened.
class LNDatabase {
 public:
  LNDatabase() = default;
  virtual ~LNDatabase() = default;
  LNDatabase(const LNDatabase&) = default;
  LNDatabase& operator=(const LNDatabase&) = default;

  // Opens the file named when the session handed out this database. A missing file fails with
  // LNERR_DATABASE_NOT_FOUND, a file that is not a database with LNERR_DATABASE_INVALID.
  LNSTATUS Open();
  // Ends a batch still running on the database (its writes are committed) and lets go of it.
  LNSTATUS Close();
  bool IsOpen() const;

  // Not in the Notes library; an extension of this stand-in for a caller that writes many
  // notes in one go (the fake phone applying a change file). From BeginBatch to EndBatch, the
  // saves and deletions made in this database's file through the session's handles reach the
  // file in one transaction, sparing a commit per note; a failed one is undone alone, as
  // outside a batch. Other sessions and processes wait to write until it ends. A batch left
  // running when the session has ended and the file's last handle goes is rolled back.
  LNSTATUS BeginBatch();
  // Commits the batch. When that fails, none of its writes stays.
  LNSTATUS EndBatch();

  // Every document, in ascending note-ID order, read whole (opening one reads nothing more).
  LNSTATUS GetDocuments(LNDocumentArray* documents);
  LNSTATUS GetTitle(LNString* title) const;
  // The replica ID: 16 hexadecimal digits drawn when the database was made, the same in its
  // copies (CreateCopy) and in no other database; empty for a database made before this
  // stand-in drew them.
  LNSTATUS GetReplicaID(LNString* id) const;
  // Not in the Notes library; an extension of this stand-in: a text a program keeps in the
  // database under a name of its own, outside every note, and carried into its copies. A name
  // that holds nothing reads as empty.
  LNSTATUS GetProperty(const LNString& name, LNString* value) const;
  LNSTATUS SetProperty(const LNString& name, const LNString& value);
  // A handle on the note; an ID that names no note fails with LNERR_NOTE_NOT_FOUND.
  LNSTATUS GetDocument(NOTEID id, LNDocument* document);
  // A new, open document of that form, saved (and given its note ID) by its first Save.
  LNSTATUS CreateDocument(LNDocument* document, const LNString& form);
  // Deletes the note; its ID is never handed out again in this database.
  LNSTATUS DeleteNote(NOTEID id);

  // Administration: makes a new, empty database file with that title. A file already at the
  // path fails with LNERR_DATABASE_EXISTS. Its notes get IDs from `first_note_id` on (an
  // extension of this stand-in, so that a test can meet IDs of 2^31 and more); 0 is no ID and
  // fails with LNERR_BAD_ARGUMENT.
  static LNSTATUS Create(const LNString& path, const LNString& title, NOTEID first_note_id = 1);
  // Administration, an extension of this stand-in: makes a new database file at `to` that holds
  // what the database at `from` holds (its committed notes, the next note ID, the title), with
  // the same permission bits. A file already at `to` fails with LNERR_DATABASE_EXISTS; a copy
  // that cannot be finished leaves no file. The copy is not synced to the disk: a caller that
  // needs it to survive a power loss syncs it.
  static LNSTATUS CreateCopy(const LNString& from, const LNString& to);

 protected:
  friend class LNNotesSession;
  LNString path_;
  std::shared_ptr<detail::NotesDatabase> db_;
  std::weak_ptr<detail::ConnectionPool> connections_;  // of the session that handed it out
};

}  // namespace pim::notes
