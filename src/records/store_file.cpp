#include "records/store_file.h"

#include <algorithm>
#include <string_view>

namespace pim {
namespace {

template <class Record>
void WriteArray(CArchive& ar, const std::vector<std::unique_ptr<Record>>& records) {
  ar.WriteCount(static_cast<uint32_t>(records.size()));
  for (const auto& record : records)
    ar.WriteObject(*record);
}

template <class Record>
void ReadArray(CArchive& ar, std::vector<std::unique_ptr<Record>>& records,
               const CRuntimeClass& expected) {
  records.clear();
  const uint32_t count = ar.ReadCount();
  // The count may be damaged: reserve no more than a small, fixed amount ahead of the data.
  records.reserve(std::min<uint32_t>(count, 1024));
  for (uint32_t i = 0; i < count; ++i) {
    std::unique_ptr<Record> record(static_cast<Record*>(ar.ReadObject(&expected).release()));
    records.push_back(std::move(record));
  }
}

}  // namespace

const CRuntimeClass* FindRecordClass(std::string_view name) {
  for (const CRuntimeClass* cls :
       {&CCalEntryObject::classCCalEntryObject, &CContactObject::classCContactObject}) {
    if (name == cls->m_lpszClassName) return cls;
  }
  return nullptr;
}

void WriteStore(CArchive& ar, const CalendarArray& calendar, const ContactArray& contacts) {
  ar.WriteDword(kLuidMode);
  WriteArray(ar, calendar);
  WriteArray(ar, contacts);
}

uint32_t ReadStoreHead(CArchive& ar) {
  return ar.ReadDword();
}

void ReadCalendarArray(CArchive& ar, CalendarArray& records) {
  ReadArray(ar, records, CCalEntryObject::classCCalEntryObject);
}

void ReadContactArray(CArchive& ar, ContactArray& records) {
  ReadArray(ar, records, CContactObject::classCContactObject);
}

}  // namespace pim
