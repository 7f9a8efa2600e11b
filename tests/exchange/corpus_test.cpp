// Real-world vCard and vCalendar files (tests/corpus/, exported by phones and desktop PIMs)
// through both phone passes and both fake-phone syncs. None of them is what this library
// writes: QP soft breaks, folded lines, photos, CR CR LF line ends, vCard 3.0, iCalendar 2.0.
// The line splitting takes every physical line as it stands, so what each pass makes of a file
// follows from its lines alone; the table below holds, per file, the counts worked out by
// reading the file against those rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "handler/module_state.h"
#include "notes/person_document.h"
#include "pim_handler.h"
#include "platform/platform.h"
#include "support/handler_host.h"
#include "support/notes_fixture.h"
#include "support/test_support.h"

#ifndef PIM_CORPUS_DIR
#error "PIM_CORPUS_DIR must name tests/corpus"
#endif

namespace pim {
namespace {

using test::ReadFile;
using test::ScopedTimeZone;

struct Sample {
  const char* file;  // under tests/corpus/
  // Contact pass against records that all have LUIDs: records appended. Every card of these
  // files lacks an X-VOQ-LUID, so the first card to end is appended with an empty LUID and
  // every later one matches it.
  int contacts_added;
  // To-dos framed by BEGIN:VTODO ... END:VTODO; each one matches a record waiting for its LUID
  // (the "LUID is reused" box), and the first is appended when none is waiting.
  int todos;
  // The fake phone's contact sync: its result and the Person documents it creates. A card
  // that carries nothing the reader takes as content (N;CHARSET=... is not N) reads as a
  // delete stub for LUID "", which names no note: result 1, the rest of the file unapplied.
  int card_result;
  int notes_created;
  // The N value of the first card, or null when it has none.
  const char* first_name;
  // The SUMMARY of the first to-do, or null.
  const char* summary;
  // The file holds a single record, so the phone pass's appended record is that record alone.
  bool single_record;
};

void PrintTo(const Sample& sample, std::ostream* out) {
  *out << sample.file;
}

// clang-format off
const Sample kSamples[] = {
    // file                                               added todos result notes first name / summary
    {"vcard/no-version-custom-props.vcf",                     1, 0, 1, 0, nullptr, nullptr, true},
    {"vcard/v21-adr-backslash-newline.vcf",                   1, 0, 0, 1, "bogus", nullptr, true},
    {"vcard/v21-complicated-qp-photo-many-tel.vcf",           1, 0, 0, 1, "Gump;Forrest;Hoge;Pos;Tao", nullptr, true},
    {"vcard/v21-desktop-pim-a-key-note-qp.vcf",               1, 0, 0, 1, "Doe;John;;Mr.;III", nullptr, true},
    // N;LANGUAGE=en-us is not N, but FN is content.
    {"vcard/v21-desktop-pim-b-tab-qp-photo.vcf",              1, 0, 0, 1, nullptr, nullptr, true},
    {"vcard/v21-lowercase-begin-comment-lines.vcf",           1, 0, 0, 1, ";Conference Call", nullptr, true},
    // 16 cards; the 14th has only N;ENCODING=... and FN;ENCODING=..., so it reads as a stub.
    {"vcard/v21-multi-card-photos-labels-escapes.vcf",        1, 0, 1, 13, "incomplete", nullptr, false},
    {"vcard/v21-pda-anniversary-agent-empty-x.vcf",           1, 0, 0, 1, "Example;;;;", nullptr, true},
    {"vcard/v21-phone-end-typo-qp-midword.vcf",               1, 0, 1, 0, nullptr, nullptr, true},
    {"vcard/v21-phone-multi-tel-qp-adr.vcf",                  1, 0, 1, 0, nullptr, nullptr, true},
    {"vcard/v21-phone-photo-jpeg-crlf.vcf",                   1, 0, 0, 1, "Foobar;Bar", nullptr, true},
    {"vcard/v21-phone-photo-jpeg-lf.vcf",                     1, 0, 0, 1, "DECHAMBRE;Christelle", nullptr, true},
    {"vcard/v21-qp-and-space-continuation-lf.vcf",            1, 0, 1, 0, nullptr, nullptr, true},
    {"vcard/v21-qp-escape-split-across-softbreak.vcf",        1, 0, 1, 0, nullptr, nullptr, true},
    {"vcard/v21-qp-softbreak-every-field.vcf",                1, 0, 1, 0, nullptr, nullptr, true},
    {"vcard/v21-qp-softbreak-then-blank-line.vcf",            1, 0, 1, 0, nullptr, nullptr, true},
    {"vcard/v21-shiftjis-multi-card-x-tel-types.vcf",         1, 0, 1, 0, nullptr, nullptr, false},
    {"vcard/v21-shiftjis-raw-and-qp.vcf",                     1, 0, 1, 0, nullptr, nullptr, true},
    {"vcard/v21-smartphone-export-qp-softbreak-blank.vcf",    1, 0, 1, 0, nullptr, nullptr, false},
    // "N: Nikdo;Nikdovic": the value is trimmed.
    {"vcard/v21-tel-email-pref-type-variants.vcf",            1, 0, 0, 1, "Nikdo;Nikdovic", nullptr, true},
    {"vcard/v21-utf8-cjk-qp-bare-params.vcf",                 1, 0, 1, 0, nullptr, nullptr, true},
    {"vcard/v21-version-last-repeated-note.vcf",              1, 0, 0, 1, "firstname lastname", nullptr, true},
    // VERSION:3.0 stops the fake phone's reading; the phone pass reads the card all the same.
    {"vcard/v30-crcrlf-line-ends-photo.vcf",                  1, 0, 0, 0, "Smith;Bob;;;", nullptr, true},
    {"vcard/v30-folded-note-crlf.vcf",                        1, 0, 0, 0, "DEE;MARK/HEATHER", nullptr, true},
    {"vcard/v30-lowercase-type-mixed-eol.vcf",                1, 0, 0, 0, "VIEITES FARINA;LUCAS;;;", nullptr, true},
    {"vcard/v30-raw-utf8-escaped-colons.vcf",                 1, 0, 0, 0, "Bod\xC3\xB8 likningskontor;;;;", nullptr, true},
    // Every vCalendar file starts with BEGIN:VCALENDAR, which stops both contact readers.
    {"vcalendar/v10-begin-vevent-trailing-colon.vcs",         0, 0, 0, 0, nullptr, nullptr, true},
    {"vcalendar/v10-desktop-pim-qp-softbreak-tab-fold.vcs",   0, 0, 0, 0, nullptr, nullptr, true},
    {"vcalendar/v10-many-calendars-rrule-variants.vcs",       0, 0, 0, 0, nullptr, nullptr, true},
    {"vcalendar/v10-pim-export-rrule-catalogue.vcs",          0, 0, 0, 0, nullptr, nullptr, true},
    {"vcalendar/v10-qp-latin1-charset.vcs",                   0, 0, 0, 0, nullptr, nullptr, true},
    {"vcalendar/v10-qp-no-charset-utf8.vcs",                  0, 0, 0, 0, nullptr, nullptr, true},
    {"vcalendar/v10-qp-utf8-no-charset-long-line.vcs",        0, 0, 0, 0, nullptr, nullptr, true},
    {"vcalendar/v10-smartphone-tz-daylight-broken-attendee.vcs", 0, 0, 0, 0, nullptr, nullptr, true},
    // A VEVENT then a VTODO: the event's lines fill the scratch record, the to-do's BEGIN clears it.
    {"vcalendar/v10-standard-example-event-and-todo.vcs",                 0, 1, 0, 0, nullptr, "John to pay for lunch", true},
    {"vcalendar/v10-two-calendars-yearly-rrule.vcs",          0, 0, 0, 0, nullptr, nullptr, true},
    {"vcalendar/v10-vtodo-phone-alarms-empty-due.vcs",        0, 1, 0, 0, nullptr, "Gorusme", true},
    {"vcalendar/v10-weekly-rrule-count.vcs",                  0, 0, 0, 0, nullptr, nullptr, true},
    {"vcalendar/v20-vtodo-blank-lines.ics",                   0, 1, 0, 0, nullptr, "Wammu Bug erforschen", true},
    // The VTIMEZONE's BEGIN and END lines are ignored; so is DTSTART;TZID=..., not DTSTART.
    {"vcalendar/v20-vtodo-tz-completed-folded.ics",           0, 1, 0, 0, nullptr, "test task with plenty of fields", true},
};
// clang-format on

std::string CorpusPath(const Sample& sample) {
  return std::string(PIM_CORPUS_DIR) + "/" + sample.file;
}

// The boxes the in-process library showed since the last clear.
std::vector<test::CapturedBox>& Boxes() {
  return test::CapturedBoxes();
}

TEST(CorpusTableTest, NamesEveryFileOfTheCorpus) {
  std::set<std::string> on_disk;
  for (const char* folder : {"vcard", "vcalendar"}) {
    for (const auto& entry :
         std::filesystem::directory_iterator(std::string(PIM_CORPUS_DIR) + "/" + folder)) {
      on_disk.insert(std::string(folder) + "/" + entry.path().filename().string());
    }
  }
  std::set<std::string> in_table;
  for (const Sample& sample : kSamples)
    in_table.insert(sample.file);
  EXPECT_EQ(on_disk, in_table);
  EXPECT_EQ(on_disk.size(), 40u);
}

// The phone passes, called in-process on the module state as retrieval leaves it.
class CorpusPhonePassTest : public testing::TestWithParam<Sample> {
 protected:
  test::InProcessCapture capture_;  // the boxes the library shows
  void SetUp() override {
    Boxes().clear();
    Clear();
    PIMHandler_Prepare(2, 200, 200, "", "", "", "", dir_.File("store.dat").c_str());
  }
  void TearDown() override { Clear(); }
  static void Clear() {
    handler::State().contacts.clear();
    handler::State().calendar.clear();
    handler::State().loaded_store.clear();
  }

  // Records loaded from the store (both states deleted) and then met by retrieval: unchanged
  // in Notes, changed in Notes, and gone from Notes.
  template <class Record>
  static void AddStoredRecords(std::vector<std::unique_ptr<Record>>& records, const char* prefix) {
    const SyncState notes_states[] = {SyncStateUnchanged, SyncStateModified, SyncStateDeleted};
    for (int i = 0; i < 3; ++i) {
      auto record = std::make_unique<Record>();
      record->m_nNoteId = static_cast<uint32_t>(10 + i);
      record->m_strLuid = prefix + std::to_string(i + 1);
      record->m_nNotesState = notes_states[i];
      record->m_nPhoneState = SyncStateDeleted;
      if (notes_states[i] == SyncStateModified) record->StartNotesDelta();
      records.push_back(std::move(record));
    }
  }

  // Step 5 of the pass, sync mode 2, for records the phone did not send: those still in Notes
  // are to be deleted there, the one gone from Notes is gone on both sides.
  template <class Record>
  static void ExpectStoredRecordsSettled(const std::vector<std::unique_ptr<Record>>& records) {
    ASSERT_GE(records.size(), 3u);
    for (int i = 0; i < 3; ++i) {
      SCOPED_TRACE(i);
      EXPECT_FALSE(records[i]->m_bSeenOnPhone);
      EXPECT_EQ(records[i]->m_nNotesState, SyncStateUnchanged);
      EXPECT_EQ(records[i]->m_nPhoneState, i < 2 ? SyncStateDeleted : SyncStateUnchanged);
    }
  }

  test::TempDir dir_;
  ScopedTimeZone tz_{test::kCentralEurope};
};

TEST_P(CorpusPhonePassTest, ContactPassAppendsTheCardsItReads) {
  const Sample& sample = GetParam();
  auto& contacts = handler::State().contacts;
  AddStoredRecords(contacts, "c");
  const std::string changes = dir_.File("changes.vcf");
  ASSERT_EQ(PIMHandler_SyncVCard(CorpusPath(sample).c_str(), changes.c_str()), 0);

  ASSERT_EQ(contacts.size(), 3u + sample.contacts_added);
  ExpectStoredRecordsSettled(contacts);
  if (sample.contacts_added == 1) {
    const CContactObject& added = *contacts[3];
    EXPECT_EQ(added.m_strLuid, "");
    EXPECT_TRUE(added.m_bSeenOnPhone);
    EXPECT_EQ(added.m_nNotesState, SyncStateUnchanged);
    EXPECT_EQ(added.m_nPhoneState, SyncStateAdded);
    if (sample.single_record) {
      EXPECT_EQ(added.m_bHasFirstName != 0, sample.first_name != nullptr);
      EXPECT_EQ(added.m_strFirstName, sample.first_name != nullptr ? sample.first_name : "");
    }
  }
  // Nothing is new, changed or deleted in Notes any more: the phone gets nothing.
  EXPECT_EQ(ReadFile(changes), "");
  EXPECT_TRUE(Boxes().empty());
}

TEST_P(CorpusPhonePassTest, CalendarPassAppendsTheToDosItReads) {
  const Sample& sample = GetParam();
  auto& todos = handler::State().calendar;
  AddStoredRecords(todos, "t");
  const std::string changes = dir_.File("changes.vcs");
  ASSERT_EQ(PIMHandler_SyncVCal(CorpusPath(sample).c_str(), changes.c_str()), 0);

  const size_t added = sample.todos > 0 ? 1 : 0;
  ASSERT_EQ(todos.size(), 3u + added);
  ExpectStoredRecordsSettled(todos);
  if (added == 1) {
    const CCalEntryObject& todo = *todos[3];
    EXPECT_EQ(todo.m_strLuid, "");
    EXPECT_TRUE(todo.m_bSeenOnPhone);
    EXPECT_EQ(todo.m_nNotesState, SyncStateUnchanged);
    EXPECT_EQ(todo.m_nPhoneState, SyncStateAdded);
    ASSERT_NE(sample.summary, nullptr);
    EXPECT_TRUE(todo.m_bHasSummary);
    EXPECT_EQ(todo.m_strSummary, sample.summary);
  }
  EXPECT_EQ(ReadFile(changes), "BEGIN:VCALENDAR\nVERSION:1.0\nEND:VCALENDAR\n");
  EXPECT_TRUE(Boxes().empty());
}

TEST_P(CorpusPhonePassTest, RecordsWithoutLuidMeetTheRecordWaitingForOne) {
  const Sample& sample = GetParam();
  const std::string changes = dir_.File("changes.txt");

  // New in Notes, sent to the phone last run, its LUID not yet known: every record of the
  // file comes without an X-VOQ-LUID and so matches it.
  auto& contacts = handler::State().contacts;
  auto contact = std::make_unique<CContactObject>();
  contact->SetFirstName("Waiting", true);
  contact->m_nNotesState = SyncStateAdded;
  contacts.push_back(std::move(contact));
  ASSERT_EQ(PIMHandler_SyncVCard(CorpusPath(sample).c_str(), changes.c_str()), 0);
  ASSERT_EQ(contacts.size(), 1u);
  EXPECT_EQ(contacts[0]->m_bSeenOnPhone != 0, sample.contacts_added > 0);
  EXPECT_EQ(contacts[0]->m_nNotesState, SyncStateAdded);
  EXPECT_EQ(contacts[0]->m_nPhoneState, SyncStateUnchanged);
  EXPECT_EQ(ReadFile(changes), contacts[0]->ToVCard());
  EXPECT_TRUE(Boxes().empty());

  auto& todos = handler::State().calendar;
  auto todo = std::make_unique<CCalEntryObject>();
  todo->SetSummary("Waiting", true);
  todo->m_nNotesState = SyncStateAdded;
  todos.push_back(std::move(todo));
  ASSERT_EQ(PIMHandler_SyncVCal(CorpusPath(sample).c_str(), changes.c_str()), 0);
  ASSERT_EQ(todos.size(), 1u);
  EXPECT_EQ(todos[0]->m_nNotesState, SyncStateAdded);
  EXPECT_EQ(ReadFile(changes),
            "BEGIN:VCALENDAR\nVERSION:1.0\n" + todos[0]->ToVCalendar() + "END:VCALENDAR\n");
  ASSERT_EQ(Boxes().size(), static_cast<size_t>(sample.todos));
  for (const test::CapturedBox& box : Boxes()) {
    EXPECT_EQ(box.text, "Abnormal condition: LUID is reused!");
    EXPECT_TRUE(box.caption_is_null);
    EXPECT_EQ(box.style, 0x2000u);
  }

  // Read as a LUID answer file, no file of the corpus has an X-VOQ-LUID line: both records
  // are left waiting.
  EXPECT_EQ(PIMHandler_UpdateVCardLUID(CorpusPath(sample).c_str()), 1);
  EXPECT_EQ(PIMHandler_UpdateVCalLUID(CorpusPath(sample).c_str()), 1);
  EXPECT_EQ(contacts[0]->m_strLuid, "");
  EXPECT_EQ(todos[0]->m_strLuid, "");
}

// "vcard/v21-phone-end-typo.vcf" runs as vcard_v21_phone_end_typo_vcf.
std::string SampleName(const testing::TestParamInfo<Sample>& info) {
  std::string name = info.param.file;
  std::replace_if(
      name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); },
      '_');
  return name;
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusPhonePassTest, testing::ValuesIn(kSamples), SampleName);

// The fake phone applying each file as a change file to a Notes database of its own.
class CorpusFakePhoneTest : public test::NotesTest, public testing::WithParamInterface<Sample> {
 protected:
  test::InProcessCapture capture_;  // the boxes the library shows
  void SetUp() override {
    test::NotesTest::SetUp();
    Boxes().clear();
    PIMHandler_Prepare(2, 200, 200, db_path_.c_str(), "", "", db_path_.c_str(), "");
    ASSERT_EQ(PIMHandler_InitAsFakePhone("", ""), 0);
  }
  void TearDown() override {
    PIMHandler_DeinitAsFakePhone();
    test::NotesTest::TearDown();
  }

  // Every note of the database, in note-ID order.
  std::vector<notes::NOTEID> NoteIds() {
    notes::LNDocumentArray documents;
    db_.GetDocuments(&documents);
    std::vector<notes::NOTEID> ids;
    for (uint32_t i = 0; i < documents.GetCount(); ++i)
      ids.push_back(documents[i].GetNoteID());
    return ids;
  }

  ScopedTimeZone tz_{test::kCentralEurope};
};

TEST_P(CorpusFakePhoneTest, ContactSyncCreatesTheCardsItReads) {
  const Sample& sample = GetParam();
  const std::string answers = dir_.File("answers.vcf");
  EXPECT_EQ(PIMHandler_SyncCardAsFakePhone(CorpusPath(sample).c_str(), answers.c_str()),
            sample.card_result);

  const std::vector<notes::NOTEID> ids = NoteIds();
  ASSERT_EQ(ids.size(), static_cast<size_t>(sample.notes_created));
  for (notes::NOTEID id : ids)
    EXPECT_EQ(OpenDocument(id).GetFormName(), "Person");
  if (!ids.empty() && sample.first_name != nullptr) {
    std::string first_name;
    EXPECT_TRUE(ReadTextItem(OpenDocument(ids[0]), "FirstName", first_name));
    EXPECT_EQ(first_name, sample.first_name);
  }
  // Every note created is answered, also those created before a failure ended the sync: the
  // handler must learn their LUIDs.
  std::string expected;
  for (notes::NOTEID id : ids) {
    expected += "BEGIN:VCARD\nVERSION:2.1\nX-VOQ-LUID:" + std::to_string(id) + "\nEND:VCARD\n";
  }
  EXPECT_EQ(ReadFile(answers), expected);
  if (sample.card_result == 0) {
    EXPECT_TRUE(Boxes().empty());
  } else {
    // The Notes error report of the delete stub whose LUID names no note.
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_FALSE(Boxes()[0].caption_is_null);
    EXPECT_EQ(Boxes()[0].caption, "");
    EXPECT_EQ(Boxes()[0].style, 0x2000u);
  }
}

TEST_P(CorpusFakePhoneTest, CalendarSyncCreatesTheToDosItReads) {
  const Sample& sample = GetParam();
  const std::string answers = dir_.File("answers.vcs");
  ASSERT_EQ(PIMHandler_SyncCalAsFakePhone(CorpusPath(sample).c_str(), answers.c_str()), 0);

  const std::vector<notes::NOTEID> ids = NoteIds();
  ASSERT_EQ(ids.size(), static_cast<size_t>(sample.todos));
  std::string expected = "BEGIN:VCALENDAR\nVERSION:1.0\n";
  for (notes::NOTEID id : ids) {
    expected += "BEGIN:VTODO\nX-VOQ-LUID:" + std::to_string(id) + "\nEND:VTODO\n";
  }
  expected += "END:VCALENDAR\n";
  EXPECT_EQ(ReadFile(answers), expected);
  if (!ids.empty()) {
    notes::LNString brief;
    OpenEntry(ids[0]).GetBriefDescription(&brief);
    EXPECT_EQ(brief, sample.summary);
  }
  EXPECT_TRUE(Boxes().empty());
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusFakePhoneTest, testing::ValuesIn(kSamples), SampleName);

}  // namespace
}  // namespace pim
