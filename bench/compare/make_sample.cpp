// Sample data for the comparison with vdirsyncer: the same contacts and to-dos as a Notes
// database for pimsync and as vCard and iCalendar files for vdirsyncer's filesystem storage.
//
//   make_sample create N DIR   Notes database DIR/notes.db with N Person documents and N to-dos,
//                              an empty phone DIR/phone.db, and DIR/vdir/{contacts,todos}/a
//                              holding the same records as files (b empty)
//   make_sample change P DIR   changes P percent of the contacts and the to-dos on both
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "notesapi/lncalendar.h"
#include "notesapi/lnsession.h"

namespace {

using namespace pim::notes;

LNDatetime At(int month, int day, int hour, int minute) {
  LNDatetime when;
  when.SetDate(month, day, 2019);
  when.SetTime(hour, minute, 0, 0);
  return when;
}

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

std::string VCard(int i, const std::string& email) {
  return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:contact-" + std::to_string(i) + "\r\nFN:Person " +
         std::to_string(i) + "\r\nN:;Person " + std::to_string(i) +
         ";;;\r\nTEL;TYPE=CELL:+44 7700 " + std::to_string(900000 + i) + "\r\nEMAIL:" + email +
         "\r\nEND:VCARD\r\n";
}

std::string VTodo(int i, const std::string& summary) {
  char start[32];
  std::snprintf(start, sizeof start, "2019%02d%02dT%02d0000", 1 + i % 12, 1 + i % 28, 8 + i % 10);
  return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//pimsync "
         "bench//EN\r\nBEGIN:VTODO\r\nUID:todo-" +
         std::to_string(i) + "\r\nDTSTAMP:20190101T000000Z\r\nDTSTART:" + start +
         "\r\nDUE:" + start + "\r\nSUMMARY:" + summary + "\r\nEND:VTODO\r\nEND:VCALENDAR\r\n";
}

void Create(int n, const std::string& dir) {
  namespace fs = std::filesystem;
  fs::create_directories(dir + "/vdir/contacts/a");
  fs::create_directories(dir + "/vdir/contacts/b");
  fs::create_directories(dir + "/vdir/todos/a");
  fs::create_directories(dir + "/vdir/todos/b");
  LNDatabase::Create(dir + "/notes.db", "Bench");
  LNDatabase::Create(dir + "/phone.db", "Bench phone");
  LNNotesSession session;
  session.Initialize();
  LNDatabase db;
  session.GetDatabase(dir + "/notes.db", &db, "");
  db.Open();
  LNCalendar calendar;
  session.GetCalendar(&calendar, dir + "/notes.db", "", "");
  for (int i = 0; i < n; ++i) {
    const std::string email = "person" + std::to_string(i) + "@example.org";
    LNDocument doc;
    db.CreateDocument(&doc, "Person");
    for (const auto& [name, value] :
         {std::pair<std::string, std::string>{"FirstName", "Person " + std::to_string(i)},
          {"CellPhoneNumber", "+44 7700 " + std::to_string(900000 + i)},
          {"MailAddress", email}}) {
      LNText text;
      text.SetValue(value, TRUE);
      doc.CreateItem(name, text);
    }
    doc.SetLastModifiedForSave(At(1, 7, 9, 0));
    doc.Save(0);
    WriteText(dir + "/vdir/contacts/a/contact-" + std::to_string(i) + ".vcf", VCard(i, email));

    const std::string summary = "To-do " + std::to_string(i);
    LNDatetimeRange range;
    range.SetBegin(At(1 + i % 12, 1 + i % 28, 8 + i % 10, 0));
    range.SetEnd(At(1 + i % 12, 1 + i % 28, 8 + i % 10, 30));
    LNCalendarEntry entry;
    calendar.CreateEntry(range, summary, LNCALENDARENTRYTYPE_TODO, &entry);
    WriteText(dir + "/vdir/todos/a/todo-" + std::to_string(i) + ".ics", VTodo(i, summary));
  }
  session.Term(0);
}

void Change(int percent, const std::string& dir) {
  LNNotesSession session;
  session.Initialize();
  LNDatabase db;
  session.GetDatabase(dir + "/notes.db", &db, "");
  db.Open();
  LNDocumentArray docs;
  db.GetDocuments(&docs);
  int contact = 0;
  int todo = 0;
  for (uint32_t i = 0; i < docs.GetCount(); ++i) {
    LNDocument doc = docs[i];
    doc.Open(0);
    const bool is_entry = LNCalendarEntry::IsCalendarEntry(doc);
    const int index = is_entry ? todo++ : contact++;
    if (index % (100 / percent) != 0) continue;
    if (is_entry) {
      LNCalendarEntry entry(doc);
      const std::string summary = "Changed to-do " + std::to_string(index);
      entry.SetBriefDescription(summary);
      entry.Save(0, TRUE);
      WriteText(dir + "/vdir/todos/a/todo-" + std::to_string(index) + ".ics",
                VTodo(index, summary));
    } else {
      const std::string email = "changed" + std::to_string(index) + "@example.org";
      LNText text;
      text.SetValue(email, TRUE);
      doc.CreateItem("MailAddress", text);
      doc.Save(0);  // stamped now: later than the phone's copy, so Notes wins
      WriteText(dir + "/vdir/contacts/a/contact-" + std::to_string(index) + ".vcf",
                VCard(index, email));
    }
  }
  session.Term(0);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: make_sample create N DIR | make_sample change PERCENT DIR\n");
    return 2;
  }
  LNSetThrowAllErrorsGlobal(TRUE);
  try {
    const std::string verb = argv[1];
    if (verb == "create") {
      Create(std::atoi(argv[2]), argv[3]);
    } else if (verb == "change") {
      Change(std::atoi(argv[2]), argv[3]);
    } else {
      return 2;
    }
  } catch (LNSTATUS status) {
    std::fprintf(stderr, "make_sample: %s\n", LNGetErrorMessage(status).c_str());
    return 1;
  }
  return 0;
}
