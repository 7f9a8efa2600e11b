#include "support/handler_host.h"

#include <dlfcn.h>

#include <cstdlib>
#include <cstring>

#include "notesapi/lnglobal.h"

#ifndef PIMHANDLER_PATH
#error "PIMHANDLER_PATH must name the built libpimhandler.so"
#endif

namespace pim::test {
namespace {

int CaptureMessageBox(void* owner, const char* text, const char* caption, unsigned int style) {
  CapturedBoxes().push_back({owner == nullptr, text != nullptr ? text : "", caption == nullptr,
                             caption != nullptr ? caption : "", style});
  return 1;
}

void CaptureDebugOutput(const char* text) {
  CapturedDebugLines().emplace_back(text != nullptr ? text : "");
}

std::string Describe(const std::vector<Box>& boxes) {
  std::string text = std::to_string(boxes.size()) + " box(es)";
  for (const Box& box : boxes) {
    text += "\n  [" + std::string(box.owner_is_null ? "" : "owner, ") +
            (box.caption_is_null ? "no caption" : '"' + box.caption + '"') + ", style " +
            std::to_string(box.style) + "] " + box.text;
  }
  return text;
}

}  // namespace

const char* HandlerLibraryPath() {
  return PIMHANDLER_PATH;
}

const HandlerApi& Handler() {
  static const HandlerApi api = [] {
    HandlerApi loaded{};
    void* library = dlopen(HandlerLibraryPath(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
      std::fprintf(stderr, "dlopen failed: %s\n", dlerror());
      std::abort();
    }
    // POSIX guarantees that an object pointer from dlsym converts to a function pointer.
#define PIM_RESOLVE(member, function)                                  \
  if (void* address = dlsym(library, #function); address != nullptr) { \
    std::memcpy(&loaded.member, &address, sizeof loaded.member);       \
  } else {                                                             \
    std::fprintf(stderr, "not exported: %s\n", #function);             \
    std::abort();                                                      \
  }
    PIM_EXPORTED_FUNCTIONS(PIM_RESOLVE)
#undef PIM_RESOLVE
    loaded.SetMessageBoxHook(&CaptureMessageBox);
    loaded.SetDebugOutputHook(&CaptureDebugOutput);
    return loaded;
  }();
  return api;
}

const HandlerApi& InProcessHandler() {
  static const HandlerApi api = [] {
#define PIM_ADDRESS(member, function) &function,
    const HandlerApi linked = {PIM_EXPORTED_FUNCTIONS(PIM_ADDRESS)};
#undef PIM_ADDRESS
    linked.SetMessageBoxHook(&CaptureMessageBox);
    linked.SetDebugOutputHook(&CaptureDebugOutput);
    return linked;
  }();
  return api;
}

std::vector<Box>& CapturedBoxes() {
  static std::vector<Box> boxes;
  return boxes;
}

std::vector<std::string>& CapturedDebugLines() {
  static std::vector<std::string> lines;
  return lines;
}

void ClearCaptures() {
  CapturedBoxes().clear();
  CapturedDebugLines().clear();
}

Box ExpectedBox(std::string text, const char* caption, unsigned int style) {
  return {true, std::move(text), caption == nullptr, caption != nullptr ? caption : "", style};
}

Box FileErrorBox(const std::string& action, const std::string& path, int error) {
  return ExpectedBox("Cannot " + action + " \"" + path + "\": " + std::strerror(error) + ".",
                     nullptr, 0);
}

Box NotesErrorBox(uint32_t status, const char* caption) {
  return ExpectedBox(notes::LNGetErrorMessage(status), caption, 0x2000);
}

testing::AssertionResult Boxes(const std::vector<Box>& expected) {
  if (CapturedBoxes() == expected) return testing::AssertionSuccess();
  return testing::AssertionFailure()
         << "expected " << Describe(expected) << "\n got " << Describe(CapturedBoxes());
}

}  // namespace pim::test
