#include "notes/person_document.h"

#include <iterator>
#include <memory>
#include <string_view>

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

// The items of a Person document that hold a contact's fields, in the order they are read and
// written. The categories hold the caller group; the last name is read but never written.
struct PersonItem {
  const char* item;
  const char* label;                                      // how the debug output names it
  int (CContactObject::*setter)(std::string_view, bool);  // null: the categories
  std::string CContactObject::*field;                     // null: not written
};

// clang-format off
constexpr PersonItem kPersonItems[] = {
    {kFirstNameItem,   "First Name:",        &CContactObject::SetFirstName,   &CContactObject::m_strFirstName},
    {kLastNameItem,    "Last Name:",         &CContactObject::SetLastName,    nullptr},
    {kCategoriesItem,  "Categories:",        nullptr,                         nullptr},
    {kCellPhoneItem,   "Cell Phone Number:", &CContactObject::SetMobilePhone, &CContactObject::m_strMobilePhone},
    {kMailAddressItem, "Mail Address:",      &CContactObject::SetEmail,       &CContactObject::m_strEmail},
    {kOfficeFaxItem,   "Fax:",               &CContactObject::SetWorkFax,     &CContactObject::m_strWorkFax},
    {kPhoneItem,       "Home:",              &CContactObject::SetHomePhone,   &CContactObject::m_strHomePhone},
    {kOfficePhoneItem, "Office:",            &CContactObject::SetWorkPhone,   &CContactObject::m_strWorkPhone},
    {kCompanyItem,     "Company:",           &CContactObject::SetCompany,     &CContactObject::m_strCompany},
};
// clang-format on
static_assert(std::size(kPersonItems) == std::size(kPersonItemNames));
constexpr bool SameItemsAsTheScope() {
  for (size_t i = 0; i < std::size(kPersonItems); ++i) {
    if (std::string_view(kPersonItems[i].item) != kPersonItemNames[i]) return false;
  }
  return true;
}
static_assert(SameItemsAsTheScope(), "the table reads the items the scope names, in its order");

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

std::unique_ptr<CContactObject> ReadPersonDocument(LNDocument& document) {
  LNString form;
  document.GetFormNote(&form);
  if (!IsPersonForm(form)) return nullptr;

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
  return fresh;
}

void WritePersonDocument(LNDocument& document, const CContactObject& record) {
  WriteTextItem(document, kPersonTypeItem, kPersonForm);
  for (const PersonItem& row : kPersonItems) {
    if (row.field != nullptr) {
      WriteTextItem(document, row.item, record.*row.field);
    } else if (row.setter == nullptr) {
      // A contact without a group leaves the categories as they are.
      const std::string group = record.GetGroupName();
      if (!group.empty()) WriteTextItem(document, row.item, group);
    }
  }
  document.ComputeWithForm(notes::FALSE);
  document.Save(0);
}

bool CreatePersonDocument(notes::LNDatabase& database, CContactObject& record) {
  LNDocument document;
  if (database.CreateDocument(&document, kPersonForm) != notes::LNNOERROR) return false;
  WritePersonDocument(document, record);
  record.m_nNoteId = document.GetNoteID();
  document.Close();
  return true;
}

void RewritePersonDocument(notes::LNDatabase& database, notes::NOTEID id, CContactObject& record) {
  LNDocument document;
  if (database.GetDocument(id, &document) != notes::LNNOERROR) return;
  document.Open(0);
  WritePersonDocument(document, record);
  record.m_nNoteId = document.GetNoteID();
  document.Close();
}

}  // namespace pim
