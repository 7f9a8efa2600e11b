#include "command_line.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace pim::cli {

bool ParsedArguments::HasFlag(std::string_view name) const {
  return std::find(flags.begin(), flags.end(), name) != flags.end();
}

const std::string* ParsedArguments::Value(std::string_view name) const {
  for (const auto& [option, value] : values) {
    if (option == name) return &value;
  }
  return nullptr;
}

ParsedArguments ParseArguments(std::span<const std::string> args,
                               std::span<const OptionSpec> options) {
  ParsedArguments parsed;
  bool options_ended = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (options_ended || arg.size() < 2 || arg[0] != '-') {
      parsed.plain.push_back(arg);
      parsed.ordered.push_back({"", arg});
      continue;
    }
    if (arg == "--") {
      options_ended = true;
      continue;
    }
    if (arg == "-h" || arg == "--help") {
      parsed.help = true;
      continue;
    }
    const size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    const auto option = std::find_if(options.begin(), options.end(),
                                     [&](const OptionSpec& s) { return s.name == name; });
    if (option == options.end()) throw UsageError("unknown option " + name);
    if (option->kind == OptionSpec::kFlag) {
      if (equals != std::string::npos) throw UsageError(name + " takes no value");
      parsed.flags.push_back(name);
      continue;
    }
    std::string value;
    if (equals != std::string::npos) {
      value = arg.substr(equals + 1);
    } else if (i + 1 < args.size()) {
      value = args[++i];
    } else {
      throw UsageError(name + " needs a value");
    }
    if (option->kind == OptionSpec::kRepeated) {
      parsed.ordered.push_back({name, std::move(value)});
    } else if (parsed.Value(name) != nullptr) {
      throw UsageError(name + " given twice");
    } else {
      parsed.values.emplace_back(name, std::move(value));
    }
  }
  return parsed;
}

std::pair<std::string, std::string> SplitAssignment(const std::string& text,
                                                    std::string_view what) {
  const size_t equals = text.find('=');
  if (equals == std::string::npos) {
    throw UsageError(std::string(what) + " '" + text + "' is not NAME=VALUE");
  }
  if (equals == 0) throw UsageError(std::string(what) + " '" + text + "' has no name");
  return {text.substr(0, equals), text.substr(equals + 1)};
}

uint32_t ParseUnsigned32(const std::string& text, std::string_view what) {
  const bool digits =
      !text.empty() && text.size() <= 10 &&
      std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
  const unsigned long long value = digits ? std::strtoull(text.c_str(), nullptr, 10) : 0;
  if (value == 0 || value > UINT32_MAX) {
    throw UsageError(std::string(what) + " '" + text + "' is not a number from 1 to 4294967295");
  }
  return static_cast<uint32_t>(value);
}

double ParseFiniteNumber(const std::string& text, std::string_view what) {
  char* end = nullptr;
  errno = 0;
  const double value = text.empty() ? 0 : std::strtod(text.c_str(), &end);
  if (text.empty() || end != text.c_str() + text.size() || !std::isfinite(value) ||
      errno == ERANGE || std::isspace(static_cast<unsigned char>(text[0]))) {
    throw UsageError(std::string(what) + " '" + text + "' is not a finite number");
  }
  return value;
}

bool WantsHelp(std::span<const std::string> args, const std::string& usage) {
  for (const std::string& arg : args) {
    if (arg == "--") break;
    if (arg == "--help" || arg == "-h") {
      std::fputs(usage.c_str(), stdout);
      return true;
    }
  }
  return false;
}

const std::string& Required(const ParsedArguments& parsed, std::string_view name) {
  const std::string* value = parsed.Value(name);
  if (value == nullptr || value->empty()) {
    throw UsageError(std::string(name) + " is required");
  }
  return *value;
}

int32_t Number(const ParsedArguments& parsed, std::string_view name, int32_t fallback) {
  const std::string* value = parsed.Value(name);
  if (value == nullptr) return fallback;
  char* end = nullptr;
  errno = 0;
  const long number = std::strtol(value->c_str(), &end, 10);
  if (value->empty() || *end != '\0' || errno != 0 || number < INT32_MIN || number > INT32_MAX) {
    throw UsageError(std::string(name) + " takes a whole number, not '" + *value + "'");
  }
  return static_cast<int32_t>(number);
}

void NoPlainArguments(const ParsedArguments& parsed) {
  if (!parsed.plain.empty()) throw UsageError("unexpected argument '" + parsed.plain[0] + "'");
}

}  // namespace pim::cli
