#include "notesapi/lnitem.h"

#include <utility>

#include "notesapi/call_guard.h"

namespace pim::notes {

LNItem::LNItem(LNString name, std::vector<LNString> texts)
    : name_(std::move(name)), values_(std::move(texts)) {}

LNItem::LNItem(LNString name, std::vector<LNDatetime> datetimes)
    : name_(std::move(name)), values_(std::move(datetimes)) {}

LNItem::LNItem(LNString name, std::vector<double> numbers)
    : name_(std::move(name)), values_(std::move(numbers)) {}

LNITEMTYPE LNItem::GetType() const {
  switch (values_.index()) {
    case 1:
      return LNITEMTYPE_DATETIMES;
    case 2:
      return LNITEMTYPE_NUMBERS;
    default:
      return LNITEMTYPE_TEXT;
  }
}

LNText::LNText() {
  values_ = std::vector<LNString>{};
}

LNText::LNText(const LNItem& item) {
  name_ = item.GetName();
  if (const auto* texts = item.Texts()) {
    values_ = *texts;
  } else {
    values_ = std::vector<LNString>{};
    detail::Fail(LNERR_ITEM_TYPE);
  }
}

uint32_t LNText::GetCount() const {
  const auto* texts = Texts();
  return texts == nullptr ? 0 : static_cast<uint32_t>(texts->size());
}

LNString LNText::operator[](uint32_t i) const {
  if (i >= GetCount()) {
    detail::Fail(LNERR_INDEX_OUT_OF_RANGE);
    return {};
  }
  return (*Texts())[i];
}

LNSTATUS LNText::SetValue(const LNString& value, LNBOOL /*replace*/) {
  return detail::RunBody([&]() -> LNSTATUS {
    values_ = std::vector<LNString>{value};
    return LNNOERROR;
  });
}

LNSTATUS LNText::DeleteAll() {
  values_ = std::vector<LNString>{};
  return LNNOERROR;
}

LNSTATUS LNText::Insert(uint32_t index, const LNString& value) {
  return detail::RunBody([&]() -> LNSTATUS {
    // A text list assigned another item through its base keeps being a text list.
    if (Texts() == nullptr) values_ = std::vector<LNString>{};
    auto& texts = std::get<std::vector<LNString>>(values_);
    if (index > texts.size()) return LNERR_INDEX_OUT_OF_RANGE;
    texts.insert(texts.begin() + index, value);
    return LNNOERROR;
  });
}

LNDatetimes::LNDatetimes() {
  values_ = std::vector<LNDatetime>{};
}

LNDatetimes::LNDatetimes(const LNItem& item) {
  name_ = item.GetName();
  if (const auto* datetimes = item.Datetimes()) {
    values_ = *datetimes;
  } else {
    values_ = std::vector<LNDatetime>{};
    detail::Fail(LNERR_ITEM_TYPE);
  }
}

uint32_t LNDatetimes::GetCount() const {
  const auto* datetimes = Datetimes();
  return datetimes == nullptr ? 0 : static_cast<uint32_t>(datetimes->size());
}

LNDatetime LNDatetimes::operator[](uint32_t i) const {
  if (i >= GetCount()) {
    detail::Fail(LNERR_INDEX_OUT_OF_RANGE);
    return {};
  }
  return (*Datetimes())[i];
}

}  // namespace pim::notes
