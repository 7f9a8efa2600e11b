// The vCard 2.1 text of a contact record, as the phone receives it: one property per line,
// single line feeds, values copied as they stand (no escaping, encoding or folding).
#include <string>

#include "records/contact_object.h"
#include "vobject/vdatetime.h"

namespace pim {
namespace {

void AppendLine(std::string& out, std::string_view name, std::string_view value) {
  out += name;
  out += value;
  out += '\n';
}

void AppendNumberLine(std::string& out, std::string_view name, int32_t value) {
  out += name;
  out += std::to_string(value);
  out += '\n';
}

}  // namespace

std::string CContactObject::ToVCard() const {
  std::string out;
  out.reserve(256);
  out += "BEGIN:VCARD\nVERSION:2.1\n";
  AppendLine(out, "X-VOQ-LUID:", m_strLuid);
  AppendLine(out, "X-VOQ-PHB-STORAGE:", m_strStorage);
  if (m_bHasFirstName) AppendLine(out, "N:", m_strFirstName);
  if (m_bHasLastName) AppendLine(out, "LN:", m_strLastName);
  if (m_bHasCompany) AppendLine(out, "ORG:", m_strCompany);
  if (m_bHasWorkPhone) AppendLine(out, "TEL;WORK;VOICE:", m_strWorkPhone);
  if (m_bHasHomePhone) AppendLine(out, "TEL;HOME;VOICE:", m_strHomePhone);
  if (m_bHasMobilePhone) AppendLine(out, "TEL;CELL;VOICE:", m_strMobilePhone);
  if (m_bHasWorkFax) AppendLine(out, "TEL;WORK;FAX:", m_strWorkFax);
  if (m_bHasEmail) AppendLine(out, "EMAIL;PREF;INTERNET:", m_strEmail);
  if (m_bHasPictureId) AppendNumberLine(out, "X-VOQ-PHB-PIC-ID:", m_nPictureId);
  if (m_bHasRingId) AppendNumberLine(out, "X-VOQ-PHB-RING-ID:", m_nRingId);
  if (m_bHasGroupId) AppendNumberLine(out, "X-VOQ-PHB-CGROUP-ID:", m_nGroupId);
  out += "REV:";
  AppendVDateTime(out, m_tRevision);
  out += '\n';
  out += "END:VCARD\n";
  return out;
}

std::string CContactObject::ToVCardWithKeyLuid() {
  m_strLuid = kLuidMode == 1 ? LuidOfNoteId(m_nNoteId) : m_strNoteKey;
  return ToVCard();
}

}  // namespace pim
