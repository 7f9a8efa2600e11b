// One whole sync run, driven as a real host drives it, with the fake phone playing the phone:
// the handler and the fake phone are two instances of the library, in two processes, each
// reached only through its exported C functions.
#pragma once

#include <cstdint>
#include <string>

namespace pim::cli {

// How many records of each kind the phone holds, unless told otherwise.
inline constexpr int32_t kDefaultPhoneLimit = 200;

struct SyncOptions {
  std::string contacts_db;
  std::string calendar_db;  // empty: the contact database
  std::string phone_db;
  std::string store;
  int32_t mode = 2;  // deletions made on one side are made on the other
  int32_t contact_limit = kDefaultPhoneLimit;
  int32_t calendar_limit = kDefaultPhoneLimit;
  std::string keep_dir;  // empty: the exchanged files live in a temporary folder
  std::string library;   // empty: libpimhandler.so beside the binary
  bool debug = false;
  bool report = true;  // false: no looks at the databases, nothing printed but messages
};

// Runs the sync and prints the report. 0 only when every entry point returned 0.
int RunSync(const SyncOptions& options);

}  // namespace pim::cli
