#include "run_history.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <sstream>
#include <stdexcept>

#include "run_checks.h"

namespace pim::cli {
namespace {

constexpr char kRunFile[] = "run";
constexpr char kHeader[] = "pimsync run\n";
constexpr int kNameDigits = 6;

[[noreturn]] void Fail(const std::string& what, const std::string& path) {
  throw std::runtime_error("cannot " + what + " " + path + ": " + std::strerror(errno));
}

bool IsEntryName(const std::string& name) {
  return !name.empty() &&
         std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The entry names, oldest first.
std::vector<std::string> EntryNames(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code missing;
  for (const auto& item : std::filesystem::directory_iterator(folder, missing)) {
    const std::string name = item.path().filename().string();
    if (IsEntryName(name)) names.push_back(name);
  }
  // By number: equal widths sort as text, and a run past the millionth is one digit wider.
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() < b.size() : a < b;
  });
  return names;
}

// Paths go on one line each, after the fields.
std::string EncodePath(const std::string& path) {
  std::string text;
  for (const char c : path) {
    text += c == '%' ? "%25" : c == '\n' ? "%0A" : std::string(1, c);
  }
  return text;
}

std::string DecodePath(const std::string& text) {
  std::string path;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 3, "%25") == 0) {
      path += '%';
      i += 2;
    } else if (text.compare(i, 3, "%0A") == 0) {
      path += '\n';
      i += 2;
    } else {
      path += text[i];
    }
  }
  return path;
}

std::string ChangesText(const Changes& changes) {
  return std::to_string(changes.added) + " " + std::to_string(changes.changed) + " " +
         std::to_string(changes.deleted);
}

std::string EntryText(const HistoryEntry& entry) {
  std::string text = kHeader;
  text += "kind " + entry.kind + "\n";
  text += "time " + std::to_string(entry.time) + "\n";
  if (!entry.undid.empty()) text += "undid " + entry.undid + "\n";
  if (entry.changes.counted) {
    text += "contacts " + ChangesText(entry.changes.contacts_notes) + " " +
            ChangesText(entry.changes.contacts_phone) + "\n";
    text += "to-dos " + ChangesText(entry.changes.todos_notes) + " " +
            ChangesText(entry.changes.todos_phone) + "\n";
  }
  for (const KeptFile& file : entry.files) {
    char after[96] = "none";
    if (file.after) {
      std::snprintf(after, sizeof after, "%ju:%ju:%jd:%" PRId64,
                    static_cast<uintmax_t>(file.device), static_cast<uintmax_t>(file.inode),
                    static_cast<intmax_t>(file.size), file.modified_ns);
    }
    text += "file " + file.role + " " + (file.kept ? "kept" : "none") + " " + after + " " +
            EncodePath(file.path) + "\n";
  }
  return text;
}

bool ReadChanges(std::istringstream& in, Changes& notes, Changes& phone) {
  return static_cast<bool>(in >> notes.added >> notes.changed >> notes.deleted >> phone.added >>
                           phone.changed >> phone.deleted);
}

// False for a text that is not an entry's whole.
bool ParseEntry(const std::string& text, HistoryEntry& entry) {
  if (text.rfind(kHeader, 0) != 0 || text.back() != '\n') return false;
  std::istringstream lines(text.substr(sizeof kHeader - 1));
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream in(line);
    std::string key;
    in >> key;
    bool read = true;
    if (key == "kind") {
      read = static_cast<bool>(in >> entry.kind);
    } else if (key == "time") {
      read = static_cast<bool>(in >> entry.time);
    } else if (key == "undid") {
      read = static_cast<bool>(in >> entry.undid);
    } else if (key == "contacts") {
      entry.changes.counted = true;
      read = ReadChanges(in, entry.changes.contacts_notes, entry.changes.contacts_phone);
    } else if (key == "to-dos") {
      read = ReadChanges(in, entry.changes.todos_notes, entry.changes.todos_phone);
    } else if (key == "file") {
      KeptFile file;
      std::string kept, after;
      read = static_cast<bool>(in >> file.role >> kept >> after) && in.get() == ' ';
      std::string path;
      std::getline(in, path);
      file.path = DecodePath(path);
      file.kept = kept == "kept";
      file.after = after != "none";
      uintmax_t device = 0, inode = 0;
      intmax_t size = 0;
      if (file.after && std::sscanf(after.c_str(), "%ju:%ju:%jd:%" SCNd64, &device, &inode, &size,
                                    &file.modified_ns) != 4) {
        read = false;
      }
      file.device = static_cast<dev_t>(device);
      file.inode = static_cast<ino_t>(inode);
      file.size = static_cast<off_t>(size);
      entry.files.push_back(file);
    }
    if (!read) return false;
  }
  return !entry.kind.empty() && entry.time > 0;
}

// Keeps the file at `path` as `kept`: a second name for it, or, where the file system allows
// none, a copy with its permissions and (where this process may give it) its owner.
void Keep(const std::string& path, const std::string& kept) {
  if (::link(path.c_str(), kept.c_str()) != 0) CopyFileAs(path, kept);
}

// A folder that only its owner may enter, made so or made so now.
void MakePrivateFolder(const std::string& folder) {
  struct stat st {};
  if (::mkdir(folder.c_str(), 0700) != 0) {
    if (errno != EEXIST) Fail("create the folder", folder);
    if (::stat(folder.c_str(), &st) != 0) Fail("open the folder", folder);
    if ((st.st_mode & 077) == 0) return;
  }
  if (::chmod(folder.c_str(), 0700) != 0) Fail("set the permissions of", folder);
}

void RemoveFolder(const std::string& folder) {
  std::error_code failed;
  std::filesystem::remove_all(folder, failed);
  if (failed) {
    throw std::runtime_error("cannot remove " + folder + ": " + failed.message());
  }
}

// Keeps the last `keep` entries. An entry goes by a rename first, so that a stop half-way
// leaves no entry half there.
void Prune(const std::string& folder, size_t keep) {
  std::vector<std::string> names = EntryNames(folder);
  for (size_t i = 0; i + keep < names.size(); ++i) {
    const std::string old = folder + "/.old-" + names[i];
    if (::rename((folder + "/" + names[i]).c_str(), old.c_str()) != 0) Fail("remove", old);
    KillPoint();
    RemoveFolder(old);
  }
}

}  // namespace

std::vector<std::string> HistoryEntry::ChangedSince() const {
  std::vector<std::string> changed;
  for (const KeptFile& file : files) {
    struct stat st {};
    const bool there = ::lstat(file.path.c_str(), &st) == 0;
    const bool same = file.after ? there && st.st_dev == file.device && st.st_ino == file.inode &&
                                       st.st_size == file.size &&
                                       st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec ==
                                           file.modified_ns &&
                                       !LogHolds(file.path)
                                 : !there;
    if (!same) changed.push_back(file.path);
  }
  return changed;
}

std::string HistoryFolder(const std::string& store) {
  return WrittenPath(store) + ".history";
}

std::vector<HistoryEntry> ListHistory(const std::string& store) {
  const std::string folder = HistoryFolder(store);
  std::vector<HistoryEntry> entries;
  for (const std::string& name : EntryNames(folder)) {
    HistoryEntry entry;
    entry.folder = folder + "/" + name;
    entry.name = name;
    std::string text;
    if (!ReadWholeFile(entry.folder + "/" + kRunFile, text) || !ParseEntry(text, entry)) {
      throw std::runtime_error("the kept run " + entry.folder + " cannot be read: its file " +
                               kRunFile + " is missing or damaged");
    }
    entries.push_back(std::move(entry));
  }
  return entries;
}

void TidyHistory(const std::string& store) {
  const std::string folder = HistoryFolder(store);
  std::error_code missing;
  std::vector<std::string> left;
  for (const auto& item : std::filesystem::directory_iterator(folder, missing)) {
    const std::string name = item.path().filename().string();
    if (name.rfind(".new-", 0) == 0 || name.rfind(".old-", 0) == 0) left.push_back(name);
  }
  for (const std::string& name : left)
    RemoveFolder(folder + "/" + name);
}

std::map<std::string, std::string> RolesOf(const std::vector<RunFile>& files) {
  std::map<std::string, std::string> roles;
  for (const RunFile& file : files) {
    roles.emplace(WrittenPath(file.path), file.option);
    if (file.IsStore()) {
      roles.emplace(StoreCheckPath(file.path), "check");
      // What a run with a real phone saw of it (only such a run writes this file).
      roles.emplace(WrittenPath(file.path + ".phone"), "phone");
    }
  }
  return roles;
}

namespace {

// Keeps the replaced files of `replacements` as a new entry's folder, made under a name of its
// own; returns the rename that makes it the entry. Nothing of it is synced yet.
Replacement MakeEntry(const std::string& folder, const std::vector<Replacement>& replacements,
                      const std::string& kind, const std::map<std::string, std::string>& roles,
                      const RunChanges& changes, const std::string& undid) {
  MakePrivateFolder(folder);
  const std::vector<std::string> names = EntryNames(folder);
  char name[32];
  std::snprintf(name, sizeof name, "%0*llu", kNameDigits,
                names.empty() ? 1ULL : std::stoull(names.back()) + 1);
  HistoryEntry entry;
  entry.folder = folder + "/.new-" + name;
  entry.name = name;
  entry.kind = kind;
  entry.time = static_cast<int64_t>(std::time(nullptr));
  entry.undid = undid;
  entry.changes = changes;
  RemoveFolder(entry.folder);
  MakePrivateFolder(entry.folder);
  for (size_t i = 0; i < replacements.size(); ++i) {
    const Replacement& replacement = replacements[i];
    KeptFile file;
    const auto role = roles.find(replacement.original);
    file.role = role != roles.end() ? role->second : "file";
    file.path = std::filesystem::absolute(replacement.original).lexically_normal().string();
    struct stat st {};
    if (::lstat(replacement.original.c_str(), &st) == 0) {
      file.kept = true;
      Keep(replacement.original, entry.KeptPath(i));
      // A log that holds what is not yet in the file belongs to it.
      if (LogHolds(replacement.original)) {
        Keep(replacement.original + "-wal", entry.KeptPath(i) + "-wal");
      }
    }
    if (!replacement.copy.empty() && ::stat(replacement.copy.c_str(), &st) == 0) {
      file.after = true;
      file.device = st.st_dev;
      file.inode = st.st_ino;
      file.size = st.st_size;
      file.modified_ns = st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec;
    }
    entry.files.push_back(file);
  }
  // Put on the disk by the commit, with the entry's folder.
  WriteNewFile(entry.folder + "/" + kRunFile, EntryText(entry), 0600);
  KillPoint();
  return {entry.folder, folder + "/" + name};
}

}  // namespace

void CommitKept(StagedRun& staged, const std::string& store, const std::string& kind,
                const std::map<std::string, std::string>& roles, const RunChanges& changes,
                int32_t keep, const std::string& undid) {
  const std::vector<Replacement>& replacements = staged.Seal();
  const std::string folder = HistoryFolder(store);
  if (keep > 0) {
    const Replacement made = MakeEntry(folder, replacements, kind, roles, changes, undid);
    staged.Commit(&made, {made.copy + "/" + kRunFile});
  } else {
    staged.Commit();
  }
  // The run is done whatever happens to the runs kept before it.
  try {
    if (std::filesystem::exists(folder)) Prune(folder, static_cast<size_t>(std::max(keep, 0)));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "pimsync: the run is done, but the oldest kept runs stay: %s\n", e.what());
  }
}

std::string LocalTimeText(int64_t time) {
  const std::time_t when = static_cast<std::time_t>(time);
  std::tm local{};
  char text[32] = "";
  if (::localtime_r(&when, &local) != nullptr)
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

}  // namespace pim::cli
