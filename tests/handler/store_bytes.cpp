#include "handler/store_bytes.h"

#include <ctime>

namespace pim::test {
namespace {

void PrintOptional(std::ostream* os, const char* name, const std::optional<std::string>& value) {
  if (value) *os << ' ' << name << "=\"" << *value << '"';
}

class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}

  bool Dword(uint32_t& value) {
    if (bytes_.size() < 4) return false;
    value = 0;
    for (int i = 3; i >= 0; --i)
      value = value << 8 | static_cast<unsigned char>(bytes_[i]);
    bytes_.remove_prefix(4);
    return true;
  }
  bool Dword(int32_t& value) {
    uint32_t raw = 0;
    if (!Dword(raw)) return false;
    value = static_cast<int32_t>(raw);
    return true;
  }
  bool Flag(bool& value) {
    uint32_t raw = 0;
    if (!Dword(raw)) return false;
    value = raw != 0;
    return true;
  }
  bool Word(uint16_t& value) {
    if (bytes_.size() < 2) return false;
    value = static_cast<uint16_t>(static_cast<unsigned char>(bytes_[0]) |
                                  static_cast<unsigned char>(bytes_[1]) << 8);
    bytes_.remove_prefix(2);
    return true;
  }
  bool String(std::string& value) {
    if (bytes_.empty()) return false;
    uint32_t length = static_cast<unsigned char>(bytes_[0]);
    bytes_.remove_prefix(1);
    if (length == 0xFF) {
      uint16_t word = 0;
      if (!Word(word)) return false;
      length = word;
      if (word == 0xFFFF && !Dword(length)) return false;
      if (word == 0xFFFE) return false;  // the wide form: never written by the handler
    }
    if (bytes_.size() < length) return false;
    value.assign(bytes_.substr(0, length));
    bytes_.remove_prefix(length);
    return true;
  }
  bool Optional(std::optional<std::string>& value, const std::string& raw, bool present) {
    if (present) {
      value = raw;
    } else if (!raw.empty()) {
      return false;  // an absent value with text: cannot be said with ContactFields
    }
    return true;
  }
  // An object reference: a new class (checked against `name`) or a known class number.
  bool Reference(std::string_view name, uint32_t& next_number, uint32_t& class_number) {
    uint16_t tag = 0;
    if (!Word(tag)) return false;
    if (tag == 0xFFFF) {
      uint16_t schema = 0;
      uint16_t length = 0;
      if (!Word(schema) || schema != 1 || !Word(length) || bytes_.size() < length) return false;
      if (bytes_.substr(0, length) != name) return false;
      bytes_.remove_prefix(length);
      class_number = next_number++;
    } else if ((tag & 0x8000) == 0 || (tag & 0x7FFF) != class_number) {
      return false;
    }
    ++next_number;
    return true;
  }
  bool AtEnd() const { return bytes_.empty(); }

 private:
  std::string_view bytes_;
};

}  // namespace

void PrintTo(const ContactFields& c, std::ostream* os) {
  *os << "{id=" << c.note_id << " luid=\"" << c.luid << "\"";
  if (!c.note_key.empty()) *os << " key=\"" << c.note_key << '"';
  *os << " group=" << c.group << (c.has_group ? "+" : "") << " pic=" << c.picture
      << (c.has_picture ? "+" : "") << " ring=" << c.ring << (c.has_ring ? "+" : "");
  PrintOptional(os, "mobile", c.mobile);
  PrintOptional(os, "email", c.email);
  PrintOptional(os, "fax", c.fax);
  PrintOptional(os, "home", c.home);
  PrintOptional(os, "first", c.first);
  PrintOptional(os, "last", c.last);
  PrintOptional(os, "work", c.work);
  PrintOptional(os, "company", c.company);
  *os << " rev=" << c.revision << '}';
}

void PrintTo(const TodoFields& t, std::ostream* os) {
  *os << "{id=" << t.note_id << " luid=\"" << t.luid << "\"";
  if (!t.note_key.empty()) *os << " key=\"" << t.note_key << '"';
  *os << " alarm=" << t.alarm << (t.has_alarm ? "+" : "") << " kind=" << t.kind << " days=";
  for (int32_t d : t.weekdays)
    *os << d;
  *os << " summary=\"" << t.summary << '"' << (t.has_summary ? "+" : "") << " start=" << t.start
      << (t.has_start ? "+" : "") << " end=" << t.end << (t.has_end ? "+" : "")
      << " modified=" << t.last_modified << (t.has_last_modified ? "+" : "") << '}';
}

StoreBytes& StoreBytes::Dword(uint32_t value) {
  for (int i = 0; i < 4; ++i)
    bytes_ += static_cast<char>(value >> (8 * i) & 0xFF);
  return *this;
}

StoreBytes& StoreBytes::Word(uint16_t value) {
  bytes_ += static_cast<char>(value & 0xFF);
  bytes_ += static_cast<char>(value >> 8);
  return *this;
}

StoreBytes& StoreBytes::String(std::string_view text) {
  if (text.size() < 255) {
    bytes_ += static_cast<char>(text.size());
  } else if (text.size() < 0xFFFE) {
    bytes_ += '\xFF';
    Word(static_cast<uint16_t>(text.size()));
  } else {
    bytes_ += '\xFF';
    Word(0xFFFF);
    Dword(static_cast<uint32_t>(text.size()));
  }
  bytes_ += text;
  return *this;
}

StoreBytes& StoreBytes::NewClass(std::string_view name) {
  Word(0xFFFF);
  Word(1);
  Word(static_cast<uint16_t>(name.size()));
  bytes_ += name;
  return *this;
}

StoreBytes& StoreBytes::Todo(const TodoFields& t) {
  Dword(t.note_id);
  String(t.note_key);
  Dword(static_cast<uint32_t>(t.alarm));
  Dword(static_cast<uint32_t>(t.kind));
  for (int32_t day : t.weekdays)
    Dword(day == 1 ? 1 : 0);
  String(t.luid);
  String(t.summary);
  Dword(static_cast<uint32_t>(t.start));
  Dword(static_cast<uint32_t>(t.end));
  Dword(static_cast<uint32_t>(t.last_modified));
  Dword(t.has_summary);
  Dword(t.has_last_modified);
  Dword(t.has_alarm);
  Dword(t.has_end);
  Dword(t.has_start);
  return *this;
}

StoreBytes& StoreBytes::Contact(const ContactFields& c) {
  Dword(c.note_id);
  String(c.note_key);
  Dword(static_cast<uint32_t>(c.group));
  Dword(static_cast<uint32_t>(c.picture));
  Dword(static_cast<uint32_t>(c.ring));
  String(c.mobile.value_or(""));
  String(c.email.value_or(""));
  String(c.fax.value_or(""));
  String(c.home.value_or(""));
  String(c.luid);
  String(c.first.value_or(""));
  String(c.last.value_or(""));
  String(c.work.value_or(""));
  String(c.company.value_or(""));
  Dword(static_cast<uint32_t>(c.revision));
  Dword(c.has_group);
  Dword(c.has_ring);
  Dword(c.has_picture);
  Dword(c.email.has_value());
  Dword(c.fax.has_value());
  Dword(c.mobile.has_value());
  Dword(c.home.has_value());
  Dword(c.work.has_value());
  Dword(c.company.has_value());
  Dword(c.first.has_value());
  Dword(c.last.has_value());
  return *this;
}

std::string StoreOf(const std::vector<TodoFields>& todos,
                    const std::vector<ContactFields>& contacts) {
  StoreBytes store;
  store.Head();
  uint16_t next_number = 1;
  store.Count(static_cast<uint16_t>(todos.size()));
  for (size_t i = 0; i < todos.size(); ++i) {
    if (i == 0) {
      store.NewClass("CCalEntryObject");
      ++next_number;
    } else {
      store.OfClass(1);
    }
    ++next_number;
    store.Todo(todos[i]);
  }
  const uint16_t contact_class = next_number;
  store.Count(static_cast<uint16_t>(contacts.size()));
  for (size_t i = 0; i < contacts.size(); ++i) {
    if (i == 0) {
      store.NewClass("CContactObject");
    } else {
      store.OfClass(contact_class);
    }
    store.Contact(contacts[i]);
  }
  return store;
}

std::optional<DecodedStore> DecodeStore(std::string_view bytes) {
  Reader in(bytes);
  DecodedStore store;
  if (!in.Dword(store.head)) return std::nullopt;
  uint32_t next_number = 1;
  uint32_t class_number = 0;
  uint16_t count = 0;
  if (!in.Word(count) || count == 0xFFFF) return std::nullopt;
  for (uint16_t i = 0; i < count; ++i) {
    TodoFields t;
    bool ok = in.Reference("CCalEntryObject", next_number, class_number) && in.Dword(t.note_id) &&
              in.String(t.note_key) && in.Dword(t.alarm) && in.Dword(t.kind);
    for (int32_t& day : t.weekdays)
      ok = ok && in.Dword(day);
    ok = ok && in.String(t.luid) && in.String(t.summary) && in.Dword(t.start) && in.Dword(t.end) &&
         in.Dword(t.last_modified) && in.Flag(t.has_summary) && in.Flag(t.has_last_modified) &&
         in.Flag(t.has_alarm) && in.Flag(t.has_end) && in.Flag(t.has_start);
    if (!ok) return std::nullopt;
    store.todos.push_back(t);
  }
  class_number = 0;
  if (!in.Word(count) || count == 0xFFFF) return std::nullopt;
  for (uint16_t i = 0; i < count; ++i) {
    ContactFields c;
    std::string mobile, email, fax, home, first, last, work, company;
    bool has_email = false, has_fax = false, has_mobile = false, has_home = false, has_work = false,
         has_company = false, has_first = false, has_last = false;
    const bool ok =
        in.Reference("CContactObject", next_number, class_number) && in.Dword(c.note_id) &&
        in.String(c.note_key) && in.Dword(c.group) && in.Dword(c.picture) && in.Dword(c.ring) &&
        in.String(mobile) && in.String(email) && in.String(fax) && in.String(home) &&
        in.String(c.luid) && in.String(first) && in.String(last) && in.String(work) &&
        in.String(company) && in.Dword(c.revision) && in.Flag(c.has_group) && in.Flag(c.has_ring) &&
        in.Flag(c.has_picture) && in.Flag(has_email) && in.Flag(has_fax) && in.Flag(has_mobile) &&
        in.Flag(has_home) && in.Flag(has_work) && in.Flag(has_company) && in.Flag(has_first) &&
        in.Flag(has_last) && in.Optional(c.mobile, mobile, has_mobile) &&
        in.Optional(c.email, email, has_email) && in.Optional(c.fax, fax, has_fax) &&
        in.Optional(c.home, home, has_home) && in.Optional(c.first, first, has_first) &&
        in.Optional(c.last, last, has_last) && in.Optional(c.work, work, has_work) &&
        in.Optional(c.company, company, has_company);
    if (!ok) return std::nullopt;
    store.contacts.push_back(c);
  }
  if (!in.AtEnd()) return std::nullopt;
  return store;
}

int32_t TimeAt(int year, int month, int day, int hour, int minute, int second,
               int utc_offset_hours) {
  std::tm parts{};
  parts.tm_year = year - 1900;
  parts.tm_mon = month - 1;
  parts.tm_mday = day;
  parts.tm_hour = hour;
  parts.tm_min = minute;
  parts.tm_sec = second;
  return static_cast<int32_t>(::timegm(&parts) - utc_offset_hours * 3600);
}

}  // namespace pim::test
