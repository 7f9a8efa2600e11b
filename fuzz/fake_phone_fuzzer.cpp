// The fake phone reading a hostile change file into its Notes database. Built twice: the
// contact change file (PIMHandler_SyncCardAsFakePhone) and, with PIM_FUZZ_CALENDAR set, the
// calendar change file. Every input starts from the same database, laid anew on a RAM disk:
// three Person documents and three to-dos (note IDs 1 to 6), so that LUIDs can name them.
#include <cstdio>

#include "fuzz_support.h"
#include "notesapi/lncalendar.h"
#include "notesapi/lnsession.h"
#include "pim_handler.h"

#ifndef PIM_FUZZ_CALENDAR
#error "PIM_FUZZ_CALENDAR must be 0 (contacts) or 1 (to-dos)"
#endif

using namespace pim;

namespace {

std::string& DatabaseBytes() {
  static std::string bytes;
  return bytes;
}

notes::LNDatetime Datetime(int day, int hour) {
  notes::LNDatetime dt;
  dt.SetDate(7, day, 2005);
  dt.SetTime(hour, 0, 0, 0);
  return dt;
}

// Builds the phone's database once; each input gets a fresh copy of its bytes.
void MakeDatabase(const std::string& path) {
  if (notes::LNDatabase::Create(path, "Phone") != notes::LNNOERROR) {
    fuzz::Fail("cannot make the phone database");
  }
  notes::LNNotesSession session;
  session.Initialize(220, 0, nullptr, notes::TRUE, nullptr);
  {
    notes::LNDatabase db;
    session.GetDatabase(path, &db, "");
    db.Open();
    for (int i = 1; i <= 3; ++i) {
      notes::LNDocument doc;
      db.CreateDocument(&doc, "Person");
      for (const char* item : {"FirstName", "CellPhoneNumber", "CompanyName"}) {
        notes::LNText text;
        text.SetValue(std::string(item) + " " + std::to_string(i), notes::TRUE);
        doc.CreateItem(item, text);
      }
      doc.Save(0);
      doc.Close();
    }
    db.Close();
    notes::LNCalendar calendar;
    session.GetCalendar(&calendar, path, "", "");
    for (int i = 1; i <= 3; ++i) {
      notes::LNDatetimeRange range;
      range.SetBegin(Datetime(i, 9));
      range.SetEnd(Datetime(i, 10));
      notes::LNCalendarEntry entry;
      calendar.CreateEntry(range, "To-do " + std::to_string(i), notes::LNCALENDARENTRYTYPE_TODO,
                           &entry);
      entry.Close();
    }
    calendar.Close();
  }
  session.Term(0);
  // Closing the last connection folds the journal into the file: the file alone is the store.
  DatabaseBytes() = fuzz::ReadBytes(path);
  if (DatabaseBytes().empty()) fuzz::Fail("the phone database is empty");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::Init();
  MakeDatabase(fuzz::ScratchFile("template.db"));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string db = fuzz::ScratchFile("phone.db");
  static const std::string changes = fuzz::ScratchFile("changes.txt");
  static const std::string answers = fuzz::ScratchFile("answers.txt");

  std::remove((db + "-wal").c_str());
  std::remove((db + "-shm").c_str());
  fuzz::WriteBytes(db, DatabaseBytes());
  fuzz::WriteBytes(changes, std::string_view(reinterpret_cast<const char*>(data), size));

  PIMHandler_Prepare(2, 200, 200, db.c_str(), "", "", db.c_str(), "");
  if (PIMHandler_InitAsFakePhone("", "") != 0) fuzz::Fail("the fake phone cannot start");
#if PIM_FUZZ_CALENDAR
  const int32_t result = PIMHandler_SyncCalAsFakePhone(changes.c_str(), answers.c_str());
#else
  const int32_t result = PIMHandler_SyncCardAsFakePhone(changes.c_str(), answers.c_str());
#endif
  // A change file naming notes the phone does not hold fails with a report; nothing else may.
  const size_t boxes = fuzz::TakeMessageBoxCount();
  if (result == 0 && boxes != 0) fuzz::Fail("a fake-phone sync reported and succeeded");
  if (result == 1 && boxes != 1) fuzz::Fail("a fake-phone sync failed without one report");
  if (result != 0 && result != 1) fuzz::Fail("a fake-phone sync gave a result of its own");
  if (PIMHandler_DeinitAsFakePhone() != 0) fuzz::Fail("the fake phone cannot stop");
  return 0;
}
