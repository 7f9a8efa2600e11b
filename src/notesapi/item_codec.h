// The stored form of a note's items and date-times. A note's items are kept as one blob in its
// row, so that reading a note is a single row fetch; date-times are kept as one integer whose
// order is the order of time.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "notesapi/lndatetime.h"
#include "notesapi/lnitem.h"

namespace pim::notes::detail {

// The digits YYYYMMDDhhmmsscc followed by the state: exact, and ascending with time.
int64_t PackDatetime(const LNDatetime& datetime);
// False when the number is not one that PackDatetime makes.
bool UnpackDatetime(int64_t packed, LNDatetime& datetime);
// The moment alone (YYYYMMDDhhmmsscc), for ordering entries whatever their state.
inline int64_t MomentKey(const LNDatetime& datetime) {
  return PackDatetime(datetime) / 10;
}
// The moment key of midnight that starts the day.
constexpr int64_t DayKey(int year, int month, int day) {
  return ((int64_t{year} * 100 + month) * 100 + day) * 100'000'000;
}

std::string EncodeItems(const std::vector<LNItem>& items);
// False when the blob is damaged; `items` then holds what was read before the damage.
bool DecodeItems(std::string_view blob, std::vector<LNItem>& items);

}  // namespace pim::notes::detail
