// A test host for libpimhandler.so: loads the built library the way a synchronisation host
// does (dlopen, then dlsym of every exported function) and captures what the library shows the
// user (message boxes) and writes to the debug output.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "pim_handler.h"

namespace pim::test {

// Every exported function, in the order of HandlerApi.
// clang-format off
#define PIM_EXPORTED_FUNCTIONS(X)                                                                \
  X(Init, PIMHandler_Init) X(Deinit, PIMHandler_Deinit) X(Prepare, PIMHandler_Prepare)          \
  X(QueryObjectCount, PIMHandler_QueryObjectCount) X(RetrievePIM, PIMHandler_RetrievePIM)        \
  X(DumpSyncObjectStore, PIMHandler_DumpSyncObjectStore) X(SyncVCard, PIMHandler_SyncVCard)      \
  X(SyncVCal, PIMHandler_SyncVCal) X(UpdatePIM, PIMHandler_UpdatePIM)                            \
  X(UpdateVCardLUID, PIMHandler_UpdateVCardLUID) X(UpdateVCalLUID, PIMHandler_UpdateVCalLUID)    \
  X(PurgeAll, PIMHandler_PurgeAll) X(SetCalendarRange, PIMHandler_SetCalendarRange)              \
  X(InitAsFakePhone, PIMHandler_InitAsFakePhone)                                                 \
  X(SyncCardAsFakePhone, PIMHandler_SyncCardAsFakePhone)                                         \
  X(SyncCalAsFakePhone, PIMHandler_SyncCalAsFakePhone)                                           \
  X(DeinitAsFakePhone, PIMHandler_DeinitAsFakePhone)                                             \
  X(DumpSyncObjectStoreAsFakePhone, PIMHandler_DumpSyncObjectStoreAsFakePhone)                   \
  X(SetMessageBoxHook, PIMPlatform_SetMessageBoxHook)                                            \
  X(SetDebugOutputHook, PIMPlatform_SetDebugOutputHook)
// clang-format on

struct HandlerApi {
#define PIM_MEMBER(member, function) decltype(&function) member;
  PIM_EXPORTED_FUNCTIONS(PIM_MEMBER)
#undef PIM_MEMBER
};

const char* HandlerLibraryPath();
// The loaded library (once per process, RTLD_NOW | RTLD_LOCAL), both hooks set to the captures
// below. A function that cannot be resolved ends the test program.
const HandlerApi& Handler();
// The same functions of the core library linked into the test program, where Notes failures
// can be injected; its hooks point at the captures too.
const HandlerApi& InProcessHandler();

// One message box as the library asked for it.
struct Box {
  bool owner_is_null = true;
  std::string text;
  bool caption_is_null = true;
  std::string caption;
  unsigned int style = 0;
  friend bool operator==(const Box&, const Box&) = default;
};

// What the hooks saw since the last ClearCaptures.
std::vector<Box>& CapturedBoxes();
std::vector<std::string>& CapturedDebugLines();
void ClearCaptures();

// A box without owner: `caption` nullptr for none.
Box ExpectedBox(std::string text, const char* caption, unsigned int style);
// The file error report (`action` "open", "read", "create" or "write").
Box FileErrorBox(const std::string& action, const std::string& path, int error);
// The Notes error report of `status`.
Box NotesErrorBox(uint32_t status, const char* caption);
// Exactly the boxes given, since the last ClearCaptures.
testing::AssertionResult Boxes(const std::vector<Box>& expected);
inline testing::AssertionResult NoBoxes() {
  return Boxes({});
}

}  // namespace pim::test
