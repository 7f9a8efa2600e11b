#include "handler/reports.h"

#include "notesapi/lnglobal.h"
#include "platform/platform.h"

namespace pim::handler {

void Report(const Error& error, Caption caption) noexcept {
  const char* title = caption == Caption::kEmpty ? "" : nullptr;
  try {
    switch (error.kind()) {
      case Error::Kind::kNotesStatus: {
        char text[512];
        notes::LNGetErrorMessageText(error.status(), text, sizeof text, 0);
        platform::MessageBoxA(nullptr, text, title, platform::kMbTaskModal);
        break;
      }
      case Error::Kind::kText:
        platform::MessageBoxA(nullptr, error.what(), title, platform::kMbTaskModal);
        break;
      case Error::Kind::kFile:
        platform::MessageBoxA(nullptr, error.what(), nullptr, platform::kMbOk);
        break;
      case Error::Kind::kDamagedArchive:
      case Error::Kind::kNoMemory:
        break;
    }
  } catch (...) {
    // A report that cannot be made (no memory for the status's text) is dropped.
  }
}

}  // namespace pim::handler
