// What pimsync answers to a command line before or instead of doing its work: help, refusals of
// bad arguments (status 2) and failures of the work (status 1), each one line on standard error.
#include <algorithm>
#include <filesystem>

#include "pimsync_runner.h"

namespace pim::test {
namespace {

struct Case {
  std::string args;
  std::string message;  // standard error without "pimsync: " and the line's end
};

class PimsyncCommandLineTest : public PimsyncTest {
 protected:
  // A refusal ends with a pointer to the help of the command that refused.
  void Expect(int status, const std::vector<Case>& cases) {
    for (const Case& c : cases) {
      const PimsyncResult run = Run(c.args);
      const size_t colon = c.message.find(": ");
      const std::string command =
          colon == std::string::npos ? "" : c.message.substr(0, colon) + " ";
      const std::string hint = status == 2 ? " (see 'pimsync " + command + "--help')" : "";
      EXPECT_EQ(run.exit_status, status) << c.args;
      EXPECT_EQ(run.out, "") << c.args;
      EXPECT_EQ(run.err, "pimsync: " + c.message + hint + "\n") << c.args;
    }
  }
};

TEST_F(PimsyncCommandLineTest, HelpGoesToStandardOutput) {
  EXPECT_EQ(Ok("help").rfind("usage: pimsync COMMAND [ARGUMENTS]\n\ncommands:\n  sync ", 0), 0u);
  EXPECT_EQ(Ok("notes|help"), Ok("notes|-h"));
  EXPECT_EQ(Ok("help|sync"), Ok("sync|--help"));
  EXPECT_EQ(Ok("--version"), "pimsync 1.0.0\n");
  // Only the commands that take items explain them.
  EXPECT_NE(Ok("notes|add-todo|--help").find("\nitems:\n"), std::string::npos);
  EXPECT_EQ(Ok("notes|delete|--help").find("items:"), std::string::npos);
  EXPECT_NE(Ok("notes|add-person|--help").find("the items that sync are FirstName, LastName,"),
            std::string::npos);
}

// The text from `from` to the next `to` after it; empty when `from` is not there.
std::string Between(const std::string& text, const std::string& from, const std::string& to) {
  const size_t begin = text.find(from);
  if (begin == std::string::npos) return "";
  return text.substr(begin, text.find(to, begin + from.size()) - begin);
}

// The manual page and the bash completion know every option that a command's help gives, each
// where it tells of that command, and the completion completes a command's first letters.
TEST_F(PimsyncCommandLineTest, TheManualPageAndTheCompletionKnowEveryOption) {
  std::string manual = ReadFile(PIMSYNC_DOCS_DIR "/pimsync.1");
  for (size_t at = 0; (at = manual.find("\\-", at)) != std::string::npos;)
    manual.erase(at, 1);
  const std::string completion = ReadFile(PIMSYNC_DOCS_DIR "/pimsync.bash");
  for (const std::string command :
       {"sync", "verify", "demo", "dump", "history", "undo", "purge", "notes create",
        "notes add-person", "notes add-todo", "notes set", "notes list"}) {
    const size_t blank = command.find(' ');
    const std::string name = command.substr(blank + 1);
    const std::string page =
        blank == std::string::npos
            ? Between(manual, ".SS " + name + "\n", ".SS ")
            : Between(manual, ".BI \"" + command + " ", ".TP") + Between(manual, "Items:", ".SH");
    const std::string completed = Between(completion, " " + name + ")", ";;");
    std::string args = command;
    std::replace(args.begin(), args.end(), ' ', '|');
    const std::string help = Ok(args + "|--help");
    for (size_t at = 0; (at = help.find("--", at)) != std::string::npos;) {
      const size_t end = help.find_first_not_of("abcdefghijklmnopqrstuvwxyz-", at + 2);
      const std::string option = help.substr(at, end - at);
      at = end;
      // verify takes sync's files; the manual says so rather than tell them again.
      const bool told = page.find(option) != std::string::npos ||
                        (name == "verify" &&
                         Between(manual, ".SS sync\n", ".SS ").find(option) != std::string::npos);
      EXPECT_TRUE(told) << command << " " << option;
      EXPECT_NE(completed.find(option), std::string::npos) << command << " " << option;
    }
  }
  const PimsyncResult completed =
      RunPimsync(dir_,
                 {"-c", "source " PIMSYNC_DOCS_DIR "/pimsync.bash; COMP_WORDS=(pimsync sy); "
                        "COMP_CWORD=1; _pimsync; echo \"${COMPREPLY[*]}\""},
                 "/bin/bash");
  EXPECT_EQ(completed.out, "sync\n") << completed.err;
}

// Copied or installed elsewhere, pimsync finds its library beside it or in ../lib, and names
// both places when it is in neither.
TEST_F(PimsyncCommandLineTest, FindsItsLibraryBesideItOrInLibAndSaysWhereItLooked) {
  namespace fs = std::filesystem;
  fs::create_directories(Path("bin"));
  fs::create_directories(Path("lib"));
  fs::copy_file(PIMSYNC_PATH, Path("bin/pimsync"));
  WriteFile(Path("store.dat"), Hex("01 00 00 00 00 00 00 00"));
  const std::string program = Path("bin/pimsync");
  const PimsyncResult lost = RunPimsync(dir_, {"dump", "store.dat"}, program.c_str());
  EXPECT_EQ(lost.exit_status, 1);
  EXPECT_EQ(lost.err, "pimsync: cannot find the handler library: neither " + Path("bin") +
                          "/libpimhandler.so nor " + Path("bin") +
                          "/../lib/libpimhandler.so.1 is there; give its path with --library\n");
  fs::copy_file(fs::path(PIMSYNC_PATH).parent_path() / "libpimhandler.so",
                Path("lib/libpimhandler.so.1"));
  const PimsyncResult found = RunPimsync(dir_, {"dump", "store.dat"}, program.c_str());
  EXPECT_EQ(found.exit_status, 0) << found.err;
}

TEST_F(PimsyncCommandLineTest, BadArgumentsAreRefusedWithStatusTwo) {
  const std::string range = "' is not a number from 1 to 4294967295";
  const std::string finite = "' is not a finite number";
  const std::string when = "' is not a date-time \"YYYY-MM-DD";
  const std::string id = "notes|create|a|--first-note-id";
  const std::string set = "notes|set|d|1|";
  const std::string sync = "sync|--contacts|c|--phone|p|--store|s|";
  Expect(
      2,
      {{"", "a command is missing"},
       {"frob", "unknown command 'frob'"},
       {"notes|create", "notes create: missing DB"},
       {id + "|0", "notes create: first note ID '0" + range},
       {id + "=4294967296", "notes create: first note ID '4294967296" + range},
       {id, "notes create: --first-note-id needs a value"},
       {"notes|add-person|d|NoEquals", "notes add-person: item 'NoEquals' is not NAME=VALUE"},
       {set + "X=1|--number|x=2", "notes set: item x is given both as text and as a number"},
       {set + "--number|X=1|--datetime|X=2024-01-01",
        "notes set: item X is given both as a number and as a date-time"},
       {set + "--datetime|X=2024-01-01|X=a",
        "notes set: item X is given both as a date-time and as text"},
       {set + "--number|X= 1", "notes set: number of item X ' 1" + finite},
       {set + "--number|X=", "notes set: number of item X '" + finite},
       {set + "--datetime|X=2024-13-01",
        "notes set: date-time of item X '2024-13-01" + when + "[ HH:MM:SS]\""},
       {set + "--datetime|X=2024-05-01 10:00",
        "notes set: date-time of item X '2024-05-01 10:00" + when + "[ HH:MM:SS]\""},
       {set + "--modified|2024-05-01", "notes set: --modified '2024-05-01" + when + " HH:MM:SS\""},
       {"notes|add-todo|d|--end|2024-05-03", "notes add-todo: --start is required"},
       {"notes|add-todo|d|--start|2024-05-03", "notes add-todo: --end is required"},
       {"notes|add-todo|d|--start|2024-05-03 10:00:00|--end|2024-05-03 09:00:00",
        "notes add-todo: --end '2024-05-03 09:00:00' comes before --start '2024-05-03 "
        "10:00:00'"},
       {"notes|add-todo|d|--start|2024-05-03|--end|2024-05-03|--alarm|yes",
        "notes add-todo: --alarm takes on or off, not 'yes'"},
       {"notes|set|d|1",
        "notes set: nothing to set: give ITEM=VALUE, --number, --datetime or --modified"},
       {"notes|delete|d|one", "notes delete: note ID 'one" + range},
       {"sync|--phone|p|--store|s", "sync: --contacts is required"},
       {"sync|--contacts|c|--phone|p|--store=", "sync: --store is required"},
       {sync + "--|--help", "sync: unexpected argument '--help'"},
       {sync + "--mode|3", "sync: --mode takes 0, 1 or 2"},
       {sync + "--gammu", "sync: --gammu and --phone name two phones: give one of them"},
       {sync + "--memory|SM", "sync: --memory goes with --gammu"},
       {sync + "--todo-range|2000-01-01..1999-12-31",
        "sync: --todo-range takes FROM..TO, two days written YYYY-MM-DD from 1970-01-01 to "
        "2037-12-31, the first not after the last, not '2000-01-01..1999-12-31'"},
       {sync + "--mode|2x", "sync: --mode takes a whole number, not '2x'"},
       {sync + "--calendar-limit|-1", "sync: --calendar-limit takes 0 or more"},
       {sync + "--contact-limit|2147483648",
        "sync: --contact-limit takes a whole number, not '2147483648'"},
       {"dump", "dump: give the STORE file"},
       {"purge", "purge: --contacts is required"},
       {"purge|--contacts|c|--keep-history|-1", "purge: --keep-history takes 0 or more"},
       {"verify|--contacts|c|--phone|p", "verify: --store is required"},
       {"verify|--contacts|c|--phone|p|--store|s|--json=1", "verify: --json takes no value"},
       {"history", "history: --store is required"},
       {"undo|--store|s|--keep-history|x", "undo: --keep-history takes a whole number, not 'x'"},
       {"demo|a|b", "demo: unexpected argument 'b'"}});
}

TEST_F(PimsyncCommandLineTest, FailedWorkEndsWithStatusOne) {
  Ok("notes|create|db");
  Ok("notes|create|full|--first-note-id|4294967294");
  EXPECT_EQ(Ok("notes|add-person|full"), "4294967294\n");
  EXPECT_EQ(Ok("notes|add-todo|full|--start|2024-05-03|--end|2024-05-03"), "4294967295\n");
  WriteFile(Path("word2"), Hex("02 00 00 00"));
  Expect(1, {{"notes|add-todo|none|--start|2024-05-03|--end|2024-05-03",
              "notes add-todo: none: No Notes database exists at that path."},
             {"notes|add-person|full",
              "notes add-person: full: The Notes database cannot grow: the disk is full or every "
              "note ID is used up."},
             {"notes|set|db|70|X=1", "notes set: db: The database has no note with that note ID."},
             {"dump|word2", "dump: word2 is not a sync object store"},
             {"dump|missing.dat", "dump: cannot open missing.dat: No such file or directory"},
             {"dump|--library|./none.so|word2",
              "cannot load the handler library: ./none.so: cannot open shared object file: No such "
              "file or directory"},
             {"purge|--contacts|none",
              "No Notes database at none (--contacts): create one with `pimsync notes create "
              "none`. Nothing was changed."}});
}

}  // namespace
}  // namespace pim::test
