// libpimhandler.so loaded at run time, the way a synchronisation host loads it: every
// entry point reached through dlsym, nothing linked in.
//
// An entry point is named only where it is called, through PIM_ENTRY:
//
//   PIM_ENTRY(library, PIMHandler_Init)()
//
// takes its type and name from the declaration in pim_handler.h. Every entry point so named
// anywhere in pimsync is gathered before main runs, and loading the library looks each of them
// up once: a library that lacks one fails at load, before any of it has run.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

#include "pim_handler.h"

namespace pim::cli {

// An entry point's name as a template argument.
template <size_t N>
struct EntryName {
  // Not explicit: a name's literal stands for it in the template argument list.
  constexpr EntryName(const char (&name)[N]) { std::copy_n(name, N, text); }
  char text[N];
};

class HandlerLibrary {
 public:
  // libpimhandler.so in the folder of the running pimsync binary, or libpimhandler.so.1 in the
  // library folder of its installation (../lib); throws std::runtime_error naming both when
  // neither is there.
  static std::string DefaultPath();

  // Loads the library; a library that cannot be loaded, or lacks an entry point that pimsync
  // calls, throws std::runtime_error naming the library and what failed.
  explicit HandlerLibrary(const std::string& path);
  ~HandlerLibrary();
  HandlerLibrary(const HandlerLibrary&) = delete;
  HandlerLibrary& operator=(const HandlerLibrary&) = delete;

  // The entry point `Name`, of the type `Function` (see PIM_ENTRY).
  template <class Function, EntryName Name>
  Function Entry() {
    return reinterpret_cast<Function>(Symbol(kSlot<Name>));
  }

 private:
  // Adds a name to those every load looks up and returns its place among them. Runs before
  // main, once for each entry point named in pimsync.
  static size_t Register(const char* name);
  template <EntryName Name>
  static inline const size_t kSlot = Register(Name.text);

  // The entry point registered at `slot`. One registered only after the load (C++ lets an
  // implementation put off such a registration until the first call) is looked up then.
  void* Symbol(size_t slot);
  void Resolve(size_t slots);

  std::string path_;
  void* handle_ = nullptr;
  std::vector<void*> symbols_;  // in the order of registration
};

}  // namespace pim::cli

// The entry point `function` of pim_handler.h in `library`, ready to call.
#define PIM_ENTRY(library, function) (library).Entry<decltype(&function), #function>()
