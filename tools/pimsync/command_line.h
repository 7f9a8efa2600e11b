// Small helpers that every pimsync command uses to read its arguments: options with and
// without values, repeatable options, plain arguments, and the numbers in them. A bad argument
// is a UsageError, which main prints as one line.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pim::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // the work failed (a Notes call, a file)
inline constexpr int kExitUsage = 2;    // the command line was wrong

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct OptionSpec {
  enum Kind { kFlag, kValue, kRepeated };
  std::string_view name;  // with its dashes: "--json"
  Kind kind;
};

// One argument in the order given: a plain argument (option empty) or a repeated option.
struct OrderedArgument {
  std::string option;
  std::string value;
};

struct ParsedArguments {
  bool help = false;  // -h or --help anywhere before "--"
  std::vector<std::string> plain;
  std::vector<std::pair<std::string, std::string>> values;  // options given once, with a value
  std::vector<std::string> flags;
  std::vector<OrderedArgument> ordered;  // plain arguments and repeated options, as given

  bool HasFlag(std::string_view name) const;
  // The option's value, or null when it was not given.
  const std::string* Value(std::string_view name) const;
};

// Reads "--name VALUE", "--name=VALUE", flags and plain arguments; "--" makes every later
// argument plain. An unknown option, a missing value or a value option given twice is a
// UsageError.
ParsedArguments ParseArguments(std::span<const std::string> args,
                               std::span<const OptionSpec> options);

// "NAME=VALUE" split at the first '='; no '=' or an empty name is a UsageError that names
// `what` ("item", ...).
std::pair<std::string, std::string> SplitAssignment(const std::string& text, std::string_view what);

// A decimal number from 1 to 4294967295, nothing else around it.
uint32_t ParseUnsigned32(const std::string& text, std::string_view what);
// A finite decimal number, nothing else around it.
double ParseFiniteNumber(const std::string& text, std::string_view what);

// Prints `usage` when the arguments ask for help (-h or --help before "--").
bool WantsHelp(std::span<const std::string> args, const std::string& usage);
// The value of a required option; missing or empty is a UsageError.
const std::string& Required(const ParsedArguments& parsed, std::string_view name);
// The option's whole number, `fallback` when it is not given.
int32_t Number(const ParsedArguments& parsed, std::string_view name, int32_t fallback);
void NoPlainArguments(const ParsedArguments& parsed);

// Shows the command's help when it is asked for, else runs `body` on the parsed arguments; a
// usage error becomes one line and exit status 2.
template <class Body>
int RunCommand(const char* command, const std::string& usage, std::span<const OptionSpec> options,
               std::span<const std::string> args, Body&& body) {
  if (WantsHelp(args, usage)) return kExitOk;
  try {
    return body(ParseArguments(args, options));
  } catch (const UsageError& e) {
    std::fprintf(stderr, "pimsync: %s: %s (see 'pimsync %s --help')\n", command, e.what(), command);
    return kExitUsage;
  }
}

}  // namespace pim::cli
