#include "platform/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace pim::platform {
namespace {

constexpr size_t kBufferSize = 64 * 1024;

// Gives a file just created the owner and permission bits of `like`. The file was created
// readable by its owner alone, and its group bits never grant more than the old file granted to
// that group: its data is never readable by anyone the old file did not admit.
void TakeAccessOf(int fd, const struct stat& like) {
  mode_t mode = like.st_mode & 07777;
  if (::fchown(fd, like.st_uid, like.st_gid) != 0) {
    // Only root gives a file away; the group may still be ours to set.
    (void)::fchown(fd, static_cast<uid_t>(-1), like.st_gid);
    struct stat now {};
    if (::fstat(fd, &now) != 0 || now.st_gid != like.st_gid) {
      // Another group: it gets no more than everyone else.
      mode &= ~S_IRWXG | ((mode & S_IRWXO) << 3);
    }
  }
  // Should this fail, the file stays private, which loses nothing.
  (void)::fchmod(fd, mode);
}

}  // namespace

size_t MemorySource::ReadSome(void* buffer, size_t capacity) {
  const size_t n = capacity < data_.size() ? capacity : data_.size();
  if (n != 0) std::memcpy(buffer, data_.data(), n);
  data_.remove_prefix(n);
  return n;
}

void StringSink::Write(const void* data, size_t size) {
  out_.append(static_cast<const char*>(data), size);
}

InputFile::InputFile(const std::string& path) : path_(path) {
  if (path.empty()) throw Error::File(ENOENT, path, "open");
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) throw Error::File(errno, path, "open");
  struct stat st {};
  if (::fstat(fd_, &st) != 0 || S_ISDIR(st.st_mode)) {
    const int error = S_ISDIR(st.st_mode) ? EISDIR : errno;
    ::close(fd_);
    throw Error::File(error, path, "open");
  }
}

InputFile::~InputFile() {
  if (fd_ >= 0) ::close(fd_);
}

size_t InputFile::ReadSome(void* buffer, size_t capacity) {
  for (;;) {
    const ssize_t n = ::read(fd_, buffer, capacity);
    if (n >= 0) return static_cast<size_t>(n);
    if (errno != EINTR) throw Error::File(errno, path_, "read");
  }
}

OutputFile::OutputFile(const std::string& path, Sync sync, Create create, const struct stat* like)
    : path_(path), sync_(sync) {
  if (path.empty()) throw Error::File(ENOENT, path, "create");
  const int how = create == Create::kNew ? O_CREAT | O_EXCL | O_NOFOLLOW : O_CREAT | O_TRUNC;
  fd_ = ::open(path.c_str(), O_WRONLY | how | O_CLOEXEC, like != nullptr ? 0600 : 0666);
  if (fd_ < 0) throw Error::File(errno, path, "create");
  if (like != nullptr) TakeAccessOf(fd_, *like);
  buffer_.reserve(kBufferSize);
}

OutputFile::~OutputFile() {
  if (fd_ < 0) return;
  // A file left without Close (a failure elsewhere ended the work) still gets what was written
  // to it: the answers for the notes created before a Notes failure must reach the host.
  try {
    Flush();
  } catch (const Error&) {
  }
  ::close(fd_);
}

void OutputFile::Write(const void* data, size_t size) {
  if (buffer_.size() + size > kBufferSize) Flush();
  if (size >= kBufferSize) {
    buffer_.assign(static_cast<const char*>(data), size);
    Flush();
    return;
  }
  buffer_.append(static_cast<const char*>(data), size);
}

void OutputFile::Flush() {
  const char* p = buffer_.data();
  size_t left = buffer_.size();
  while (left > 0) {
    const ssize_t n = ::write(fd_, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw Error::File(errno, path_, "write");
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  buffer_.clear();
}

void OutputFile::Close() {
  if (fd_ < 0) return;
  Flush();
  if (sync_ == Sync::kYes && ::fsync(fd_) != 0) throw Error::File(errno, path_, "write");
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0 && errno != EINTR) throw Error::File(errno, path_, "write");
}

bool LineReader::Fill() {
  if (at_end_) return false;
  // Keep the unread tail at the front, then read behind it; the buffer grows only for a line
  // longer than itself.
  const size_t unread = size_ - pos_;
  if (pos_ > 0 && unread > 0) std::memmove(buffer_.data(), buffer_.data() + pos_, unread);
  pos_ = 0;
  size_ = unread;
  if (buffer_.size() < size_ + kBufferSize) buffer_.resize(size_ + kBufferSize);
  const size_t n = source_.ReadSome(buffer_.data() + size_, buffer_.size() - size_);
  size_ += n;
  if (n == 0) at_end_ = true;
  return n != 0;
}

bool LineReader::Next(std::string_view& line) {
  size_t scanned = 0;  // bytes after pos_ known to hold no line feed
  for (;;) {
    const char* begin = buffer_.data() + pos_;
    const void* lf = std::memchr(begin + scanned, '\n', size_ - pos_ - scanned);
    if (lf != nullptr) {
      const size_t length = static_cast<size_t>(static_cast<const char*>(lf) - begin);
      line = std::string_view(begin, length);
      pos_ += length + 1;
      return true;
    }
    scanned = size_ - pos_;
    if (!Fill()) break;
  }
  if (pos_ >= size_) return false;
  line = std::string_view(buffer_.data() + pos_, size_ - pos_);
  pos_ = size_;
  return true;
}

bool LineReader::Next(std::string& line) {
  std::string_view view;
  if (!Next(view)) return false;
  line.assign(view);
  return true;
}

}  // namespace pim::platform
