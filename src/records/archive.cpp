#include "records/archive.h"

#include <algorithm>
#include <cstring>

#include "platform/text.h"

namespace pim {
namespace {

constexpr size_t kBufferSize = 64 * 1024;

constexpr uint16_t kNullTag = 0x0000;
constexpr uint16_t kNewClassTag = 0xFFFF;
constexpr uint16_t kClassTag = 0x8000;
constexpr uint16_t kBigObjectTag = 0x7FFF;
constexpr uint32_t kBigClassTag = 0x80000000u;
constexpr size_t kMaxClassNameLength = 63;

[[noreturn]] void Malformed(const char* what) {
  throw Error::DamagedArchive(what);
}

}  // namespace

CArchive::CArchive(platform::ByteSink& sink) : sink_(&sink) {
  buffer_.reserve(kBufferSize);
}

CArchive::CArchive(platform::ByteSource& source) : source_(&source) {}

void CArchive::Put(const void* data, size_t size) {
  buffer_.append(static_cast<const char*>(data), size);
  if (buffer_.size() >= kBufferSize) Flush();
}

void CArchive::Flush() {
  if (sink_ == nullptr || buffer_.empty()) return;
  sink_->Write(buffer_.data(), buffer_.size());
  buffer_.clear();
}

void CArchive::Get(void* data, size_t size) {
  if (buffer_.size() - pos_ >= size) {
    std::memcpy(data, buffer_.data() + pos_, size);
    pos_ += size;
    return;
  }
  GetSlow(data, size);
}

void CArchive::GetSlow(void* data, size_t size) {
  auto* out = static_cast<char*>(data);
  for (;;) {
    const size_t available = buffer_.size() - pos_;
    const size_t n = available < size ? available : size;
    std::memcpy(out, buffer_.data() + pos_, n);
    pos_ += n;
    out += n;
    size -= n;
    if (size == 0) return;
    buffer_.resize(kBufferSize);
    pos_ = 0;
    const size_t got = source_->ReadSome(buffer_.data(), kBufferSize);
    buffer_.resize(got);
    if (got == 0) Malformed("the store data ends early");
  }
}

void CArchive::WriteWord(uint16_t value) {
  const unsigned char bytes[2] = {static_cast<unsigned char>(value),
                                  static_cast<unsigned char>(value >> 8)};
  Put(bytes, 2);
}

void CArchive::WriteDword(uint32_t value) {
  const unsigned char bytes[4] = {
      static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
      static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
  Put(bytes, 4);
}

uint16_t CArchive::ReadWord() {
  unsigned char bytes[2];
  Get(bytes, 2);
  return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}

uint32_t CArchive::ReadDword() {
  unsigned char bytes[4];
  Get(bytes, 4);
  return uint32_t{bytes[0]} | (uint32_t{bytes[1]} << 8) | (uint32_t{bytes[2]} << 16) |
         (uint32_t{bytes[3]} << 24);
}

void CArchive::Dword(uint32_t& value) {
  if (IsStoring()) {
    WriteDword(value);
  } else {
    value = ReadDword();
  }
}

void CArchive::Dword(int32_t& value) {
  if (IsStoring()) {
    WriteDword(static_cast<uint32_t>(value));
  } else {
    value = static_cast<int32_t>(ReadDword());
  }
}

void CArchive::String(std::string& value) {
  if (IsStoring()) {
    const size_t length = value.size();
    if (length < 0xFF) {
      const auto byte = static_cast<unsigned char>(length);
      Put(&byte, 1);
    } else {
      const unsigned char marker = 0xFF;
      Put(&marker, 1);
      if (length < 0xFFFE) {
        WriteWord(static_cast<uint16_t>(length));
      } else {
        WriteWord(0xFFFF);
        WriteDword(static_cast<uint32_t>(length));
      }
    }
    Put(value.data(), length);
    return;
  }
  bool utf16 = false;
  const uint32_t length = ReadStringLength(utf16);
  if (!utf16) {
    ReadBytes(value, length);
    return;
  }
  std::string bytes;
  ReadBytes(bytes, uint64_t{length} * 2);
  std::u16string units(length, u'\0');
  for (uint32_t i = 0; i < length; ++i) {
    units[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                     (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  }
  value = platform::Utf16ToCodePage(units);
}

uint32_t CArchive::ReadStringLength(bool& utf16) {
  unsigned char byte = 0;
  Get(&byte, 1);
  if (byte < 0xFF) return byte;
  uint16_t word = ReadWord();
  if (word == 0xFFFE) {
    // A UTF-16 string: the length follows again, counting 16-bit units.
    utf16 = true;
    Get(&byte, 1);
    if (byte < 0xFF) return byte;
    word = ReadWord();
  }
  if (word < 0xFFFF) return word;
  return ReadDword();
}

void CArchive::ReadBytes(std::string& out, uint64_t size) {
  // Grow the string only as the bytes arrive: a damaged length must not allocate gigabytes
  // ahead of data that is not there.
  out.clear();
  while (size > 0) {
    if (pos_ == buffer_.size()) {
      char probe;
      GetSlow(&probe, 1);
      --pos_;
    }
    const size_t available = buffer_.size() - pos_;
    const size_t n = available < size ? available : static_cast<size_t>(size);
    out.append(buffer_, pos_, n);
    pos_ += n;
    size -= n;
  }
}

void CArchive::WriteCount(uint32_t count) {
  if (count < 0xFFFF) {
    WriteWord(static_cast<uint16_t>(count));
  } else {
    WriteWord(0xFFFF);
    WriteDword(count);
  }
}

uint32_t CArchive::ReadCount() {
  const uint16_t word = ReadWord();
  return word < 0xFFFF ? word : ReadDword();
}

void CArchive::WriteObject(CSerializable& object) {
  const CRuntimeClass* cls = object.GetRuntimeClass();
  uint32_t number = 0;
  for (const auto& [known, known_number] : class_numbers_) {
    if (known == cls) number = known_number;
  }
  if (number == 0) {
    const size_t name_length = std::strlen(cls->m_lpszClassName);
    WriteWord(kNewClassTag);
    WriteWord(cls->m_wSchema);
    WriteWord(static_cast<uint16_t>(name_length));
    Put(cls->m_lpszClassName, name_length);
    class_numbers_.emplace_back(cls, next_number_++);
  } else if (number < kBigObjectTag) {
    WriteWord(static_cast<uint16_t>(kClassTag | number));
  } else {
    WriteWord(kBigObjectTag);
    WriteDword(kBigClassTag | number);
  }
  ++next_number_;
  object.Serialize(*this);
}

const CRuntimeClass* CArchive::ClassNumbered(uint32_t number) const {
  // Class numbers are handed out in ascending order, so the list is sorted.
  const auto it = std::lower_bound(class_numbers_.begin(), class_numbers_.end(), number,
                                   [](const std::pair<const CRuntimeClass*, uint32_t>& entry,
                                      uint32_t n) { return entry.second < n; });
  return it != class_numbers_.end() && it->second == number ? it->first : nullptr;
}

std::unique_ptr<CSerializable> CArchive::ReadObject(const CRuntimeClass* expected) {
  const uint16_t tag = ReadWord();
  const CRuntimeClass* cls = nullptr;
  if (tag == kNewClassTag) {
    const uint16_t schema = ReadWord();
    const uint16_t name_length = ReadWord();
    if (name_length > kMaxClassNameLength) {
      Malformed("a class name is too long");
    }
    char name[kMaxClassNameLength];
    Get(name, name_length);
    cls = FindRecordClass(std::string_view(name, name_length));
    if (cls == nullptr) Malformed("an unknown class name");
    if (cls->m_wSchema != schema) {
      Malformed("a class has another schema number");
    }
    class_numbers_.emplace_back(cls, next_number_++);
  } else {
    uint32_t number = 0;
    bool is_class = false;
    if (tag == kBigObjectTag) {
      const uint32_t big = ReadDword();
      is_class = (big & kBigClassTag) != 0;
      number = big & ~kBigClassTag;
    } else {
      is_class = (tag & kClassTag) != 0;
      number = tag & ~uint32_t{kClassTag};
    }
    if (is_class) {
      cls = ClassNumbered(number);
      if (cls == nullptr) {
        Malformed("a class number names no class read so far");
      }
    } else if (number == kNullTag) {
      Malformed("an array holds no record in a place");
    } else if (number >= next_number_ || ClassNumbered(number) != nullptr) {
      Malformed("an object number names no record read so far");
    } else {
      // Every record is owned by exactly one place; a second reference would make two owners.
      Malformed("a record is stored twice");
    }
  }
  if (cls != expected) Malformed("a record of the wrong class");
  std::unique_ptr<CSerializable> object = cls->m_pfnCreateObject();
  ++next_number_;
  object->Serialize(*this);
  return object;
}

}  // namespace pim
