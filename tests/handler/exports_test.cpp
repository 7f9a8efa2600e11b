// The library's dynamic symbol table: a host sees the functions of the public header, each in
// the version node of the interface, and nothing else.
#include <cstdio>
#include <set>
#include <string>

#include "support/handler_host.h"

namespace pim::test {
namespace {

TEST(HandlerExports, ExportsExactlyTheFunctionsOfThePublicHeader) {
  const std::string command = std::string("nm -D --defined-only '") + HandlerLibraryPath() + "'";
  FILE* pipe = ::popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::multiset<std::string> exported;
  char address[64], type[8], name[512];
  while (std::fscanf(pipe, "%63s %7s %511s", address, type, name) == 3)
    exported.insert(std::string(type) + " " + name);
  EXPECT_EQ(::pclose(pipe), 0);
  std::multiset<std::string> expected = {"A PIMHANDLER_1"};
#define PIM_NAME(member, function) expected.insert("T " #function "@@PIMHANDLER_1");
  PIM_EXPORTED_FUNCTIONS(PIM_NAME)
#undef PIM_NAME
  EXPECT_EQ(expected.size(), 21u);
  EXPECT_EQ(exported, expected);
}

}  // namespace
}  // namespace pim::test
