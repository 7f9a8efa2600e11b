// The phone's LUIDs for the records sent to it as new, taken from the host's answer file in
// change-file order.
#pragma once

#include <cstdint>
#include <string>

#include "platform/error.h"
#include "records/cal_entry_object.h"
#include "records/contact_object.h"

namespace pim {

// Gives each record that waits for a LUID (its LUID is empty) the next LUID of the answer file.
// 1 when the file holds more LUIDs than records wait, or fewer; a file that fails throws a file
// Error.
int32_t AssignLuids(const std::string& answer_path, ContactArray& records);
int32_t AssignLuids(const std::string& answer_path, CalendarArray& records);

}  // namespace pim
