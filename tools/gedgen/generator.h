// The synthetic GEDCOM generator: a seed and a person count in, a complete
// GEDCOM file out, streamed to a sink.
#pragma once

#include <cstdint>

#include "encoding.h"
#include "gedcom_writer.h"

namespace kinsheet::gedgen {

struct GeneratorOptions {
  std::uint64_t people = 1000;
  std::uint64_t seed = 1;
  LineEnd line_end = LineEnd::kLf;
  Encoding encoding = Encoding::kUtf8;
  // Names and places in their native spellings (German, Polish, Czech,
  // Japanese, emoji, ...) where the encoding holds them.
  bool non_ascii = false;
};

struct GenerationSummary {
  std::uint64_t people = 0;
  std::uint64_t families = 0;
  std::uint64_t notes = 0;  // NOTE records
  std::uint64_t sources = 0;
  std::uint64_t repositories = 0;
  std::uint64_t lines = 0;
  std::uint64_t bytes = 0;
};

// Writes the file: HEAD and SUBM, every INDI, every FAM, the NOTE, SOUR and
// REPO records, TRLR. Same options, same bytes. Memory stays that of one
// household whatever the person count: each pass plans the households
// again from their seeds. Throws std::invalid_argument for non-ASCII names
// in an ASCII file, and whatever the sink throws.
GenerationSummary GenerateGedcom(const GeneratorOptions& options,
                                 OutputSink& sink);

}  // namespace kinsheet::gedgen
