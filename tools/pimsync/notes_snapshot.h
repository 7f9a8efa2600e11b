// What a Notes database holds for a sync, taken before and after a run to tell what changed:
// the Person documents and the single-day to-dos of the retrieval window, each with the values
// of the items the sync carries.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace pim::cli {

struct NotesSnapshot {
  std::map<uint32_t, std::string> contacts;  // note ID -> fingerprint
  std::map<uint32_t, std::string> todos;
};

NotesSnapshot TakeSnapshot(const std::string& contacts_db, const std::string& calendar_db);

struct Changes {
  size_t added = 0;
  size_t changed = 0;
  size_t deleted = 0;
};

Changes Compare(const std::map<uint32_t, std::string>& before,
                const std::map<uint32_t, std::string>& after);

}  // namespace pim::cli
