#include "faults/fault_support.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>

#include "handler/module_state.h"
#include "handler/store_io.h"
#include "platform/file.h"
#include "platform/platform.h"
#include "records/archive.h"
#include "records/store_file.h"
#include "support/test_support.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace pim::faults {

Box NotesErrorBox(notes::LNSTATUS status, const char* caption) {
  return test::ExpectedBox(notes::LNGetErrorMessage(status), caption, platform::kMbTaskModal);
}

Box FileErrorBox(std::string_view action, const std::string& path, int error) {
  return test::ExpectedBox(
      "Cannot " + std::string(action) + " \"" + path + "\": " + std::strerror(error) + ".", nullptr,
      platform::kMbOk);
}

testing::AssertionResult OneFileErrorBox(const std::vector<Box>& boxes,
                                         const std::vector<std::string>& actions,
                                         const std::string& path, int error) {
  std::vector<Box> expected;
  for (const std::string& action : actions) {
    expected.push_back(FileErrorBox(action, path, error));
    if (boxes.size() == 1 && boxes.front() == expected.back()) return testing::AssertionSuccess();
  }
  return testing::AssertionFailure() << "expected one of " << test::DescribeBoxes(expected)
                                     << "\n got " << test::DescribeBoxes(boxes);
}

void PrintTo(const RecordKey& key, std::ostream* os) {
  *os << "{" << key.note_id << ", \"" << key.luid << "\"}";
}

void PrintTo(const StoreKeys& keys, std::ostream* os) {
  *os << "to-dos [";
  for (const RecordKey& key : keys.todos)
    PrintTo(key, os);
  *os << "] contacts [";
  for (const RecordKey& key : keys.contacts)
    PrintTo(key, os);
  *os << "]";
}

StoreKeys KeysOf(const CalendarArray& todos, const ContactArray& contacts) {
  StoreKeys keys;
  for (const auto& record : todos)
    keys.todos.push_back({record->m_nNoteId, record->m_strLuid});
  for (const auto& record : contacts) {
    keys.contacts.push_back({record->m_nNoteId, record->m_strLuid});
  }
  return keys;
}

StoreKeys HeldKeys() {
  handler::ModuleState& state = handler::State();
  return KeysOf(state.calendar, state.contacts);
}

std::optional<StoreKeys> ReadStoreKeys(const std::string& path) {
  std::string bytes;
  try {
    bytes = test::ReadFile(path);
  } catch (const std::exception&) {
    return std::nullopt;
  }
  if (!IsWholeStore(bytes)) return std::nullopt;
  platform::MemorySource source(bytes);
  CArchive ar(source);
  ReadStoreHead(ar);
  CalendarArray todos;
  ContactArray contacts;
  ReadCalendarArray(ar, todos);
  ReadContactArray(ar, contacts);
  return KeysOf(todos, contacts);
}

bool IsWholeStore(std::string_view bytes) {
  try {
    platform::MemorySource source(bytes);
    CArchive in(source);
    if (ReadStoreHead(in) != kLuidMode) return false;
    CalendarArray todos;
    ContactArray contacts;
    ReadCalendarArray(in, todos);
    ReadContactArray(in, contacts);
    return handler::EncodeStore(todos, contacts) == bytes;
  } catch (const std::exception&) {
    return false;
  }
}

void HoldStore(const std::string& path) {
  handler::ModuleState& state = handler::State();
  ASSERT_EQ(handler::LoadStore(path, state.calendar, state.contacts), handler::StoreLoad::kLoaded)
      << path;
}

void ReleaseHeldRecords() {
  handler::State().calendar.clear();
  handler::State().contacts.clear();
}

std::set<notes::NOTEID> NoteIdSet(const std::string& path) {
  const std::vector<notes::NOTEID> ids = test::NotesDb(path).NoteIds();
  return std::set<notes::NOTEID>(ids.begin(), ids.end());
}

int CreateErrno(const std::string& path) {
  const bool existed = ::access(path.c_str(), F_OK) == 0;
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return errno;
  ::close(fd);
  if (!existed) ::unlink(path.c_str());
  return 0;
}

namespace {

void Put(std::string& out, const void* data, size_t size) {
  out.append(static_cast<const char*>(data), size);
}

void PutText(std::string& out, const std::string& text) {
  const uint32_t size = static_cast<uint32_t>(text.size());
  Put(out, &size, sizeof size);
  out += text;
}

bool Take(std::string_view& in, void* data, size_t size) {
  if (in.size() < size) return false;
  std::memcpy(data, in.data(), size);
  in.remove_prefix(size);
  return true;
}

bool TakeText(std::string_view& in, std::string& text) {
  uint32_t size = 0;
  if (!Take(in, &size, sizeof size) || in.size() < size) return false;
  text.assign(in.data(), size);
  in.remove_prefix(size);
  return true;
}

}  // namespace

ChildRun RunWithFileSizeLimit(rlim_t file_size_limit, const std::function<int32_t()>& body) {
  int channel[2];
  if (::pipe2(channel, O_CLOEXEC) != 0) {
    ADD_FAILURE() << "pipe: " << std::strerror(errno);
    return {};
  }
  std::fflush(nullptr);
  const pid_t child = ::fork();
  if (child < 0) {
    ADD_FAILURE() << "fork: " << std::strerror(errno);
    return {};
  }
  if (child == 0) {
    ::close(channel[0]);
    std::signal(SIGXFSZ, SIG_IGN);
    const struct rlimit limit = {file_size_limit, file_size_limit};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(2);
    std::vector<Box> boxes;
    int32_t result = 0;
    {
      BoxCapture capture;
      result = body();
      boxes.swap(test::CapturedBoxes());
    }
    std::string report;
    Put(report, &result, sizeof result);
    const uint32_t count = static_cast<uint32_t>(boxes.size());
    Put(report, &count, sizeof count);
    for (const Box& box : boxes) {
      const uint8_t flags =
          static_cast<uint8_t>((box.owner_is_null ? 1 : 0) | (box.caption_is_null ? 2 : 0));
      Put(report, &flags, sizeof flags);
      PutText(report, box.text);
      PutText(report, box.caption);
      Put(report, &box.style, sizeof box.style);
    }
    boxes.clear();
    boxes.shrink_to_fit();
    uint8_t leaks = 0;
#if defined(__SANITIZE_ADDRESS__)
    leaks = __lsan_do_recoverable_leak_check() != 0 ? 1 : 0;
#endif
    Put(report, &leaks, sizeof leaks);
    const char* p = report.data();
    size_t left = report.size();
    while (left > 0) {
      const ssize_t n = ::write(channel[1], p, left);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) ::_exit(3);
      p += n;
      left -= static_cast<size_t>(n);
    }
    ::_exit(0);
  }
  ::close(channel[1]);
  std::string report;
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(channel[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    report.append(buffer, static_cast<size_t>(n));
  }
  ::close(channel[0]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  ChildRun run;
  std::string_view in(report);
  uint32_t count = 0;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || !Take(in, &run.result, sizeof run.result) ||
      !Take(in, &count, sizeof count)) {
    return run;
  }
  for (uint32_t i = 0; i < count; ++i) {
    Box box;
    uint8_t flags = 0;
    if (!Take(in, &flags, sizeof flags) || !TakeText(in, box.text) || !TakeText(in, box.caption) ||
        !Take(in, &box.style, sizeof box.style)) {
      return run;
    }
    box.owner_is_null = (flags & 1) != 0;
    box.caption_is_null = (flags & 2) != 0;
    run.boxes.push_back(std::move(box));
  }
  uint8_t leaks = 0;
  if (!Take(in, &leaks, sizeof leaks)) return run;
  run.leak_free = leaks == 0;
  run.completed = true;
  return run;
}

}  // namespace pim::faults
