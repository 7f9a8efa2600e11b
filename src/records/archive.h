// The binary archive of the store file: little-endian integers, length-prefixed strings, and
// object references that introduce each class once and number classes and objects in file
// order. One archive object either stores or loads; the records' Serialize uses the same
// field calls for both, so the two directions cannot drift apart.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/file.h"
#include "records/serializable.h"

namespace pim {

class CArchive {
 public:
  // Storing: everything written goes to `sink`; call Flush when done.
  explicit CArchive(platform::ByteSink& sink);
  // Loading: everything read comes from `source`.
  explicit CArchive(platform::ByteSource& source);
  CArchive(const CArchive&) = delete;
  CArchive& operator=(const CArchive&) = delete;

  bool IsStoring() const { return sink_ != nullptr; }
  bool IsLoading() const { return source_ != nullptr; }

  // Field transfer: writes the value when storing, replaces it with the value read when loading.
  void Dword(uint32_t& value);
  void Dword(int32_t& value);
  void String(std::string& value);

  // Raw values, for the file head and the array counts.
  void WriteWord(uint16_t value);
  void WriteDword(uint32_t value);
  uint16_t ReadWord();
  uint32_t ReadDword();

  // An array's element count: a WORD below 0xFFFF, else 0xFFFF and a DWORD.
  void WriteCount(uint32_t count);
  uint32_t ReadCount();

  // An object reference followed, for a new object, by its fields.
  void WriteObject(CSerializable& object);
  // Reads a new object of class `expected`; any other reference is malformed.
  std::unique_ptr<CSerializable> ReadObject(const CRuntimeClass* expected);

  // Hands what is buffered to the sink.
  void Flush();

 private:
  void Put(const void* data, size_t size);
  void Get(void* data, size_t size);
  void GetSlow(void* data, size_t size);
  void ReadBytes(std::string& out, uint64_t size);
  uint32_t ReadStringLength(bool& utf16);
  const CRuntimeClass* ClassNumbered(uint32_t number) const;

  platform::ByteSink* sink_ = nullptr;
  platform::ByteSource* source_ = nullptr;
  std::string buffer_;
  size_t pos_ = 0;  // loading: next unread byte of buffer_

  // Classes and objects share one numbering that starts at 1 in file order.
  uint32_t next_number_ = 1;
  std::vector<std::pair<const CRuntimeClass*, uint32_t>> class_numbers_;
};

}  // namespace pim
