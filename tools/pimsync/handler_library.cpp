#include "handler_library.h"

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <stdexcept>

namespace pim::cli {
namespace {

template <class Function>
void Resolve(void* handle, const char* name, Function& function) {
  void* symbol = ::dlsym(handle, name);
  if (symbol == nullptr) {
    throw std::runtime_error(std::string("the handler library lacks ") + name);
  }
  function = reinterpret_cast<Function>(symbol);
}

}  // namespace

std::string HandlerLibrary::DefaultPath() {
  char self[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return "libpimhandler.so";
  std::string path(self, static_cast<size_t>(n));
  path.erase(path.rfind('/') + 1);
  return path + "libpimhandler.so";
}

HandlerLibrary::HandlerLibrary(const std::string& path) {
  handle_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* error = ::dlerror();
    throw std::runtime_error("cannot load the handler library: " +
                             std::string(error != nullptr ? error : path));
  }
  try {
    Resolve(handle_, "PIMHandler_Init", Init);
    Resolve(handle_, "PIMHandler_Deinit", Deinit);
    Resolve(handle_, "PIMHandler_Prepare", Prepare);
    Resolve(handle_, "PIMHandler_QueryObjectCount", QueryObjectCount);
    Resolve(handle_, "PIMHandler_RetrievePIM", RetrievePIM);
    Resolve(handle_, "PIMHandler_DumpSyncObjectStore", DumpSyncObjectStore);
    Resolve(handle_, "PIMHandler_SyncVCard", SyncVCard);
    Resolve(handle_, "PIMHandler_SyncVCal", SyncVCal);
    Resolve(handle_, "PIMHandler_UpdatePIM", UpdatePIM);
    Resolve(handle_, "PIMHandler_UpdateVCardLUID", UpdateVCardLUID);
    Resolve(handle_, "PIMHandler_UpdateVCalLUID", UpdateVCalLUID);
    Resolve(handle_, "PIMHandler_PurgeAll", PurgeAll);
    Resolve(handle_, "PIMHandler_InitAsFakePhone", InitAsFakePhone);
    Resolve(handle_, "PIMHandler_SyncCardAsFakePhone", SyncCardAsFakePhone);
    Resolve(handle_, "PIMHandler_SyncCalAsFakePhone", SyncCalAsFakePhone);
    Resolve(handle_, "PIMHandler_DeinitAsFakePhone", DeinitAsFakePhone);
    Resolve(handle_, "PIMHandler_DumpSyncObjectStoreAsFakePhone", DumpSyncObjectStoreAsFakePhone);
    Resolve(handle_, "PIMPlatform_SetMessageBoxHook", SetMessageBoxHook);
    Resolve(handle_, "PIMPlatform_SetDebugOutputHook", SetDebugOutputHook);
  } catch (...) {
    ::dlclose(handle_);
    throw;
  }
}

HandlerLibrary::~HandlerLibrary() {
  if (handle_ != nullptr) ::dlclose(handle_);
}

}  // namespace pim::cli
