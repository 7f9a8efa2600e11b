// The vCalendar 1.0 VTODO component of a calendar record. The calendar frame around a run of
// components is the caller's.
#include <array>
#include <string>
#include <string_view>

#include "vobject/vdatetime.h"
#include "vobject/vobject_writer.h"

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

std::string VObjectText(const CCalEntryObject& record) {
  std::string out;
  out.reserve(192);
  out += "BEGIN:VTODO\n";
  out += "X-VOQ-LUID:";
  out += record.m_strLuid;
  out += '\n';
  if (record.m_bHasStart) AppendTimeLine(out, "DTSTART:", record.m_tStart);
  if (record.m_bHasEnd) AppendTimeLine(out, "DTEND:", record.m_tEnd);
  if (record.m_bHasAlarm) out += record.m_bAlarm != 0 ? "AALARM:ON\n" : "AALARM:OFF\n";
  if (record.m_bHasSummary) {
    out += "SUMMARY:";
    out += record.m_strSummary;
    out += '\n';
  }
  if (record.m_bHasRepeat) {
    out += "RRULE:";
    AppendRuleText(out, record.m_repeat);
    out += '\n';
  }
  if (record.m_bHasLastModified) AppendTimeLine(out, "LAST-MODIFIED:", record.m_tLastModified);
  out += "END:VTODO\n";
  return out;
}

}  // namespace pim
