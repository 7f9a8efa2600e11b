#include "handler_library.h"

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <stdexcept>

namespace pim::cli {
namespace {

std::vector<const char*>& Registered() {
  static std::vector<const char*> names;
  return names;
}

}  // namespace

size_t HandlerLibrary::Register(const char* name) {
  Registered().push_back(name);
  return Registered().size() - 1;
}

std::string HandlerLibrary::DefaultPath() {
  char self[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return "libpimhandler.so";
  std::string folder(self, static_cast<size_t>(n));
  folder.erase(folder.rfind('/') + 1);
  // Beside the program, as the build leaves them, then where an installation puts libraries.
  const std::string tried[] = {folder + "libpimhandler.so", folder + PIMSYNC_INSTALLED_LIBRARY};
  for (const std::string& path : tried) {
    if (::access(path.c_str(), F_OK) == 0) return path;
  }
  throw std::runtime_error("cannot find the handler library: neither " + tried[0] + " nor " +
                           tried[1] + " is there; give its path with --library");
}

HandlerLibrary::HandlerLibrary(const std::string& path) : path_(path) {
  handle_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* error = ::dlerror();
    throw std::runtime_error("cannot load the handler library: " +
                             std::string(error != nullptr ? error : path));
  }
  try {
    Resolve(Registered().size());
  } catch (...) {
    ::dlclose(handle_);
    throw;
  }
}

HandlerLibrary::~HandlerLibrary() {
  if (handle_ != nullptr) ::dlclose(handle_);
}

void HandlerLibrary::Resolve(size_t slots) {
  for (size_t slot = symbols_.size(); slot < slots; ++slot) {
    const char* name = Registered()[slot];
    void* symbol = ::dlsym(handle_, name);
    if (symbol == nullptr) {
      throw std::runtime_error("the handler library " + path_ + " lacks " + name);
    }
    symbols_.push_back(symbol);
  }
}

void* HandlerLibrary::Symbol(size_t slot) {
  if (slot >= symbols_.size()) Resolve(slot + 1);
  return symbols_[slot];
}

}  // namespace pim::cli
