// BIFF8 record plumbing shared by the workbook writer and reader: record
// type numbers, record framing, the shared string table with its CONTINUE
// splitting, and the column-width unit conversion.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kinsheet::xls {

namespace rt {
inline constexpr std::uint16_t kFormula = 0x0006;
inline constexpr std::uint16_t kEof = 0x000A;
inline constexpr std::uint16_t kCalcCount = 0x000C;
inline constexpr std::uint16_t kCalcMode = 0x000D;
inline constexpr std::uint16_t kCalcPrecision = 0x000E;
inline constexpr std::uint16_t kCalcRefMode = 0x000F;
inline constexpr std::uint16_t kCalcDelta = 0x0010;
inline constexpr std::uint16_t kCalcIter = 0x0011;
inline constexpr std::uint16_t kProtect = 0x0012;
inline constexpr std::uint16_t kPassword = 0x0013;
inline constexpr std::uint16_t kHeader = 0x0014;
inline constexpr std::uint16_t kFooter = 0x0015;
inline constexpr std::uint16_t kWinProtect = 0x0019;
inline constexpr std::uint16_t kDate1904 = 0x0022;
inline constexpr std::uint16_t kPrintRowCol = 0x002A;
inline constexpr std::uint16_t kPrintGrid = 0x002B;
inline constexpr std::uint16_t kFont = 0x0031;
inline constexpr std::uint16_t kContinue = 0x003C;
inline constexpr std::uint16_t kWindow1 = 0x003D;
inline constexpr std::uint16_t kBackup = 0x0040;
inline constexpr std::uint16_t kCodePage = 0x0042;
inline constexpr std::uint16_t kDefColWidth = 0x0055;
inline constexpr std::uint16_t kWriteAccess = 0x005C;
inline constexpr std::uint16_t kCalcSaveRecalc = 0x005F;
inline constexpr std::uint16_t kColInfo = 0x007D;
inline constexpr std::uint16_t kGuts = 0x0080;
inline constexpr std::uint16_t kWsBool = 0x0081;
inline constexpr std::uint16_t kGridSet = 0x0082;
inline constexpr std::uint16_t kHCenter = 0x0083;
inline constexpr std::uint16_t kVCenter = 0x0084;
inline constexpr std::uint16_t kBoundSheet = 0x0085;
inline constexpr std::uint16_t kCountry = 0x008C;
inline constexpr std::uint16_t kHideObj = 0x008D;
inline constexpr std::uint16_t kFnGroupCount = 0x009C;
inline constexpr std::uint16_t kSetup = 0x00A1;
inline constexpr std::uint16_t kMulBlank = 0x00BE;
inline constexpr std::uint16_t kMms = 0x00C1;
inline constexpr std::uint16_t kDbCell = 0x00D7;
inline constexpr std::uint16_t kBookBool = 0x00DA;
inline constexpr std::uint16_t kXf = 0x00E0;
inline constexpr std::uint16_t kInterfaceHdr = 0x00E1;
inline constexpr std::uint16_t kInterfaceEnd = 0x00E2;
inline constexpr std::uint16_t kSst = 0x00FC;
inline constexpr std::uint16_t kLabelSst = 0x00FD;
inline constexpr std::uint16_t kNumber = 0x0203;  // row, column, XF, IEEE double
inline constexpr std::uint16_t kExtSst = 0x00FF;
inline constexpr std::uint16_t kRrTabId = 0x013D;
inline constexpr std::uint16_t kUsesElfs = 0x0160;
inline constexpr std::uint16_t kDsf = 0x0161;
inline constexpr std::uint16_t kProt4Rev = 0x01AF;
inline constexpr std::uint16_t kRefreshAll = 0x01B7;
inline constexpr std::uint16_t kProt4RevPass = 0x01BC;
inline constexpr std::uint16_t kDimensions = 0x0200;
inline constexpr std::uint16_t kBlank = 0x0201;
inline constexpr std::uint16_t kLabel = 0x0204;
inline constexpr std::uint16_t kRow = 0x0208;
inline constexpr std::uint16_t kIndex = 0x020B;
inline constexpr std::uint16_t kDefaultRowHeight = 0x0225;
inline constexpr std::uint16_t kWindow2 = 0x023E;
inline constexpr std::uint16_t kStyle = 0x0293;
inline constexpr std::uint16_t kFormat = 0x041E;
inline constexpr std::uint16_t kBof = 0x0809;
}  // namespace rt

// Largest record body; longer data goes on in CONTINUE records.
inline constexpr std::size_t kMaxRecordData = 8224;

// Frames one record in `out`: the constructor writes the type and a size
// placeholder, Close() patches the size.
class RecordFrame {
 public:
  RecordFrame(std::string& out, std::uint16_t type);
  std::size_t start() const { return start_; }
  std::size_t data_size() const { return out_->size() - start_ - 4; }
  std::size_t room() const { return kMaxRecordData - data_size(); }
  void Close();

 private:
  std::string* out_;
  std::size_t start_;
};

// Appends a whole small record.
void PutRecord(std::string& out, std::uint16_t type, std::string_view data);

// True when every code unit fits one byte (BIFF's "compressed" form, which
// is ISO-8859-1, not a Windows code page).
bool FitsLatin1(std::u16string_view text);

// ShortXLUnicodeString (8-bit count) and XLUnicodeString (16-bit count).
void PutShortString(std::string& out, std::u16string_view text);
void PutString(std::string& out, std::u16string_view text);

// Where one SST string starts: its stream position and its offset from the
// start of the SST or CONTINUE record holding it, record header included.
struct SstStringPosition {
  std::uint32_t stream_position;
  std::uint16_t record_offset;
};

// Strings per EXTSST bucket for `unique` strings (at most 128 buckets).
std::uint16_t ExtSstBucketSize(std::size_t unique);

// Appends SST and its CONTINUE records. `base` is the stream position of
// out[0]. A string's header and first character never straddle records; a
// string broken between characters goes on after a fresh flags byte.
// Returns the position of every bucket-th string for EXTSST.
std::vector<SstStringPosition> PutSst(std::string& out, std::size_t base,
                                      const std::vector<std::u16string_view>& strings,
                                      std::uint32_t total_refs);

void PutExtSst(std::string& out, std::uint16_t bucket_size,
               const std::vector<SstStringPosition>& buckets);

// Column widths: `chars` is what a user types as the width (digits of the
// default font, Arial 10, seven pixels each); the stored unit is 1/256 of a
// digit and includes the five pixels of padding every column carries.
std::uint16_t ColumnWidthToUnits(double chars);
double UnitsToColumnWidth(std::uint16_t units);

}  // namespace kinsheet::xls
