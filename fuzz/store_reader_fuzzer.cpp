// The store file reader on hostile bytes: the archive over memory, then the same bytes as a
// file through both store dumps. Whatever is read must be whole records that write back to
// the same bytes, and the dumps must judge the file as the archive did.
#include <new>

#include "fuzz_support.h"
#include "pim_handler.h"
#include "platform/file.h"
#include "records/archive.h"
#include "records/store_file.h"

using namespace pim;

namespace {

enum class Verdict { kRead, kForeignHead, kMalformed };

Verdict ReadInMemory(std::string_view bytes) {
  CalendarArray calendar;
  ContactArray contacts;
  Verdict verdict = Verdict::kRead;
  try {
    platform::MemorySource source(bytes);
    CArchive ar(source);
    if (ReadStoreHead(ar) != kLuidMode) verdict = Verdict::kForeignHead;
    ReadCalendarArray(ar, calendar);
    ReadContactArray(ar, contacts);
  } catch (const Error& error) {
    if (error.kind() != Error::Kind::kDamagedArchive) fuzz::Fail("a store read in memory failed");
    if (verdict == Verdict::kRead) verdict = Verdict::kMalformed;
  } catch (const std::bad_alloc&) {
    if (verdict == Verdict::kRead) verdict = Verdict::kMalformed;
  }
  // Records read before a fault stay, and must be as sound as any other.
  fuzz::CheckRoundTrip(calendar, contacts);
  return verdict;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::Init();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const Verdict verdict = ReadInMemory(bytes);

  static const std::string store = fuzz::ScratchFile("store.dat");
  static const std::string contacts = fuzz::ScratchFile("dump.vcf");
  static const std::string todos = fuzz::ScratchFile("dump.vcs");
  fuzz::WriteBytes(store, bytes);
  const int32_t expected = verdict == Verdict::kRead ? 0 : verdict == Verdict::kForeignHead ? 2 : 1;
  if (PIMHandler_DumpSyncObjectStore(store.c_str()) != expected) {
    fuzz::Fail("the store dump judges the file otherwise than the archive");
  }
  if (PIMHandler_DumpSyncObjectStoreAsFakePhone(store.c_str(), contacts.c_str(), todos.c_str()) !=
      expected) {
    fuzz::Fail("the fake phone's store dump judges the file otherwise than the archive");
  }
  // Malformed data and a foreign head are dropped without a report.
  if (fuzz::TakeMessageBoxCount() != 0) fuzz::Fail("a store dump showed a message box");
  return 0;
}
