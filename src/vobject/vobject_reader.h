// Fills a scratch record from the properties of a phone's vCard or VTODO text. The callers
// split the lines and handle BEGIN and END; the readers get every other property as a name
// (parameters included, untrimmed) and a trimmed value, taken literally.
#pragma once

#include <string_view>

#include "records/cal_entry_object.h"
#include "records/contact_object.h"

namespace pim {

// `bLuidOnly` is cleared by every property that carries record content. Returns false only
// for a VERSION other than 2.1.
bool ReadVCardProperty(CContactObject& record, std::string_view name, std::string_view value,
                       bool& bLuidOnly);

// Always returns true. Repeat rules from the phone are not read.
bool ReadVCalendarProperty(CCalEntryObject& record, std::string_view name, std::string_view value,
                           bool& bLuidOnly);

}  // namespace pim
