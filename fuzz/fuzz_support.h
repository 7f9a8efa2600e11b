// What the fuzz targets share: one fixed time zone, silenced message boxes and debug output, a
// scratch folder on a RAM disk, a small store to run against, and the checks that turn a broken
// promise into a crash the fuzzer reports.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "records/cal_entry_object.h"
#include "records/contact_object.h"
#include "records/store_io.h"

namespace pim::fuzz {

// Once per process, before the first input: TZ, the hooks, the scratch folder.
void Init();

// A file name in the scratch folder (on /dev/shm when there is one), removed at exit.
std::string ScratchFile(std::string_view name);

void WriteBytes(const std::string& path, std::string_view bytes);
std::string ReadBytes(const std::string& path);

// The input's last byte, which the targets use to pick settings; the whole input stays the
// file, so that the seed files keep their meaning.
inline uint8_t ControlByte(const uint8_t* data, size_t size) {
  return size == 0 ? 0 : data[size - 1];
}

// How many message boxes the library asked for since the last call.
size_t TakeMessageBoxCount();

// A store with three to-dos (LUIDs "t1" to "t3") and three contacts ("c1" to "c3") with
// every field set (EncodeStore gives their store file bytes).
void MakeSampleArrays(CalendarArray& calendar, ContactArray& contacts);

// What retrieval leaves behind in the arrays loaded from `store_bytes`: both states deleted,
// then one record of each kind unchanged in Notes, one changed in Notes (with its delta) and
// one new in Notes, still waiting for its LUID.
void LoadAsRetrieved(std::string_view store_bytes, CalendarArray& calendar, ContactArray& contacts);

// Aborts unless every place of both arrays holds a record.
void CheckNoEmptyPlace(const CalendarArray& calendar, const ContactArray& contacts);
// Aborts unless the arrays, written, read back and written again, give the same bytes; also
// renders every record as the phone would get it.
void CheckRoundTrip(const CalendarArray& calendar, const ContactArray& contacts);

[[noreturn]] void Fail(const char* what);

}  // namespace pim::fuzz
