// The sync object store's record of one calendar to-do: the Notes note ID paired with the
// phone's LUID, the values last exchanged with their presence flags, and one change state per
// side.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "records/serializable.h"
#include "records/sync_state.h"

namespace pim {

// How a to-do repeats. Always assigned as a whole.
struct RepeatRule {
  enum Kind : int32_t {
    kNone = 0,
    kDaily = 1,
    kWeeklyOnDays = 2,  // on the weekdays flagged in abWeekdays
    kWeekly = 3,        // on the start date's weekday
    kMonthly = 4,
  };
  int32_t nKind = kNone;
  std::array<int32_t, 7> abWeekdays{};  // index 0 Sunday ... 6 Saturday; kind 2 only
};

class CCalEntryObject final : public CSerializable {
 public:
  static const CRuntimeClass classCCalEntryObject;

  CCalEntryObject() = default;
  // Copies every field, flags and states included, but the seen flag and the delta record.
  CCalEntryObject(const CCalEntryObject& other);
  CCalEntryObject& operator=(const CCalEntryObject&) = delete;
  ~CCalEntryObject() override = default;

  const CRuntimeClass* GetRuntimeClass() const override { return &classCCalEntryObject; }
  void Serialize(CArchive& ar) override;

  void MarkModified(bool fromNotes);

  // Each setter returns 1 when the record changed. Unlike the contact's, these always take a
  // value into an absent field.
  int SetAlarm(int32_t value, bool fromNotes);
  int SetStart(int32_t value, bool fromNotes);
  int SetEnd(int32_t value, bool fromNotes);
  int SetSummary(std::string_view value, bool fromNotes);
  // Never marks either side modified.
  int SetLastModified(int32_t value, bool fromNotes);
  // The phone may switch a repeat on or off but never turn one repeat into another.
  int SetRepeat(const RepeatRule& rule, bool fromNotes);

  int MergeFrom(const CCalEntryObject& other, bool fromNotes);
  void Reset();
  void StartNotesDelta();

  int32_t m_bSeenOnPhone = 0;
  std::unique_ptr<CCalEntryObject> m_pNotesDelta;
  int32_t m_nNotesState = SyncStateUnchanged;
  int32_t m_nPhoneState = SyncStateUnchanged;
  uint32_t m_nNoteId = 0;
  std::string m_strNoteKey;
  int32_t m_bHasSummary = 0;
  std::string m_strSummary;
  int32_t m_bHasLastModified = 0;
  int32_t m_tLastModified = 0;
  std::string m_strLuid;
  int32_t m_bHasAlarm = 0;
  int32_t m_bHasEnd = 0;
  int32_t m_tEnd = 0;
  int32_t m_bHasStart = 0;
  int32_t m_tStart = 0;
  int32_t m_bHasRepeat = 0;
  int32_t m_bAlarm = 0;
  RepeatRule m_repeat;

 private:
  int SetFlagged(int32_t& field, int32_t& present, int32_t value, bool fromNotes);
};

using CalendarArray = std::vector<std::unique_ptr<CCalEntryObject>>;

}  // namespace pim
