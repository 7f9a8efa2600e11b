#include "notes/calendar_entry.h"

#include <ctime>
#include <memory>
#include <string>

#include "notes/person_document.h"
#include "notes/repeat_rule_items.h"
#include "platform/local_time.h"
#include "platform/platform.h"

namespace pim {

using notes::LNCalendar;
using notes::LNCalendarEntry;
using notes::LNDatetime;
using notes::LNDatetimeRange;

namespace {

bool SameLocalDay(int32_t a, int32_t b) {
  platform::LocalParts pa;
  platform::LocalParts pb;
  if (!platform::BreakDownLocal(a, pa) || !platform::BreakDownLocal(b, pb)) return a == b;
  return pa.year == pb.year && pa.month == pb.month && pa.day == pb.day;
}

}  // namespace

void LocalTimeToNotes(LNDatetime& datetime, int32_t time) {
  platform::LocalParts parts;
  if (!platform::BreakDownLocal(time, parts)) parts = {1970, 1, 1, 0, 0, 0, 4};
  datetime.SetDate(parts.month, parts.day, parts.year);
  datetime.SetTime(parts.hour, parts.minute, parts.second, 0);
}

void RangeOfNewTodo(const CCalEntryObject& record, LNDatetimeRange& range) {
  int32_t start = record.m_tStart;
  int32_t end = record.m_tEnd;
  if (!record.m_bHasStart && record.m_bHasEnd) start = end;
  if (record.m_bHasStart && !record.m_bHasEnd) end = start;
  if (!record.m_bHasStart && !record.m_bHasEnd) {
    platform::LocalParts now;
    platform::BreakDownLocal(static_cast<int32_t>(std::time(nullptr)), now);
    start = end = platform::MakeLocalTime(now.year, now.month, now.day, 0, 0, 0);
  }
  LNDatetime begin_time;
  LNDatetime end_time;
  LocalTimeToNotes(begin_time, start);
  LocalTimeToNotes(end_time, end);
  range.SetBegin(begin_time);
  range.SetEnd(end_time);
}

std::unique_ptr<CCalEntryObject> ReadCalendarEntry(LNCalendarEntry& entry) {
  auto fresh = std::make_unique<CCalEntryObject>();
  fresh->m_nNoteId = entry.GetNoteID();
  fresh->SetAlarm(entry.GetIsAlarmEnabled() != 0 ? 1 : 0, false);
  LNDatetimeRange range;
  entry.GetDatetimeRange(&range);
  int32_t time = 0;
  if (NotesTimeToLocal(time, range.GetBegin())) fresh->SetStart(time, false);
  if (NotesTimeToLocal(time, range.GetEnd())) fresh->SetEnd(time, false);
  if (!SameLocalDay(fresh->m_tStart, fresh->m_tEnd)) return nullptr;

  notes::LNString brief;
  entry.GetBriefDescription(&brief);
  fresh->SetSummary(brief, false);

  platform::LocalParts start;
  const int start_weekday =
      platform::BreakDownLocal(fresh->m_tStart, start) ? start.weekday + 1 : 1;
  RepeatRule rule;
  ReadRepeatRule(rule, entry, start_weekday);
  fresh->SetRepeat(rule, false);
  if (NotesTimeToLocal(time, entry.GetLastModified())) fresh->SetLastModified(time, false);

  platform::OutputDebugStringA("<-- Calendar Entry");
  platform::OutputDebugStringA(brief);
  if (platform::DebugOutputWanted()) platform::OutputDebugStringA(range.GetText());
  platform::OutputDebugStringA("Calendar Entry -->");
  return fresh;
}

void WriteCalendarEntry(LNCalendarEntry& entry, const CCalEntryObject& record) {
  if (record.m_bHasStart && record.m_bHasEnd) {
    LNDatetime start;
    LNDatetime end;
    LocalTimeToNotes(start, record.m_tStart);
    LocalTimeToNotes(end, record.m_tEnd);
    LNDatetimeRange range;
    range.SetBegin(start);
    range.SetEnd(end);
    entry.SetDatetimeRange(range);
    entry.SetAlarmDatetime(end);
  }
  if (record.m_bHasAlarm) entry.SetIsAlarmEnabled(record.m_bAlarm);
  if (record.m_bHasSummary) entry.SetBriefDescription(record.m_strSummary);
  if (record.m_bHasRepeat) WriteRepeatRule(entry, record.m_repeat);
  entry.ComputeWithForm(notes::FALSE);
  entry.Save(0, notes::TRUE);
}

bool CreateTodoEntry(LNCalendar& calendar, CCalEntryObject& record) {
  LNDatetimeRange range;
  RangeOfNewTodo(record, range);
  LNCalendarEntry entry;
  if (calendar.CreateEntry(range, record.m_strSummary, notes::LNCALENDARENTRYTYPE_TODO, &entry) !=
      notes::LNNOERROR) {
    return false;
  }
  record.m_nNoteId = entry.GetNoteID();
  // The entry already holds them: write only the alarm and the repeat rule.
  record.m_bHasSummary = 0;
  record.m_bHasStart = 0;
  record.m_bHasEnd = 0;
  WriteCalendarEntry(entry, record);
  entry.Close();
  return true;
}

void RewriteCalendarEntry(LNCalendar& calendar, notes::NOTEID id, const CCalEntryObject& record) {
  LNCalendarEntry entry;
  if (calendar.GetDocument(id, &entry) != notes::LNNOERROR) return;
  entry.Open(0);
  WriteCalendarEntry(entry, record);
  entry.Close();
}

}  // namespace pim
