// Small helpers shared by the tests.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pim::test {

// Sets TZ for the life of the object (and calls tzset), then puts back what was there.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* tz);
  ~ScopedTimeZone();
  ScopedTimeZone(const ScopedTimeZone&) = delete;
  ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

 private:
  std::optional<std::string> old_;
};

// Time zones written as POSIX rules, so that no time-zone database is needed.
inline constexpr const char* kUtc = "UTC0";
inline constexpr const char* kOneHourEast = "<+01>-1";  // no daylight saving
inline constexpr const char* kCentralEurope = "CET-1CEST,M3.5.0,M10.5.0/3";
inline constexpr const char* kUsEastern = "EST5EDT,M3.2.0,M11.1.0";

// Bytes from hex text: pairs of hex digits; white space between them is ignored.
std::string Hex(std::string_view text);
// Hex text of bytes, two digits a byte, a blank between bytes: for readable failures.
std::string ToHex(std::string_view bytes);

// A fresh, empty folder, removed with its content when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string File(std::string_view name) const { return path_ + "/" + std::string(name); }

 private:
  std::string path_;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, std::string_view bytes);

}  // namespace pim::test
