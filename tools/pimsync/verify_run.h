// Whether Notes and the phone hold the same records: each side as the handler reads it, the two
// compared through the pairs the last run's store recorded.
#pragma once

#include <string>

namespace pim::cli {

// verify's exit statuses: the sides agree, they differ, or it cannot tell.
inline constexpr int kVerifyAgree = 0;
inline constexpr int kVerifyDiffer = 1;
inline constexpr int kVerifyUnknown = 2;

struct VerifyOptions {
  std::string contacts_db;
  std::string calendar_db;  // empty: the contact database
  std::string phone_db;
  std::string store;
  std::string library;  // empty: libpimhandler.so beside the binary
  bool json = false;
};

// Prints what differs and returns one of the statuses above.
int RunVerify(const VerifyOptions& options);

}  // namespace pim::cli
