// How every text file from the host is read: line by line, each line cut into a name and a
// value at its first colon. Nothing else is done to a line: no unfolding, no decoding, no
// splitting of parameters.
#pragma once

#include <string>
#include <string_view>

#include "platform/file.h"

namespace pim {

// Trims the line; false for an empty line or one without a colon. The name is the text before
// the first colon, as it stands; the value the text after it, trimmed.
bool SplitLine(std::string_view line, std::string_view& name, std::string_view& value);

// The properties of a text source, one per line that splits.
class PropertyReader {
 public:
  explicit PropertyReader(platform::ByteSource& source) : lines_(source) {}
  // False at the end of the source. The views stay valid until the next call.
  bool Next(std::string_view& name, std::string_view& value);

 private:
  platform::LineReader lines_;
};

}  // namespace pim
