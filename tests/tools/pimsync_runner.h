// Runs the built pimsync binary as a user does, and looks into the Notes databases it leaves.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "notesapi/lnsession.h"
#include "support/test_support.h"

namespace pim::test {

struct PimsyncResult {
  int exit_status = -1;
  std::string out;
  std::string err;
};

// The program runs in `dir` with standard input empty, and with `env` ("NAME=VALUE ...") added
// to its environment.
inline PimsyncResult RunPimsync(const TempDir& dir, const std::vector<std::string>& args,
                                const char* program = PIMSYNC_PATH, const std::string& env = "") {
  // Each piece is appended to the command in turn, never put in front of a string (which GCC 12
  // at -O3 takes for an overlapping copy, -Wrestrict).
  std::string command;
  const auto quoted = [&command](const std::string& text) {
    command += '\'';
    for (char c : text)
      command += c == '\'' ? "'\\''" : std::string(1, c);
    command += '\'';
  };
  command += "cd ";
  quoted(dir.path());
  command += " && " + env + " exec ";
  quoted(program);
  for (const std::string& arg : args) {
    command += ' ';
    quoted(arg);
  }
  command += " </dev/null >";
  quoted(dir.File(".out"));
  command += " 2>";
  quoted(dir.File(".err"));
  const int status = std::system(command.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(dir.File(".out")),
          ReadFile(dir.File(".err"))};
}

// The first value of each of `items` in every note of form `form`, in note-ID order: values
// joined by '/', notes by ", "; "-" for a missing item.
inline std::string Look(const std::string& db, const std::string& form,
                        const std::vector<std::string>& items) {
  using namespace notes;  // NOLINT
  const LNBOOL throwing = LNGetThrowAllErrorsGlobal();
  LNSetThrowAllErrorsGlobal(FALSE);
  LNNotesSession session;
  LNDatabase database;
  LNDocumentArray documents;
  session.Initialize();
  session.GetDatabase(db, &database);
  database.Open();
  database.GetDocuments(&documents);
  std::string text;
  for (uint32_t i = 0; i < documents.GetCount(); ++i) {
    LNDocument document = documents[i];
    document.Open();
    if (document.GetFormName() != form) continue;
    for (size_t k = 0; k < items.size(); ++k) {
      LNItem item;
      document.GetItem(items[k], &item);
      const auto* texts = item.Texts();
      const auto* times = item.Datetimes();
      const auto* numbers = item.Numbers();
      text += k > 0 ? "/" : text.empty() ? "" : ", ";
      text += texts && !texts->empty()       ? texts->front()
              : times && !times->empty()     ? times->front().GetText()
              : numbers && !numbers->empty() ? std::to_string(static_cast<int>(numbers->front()))
                                             : "-";
    }
  }
  session.Term();
  LNSetThrowAllErrorsGlobal(throwing);
  return text;
}

class PimsyncTest : public ::testing::Test {
 protected:
  // `args` joined by '|', so that blanks stay inside them.
  PimsyncResult Run(const std::string& args) {
    std::vector<std::string> split;
    for (size_t begin = 0, end = 0; !args.empty() && begin <= args.size(); begin = end + 1) {
      end = std::min(args.find('|', begin), args.size());
      split.push_back(args.substr(begin, end - begin));
    }
    return RunPimsync(dir_, split);
  }
  // A command that must succeed and say nothing on standard error; its standard output.
  std::string Ok(const std::string& args) {
    const PimsyncResult run = Run(args);
    EXPECT_EQ(run.exit_status, 0) << args << "\n" << run.out << run.err;
    EXPECT_EQ(run.err, "") << args;
    return run.out;
  }
  // A command that must be refused: status 1, nothing on standard output, `err` on standard
  // error.
  void Refused(const std::string& args, const std::string& err) {
    const PimsyncResult run = Run(args);
    EXPECT_EQ(run.exit_status, 1) << args;
    EXPECT_EQ(run.out, "") << args;
    EXPECT_EQ(run.err, err) << args;
  }
  std::string Path(const std::string& name) const { return dir_.File(name); }
  // Person first names and to-do briefs of a database.
  std::string Names(const std::string& db) {
    return Look(Path(db), "Person", {"FirstName"}) + " | " + Look(Path(db), "Task", {"Subject"});
  }
  // The name, size and digest of every file in the folder and below (the SQLite logs and the
  // history included), one line each, by name.
  std::string Files() const {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir_.path())) {
      const std::string name = std::filesystem::relative(entry.path(), dir_.path()).string();
      if (entry.is_regular_file() && name != ".out" && name != ".err") {
        const std::string bytes = ReadFile(entry.path());
        files[name] =
            std::to_string(bytes.size()) + " " + std::to_string(std::hash<std::string>()(bytes));
      }
    }
    std::string text;
    for (const auto& [name, digest] : files)
      text += name + ": " + digest + "\n";
    return text;
  }

  TempDir dir_;
};

}  // namespace pim::test
