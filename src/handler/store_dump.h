// The diagnostic dump of a store file.
#pragma once

#include <cstdint>
#include <string>

namespace pim::handler {

// Writes every record of the store file to the debug output, the to-dos first; 2 for a file
// whose first word is not the LUID mode.
int32_t DumpStore(const std::string& store_path);

}  // namespace pim::handler
