// The library's dynamic symbol table: a host sees the 19 functions of the public header and
// nothing else.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>

#include "support/handler_host.h"

namespace pim::test {
namespace {

struct Symbol {
  char type;
  std::string name;
};

// The defined symbols of the dynamic symbol table, as nm lists them.
std::vector<Symbol> DefinedDynamicSymbols(const std::string& path) {
  std::vector<Symbol> symbols;
  const std::string command = "nm -D --defined-only '" + path + "' 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) {
    ADD_FAILURE() << "cannot run nm";
    return symbols;
  }
  char line[1024];
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    std::istringstream fields(line);
    std::string address, type, name;
    if (!(fields >> address >> type >> name)) {
      ADD_FAILURE() << "unexpected nm line: " << line;
      continue;
    }
    // Drop a symbol version ("name@@VERS"): the name is what a host asks for.
    const size_t at = name.find('@');
    if (at != std::string::npos) name.resize(at);
    symbols.push_back({type[0], name});
  }
  EXPECT_EQ(::pclose(pipe), 0) << "nm failed";
  return symbols;
}

TEST(HandlerExports, ExportsExactlyTheFunctionsOfThePublicHeader) {
  const std::vector<Symbol> symbols = DefinedDynamicSymbols(HandlerLibraryPath());
  std::set<std::string> global;
  for (const Symbol& symbol : symbols) {
    // Lower-case types are local; a dynamic table should not even list those.
    EXPECT_TRUE(std::isupper(static_cast<unsigned char>(symbol.type)))
        << symbol.name << " is listed as local (" << symbol.type << ")";
    EXPECT_EQ(symbol.type, 'T') << symbol.name << " is not a function in the text section";
    global.insert(symbol.name);
  }
  const std::set<std::string> expected(ExportedFunctionNames().begin(),
                                       ExportedFunctionNames().end());
  ASSERT_EQ(expected.size(), 19u);
  EXPECT_EQ(global, expected);
  EXPECT_EQ(symbols.size(), expected.size()) << "a name is listed twice";
}

TEST(HandlerExports, AHostResolvesEveryFunction) {
  // Handler() loads the library with RTLD_NOW and fails the test for any name it cannot find.
  const HandlerApi& api = Handler();
  EXPECT_NE(api.Init, nullptr);
  EXPECT_NE(api.SetDebugOutputHook, nullptr);
}

}  // namespace
}  // namespace pim::test
