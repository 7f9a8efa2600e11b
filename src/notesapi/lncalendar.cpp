#include "notesapi/lncalendar.h"

#include <utility>

#include "notesapi/call_guard.h"
#include "notesapi/item_codec.h"
#include "notesapi/notes_store.h"
#include "platform/text.h"

namespace pim::notes {

using detail::RunBody;
using detail::RunCall;

namespace {

bool HasDate(const LNDatetime& datetime) {
  return (datetime.GetState() & LNDATETIMESTATE_DATE_ONLY) != 0;
}

const LNItem* FindIn(const std::vector<LNItem>& items, const char* name) {
  for (const LNItem& item : items) {
    if (platform::EqualsNoCase(item.GetName(), name)) return &item;
  }
  return nullptr;
}

// The first value of a date-time item, or an invalid date-time.
LNDatetime FirstDatetime(const LNItem* item) {
  const auto* datetimes = item != nullptr ? item->Datetimes() : nullptr;
  return datetimes != nullptr && !datetimes->empty() ? datetimes->front() : LNDatetime();
}

double FirstNumber(const LNItem* item) {
  const auto* numbers = item != nullptr ? item->Numbers() : nullptr;
  return numbers != nullptr && !numbers->empty() ? numbers->front() : 0;
}

}  // namespace

bool LNCalendarEntry::IsCalendarEntry(const LNNote& note) {
  if (!note.IsOpen()) return false;
  const LNItem* type = FindIn(note.GetItems(), kEntryTypeItem);
  return type != nullptr && type->Numbers() != nullptr && !type->Numbers()->empty();
}

LNSTATUS LNCalendarEntry::GetDatetimeRange(LNDatetimeRange* range) const {
  return RunCall(LNOperation::kEntryGetDatetimeRange, [&]() -> LNSTATUS {
    if (range == nullptr) return LNERR_BAD_ARGUMENT;
    if (const LNSTATUS status = CheckOpen()) return status;
    if (!IsCalendarEntry(*this)) return LNERR_NOT_CALENDAR_ENTRY;
    LNDatetimeRange read;
    read.SetBegin(FirstDatetime(FindItem(kEntryStartItem)));
    read.SetEnd(FirstDatetime(FindItem(kEntryEndItem)));
    *range = read;
    return LNNOERROR;
  });
}

LNSTATUS LNCalendarEntry::SetDatetimeRange(const LNDatetimeRange& range) {
  return RunCall(LNOperation::kEntrySetDatetimeRange, [&]() -> LNSTATUS {
    if (const LNSTATUS status = CheckOpen()) return status;
    if (!IsCalendarEntry(*this)) return LNERR_NOT_CALENDAR_ENTRY;
    // The start places the entry in the calendar, so it needs a date; the end is kept as given.
    if (!HasDate(range.GetBegin())) return LNERR_BAD_DATETIME;
    PutItem(kEntryStartItem, LNItem(kEntryStartItem, std::vector{range.GetBegin()}));
    PutItem(kEntryEndItem, LNItem(kEntryEndItem, std::vector{range.GetEnd()}));
    return LNNOERROR;
  });
}

LNSTATUS LNCalendarEntry::GetBriefDescription(LNString* brief) const {
  return RunCall(LNOperation::kEntryGetBriefDescription, [&]() -> LNSTATUS {
    if (brief == nullptr) return LNERR_BAD_ARGUMENT;
    if (const LNSTATUS status = CheckOpen()) return status;
    if (!IsCalendarEntry(*this)) return LNERR_NOT_CALENDAR_ENTRY;
    const LNItem* item = FindItem(kEntryBriefItem);
    const auto* texts = item != nullptr ? item->Texts() : nullptr;
    *brief = texts != nullptr && !texts->empty() ? texts->front() : LNString();
    return LNNOERROR;
  });
}

LNSTATUS LNCalendarEntry::SetBriefDescription(const LNString& brief) {
  return RunCall(LNOperation::kEntrySetBriefDescription, [&]() -> LNSTATUS {
    if (const LNSTATUS status = CheckOpen()) return status;
    if (!IsCalendarEntry(*this)) return LNERR_NOT_CALENDAR_ENTRY;
    PutItem(kEntryBriefItem, LNItem(kEntryBriefItem, std::vector{brief}));
    return LNNOERROR;
  });
}

LNBOOL LNCalendarEntry::GetIsAlarmEnabled() const {
  LNBOOL enabled = FALSE;
  RunCall(LNOperation::kEntryGetIsAlarmEnabled, [&]() -> LNSTATUS {
    if (const LNSTATUS status = CheckOpen()) return status;
    if (!IsCalendarEntry(*this)) return LNERR_NOT_CALENDAR_ENTRY;
    enabled = FirstNumber(FindItem(kEntryAlarmItem)) != 0 ? TRUE : FALSE;
    return LNNOERROR;
  });
  return enabled;
}

LNSTATUS LNCalendarEntry::SetIsAlarmEnabled(LNBOOL enabled) {
  return RunCall(LNOperation::kEntrySetIsAlarmEnabled, [&]() -> LNSTATUS {
    if (const LNSTATUS status = CheckOpen()) return status;
    if (!IsCalendarEntry(*this)) return LNERR_NOT_CALENDAR_ENTRY;
    PutItem(kEntryAlarmItem, LNItem(kEntryAlarmItem, std::vector{enabled != FALSE ? 1.0 : 0.0}));
    return LNNOERROR;
  });
}

LNSTATUS LNCalendarEntry::GetAlarmDatetime(LNDatetime* when) const {
  return RunBody([&]() -> LNSTATUS {
    if (when == nullptr) return LNERR_BAD_ARGUMENT;
    if (const LNSTATUS status = CheckOpen()) return status;
    if (!IsCalendarEntry(*this)) return LNERR_NOT_CALENDAR_ENTRY;
    const LNItem* item = FindItem(kEntryAlarmTimeItem);
    if (item == nullptr || item->Datetimes() == nullptr || item->Datetimes()->empty()) {
      return LNERR_ITEM_NOT_FOUND;
    }
    *when = item->Datetimes()->front();
    return LNNOERROR;
  });
}

LNSTATUS LNCalendarEntry::SetAlarmDatetime(const LNDatetime& when) {
  return RunCall(LNOperation::kEntrySetAlarmDatetime, [&]() -> LNSTATUS {
    if (const LNSTATUS status = CheckOpen()) return status;
    if (!IsCalendarEntry(*this)) return LNERR_NOT_CALENDAR_ENTRY;
    PutItem(kEntryAlarmTimeItem, LNItem(kEntryAlarmTimeItem, std::vector{when}));
    return LNNOERROR;
  });
}

int32_t LNCalendarEntry::GetEntryType() const {
  int32_t type = 0;
  RunBody([&]() -> LNSTATUS {
    if (const LNSTATUS status = CheckOpen()) return status;
    if (!IsCalendarEntry(*this)) return LNERR_NOT_CALENDAR_ENTRY;
    type = static_cast<int32_t>(FirstNumber(FindItem(kEntryTypeItem)));
    return LNNOERROR;
  });
  return type;
}

LNSTATUS LNCalendarEntry::Save(uint32_t /*flags*/, LNBOOL /*compute*/) {
  return RunCall(LNOperation::kEntrySave, [&]() -> LNSTATUS { return SaveNote(); });
}

LNCalendarEntry LNCalendarEntryArray::operator[](uint32_t i) const {
  if (i >= entries_.size()) {
    detail::Fail(LNERR_INDEX_OUT_OF_RANGE);
    return {};
  }
  return entries_[i];
}

LNSTATUS LNCalendar::GetEntries(const LNDatetimeRange& range, LNCalendarEntryArray* entries,
                                LNBOOL /*whole_days*/, const LNString& /*reserved*/) {
  return RunCall(LNOperation::kCalendarGetEntries, [&]() -> LNSTATUS {
    if (entries == nullptr) return LNERR_BAD_ARGUMENT;
    if (!db_) return LNERR_DATABASE_NOT_OPEN;
    const LNDatetime& begin = range.GetBegin();
    const LNDatetime& end = range.GetEnd();
    if (!HasDate(begin) || !HasDate(end)) return LNERR_BAD_DATETIME;
    // Whole days: from the begin day's midnight up to, not including, the midnight after the
    // end day. A day key plus a full day of moment digits is that next midnight.
    const int64_t from = detail::DayKey(begin.GetYear(), begin.GetMonth(), begin.GetDay());
    const int64_t to = detail::DayKey(end.GetYear(), end.GetMonth(), end.GetDay()) + 100'000'000;
    std::vector<detail::StoredNote> stored = db_->ListEntries(from, to);
    std::vector<LNCalendarEntry> found(stored.size());
    for (size_t i = 0; i < stored.size(); ++i) {
      // Entries come open: the calendar read them whole anyway.
      found[i].TakeListed(db_, std::move(stored[i]));
      found[i].open_ = true;
    }
    entries->entries_ = std::move(found);
    return LNNOERROR;
  });
}

LNSTATUS LNCalendar::CreateEntry(const LNDatetimeRange& range, const LNString& brief, int32_t type,
                                 LNCalendarEntry* entry) {
  return RunCall(LNOperation::kCalendarCreateEntry, [&]() -> LNSTATUS {
    if (entry == nullptr) return LNERR_BAD_ARGUMENT;
    if (!db_) return LNERR_DATABASE_NOT_OPEN;
    if (!HasDate(range.GetBegin())) return LNERR_BAD_DATETIME;
    LNCalendarEntry created;
    created.db_ = db_;
    created.form_ = type == LNCALENDARENTRYTYPE_TODO ? kTodoForm : kAppointmentForm;
    created.open_ = true;
    created.items_ = {
        LNItem(kEntryTypeItem, std::vector{static_cast<double>(type)}),
        LNItem(kEntryStartItem, std::vector{range.GetBegin()}),
        LNItem(kEntryEndItem, std::vector{range.GetEnd()}),
        LNItem(kEntryBriefItem, std::vector{brief}),
        LNItem(kEntryAlarmItem, std::vector{0.0}),
    };
    if (const LNSTATUS status = created.SaveNote()) return status;
    *entry = std::move(created);
    return LNNOERROR;
  });
}

}  // namespace pim::notes
