// A process killed right after a save returns: the note is in the file.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

#include "notesapi_fixture.h"

namespace pim::notesapi_test {
namespace {

// In the child: saves `count` notes, reporting each note ID on `fd` as soon as Save returned,
// then dies by SIGKILL: no destructor, no close, no checkpoint.
[[noreturn]] void SaveThenDie(const std::string& path, int count, int fd) {
  LNSetThrowAllErrorsGlobal(FALSE);
  LNNotesSession session;
  LNDatabase db;
  if (session.Initialize() != 0 || session.GetDatabase(path, &db) != 0 || db.Open() != 0) {
    ::_exit(2);
  }
  for (int i = 0; i < count; ++i) {
    LNDocument doc;
    db.CreateDocument(&doc, "Person");
    doc.CreateItem("Index", LNItem("", std::vector<double>{double(i)}));
    if (doc.Save() != LNNOERROR) ::_exit(3);
    const NOTEID id = doc.GetNoteID();
    if (::write(fd, &id, sizeof id) != sizeof id) ::_exit(4);
  }
  ::kill(::getpid(), SIGKILL);
  ::_exit(5);  // not reached
}

// A child saving `count` notes into a new database; the parent reads the note IDs from `ids`.
struct SavingChild {
  SavingChild(const std::string& db_path, int count) : path(db_path) {
    EXPECT_EQ(LNDatabase::Create(path, "Crash"), LNNOERROR);
    int fds[2];
    EXPECT_EQ(::pipe(fds), 0);
    pid = ::fork();
    if (pid == 0) {
      ::close(fds[0]);
      SaveThenDie(path, count, fds[1]);
    }
    ::close(fds[1]);
    ids = fds[0];
  }
  ~SavingChild() { ::close(ids); }
  // True when the child ended by SIGKILL.
  bool Killed() {
    int status = 0;
    return ::waitpid(pid, &status, 0) == pid && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
  }

  std::string path;
  pid_t pid = -1;
  int ids = -1;
};

std::vector<NOTEID> ReadIds(int fd) {
  std::vector<NOTEID> ids;
  NOTEID id;
  while (::read(fd, &id, sizeof id) == sizeof id)
    ids.push_back(id);
  return ids;
}

void ExpectNotes(const std::string& path, const std::vector<NOTEID>& ids) {
  LNNotesSession session;
  LNDatabase db;
  ASSERT_EQ(session.Initialize(), LNNOERROR);
  ASSERT_EQ(session.GetDatabase(path, &db), LNNOERROR);
  ASSERT_EQ(db.Open(), LNNOERROR);
  for (size_t i = 0; i < ids.size(); ++i) {
    LNDocument doc;
    ASSERT_EQ(db.GetDocument(ids[i], &doc), LNNOERROR) << ids[i];
    ASSERT_EQ(doc.Open(), LNNOERROR);
    LNItem item;
    ASSERT_EQ(doc.GetItem("Index", &item), LNNOERROR);
    EXPECT_EQ((*item.Numbers())[0], double(i));
  }
}

TEST(NotesCrashTest, ANoteSavedRightBeforeAKillIsKept) {
  test::TempDir dir;
  SavingChild child(dir.File("crash.nsf"), 1);
  ASSERT_GE(child.pid, 0);
  const std::vector<NOTEID> ids = ReadIds(child.ids);
  ASSERT_TRUE(child.Killed());
  ASSERT_EQ(ids.size(), 1u);
  ExpectNotes(child.path, ids);
}

TEST(NotesCrashTest, EverySaveReportedBeforeAKillFromOutsideIsKept) {
  test::TempDir dir;
  SavingChild child(dir.File("crash.nsf"), 100000);
  ASSERT_GE(child.pid, 0);
  // Kill it mid-stream, after a good number of saves.
  std::vector<NOTEID> ids;
  NOTEID id;
  while (ids.size() < 300 && ::read(child.ids, &id, sizeof id) == sizeof id)
    ids.push_back(id);
  ::kill(child.pid, SIGKILL);
  ASSERT_TRUE(child.Killed());
  for (NOTEID late : ReadIds(child.ids))
    ids.push_back(late);
  ASSERT_GE(ids.size(), 300u);
  ExpectNotes(child.path, ids);
}

}  // namespace
}  // namespace pim::notesapi_test
