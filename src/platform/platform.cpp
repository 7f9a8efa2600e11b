#include "platform/platform.h"

#include <sys/stat.h>

#include <atomic>
#include <cstdio>

namespace pim::platform {
namespace {

// Where the host wants message boxes and debug output; set from any thread at any time.
struct Hooks {
  std::atomic<MessageBoxHook> message_box{nullptr};
  std::atomic<DebugOutputHook> debug_output{nullptr};
};
Hooks g_hooks;

}  // namespace

void SetMessageBoxHook(MessageBoxHook hook) {
  g_hooks.message_box.store(hook);
}

void SetDebugOutputHook(DebugOutputHook hook) {
  g_hooks.debug_output.store(hook);
}

int MessageBoxA(void* owner, const char* text, const char* caption, unsigned int style) {
  if (MessageBoxHook hook = g_hooks.message_box.load()) return hook(owner, text, caption, style);
  std::fprintf(stderr, "%s: %s\n", caption ? caption : "Error", text ? text : "");
  std::fflush(stderr);
  return kIdOk;
}

void OutputDebugStringA(const char* text) {
  if (DebugOutputHook hook = g_hooks.debug_output.load()) hook(text ? text : "");
}

bool DebugOutputWanted() {
  return g_hooks.debug_output.load() != nullptr;
}

bool PathExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

}  // namespace pim::platform
