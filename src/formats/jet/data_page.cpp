// Data page layout: type 01, 01, free space at 2, owner at 4, (Jet 4: four
// unknown bytes), row count at 8/12, offsets from 10/14. Row k spans from
// its offset to the previous row's offset (the page end for row 0).
#include "formats/jet/data_page.h"

#include <cassert>

namespace kinsheet::jet {

DataPage::DataPage(const JetFormat& format, std::string image)
    : format_(&format), page_(std::move(image)) {}

DataPage::DataPage(const JetFormat& format, std::uint32_t owner)
    : format_(&format), page_(format.page_size, '\0'), low_(format.page_size) {
  SetU8(page_, 0, kPageData);
  SetU8(page_, 1, 0x01);
  SetU32(page_, 4, owner);
  WriteCounts();
}

DataPage DataPage::LongValuePage(const JetFormat& format) {
  DataPage page(format, 0);
  page.page_.replace(4, 4, "LVAL");
  return page;
}

DataPage DataPage::FromImage(const JetFormat& format, std::string image) {
  DataPage page(format, std::move(image));
  page.count_ = GetU16(page.page_, format.data_row_count_offset);
  page.low_ = format.page_size;
  for (const RowSlot& slot : RowsOfPage(format, page.page_)) {
    if (slot.offset < page.low_) page.low_ = slot.offset;
  }
  return page;
}

bool DataPage::Fits(std::size_t row_length) const {
  return count_ < format_->max_rows_per_page && row_length + 2 <= free_space();
}

std::size_t DataPage::free_space() const {
  const std::size_t table_end = format_->data_header_size + 2 * count_;
  return low_ > table_end ? low_ - table_end : 0;
}

std::uint8_t DataPage::AddRow(std::string_view row) {
  assert(Fits(row.size()));
  low_ -= row.size();
  page_.replace(low_, row.size(), row);
  SetU16(page_, format_->data_header_size + 2 * count_, static_cast<std::uint16_t>(low_));
  ++count_;
  WriteCounts();
  return static_cast<std::uint8_t>(count_ - 1);
}

void DataPage::OverwriteRow(std::size_t index, std::string_view row) {
  const std::vector<RowSlot> rows = RowsOfPage(*format_, page_);
  assert(index < rows.size() && rows[index].length == row.size());
  page_.replace(rows[index].offset, row.size(), row);
}

void DataPage::WriteCounts() {
  SetU16(page_, 2, static_cast<std::uint16_t>(free_space()));
  SetU16(page_, format_->data_row_count_offset, static_cast<std::uint16_t>(count_));
}

std::vector<RowSlot> RowsOfPage(const JetFormat& format, std::string_view page) {
  std::vector<RowSlot> rows;
  const std::size_t count = GetU16(page, format.data_row_count_offset);
  if (format.data_header_size + 2 * count > page.size()) {
    throw JetError("Data page claims more rows than it can hold.");
  }
  std::size_t end = format.page_size;
  for (std::size_t k = 0; k < count; ++k) {
    const std::uint16_t raw = GetU16(page, format.data_header_size + 2 * k);
    RowSlot slot;
    slot.offset = raw & kRowOffsetMask;
    slot.deleted = (raw & kRowDeleted) != 0;
    slot.overflow = (raw & kRowOverflow) != 0;
    if (slot.offset > end) throw JetError("Data page row offsets are out of order.");
    slot.length = static_cast<std::uint16_t>(end - slot.offset);
    end = slot.offset;
    rows.push_back(slot);
  }
  return rows;
}

std::string_view RowOfPage(const JetFormat& format, std::string_view page, std::size_t row) {
  const std::vector<RowSlot> rows = RowsOfPage(format, page);
  if (row >= rows.size()) throw JetError("Row " + std::to_string(row) + " is not on its page.");
  return page.substr(rows[row].offset, rows[row].length);
}

}  // namespace kinsheet::jet
