// JSON text for machine-readable output: strings escaped so that any text, even bytes that are
// not UTF-8, gives valid JSON, and numbers that JSON can hold.
#pragma once

#include <string>
#include <string_view>

namespace pim::cli {

// The text as a quoted JSON string. Bytes that do not form UTF-8 become U+FFFD.
std::string JsonString(std::string_view text);
// Whole numbers without a fraction, others with the digits that read back the same value;
// null for what JSON has no number for (infinities, NaN).
std::string JsonNumber(double value);

}  // namespace pim::cli
