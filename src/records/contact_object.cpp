#include "records/contact_object.h"

#include <array>
#include <string_view>

#include "platform/text.h"
#include "records/archive.h"

namespace pim {
namespace {

// Caller groups by index; the same names serve both directions (category to group and back).
constexpr std::array<std::string_view, 4> kGroupNames = {"VIP", "Business", "Friends", "Family"};

std::unique_ptr<CSerializable> CreateContact() {
  return std::make_unique<CContactObject>();
}

}  // namespace

const CRuntimeClass CContactObject::classCContactObject = {"CContactObject", 1, &CreateContact};

CContactObject::CContactObject(const CContactObject& other)
    : CSerializable(other),
      m_strStorage(other.m_strStorage),
      m_strNoteKey(other.m_strNoteKey),
      m_nNoteId(other.m_nNoteId),
      m_bHasRevision(other.m_bHasRevision),
      m_tRevision(other.m_tRevision),
      m_strLuid(other.m_strLuid),
      m_bHasGroupId(other.m_bHasGroupId),
      m_nGroupId(other.m_nGroupId),
      m_bHasRingId(other.m_bHasRingId),
      m_nRingId(other.m_nRingId),
      m_bHasPictureId(other.m_bHasPictureId),
      m_nPictureId(other.m_nPictureId),
      m_bHasEmail(other.m_bHasEmail),
      m_strEmail(other.m_strEmail),
      m_bHasWorkFax(other.m_bHasWorkFax),
      m_strWorkFax(other.m_strWorkFax),
      m_bHasMobilePhone(other.m_bHasMobilePhone),
      m_strMobilePhone(other.m_strMobilePhone),
      m_bHasHomePhone(other.m_bHasHomePhone),
      m_strHomePhone(other.m_strHomePhone),
      m_bHasWorkPhone(other.m_bHasWorkPhone),
      m_strWorkPhone(other.m_strWorkPhone),
      m_bHasCompany(other.m_bHasCompany),
      m_strCompany(other.m_strCompany),
      m_bHasFirstName(other.m_bHasFirstName),
      m_strFirstName(other.m_strFirstName),
      m_bHasLastName(other.m_bHasLastName),
      m_strLastName(other.m_strLastName) {}

void CContactObject::Serialize(CArchive& ar) {
  if (ar.IsLoading()) m_pNotesDelta.reset();
  ar.Dword(m_nNoteId);
  ar.String(m_strNoteKey);
  ar.Dword(m_nGroupId);
  ar.Dword(m_nPictureId);
  ar.Dword(m_nRingId);
  ar.String(m_strMobilePhone);
  ar.String(m_strEmail);
  ar.String(m_strWorkFax);
  ar.String(m_strHomePhone);
  ar.String(m_strLuid);
  ar.String(m_strFirstName);
  ar.String(m_strLastName);
  ar.String(m_strWorkPhone);
  ar.String(m_strCompany);
  ar.Dword(m_tRevision);
  ar.Dword(m_bHasGroupId);
  ar.Dword(m_bHasRingId);
  ar.Dword(m_bHasPictureId);
  ar.Dword(m_bHasEmail);
  ar.Dword(m_bHasWorkFax);
  ar.Dword(m_bHasMobilePhone);
  ar.Dword(m_bHasHomePhone);
  ar.Dword(m_bHasWorkPhone);
  ar.Dword(m_bHasCompany);
  ar.Dword(m_bHasFirstName);
  ar.Dword(m_bHasLastName);
}

void CContactObject::MarkModified(bool fromNotes) {
  int32_t& state = fromNotes ? m_nNotesState : m_nPhoneState;
  if (state == SyncStateUnchanged) state = SyncStateModified;
}

int CContactObject::SetText(std::string& field, int32_t& present, std::string_view value,
                            bool fromNotes) {
  if (platform::EqualsNoCase(value, field)) return 0;
  field.assign(value);
  MarkModified(fromNotes);
  present = 1;
  return 1;
}

int CContactObject::SetNumber(int32_t& field, int32_t& present, int32_t value, bool fromNotes) {
  if (value == field) return 0;
  field = value;
  MarkModified(fromNotes);
  present = 1;
  return 1;
}

int CContactObject::SetMobilePhone(std::string_view value, bool fromNotes) {
  return SetText(m_strMobilePhone, m_bHasMobilePhone, value, fromNotes);
}
int CContactObject::SetEmail(std::string_view value, bool fromNotes) {
  return SetText(m_strEmail, m_bHasEmail, value, fromNotes);
}
int CContactObject::SetWorkFax(std::string_view value, bool fromNotes) {
  return SetText(m_strWorkFax, m_bHasWorkFax, value, fromNotes);
}
int CContactObject::SetHomePhone(std::string_view value, bool fromNotes) {
  return SetText(m_strHomePhone, m_bHasHomePhone, value, fromNotes);
}
int CContactObject::SetFirstName(std::string_view value, bool fromNotes) {
  return SetText(m_strFirstName, m_bHasFirstName, value, fromNotes);
}
int CContactObject::SetLastName(std::string_view value, bool fromNotes) {
  return SetText(m_strLastName, m_bHasLastName, value, fromNotes);
}
int CContactObject::SetWorkPhone(std::string_view value, bool fromNotes) {
  return SetText(m_strWorkPhone, m_bHasWorkPhone, value, fromNotes);
}
int CContactObject::SetCompany(std::string_view value, bool fromNotes) {
  return SetText(m_strCompany, m_bHasCompany, value, fromNotes);
}
int CContactObject::SetGroupId(int32_t value, bool fromNotes) {
  return SetNumber(m_nGroupId, m_bHasGroupId, value, fromNotes);
}
int CContactObject::SetPictureId(int32_t value, bool fromNotes) {
  return SetNumber(m_nPictureId, m_bHasPictureId, value, fromNotes);
}
int CContactObject::SetRingId(int32_t value, bool fromNotes) {
  return SetNumber(m_nRingId, m_bHasRingId, value, fromNotes);
}

int CContactObject::SetRevision(int32_t value, bool /*fromNotes*/) {
  if (value == m_tRevision) return 0;
  m_tRevision = value;
  m_bHasRevision = 1;
  return 1;
}

int CContactObject::MergeFrom(const CContactObject& other, bool fromNotes) {
  (fromNotes ? m_nNotesState : m_nPhoneState) = SyncStateUnchanged;
  if (other.m_bHasMobilePhone) SetMobilePhone(other.m_strMobilePhone, fromNotes);
  if (other.m_bHasEmail) SetEmail(other.m_strEmail, fromNotes);
  if (other.m_bHasWorkFax) SetWorkFax(other.m_strWorkFax, fromNotes);
  if (other.m_bHasGroupId) SetGroupId(other.m_nGroupId, fromNotes);
  if (other.m_bHasHomePhone) SetHomePhone(other.m_strHomePhone, fromNotes);
  if (other.m_bHasFirstName) SetFirstName(other.m_strFirstName, fromNotes);
  if (other.m_bHasLastName) SetLastName(other.m_strLastName, fromNotes);
  if (other.m_bHasWorkPhone) SetWorkPhone(other.m_strWorkPhone, fromNotes);
  if (other.m_bHasCompany) SetCompany(other.m_strCompany, fromNotes);
  if (other.m_bHasPictureId) SetPictureId(other.m_nPictureId, fromNotes);
  if (other.m_bHasRingId) SetRingId(other.m_nRingId, fromNotes);
  if (other.m_bHasRevision) SetRevision(other.m_tRevision, fromNotes);
  return 1;
}

void CContactObject::Reset() {
  m_strStorage.clear();
  m_strNoteKey.clear();
  m_strLuid.clear();
  m_strEmail.clear();
  m_strWorkFax.clear();
  m_strMobilePhone.clear();
  m_strHomePhone.clear();
  m_strWorkPhone.clear();
  m_strCompany.clear();
  m_strFirstName.clear();
  m_strLastName.clear();
  m_nNoteId = 0;
  m_nGroupId = -1;
  m_nPictureId = -1;
  m_nRingId = -1;
  m_bHasGroupId = 0;
  m_bHasRingId = 0;
  m_bHasPictureId = 0;
  m_bHasEmail = 0;
  m_bHasWorkFax = 0;
  m_bHasMobilePhone = 0;
  m_bHasHomePhone = 0;
  m_bHasWorkPhone = 0;
  m_bHasCompany = 0;
  m_bHasFirstName = 0;
  m_bHasLastName = 0;
}

void CContactObject::StartNotesDelta() {
  m_pNotesDelta.reset();
  auto delta = std::make_unique<CContactObject>(*this);
  delta->m_bHasRevision = 0;
  delta->m_bHasGroupId = 0;
  delta->m_bHasRingId = 0;
  delta->m_bHasPictureId = 0;
  delta->m_bHasEmail = 0;
  delta->m_bHasWorkFax = 0;
  delta->m_bHasMobilePhone = 0;
  delta->m_bHasHomePhone = 0;
  delta->m_bHasWorkPhone = 0;
  delta->m_bHasCompany = 0;
  delta->m_bHasFirstName = 0;
  delta->m_bHasLastName = 0;
  m_pNotesDelta = std::move(delta);
}

std::string CContactObject::GetGroupName() const {
  if (m_nGroupId >= 0 && m_nGroupId < static_cast<int32_t>(kGroupNames.size())) {
    return std::string(kGroupNames[static_cast<size_t>(m_nGroupId)]);
  }
  return {};
}

int32_t CContactObject::SetGroupFromCategories(const std::string& categories) {
  m_nGroupId = 4;  // no group
  std::string_view text = platform::Trim(categories);
  int32_t match = -1;
  while (!text.empty() && match < 0) {
    std::string_view token = text;
    const size_t comma = text.find(',');
    if (comma == std::string_view::npos) {
      text = {};
    } else {
      token = text.substr(0, comma);
      text = platform::Trim(text.substr(comma + 1));
    }
    token = platform::Trim(token);
    for (size_t i = 0; i < kGroupNames.size(); ++i) {
      if (platform::EqualsNoCase(token, kGroupNames[i])) {
        match = static_cast<int32_t>(i);
        break;
      }
    }
  }
  if (match >= 0) SetGroupId(match, false);
  return m_nGroupId;
}

}  // namespace pim
