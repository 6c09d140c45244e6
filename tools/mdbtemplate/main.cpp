// Writes the two empty template databases the Access export copies:
// mdbtemplate OUTPUT_FOLDER -> Kinsheet95.mdb (Jet 3) and Kinsheet2K.mdb
// (Jet 4), with a fixed creation date so every build makes the same bytes.
#include <exception>
#include <iostream>
#include <string>

#include "formats/jet/catalog.h"
#include "formats/jet/dao.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: mdbtemplate OUTPUT_FOLDER\n";
    return 2;
  }
  const std::string folder = argv[1];
  try {
    using kinsheet::jet::JetFormat;
    kinsheet::jet::CreateEmptyDatabase(folder + "/Kinsheet95.mdb", JetFormat::Jet3(),
                                       kinsheet::jet::kTemplateDate);
    kinsheet::jet::CreateEmptyDatabase(folder + "/Kinsheet2K.mdb", JetFormat::Jet4(),
                                       kinsheet::jet::kTemplateDate);
  } catch (const std::exception& e) {
    std::cerr << "mdbtemplate: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
