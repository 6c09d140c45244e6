// The two format descriptions.
#include "formats/jet/jet_format.h"

namespace kinsheet::jet {

const JetFormat& JetFormat::Jet3() {
  static const JetFormat kJet3{
      .version = 3,
      .name = "Jet 3",
      .page_size = 2048,
      .version_byte = 0x00,
      .masked_header_bytes = 126,
      .password_size = 20,
      .max_file_size = 1ull << 30,
      .max_file_text = "1 GB",
      .data_row_count_offset = 8,
      .data_header_size = 10,
      .tdef_row_count_offset = 12,
      .tdef_table_type_offset = 20,
      .tdef_fixed_block = 43,
      .column_descriptor_size = 18,
      .real_index_entry_size = 8,
      .name_length_size = 1,
      .row_field_size = 1,
      .max_row_size = 2012,
      .text_unit_bytes = 1,
      .usage_map_row_size = 133,
      .property_magic = "KKD",
  };
  return kJet3;
}

const JetFormat& JetFormat::Jet4() {
  static const JetFormat kJet4{
      .version = 4,
      .name = "Jet 4",
      .page_size = 4096,
      .version_byte = 0x01,
      .masked_header_bytes = 128,
      .password_size = 40,
      .max_file_size = 2ull << 30,
      .max_file_text = "2 GB",
      .data_row_count_offset = 12,
      .data_header_size = 14,
      .tdef_row_count_offset = 16,
      .tdef_table_type_offset = 40,
      .tdef_fixed_block = 63,
      .column_descriptor_size = 25,
      .real_index_entry_size = 12,
      .name_length_size = 2,
      .row_field_size = 2,
      .max_row_size = 4060,
      .text_unit_bytes = 2,
      .usage_map_row_size = 69,
      .property_magic = "MR2",
  };
  return kJet4;
}

const JetFormat& JetFormat::ForAccessFormat(std::string_view access_format) {
  if (access_format == "95") return Jet3();
  if (access_format == "2K") return Jet4();
  throw JetError("Unknown Access format \"" + std::string(access_format) +
                 "\" (expected \"95\" or \"2K\").");
}

std::size_t FixedTypeSize(std::uint8_t type) {
  switch (type) {
    case kTypeBoolean:
      return 0;
    case kTypeByte:
      return 1;
    case kTypeInteger:
      return 2;
    case kTypeLong:
    case kTypeSingle:
      return 4;
    case kTypeCurrency:
    case kTypeDouble:
    case kTypeDate:
      return 8;
    default:
      return 0;
  }
}

bool IsVariableType(std::uint8_t type) {
  return type == kTypeBinary || type == kTypeText || type == kTypeOle || type == kTypeMemo;
}

bool IsLongValueType(std::uint8_t type) { return type == kTypeOle || type == kTypeMemo; }

}  // namespace kinsheet::jet
