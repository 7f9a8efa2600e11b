// How the exported functions tell the user of a failure: message boxes, never a log file.
#pragma once

#include "platform/error.h"

namespace pim::handler {

// The caption of a report: none (the platform's default title) or the empty title.
enum class Caption { kDefault, kEmpty };

// A Notes status by its message text, and a text as it stands, in a task-modal box with the
// caption; a file error (its cause and the file) in a plain box with an OK button and the
// default title. A damaged store and lack of memory are not told.
void Report(const Error& error, Caption caption) noexcept;

}  // namespace pim::handler
