#pragma once

#include <variant>
#include <vector>

#include "notesapi/lndatetime.h"
#include "notesapi/lnglobal.h"

namespace pim::notes {

enum LNITEMTYPE : int32_t {
  LNITEMTYPE_NUMBERS = 768,     // 0x0300
  LNITEMTYPE_DATETIMES = 1025,  // 0x0401, a date-time list
  LNITEMTYPE_TEXT = 1281,       // 0x0501, a text list
};

using LNITEMFLAGS = uint32_t;
using LNITEMOPTION = uint32_t;
inline constexpr LNITEMFLAGS LNITEMFLAGS_SUMMARY = 8;
inline constexpr LNITEMOPTION LNITEMOPTION_DELETE_APPEND = 0x20000;  // replace an item of that name

// A named, typed value list of a note, held by value: a copy of the item as it was read.
class LNItem {
 public:
  LNItem() = default;
  LNItem(LNString name, std::vector<LNString> texts);
  LNItem(LNString name, std::vector<LNDatetime> datetimes);
  LNItem(LNString name, std::vector<double> numbers);

  const LNString& GetName() const { return name_; }
  LNITEMTYPE GetType() const;

  const std::vector<LNString>* Texts() const {
    return std::get_if<std::vector<LNString>>(&values_);
  }
  const std::vector<LNDatetime>* Datetimes() const {
    return std::get_if<std::vector<LNDatetime>>(&values_);
  }
  const std::vector<double>* Numbers() const { return std::get_if<std::vector<double>>(&values_); }

 protected:
  LNString name_;
  std::variant<std::vector<LNString>, std::vector<LNDatetime>, std::vector<double>> values_;
};

// A text list. Built empty, or from an item of type text (any other type fails with
// LNERR_ITEM_TYPE and gives an empty list).
class LNText : public LNItem {
 public:
  LNText();
  explicit LNText(const LNItem& item);

  uint32_t GetCount() const;
  // Element i; out of range fails with LNERR_INDEX_OUT_OF_RANGE.
  LNString operator[](uint32_t i) const;
  // Makes the list exactly one value.
  LNSTATUS SetValue(const LNString& value, LNBOOL replace = TRUE);
  LNSTATUS DeleteAll();
  // Inserts before position `index`; GetCount() appends.
  LNSTATUS Insert(uint32_t index, const LNString& value);
};

// A date-time list, from an item of type date-time list.
class LNDatetimes : public LNItem {
 public:
  LNDatetimes();
  explicit LNDatetimes(const LNItem& item);

  uint32_t GetCount() const;
  LNDatetime operator[](uint32_t i) const;
};

}  // namespace pim::notes
