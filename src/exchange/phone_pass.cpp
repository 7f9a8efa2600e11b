// The handler's half of a phone pass: the phone's complete record set matched against the
// store by LUID, each record's phone-side state settled under the sync mode, and the change
// file for the phone written. Contacts and to-dos run the same algorithm; PassKind holds the
// points where they differ.
#include "exchange/phone_pass.h"

#include <new>
#include <optional>
#include <string_view>

#include "exchange/line_splitter.h"
#include "platform/platform.h"
#include "platform/text.h"
#include "records/archive.h"
#include "records/store_file.h"
#include "records/store_io.h"
#include "vobject/vobject_reader.h"
#include "vobject/vobject_writer.h"

namespace pim {
namespace {

template <class Record>
struct PassKind;

template <>
struct PassKind<CContactObject> {
  static constexpr std::string_view kRecordName = "VCARD";
  static constexpr bool kOtherBeginStops = true;
  static constexpr bool kAnyEndEnds = true;
  static constexpr std::string_view kHead = "";
  static constexpr std::string_view kTail = "";

  static void Read(CContactObject& r, std::string_view name, std::string_view value, bool& f) {
    ReadVCardProperty(r, name, value, f);
  }
  static int32_t& Time(CContactObject& r) { return r.m_tRevision; }
  static int32_t& HasTime(CContactObject& r) { return r.m_bHasRevision; }
  static void OnAddedMatch() {}
  static std::string DeleteStub(const std::string& luid) {
    return "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:" + luid + "\nEND:VCARD\n";
  }
  static void ReadSection(std::string_view bytes, ContactArray& records) {
    CalendarArray discarded;
    ReadStoreBytes(bytes, discarded, records);
  }
};

template <>
struct PassKind<CCalEntryObject> {
  static constexpr std::string_view kRecordName = "VTODO";
  static constexpr bool kOtherBeginStops = false;
  static constexpr bool kAnyEndEnds = false;
  static constexpr std::string_view kHead = "BEGIN:VCALENDAR\nVERSION:1.0\n";
  static constexpr std::string_view kTail = "END:VCALENDAR\n";

  static void Read(CCalEntryObject& r, std::string_view name, std::string_view value, bool& f) {
    ReadVCalendarProperty(r, name, value, f);
  }
  static int32_t& Time(CCalEntryObject& r) { return r.m_tLastModified; }
  static int32_t& HasTime(CCalEntryObject& r) { return r.m_bHasLastModified; }
  static void OnAddedMatch() {
    platform::MessageBoxA(nullptr, "Abnormal condition: LUID is reused!", nullptr,
                          platform::kMbOk | platform::kMbTaskModal);
  }
  static std::string DeleteStub(const std::string& luid) {
    return "BEGIN:VTODO\nX-VOQ-LUID:" + luid + "\nEND:VTODO\n";
  }
  static void ReadSection(std::string_view bytes, CalendarArray& records) {
    // Only the calendar section is read; the contacts behind it are left alone.
    platform::MemorySource source(bytes);
    CArchive ar(source);
    ReadStoreHead(ar);
    ReadCalendarArray(ar, records);
  }
};

// Where each LUID first stands in the array: the record a search from the first record on
// would find. An open-addressed table of positions, each with its LUID's hash, so that a probe
// touches a record only when the hashes agree and building the table allocates once. The
// LUIDs of the records it holds must not change while it is used.
template <class Record>
class LuidIndex {
 public:
  using Array = std::vector<std::unique_ptr<Record>>;
  static constexpr size_t kNone = static_cast<size_t>(-1);

  explicit LuidIndex(const Array& records) : records_(records) {
    Reserve(records.size());
    for (size_t i = 0; i < records.size(); ++i)
      Add(i);
  }

  size_t Find(std::string_view luid) const {
    const uint32_t hash = Hash(luid);
    for (size_t slot = hash & mask_;; slot = (slot + 1) & mask_) {
      const Slot& entry = slots_[slot];
      if (entry.position == 0) return kNone;
      if (entry.hash == hash && records_[entry.position - 1]->m_strLuid == luid) {
        return entry.position - 1;
      }
    }
  }

  // Records the position unless its LUID stands earlier already.
  void Add(size_t position) {
    Reserve(count_ + 1);
    const std::string_view luid = records_[position]->m_strLuid;
    const uint32_t hash = Hash(luid);
    size_t slot = hash & mask_;
    for (; slots_[slot].position != 0; slot = (slot + 1) & mask_) {
      const Slot& entry = slots_[slot];
      if (entry.hash == hash && records_[entry.position - 1]->m_strLuid == luid) return;
    }
    slots_[slot] = {static_cast<uint32_t>(position + 1), hash};
    ++count_;
  }

 private:
  struct Slot {
    uint32_t position;  // 1 + the record's position; 0 for an empty slot
    uint32_t hash;
  };

  static uint32_t Hash(std::string_view luid) {
    return static_cast<uint32_t>(std::hash<std::string_view>{}(luid));
  }

  // Keeps at least half of the slots empty for `entries` entries.
  void Reserve(size_t entries) {
    if (!slots_.empty() && 2 * entries <= slots_.size()) return;
    size_t capacity = 16;
    while (capacity < 2 * entries)
      capacity *= 2;
    std::vector<Slot> old(capacity, Slot{0, 0});
    old.swap(slots_);
    mask_ = capacity - 1;
    for (const Slot& entry : old) {
      if (entry.position == 0) continue;
      size_t slot = entry.hash & mask_;
      while (slots_[slot].position != 0)
        slot = (slot + 1) & mask_;
      slots_[slot] = entry;
    }
  }

  const Array& records_;
  std::vector<Slot> slots_;
  size_t mask_ = 0;
  size_t count_ = 0;
};

template <class Record>
class PhonePass {
 public:
  using Kind = PassKind<Record>;
  using Array = std::vector<std::unique_ptr<Record>>;

  PhonePass(Array& records, const PassSettings& settings)
      : settings_(settings), records_(records) {}

  int32_t Run(const std::string& phone_path, const std::string& change_path) {
    platform::InputFile phone_file(phone_path);
    platform::OutputFile change_file(change_path);
    ReadPhoneRecords(phone_file);
    SettleRecordsNotSent();
    if (LiveCount() > settings_.limit) return RollBack();
    WriteChangeFile(change_file);
    change_file.Close();
    return 0;
  }

 private:
  void ReadPhoneRecords(platform::ByteSource& phone_file) {
    LuidIndex<Record> index(records_);
    index_ = &index;
    Record scratch;
    bool luid_only = false;
    PropertyReader reader(phone_file);
    std::string_view name;
    std::string_view value;
    while (reader.Next(name, value)) {
      if (platform::EqualsNoCase(name, "BEGIN")) {
        if (platform::EqualsNoCase(value, Kind::kRecordName)) {
          scratch.Reset();
          // A record without a time of its own must not inherit the previous record's.
          Kind::Time(scratch) = 0;
          Kind::HasTime(scratch) = 0;
        } else if (Kind::kOtherBeginStops) {
          break;
        }
      } else if (platform::EqualsNoCase(name, "END")) {
        if (Kind::kAnyEndEnds || platform::EqualsNoCase(value, Kind::kRecordName)) {
          Match(scratch);
        }
      } else {
        Kind::Read(scratch, name, value, luid_only);
      }
    }
  }

  // A phone record is newer when its time is later than the stored one. One without a time
  // counts as newer only when Notes has no change of its own: its differing values are then
  // the phone's edits, while a conflict without a time goes to Notes, as equal times do.
  static bool PhoneIsNewer(Record& phone, Record& stored) {
    if (!Kind::HasTime(phone)) return stored.m_nNotesState == SyncStateUnchanged;
    return Kind::Time(phone) > Kind::Time(stored);
  }

  void Match(Record& scratch) {
    const size_t found = index_->Find(scratch.m_strLuid);
    if (found == LuidIndex<Record>::kNone) {
      auto added = std::make_unique<Record>(scratch);
      added->m_nNotesState = SyncStateUnchanged;
      added->m_nPhoneState = SyncStateAdded;
      added->m_bSeenOnPhone = 1;
      records_.push_back(std::move(added));
      index_->Add(records_.size() - 1);
      return;
    }
    Record& stored = *records_[found];
    // A record this pass made for a LUID new to the store must still be created in Notes when
    // the phone sends that LUID again; otherwise it would be left without a note.
    const bool to_create = stored.m_nPhoneState == SyncStateAdded;
    stored.m_bSeenOnPhone = 1;
    stored.m_nPhoneState = SyncStateUnchanged;
    switch (stored.m_nNotesState) {
      case SyncStateUnchanged:
        if (PhoneIsNewer(scratch, stored)) stored.MergeFrom(scratch, false);
        break;
      case SyncStateModified:
        if (PhoneIsNewer(scratch, stored)) {
          stored.m_nNotesState = SyncStateUnchanged;
          stored.MergeFrom(scratch, false);
        }
        break;
      case SyncStateDeleted:
        if (settings_.sync_mode == 1) {
          stored.m_nNotesState = SyncStateUnchanged;
          stored.MergeFrom(scratch, false);
          stored.m_nPhoneState = SyncStateAdded;
        }
        break;
      case SyncStateAdded:
        Kind::OnAddedMatch();
        break;
      default:
        break;
    }
    if (to_create) stored.m_nPhoneState = SyncStateAdded;
  }

  void SettleRecordsNotSent() {
    for (auto& record : records_) {
      if (record->m_bSeenOnPhone) continue;
      switch (record->m_nNotesState) {
        case SyncStateAdded:
          break;
        case SyncStateDeleted:
          record->m_nNotesState = SyncStateUnchanged;
          record->m_nPhoneState = SyncStateUnchanged;
          break;
        default:
          if (settings_.sync_mode == 0) {
            record->m_nNotesState = SyncStateAdded;
            record->m_strLuid.clear();
            record->m_nPhoneState = SyncStateUnchanged;
          } else {
            record->m_nPhoneState = SyncStateDeleted;
            record->m_nNotesState = SyncStateUnchanged;
          }
          break;
      }
    }
  }

  int64_t LiveCount() const {
    int64_t live = static_cast<int64_t>(records_.size());
    for (const auto& r : records_) {
      if (r->m_nNotesState == SyncStateDeleted || r->m_nPhoneState == SyncStateDeleted ||
          (!r->m_bSeenOnPhone && r->m_nNotesState == SyncStateUnchanged &&
           r->m_nPhoneState == SyncStateUnchanged)) {
        --live;
      }
    }
    return live;
  }

  // Over the limit: the array goes back to what the store file holds and nothing is sent.
  // When the file cannot be read again, the copy that retrieval read stands in for it, so the
  // store is never left empty or half-read, and the failure goes on to the user. Rolled-back
  // records are settled as unchanged and seen, so that the update of Notes leaves them alone
  // and the store keeps them as saved.
  int32_t RollBack() {
    Array restored;
    std::optional<Error> failure;
    try {
      Kind::ReadSection(ReadStoreFile(settings_.store_path), restored);
    } catch (const Error& error) {
      failure =
          error.kind() == Error::Kind::kFile
              ? error
              : Error::Text("The sync object store \"" + settings_.store_path +
                            "\" is damaged; the records it held when this run began are kept.");
    } catch (const std::bad_alloc&) {
      failure =
          Error::Text("Not enough memory to read the sync object store \"" + settings_.store_path +
                      "\" again; the records it held when this run began are kept.");
    }
    if (failure) {
      restored.clear();
      try {
        Kind::ReadSection(settings_.loaded_store, restored);
      } catch (const Error& error) {
        // The copy was damaged the same way when retrieval read it: keep what it held before
        // the fault, as retrieval did.
        if (error.kind() != Error::Kind::kDamagedArchive) throw;
      }
    }
    for (auto& record : restored) {
      record->m_nNotesState = SyncStateUnchanged;
      record->m_nPhoneState = SyncStateUnchanged;
      record->m_bSeenOnPhone = 1;
    }
    records_ = std::move(restored);
    if (failure) throw *failure;
    return 3;
  }

  void WriteChangeFile(platform::OutputFile& out) {
    out.Write(Kind::kHead);
    for (const auto& record : records_) {
      switch (record->m_nNotesState) {
        case SyncStateAdded:
          out.Write(VObjectText(*record));
          break;
        case SyncStateDeleted:
          if (record->m_nPhoneState != SyncStateDeleted) {
            out.Write(Kind::DeleteStub(record->m_strLuid));
          }
          break;
        case SyncStateModified:
          // The delta carries the LUID and exactly the fields Notes changed.
          out.Write(VObjectText(record->m_pNotesDelta ? *record->m_pNotesDelta : *record));
          break;
        default:
          break;
      }
    }
    out.Write(Kind::kTail);
  }

  const PassSettings& settings_;
  Array& records_;
  LuidIndex<Record>* index_ = nullptr;  // while the phone's records are read
};

}  // namespace

int32_t SyncContacts(ContactArray& records, const PassSettings& settings,
                     const std::string& phone_path, const std::string& change_path) {
  return PhonePass<CContactObject>(records, settings).Run(phone_path, change_path);
}

int32_t SyncTodos(CalendarArray& records, const PassSettings& settings,
                  const std::string& phone_path, const std::string& change_path) {
  return PhonePass<CCalEntryObject>(records, settings).Run(phone_path, change_path);
}

}  // namespace pim
