// Plain file reading and writing with the failures the handler reports: every failing open,
// read, write or close throws a file Error, which names the cause and the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/error.h"

struct stat;

namespace pim::platform {

// A stream of bytes to read: ReadSome fills up to `capacity` bytes and returns how many it
// gave, 0 only at the end.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual size_t ReadSome(void* buffer, size_t capacity) = 0;
};

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual void Write(const void* data, size_t size) = 0;
};

class MemorySource final : public ByteSource {
 public:
  explicit MemorySource(std::string_view data) : data_(data) {}
  size_t ReadSome(void* buffer, size_t capacity) override;

 private:
  std::string_view data_;
};

class StringSink final : public ByteSink {
 public:
  explicit StringSink(std::string& out) : out_(out) {}
  void Write(const void* data, size_t size) override;

 private:
  std::string& out_;
};

// A file opened for reading. A folder at the path is a file error, never an empty file.
class InputFile final : public ByteSource {
 public:
  explicit InputFile(const std::string& path);
  ~InputFile() override;
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  size_t ReadSome(void* buffer, size_t capacity) override;
  const std::string& path() const { return path_; }

 private:
  int fd_ = -1;
  std::string path_;
};

// A file created anew (or truncated) for writing, written through a buffer. Close flushes and
// reports a failure; the destructor writes out and closes silently what was not closed.
class OutputFile final : public ByteSink {
 public:
  enum class Sync { kNo, kYes };  // kYes: Close waits until the data is on the disk
  // kNew: the file must not exist yet, and a link at the path is not followed.
  enum class Create { kTruncate, kNew };
  // With `like` (kNew only), the new file takes the permission bits of that existing file and,
  // where the process may set it, its owner, before anything is written to it.
  explicit OutputFile(const std::string& path, Sync sync = Sync::kNo,
                      Create create = Create::kTruncate, const struct stat* like = nullptr);
  ~OutputFile() override;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  void Write(const void* data, size_t size) override;
  void Write(std::string_view text) { Write(text.data(), text.size()); }
  void Close();
  const std::string& path() const { return path_; }

 private:
  void Flush();

  int fd_ = -1;
  std::string path_;
  Sync sync_;
  std::string buffer_;
};

// Reads a text source line by line; a line ends at a line feed, which is not part of it.
class LineReader {
 public:
  explicit LineReader(ByteSource& source) : source_(source) {}
  // False at the end of the source. The view stays valid until the next call.
  bool Next(std::string_view& line);
  bool Next(std::string& line);

 private:
  // Reads more of the source behind what is still unread; false at its end.
  bool Fill();

  ByteSource& source_;
  std::string buffer_;
  size_t pos_ = 0;   // the first unread byte of buffer_
  size_t size_ = 0;  // the bytes of buffer_ that hold data
  bool at_end_ = false;
};

}  // namespace pim::platform
