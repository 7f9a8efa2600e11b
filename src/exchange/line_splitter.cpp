#include "exchange/line_splitter.h"

#include "platform/text.h"

namespace pim {

bool SplitLine(std::string_view line, std::string_view& name, std::string_view& value) {
  line = platform::Trim(line);
  const size_t colon = line.find(':');
  if (line.empty() || colon == std::string_view::npos) return false;
  name = line.substr(0, colon);
  value = platform::Trim(line.substr(colon + 1));
  return true;
}

bool PropertyReader::Next(std::string_view& name, std::string_view& value) {
  std::string_view line;
  while (lines_.Next(line)) {
    if (SplitLine(line, name, value)) return true;
  }
  return false;
}

}  // namespace pim
