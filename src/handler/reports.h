// How the entry points tell the user of a failure: message boxes, never a log file.
#pragma once

#include <stdexcept>
#include <string>

#include "notesapi/lnglobal.h"
#include "platform/file.h"

namespace pim::handler {

// A failure that reaches the user as its text (the "thrown text" of the entry points).
class TextError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The caption of a report: none (the platform's default title) or the empty title.
enum class Caption { kDefault, kEmpty };

// The status's message text in a task-modal box.
void ReportNotesError(notes::LNSTATUS status, Caption caption);
// The text in a task-modal box.
void ReportText(const std::string& text, Caption caption);
// The file error's description (its cause and the file) in a plain box with an OK button.
void ReportFileError(const platform::FileError& error);

// Runs `body`; a thrown Notes status or text is reported with `caption` and gives 1.
template <class Body>
int32_t WithNotesReports(Caption caption, Body&& body) {
  try {
    return body();
  } catch (notes::LNSTATUS status) {
    ReportNotesError(status, caption);
  } catch (const TextError& text) {
    ReportText(text.what(), caption);
  }
  return 1;
}

}  // namespace pim::handler
