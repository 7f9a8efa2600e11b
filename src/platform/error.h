// The one error type of the library. Whatever fails below an exported function (a Notes call,
// a file, the store's bytes, memory) travels up as an Error of its kind, carrying what the
// report to the user needs; the exported function turns it into its result and, where the user
// must hear of it, a message box.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

namespace pim {

class Error : public std::exception {
 public:
  enum class Kind {
    kNotesStatus,     // a Notes call failed with status()
    kText,            // a failure told in words: what()
    kFile,            // a file could not be opened, read or written: error(), path(), action()
    kDamagedArchive,  // the store's bytes are malformed: what() says how
    kNoMemory,
  };

  static Error NotesStatus(uint32_t status);
  static Error Text(std::string text);
  // `error` is the errno value of the failure, told by the system's description of it.
  static Error File(int error, std::string path, std::string_view action);
  // The same with the cause told in words (`why`, a whole sentence).
  static Error File(int error, std::string path, std::string_view action, std::string_view why);
  static Error DamagedArchive(std::string what);
  static Error NoMemory();

  Kind kind() const { return kind_; }
  // The text a report shows: for a file, "Cannot ACTION "PATH": CAUSE"; empty for a Notes
  // status, whose text is the class library's.
  const char* what() const noexcept override { return text_.c_str(); }
  uint32_t status() const { return status_; }
  int error() const { return error_; }
  const std::string& path() const { return path_; }
  const std::string& action() const { return action_; }

 private:
  Error(Kind kind, std::string text);

  Kind kind_;
  std::string text_;
  uint32_t status_ = 0;
  int error_ = 0;
  std::string path_;
  std::string action_;
};

}  // namespace pim
