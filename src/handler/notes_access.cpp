#include "handler/notes_access.h"

#include "platform/text.h"

namespace pim::handler {

void GetRetrievalEntries(notes::LNCalendar& calendar, notes::LNCalendarEntryArray& entries) {
  notes::LNDatetimeRange range;
  range.SetBegin(notes::LNDatetime("1990/1/1"));
  range.SetEnd(notes::LNDatetime("2020/1/1"));
  calendar.GetEntries(range, &entries, notes::TRUE, "");
}

void GetCalendar(ModuleState& state, notes::LNCalendar& calendar) {
  state.session.GetCalendar(&calendar, state.calendar_first_name, state.calendar_second_name, "");
}

void OpenContactDatabase(ModuleState& state, notes::LNDatabase& database) {
  state.session.GetDatabase(state.contact_db_path, &database, state.contact_db_server);
  database.Open();
}

bool IsPersonForm(const notes::LNString& form) {
  return platform::EqualsNoCase(form, "Person");
}

}  // namespace pim::handler
