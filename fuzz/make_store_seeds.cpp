// Writes the seed files of the store reader's fuzz target into a folder: valid stores in each
// of the encodings a reader must accept, made by the library's own writer where it can make
// them and by hand where only other writers do (UTF-16 strings, the long count form, the
// class-number form of very large files).
//
//   make_store_seeds DIR
#include <cstdio>
#include <string>

#include "fuzz_support.h"
#include "platform/file.h"
#include "records/archive.h"
#include "records/store_file.h"

using namespace pim;

namespace {

void Put16(std::string& out, uint16_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>(v >> 8);
}

void Put32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i)
    out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// A contact record's fields with every string given as UTF-16 ("FF FE FF" and a unit count).
std::string Utf16Contact() {
  std::string fields;
  Put32(fields, 7);  // note ID
  const auto utf16 = [&fields](std::u16string_view text) {
    fields += '\xFF';
    Put16(fields, 0xFFFE);
    fields += static_cast<char>(text.size());
    for (char16_t unit : text)
      Put16(fields, unit);
  };
  utf16(u"key");
  for (int i = 0; i < 3; ++i)
    Put32(fields, 1);  // group, picture, ring
  utf16(u"0170");
  utf16(u"b\u00F6@example.com");
  utf16(u"\xD800");  // an unpaired surrogate
  utf16(u"030");
  utf16(u"luid");
  utf16(u"J\u00FCrgen \U0001F600");
  utf16(u"M\u00FCller");
  utf16(u"040");
  utf16(u"Firma");
  Put32(fields, 1120000000);
  for (int i = 0; i < 11; ++i)
    Put32(fields, 1);
  return fields;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_store_seeds DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  CalendarArray calendar;
  ContactArray contacts;
  fuzz::WriteBytes(dir + "/empty.store", pim::EncodeStore(calendar, contacts));

  fuzz::MakeSampleArrays(calendar, contacts);
  fuzz::WriteBytes(dir + "/sample.store", pim::EncodeStore(calendar, contacts));

  // Contacts only: the contact class takes number 1.
  CalendarArray no_todos;
  fuzz::WriteBytes(dir + "/contacts-only.store", pim::EncodeStore(no_todos, contacts));

  // Strings past the one-byte and the two-byte length prefix.
  calendar[0]->m_strSummary.assign(300, 's');
  contacts[0]->m_strFirstName.assign(70000, 'f');
  fuzz::WriteBytes(dir + "/long-strings.store", pim::EncodeStore(calendar, contacts));

  // One contact whose strings are all UTF-16.
  std::string utf16;
  Put32(utf16, 1);
  Put16(utf16, 0);
  Put16(utf16, 1);
  Put16(utf16, 0xFFFF);
  Put16(utf16, 1);
  Put16(utf16, 14);
  utf16 += "CContactObject";
  utf16 += Utf16Contact();
  fuzz::WriteBytes(dir + "/utf16.store", utf16);

  // The long count form (FF FF and a DWORD) for two contacts, the second introduced by the
  // 0x7FFF form with the class number in a DWORD.
  std::string long_forms;
  Put32(long_forms, 1);
  Put16(long_forms, 0);
  Put16(long_forms, 0xFFFF);
  Put32(long_forms, 2);
  Put16(long_forms, 0xFFFF);
  Put16(long_forms, 1);
  Put16(long_forms, 14);
  long_forms += "CContactObject";
  long_forms += Utf16Contact();
  Put16(long_forms, 0x7FFF);
  Put32(long_forms, 0x80000001u);
  long_forms += Utf16Contact();
  fuzz::WriteBytes(dir + "/long-forms.store", long_forms);

  // Claims far beyond the file, which must never turn into an allocation of their size (the
  // runs set -malloc_limit_mb): a count of 2^32 - 1 to-dos, and a note key of 4 GB.
  std::string huge_count;
  Put32(huge_count, 1);
  Put16(huge_count, 0xFFFF);
  Put32(huge_count, 0xFFFFFFFFu);
  Put16(huge_count, 0xFFFF);
  Put16(huge_count, 1);
  Put16(huge_count, 15);
  huge_count += "CCalEntryObject";
  fuzz::WriteBytes(dir + "/huge-count.store", huge_count);
  std::string huge_string;
  Put32(huge_string, 1);
  Put16(huge_string, 0);
  Put16(huge_string, 1);
  Put16(huge_string, 0xFFFF);
  Put16(huge_string, 1);
  Put16(huge_string, 14);
  huge_string += "CContactObject";
  Put32(huge_string, 9);
  huge_string += '\xFF';
  Put16(huge_string, 0xFFFF);
  Put32(huge_string, 0xFFFFFFFFu);
  huge_string += "ABC";
  fuzz::WriteBytes(dir + "/huge-string.store", huge_string);
  return 0;
}
