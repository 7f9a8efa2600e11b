// Every Notes call of an entry point made to fail in turn: a clean run counts the calls, then
// each attempt starts from a fresh copy of the scene and fails the k-th call. Each failing
// attempt must give its result and exactly one report, keep what the behaviour keeps, and leave
// a store that a following PIMHandler_Deinit saves with every record it must still hold.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>

#include "faults/fault_support.h"
#include "faults/sync_scene.h"
#include "handler/module_state.h"
#include "notesapi/fault_injection.h"
#include "pim_handler.h"
#include "support/test_support.h"

namespace pim::faults {
namespace {

constexpr notes::LNSTATUS kStatus = notes::LNERR_DATABASE_IO;

std::string Attempt(uint32_t k, uint32_t calls) {
  return k == 0 ? std::string("no Notes call fails")
                : "Notes call " + std::to_string(k) + " of " + std::to_string(calls) + " fails";
}

// What one attempt made of the Notes calls.
struct Outcome {
  uint32_t calls = 0;         // Notes calls made by the call under test
  uint32_t item_lookups = 0;  // of them, item look-ups
  bool absorbed = false;      // the failure was taken as an absent item: no report, result 0
};

// Arms the fault for the k-th Notes call from now (none for 0), runs `call`, disarms.
int32_t RunWithFault(uint32_t k, const std::function<int32_t()>& call, Outcome& outcome) {
  notes::ClearFaults();
  if (k != 0) notes::InjectFaultAtCall(k, kStatus);
  const int32_t result = call();
  outcome.calls = notes::TotalCallCount();
  outcome.item_lookups = notes::CallCount(notes::LNOperation::kNoteGetItem);
  notes::ClearFaults();
  return result;
}

// Runs `call` with the k-th Notes call failing. The clean attempt (k = 0) gives 0 and shows
// nothing. A failing call gives 1 and the one Notes error report with `caption`, unless the
// call was an item look-up: the Notes mapping takes any status of a look-up for an absent item
// and goes on, so the entry point gives 0 and shows nothing. Returns true when the attempt
// failed with the report.
bool FailNotesCall(uint32_t k, const std::function<int32_t()>& call, const char* caption,
                   Outcome& outcome) {
  BoxCapture boxes;
  const int32_t result = RunWithFault(k, call, outcome);
  if (k == 0) {
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(NoBox(boxes.boxes()));
    return false;
  }
  if (result == 0 && boxes.boxes().empty()) {
    outcome.absorbed = true;
    return false;
  }
  EXPECT_EQ(result, 1);
  EXPECT_TRUE(OneBox(boxes.boxes(), NotesErrorBox(kStatus, caption)));
  return true;
}

// The notes of `before` that are not in `now`.
std::set<notes::NOTEID> Gone(const std::set<notes::NOTEID>& before,
                             const std::set<notes::NOTEID>& now) {
  std::set<notes::NOTEID> gone;
  for (notes::NOTEID id : before) {
    if (now.count(id) == 0) gone.insert(id);
  }
  return gone;
}

// A record before the update of Notes, with what the update may do to it.
struct Pending {
  RecordKey key;
  int32_t phone_state = SyncStateUnchanged;
  bool droppable = false;  // the update removes it from the store once it reaches it
};

template <class Array>
std::vector<Pending> PendingOf(const Array& records) {
  std::vector<Pending> pending;
  for (const auto& record : records) {
    Pending p;
    p.key = {record->m_nNoteId, record->m_strLuid};
    p.phone_state = record->m_nPhoneState;
    p.droppable = record->m_nPhoneState == SyncStateDeleted ||
                  (record->m_nPhoneState == SyncStateUnchanged &&
                   record->m_nNotesState == SyncStateUnchanged && !record->m_bSeenOnPhone);
    pending.push_back(p);
  }
  return pending;
}

class EveryNotesCallFails : public SceneTest {
 protected:
  using SceneTest::Fresh;
  // The copy of the scene for the attempt whose k-th Notes call fails.
  RunFiles Fresh(uint32_t k) const { return SceneTest::Fresh("attempt-" + std::to_string(k)); }

  // attempt(k) runs one attempt whose k-th Notes call fails (none for k = 0). The clean
  // attempt comes first; then one attempt per Notes call it made. The attempts that went on as
  // if nothing had failed must be exactly as many as the clean attempt made item look-ups.
  void Sweep(const std::function<Outcome(uint32_t)>& attempt) {
    const Outcome clean = attempt(0);
    ASSERT_GT(clean.calls, 0u);
    ASSERT_FALSE(HasFailure()) << "the clean attempt already fails";
    uint32_t absorbed = 0;
    for (uint32_t k = 1; k <= clean.calls; ++k) {
      SCOPED_TRACE(Attempt(k, clean.calls));
      if (attempt(k).absorbed) ++absorbed;
    }
    EXPECT_EQ(absorbed, clean.item_lookups)
        << "failures taken as absent items, against the item look-ups of the clean attempt";
  }

  // The records of `before` first and unchanged, then only records new in Notes.
  static void ExpectKeptThenNew(const std::vector<RecordKey>& before,
                                const std::vector<RecordKey>& after,
                                const std::set<notes::NOTEID>& new_in_notes) {
    ASSERT_GE(after.size(), before.size());
    EXPECT_EQ(std::vector<RecordKey>(after.begin(), after.begin() + before.size()), before);
    for (size_t i = before.size(); i < after.size(); ++i) {
      EXPECT_EQ(after[i].luid, "");
      EXPECT_EQ(new_in_notes.count(after[i].note_id), 1u) << "note " << after[i].note_id;
    }
  }

  // What an update of Notes that stopped part-way leaves: the records in their order, less
  // the ones it dropped, which are the first droppable ones in walking order (calendar, then
  // contacts); a record gone from the phone is dropped exactly when its note was deleted; a
  // record new on the phone keeps its LUID and has either no note yet or a note of its own.
  static void ExpectUpdateOutcome(const std::vector<Pending>& before,
                                  const std::vector<RecordKey>& after,
                                  const std::set<notes::NOTEID>& notes_before,
                                  const std::set<notes::NOTEID>& notes_now,
                                  bool& reached_a_kept_droppable) {
    size_t j = 0;
    for (const Pending& record : before) {
      bool kept = false;
      if (j < after.size()) {
        if (record.phone_state == SyncStateAdded) {
          kept = after[j].luid == record.key.luid;
          if (kept && after[j].note_id != 0) {
            EXPECT_EQ(notes_now.count(after[j].note_id), 1u) << record.key.luid;
            EXPECT_EQ(notes_before.count(after[j].note_id), 0u) << record.key.luid;
          }
        } else {
          kept = after[j] == record.key;
        }
      }
      if (record.phone_state == SyncStateDeleted) {
        EXPECT_EQ(notes_now.count(record.key.note_id), kept ? 1u : 0u)
            << "the note of a record gone from the phone is deleted exactly when the record "
               "leaves the store: "
            << testing::PrintToString(record.key);
      }
      if (kept) {
        if (record.droppable) reached_a_kept_droppable = true;
        ++j;
        continue;
      }
      EXPECT_TRUE(record.droppable) << "dropped " << testing::PrintToString(record.key);
      EXPECT_FALSE(reached_a_kept_droppable)
          << "dropped " << testing::PrintToString(record.key) << " after keeping an earlier one";
    }
    EXPECT_EQ(j, after.size()) << "records that were not there before";
  }
};

TEST_F(EveryNotesCallFails, InitReportsItAndTheStoreIsStillSaved) {
  const StoreKeys before = *ReadStoreKeys(scene_.store);
  Sweep([&](uint32_t k) {
    const RunFiles files = Fresh(k);
    Outcome outcome;
    FailNotesCall(
        k, [] { return PIMHandler_Init(); }, nullptr, outcome);
    BoxCapture boxes;
    EXPECT_EQ(PIMHandler_Prepare(2, 200, 200, files.contacts.c_str(), "", "",
                                 files.calendar.c_str(), files.store.c_str()),
              0);
    HoldStore(files.store);
    EXPECT_TRUE(NoBox(boxes.boxes()));
    EXPECT_EQ(SaveAndRead(files), before);
    return outcome;
  });
}

TEST_F(EveryNotesCallFails, CountingReportsItAndStoresNoContactCount) {
  uint32_t clean_todos = 0;
  Sweep([&](uint32_t k) {
    const RunFiles files = Fresh(k);
    StartRun(files);
    uint32_t contacts = 0xDEAD;
    uint32_t todos = 0xBEEF;
    Outcome outcome;
    if (FailNotesCall(
            k, [&] { return PIMHandler_QueryObjectCount(&contacts, &todos); }, nullptr, outcome)) {
      EXPECT_EQ(contacts, 0xDEADu);
      EXPECT_TRUE(todos == 0xBEEF || todos == clean_todos) << todos;
    } else {
      EXPECT_EQ(contacts, 4u);  // Ann, Bob, Cid, Fay
      if (k == 0) clean_todos = todos;
      EXPECT_EQ(todos, clean_todos);
    }
    SaveAndRead(files);
    return outcome;
  });
}

TEST_F(EveryNotesCallFails, RetrievalReportsItAndKeepsEveryStoredRecord) {
  const StoreKeys before = *ReadStoreKeys(scene_.store);
  Sweep([&](uint32_t k) {
    const RunFiles files = Fresh(k);
    StartRun(files);
    Outcome outcome;
    const bool failed = FailNotesCall(
        k, [] { return PIMHandler_RetrievePIM(); }, nullptr, outcome);
    const std::optional<StoreKeys> saved = SaveAndRead(files);
    EXPECT_TRUE(saved.has_value()) << "the saved store is not one whole store";
    if (saved) {
      ExpectKeptThenNew(before.todos, saved->todos, {ids_.t6});
      ExpectKeptThenNew(before.contacts, saved->contacts, {ids_.c6});
      if (!failed) {
        EXPECT_EQ(saved->todos.size(), before.todos.size() + 1);
        EXPECT_EQ(saved->contacts.size(), before.contacts.size() + 1);
      }
    }
    return outcome;
  });
}

TEST_F(EveryNotesCallFails, UpdateOfNotesReportsItWithTheEmptyCaptionAndKeepsWhatItDid) {
  Sweep([&](uint32_t k) {
    const RunFiles files = Fresh(k);
    StartRun(files);
    {
      BoxCapture boxes;
      EXPECT_EQ(PIMHandler_RetrievePIM(), 0);
      EXPECT_EQ(PIMHandler_SyncVCard(files.phone_cards.c_str(), files.card_changes.c_str()), 0);
      EXPECT_EQ(PIMHandler_SyncVCal(files.phone_todos.c_str(), files.todo_changes.c_str()), 0);
      EXPECT_TRUE(NoBox(boxes.boxes()));
    }
    const std::vector<Pending> todos = PendingOf(handler::State().calendar);
    const std::vector<Pending> contacts = PendingOf(handler::State().contacts);
    const std::set<notes::NOTEID> todo_notes = NoteIdSet(files.calendar);
    const std::set<notes::NOTEID> contact_notes = NoteIdSet(files.contacts);

    Outcome outcome;
    const bool failed = FailNotesCall(
        k, [] { return PIMHandler_UpdatePIM(); }, "", outcome);
    const std::optional<StoreKeys> saved = SaveAndRead(files);
    EXPECT_TRUE(saved.has_value()) << "the saved store is not one whole store";
    if (!saved) return outcome;
    bool reached_a_kept_droppable = false;
    {
      SCOPED_TRACE("to-dos");
      ExpectUpdateOutcome(todos, saved->todos, todo_notes, NoteIdSet(files.calendar),
                          reached_a_kept_droppable);
    }
    {
      SCOPED_TRACE("contacts");
      ExpectUpdateOutcome(contacts, saved->contacts, contact_notes, NoteIdSet(files.contacts),
                          reached_a_kept_droppable);
    }
    if (!failed) {
      // The whole update drops the records gone from the phone and from both sides and gives
      // the phone's new records their notes.
      EXPECT_EQ(saved->todos.size(), todos.size() - 2);
      EXPECT_EQ(saved->contacts.size(), contacts.size() - 2);
      EXPECT_NE(saved->todos.back().note_id, 0u);
      EXPECT_NE(saved->contacts.back().note_id, 0u);
    }
    return outcome;
  });
}

TEST_F(EveryNotesCallFails, PurgeReportsItKeepsOtherFormsAndLeavesTheStoreAlone) {
  const std::set<notes::NOTEID> deletable_todos = {ids_.t1, ids_.t2, ids_.two_days, ids_.t3,
                                                   ids_.t6};
  const std::set<notes::NOTEID> deletable_contacts = {ids_.c1, ids_.c2, ids_.c3, ids_.c6};
  Sweep([&](uint32_t k) {
    const RunFiles files = Fresh(k);
    StartRun(files);
    {
      BoxCapture boxes;
      EXPECT_EQ(PIMHandler_RetrievePIM(), 0);
      EXPECT_TRUE(NoBox(boxes.boxes()));
    }
    const StoreKeys held = HeldKeys();
    const std::set<notes::NOTEID> todo_notes = NoteIdSet(files.calendar);
    const std::set<notes::NOTEID> contact_notes = NoteIdSet(files.contacts);

    Outcome outcome;
    const bool failed = FailNotesCall(
        k, [] { return PIMHandler_PurgeAll(); }, nullptr, outcome);
    EXPECT_EQ(HeldKeys(), held);
    EXPECT_EQ(SaveAndRead(files), held);

    const std::set<notes::NOTEID> todos_now = NoteIdSet(files.calendar);
    const std::set<notes::NOTEID> contacts_now = NoteIdSet(files.contacts);
    const std::set<notes::NOTEID> todos_gone = Gone(todo_notes, todos_now);
    const std::set<notes::NOTEID> contacts_gone = Gone(contact_notes, contacts_now);
    EXPECT_EQ(todos_now.size() + todos_gone.size(), todo_notes.size()) << "notes appeared";
    EXPECT_EQ(contacts_now.size() + contacts_gone.size(), contact_notes.size()) << "notes appeared";
    for (notes::NOTEID id : todos_gone)
      EXPECT_EQ(deletable_todos.count(id), 1u) << id;
    for (notes::NOTEID id : contacts_gone)
      EXPECT_EQ(deletable_contacts.count(id), 1u) << id;
    EXPECT_TRUE(test::NotesDb(files.calendar).Exists(ids_.late));
    EXPECT_TRUE(test::NotesDb(files.contacts).Exists(ids_.group));
    // The calendar is emptied before the contacts are touched.
    if (!contacts_gone.empty()) {
      EXPECT_EQ(todos_gone, deletable_todos);
    }
    if (!failed) {
      EXPECT_EQ(todos_gone, deletable_todos);
      EXPECT_EQ(contacts_gone, deletable_contacts);
    }
    return outcome;
  });
}

TEST_F(EveryNotesCallFails, EndOfTheRunReportsItAndStillSavesAndReleasesEverything) {
  Sweep([&](uint32_t k) {
    const RunFiles files = Fresh(k);
    StartRun(files);
    BoxCapture boxes;
    EXPECT_EQ(PIMHandler_RetrievePIM(), 0);
    const StoreKeys held = HeldKeys();
    Outcome outcome;
    RunWithFault(
        k,
        [] {
          PIMHandler_Deinit();
          return 0;
        },
        outcome);
    if (k == 0) {
      EXPECT_TRUE(NoBox(boxes.boxes()));
    } else {
      EXPECT_TRUE(OneBox(boxes.boxes(), NotesErrorBox(kStatus, nullptr)));
    }
    EXPECT_EQ(ReadStoreKeys(files.store), held);
    EXPECT_EQ(HeldKeys(), StoreKeys{});
    return outcome;
  });
}

using FakePass = int32_t (*)(const char*, const char*);

class FakePhoneNotesCallFails : public EveryNotesCallFails {
 protected:
  // The records the handler holds stay untouched by the fake phone; the store that
  // PIMHandler_Deinit saves afterwards holds them all.
  static void ExpectHeldRecordsSaved(const RunFiles& files, const StoreKeys& held) {
    EXPECT_EQ(HeldKeys(), held);
    EXPECT_EQ(SaveAndRead(files), held);
  }

  // Notes of the phone database: the ones before all still there except those in `may_go`,
  // and at most `most_new` new ones.
  static void ExpectPhoneNotes(const std::set<notes::NOTEID>& before,
                               const std::set<notes::NOTEID>& now,
                               const std::set<notes::NOTEID>& may_go, size_t most_new) {
    size_t fresh = 0;
    for (notes::NOTEID id : before) {
      if (may_go.count(id) == 0) {
        EXPECT_EQ(now.count(id), 1u) << "note " << id << " is gone";
      }
    }
    for (notes::NOTEID id : now) {
      if (before.count(id) == 0) ++fresh;
    }
    EXPECT_LE(fresh, most_new);
  }

  // What the phone database holds after an attempt: its notes before and now, and whether the
  // attempt failed with the report.
  using PhoneCheck =
      std::function<void(const test::NotesDb& phone, const std::set<notes::NOTEID>& before,
                         const std::set<notes::NOTEID>& now, bool failed)>;

  // The fake phone's pass over a change file of the scene, swept: it reports a failure with the
  // empty caption, its end succeeds without a report, and `check` looks at the phone database.
  void SweepChanges(FakePass pass, std::string RunFiles::*changes, std::string RunFiles::*answers,
                    const PhoneCheck& check) {
    Sweep([&](uint32_t k) {
      const RunFiles files = Fresh(k);
      PrepareFakePhone(files);
      EXPECT_EQ(PIMHandler_InitAsFakePhone("", ""), 0);
      HoldStore(files.store);
      const StoreKeys held = HeldKeys();
      const std::set<notes::NOTEID> before = NoteIdSet(files.phone_db);
      Outcome outcome;
      const bool failed = FailNotesCall(
          k, [&] { return pass((files.*changes).c_str(), (files.*answers).c_str()); }, "", outcome);
      {
        BoxCapture boxes;
        EXPECT_EQ(PIMHandler_DeinitAsFakePhone(), 0);
        EXPECT_TRUE(NoBox(boxes.boxes()));
      }
      check(test::NotesDb(files.phone_db), before, NoteIdSet(files.phone_db), failed);
      ExpectHeldRecordsSaved(files, held);
      return outcome;
    });
  }

  // The fake phone's pass over a change file of `files` with the nth call of `operation`
  // failing: it gives 1 with the one report. Returns the notes the phone database gained.
  static std::vector<notes::NOTEID> CreatedBeforeTheFailure(const RunFiles& files, FakePass pass,
                                                            const std::string& changes,
                                                            const std::string& answers,
                                                            notes::LNOperation operation,
                                                            uint32_t nth) {
    PrepareFakePhone(files);
    EXPECT_EQ(PIMHandler_InitAsFakePhone("", ""), 0);
    const std::set<notes::NOTEID> before = NoteIdSet(files.phone_db);
    BoxCapture boxes;
    notes::ClearFaults();
    notes::InjectFault(operation, nth, kStatus);
    EXPECT_EQ(pass(changes.c_str(), answers.c_str()), 1);
    notes::ClearFaults();
    EXPECT_TRUE(OneBox(boxes.boxes(), NotesErrorBox(kStatus, "")));
    EXPECT_EQ(PIMHandler_DeinitAsFakePhone(), 0);
    std::vector<notes::NOTEID> created;
    for (notes::NOTEID id : NoteIdSet(files.phone_db)) {
      if (before.count(id) == 0) created.push_back(id);
    }
    return created;
  }
};

TEST_F(FakePhoneNotesCallFails, StartReportsItAndWritesNoPhoneFile) {
  Sweep([&](uint32_t k) {
    const RunFiles files = Fresh(k);
    PrepareFakePhone(files);
    HoldStore(files.store);
    const StoreKeys held = HeldKeys();
    Outcome outcome;
    if (FailNotesCall(
            k,
            [&] {
              return PIMHandler_InitAsFakePhone(files.fake_cards.c_str(), files.fake_todos.c_str());
            },
            nullptr, outcome)) {
      EXPECT_FALSE(std::filesystem::exists(files.fake_cards));
      EXPECT_FALSE(std::filesystem::exists(files.fake_todos));
    } else {
      EXPECT_NE(test::ReadFile(files.fake_cards), "");
      EXPECT_NE(test::ReadFile(files.fake_todos), "");
    }
    PIMHandler_DeinitAsFakePhone();
    ExpectHeldRecordsSaved(files, held);
    return outcome;
  });
}

TEST_F(FakePhoneNotesCallFails, ContactChangesReportItWithTheEmptyCaption) {
  SweepChanges(&PIMHandler_SyncCardAsFakePhone, &RunFiles::fake_card_changes,
               &RunFiles::fake_card_answers,
               [&](const test::NotesDb& phone, const std::set<notes::NOTEID>& before,
                   const std::set<notes::NOTEID>& now, bool failed) {
                 ExpectPhoneNotes(before, now, {ids_.p1}, 2);
                 EXPECT_EQ(phone.Text(ids_.p3, "FirstName"), "Pia");
                 EXPECT_EQ(phone.Form(ids_.phone_group), "Group");
                 if (!failed) {
                   EXPECT_FALSE(phone.Exists(ids_.p1));
                   EXPECT_EQ(phone.Text(ids_.p2, "CompanyName"), "New");
                   EXPECT_EQ(now.size(), before.size() + 1);
                 }
               });
}

TEST_F(FakePhoneNotesCallFails, ToDoChangesReportItWithTheEmptyCaption) {
  SweepChanges(&PIMHandler_SyncCalAsFakePhone, &RunFiles::fake_todo_changes,
               &RunFiles::fake_todo_answers,
               [&](const test::NotesDb& phone, const std::set<notes::NOTEID>& before,
                   const std::set<notes::NOTEID>& now, bool failed) {
                 ExpectPhoneNotes(before, now, {ids_.q1}, 2);
                 if (!failed) {
                   EXPECT_FALSE(phone.Exists(ids_.q1));
                   EXPECT_EQ(now.size(), before.size() + 1);
                 }
               });
}

// A phone that stored records before it failed knows their LUIDs and tells them: otherwise the
// handler cannot pair those records, and the next run sends them again or deletes them.
TEST_F(FakePhoneNotesCallFails, ContactChangesAnswerTheContactsCreatedBeforeTheFailure) {
  struct Case {
    const char* what;
    notes::LNOperation operation;
    uint32_t nth;
    size_t created;  // contacts the phone stored before the failure
  };
  for (const Case& c :
       {Case{"the second creation fails", notes::LNOperation::kDatabaseCreateDocument, 2, 1},
        Case{"closing the database fails", notes::LNOperation::kDatabaseClose, 1, 2}}) {
    SCOPED_TRACE(c.what);
    const RunFiles files = Fresh(c.what);
    const std::vector<notes::NOTEID> created =
        CreatedBeforeTheFailure(files, &PIMHandler_SyncCardAsFakePhone, files.fake_card_changes,
                                files.fake_card_answers, c.operation, c.nth);
    std::string expected;
    for (notes::NOTEID id : created)
      expected += "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:" + std::to_string(id) + "\nEND:VCARD\n";
    EXPECT_EQ(created.size(), c.created);
    EXPECT_EQ(test::ReadFile(files.fake_card_answers), expected);
  }
}

TEST_F(FakePhoneNotesCallFails, ToDoChangesAnswerTheToDosCreatedBeforeTheFailure) {
  const RunFiles files = Fresh(1);
  const std::vector<notes::NOTEID> created =
      CreatedBeforeTheFailure(files, &PIMHandler_SyncCalAsFakePhone, files.fake_todo_changes,
                              files.fake_todo_answers, notes::LNOperation::kCalendarCreateEntry, 2);
  ASSERT_EQ(created.size(), 1u);
  const std::string answers = test::ReadFile(files.fake_todo_answers);
  EXPECT_NE(answers.find("BEGIN:VTODO\nX-VOQ-LUID:" + std::to_string(created[0]) + "\nEND:VTODO\n"),
            std::string::npos)
      << answers;
}

TEST_F(FakePhoneNotesCallFails, EndGivesTheStatusWithoutAReport) {
  Sweep([&](uint32_t k) {
    const RunFiles files = Fresh(k);
    PrepareFakePhone(files);
    EXPECT_EQ(PIMHandler_InitAsFakePhone("", ""), 0);
    BoxCapture boxes;
    Outcome outcome;
    const int32_t result = RunWithFault(
        k, [] { return PIMHandler_DeinitAsFakePhone(); }, outcome);
    EXPECT_EQ(result, k == 0 ? 0 : static_cast<int32_t>(kStatus));
    EXPECT_TRUE(NoBox(boxes.boxes()));
    // A session that could not be ended is still there to be ended.
    if (k != 0) {
      EXPECT_EQ(PIMHandler_DeinitAsFakePhone(), 0);
    }
    return outcome;
  });
}

}  // namespace
}  // namespace pim::faults
