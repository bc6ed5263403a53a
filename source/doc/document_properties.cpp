#include "doc/document_properties.h"


#include <map>
#include <optional>
#include <string>
#include <utility>

#include "framework/document_routines.h"
#include "runtime/byte_reader.h"
#include "runtime/codepages.h"
#include "runtime/datetime.h"
#include "runtime/numbers.h"

namespace vn::doc {

namespace {

using vn::wordmodel::TvnWordDocumentInfo;

constexpr uint16_t kTypeI2 = 2;
constexpr uint16_t kTypeByteString = 30;
constexpr uint16_t kTypeUnicodeString = 31;
constexpr uint16_t kTypeFileTime = 64;
constexpr uint32_t kCodePageProperty = 1;
constexpr uint16_t kCodePageUtf16 = 1200;
constexpr uint16_t kCodePageUtf8 = 65001;
constexpr uint16_t kCodePageAnsi = 1252;
constexpr size_t kFirstSetOffsetField = 44;  // the offset of the header's first set entry
constexpr int64_t kFileTimeTicksPerSecond = 10000000;
constexpr int64_t kDaysFrom1601To1970 = 134774;

String DropZeros(String text) {
  std::erase(text, u'\0');
  return text;
}

String DecodeUtf16(std::span<const std::byte> bytes) {
  String text;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2)
    text.push_back(static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) | (static_cast<uint8_t>(bytes[i + 1]) << 8)));
  return DropZeros(std::move(text));
}

// A byte string of the set's code page, its zero bytes dropped.
String DecodeByteString(uint16_t code_page, std::span<const std::byte> raw) {
  if (code_page == kCodePageUtf16) return DecodeUtf16(raw);
  std::string bytes(reinterpret_cast<const char*>(raw.data()), raw.size());
  std::erase(bytes, '\0');
  if (code_page == kCodePageUtf8) return FromUtf8(bytes);
  if (code_page == kCodePageAnsi || code_page == 0) return DecodeCp1252(bytes);
  if (auto converted = CodePageDecoder().DecodeExactly(code_page, bytes)) return *converted;
  String text;
  for (char c : bytes) text.push_back(static_cast<char16_t>(static_cast<uint8_t>(c)));
  return text;
}

// The first property set of a property-set stream: its values by id.
class PropertySetReading {
 public:
  PropertySetReading(std::span<const uint8_t> stream, Diagnostics* diagnostics)
      : stream_(stream.data(), stream.size()), diagnostics_(diagnostics) {}

  // Finds the set; false (nothing to read) when it does not fit its stream.
  bool Open() {
    ByteReader header = stream_;
    header.Seek(kFirstSetOffsetField);
    set_ = header.U32LE();
    ByteReader set = stream_;
    set.Seek(set_);
    const uint32_t size = set.U32LE();
    uint32_t count = set.U32LE();
    if (set.failed() || size > stream_.size() - set_) {
      Damage(set_, "the property set does not fit its stream");
      return false;
    }
    if (size < 8 || count > (size - 8) / 8) {
      Damage(set_, "the property set counts more properties than it holds");
      count = size < 8 ? 0 : (size - 8) / 8;
    }
    for (uint32_t i = 0; i < count; ++i) {
      const uint32_t id = set.U32LE();
      const uint32_t offset = set.U32LE();
      offsets_.emplace(id, offset);  // the first of each id counts
    }
    if (auto code_page = Value(kCodePageProperty); code_page && code_page->type == kTypeI2)
      code_page_ = code_page->data.U16LE();
    return true;
  }

  // The text of property `id` (a byte or UTF-16 string); none otherwise.
  std::optional<String> Text(uint32_t id) {
    auto value = Value(id);
    if (!value) return std::nullopt;
    ByteReader& r = value->data;
    const uint32_t count = r.U32LE();
    if (value->type == kTypeByteString) {
      const auto bytes = r.Bytes(count);
      if (r.failed()) return Skipped(id);
      return DecodeByteString(code_page_, bytes);
    }
    if (value->type == kTypeUnicodeString) {
      const auto bytes = r.Bytes(CheckedMul(count, 2).value_or(SIZE_MAX));
      if (r.failed()) return Skipped(id);
      return DecodeUtf16(bytes);
    }
    return std::nullopt;
  }

  // The date text of property `id` when it is a file time.
  std::optional<String> Date(uint32_t id) {
    auto value = Value(id);
    if (!value || value->type != kTypeFileTime) return std::nullopt;
    const uint64_t ticks = value->data.U64LE();
    if (value->data.failed()) return Skipped(id);
    String text = FileTimeToText(ticks);
    if (text.empty()) return Skipped(id);
    return text;
  }

 private:
  struct TypedValue {
    uint16_t type;
    ByteReader data;  // from after the type and its padding to the stream's end
  };

  std::optional<TypedValue> Value(uint32_t id) {
    const auto found = offsets_.find(id);
    if (found == offsets_.end()) return std::nullopt;
    if (found->second >= stream_.size() - set_) {
      Damage(set_, "property " + std::to_string(id) + " lies outside its stream");
      return std::nullopt;
    }
    ByteReader r = stream_.Sub(set_ + found->second, stream_.size() - set_ - found->second);
    const uint16_t type = r.U16LE();
    r.Skip(2);
    if (r.failed()) return std::nullopt;
    return TypedValue{type, r.Rest()};
  }

  std::nullopt_t Skipped(uint32_t id) {
    Damage(set_, "property " + std::to_string(id) + " is damaged");
    return std::nullopt;
  }

  void Damage(uint64_t offset, std::string message) {
    ReportTo(diagnostics_, {.offset = offset, .message = std::move(message)});
  }

  ByteReader stream_;
  Diagnostics* diagnostics_;
  size_t set_ = 0;
  std::map<uint32_t, uint32_t> offsets_;
  uint16_t code_page_ = 0;
};

template <typename Setter>
void SetText(std::optional<String> text, TvnWordDocumentInfo& info, Setter setter) {
  if (text) (info.*setter)(*text);
}

// False when the set is too damaged to read, which also stops the reading
// of the document summary information.
bool ReadSummaryInformation(std::span<const uint8_t> stream, TvnWordDocumentInfo& info, Diagnostics* diagnostics) {
  PropertySetReading set(stream, diagnostics);
  if (!set.Open()) return false;
  SetText(set.Text(2), info, &TvnWordDocumentInfo::SetTitle);
  SetText(set.Text(3), info, &TvnWordDocumentInfo::SetSubject);
  SetText(set.Text(4), info, &TvnWordDocumentInfo::SetAuthor);
  SetText(set.Text(5), info, &TvnWordDocumentInfo::SetKeyWords);
  SetText(set.Text(6), info, &TvnWordDocumentInfo::SetComments);
  SetText(set.Text(8), info, &TvnWordDocumentInfo::SetLastModifiedBy);
  SetText(set.Text(9), info, &TvnWordDocumentInfo::SetRevision);
  SetText(set.Date(11), info, &TvnWordDocumentInfo::SetLastPrinted);
  SetText(set.Date(12), info, &TvnWordDocumentInfo::SetCreated);
  SetText(set.Date(13), info, &TvnWordDocumentInfo::SetModified);
  return true;
}

void ReadDocumentSummaryInformation(std::span<const uint8_t> stream, TvnWordDocumentInfo& info,
                                    Diagnostics* diagnostics) {
  // One set, or two with the user-defined properties second.
  ByteReader header(stream.data(), stream.size());
  header.Seek(24);
  const uint32_t sets = header.U32LE();
  if (sets != 1 && sets != 2) {
    ReportTo(diagnostics, {.offset = 24, .message = "the document summary information has " +
                                                     std::to_string(sets) + " property sets"});
    return;
  }
  PropertySetReading set(stream, diagnostics);
  if (!set.Open()) return;
  SetText(set.Text(2), info, &TvnWordDocumentInfo::SetCategory);
  SetText(set.Text(15), info, &TvnWordDocumentInfo::SetCreator);
  SetText(set.Text(28), info, &TvnWordDocumentInfo::SetLanguage);
  SetText(set.Text(29), info, &TvnWordDocumentInfo::SetVersion);
}

}  // namespace

String FileTimeToText(uint64_t AFileTime) {
  const int64_t seconds = static_cast<int64_t>(AFileTime / kFileTimeTicksPerSecond);
  const int64_t days = seconds / 86400;
  const int64_t second_of_day = seconds % 86400;
  // The civil date of a day count from 1970-01-01.
  const int64_t z = days - kDaysFrom1601To1970 + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  const int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
  if (year > 9999) return {};
  return vn::framework::DateTimeToISOText(EncodeDateTime(static_cast<int>(year), month, day,
                                                         static_cast<int>(second_of_day / 3600),
                                                         static_cast<int>(second_of_day / 60 % 60),
                                                         static_cast<int>(second_of_day % 60), 0));
}

std::unique_ptr<TvnWordDocumentInfo> ReadDocumentProperties(std::span<const uint8_t> ASummaryInformation,
                                                            std::span<const uint8_t> ADocumentSummaryInformation,
                                                            Diagnostics* ADiagnostics) {
  auto info = std::make_unique<TvnWordDocumentInfo>();
  if (!ASummaryInformation.empty() && !ReadSummaryInformation(ASummaryInformation, *info, ADiagnostics))
    return info;
  if (!ADocumentSummaryInformation.empty())
    ReadDocumentSummaryInformation(ADocumentSummaryInformation, *info, ADiagnostics);
  return info;
}

}  // namespace vn::doc
