#include "platform/platform.h"

#include <sys/stat.h>

#include <atomic>
#include <cstdio>

namespace pim::platform {
namespace {

std::atomic<MessageBoxHook> g_message_box_hook{nullptr};
std::atomic<DebugOutputHook> g_debug_output_hook{nullptr};

}  // namespace

void SetMessageBoxHook(MessageBoxHook hook) {
  g_message_box_hook.store(hook);
}

void SetDebugOutputHook(DebugOutputHook hook) {
  g_debug_output_hook.store(hook);
}

int MessageBoxA(void* owner, const char* text, const char* caption, unsigned int style) {
  if (MessageBoxHook hook = g_message_box_hook.load()) return hook(owner, text, caption, style);
  std::fprintf(stderr, "%s: %s\n", caption ? caption : "Error", text ? text : "");
  std::fflush(stderr);
  return kIdOk;
}

void OutputDebugStringA(const char* text) {
  if (DebugOutputHook hook = g_debug_output_hook.load()) hook(text ? text : "");
}

bool DebugOutputWanted() {
  return g_debug_output_hook.load() != nullptr;
}

bool PathExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

}  // namespace pim::platform
