// What the tests of the handler share: a temporary folder with a contact database, a calendar
// database and the run's files; Notes reached directly through the stand-in to set the scene
// and to look at the result; the run's steps called through the exported functions; and the
// people and to-dos most tests meet, in Notes and as the store holds them.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "handler/store_bytes.h"
#include "notesapi/lnglobal.h"
#include "support/handler_host.h"
#include "support/notes_db.h"
#include "support/test_support.h"

namespace pim::test {

// The test's own view of a run's files, settings and results.
class HandlerTest : public testing::Test {
 protected:
  // The library as a host loads it, or `api` (the one linked into the test program).
  HandlerTest();
  explicit HandlerTest(const HandlerApi& api);
  void SetUp() override;
  void TearDown() override;

  // Init and Prepare with this test's databases and store path (and the given mode and limits).
  void StartRun(int32_t mode = 2, int32_t contact_limit = 200, int32_t calendar_limit = 200);
  int32_t Prepare(int32_t mode = 2, int32_t contact_limit = 200, int32_t calendar_limit = 200);
  // The same in mode 2 with other databases (a path where there is none makes Notes fail).
  void StartRunWith(const std::string& contacts, const std::string& calendar);
  int32_t PrepareWith(const std::string& contacts, const std::string& calendar);
  // A database path in the test's folder where there is none.
  std::string MissingDatabase() const { return dir_.File("missing.db"); }
  // Points the databases and the store path at a copy, in the folder `name`, of the ones the
  // test started with.
  void UseCopy(const std::string& name);

  // The two phone passes with the phone's files given as text; the change file's text is kept
  // in vcard_changes_ / vcal_changes_.
  int32_t SyncVCard(const std::string& phone_text);
  int32_t SyncVCal(const std::string& phone_text);
  int32_t UpdateVCardLuids(const std::string& answer_text);
  int32_t UpdateVCalLuids(const std::string& answer_text);

  // A whole run with one phone pass: StartRun with the limits, the retrieval, the pass over
  // the phone's contacts (or to-dos), the update of Notes and Deinit. The retrieval and the
  // update must give 0; returns the pass's result.
  int32_t RunCardPass(const std::string& phone_cards, int32_t contact_limit = 200);
  int32_t RunTodoPass(const std::string& phone_todos, int32_t calendar_limit = 200);
  // The same in `mode` for the contacts, with the phone's answer for the records sent to it as
  // new written back before Deinit, which must give 0 as well.
  int32_t RunCardPassWithAnswers(const std::string& phone_cards, const std::string& luid_answers,
                                 int32_t mode = 2);

  // A Person document with a first name only, and its record in the store once paired.
  std::pair<notes::NOTEID, ContactFields> AddStoredPerson(const std::string& first,
                                                          const std::string& luid);

  std::string Store() const { return ReadFile(store_path_); }
  bool StoreExists() const;
  std::optional<DecodedStore> DecodedStoreFile() const { return DecodeStore(Store()); }

  const HandlerApi& h_;
  ScopedTimeZone tz_{kCentralEurope};
  TempDir dir_;
  NotesDb contacts_db_;
  NotesDb calendar_db_;
  std::string store_path_;
  std::string vcard_changes_;
  std::string vcal_changes_;

 private:
  using PhonePass = int32_t (*)(const char*, const char*);
  int32_t Pass(PhonePass pass, const std::string& extension, const std::string& phone_text,
               std::string& changes_text);
  int32_t Answer(int32_t (*update)(const char*), const std::string& name,
                 const std::string& answer_text);
  int32_t RunOnePass(int32_t (HandlerTest::*pass)(const std::string&),
                     const std::string& phone_text, int32_t mode, int32_t contact_limit,
                     int32_t calendar_limit, const std::optional<std::string>& luid_answers);
};

// The people and to-dos most tests meet. In Notes they were last modified on 2005-01-10, Ann
// and the people with a first name only at 10:00, the to-dos at 12:00 (central European
// winter); their records hold every field Notes gave.
//
// Ann: first name, office phone 111 and the category Family (the phone's group 3).
notes::NOTEID AddAnn(const NotesDb& contacts);
ContactFields AnnRecord(notes::NOTEID id, const std::string& luid = "A1");
// A Person document with a first name only.
notes::NOTEID AddPerson(const NotesDb& contacts, const std::string& first);
ContactFields PersonRecord(notes::NOTEID id, const std::string& luid, const std::string& first);
// The dentist: a to-do on 2005-01-12 from 09:00 to 10:00.
notes::NOTEID AddDentist(const NotesDb& calendar, bool alarm = true);
TodoFields DentistRecord(notes::NOTEID id, const std::string& luid = "T1", bool alarm = true);
// The text items of a Person document the update of Notes wrote: its type and every field a
// phone's card maps to, empty unless `values` gives them; `values` may add other items.
std::map<std::string, std::string> PersonItems(const std::map<std::string, std::string>& values);
// The record of any to-do read from Notes, every field present.
TodoFields NotesTodoRecord(notes::NOTEID id, const std::string& luid, const std::string& summary,
                           int32_t start, int32_t end, int32_t last_modified, bool alarm);

// A vCard as the phone sends it: the LUID and the given property lines, between BEGIN/END.
std::string PhoneCard(const std::string& luid, const std::vector<std::string>& lines);
// A VTODO as the phone sends it.
std::string PhoneTodo(const std::string& luid, const std::vector<std::string>& lines);
// VTODO components wrapped in the calendar frame.
std::string PhoneCalendar(const std::vector<std::string>& todos);
// The calendar change file around the given components.
std::string CalendarChanges(const std::string& components);

// Expectations on the message boxes the handler showed.
inline testing::AssertionResult NoBoxes() {
  return NoBox(CapturedBoxes());
}
// Exactly one box, with this text, caption and style.
inline testing::AssertionResult OneBox(const std::string& text, const char* caption,
                                       unsigned int style) {
  return OneBox(CapturedBoxes(), ExpectedBox(text, caption, style));
}

}  // namespace pim::test
