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
  const std::string path = dir.File("crash.nsf");
  ASSERT_EQ(LNDatabase::Create(path, "Crash"), LNNOERROR);
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(fds[0]);
    SaveThenDie(path, 1, fds[1]);
  }
  ::close(fds[1]);
  const std::vector<NOTEID> ids = ReadIds(fds[0]);
  ::close(fds[0]);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
  ASSERT_EQ(ids.size(), 1u);
  ExpectNotes(path, ids);
}

TEST(NotesCrashTest, EverySaveReportedBeforeAKillFromOutsideIsKept) {
  test::TempDir dir;
  const std::string path = dir.File("crash.nsf");
  ASSERT_EQ(LNDatabase::Create(path, "Crash"), LNNOERROR);
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(fds[0]);
    SaveThenDie(path, 100000, fds[1]);
  }
  ::close(fds[1]);
  // Kill it mid-stream, after a good number of saves.
  std::vector<NOTEID> ids;
  NOTEID id;
  while (ids.size() < 300 && ::read(fds[0], &id, sizeof id) == sizeof id)
    ids.push_back(id);
  ::kill(child, SIGKILL);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  for (NOTEID late : ReadIds(fds[0]))
    ids.push_back(late);
  ::close(fds[0]);
  ASSERT_GE(ids.size(), 300u);
  ExpectNotes(path, ids);
}

}  // namespace
}  // namespace pim::notesapi_test
