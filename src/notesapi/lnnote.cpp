#include "notesapi/lnnote.h"

#include <utility>

#include "notesapi/call_guard.h"
#include "notesapi/item_codec.h"
#include "notesapi/local_clock.h"
#include "notesapi/notes_store.h"
#include "platform/text.h"

namespace pim::notes {

using detail::RunBody;
using detail::RunCall;

LNSTATUS LNNote::CheckOpen() const {
  if (!db_) return LNERR_DATABASE_NOT_OPEN;
  if (!open_) return LNERR_NOTE_NOT_OPEN;
  return LNNOERROR;
}

void LNNote::TakeListed(const std::shared_ptr<detail::NotesDatabase>& db,
                        detail::StoredNote&& note) {
  db_ = db;
  id_ = note.id;
  form_ = std::move(note.form);
  modified_ = note.modified;
  encoded_items_ = std::move(note.encoded_items);
  encoded_ = true;
}

bool LNNote::DecodeLoadedItems() const {
  if (!encoded_) return true;
  encoded_ = false;
  const bool ok = detail::DecodeItems(encoded_items_, items_);
  encoded_items_.clear();
  encoded_items_.shrink_to_fit();
  if (!ok) items_.clear();
  return ok;
}

const std::vector<LNItem>& LNNote::GetItems() const {
  DecodeLoadedItems();
  return items_;
}

const LNItem* LNNote::FindItem(const LNString& name) const {
  if (!DecodeLoadedItems()) return nullptr;
  for (const LNItem& item : items_) {
    if (platform::EqualsNoCase(item.GetName(), name)) return &item;
  }
  return nullptr;
}

void LNNote::PutItem(const LNString& name, LNItem item) {
  DecodeLoadedItems();
  // Like the Notes option that deletes the old item and appends the new one: a replaced item
  // moves to the end, and takes the letter case of the new name.
  for (auto it = items_.begin(); it != items_.end(); ++it) {
    if (platform::EqualsNoCase(it->GetName(), name)) {
      items_.erase(it);
      break;
    }
  }
  items_.push_back(std::move(item));
}

LNSTATUS LNNote::Open(uint32_t /*flags*/) {
  return RunCall(LNOperation::kNoteOpen, [&]() -> LNSTATUS {
    if (!db_) return LNERR_DATABASE_NOT_OPEN;
    if (open_) return LNNOERROR;  // keeps the changes not yet saved
    if (encoded_) {
      // Read whole already (GetDocuments): the items are decoded when first looked at.
      open_ = true;
      return LNNOERROR;
    }
    if (id_ == 0) {
      // A new document closed before its first save opens again empty.
      open_ = true;
      return LNNOERROR;
    }
    detail::StoredNote note;
    if (!db_->ReadNote(id_, note)) return LNERR_NOTE_NOT_FOUND;
    form_ = std::move(note.form);
    modified_ = note.modified;
    items_ = std::move(note.items);
    open_ = true;
    return LNNOERROR;
  });
}

LNSTATUS LNNote::Close() {
  return RunCall(LNOperation::kNoteClose, [&]() -> LNSTATUS {
    open_ = false;
    items_.clear();  // unsaved changes go with the handle's content
    encoded_items_.clear();
    encoded_ = false;
    forced_modified_ = LNDatetime();
    return LNNOERROR;
  });
}

NOTEID LNNote::GetNoteID() const {
  if (const LNSTATUS armed = detail::EnterCall(LNOperation::kNoteGetNoteID)) {
    detail::Fail(armed);
    return 0;
  }
  return id_;
}

LNDatetime LNNote::GetLastModified() const {
  if (const LNSTATUS armed = detail::EnterCall(LNOperation::kNoteGetLastModified)) {
    detail::Fail(armed);
    return {};
  }
  if (const LNSTATUS status = CheckOpen()) {
    detail::Fail(status);
    return {};
  }
  return modified_;
}

LNSTATUS LNNote::GetItem(const LNString& name, LNItem* item) const {
  return RunCall(LNOperation::kNoteGetItem, [&]() -> LNSTATUS {
    if (item == nullptr) return LNERR_BAD_ARGUMENT;
    if (const LNSTATUS status = CheckOpen()) return status;
    if (!DecodeLoadedItems()) return LNERR_DATABASE_INVALID;
    const LNItem* found = FindItem(name);
    if (found == nullptr) return LNERR_ITEM_NOT_FOUND;
    *item = *found;
    return LNNOERROR;
  });
}

bool LNNote::HasItem(const LNString& name) const {
  return open_ && FindItem(name) != nullptr;
}

LNSTATUS LNNote::CreateItem(const LNString& name, const LNItem& value, LNITEMFLAGS /*flags*/,
                            LNITEMOPTION /*options*/, LNItem* new_item) {
  return RunCall(LNOperation::kNoteCreateItem, [&]() -> LNSTATUS {
    if (name.empty()) return LNERR_BAD_ARGUMENT;
    if (const LNSTATUS status = CheckOpen()) return status;
    // The value's own name does not matter: the item is stored under `name`.
    LNItem stored;
    if (const auto* datetimes = value.Datetimes()) {
      stored = LNItem(name, *datetimes);
    } else if (const auto* numbers = value.Numbers()) {
      stored = LNItem(name, *numbers);
    } else {
      stored = LNItem(name, *value.Texts());
    }
    if (new_item != nullptr) *new_item = stored;
    PutItem(name, std::move(stored));
    return LNNOERROR;
  });
}

LNSTATUS LNNote::DeleteItem(const LNString& name) {
  return RunBody([&]() -> LNSTATUS {
    if (const LNSTATUS status = CheckOpen()) return status;
    if (!DecodeLoadedItems()) return LNERR_DATABASE_INVALID;
    for (auto it = items_.begin(); it != items_.end(); ++it) {
      if (platform::EqualsNoCase(it->GetName(), name)) {
        items_.erase(it);
        return LNNOERROR;
      }
    }
    return LNERR_ITEM_NOT_FOUND;
  });
}

LNSTATUS LNNote::SaveNote() {
  if (const LNSTATUS status = CheckOpen()) return status;
  if (!DecodeLoadedItems()) return LNERR_DATABASE_INVALID;
  const LNDatetime stamp = forced_modified_.GetState() != LNDATETIMESTATE_INVALID
                               ? forced_modified_
                               : detail::CurrentLocalDatetime();
  id_ = db_->WriteNote(id_, form_, stamp, items_);
  modified_ = stamp;
  forced_modified_ = LNDatetime();
  return LNNOERROR;
}

LNSTATUS LNNote::Save(uint32_t /*flags*/) {
  return RunCall(LNOperation::kNoteSave, [&]() -> LNSTATUS { return SaveNote(); });
}

void LNNote::SetLastModifiedForSave(const LNDatetime& modified) {
  forced_modified_ = modified;
}

LNSTATUS LNDocument::GetFormNote(LNString* form) const {
  return RunCall(LNOperation::kDocumentGetFormNote, [&]() -> LNSTATUS {
    if (form == nullptr) return LNERR_BAD_ARGUMENT;
    if (const LNSTATUS status = CheckOpen()) return status;
    *form = form_;
    return LNNOERROR;
  });
}

LNSTATUS LNDocument::ComputeWithForm(LNBOOL /*raise_errors*/) {
  return RunCall(LNOperation::kDocumentComputeWithForm, [&]() -> LNSTATUS { return CheckOpen(); });
}

LNDocument LNDocumentArray::operator[](uint32_t i) const {
  if (i >= documents_.size()) {
    detail::Fail(LNERR_INDEX_OUT_OF_RANGE);
    return {};
  }
  return documents_[i];
}

}  // namespace pim::notes
