// The vCard 2.1 text of a contact record, as the phone receives it: one property per line,
// single line feeds, values copied as they stand (no escaping, encoding or folding).
#include <string>

#include "vobject/vdatetime.h"
#include "vobject/vobject_writer.h"

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

std::string VObjectText(const CContactObject& record) {
  std::string out;
  out.reserve(256);
  out += "BEGIN:VCARD\nVERSION:2.1\n";
  AppendLine(out, "X-VOQ-LUID:", record.m_strLuid);
  AppendLine(out, "X-VOQ-PHB-STORAGE:", record.m_strStorage);
  if (record.m_bHasFirstName) AppendLine(out, "N:", record.m_strFirstName);
  if (record.m_bHasLastName) AppendLine(out, "LN:", record.m_strLastName);
  if (record.m_bHasCompany) AppendLine(out, "ORG:", record.m_strCompany);
  if (record.m_bHasWorkPhone) AppendLine(out, "TEL;WORK;VOICE:", record.m_strWorkPhone);
  if (record.m_bHasHomePhone) AppendLine(out, "TEL;HOME;VOICE:", record.m_strHomePhone);
  if (record.m_bHasMobilePhone) AppendLine(out, "TEL;CELL;VOICE:", record.m_strMobilePhone);
  if (record.m_bHasWorkFax) AppendLine(out, "TEL;WORK;FAX:", record.m_strWorkFax);
  if (record.m_bHasEmail) AppendLine(out, "EMAIL;PREF;INTERNET:", record.m_strEmail);
  if (record.m_bHasPictureId) AppendNumberLine(out, "X-VOQ-PHB-PIC-ID:", record.m_nPictureId);
  if (record.m_bHasRingId) AppendNumberLine(out, "X-VOQ-PHB-RING-ID:", record.m_nRingId);
  if (record.m_bHasGroupId) AppendNumberLine(out, "X-VOQ-PHB-CGROUP-ID:", record.m_nGroupId);
  out += "REV:";
  AppendVDateTime(out, record.m_tRevision);
  out += '\n';
  out += "END:VCARD\n";
  return out;
}

}  // namespace pim
