// An output sink over a C stdio stream (a file or standard output).
#pragma once

#include <cstdio>
#include <filesystem>

#include "gedcom_writer.h"

namespace kinsheet::gedgen {

class FileSink : public OutputSink {
 public:
  // Standard output.
  FileSink();
  // Creates or truncates `path`; throws std::system_error when it cannot.
  explicit FileSink(const std::filesystem::path& path);
  ~FileSink() override;
  FileSink(const FileSink&) = delete;
  FileSink& operator=(const FileSink&) = delete;

  // Throws std::system_error on a short write.
  void Write(std::string_view bytes) override;
  // Flushes and, for a file, closes; throws std::system_error on failure.
  void Close();

 private:
  std::FILE* file_;
  bool owned_;
};

}  // namespace kinsheet::gedgen
