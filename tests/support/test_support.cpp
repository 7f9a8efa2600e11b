#include "support/test_support.h"

#include <stdlib.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace pim::test {

ScopedTimeZone::ScopedTimeZone(const char* tz) {
  if (const char* old = std::getenv("TZ")) old_ = old;
  ::setenv("TZ", tz, 1);
  ::tzset();
}

ScopedTimeZone::~ScopedTimeZone() {
  old_ ? ::setenv("TZ", old_->c_str(), 1) : ::unsetenv("TZ");
  ::tzset();
}

std::string Hex(std::string_view text) {
  std::string digits;
  for (const char c : text) {
    if (!std::isspace(static_cast<unsigned char>(c))) digits += c;
  }
  std::string out;
  for (size_t i = 0; i < digits.size(); i += 2)
    out += static_cast<char>(std::stoi(digits.substr(i, 2), nullptr, 16));
  return out;
}

std::string ToHex(std::string_view bytes) {
  std::string out;
  char two[4];
  for (const char byte : bytes) {
    std::snprintf(two, sizeof two, out.empty() ? "%02X" : " %02X",
                  static_cast<unsigned char>(byte));
    out += two;
  }
  return out;
}

TempDir::TempDir() {
  std::string pattern = std::filesystem::temp_directory_path().string() + "/pimtest.XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error(std::strerror(errno));
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
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
