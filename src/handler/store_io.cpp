#include "handler/store_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <optional>

#include "platform/file.h"
#include "platform/platform.h"
#include "records/store_file.h"

namespace pim::handler {
namespace {

void SyncFolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;  // the rename is done; only its durability is at stake
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

std::string ReadStoreFile(const std::string& path) {
  platform::InputFile file(path);
  std::string bytes;
  char buffer[64 * 1024];
  for (;;) {
    const size_t n = file.ReadSome(buffer, sizeof buffer);
    if (n == 0) return bytes;
    bytes.append(buffer, n);
  }
}

StoreLoad LoadStore(const std::string& path, CalendarArray& calendar, ContactArray& contacts,
                    std::string* bytes) {
  if (!platform::PathExists(path)) return StoreLoad::kNoFile;
  // Read straight into the caller's copy, which must hold the bytes even when they turn out
  // damaged part-way.
  std::string local;
  std::string& content = bytes != nullptr ? *bytes : local;
  content = ReadStoreFile(path);
  platform::MemorySource source(content);
  CArchive ar(source);
  if (ReadStoreHead(ar) != kLuidMode) {
    content.clear();
    return StoreLoad::kForeignHead;
  }
  ReadCalendarArray(ar, calendar);
  ReadContactArray(ar, contacts);
  return StoreLoad::kLoaded;
}

void ReadStoreBytes(std::string_view bytes, CalendarArray& calendar, ContactArray& contacts) {
  platform::MemorySource source(bytes);
  CArchive ar(source);
  ReadStoreHead(ar);
  ReadCalendarArray(ar, calendar);
  ReadContactArray(ar, contacts);
}

std::string EncodeStore(const CalendarArray& calendar, const ContactArray& contacts) {
  std::string bytes;
  platform::StringSink sink(bytes);
  CArchive ar(sink);
  WriteStore(ar, calendar, contacts);
  ar.Flush();
  return bytes;
}

void SaveStore(const std::string& path, const CalendarArray& calendar,
               const ContactArray& contacts) {
  struct stat st {};
  if (!path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    throw platform::FileError(EISDIR, path, "create");
  }
  if (path.empty()) throw platform::FileError(ENOENT, path, "create");
  const std::string temp = path + ".new";
  // A STORE.new that a killed save left behind is ours to replace. Anything else under that
  // name (a folder, a link) is neither followed nor removed: creating the file fails instead.
  if (::lstat(temp.c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) {
      throw platform::FileError(S_ISDIR(st.st_mode) ? EISDIR : EEXIST, path, "create");
    }
    ::unlink(temp.c_str());
  }
  std::optional<platform::OutputFile> file;
  try {
    file.emplace(temp, platform::OutputFile::Sync::kYes, platform::OutputFile::Create::kNew);
  } catch (const platform::FileError& error) {
    // The user knows the store by its own name, not by the name of the file beside it.
    throw platform::FileError(error.error(), path, "create");
  }
  try {
    CArchive ar(*file);
    WriteStore(ar, calendar, contacts);
    ar.Flush();
    file->Close();
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
      throw platform::FileError(errno, path, "write");
    }
  } catch (const platform::FileError& error) {
    file.reset();
    std::remove(temp.c_str());
    throw platform::FileError(error.error(), path, error.action());
  } catch (...) {
    file.reset();
    std::remove(temp.c_str());
    throw;
  }
  SyncFolderOf(path);
}

}  // namespace pim::handler
