// Stand-ins for the platform services the handler was written against: message boxes, the
// debug output, the existence test of a path. Hosts replace the first two through hooks.
#pragma once

#include <string>

namespace pim::platform {

using MessageBoxHook = int (*)(void* owner, const char* text, const char* caption,
                               unsigned int style);
using DebugOutputHook = void (*)(const char* text);

// Message box styles the handler uses.
inline constexpr unsigned int kMbOk = 0x0000;
inline constexpr unsigned int kMbTaskModal = 0x2000;
inline constexpr int kIdOk = 1;

// A null hook restores the default behaviour.
void SetMessageBoxHook(MessageBoxHook hook);
void SetDebugOutputHook(DebugOutputHook hook);

// Without a hook: one line on stderr, "caption: text", with "Error" for a null caption and
// nothing for an empty one. Always answers IDOK, as a box with a single OK button does.
int MessageBoxA(void* owner, const char* text, const char* caption, unsigned int style);

// Without a hook the text goes nowhere, as when no debugger listens.
void OutputDebugStringA(const char* text);
// Whether debug output goes anywhere: spares building a text that nobody will read.
bool DebugOutputWanted();
inline void OutputDebugStringA(const std::string& text) {
  OutputDebugStringA(text.c_str());
}

// True when something (a regular file or a folder) exists at the path.
bool PathExists(const std::string& path);

}  // namespace pim::platform
