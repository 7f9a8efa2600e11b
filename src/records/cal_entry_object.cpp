#include "records/cal_entry_object.h"

#include "platform/text.h"
#include "records/archive.h"

namespace pim {
namespace {

std::unique_ptr<CSerializable> CreateCalEntry() {
  return std::make_unique<CCalEntryObject>();
}

// Weekday flags are stored as 1 only when they hold exactly 1.
void SerializeWeekday(CArchive& ar, int32_t& flag) {
  if (ar.IsStoring()) {
    ar.WriteDword(flag == 1 ? 1 : 0);
  } else {
    flag = ar.ReadDword() == 1 ? 1 : 0;
  }
}

}  // namespace

const CRuntimeClass CCalEntryObject::classCCalEntryObject = {"CCalEntryObject", 1, &CreateCalEntry};

CCalEntryObject::CCalEntryObject(const CCalEntryObject& other)
    : CSerializable(other),
      m_nNotesState(other.m_nNotesState),
      m_nPhoneState(other.m_nPhoneState),
      m_nNoteId(other.m_nNoteId),
      m_strNoteKey(other.m_strNoteKey),
      m_bHasSummary(other.m_bHasSummary),
      m_strSummary(other.m_strSummary),
      m_bHasLastModified(other.m_bHasLastModified),
      m_tLastModified(other.m_tLastModified),
      m_strLuid(other.m_strLuid),
      m_bHasAlarm(other.m_bHasAlarm),
      m_bHasEnd(other.m_bHasEnd),
      m_tEnd(other.m_tEnd),
      m_bHasStart(other.m_bHasStart),
      m_tStart(other.m_tStart),
      m_bHasRepeat(other.m_bHasRepeat),
      m_bAlarm(other.m_bAlarm),
      m_repeat(other.m_repeat) {}

void CCalEntryObject::Serialize(CArchive& ar) {
  if (ar.IsLoading()) m_pNotesDelta.reset();
  ar.Dword(m_nNoteId);
  ar.String(m_strNoteKey);
  ar.Dword(m_bAlarm);
  ar.Dword(m_repeat.nKind);
  for (int32_t& flag : m_repeat.abWeekdays)
    SerializeWeekday(ar, flag);
  ar.String(m_strLuid);
  ar.String(m_strSummary);
  ar.Dword(m_tStart);
  ar.Dword(m_tEnd);
  ar.Dword(m_tLastModified);
  ar.Dword(m_bHasSummary);
  ar.Dword(m_bHasLastModified);
  ar.Dword(m_bHasAlarm);
  ar.Dword(m_bHasEnd);
  ar.Dword(m_bHasStart);
}

void CCalEntryObject::MarkModified(bool fromNotes) {
  int32_t& state = fromNotes ? m_nNotesState : m_nPhoneState;
  if (state == SyncStateUnchanged) state = SyncStateModified;
}

int CCalEntryObject::SetFlagged(int32_t& field, int32_t& present, int32_t value, bool fromNotes) {
  if (present && value == field) return 0;
  field = value;
  MarkModified(fromNotes);
  present = 1;
  return 1;
}

int CCalEntryObject::SetAlarm(int32_t value, bool fromNotes) {
  return SetFlagged(m_bAlarm, m_bHasAlarm, value, fromNotes);
}
int CCalEntryObject::SetStart(int32_t value, bool fromNotes) {
  return SetFlagged(m_tStart, m_bHasStart, value, fromNotes);
}
int CCalEntryObject::SetEnd(int32_t value, bool fromNotes) {
  return SetFlagged(m_tEnd, m_bHasEnd, value, fromNotes);
}

int CCalEntryObject::SetSummary(std::string_view value, bool fromNotes) {
  if (m_bHasSummary && platform::EqualsNoCase(value, m_strSummary)) return 0;
  m_strSummary.assign(value);
  MarkModified(fromNotes);
  m_bHasSummary = 1;
  return 1;
}

int CCalEntryObject::SetLastModified(int32_t value, bool /*fromNotes*/) {
  if (value == m_tLastModified) return 0;
  m_tLastModified = value;
  m_bHasLastModified = 1;
  return 1;
}

int CCalEntryObject::SetRepeat(const RepeatRule& rule, bool fromNotes) {
  if (rule.nKind == m_repeat.nKind &&
      (rule.nKind != RepeatRule::kWeeklyOnDays || rule.abWeekdays == m_repeat.abWeekdays)) {
    return 0;
  }
  if (!fromNotes && m_repeat.nKind != RepeatRule::kNone && rule.nKind != RepeatRule::kNone) {
    return 0;
  }
  m_repeat = rule;
  MarkModified(fromNotes);
  m_bHasRepeat = 1;
  return 1;
}

int CCalEntryObject::MergeFrom(const CCalEntryObject& other, bool fromNotes) {
  (fromNotes ? m_nNotesState : m_nPhoneState) = SyncStateUnchanged;
  if (other.m_bHasRepeat) SetRepeat(other.m_repeat, fromNotes);
  if (other.m_bHasSummary) SetSummary(other.m_strSummary, fromNotes);
  if (other.m_bHasAlarm) SetAlarm(other.m_bAlarm, fromNotes);
  if (other.m_bHasEnd) SetEnd(other.m_tEnd, fromNotes);
  if (other.m_bHasStart) SetStart(other.m_tStart, fromNotes);
  if (other.m_bHasLastModified) SetLastModified(other.m_tLastModified, fromNotes);
  return 1;
}

void CCalEntryObject::Reset() {
  m_strLuid.clear();
  m_strSummary.clear();
  m_strNoteKey.clear();
  m_nNoteId = 0;
  m_repeat.nKind = RepeatRule::kNone;
  m_bHasSummary = 0;
  m_bHasLastModified = 0;
  m_bHasAlarm = 0;
  m_bHasEnd = 0;
  m_bHasStart = 0;
  m_bHasRepeat = 0;
}

void CCalEntryObject::StartNotesDelta() {
  m_pNotesDelta.reset();
  auto delta = std::make_unique<CCalEntryObject>(*this);
  delta->m_bHasSummary = 0;
  delta->m_bHasLastModified = 0;
  delta->m_bHasAlarm = 0;
  delta->m_bHasEnd = 0;
  delta->m_bHasStart = 0;
  delta->m_bHasRepeat = 0;
  m_pNotesDelta = std::move(delta);
}

}  // namespace pim
