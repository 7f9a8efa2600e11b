// A test host for libpimhandler.so: loads the built library the way a synchronisation host
// does (dlopen, then dlsym of every exported function) and captures what the library shows the
// user (message boxes) and writes to the debug output; the same captures serve the library
// linked into the test program.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "pim_handler.h"

namespace pim::test {

// The library's exported functions, as resolved from the loaded object.
struct HandlerApi {
  int32_t (*Init)(void);
  void (*Deinit)(void);
  int32_t (*Prepare)(int32_t, int32_t, int32_t, const char*, const char*, const char*, const char*,
                     const char*);
  int32_t (*QueryObjectCount)(uint32_t*, uint32_t*);
  int32_t (*RetrievePIM)(void);
  int32_t (*DumpSyncObjectStore)(const char*);
  int32_t (*SyncVCard)(const char*, const char*);
  int32_t (*SyncVCal)(const char*, const char*);
  int32_t (*UpdatePIM)(void);
  int32_t (*UpdateVCardLUID)(const char*);
  int32_t (*UpdateVCalLUID)(const char*);
  int32_t (*PurgeAll)(void);
  int32_t (*InitAsFakePhone)(const char*, const char*);
  int32_t (*SyncCardAsFakePhone)(const char*, const char*);
  int32_t (*SyncCalAsFakePhone)(const char*, const char*);
  int32_t (*DeinitAsFakePhone)(void);
  int32_t (*DumpSyncObjectStoreAsFakePhone)(const char*, const char*, const char*);
  void (*SetMessageBoxHook)(PIMPlatform_MessageBoxHook);
  void (*SetDebugOutputHook)(PIMPlatform_DebugOutputHook);
};

// The names of the 19 exported functions, in the order of HandlerApi.
const std::vector<std::string>& ExportedFunctionNames();

// The path of the built libpimhandler.so.
const char* HandlerLibraryPath();

// Loads the library once per process (RTLD_NOW | RTLD_LOCAL), resolves every function and
// sets both platform hooks to the captures below. A function that cannot be resolved fails the
// calling test fatally.
const HandlerApi& Handler();

// The same functions of the library linked into the test program, where the Notes stand-in
// can be made to fail and the module's state can be looked at.
const HandlerApi& InProcessHandler();

// True until the first test of this process has called Handler(): the loaded module still
// holds its state as it was at load.
bool HandlerFreshlyLoaded();

// One message box as the library asked for it.
struct CapturedBox {
  bool owner_is_null = true;
  std::string text;
  bool caption_is_null = true;
  std::string caption;  // "" when the caption pointer was null
  unsigned int style = 0;

  friend bool operator==(const CapturedBox&, const CapturedBox&) = default;
};
void PrintTo(const CapturedBox& box, std::ostream* os);

// What the hooks saw since the last ClearCaptures.
std::vector<CapturedBox>& CapturedBoxes();
std::vector<std::string>& CapturedDebugLines();
void ClearCaptures();

// The hook functions themselves, for tests that call the core library in-process.
int CaptureMessageBox(void* owner, const char* text, const char* caption, unsigned int style);
void CaptureDebugOutput(const char* text);

// Points the hooks of the library linked into the test program (not the loaded one) at the
// captures while it lives (or an outer one does), starting with none captured; what was
// captured stays readable.
class InProcessCapture {
 public:
  InProcessCapture();
  ~InProcessCapture();
  InProcessCapture(const InProcessCapture&) = delete;
  InProcessCapture& operator=(const InProcessCapture&) = delete;
  const std::vector<CapturedBox>& boxes() const { return CapturedBoxes(); }
  void Clear() { ClearCaptures(); }
};

// The box a report shows: `text` with no owner window, the caption (nullptr for none) and the
// style.
CapturedBox ExpectedBox(std::string text, const char* caption, unsigned int style);
// Boxes as a failure message names them.
std::string DescribeBoxes(const std::vector<CapturedBox>& boxes);
// Exactly one box, equal to `expected`.
testing::AssertionResult OneBox(const std::vector<CapturedBox>& boxes, const CapturedBox& expected);
testing::AssertionResult NoBox(const std::vector<CapturedBox>& boxes);

}  // namespace pim::test
