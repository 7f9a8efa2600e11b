// The phone's LUIDs for the records sent to it as new, taken from the host's answer file in
// change-file order.
#include "exchange/luid_writeback.h"

#include "exchange/line_splitter.h"
#include "platform/text.h"

namespace pim {
namespace {

// A record waits for its LUID while its LUID is empty.
template <class Record>
int32_t Assign(const std::string& answer_path, std::vector<std::unique_ptr<Record>>& records) {
  size_t cursor = 0;
  platform::InputFile answers(answer_path);
  PropertyReader reader(answers);
  std::string_view name;
  std::string_view value;
  while (reader.Next(name, value)) {
    if (!platform::EqualsNoCase(name, "X-VOQ-LUID")) continue;
    while (cursor < records.size() && !records[cursor]->m_strLuid.empty())
      ++cursor;
    if (cursor == records.size()) return 1;  // more LUIDs than waiting records
    records[cursor++]->m_strLuid.assign(value);
  }
  for (; cursor < records.size(); ++cursor) {
    if (records[cursor]->m_strLuid.empty()) return 1;  // waiting records left over
  }
  return 0;
}

}  // namespace

int32_t AssignLuids(const std::string& answer_path, ContactArray& records) {
  return Assign(answer_path, records);
}

int32_t AssignLuids(const std::string& answer_path, CalendarArray& records) {
  return Assign(answer_path, records);
}

}  // namespace pim
