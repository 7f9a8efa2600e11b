// The vCalendar 1.0 VTODO component of a calendar record. The calendar frame around a run of
// components is the caller's.
#include <array>
#include <string>
#include <string_view>

#include "records/cal_entry_object.h"
#include "vobject/vdatetime.h"

namespace pim {
namespace {

constexpr std::array<std::string_view, 7> kWeekdayCodes = {"SU", "MO", "TU", "WE",
                                                           "TH", "FR", "SA"};

void AppendTimeLine(std::string& out, std::string_view name, int32_t time) {
  out += name;
  AppendVDateTime(out, time);
  out += '\n';
}

void AppendRuleText(std::string& out, const RepeatRule& rule) {
  switch (rule.nKind) {
    case RepeatRule::kDaily:
      out += "D1";
      break;
    case RepeatRule::kWeeklyOnDays:
      out += "W1";
      for (size_t day = 0; day < kWeekdayCodes.size(); ++day) {
        if (rule.abWeekdays[day] != 0) {
          out += ' ';
          out += kWeekdayCodes[day];
        }
      }
      break;
    case RepeatRule::kWeekly:
      out += "W1";
      break;
    case RepeatRule::kMonthly:
      out += "M1";
      break;
    default:
      break;  // no repetition: the line stays empty
  }
}

}  // namespace

std::string CCalEntryObject::ToVCalendar() const {
  std::string out;
  out.reserve(192);
  out += "BEGIN:VTODO\n";
  out += "X-VOQ-LUID:";
  out += m_strLuid;
  out += '\n';
  if (m_bHasStart) AppendTimeLine(out, "DTSTART:", m_tStart);
  if (m_bHasEnd) AppendTimeLine(out, "DTEND:", m_tEnd);
  if (m_bHasAlarm) out += m_bAlarm != 0 ? "AALARM:ON\n" : "AALARM:OFF\n";
  if (m_bHasSummary) {
    out += "SUMMARY:";
    out += m_strSummary;
    out += '\n';
  }
  if (m_bHasRepeat) {
    out += "RRULE:";
    AppendRuleText(out, m_repeat);
    out += '\n';
  }
  if (m_bHasLastModified) AppendTimeLine(out, "LAST-MODIFIED:", m_tLastModified);
  out += "END:VTODO\n";
  return out;
}

std::string CCalEntryObject::ToVCalendarWithKeyLuid() {
  m_strLuid = kLuidMode == 1 ? LuidOfNoteId(m_nNoteId) : m_strNoteKey;
  return ToVCalendar();
}

}  // namespace pim
