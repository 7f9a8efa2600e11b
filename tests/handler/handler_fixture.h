// What the tests of the handler share: a temporary folder with a contact database, a calendar
// database and the run's files, Notes reached through the test's own copy of the stand-in, and
// the run's steps called through the exported functions of the loaded library.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/handler_host.h"
#include "support/notes_db.h"
#include "support/test_support.h"

namespace pim::test {

class HandlerTest : public testing::Test {
 protected:
  explicit HandlerTest(const HandlerApi& api = Handler());
  void SetUp() override;
  void TearDown() override;

  int32_t Prepare(int32_t mode = 2, int32_t contact_limit = 200, int32_t calendar_limit = 200);
  // A phone pass on `phone_text`; the change file's text lands in `changes` ("<none>" when the
  // pass left no file).
  int32_t Pass(int32_t (*pass)(const char*, const char*), const std::string& phone_text,
               std::string& changes);
  int32_t Answer(int32_t (*update)(const char*), const std::string& answer_text);

  // A whole run, Init to Deinit, with both phone passes and the answers given (each must be
  // taken whole).
  struct Run {
    std::string cards;
    std::string todos = "";
    std::string card_answers = "";
    std::string todo_answers = "";
    int32_t mode = 2;
    int32_t contact_limit = 200;
    int32_t calendar_limit = 200;
  };
  struct Outcome {
    int32_t card_pass = -1;
    int32_t todo_pass = -1;
    std::string card_changes;
    std::string todo_changes;
  };
  Outcome WholeRun(const Run& run);
  // The store file as the store dump writes it to the debug output (which it clears first).
  std::vector<std::string> DumpedStore();

  const HandlerApi& h_;
  ScopedTimeZone tz_{kCentralEurope};
  TempDir dir_;
  NotesDb contacts_;
  NotesDb calendar_;
  std::string store_;
};

// The people and to-dos most tests meet: Ann (office phone 111, category Family, the phone's
// group 3), last modified on 2005-01-10 at 10:00; the dentist, a to-do on 2005-01-12 from 09:00
// to 10:00 with its alarm on, last modified on 2005-01-10 at 12:00.
notes::NOTEID AddAnn(const NotesDb& contacts);
notes::NOTEID AddDentist(const NotesDb& calendar);
// Their texts as the handler writes them, with `luid`.
std::string AnnCard(const std::string& luid);
std::string DentistTodo(const std::string& luid);
// To-do components in the calendar frame.
std::string Calendar(const std::string& components);

}  // namespace pim::test
