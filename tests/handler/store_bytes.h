// The sync object store file written out by hand, field by field, for expectations that must
// not come from the code under test; and a reader of such files for the tests that look at
// records rather than bytes.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace pim::test {

// The stored fields of one contact, in the names of the vCard side. A string with a value is
// present (its flag set); without one it is absent and empty.
struct ContactFields {
  uint32_t note_id = 0;
  std::string note_key;
  std::string luid;
  int32_t group = 4;  // no group, as a new record has
  bool has_group = false;
  int32_t picture = 0;
  bool has_picture = false;
  int32_t ring = 0;
  bool has_ring = false;
  std::optional<std::string> mobile;
  std::optional<std::string> email;
  std::optional<std::string> fax;
  std::optional<std::string> home;
  std::optional<std::string> first;
  std::optional<std::string> last;
  std::optional<std::string> work;
  std::optional<std::string> company;
  int32_t revision = 0;

  friend bool operator==(const ContactFields&, const ContactFields&) = default;
};

// The stored fields of one to-do. Absent values still hold a number, which the file carries.
struct TodoFields {
  uint32_t note_id = 0;
  std::string note_key;
  std::string luid;
  int32_t alarm = 0;
  bool has_alarm = false;
  int32_t kind = 0;
  std::array<int32_t, 7> weekdays{};
  std::string summary;
  bool has_summary = false;
  int32_t start = 0;
  bool has_start = false;
  int32_t end = 0;
  bool has_end = false;
  int32_t last_modified = 0;
  bool has_last_modified = false;

  friend bool operator==(const TodoFields&, const TodoFields&) = default;
};

void PrintTo(const ContactFields& c, std::ostream* os);
void PrintTo(const TodoFields& t, std::ostream* os);

// Builds a store file: the head word, each array's count, then for every record its object
// reference and its fields. Class and object numbers are the caller's to get right, as they
// are part of what the file must hold.
class StoreBytes {
 public:
  StoreBytes& Dword(uint32_t value);
  StoreBytes& Word(uint16_t value);
  StoreBytes& String(std::string_view text);
  // The head word (1 in every file the handler writes).
  StoreBytes& Head(uint32_t word = 1) { return Dword(word); }
  StoreBytes& Count(uint16_t count) { return Word(count); }
  // FF FF, schema 1, the name's length and the name: the class takes the next number.
  StoreBytes& NewClass(std::string_view name);
  // 0x8000 | number: a new object of a class already introduced.
  StoreBytes& OfClass(uint16_t number) { return Word(static_cast<uint16_t>(0x8000 | number)); }
  StoreBytes& Todo(const TodoFields& todo);
  StoreBytes& Contact(const ContactFields& contact);

  const std::string& bytes() const { return bytes_; }
  operator std::string() const { return bytes_; }

 private:
  std::string bytes_;
};

// The usual layout: every to-do, then every contact, classes introduced at their first record.
std::string StoreOf(const std::vector<TodoFields>& todos,
                    const std::vector<ContactFields>& contacts);

// Reads a store file in the layout above (the forms the handler writes); nullopt when it does
// not hold exactly that.
struct DecodedStore {
  uint32_t head = 0;
  std::vector<TodoFields> todos;
  std::vector<ContactFields> contacts;
};
std::optional<DecodedStore> DecodeStore(std::string_view bytes);

// The time value of a local wall-clock time in a zone that is `utc_offset_hours` east of UTC
// at that moment, worked out without the local-time rules of the runtime.
int32_t TimeAt(int year, int month, int day, int hour, int minute, int second,
               int utc_offset_hours);
// The same for central Europe in winter (UTC+1), where the tests date most records.
inline int32_t WinterCet(int year, int month, int day, int hour, int minute, int second = 0) {
  return TimeAt(year, month, day, hour, minute, second, 1);
}

}  // namespace pim::test
