// The LUID answer reader on a hostile answer file, for both kinds, with records waiting for
// their LUIDs among records that have one. The input's last byte picks which records wait.
//
// The same bytes also go through the line splitting every text file from the host goes
// through, handed out a few bytes at a time so that lines cross every buffer boundary, and
// checked against the plain rule: a line is what stands before the next line feed.
#include <algorithm>
#include <cstring>

#include "exchange/line_splitter.h"
#include "exchange/luid_writeback.h"
#include "fuzz_support.h"
#include "platform/file.h"
#include "platform/text.h"

using namespace pim;

namespace {

template <class Array>
void MarkWaiting(Array& records, uint8_t pattern) {
  for (size_t i = 0; i < records.size(); ++i) {
    if ((pattern >> i) & 1) records[i]->m_strLuid.clear();
  }
}

// A LUID taken from the file is a value of the line splitting: trimmed at both ends.
template <class Array>
void CheckLuids(const Array& records) {
  for (const auto& record : records) {
    if (platform::Trim(record->m_strLuid) != record->m_strLuid) {
      fuzz::Fail("a LUID was taken with white space around it");
    }
    if (record->m_strLuid.find('\n') != std::string::npos) {
      fuzz::Fail("a LUID was taken across a line end");
    }
  }
}

class PiecewiseSource final : public platform::ByteSource {
 public:
  PiecewiseSource(std::string_view data, size_t piece) : data_(data), piece_(piece) {}
  size_t ReadSome(void* buffer, size_t capacity) override {
    const size_t n = std::min({capacity, piece_, data_.size()});
    if (n != 0) std::memcpy(buffer, data_.data(), n);
    data_.remove_prefix(n);
    return n;
  }

 private:
  std::string_view data_;
  size_t piece_;
};

std::string_view PlainTrim(std::string_view text) {
  const auto blank = [](char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
  };
  while (!text.empty() && blank(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && blank(text.back()))
    text.remove_suffix(1);
  return text;
}

void CheckLineSplitting(std::string_view bytes, size_t piece) {
  PiecewiseSource lines_source(bytes, piece);
  platform::LineReader lines(lines_source);
  PiecewiseSource properties_source(bytes, piece);
  PropertyReader properties(properties_source);
  std::string_view rest = bytes;
  std::string line;
  while (lines.Next(line)) {
    if (rest.empty()) fuzz::Fail("a line after the end of the text");
    const size_t lf = rest.find('\n');
    const std::string_view expected = rest.substr(0, lf);
    rest.remove_prefix(lf == std::string_view::npos ? rest.size() : lf + 1);
    if (line != expected) fuzz::Fail("a line read otherwise than it stands");

    const std::string_view trimmed = PlainTrim(expected);
    const size_t colon = trimmed.find(':');
    if (colon == std::string_view::npos) continue;
    std::string_view name;
    std::string_view value;
    if (!properties.Next(name, value)) fuzz::Fail("a property line was skipped");
    if (name != trimmed.substr(0, colon) || value != PlainTrim(trimmed.substr(colon + 1))) {
      fuzz::Fail("a property line split otherwise than at its first colon");
    }
  }
  if (!rest.empty()) fuzz::Fail("text left unread");
  std::string_view name;
  std::string_view value;
  if (properties.Next(name, value)) fuzz::Fail("a property after the last line");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::Init();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string answers = fuzz::ScratchFile("answers.txt");
  const uint8_t control = fuzz::ControlByte(data, size);
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  CheckLineSplitting(bytes, 1 + size % 13);

  CalendarArray calendar;
  ContactArray contacts;
  fuzz::MakeSampleArrays(calendar, contacts);
  MarkWaiting(calendar, control & 7);
  MarkWaiting(contacts, (control >> 3) & 7);
  fuzz::WriteBytes(answers, bytes);

  // Only file errors fail, and the answer file is there.
  int32_t contact_result = 1;
  int32_t todo_result = 1;
  try {
    contact_result = AssignLuids(answers, contacts);
    todo_result = AssignLuids(answers, calendar);
  } catch (const Error&) {
    fuzz::Fail("a LUID write-back failed on an answer file that is there");
  }
  if ((contact_result != 0 && contact_result != 1) || (todo_result != 0 && todo_result != 1)) {
    fuzz::Fail("a LUID write-back gave a result of its own");
  }
  CheckLuids(calendar);
  CheckLuids(contacts);
  fuzz::CheckRoundTrip(calendar, contacts);
  return 0;
}
