// `pimsync verify` as a user runs it: whether Notes and the phone agree after the runs between
// them, and what it says when they do not or when it cannot tell.
#include "pimsync_runner.h"

namespace pim::test {
namespace {

const std::string kFiles = "|--contacts|notes.db|--phone|phone.db|--store|store.dat";

class PimsyncVerifyTest : public PimsyncTest {
 protected:
  void SetUp() override {
    Ok("notes|create|notes.db");
    Ok("notes|create|phone.db");
    Ok("notes|add-person|notes.db|FirstName=Zoe|LastName=Hart|CompanyName=Acme|"
       "CellPhoneNumber=555");
    Ok("notes|add-todo|notes.db|--brief|Vet|--start|2026-12-08 09:00:00|--end|"
       "2026-12-08 09:30:00");
    Ok("sync" + kFiles);
  }
  ScopedTimeZone zone_{kCentralEurope};
};

TEST_F(PimsyncVerifyTest, SaysWhereTheSidesDriftedApartAndExitsByTheAnswer) {
  EXPECT_EQ(Ok("verify" + kFiles),
            "contacts: 1 paired\nto-dos: 1 paired\nNotes and the phone agree.\n");

  // A change in Notes reaches the phone as that field alone: the phone's copy loses the others.
  Ok("notes|set|notes.db|1|CellPhoneNumber=556");
  Ok("sync" + kFiles);
  Ok("notes|add-person|phone.db|FirstName=Bob");
  Ok("notes|delete|notes.db|2");
  const PimsyncResult text = Run("verify" + kFiles);
  EXPECT_EQ(text.exit_status, 1);
  EXPECT_EQ(text.err, "");
  EXPECT_EQ(text.out,
            "contacts: 1 paired\n"
            "  Zoe Hart (Notes 1, phone 1) differs in\n"
            "    name (N): Notes \"Zoe\", phone (none)\n"
            "    company (ORG): Notes \"Acme\", phone (none)\n"
            "  Bob (phone 3): on the phone only, paired with nothing in Notes\n"
            "to-dos: 1 paired\n"
            "  Vet (phone 2): its pair is gone from Notes\n"
            "Notes and the phone differ. A sync settles the records changed since the last one; "
            "a difference left after a sync stays until one side changes the record again.\n");
  const PimsyncResult json = Run("verify" + kFiles + "|--json");
  EXPECT_EQ(json.exit_status, 1);
  EXPECT_EQ(json.out,
            "{\"agree\":false,\"contacts\":{\"paired\":1,\"findings\":["
            "{\"state\":\"differs\",\"name\":\"Zoe Hart\",\"notes\":1,\"phone\":\"1\",\"fields\":["
            "{\"field\":\"N\",\"notes\":\"Zoe\",\"phone\":null},"
            "{\"field\":\"ORG\",\"notes\":\"Acme\",\"phone\":null}]},"
            "{\"state\":\"phone-only\",\"name\":\"Bob\",\"notes\":null,\"phone\":\"3\"}]},"
            "\"todos\":{\"paired\":1,\"findings\":["
            "{\"state\":\"gone-from-notes\",\"name\":\"Vet\",\"notes\":2,\"phone\":\"2\"}]}}\n");
}

TEST_F(PimsyncVerifyTest, CannotTellWithoutTheLastRunsStoreAndSaysWhy) {
  const PimsyncResult missing =
      Run("verify|--contacts|notes.db|--phone|phone.db|--store|other.dat");
  EXPECT_EQ(missing.exit_status, 2);
  EXPECT_EQ(missing.out, "");
  EXPECT_EQ(missing.err,
            "pimsync: verify: cannot tell whether the sides agree: no store at other.dat "
            "(--store): verify compares the records a sync paired; sync first, with this store\n");
  const PimsyncResult no_phone = Run("verify|--contacts|notes.db|--phone|p.db|--store|store.dat");
  EXPECT_EQ(no_phone.exit_status, 2);
  EXPECT_NE(no_phone.err.find("No Notes database at p.db (--phone)"), std::string::npos)
      << no_phone.err;
  WriteFile(Path("store.dat"), ReadFile(Path("store.dat")) + "x");
  const PimsyncResult changed = Run("verify" + kFiles);
  EXPECT_EQ(changed.exit_status, 2);
  EXPECT_NE(changed.err.find("is not the one the last run saved"), std::string::npos)
      << changed.err;
}

}  // namespace
}  // namespace pim::test
