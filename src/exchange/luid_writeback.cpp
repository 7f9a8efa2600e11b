// The phone's LUIDs for the records sent to it as new, taken from the host's answer file in
// change-file order.
#include "exchange/line_splitter.h"
#include "handler/entry_guard.h"
#include "handler/module_state.h"
#include "handler/reports.h"
#include "pim_handler.h"
#include "platform/text.h"

using namespace pim;
using namespace pim::handler;

namespace {

// A record waits for its LUID while its LUID is empty.
template <class Record>
int32_t AssignLuids(const char* answer_path, std::vector<std::unique_ptr<Record>>& records) {
  size_t cursor = 0;
  try {
    platform::InputFile answers(answer_path != nullptr ? answer_path : "");
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
  } catch (const platform::FileError& error) {
    ReportFileError(error);
    return 1;
  }
  for (; cursor < records.size(); ++cursor) {
    if (records[cursor]->m_strLuid.empty()) return 1;  // waiting records left over
  }
  return 0;
}

}  // namespace

extern "C" int32_t PIMHandler_UpdateVCardLUID(const char* answer_file) {
  return Guarded([&] { return AssignLuids(answer_file, State().contacts); });
}

extern "C" int32_t PIMHandler_UpdateVCalLUID(const char* answer_file) {
  return Guarded([&] { return AssignLuids(answer_file, State().calendar); });
}
