#include "support/handler_host.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "platform/platform.h"

#ifndef PIMHANDLER_PATH
#error "PIMHANDLER_PATH must name the built libpimhandler.so"
#endif

namespace pim::test {
namespace {

template <class Function>
bool Resolve(void* library, const char* name, Function& function, std::string& missing) {
  dlerror();
  void* address = dlsym(library, name);
  if (address == nullptr) {
    missing += name;
    missing += ' ';
    return false;
  }
  // POSIX guarantees that an object pointer from dlsym converts to a function pointer.
  std::memcpy(&function, &address, sizeof function);
  return true;
}

struct LoadedHandler {
  HandlerApi api{};
  std::string error;
  bool used = false;
};

LoadedHandler& Load() {
  static LoadedHandler loaded = [] {
    LoadedHandler result;
    void* library = dlopen(HandlerLibraryPath(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
      const char* why = dlerror();
      result.error = std::string("dlopen failed: ") + (why != nullptr ? why : "?");
      return result;
    }
    HandlerApi& a = result.api;
    std::string missing;
    Resolve(library, "PIMHandler_Init", a.Init, missing);
    Resolve(library, "PIMHandler_Deinit", a.Deinit, missing);
    Resolve(library, "PIMHandler_Prepare", a.Prepare, missing);
    Resolve(library, "PIMHandler_QueryObjectCount", a.QueryObjectCount, missing);
    Resolve(library, "PIMHandler_RetrievePIM", a.RetrievePIM, missing);
    Resolve(library, "PIMHandler_DumpSyncObjectStore", a.DumpSyncObjectStore, missing);
    Resolve(library, "PIMHandler_SyncVCard", a.SyncVCard, missing);
    Resolve(library, "PIMHandler_SyncVCal", a.SyncVCal, missing);
    Resolve(library, "PIMHandler_UpdatePIM", a.UpdatePIM, missing);
    Resolve(library, "PIMHandler_UpdateVCardLUID", a.UpdateVCardLUID, missing);
    Resolve(library, "PIMHandler_UpdateVCalLUID", a.UpdateVCalLUID, missing);
    Resolve(library, "PIMHandler_PurgeAll", a.PurgeAll, missing);
    Resolve(library, "PIMHandler_InitAsFakePhone", a.InitAsFakePhone, missing);
    Resolve(library, "PIMHandler_SyncCardAsFakePhone", a.SyncCardAsFakePhone, missing);
    Resolve(library, "PIMHandler_SyncCalAsFakePhone", a.SyncCalAsFakePhone, missing);
    Resolve(library, "PIMHandler_DeinitAsFakePhone", a.DeinitAsFakePhone, missing);
    Resolve(library, "PIMHandler_DumpSyncObjectStoreAsFakePhone", a.DumpSyncObjectStoreAsFakePhone,
            missing);
    Resolve(library, "PIMPlatform_SetMessageBoxHook", a.SetMessageBoxHook, missing);
    Resolve(library, "PIMPlatform_SetDebugOutputHook", a.SetDebugOutputHook, missing);
    if (!missing.empty()) {
      result.error = "not exported: " + missing;
      return result;
    }
    a.SetMessageBoxHook(&CaptureMessageBox);
    a.SetDebugOutputHook(&CaptureDebugOutput);
    return result;
  }();
  return loaded;
}

}  // namespace

const std::vector<std::string>& ExportedFunctionNames() {
  static const std::vector<std::string> names = {
      "PIMHandler_Init",
      "PIMHandler_Deinit",
      "PIMHandler_Prepare",
      "PIMHandler_QueryObjectCount",
      "PIMHandler_RetrievePIM",
      "PIMHandler_DumpSyncObjectStore",
      "PIMHandler_SyncVCard",
      "PIMHandler_SyncVCal",
      "PIMHandler_UpdatePIM",
      "PIMHandler_UpdateVCardLUID",
      "PIMHandler_UpdateVCalLUID",
      "PIMHandler_PurgeAll",
      "PIMHandler_InitAsFakePhone",
      "PIMHandler_SyncCardAsFakePhone",
      "PIMHandler_SyncCalAsFakePhone",
      "PIMHandler_DeinitAsFakePhone",
      "PIMHandler_DumpSyncObjectStoreAsFakePhone",
      "PIMPlatform_SetMessageBoxHook",
      "PIMPlatform_SetDebugOutputHook",
  };
  return names;
}

const char* HandlerLibraryPath() {
  return PIMHANDLER_PATH;
}

const HandlerApi& Handler() {
  LoadedHandler& loaded = Load();
  if (!loaded.error.empty()) {
    ADD_FAILURE() << loaded.error;
    std::abort();
  }
  loaded.used = true;
  return loaded.api;
}

const HandlerApi& InProcessHandler() {
  static const HandlerApi api = {
      &PIMHandler_Init,
      &PIMHandler_Deinit,
      &PIMHandler_Prepare,
      &PIMHandler_QueryObjectCount,
      &PIMHandler_RetrievePIM,
      &PIMHandler_DumpSyncObjectStore,
      &PIMHandler_SyncVCard,
      &PIMHandler_SyncVCal,
      &PIMHandler_UpdatePIM,
      &PIMHandler_UpdateVCardLUID,
      &PIMHandler_UpdateVCalLUID,
      &PIMHandler_PurgeAll,
      &PIMHandler_InitAsFakePhone,
      &PIMHandler_SyncCardAsFakePhone,
      &PIMHandler_SyncCalAsFakePhone,
      &PIMHandler_DeinitAsFakePhone,
      &PIMHandler_DumpSyncObjectStoreAsFakePhone,
      &PIMPlatform_SetMessageBoxHook,
      &PIMPlatform_SetDebugOutputHook,
  };
  return api;
}

bool HandlerFreshlyLoaded() {
  return !Load().used;
}

std::vector<CapturedBox>& CapturedBoxes() {
  static std::vector<CapturedBox> boxes;
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

int CaptureMessageBox(void* owner, const char* text, const char* caption, unsigned int style) {
  CapturedBox box;
  box.owner_is_null = owner == nullptr;
  box.text = text != nullptr ? text : "";
  box.caption_is_null = caption == nullptr;
  box.caption = caption != nullptr ? caption : "";
  box.style = style;
  CapturedBoxes().push_back(std::move(box));
  return 1;
}

void CaptureDebugOutput(const char* text) {
  CapturedDebugLines().emplace_back(text != nullptr ? text : "");
}

namespace {

// How many InProcessCapture objects live: the hooks go when the last one does.
int& LiveCaptures() {
  static int live = 0;
  return live;
}

}  // namespace

InProcessCapture::InProcessCapture() {
  ClearCaptures();
  if (LiveCaptures()++ == 0) {
    platform::SetMessageBoxHook(&CaptureMessageBox);
    platform::SetDebugOutputHook(&CaptureDebugOutput);
  }
}

InProcessCapture::~InProcessCapture() {
  if (--LiveCaptures() == 0) {
    platform::SetMessageBoxHook(nullptr);
    platform::SetDebugOutputHook(nullptr);
  }
}

CapturedBox ExpectedBox(std::string text, const char* caption, unsigned int style) {
  CapturedBox box;
  box.text = std::move(text);
  box.caption_is_null = caption == nullptr;
  box.caption = caption != nullptr ? caption : "";
  box.style = style;
  return box;
}

std::string DescribeBoxes(const std::vector<CapturedBox>& boxes) {
  std::string text = std::to_string(boxes.size()) + " box(es):";
  for (const CapturedBox& box : boxes) {
    text += "\n  [" + std::string(box.owner_is_null ? "" : "owner, ") +
            (box.caption_is_null ? std::string("no caption") : '"' + box.caption + '"') +
            ", style " + std::to_string(box.style) + "] " + box.text;
  }
  return text;
}

void PrintTo(const CapturedBox& box, std::ostream* os) {
  *os << DescribeBoxes({box});
}

testing::AssertionResult OneBox(const std::vector<CapturedBox>& boxes,
                                const CapturedBox& expected) {
  if (boxes.size() == 1 && boxes.front() == expected) return testing::AssertionSuccess();
  return testing::AssertionFailure()
         << "expected one box " << DescribeBoxes({expected}) << "\n got " << DescribeBoxes(boxes);
}

testing::AssertionResult NoBox(const std::vector<CapturedBox>& boxes) {
  if (boxes.empty()) return testing::AssertionSuccess();
  return testing::AssertionFailure() << "expected no box, got " << DescribeBoxes(boxes);
}

}  // namespace pim::test
