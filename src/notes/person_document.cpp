#include "notes/person_document.h"

#include <memory>

#include "notesapi/lnitem.h"
#include "platform/local_time.h"
#include "platform/platform.h"
#include "platform/text.h"

namespace pim {

using notes::LNDatetime;
using notes::LNDocument;
using notes::LNItem;
using notes::LNNote;
using notes::LNSTATUS;
using notes::LNString;
using notes::LNText;

namespace {

struct PersonItem {
  const char* item;
  const char* label;
  int (CContactObject::*setter)(std::string_view, bool);  // null: the categories
};

constexpr PersonItem kPersonItems[] = {
    {"FirstName", "First Name:", &CContactObject::SetFirstName},
    {"LastName", "Last Name:", &CContactObject::SetLastName},
    {"Categories", "Categories:", nullptr},
    {"CellPhoneNumber", "Cell Phone Number:", &CContactObject::SetMobilePhone},
    {"MailAddress", "Mail Address:", &CContactObject::SetEmail},
    {"OfficeFAXPhoneNumber", "Fax:", &CContactObject::SetWorkFax},
    {"PhoneNumber", "Home:", &CContactObject::SetHomePhone},
    {"OfficePhoneNumber", "Office:", &CContactObject::SetWorkPhone},
    {"CompanyName", "Company:", &CContactObject::SetCompany},
};

void WriteTextItem(LNNote& note, const char* name, const std::string& value) {
  LNText text;
  text.SetValue(value, notes::TRUE);
  note.CreateItem(name, text, notes::LNITEMFLAGS_SUMMARY, notes::LNITEMOPTION_DELETE_APPEND,
                  nullptr);
}

}  // namespace

bool ReadTextItem(const LNNote& note, const LNString& name, std::string& value) {
  // Most Person documents lack several of the items read; asking first spares a thrown status
  // for each of them.
  if (!note.HasItem(name)) return false;
  LNItem item;
  try {
    if (note.GetItem(name, &item) != notes::LNNOERROR) return false;
  } catch (LNSTATUS) {
    return false;  // a failed look-up means the item is absent
  }
  const auto* texts = item.Texts();
  if (texts == nullptr) return false;  // not a text item
  value = texts->empty() ? std::string() : texts->front();
  return true;
}

bool NotesTimeToLocal(int32_t& time, const LNDatetime& datetime) {
  if (datetime.GetState() != notes::LNDATETIMESTATE_DATE_AND_TIME) return false;
  time = platform::MakeLocalTime(datetime.GetYear(), datetime.GetMonth(), datetime.GetDay(),
                                 datetime.GetHour(), datetime.GetMinute(), datetime.GetSecond());
  return true;
}

bool ReadPersonDocument(ContactArray& records, LNDocument& document) {
  LNString form;
  document.GetFormNote(&form);
  if (!platform::EqualsNoCase(form, "Person")) return false;

  auto fresh = std::make_unique<CContactObject>();
  fresh->m_nNoteId = document.GetNoteID();
  platform::OutputDebugStringA("<-- Contact");
  std::string value;
  for (const PersonItem& row : kPersonItems) {
    if (!ReadTextItem(document, row.item, value)) continue;
    if (row.setter != nullptr) {
      (fresh.get()->*row.setter)(value, false);
    } else {
      fresh->SetGroupFromCategories(value);
    }
    platform::OutputDebugStringA(row.label);
    platform::OutputDebugStringA(value);
  }
  int32_t revision = 0;
  if (NotesTimeToLocal(revision, document.GetLastModified())) fresh->SetRevision(revision, false);
  platform::OutputDebugStringA(" Contact -->");

  for (auto it = records.rbegin(); it != records.rend(); ++it) {
    CContactObject& stored = **it;
    if (stored.m_nNoteId != fresh->m_nNoteId) continue;
    stored.StartNotesDelta();
    stored.m_pNotesDelta->MergeFrom(*fresh, true);
    stored.MergeFrom(*fresh, true);
    return true;
  }
  fresh->m_nNotesState = SyncStateAdded;
  fresh->m_nPhoneState = SyncStateUnchanged;
  records.push_back(std::move(fresh));
  return true;
}

void WritePersonDocument(LNDocument& document, const CContactObject& record) {
  WriteTextItem(document, "Type", "Person");
  WriteTextItem(document, "FirstName", record.m_strFirstName);
  const std::string group = record.GetGroupName();
  if (!group.empty()) WriteTextItem(document, "Categories", group);
  WriteTextItem(document, "CellPhoneNumber", record.m_strMobilePhone);
  WriteTextItem(document, "MailAddress", record.m_strEmail);
  WriteTextItem(document, "OfficeFAXPhoneNumber", record.m_strWorkFax);
  WriteTextItem(document, "PhoneNumber", record.m_strHomePhone);
  WriteTextItem(document, "OfficePhoneNumber", record.m_strWorkPhone);
  WriteTextItem(document, "CompanyName", record.m_strCompany);
  document.ComputeWithForm(notes::FALSE);
  document.Save(0);
}

}  // namespace pim
