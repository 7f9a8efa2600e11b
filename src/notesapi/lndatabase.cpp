#include "notesapi/lndatabase.h"

#include "notesapi/call_guard.h"
#include "notesapi/notes_store.h"

namespace pim::notes {

using detail::RunBody;
using detail::RunCall;

LNSTATUS LNDatabase::Open() {
  return RunCall(LNOperation::kDatabaseOpen, [&]() -> LNSTATUS {
    if (path_.empty()) return LNERR_BAD_ARGUMENT;  // not handed out by a session
    if (!db_) {
      // A session that has ended left no connections to share.
      const auto connections = connections_.lock();
      db_ = connections ? connections->Get(path_) : detail::NotesDatabase::Open(path_);
    }
    return LNNOERROR;
  });
}

LNSTATUS LNDatabase::Close() {
  return RunCall(LNOperation::kDatabaseClose, [&]() -> LNSTATUS {
    // Notes opened through this handle share the file and keep working; the connection
    // closes when the session has ended and the last of them goes.
    const std::shared_ptr<detail::NotesDatabase> db = std::move(db_);
    if (db) db->EndBatch();
    return LNNOERROR;
  });
}

LNSTATUS LNDatabase::BeginBatch() {
  return RunBody([&]() -> LNSTATUS {
    if (!db_) return LNERR_DATABASE_NOT_OPEN;
    db_->BeginBatch();
    return LNNOERROR;
  });
}

LNSTATUS LNDatabase::EndBatch() {
  return RunBody([&]() -> LNSTATUS {
    if (!db_) return LNERR_DATABASE_NOT_OPEN;
    db_->EndBatch();
    return LNNOERROR;
  });
}

bool LNDatabase::IsOpen() const {
  return db_ != nullptr;
}

LNSTATUS LNDatabase::GetDocuments(LNDocumentArray* documents) {
  return RunCall(LNOperation::kDatabaseGetDocuments, [&]() -> LNSTATUS {
    if (documents == nullptr) return LNERR_BAD_ARGUMENT;
    if (!db_) return LNERR_DATABASE_NOT_OPEN;
    std::vector<detail::StoredNote> notes = db_->ListNotes();
    std::vector<LNDocument> found(notes.size());
    // Read whole at once, which spares a read transaction (and its file locks) for every note
    // a caller then opens.
    for (size_t i = 0; i < notes.size(); ++i)
      found[i].TakeListed(db_, std::move(notes[i]));
    documents->documents_ = std::move(found);
    return LNNOERROR;
  });
}

LNSTATUS LNDatabase::GetReplicaID(LNString* id) const {
  return detail::RunBody([&]() -> LNSTATUS {
    if (id == nullptr) return LNERR_BAD_ARGUMENT;
    if (!db_) return LNERR_DATABASE_NOT_OPEN;
    *id = db_->replica_id();
    return LNNOERROR;
  });
}

LNSTATUS LNDatabase::GetProperty(const LNString& name, LNString* value) const {
  return detail::RunBody([&]() -> LNSTATUS {
    if (value == nullptr) return LNERR_BAD_ARGUMENT;
    if (!db_) return LNERR_DATABASE_NOT_OPEN;
    *value = db_->Property(name);
    return LNNOERROR;
  });
}

LNSTATUS LNDatabase::SetProperty(const LNString& name, const LNString& value) {
  return detail::RunBody([&]() -> LNSTATUS {
    if (!db_) return LNERR_DATABASE_NOT_OPEN;
    db_->SetProperty(name, value);
    return LNNOERROR;
  });
}

LNSTATUS LNDatabase::GetTitle(LNString* title) const {
  return RunCall(LNOperation::kDatabaseGetTitle, [&]() -> LNSTATUS {
    if (title == nullptr) return LNERR_BAD_ARGUMENT;
    if (!db_) return LNERR_DATABASE_NOT_OPEN;
    *title = db_->title();
    return LNNOERROR;
  });
}

LNSTATUS LNDatabase::GetDocument(NOTEID id, LNDocument* document) {
  return RunCall(LNOperation::kDatabaseGetDocument, [&]() -> LNSTATUS {
    if (document == nullptr) return LNERR_BAD_ARGUMENT;
    if (!db_) return LNERR_DATABASE_NOT_OPEN;
    LNString form;
    if (id == 0 || !db_->NoteForm(id, form)) return LNERR_NOTE_NOT_FOUND;
    // Whatever the handle held before, it now names this note, not yet opened.
    *document = LNDocument();
    document->db_ = db_;
    document->id_ = id;
    document->form_ = std::move(form);
    return LNNOERROR;
  });
}

LNSTATUS LNDatabase::CreateDocument(LNDocument* document, const LNString& form) {
  return RunCall(LNOperation::kDatabaseCreateDocument, [&]() -> LNSTATUS {
    if (document == nullptr) return LNERR_BAD_ARGUMENT;
    if (!db_) return LNERR_DATABASE_NOT_OPEN;
    *document = LNDocument();
    document->db_ = db_;
    document->form_ = form;
    document->open_ = true;
    return LNNOERROR;
  });
}

LNSTATUS LNDatabase::DeleteNote(NOTEID id) {
  return RunCall(LNOperation::kDatabaseDeleteNote, [&]() -> LNSTATUS {
    if (!db_) return LNERR_DATABASE_NOT_OPEN;
    if (id == 0 || !db_->DeleteNote(id)) return LNERR_NOTE_NOT_FOUND;
    return LNNOERROR;
  });
}

LNSTATUS LNDatabase::CreateCopy(const LNString& from, const LNString& to) {
  return detail::RunBody([&]() -> LNSTATUS {
    if (from.empty() || to.empty()) return LNERR_BAD_ARGUMENT;
    detail::NotesDatabase::CreateCopy(from, to);
    return LNNOERROR;
  });
}

LNSTATUS LNDatabase::Create(const LNString& path, const LNString& title, NOTEID first_note_id) {
  return detail::RunBody([&]() -> LNSTATUS {
    if (path.empty() || first_note_id == 0) return LNERR_BAD_ARGUMENT;
    detail::NotesDatabase::Create(path, title, first_note_id);
    return LNNOERROR;
  });
}

}  // namespace pim::notes
