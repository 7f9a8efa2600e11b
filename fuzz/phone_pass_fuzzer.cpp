// A phone pass on a hostile phone record file, against a store as retrieval leaves it: records
// unchanged, changed and deleted in Notes, and one new in Notes. Built twice: the contact pass
// and, with PIM_FUZZ_CALENDAR set, the calendar pass.
//
// The input's last byte picks the settings: the sync mode (0, 1, 2 or another value), a limit
// low enough to force the roll-back, and the store file the roll-back finds (the one
// retrieval read, a damaged one, or none).
#include "exchange/phone_pass.h"
#include "fuzz_support.h"

#ifndef PIM_FUZZ_CALENDAR
#error "PIM_FUZZ_CALENDAR must be 0 (contacts) or 1 (to-dos)"
#endif

using namespace pim;

namespace {

std::string& SampleStore() {
  static std::string bytes;
  return bytes;
}

// The sample store holds three records of each kind.
constexpr size_t kSavedRecords = 3;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::Init();
  CalendarArray calendar;
  ContactArray contacts;
  fuzz::MakeSampleArrays(calendar, contacts);
  SampleStore() = pim::EncodeStore(calendar, contacts);
  fuzz::WriteBytes(fuzz::ScratchFile("store.dat"), SampleStore());
  // Cut inside the last contact: the roll-back meets malformed data.
  fuzz::WriteBytes(fuzz::ScratchFile("damaged.dat"),
                   SampleStore().substr(0, SampleStore().size() - 20));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string phone = fuzz::ScratchFile("phone.txt");
  static const std::string changes = fuzz::ScratchFile("changes.txt");
  static const std::string stores[4] = {
      fuzz::ScratchFile("store.dat"), fuzz::ScratchFile("store.dat"),
      fuzz::ScratchFile("damaged.dat"), fuzz::ScratchFile("missing.dat")};

  const uint8_t control = fuzz::ControlByte(data, size);
  const int32_t modes[4] = {0, 1, 2, 7};
  const int32_t mode = modes[control & 3];
  const int32_t limit = (control & 0x10) != 0 ? 2 : 200;
  const std::string& store = stores[(control >> 5) & 3];

  CalendarArray calendar;
  ContactArray contacts;
  fuzz::LoadAsRetrieved(SampleStore(), calendar, contacts);
  fuzz::WriteBytes(phone, std::string_view(reinterpret_cast<const char*>(data), size));
  const PassSettings settings{mode, limit, store, SampleStore()};

  // A failure the exported function would report ends the pass as result 1.
  int32_t result = 1;
  try {
#if PIM_FUZZ_CALENDAR
    result = SyncTodos(calendar, settings, phone, changes);
#else
    result = SyncContacts(contacts, settings, phone, changes);
#endif
  } catch (const Error&) {
  }
#if PIM_FUZZ_CALENDAR
  const auto& records = calendar;
#else
  const auto& records = contacts;
#endif

  fuzz::CheckRoundTrip(calendar, contacts);
  switch (result) {
    case 0:
      break;
    case 3:
      // Rolled back: the array holds again what the store file (or, when that cannot be
      // read, the copy retrieval read) holds, and the change file is empty.
      if (records.size() != kSavedRecords) {
        fuzz::Fail("a roll-back does not bring back the saved records");
      }
      if (!fuzz::ReadBytes(changes).empty()) fuzz::Fail("a roll-back left a change file");
      break;
    case 1:
      // Only a roll-back that cannot read the store file fails; it keeps the saved records.
      if (limit != 2 || store == stores[0]) fuzz::Fail("a phone pass failed without a cause");
      if (records.size() != kSavedRecords) {
        fuzz::Fail("a failed roll-back does not keep the saved records");
      }
      break;
    default:
      fuzz::Fail("a phone pass gave a result of its own");
  }
  fuzz::TakeMessageBoxCount();
  return 0;
}
