#include "vobject/vobject_reader.h"

#include <string>

#include "platform/text.h"
#include "vobject/vdatetime.h"

namespace pim {
namespace {

enum class CardProperty {
  kVersion,
  kLuid,
  kStorage,
  kIndex,
  kName,
  kFormattedName,
  kCompany,
  kWorkPhone,
  kHomePhone,
  kMobilePhone,
  kWorkFax,
  kEmail,
  kPictureId,
  kRingId,
  kGroupId,
  kRevision,
  kOther,
};

enum class TodoProperty {
  kLuid,
  kIndex,
  kStart,
  kEnd,
  kAlarm,
  kSummary,
  kLastModified,
  kOther,
};

template <class Property>
struct Keyword {
  std::string_view name;
  Property property;
};

constexpr Keyword<CardProperty> kCardKeywords[] = {
    {"VERSION", CardProperty::kVersion},
    {"X-VOQ-LUID", CardProperty::kLuid},
    {"X-VOQ-PHB-STORAGE", CardProperty::kStorage},
    {"X-VOQ-PHB-IDX", CardProperty::kIndex},
    {"N", CardProperty::kName},
    {"FN", CardProperty::kFormattedName},
    {"ORG", CardProperty::kCompany},
    {"TEL;WORK;VOICE", CardProperty::kWorkPhone},
    {"TEL;HOME;VOICE", CardProperty::kHomePhone},
    {"TEL;CELL;VOICE", CardProperty::kMobilePhone},
    {"TEL;WORK;FAX", CardProperty::kWorkFax},
    {"EMAIL;PREF;INTERNET", CardProperty::kEmail},
    {"X-VOQ-PHB-PIC-ID", CardProperty::kPictureId},
    {"X-VOQ-PHB-RING-ID", CardProperty::kRingId},
    {"X-VOQ-PHB-CGROUP-ID", CardProperty::kGroupId},
    {"REV", CardProperty::kRevision},
};

constexpr Keyword<TodoProperty> kTodoKeywords[] = {
    {"X-VOQ-LUID", TodoProperty::kLuid},
    {"X-VOQ-CAL-IDX", TodoProperty::kIndex},
    {"DTSTART", TodoProperty::kStart},
    {"DTEND", TodoProperty::kEnd},
    {"AALARM", TodoProperty::kAlarm},
    {"SUMMARY", TodoProperty::kSummary},
    {"LAST-MODIFIED", TodoProperty::kLastModified},
};

template <class Property, size_t N>
Property Classify(const Keyword<Property> (&keywords)[N], std::string_view name) {
  for (const auto& keyword : keywords) {
    if (name.size() == keyword.name.size() && platform::EqualsNoCase(name, keyword.name)) {
      return keyword.property;
    }
  }
  return Property::kOther;
}

// A date-time value counts only when it has exactly the 16 characters of the written form.
bool ReadDateTime(std::string_view value, int32_t& time) {
  return value.size() == 16 && ParseVDateTime(value, time);
}

}  // namespace

bool ReadVCardProperty(CContactObject& record, std::string_view name, std::string_view value,
                       bool& bLuidOnly) {
  const CardProperty property = Classify(kCardKeywords, name);
  switch (property) {
    case CardProperty::kVersion:
      return platform::EqualsNoCase(value, "2.1");
    case CardProperty::kLuid:
      record.m_strLuid.assign(value);
      return true;
    case CardProperty::kOther:
      return true;
    default:
      break;
  }
  bLuidOnly = false;
  int32_t time = 0;
  switch (property) {
    case CardProperty::kStorage:
      record.m_strStorage.assign(value);
      break;
    case CardProperty::kName:
      record.SetFirstName(value, false);
      break;
    case CardProperty::kCompany:
      record.SetCompany(value, false);
      break;
    case CardProperty::kWorkPhone:
      record.SetWorkPhone(value, false);
      break;
    case CardProperty::kHomePhone:
      record.SetHomePhone(value, false);
      break;
    case CardProperty::kMobilePhone:
      record.SetMobilePhone(value, false);
      break;
    case CardProperty::kWorkFax:
      record.SetWorkFax(value, false);
      break;
    case CardProperty::kEmail:
      record.SetEmail(value, false);
      break;
    case CardProperty::kPictureId:
      if (!value.empty()) record.SetPictureId(platform::StrToIntA(value), false);
      break;
    case CardProperty::kRingId:
      if (!value.empty()) record.SetRingId(platform::StrToIntA(value), false);
      break;
    case CardProperty::kGroupId:
      if (!value.empty()) record.SetGroupId(platform::StrToIntA(value), false);
      break;
    case CardProperty::kRevision:
      if (ReadDateTime(value, time)) record.SetRevision(time, false);
      break;
    default:  // X-VOQ-PHB-IDX and FN carry content that is not kept
      break;
  }
  return true;
}

bool ReadVCalendarProperty(CCalEntryObject& record, std::string_view name, std::string_view value,
                           bool& bLuidOnly) {
  const TodoProperty property = Classify(kTodoKeywords, name);
  if (property == TodoProperty::kOther) return true;
  if (property == TodoProperty::kLuid) {
    record.m_strLuid.assign(value);
    return true;
  }
  bLuidOnly = false;
  int32_t time = 0;
  switch (property) {
    case TodoProperty::kStart:
      if (ReadDateTime(value, time)) record.SetStart(time, false);
      break;
    case TodoProperty::kEnd:
      if (ReadDateTime(value, time)) record.SetEnd(time, false);
      break;
    case TodoProperty::kAlarm:
      record.SetAlarm(platform::EqualsNoCase(value, "OFF") ? 0 : 1, false);
      break;
    case TodoProperty::kSummary:
      record.SetSummary(value, false);
      break;
    case TodoProperty::kLastModified:
      if (ReadDateTime(value, time)) record.SetLastModified(time, false);
      break;
    default:  // X-VOQ-CAL-IDX carries content that is not kept
      break;
  }
  return true;
}

}  // namespace pim
