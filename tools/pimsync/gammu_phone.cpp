#include "gammu_phone.h"

#include <gammu.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace pim::cli {
namespace {

// What went wrong, as a person can act on it.
std::string InWords(GSM_Error error) {
  switch (error) {
    case ERR_DEVICENOTEXIST:
    case ERR_DEVICEOPENERROR:
    case ERR_DEVICENOTWORK:
    case ERR_TIMEOUT:
    case ERR_NOTCONNECTED:
    case ERR_PHONEOFF:
      return "no phone answers: connect it, switch it on, and check the device in gammu's "
             "configuration";
    case ERR_DEVICENOPERMISSION:
    case ERR_PERMISSION:
      return "no permission to open the phone's device: ask for access to it (the dialout "
             "group, often)";
    case ERR_DEVICELOCKED:
    case ERR_DEVICEBUSY:
      return "another program holds the phone's device: end it and run again";
    case ERR_SECURITYERROR:
      return "the phone or its SIM is locked: unlock it (enter the PIN) and run again";
    case ERR_NOSIM:
      return "the phone has no SIM card, and the memory asked for is on it";
    case ERR_FULL:
      return "the phone's memory is full: delete entries on it, or raise nothing and sync "
             "fewer records";
    case ERR_UNCONFIGURED:
    case ERR_CANTOPENFILE:
      return "gammu's configuration names no phone: give one with --gammu-config";
    default:
      return GSM_ErrorString(error);
  }
}

// The phone's device, as the configuration names it, for the messages.
thread_local std::string g_device;

void Check(GSM_Error error, const std::string& doing) {
  if (error != ERR_NONE) {
    throw PhoneError("the phone" + (g_device.empty() ? "" : " at " + g_device) + ": " + doing +
                     ": " + InWords(error));
  }
}

std::string FromPhone(const unsigned char* text) {
  std::string utf8(UnicodeLength(text) * 4 + 1, '\0');
  EncodeUTF8(utf8.data(), text);
  utf8.resize(std::strlen(utf8.c_str()));
  return utf8;
}

void ToPhone(unsigned char* text, size_t capacity, const std::string& utf8) {
  // The phone holds as many characters as its field takes: the rest is cut.
  std::vector<unsigned char> unicode((utf8.size() + 1) * 2 + 2, 0);
  DecodeUTF8(unicode.data(), utf8.c_str(), utf8.size());
  size_t length = std::min(UnicodeLength(unicode.data()), capacity);
  std::memcpy(text, unicode.data(), length * 2);
  text[length * 2] = 0;
  text[length * 2 + 1] = 0;
}

std::string FromPhone(const GSM_DateTime& time) {
  char text[80];
  std::snprintf(text, sizeof text, "%04d%02d%02dT%02d%02d%02dZ", time.Year, time.Month, time.Day,
                time.Hour, time.Minute, time.Second);
  return text;
}

// A time of the dialect's form; false for another text.
bool ToPhone(GSM_DateTime& time, const std::string& text) {
  if (text.size() != 16) return false;
  int parts[6] = {};
  if (std::sscanf(text.c_str(), "%4d%2d%2dT%2d%2d%2d", &parts[0], &parts[1], &parts[2], &parts[3],
                  &parts[4], &parts[5]) != 6) {
    return false;
  }
  time = GSM_DateTime{};
  time.Year = parts[0];
  time.Month = parts[1];
  time.Day = parts[2];
  time.Hour = parts[3];
  time.Minute = parts[4];
  time.Second = parts[5];
  return true;
}

// A contact's field and the entries of the phone that hold it, in the order the dialect writes
// the fields.
struct ContactField {
  const char* field;
  GSM_EntryType type;
  GSM_EntryLocation location;  // for the general numbers
  bool number;                 // a number, not a text
};
constexpr ContactField kContactFields[] = {
    {"ORG", PBK_Text_Company, PBK_Location_Unknown, false},
    {"TEL;WORK;VOICE", PBK_Number_General, PBK_Location_Work, false},
    {"TEL;HOME;VOICE", PBK_Number_General, PBK_Location_Home, false},
    {"TEL;CELL;VOICE", PBK_Number_Mobile, PBK_Location_Unknown, false},
    {"TEL;WORK;FAX", PBK_Number_Fax, PBK_Location_Unknown, false},
    {"EMAIL;PREF;INTERNET", PBK_Text_Email, PBK_Location_Unknown, false},
    {"X-VOQ-PHB-PIC-ID", PBK_PictureID, PBK_Location_Unknown, true},
    {"X-VOQ-PHB-RING-ID", PBK_RingtoneID, PBK_Location_Unknown, true},
    {"X-VOQ-PHB-CGROUP-ID", PBK_Caller_Group, PBK_Location_Unknown, true},
};

bool Holds(const ContactField& field, const GSM_SubMemoryEntry& sub) {
  if (sub.EntryType != field.type) return false;
  if (field.type != PBK_Number_General) return true;
  // A general number without a place is the home number.
  return field.location == PBK_Location_Work
             ? sub.Location == PBK_Location_Work
             : sub.Location == PBK_Location_Home || sub.Location == PBK_Location_Unknown;
}

// The caller groups of the handler (0 VIP, 1 Business, 2 Friends, 3 Family) are the phone's
// groups 1 to 4; the handler's 4 is no group.
constexpr int kNoGroup = 4;

PhoneEntry ContactOf(const GSM_MemoryEntry& entry) {
  PhoneEntry contact;
  contact.location = entry.Location;
  std::string name, first, last;
  for (int i = 0; i < entry.EntriesNum; ++i) {
    const GSM_SubMemoryEntry& sub = entry.Entries[i];
    if (sub.EntryType == PBK_Text_Name) name = FromPhone(sub.Text);
    if (sub.EntryType == PBK_Text_FirstName) first = FromPhone(sub.Text);
    if (sub.EntryType == PBK_Text_LastName) last = FromPhone(sub.Text);
  }
  if (name.empty()) name = first + (first.empty() || last.empty() ? "" : " ") + last;
  if (!name.empty()) contact.fields.emplace_back("N", name);
  for (const ContactField& field : kContactFields) {
    for (int i = 0; i < entry.EntriesNum; ++i) {
      const GSM_SubMemoryEntry& sub = entry.Entries[i];
      if (!Holds(field, sub)) continue;
      if (field.type == PBK_Caller_Group) {
        if (sub.Number >= 1 && sub.Number <= kNoGroup)
          contact.fields.emplace_back(field.field, std::to_string(sub.Number - 1));
      } else {
        contact.fields.emplace_back(
            field.field, field.number ? std::to_string(sub.Number) : FromPhone(sub.Text));
      }
      break;
    }
  }
  return contact;
}

// Removes the fields of an entry or a to-do that `matches` picks, keeping the others in order.
void EraseWhere(auto& entry, const auto& matches) {
  int kept = 0;
  for (int i = 0; i < entry.EntriesNum; ++i) {
    if (!matches(entry.Entries[i])) entry.Entries[kept++] = entry.Entries[i];
  }
  entry.EntriesNum = kept;
}

GSM_SubMemoryEntry& Append(GSM_MemoryEntry& entry, GSM_EntryType type) {
  if (entry.EntriesNum >= GSM_PHONEBOOK_ENTRIES) {
    throw PhoneError("the phone: an entry holds at most " + std::to_string(GSM_PHONEBOOK_ENTRIES) +
                     " fields");
  }
  GSM_SubMemoryEntry& sub = entry.Entries[entry.EntriesNum++];
  sub = GSM_SubMemoryEntry{};
  sub.EntryType = type;
  sub.Location = PBK_Location_Unknown;
  return sub;
}

void SetContactField(GSM_MemoryEntry& entry, const std::string& field, const std::string& value) {
  if (field == "N") {
    // A whole name replaces the parts the phone may keep it in.
    EraseWhere(entry, [](const GSM_SubMemoryEntry& sub) {
      return sub.EntryType == PBK_Text_Name || sub.EntryType == PBK_Text_FirstName ||
             sub.EntryType == PBK_Text_LastName;
    });
    if (!value.empty())
      ToPhone(Append(entry, PBK_Text_Name).Text, GSM_PHONEBOOK_TEXT_LENGTH, value);
    return;
  }
  if (field == "LN") {
    EraseWhere(entry,
               [](const GSM_SubMemoryEntry& sub) { return sub.EntryType == PBK_Text_LastName; });
    if (!value.empty())
      ToPhone(Append(entry, PBK_Text_LastName).Text, GSM_PHONEBOOK_TEXT_LENGTH, value);
    return;
  }
  for (const ContactField& known : kContactFields) {
    if (field != known.field) continue;
    EraseWhere(entry, [&](const GSM_SubMemoryEntry& sub) { return Holds(known, sub); });
    if (value.empty()) return;
    const int number = std::atoi(value.c_str());
    if (known.type == PBK_Caller_Group && (number < 0 || number >= kNoGroup)) return;
    GSM_SubMemoryEntry& sub = Append(entry, known.type);
    sub.Location = known.location;
    if (known.type == PBK_Caller_Group) {
      sub.Number = number + 1;
    } else if (known.number) {
      sub.Number = number;
    } else {
      ToPhone(sub.Text, GSM_PHONEBOOK_TEXT_LENGTH, value);
    }
    return;
  }
}

PhoneEntry TodoOf(const GSM_ToDoEntry& todo) {
  PhoneEntry entry;
  entry.location = todo.Location;
  std::string start, end, text;
  bool alarm = false;
  for (int i = 0; i < todo.EntriesNum; ++i) {
    const GSM_SubToDoEntry& sub = todo.Entries[i];
    switch (sub.EntryType) {
      case TODO_START_DATETIME:
        start = FromPhone(sub.Date);
        break;
      case TODO_END_DATETIME:
        end = FromPhone(sub.Date);
        break;
      case TODO_ALARM_DATETIME:
      case TODO_SILENT_ALARM_DATETIME:
        alarm = true;
        break;
      case TODO_TEXT:
        text = FromPhone(sub.Text);
        break;
      default:
        break;
    }
  }
  // Many phones keep no end of a to-do: it ends as it starts, on its day, and the handler's
  // end stays as it is until the to-do changes on the phone.
  if (end.empty()) end = start;
  if (!start.empty()) entry.fields.emplace_back("DTSTART", start);
  if (!end.empty()) entry.fields.emplace_back("DTEND", end);
  entry.fields.emplace_back("AALARM", alarm ? "ON" : "OFF");
  if (!text.empty()) entry.fields.emplace_back("SUMMARY", text);
  return entry;
}

GSM_SubToDoEntry& Append(GSM_ToDoEntry& todo, GSM_ToDoType type) {
  if (todo.EntriesNum >= GSM_TODO_ENTRIES) throw PhoneError("the phone: a to-do holds too much");
  GSM_SubToDoEntry& sub = todo.Entries[todo.EntriesNum++];
  sub = GSM_SubToDoEntry{};
  sub.EntryType = type;
  return sub;
}

void SetTodoField(GSM_ToDoEntry& todo, const PhoneEntry& change, const std::string& field,
                  const std::string& value) {
  const auto set_time = [&](GSM_ToDoType type) {
    EraseWhere(todo, [&](const GSM_SubToDoEntry& sub) { return sub.EntryType == type; });
    GSM_DateTime time;
    if (ToPhone(time, value)) Append(todo, type).Date = time;
  };
  if (field == "DTSTART") {
    set_time(TODO_START_DATETIME);
  } else if (field == "DTEND") {
    set_time(TODO_END_DATETIME);
  } else if (field == "SUMMARY") {
    EraseWhere(todo, [](const GSM_SubToDoEntry& sub) { return sub.EntryType == TODO_TEXT; });
    if (!value.empty()) ToPhone(Append(todo, TODO_TEXT).Text, GSM_MAX_TODO_TEXT_LENGTH, value);
  } else if (field == "AALARM") {
    EraseWhere(todo, [](const GSM_SubToDoEntry& sub) {
      return sub.EntryType == TODO_ALARM_DATETIME || sub.EntryType == TODO_SILENT_ALARM_DATETIME;
    });
    if (value == "OFF" || value == "off") return;
    // The alarm rings at the start: the dialect says only whether there is one.
    GSM_DateTime at{};
    const std::string* start = change.Field("DTSTART");
    bool known = start != nullptr && ToPhone(at, *start);
    for (int i = 0; !known && i < todo.EntriesNum; ++i) {
      if (todo.Entries[i].EntryType == TODO_START_DATETIME) {
        at = todo.Entries[i].Date;
        known = true;
      }
    }
    if (known) Append(todo, TODO_ALARM_DATETIME).Date = at;
  }
}

GSM_MemoryType MemoryOf(const std::string& memory) {
  if (memory == "SM") return MEM_SM;
  if (memory == "ME") return MEM_ME;
  throw PhoneError("the phone's memory is ME (the phone's own) or SM (the SIM card), not '" +
                   memory + "'");
}

}  // namespace

// Owns the connection, so that a constructor that fails half-way still ends it.
struct GammuPhone::State {
  GSM_StateMachine* machine = nullptr;
  GSM_MemoryType memory = MEM_ME;
  std::string memory_name;
  bool connected = false;

  State() = default;
  State(const State&) = delete;
  State& operator=(const State&) = delete;
  ~State() {
    if (connected) GSM_TerminateConnection(machine);
    if (machine != nullptr) GSM_FreeStateMachine(machine);
  }
};

GammuPhone::GammuPhone(const GammuOptions& options) : state_(std::make_unique<State>()) {
  state_->memory = MemoryOf(options.memory);
  state_->memory_name = options.memory;
  state_->machine = GSM_AllocStateMachine();
  if (state_->machine == nullptr) throw PhoneError("the phone: out of memory");
  INI_Section* config = nullptr;
  const GSM_Error found =
      GSM_FindGammuRC(&config, options.config.empty() ? nullptr : options.config.c_str());
  if (found != ERR_NONE || config == nullptr) {
    throw PhoneError(options.config.empty()
                         ? "no gammu configuration found (~/.gammurc, /etc/gammurc): give one "
                           "with --gammu-config"
                         : "cannot read the gammu configuration " + options.config +
                               " (--gammu-config): give the path of gammu's configuration file");
  }
  const GSM_Error read = GSM_ReadConfig(config, GSM_GetConfig(state_->machine, 0), options.section);
  INI_Free(config);
  if (read != ERR_NONE) {
    throw PhoneError("gammu's configuration has no section " + std::to_string(options.section) +
                     " ([gammu" + (options.section > 0 ? std::to_string(options.section) : "") +
                     "]): " + InWords(read));
  }
  const GSM_Config* config_read = GSM_GetConfig(state_->machine, 0);
  g_device = config_read != nullptr && config_read->Device != nullptr ? config_read->Device : "";
  GSM_SetConfigNum(state_->machine, 1);
  Check(GSM_InitConnection(state_->machine, 1), "connecting");
  state_->connected = true;
}

GammuPhone::~GammuPhone() = default;

std::string GammuPhone::Identity() {
  char imei[GSM_MAX_IMEI_LENGTH + 1] = {};
  Check(GSM_GetIMEI(state_->machine, imei), "reading its IMEI");
  return std::string(imei) + " " + state_->memory_name;
}

int GammuPhone::Capacity(PhoneKind kind) {
  if (kind == PhoneKind::kTodo) {
    GSM_ToDoStatus status{};
    Check(GSM_GetToDoStatus(state_->machine, &status), "counting its to-dos");
    return status.Used + status.Free;
  }
  GSM_MemoryStatus status{};
  status.MemoryType = state_->memory;
  Check(GSM_GetMemoryStatus(state_->machine, &status), "counting its entries");
  return status.MemoryUsed + status.MemoryFree;
}

std::vector<PhoneEntry> GammuPhone::Read(PhoneKind kind) {
  std::vector<PhoneEntry> entries;
  if (kind == PhoneKind::kTodo) {
    auto todo = std::make_unique<GSM_ToDoEntry>();
    for (bool start = true;; start = false) {
      const GSM_Error error = GSM_GetNextToDo(state_->machine, todo.get(), start);
      if (error == ERR_EMPTY) break;
      Check(error, "reading its to-dos");
      entries.push_back(TodoOf(*todo));
    }
    return entries;
  }
  auto entry = std::make_unique<GSM_MemoryEntry>();
  for (bool start = true;; start = false) {
    entry->MemoryType = state_->memory;
    const GSM_Error error = GSM_GetNextMemory(state_->machine, entry.get(), start);
    if (error == ERR_EMPTY) break;
    Check(error, "reading its entries");
    entries.push_back(ContactOf(*entry));
  }
  return entries;
}

PhoneEntry GammuPhone::ReadOne(PhoneKind kind, int location) {
  const std::string where = " at location " + std::to_string(location);
  if (kind == PhoneKind::kTodo) {
    auto todo = std::make_unique<GSM_ToDoEntry>();
    todo->Location = location;
    Check(GSM_GetToDo(state_->machine, todo.get()), "reading the to-do" + where);
    return TodoOf(*todo);
  }
  auto entry = std::make_unique<GSM_MemoryEntry>();
  entry->MemoryType = state_->memory;
  entry->Location = location;
  Check(GSM_GetMemory(state_->machine, entry.get()), "reading the entry" + where);
  return ContactOf(*entry);
}

int GammuPhone::Add(PhoneKind kind, const PhoneEntry& added) {
  if (kind == PhoneKind::kTodo) {
    auto todo = std::make_unique<GSM_ToDoEntry>();
    todo->Type = GSM_CAL_MEMO;
    todo->Priority = GSM_Priority_Medium;
    for (const auto& [field, value] : added.fields)
      SetTodoField(*todo, added, field, value);
    Check(GSM_AddToDo(state_->machine, todo.get()), "adding a to-do");
    return todo->Location;
  }
  auto entry = std::make_unique<GSM_MemoryEntry>();
  entry->MemoryType = state_->memory;
  for (const auto& [field, value] : added.fields)
    SetContactField(*entry, field, value);
  Check(GSM_AddMemory(state_->machine, entry.get()), "adding an entry");
  return entry->Location;
}

void GammuPhone::Change(PhoneKind kind, const PhoneEntry& change) {
  const std::string where = " at location " + std::to_string(change.location);
  if (kind == PhoneKind::kTodo) {
    auto todo = std::make_unique<GSM_ToDoEntry>();
    todo->Location = change.location;
    Check(GSM_GetToDo(state_->machine, todo.get()), "reading the to-do" + where);
    for (const auto& [field, value] : change.fields)
      SetTodoField(*todo, change, field, value);
    Check(GSM_SetToDo(state_->machine, todo.get()), "changing the to-do" + where);
    return;
  }
  auto entry = std::make_unique<GSM_MemoryEntry>();
  entry->MemoryType = state_->memory;
  entry->Location = change.location;
  Check(GSM_GetMemory(state_->machine, entry.get()), "reading the entry" + where);
  for (const auto& [field, value] : change.fields)
    SetContactField(*entry, field, value);
  Check(GSM_SetMemory(state_->machine, entry.get()), "changing the entry" + where);
}

PhoneEntry GammuPhone::Changed(PhoneKind kind, const PhoneEntry& entry, const PhoneEntry& change) {
  PhoneEntry changed;
  if (kind == PhoneKind::kTodo) {
    auto todo = std::make_unique<GSM_ToDoEntry>();
    for (const PhoneEntry* fields : {&entry, &change}) {
      for (const auto& [field, value] : fields->fields)
        SetTodoField(*todo, *fields, field, value);
    }
    changed = TodoOf(*todo);
  } else {
    auto memory = std::make_unique<GSM_MemoryEntry>();
    for (const PhoneEntry* fields : {&entry, &change}) {
      for (const auto& [field, value] : fields->fields)
        SetContactField(*memory, field, value);
    }
    changed = ContactOf(*memory);
  }
  changed.location = entry.location;
  return changed;
}

void GammuPhone::Delete(PhoneKind kind, int location) {
  const std::string where = " at location " + std::to_string(location);
  GSM_Error error;
  if (kind == PhoneKind::kTodo) {
    auto todo = std::make_unique<GSM_ToDoEntry>();
    todo->Location = location;
    error = GSM_DeleteToDo(state_->machine, todo.get());
  } else {
    auto entry = std::make_unique<GSM_MemoryEntry>();
    entry->MemoryType = state_->memory;
    entry->Location = location;
    error = GSM_DeleteMemory(state_->machine, entry.get());
  }
  // Gone already: what a deletion wants.
  if (error != ERR_EMPTY && error != ERR_INVALIDLOCATION) Check(error, "deleting" + where);
}

}  // namespace pim::cli
