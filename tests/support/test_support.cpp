#include "support/test_support.h"

#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace pim::test {

ScopedTimeZone::ScopedTimeZone(const char* tz) {
  if (const char* old = std::getenv("TZ")) {
    had_old_ = true;
    old_ = old;
  }
  ::setenv("TZ", tz, 1);
  ::tzset();
}

ScopedTimeZone::~ScopedTimeZone() {
  if (had_old_) {
    ::setenv("TZ", old_.c_str(), 1);
  } else {
    ::unsetenv("TZ");
  }
  ::tzset();
}

std::string Hex(std::string_view text) {
  std::string out;
  int pending = -1;
  for (char c : text) {
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else if (c == ' ' || c == '\n' || c == '\t') {
      continue;
    } else {
      throw std::invalid_argument("not a hex digit");
    }
    if (pending < 0) {
      pending = digit;
    } else {
      out += static_cast<char>(pending * 16 + digit);
      pending = -1;
    }
  }
  if (pending >= 0) throw std::invalid_argument("odd number of hex digits");
  return out;
}

std::string ToHex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (i != 0) out += ' ';
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
  return out;
}

TempDir::TempDir(Where where) {
  std::string base = std::filesystem::temp_directory_path().string();
  if (where == Where::kMemory && ::access("/dev/shm", W_OK | X_OK) == 0) base = "/dev/shm";
  std::string pattern = base + "/pimtest.XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("cannot make a folder under " + base + ": " + std::strerror(errno));
  }
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteFile(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot write " + path);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace pim::test
