// The current local wall-clock time as a Notes date-time, for the stamp of each save.
#pragma once

#include "notesapi/lndatetime.h"

namespace pim::notes::detail {

LNDatetime CurrentLocalDatetime();

}  // namespace pim::notes::detail
