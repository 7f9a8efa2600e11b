// Runs the built pimsync binary as a user does: in a folder, standard input empty, its exit
// status and both outputs captured.
#pragma once

#include <string>
#include <vector>

#include "support/test_support.h"

namespace pim::test {

struct PimsyncResult {
  int exit_status = -1;
  std::string out;
  std::string err;
};

PimsyncResult RunPimsync(const TempDir& dir, const std::vector<std::string>& args);

std::vector<std::string> SplitLines(const std::string& text);

}  // namespace pim::test
