// Every text the program shows the user, in one place.
#pragma once

namespace kinsheet::msg {

// Loader and parser
inline constexpr const char* kOpenTitle = "Select GEDCOM file to Sheetify...";
inline constexpr const char* kOpenFilter =
    "All Files (*.*)|*.*|GEDCOM files (*.GED)|*.ged|Text Files (*.txt)|*.txt";
inline constexpr const char* kLoading = "Loading ";
inline constexpr const char* kFileEmpty = "File is empty!";
inline constexpr const char* kNoGedData = "No GED data in file!";
inline constexpr const char* kSelectFields = "Select fields to be included in Sheetified file...";
inline constexpr const char* kProblemParsing = "Problem parsing GedRec: ";
inline constexpr const char* kProblemLoadTables = "Problem loading GedCom table (LoadTables): ";
inline constexpr const char* kProblemProcessIndi = "Problem processing Indiv (ProcessINDI): ";
inline constexpr const char* kProblemProcessEvent = "Problem loading GedCom table (ProcessEvent): ";
inline constexpr const char* kProblemProcessFam = "Problem processing Family (ProcessFAM): ";
inline constexpr const char* kProblemAddingIndiv = "Problem adding Indiv: ";
inline constexpr const char* kProblemAddingFamil = "Problem adding Famil: ";
inline constexpr const char* kTooManyRecords =
    "File is too large! Kinsheet holds at most 2147483647 people and 2147483647 families.";

// Export command
inline constexpr const char* kNoRecords = "Workfile contains no records. Cannot create";
inline constexpr const char* kNoFields = "Please select fields to be included in Sheetify";
inline constexpr const char* kSaveTitle = "Save Sheetified file as...";
inline constexpr const char* kOverwrite = "Overwrite existing file?";

// Writers
inline constexpr const char* kSaveError = "Error occurred while trying to save file: ";
inline constexpr const char* kWorksheetError = "Error occurred while creating worksheet: ";
inline constexpr const char* kDbError = "Error occurred while creating dB: ";
inline constexpr const char* kCreatedAsk = " created. Do you wish to view it now?";

// File helpers
inline constexpr const char* kFileErrorTitle = "File Error";
inline constexpr const char* kReplaceTitle = "Replace File?";
inline constexpr const char* kReplaceContents = "Replace contents of ";
inline constexpr const char* kNavigationProblem = "Problem with navigation parms: ";

// Start-up
inline constexpr const char* kProblemStarting = "Problem loading Kinsheet ";

}  // namespace kinsheet::msg
