#include "text/fold.h"

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include "text/encoding.h"

namespace kinsheet::text {

void FoldForSearch(std::string_view utf8, std::string& out) {
  out.clear();
  bool ascii = true;
  for (const char c : utf8) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      ascii = false;
      break;
    }
  }
  if (ascii) {
    // Most names and places are plain ASCII, and a search folds every cell
    // of a million rows: these skip ICU altogether.
    out.reserve(utf8.size());
    for (const char c : utf8) out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
    return;
  }
  const std::u16string wide = DecodeText(utf8);
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(status);
  icu::UnicodeString source(false, wide.data(), static_cast<int32_t>(wide.size()));
  icu::UnicodeString decomposed;
  if (U_SUCCESS(status)) nfd->normalize(source, decomposed, status);
  if (U_FAILURE(status)) decomposed = source;
  icu::UnicodeString bare;
  for (int32_t i = 0; i < decomposed.length();) {
    const UChar32 c = decomposed.char32At(i);
    if (u_charType(c) != U_NON_SPACING_MARK) bare.append(c);
    i += U16_LENGTH(c);
  }
  bare.foldCase();
  bare.toUTF8String(out);
}

std::string FoldForSearch(std::string_view utf8) {
  std::string out;
  FoldForSearch(utf8, out);
  return out;
}

}  // namespace kinsheet::text
