// Record framing, BIFF strings, the shared string table and column widths.
#include "formats/xls/biff_records.h"

#include <algorithm>
#include <cmath>

#include "formats/xls/xls_error.h"
#include "text/byte_io.h"

namespace kinsheet::xls {
namespace {

// Maximum digit width of Arial 10 at 96 dpi, and the padding of a column.
constexpr double kDigitPixels = 7.0;
constexpr double kPaddingPixels = 5.0;
constexpr std::size_t kMaxSstBuckets = 128;

void PutChars(std::string& out, std::u16string_view text, bool wide) {
  if (wide) {
    for (char16_t c : text) PutU16(out, c);
  } else {
    for (char16_t c : text) PutU8(out, static_cast<std::uint8_t>(c));
  }
}

}  // namespace

RecordFrame::RecordFrame(std::string& out, std::uint16_t type) : out_(&out), start_(out.size()) {
  PutU16(out, type);
  PutU16(out, 0);
}

void RecordFrame::Close() {
  // Anything over the limit is a bug in the record code, not user data.
  if (data_size() > kMaxRecordData) throw XlsError("Internal error: a workbook record is too long.");
  SetU16(*out_, start_ + 2, static_cast<std::uint16_t>(data_size()));
}

void PutRecord(std::string& out, std::uint16_t type, std::string_view data) {
  RecordFrame frame(out, type);
  out.append(data);
  frame.Close();
}

bool FitsLatin1(std::u16string_view text) {
  return std::all_of(text.begin(), text.end(), [](char16_t c) { return c <= 0xFF; });
}

void PutShortString(std::string& out, std::u16string_view text) {
  if (text.size() > 255) throw XlsError("A name in the workbook is longer than 255 characters.");
  const bool wide = !FitsLatin1(text);
  PutU8(out, static_cast<std::uint8_t>(text.size()));
  PutU8(out, wide ? 1 : 0);
  PutChars(out, text, wide);
}

void PutString(std::string& out, std::u16string_view text) {
  if (text.size() > 0xFFFF) throw XlsError("A text in the workbook is too long.");
  const bool wide = !FitsLatin1(text);
  PutU16(out, static_cast<std::uint16_t>(text.size()));
  PutU8(out, wide ? 1 : 0);
  PutChars(out, text, wide);
}

std::uint16_t ExtSstBucketSize(std::size_t unique) {
  const std::size_t per_bucket = (unique + kMaxSstBuckets - 1) / kMaxSstBuckets;
  return static_cast<std::uint16_t>(std::max<std::size_t>(8, per_bucket));
}

std::vector<SstStringPosition> PutSst(std::string& out, std::size_t base,
                                      const std::vector<std::u16string_view>& strings,
                                      std::uint32_t total_refs) {
  const std::uint16_t bucket = ExtSstBucketSize(strings.size());
  std::vector<SstStringPosition> buckets;
  buckets.reserve(strings.size() / bucket + 1);

  RecordFrame frame(out, rt::kSst);
  PutU32(out, total_refs);
  PutU32(out, static_cast<std::uint32_t>(strings.size()));
  for (std::size_t i = 0; i < strings.size(); ++i) {
    const std::u16string_view s = strings[i];
    if (s.size() > 32767) throw XlsError("A cell text is longer than 32,767 characters.");
    const bool wide = !FitsLatin1(s);
    const std::size_t unit = wide ? 2 : 1;
    // The header (count and flags) and the first character stay together.
    if (frame.room() < 3 + (s.empty() ? 0 : unit)) {
      frame.Close();
      frame = RecordFrame(out, rt::kContinue);
    }
    if (i % bucket == 0) {
      buckets.push_back({static_cast<std::uint32_t>(base + out.size()),
                         static_cast<std::uint16_t>(out.size() - frame.start())});
    }
    PutU16(out, static_cast<std::uint16_t>(s.size()));
    PutU8(out, wide ? 1 : 0);
    std::size_t done = 0;
    while (done < s.size()) {
      if (frame.room() < unit) {
        frame.Close();
        frame = RecordFrame(out, rt::kContinue);
        PutU8(out, wide ? 1 : 0);  // the rest of a broken string restates its width
      }
      const std::size_t n = std::min(s.size() - done, frame.room() / unit);
      PutChars(out, s.substr(done, n), wide);
      done += n;
    }
  }
  frame.Close();
  return buckets;
}

void PutExtSst(std::string& out, std::uint16_t bucket_size,
               const std::vector<SstStringPosition>& buckets) {
  RecordFrame frame(out, rt::kExtSst);
  PutU16(out, bucket_size);
  for (const SstStringPosition& p : buckets) {
    PutU32(out, p.stream_position);
    PutU16(out, p.record_offset);
    PutU16(out, 0);
  }
  frame.Close();
}

std::uint16_t ColumnWidthToUnits(double chars) {
  if (!(chars >= 0) || chars > 255) throw XlsError("A column width must be between 0 and 255.");
  // Below one character the padding shrinks with the column.
  const double pixels = chars < 1 ? std::round(chars * (kDigitPixels + kPaddingPixels))
                                  : std::round(chars * kDigitPixels + kPaddingPixels);
  return static_cast<std::uint16_t>(std::floor(pixels * 256 / kDigitPixels));
}

double UnitsToColumnWidth(std::uint16_t units) {
  const double pixels = std::round(units * kDigitPixels / 256);
  if (pixels < kDigitPixels + kPaddingPixels) return pixels / (kDigitPixels + kPaddingPixels);
  return (pixels - kPaddingPixels) / kDigitPixels;
}

}  // namespace kinsheet::xls
