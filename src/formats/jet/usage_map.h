// Usage maps: rows on data pages that list pages. Type 0 (inline) holds a
// start page and a bitmap; type 1 (reference) holds the numbers of 0x05
// bitmap pages, each covering a fixed stretch of (page size - 4) x 8 pages.
// Page 1 holds the global map, in which a set bit means "free".
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/jet/jet_format.h"

namespace kinsheet::jet {

inline constexpr std::uint8_t kMapInline = 0x00;
inline constexpr std::uint8_t kMapReference = 0x01;

// Start pages of inline maps are multiples of 8.
inline std::uint32_t InlineStartFor(std::uint32_t first_page) { return first_page / 8 * 8; }

// An inline map row of `bitmap_bytes` bitmap bytes listing `pages` (each
// within the window from `start`).
std::string InlineMapRow(std::uint32_t start, std::size_t bitmap_bytes,
                         const std::vector<std::uint32_t>& pages);
// Sets or clears one page's bit in an inline map row; throws JetError when
// the page lies outside its window.
void SetInlineMapBit(std::string& row, std::uint32_t page, bool on);

// A reference map row: all slots 0.
std::string EmptyReferenceMapRow(const JetFormat& format);
std::uint32_t ReferenceSlot(std::string_view row, std::size_t slot);
void SetReferenceSlot(std::string& row, std::size_t slot, std::uint32_t bitmap_page);

// A 0x05 page with no bits set.
std::string EmptyBitmapPage(const JetFormat& format);
void SetBitmapPageBit(std::string& page, std::size_t bit, bool on);

// Page 1: the global map. Row 0 covers the whole file, pages from
// `page_count` on being free: inline while that fits on page 1, else a
// reference row whose 0x05 pages are `global_bitmaps` (one per stretch, in
// order). Row 1 is an empty inline map.
std::string GlobalMapPage(const JetFormat& format, std::uint32_t page_count,
                          const std::vector<std::uint32_t>& global_bitmaps);
// Whether an inline row on page 1 can cover `page_count` pages.
bool GlobalMapFitsInline(const JetFormat& format, std::uint32_t page_count);
// The 0x05 page image for stretch `stretch` of a reference global map.
std::string GlobalBitmapPage(const JetFormat& format, std::size_t stretch, std::uint32_t page_count);

using PageReader = std::function<std::string(std::uint32_t page)>;

// The pages a map row lists, ascending.
std::vector<std::uint32_t> PagesOfMap(const JetFormat& format, std::string_view row,
                                      const PageReader& read_page);

}  // namespace kinsheet::jet
