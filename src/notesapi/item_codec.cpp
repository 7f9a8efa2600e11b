#include "notesapi/item_codec.h"

#include <bit>
#include <utility>

#include "notesapi/datetime_rules.h"

namespace pim::notes::detail {
namespace {

constexpr unsigned char kFormatVersion = 1;

void PutVarint(std::string& out, uint64_t value) {
  while (value >= 0x80) {
    out += static_cast<char>((value & 0x7F) | 0x80);
    value >>= 7;
  }
  out += static_cast<char>(value);
}

void PutBytes(std::string& out, std::string_view bytes) {
  PutVarint(out, bytes.size());
  out.append(bytes);
}

void PutDouble(std::string& out, double value) {
  uint64_t bits = std::bit_cast<uint64_t>(value);
  for (int i = 0; i < 8; ++i) {
    out += static_cast<char>(bits & 0xFF);
    bits >>= 8;
  }
}

// Reads the blob front to back; every read fails rather than run past the end.
class BlobReader {
 public:
  explicit BlobReader(std::string_view blob) : blob_(blob) {}

  bool Byte(unsigned char& value) {
    if (pos_ >= blob_.size()) return false;
    value = static_cast<unsigned char>(blob_[pos_++]);
    return true;
  }

  bool Varint(uint64_t& value) {
    value = 0;
    for (int shift = 0; shift < 64; shift += 7) {
      unsigned char b;
      if (!Byte(b)) return false;
      value |= uint64_t{b & 0x7Fu} << shift;
      if ((b & 0x80) == 0) return true;
    }
    return false;
  }

  // A count of things that each take at least one byte: more than the bytes left is damage,
  // and refusing it keeps a damaged count from reserving a huge vector.
  bool Count(size_t& count) {
    uint64_t value;
    if (!Varint(value) || value > blob_.size() - pos_) return false;
    count = static_cast<size_t>(value);
    return true;
  }

  bool Bytes(std::string& out) {
    size_t size;
    if (!Count(size)) return false;
    out.assign(blob_.substr(pos_, size));
    pos_ += size;
    return true;
  }

  bool Double(double& value) {
    if (blob_.size() - pos_ < 8) return false;
    uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) {
      bits = (bits << 8) | static_cast<unsigned char>(blob_[pos_ + static_cast<size_t>(i)]);
    }
    pos_ += 8;
    value = std::bit_cast<double>(bits);
    return true;
  }

  bool AtEnd() const { return pos_ == blob_.size(); }

 private:
  std::string_view blob_;
  size_t pos_ = 0;
};

template <typename T, typename ReadOne>
bool ReadList(BlobReader& reader, std::vector<T>& values, ReadOne read_one) {
  size_t count;
  if (!reader.Count(count)) return false;
  values.resize(count);
  for (T& value : values) {
    if (!read_one(value)) return false;
  }
  return true;
}

}  // namespace

int64_t PackDatetime(const LNDatetime& d) {
  int64_t packed = d.GetYear();
  for (int part :
       {d.GetMonth(), d.GetDay(), d.GetHour(), d.GetMinute(), d.GetSecond(), d.GetHundredth()}) {
    packed = packed * 100 + part;
  }
  return packed * 10 + d.GetState();
}

bool UnpackDatetime(int64_t packed, LNDatetime& datetime) {
  if (packed < 0) return false;
  const int64_t state = packed % 10;
  int64_t rest = packed / 10;
  int parts[6];
  for (int i = 5; i >= 0; --i) {
    parts[i] = static_cast<int>(rest % 100);
    rest /= 100;
  }
  if (rest > kMaxYear) return false;
  const int year = static_cast<int>(rest);
  const auto [month, day, hour, minute, second, hundredth] = parts;
  const bool has_date = (state & 1) != 0;
  const bool has_time = (state & 2) != 0;
  if (state > 3) return false;
  if (has_date ? !IsValidDate(year, month, day) : (year | month | day) != 0) return false;
  if (has_time ? !IsValidTime(hour, minute, second, hundredth)
               : (hour | minute | second | hundredth) != 0) {
    return false;
  }
  datetime = LNDatetime();
  if (has_date) datetime.SetDate(month, day, year);
  if (has_time) datetime.SetTime(hour, minute, second, hundredth);
  return true;
}

std::string EncodeItems(const std::vector<LNItem>& items) {
  std::string out;
  out.reserve(64 * items.size() + 8);
  out += static_cast<char>(kFormatVersion);
  PutVarint(out, items.size());
  for (const LNItem& item : items) {
    PutBytes(out, item.GetName());
    PutVarint(out, static_cast<uint64_t>(item.GetType()));
    if (const auto* texts = item.Texts()) {
      PutVarint(out, texts->size());
      for (const LNString& text : *texts)
        PutBytes(out, text);
    } else if (const auto* datetimes = item.Datetimes()) {
      PutVarint(out, datetimes->size());
      for (const LNDatetime& datetime : *datetimes)
        PutVarint(out, static_cast<uint64_t>(PackDatetime(datetime)));
    } else if (const auto* numbers = item.Numbers()) {
      PutVarint(out, numbers->size());
      for (double number : *numbers)
        PutDouble(out, number);
    }
  }
  return out;
}

bool DecodeItems(std::string_view blob, std::vector<LNItem>& items) {
  items.clear();
  BlobReader reader(blob);
  unsigned char version;
  size_t count;
  if (!reader.Byte(version) || version != kFormatVersion || !reader.Count(count)) return false;
  items.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    std::string name;
    uint64_t type;
    if (!reader.Bytes(name) || !reader.Varint(type)) return false;
    switch (type) {
      case LNITEMTYPE_TEXT: {
        std::vector<LNString> texts;
        if (!ReadList(reader, texts, [&](LNString& t) { return reader.Bytes(t); })) return false;
        items.emplace_back(std::move(name), std::move(texts));
        break;
      }
      case LNITEMTYPE_DATETIMES: {
        std::vector<LNDatetime> datetimes;
        const bool read = ReadList(reader, datetimes, [&](LNDatetime& d) {
          uint64_t packed;
          return reader.Varint(packed) && packed <= INT64_MAX &&
                 UnpackDatetime(static_cast<int64_t>(packed), d);
        });
        if (!read) return false;
        items.emplace_back(std::move(name), std::move(datetimes));
        break;
      }
      case LNITEMTYPE_NUMBERS: {
        std::vector<double> numbers;
        if (!ReadList(reader, numbers, [&](double& n) { return reader.Double(n); })) return false;
        items.emplace_back(std::move(name), std::move(numbers));
        break;
      }
      default:
        return false;
    }
  }
  return reader.AtEnd();
}

}  // namespace pim::notes::detail
