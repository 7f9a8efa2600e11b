// Records that the store archive writes and reads: each class has a run-time class record that
// names it, carries its schema number and creates an empty instance when a store is loaded.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

namespace pim {

class CArchive;
class CSerializable;

struct CRuntimeClass {
  const char* m_lpszClassName;
  uint16_t m_wSchema;
  std::unique_ptr<CSerializable> (*m_pfnCreateObject)();
};

class CSerializable {
 public:
  virtual const CRuntimeClass* GetRuntimeClass() const = 0;
  virtual ~CSerializable() = default;
  virtual void Serialize(CArchive& ar) = 0;

 protected:
  CSerializable() = default;
  CSerializable(const CSerializable&) = default;
  CSerializable& operator=(const CSerializable&) = default;
};

// The record class of that exact (case-sensitive) name, or null.
const CRuntimeClass* FindRecordClass(std::string_view name);

}  // namespace pim
