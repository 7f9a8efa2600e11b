// `pimsync sync --gammu` against gammu's dummy phone, which keeps its memory in a folder, checked
// with the gammu program itself.
#include <filesystem>
#include <regex>

#include "pimsync_runner.h"

namespace pim::test {
namespace {

namespace fs = std::filesystem;

const std::string kSync = "sync|--contacts|notes.db|--gammu|--gammu-config|gammurc|--store|s.dat";

class PimsyncGammuTest : public PimsyncTest {
 protected:
  void SetUp() override {
    if (!fs::exists("/usr/bin/gammu")) GTEST_SKIP() << "the gammu program is not installed";
    fs::create_directories(Path("phone"));
    WriteFile(Path("gammurc"),
              "[gammu]\ndevice = " + Path("phone") + "\nmodel = dummy\nconnection = none\n");
    Ok("notes|create|notes.db");
  }
  std::string Gammu(const std::vector<std::string>& args) {
    std::vector<std::string> all = {"-c", Path("gammurc")};
    all.insert(all.end(), args.begin(), args.end());
    const PimsyncResult run = RunPimsync(dir_, all, "/usr/bin/gammu");
    EXPECT_EQ(run.exit_status, 0) << run.err;
    return run.out;
  }
  // The phone's entries as gammu lists them, in location order: name, company, mobile number.
  std::string Phone() {
    std::string text;
    const std::string listed = Gammu({"getallmemory", "ME"});
    const std::regex field(R"re((Name|First name|Company|Mobile number) +: "([^"]*)")re");
    for (size_t at = listed.find("Memory ME"); at != std::string::npos;) {
      const size_t end = listed.find("Memory ME", at + 1);
      const std::string block = listed.substr(at, end - at);
      std::map<std::string, std::string> fields;
      for (std::sregex_iterator it(block.begin(), block.end(), field), last; it != last; ++it)
        fields[(*it)[1] == "First name" ? "Name" : (*it)[1].str()] = (*it)[2];
      text += (text.empty() ? "" : ", ") + fields["Name"] +
              (fields.count("Company") ? "/" + fields["Company"] : "") + "/" +
              fields["Mobile number"];
      at = end;
    }
    return text;
  }
  // Adds an entry as a person does on the phone.
  void AddOnPhone(const std::string& vcard) {
    WriteFile(Path("new.vcf"), "BEGIN:VCARD\nVERSION:2.1\n" + vcard + "END:VCARD\n");
    Gammu({"addnew", Path("new.vcf"), "-yes"});
  }
  std::string Notes() { return Look(Path("notes.db"), "Person", {"FirstName", "CellPhoneNumber"}); }
  ScopedTimeZone zone_{kCentralEurope};
};

TEST_F(PimsyncGammuTest, RunsBringEachSideWhatTheOtherChangedAndNothingTwice) {
  Ok("notes|add-person|notes.db|FirstName=Ann|CellPhoneNumber=1|CompanyName=Acme");
  Ok("notes|add-person|notes.db|FirstName=Eve|CellPhoneNumber=5");
  Ok("notes|add-todo|notes.db|--brief|Vet|--start|2026-12-08 09:00:00|--end|"
     "2026-12-08 09:30:00");
  AddOnPhone("N:;Bob\nTEL;CELL:2\nNOTE:met at the fair\n");
  // A to-do without a day, which Notes would not give back: it stays on the phone alone.
  WriteFile(Path("new.vcs"),
            "BEGIN:VCALENDAR\nVERSION:1.0\nBEGIN:VTODO\nSUMMARY:Someday\nEND:VTODO\n"
            "END:VCALENDAR\n");
  Gammu({"addnew", Path("new.vcs"), "-yes"});
  Ok(kSync);
  EXPECT_EQ(Phone(), "Bob/2, Ann/Acme/1, Eve/5");
  EXPECT_EQ(Notes(), "Ann/1, Eve/5, Bob/2");
  EXPECT_NE(Gammu({"getalltodo"}).find("Text                 : \"Vet\""), std::string::npos);

  // A second run finds nothing to do.
  EXPECT_EQ(Ok(kSync),
            "contacts\n"
            "  Notes: 3 before, 3 after: 0 added, 0 changed, 0 deleted\n"
            "  phone: 3 before, 3 after: 0 added, 0 changed, 0 deleted\n"
            "to-dos\n"
            "  Notes: 1 before, 1 after: 0 added, 0 changed, 0 deleted\n"
            "  phone: 1 before, 1 after: 0 added, 0 changed, 0 deleted\n");

  // A change, an addition and a deletion on each side.
  Ok("notes|set|notes.db|4|CompanyName=Fair");
  Ok("notes|add-person|notes.db|FirstName=Cy|CellPhoneNumber=3");
  Ok("notes|delete|notes.db|3");
  std::string ann = ReadFile(Path("phone/pbk/ME/2"));
  ann.replace(ann.find("CELL:1"), 6, "CELL:11");
  WriteFile(Path("phone/pbk/ME/2"), ann);
  AddOnPhone("N:;Dan\nTEL;CELL:4\n");
  Gammu({"deletememory", "ME", "3"});
  Ok(kSync);
  EXPECT_EQ(Phone(), "Bob/Fair/2, Ann/Acme/11, Cy/3, Dan/4");
  EXPECT_EQ(Notes(), "Ann/11, Bob/2, Cy/3, Dan/4");
  EXPECT_EQ(Gammu({"getalltodo"}).find("Vet"), std::string::npos);
  EXPECT_NE(Gammu({"getalltodo"}).find("Someday"), std::string::npos);
  EXPECT_EQ(Look(Path("notes.db"), "Task", {"Subject"}), "");
  // The phone keeps what Notes does not know of an entry that Notes changed.
  EXPECT_NE(ReadFile(Path("phone/pbk/ME/1")).find("met at the fair"), std::string::npos);

  // Undo cannot put the phone back, and says so.
  const PimsyncResult undo = Run("undo|--store|s.dat");
  EXPECT_EQ(undo.exit_status, 1);
  EXPECT_NE(undo.err.find("changed a real phone, which undo cannot put back"), std::string::npos)
      << undo.err;

  // A dry run writes nothing to the phone; another phone is refused.
  Ok("notes|set|notes.db|1|CellPhoneNumber=111");
  const std::string listed = Gammu({"getallmemory", "ME"});
  Ok(kSync + "|--dry-run");
  EXPECT_EQ(Gammu({"getallmemory", "ME"}), listed);
  WriteFile(Path("s.dat.phone"), "phone 123456789012345 ME\n");
  const PimsyncResult other = Run(kSync);
  EXPECT_EQ(other.exit_status, 1);
  EXPECT_NE(other.err.find("the phone is not the one s.dat pairs"), std::string::npos) << other.err;
}

// The phone's Unicode texts arrive in Notes as UTF-8, and go back to it as Unicode.
TEST_F(PimsyncGammuTest, TextsTravelBetweenUnicodeAndUtf8) {
  Ok("notes|add-person|notes.db|FirstName=Zoë|CellPhoneNumber=1");
  AddOnPhone("N;CHARSET=UTF-8:;Łukasz\nTEL;CELL:2\n");
  Ok(kSync);
  EXPECT_EQ(Notes(), "Zoë/1, Łukasz/2");
  // The dummy phone keeps its entries as vCards, in quoted-printable UTF-8.
  EXPECT_NE(ReadFile(Path("phone/pbk/ME/2")).find(":Zo=C3=AB"), std::string::npos);
}

// A phone that does not answer ends the run before anything is written, in words.
TEST_F(PimsyncGammuTest, APhoneThatDoesNotAnswerIsSaidInWordsAndNothingChanges) {
  WriteFile(Path("gone.rc"),
            "[gammu]\ndevice = " + Path("gone") + "\nmodel = dummy\nconnection = none\n");
  const PimsyncResult run =
      Run("sync|--contacts|notes.db|--gammu|--gammu-config|gone.rc|--store|s.dat");
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "pimsync: the phone at " + Path("gone") +
                         ": connecting: no permission to open the phone's device: ask for access "
                         "to it (the dialout group, often)\n");
  EXPECT_FALSE(fs::exists(Path("s.dat")));
}

// The demo with gammu's dummy phone tells the same story as with the fake phone.
TEST_F(PimsyncGammuTest, TheDemoRunsTheSameOnTheDummyPhone) {
  std::vector<std::string> outputs;
  for (const char* demo : {"demo|fake", "demo|--gammu|dummy"}) {
    std::string out = Ok(demo);
    const std::string dir = std::string(demo).substr(std::string(demo).rfind('|') + 1);
    for (size_t at; (at = out.find(dir)) != std::string::npos;)
      out.replace(at, dir.size(), "DIR");
    outputs.push_back(out);
  }
  EXPECT_EQ(outputs[0], outputs[1]);
  EXPECT_NE(Ok("demo|--gammu|dummy").find("0 added, 0 changed, 0 deleted"), std::string::npos);
}

// Killed after each of its phone writes in turn (an addition also before the journal says
// where it went), then run normally: every record is once on each side.
TEST_F(PimsyncGammuTest, ARunKilledAfterAnyPhoneWriteDoublesNothing) {
  Ok("notes|add-person|notes.db|FirstName=Ann|CellPhoneNumber=1");
  Ok("notes|add-person|notes.db|FirstName=Bob|CellPhoneNumber=2");
  Ok(kSync);
  Ok("notes|add-person|notes.db|FirstName=Cy|CellPhoneNumber=3");
  Ok("notes|add-person|notes.db|FirstName=Dan|CellPhoneNumber=4");
  Ok("notes|set|notes.db|1|CellPhoneNumber=11");
  Ok("notes|delete|notes.db|2");
  const fs::path saved = dir_.path() + ".saved";
  fs::copy(dir_.path(), saved, fs::copy_options::recursive);
  std::vector<std::string> args = {"sync",           "--contacts", "notes.db", "--gammu",
                                   "--gammu-config", "gammurc",    "--store",  "s.dat"};
  const PimsyncResult counted =
      RunPimsync(dir_, args, PIMSYNC_KILL_POINTS_PATH, "PIMSYNC_COUNT_KILL_POINTS=1");
  ASSERT_EQ(counted.exit_status, 0) << counted.err;
  const std::string once = Phone() + " | " + Notes();
  EXPECT_EQ(once, "Ann/11, Cy/3, Dan/4 | Ann/11, Cy/3, Dan/4");
  int points = 0;
  for (size_t at = counted.err.find("kill point "); at != std::string::npos;
       at = counted.err.find("kill point ", at + 1)) {
    ++points;
  }
  for (int point = 1; point <= points; ++point) {
    for (const auto& entry : fs::directory_iterator(dir_.path()))
      fs::remove_all(entry.path());
    fs::copy(saved, dir_.path(), fs::copy_options::recursive);
    RunPimsync(dir_, args, PIMSYNC_KILL_POINTS_PATH, "PIMSYNC_KILL_AT=" + std::to_string(point));
    const PimsyncResult after = RunPimsync(dir_, args);
    EXPECT_EQ(after.exit_status, 0) << "killed at " << point << ": " << after.err;
    EXPECT_EQ(Phone() + " | " + Notes(), once) << "killed at point " << point;
  }
  fs::remove_all(saved);
}

}  // namespace
}  // namespace pim::test
