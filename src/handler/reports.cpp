#include "handler/reports.h"

#include "platform/platform.h"

namespace pim::handler {
namespace {

const char* CaptionText(Caption caption) {
  return caption == Caption::kEmpty ? "" : nullptr;
}

}  // namespace

void ReportNotesError(notes::LNSTATUS status, Caption caption) {
  char text[512];
  notes::LNGetErrorMessageText(status, text, sizeof text, 0);
  platform::MessageBoxA(nullptr, text, CaptionText(caption), platform::kMbTaskModal);
}

void ReportText(const std::string& text, Caption caption) {
  platform::MessageBoxA(nullptr, text.c_str(), CaptionText(caption), platform::kMbTaskModal);
}

void ReportFileError(const platform::FileError& error) {
  platform::MessageBoxA(nullptr, error.what(), nullptr, platform::kMbOk);
}

}  // namespace pim::handler
