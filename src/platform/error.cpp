#include "platform/error.h"

#include <cstring>
#include <utility>

namespace pim {

Error::Error(Kind kind, std::string text) : kind_(kind), text_(std::move(text)) {}

Error Error::NotesStatus(uint32_t status) {
  // Nothing allocated: a status is turned into an Error where memory may have run out.
  Error error(Kind::kNotesStatus, std::string());
  error.status_ = status;
  return error;
}

Error Error::Text(std::string text) {
  return Error(Kind::kText, std::move(text));
}

Error Error::File(int error, std::string path, std::string_view action) {
  return File(error, std::move(path), action, std::string(std::strerror(error)) + '.');
}

Error Error::File(int error, std::string path, std::string_view action, std::string_view why) {
  Error file(
      Kind::kFile,
      std::string("Cannot ").append(action).append(" \"").append(path).append("\": ").append(why));
  file.error_ = error;
  file.path_ = std::move(path);
  file.action_ = action;
  return file;
}

Error Error::DamagedArchive(std::string what) {
  return Error(Kind::kDamagedArchive, std::move(what));
}

Error Error::NoMemory() {
  return Error(Kind::kNoMemory, "not enough memory");
}

}  // namespace pim
