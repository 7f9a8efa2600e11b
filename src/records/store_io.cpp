#include "records/store_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <optional>

#include "platform/file.h"
#include "platform/platform.h"
#include "records/store_file.h"

namespace pim {
namespace {

void SyncFolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;  // the rename is done; only its durability is at stake
  ::fsync(fd);
  ::close(fd);
}

// The file a save replaces: the path itself, or the last file its chain of symbolic links
// names, so that the links stay links and every reader of the real file sees the new store.
std::string FinalTarget(const std::string& path) {
  std::string current = path;
  for (int hops = 0; hops < 40; ++hops) {  // the kernel's own limit
    struct stat st {};
    if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
    char target[PATH_MAX];
    const ssize_t n = ::readlink(current.c_str(), target, sizeof target);
    if (n < 0) throw Error::File(errno, path, "create");
    if (static_cast<size_t>(n) == sizeof target) {
      throw Error::File(ENAMETOOLONG, path, "create");
    }
    const std::string_view next(target, static_cast<size_t>(n));
    const size_t slash = current.rfind('/');
    if ((!next.empty() && next.front() == '/') || slash == std::string::npos) {
      current.assign(next);
    } else {
      current.erase(slash + 1).append(next);
    }
  }
  throw Error::File(ELOOP, path, "create");
}

const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISLNK(mode)) return "a symbolic link";
  if (S_ISFIFO(mode)) return "a named pipe";
  if (S_ISSOCK(mode)) return "a socket";
  return "a device";
}

// The failures of creating a file that mean the folder takes no new file: the user may not
// write in it, or it lies on a read-only file system.
bool FolderTakesNoNewFile(int error) {
  return error == EACCES || error == EPERM || error == EROFS;
}

// Creates `temp` for the new store, with the access of the old one (`old`, null for none);
// false when the folder takes no new file.
bool CreateBeside(const std::string& path, const std::string& temp, const struct stat* old,
                  std::optional<platform::OutputFile>& file) {
  struct stat st {};
  if (::lstat(temp.c_str(), &st) == 0) {
    // A STORE.new that a killed save left behind is ours to replace. Anything else under that
    // name is someone's: it is neither followed nor removed.
    if (!S_ISREG(st.st_mode)) {
      throw Error::File(S_ISDIR(st.st_mode) ? EISDIR : EEXIST, path, "create",
                        "\"" + temp + "\", where the new store is written first, is " +
                            KindOf(st.st_mode) + ". Move it away and try again.");
    }
    if (::unlink(temp.c_str()) != 0 && FolderTakesNoNewFile(errno)) return false;
  }
  try {
    file.emplace(temp, platform::OutputFile::Sync::kYes, platform::OutputFile::Create::kNew, old);
  } catch (const Error& error) {
    if (error.kind() != Error::Kind::kFile) throw;
    if (FolderTakesNoNewFile(error.error())) return false;
    // The user knows the store by its own name, not by the name of the file beside it.
    throw Error::File(error.error(), path, "create");
  }
  return true;
}

void WriteStoreTo(platform::ByteSink& sink, const CalendarArray& calendar,
                  const ContactArray& contacts) {
  CArchive ar(sink);
  WriteStore(ar, calendar, contacts);
  ar.Flush();
}

// Truncates and rewrites `target` itself: what a folder that takes no new file leaves.
void SaveInPlace(const std::string& path, const std::string& target, const CalendarArray& calendar,
                 const ContactArray& contacts) {
  try {
    platform::OutputFile file(target, platform::OutputFile::Sync::kYes);
    WriteStoreTo(file, calendar, contacts);
    file.Close();
  } catch (const Error& error) {
    if (error.kind() != Error::Kind::kFile) throw;
    throw Error::File(error.error(), path, error.action());
  }
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
  WriteStoreTo(sink, calendar, contacts);
  return bytes;
}

void SaveStore(const std::string& path, const CalendarArray& calendar,
               const ContactArray& contacts) {
  if (path.empty()) throw Error::File(ENOENT, path, "create");
  const std::string target = FinalTarget(path);
  struct stat old {};
  const bool exists = ::stat(target.c_str(), &old) == 0;
  if (exists && S_ISDIR(old.st_mode)) throw Error::File(EISDIR, path, "create");
  if (exists && !S_ISREG(old.st_mode)) {
    throw Error::File(EEXIST, path, "create",
                      "\"" + target + "\" is " + KindOf(old.st_mode) + ", not a file.");
  }
  const std::string temp = target + ".new";
  std::optional<platform::OutputFile> file;
  if (!CreateBeside(path, temp, exists ? &old : nullptr, file)) {
    SaveInPlace(path, target, calendar, contacts);
    return;
  }
  try {
    WriteStoreTo(*file, calendar, contacts);
    file->Close();
    if (std::rename(temp.c_str(), target.c_str()) != 0) {
      throw Error::File(errno, path, "write");
    }
  } catch (const Error& error) {
    file.reset();
    std::remove(temp.c_str());
    if (error.kind() != Error::Kind::kFile) throw;
    throw Error::File(error.error(), path, error.action());
  } catch (...) {
    file.reset();
    std::remove(temp.c_str());
    throw;
  }
  SyncFolderOf(target);
}

}  // namespace pim
