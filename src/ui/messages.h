// Every text the core shows the user through the window services, in one
// place. The window's own labels (menus, field boxes, counters) live with
// the window that lays them out, the batch tool's help with that tool, and
// the file-format engines keep their own error texts so that they stay
// usable without the rest of the program.
#pragma once

namespace kinsheet::msg {

// Loader and parser
inline constexpr const char* kOpenTitle = "Select GEDCOM file to Sheetify...";
inline constexpr const char* kOpenFilter =
    "All Files (*.*)|*.*|GEDCOM files (*.GED, *.GDZ)|*.ged;*.gdz|Text Files (*.txt)|*.txt";
inline constexpr const char* kLoading = "Loading ";
inline constexpr const char* kCaptionStart = "Kinsheet (";
inline constexpr const char* kCaptionEnd = ")";
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
// A record beyond the 16-bit counts: "<start><id><end>".
inline constexpr const char* kTooManyFamsStart = "Person @";
inline constexpr const char* kTooManyFamsEnd =
    "@ has more than 32767 FAMS lines: only the first 32767 are counted.";
inline constexpr const char* kTooManyChilStart = "Family @";
inline constexpr const char* kTooManyChilEnd =
    "@ has more than 32767 CHIL lines: only the first 32767 children are counted.";
// The work folder's disk filled up during a load:
// "<start><folder><middle><megabytes><end>".
inline constexpr const char* kWorkFolderFullStart = "The work folder ";
inline constexpr const char* kWorkFolderFullMiddle = " ran out of space. Loading this file needs about ";
inline constexpr const char* kWorkFolderFullEnd =
    " MB free there; free some space, or point TMPDIR at a folder with more room, and load it again.";
// Why a line or a record could not be taken, after the texts above.
inline constexpr const char* kTypeMismatch = "Type mismatch";
inline constexpr const char* kSubscriptOutOfRange = "Subscript out of range";
inline constexpr const char* kInvalidCall = "Invalid procedure call or argument";
// After the shown "Problem ..." messages of a load: "<count>" + this.
inline constexpr const char* kMoreProblems = " more lines could not be read. Is this a GEDCOM file?";
// How a file that is not plain UTF-8, ASCII or ANSI is being read.
inline constexpr const char* kReadingAnsel = "Reading as ANSEL (declared in the file), converted to UTF-8";
inline constexpr const char* kReadingCp437 =
    "Reading as code page 437 (declared in the file), converted to UTF-8";
inline constexpr const char* kReadingMacRoman =
    "Reading as Mac OS Roman (declared in the file), converted to UTF-8";
inline constexpr const char* kReadingUtf16Le = "Reading as UTF-16 (little-endian), converted to UTF-8";
inline constexpr const char* kReadingUtf16Be = "Reading as UTF-16 (big-endian), converted to UTF-8";
// "<start><version>", for a GEDCOM 7 file.
inline constexpr const char* kReadingGedcomStart = "Reading as GEDCOM ";
inline constexpr const char* kLoadCancelled = "Load cancelled";
// A cancelled load over a loaded file, which stays: this and its path.
inline constexpr const char* kLoadCancelledKept = "Load cancelled; still loaded: ";
// A file that is not GEDCOM at all: "<file name><kind><advice>".
inline constexpr const char* kNotGedcomZip = " is a ZIP archive, not a GEDCOM file.";
inline constexpr const char* kNotGedcomOfficeZip =
    " is a word-processor or spreadsheet document (.docx, .xlsx, .odt or the like), not a GEDCOM file.";
inline constexpr const char* kNotGedcomOfficeOld =
    " is a Microsoft Office document (Word 97-2003 .doc, Excel .xls or the like), not a GEDCOM file.";
inline constexpr const char* kNotGedcomPdf = " is a PDF document, not a GEDCOM file.";
inline constexpr const char* kNotGedcomPng = " is a PNG image, not a GEDCOM file.";
inline constexpr const char* kNotGedcomJpeg = " is a JPEG image, not a GEDCOM file.";
inline constexpr const char* kNotGedcomGif = " is a GIF image, not a GEDCOM file.";
inline constexpr const char* kNotGedcomGzip = " is a gzip-compressed file, not a GEDCOM file: uncompress it first.";
inline constexpr const char* kNotGedcomRtf = " is an RTF document, not a GEDCOM file.";
inline constexpr const char* kNotGedcomBinary = " holds binary data, not text: it is not a GEDCOM file.";
inline constexpr const char* kNotGedcomAdvice =
    " A GEDCOM file is a text file (usually .ged) that a family tree program exports.";
inline constexpr const char* kNoWorkFolder = "Cannot make a private folder for the work files: ";
// A GEDCOM archive (.gdz, a ZIP holding gedcom.ged and its media):
// "<file name><text>".
inline constexpr const char* kArchiveWithoutGedcom =
    " is a GEDCOM archive (.gdz) without the gedcom.ged it must hold: there is no family tree in it to read.";
inline constexpr const char* kArchiveDamaged =
    " is a damaged ZIP archive: its gedcom.ged cannot be read. Make the archive again, or unpack what can be"
    " saved with an archive program.";

// The reading report: everything a load could not read or found
// inconsistent, one entry a line. Problem and what was done, by kind.
inline constexpr const char* kReportUnreadable = "Line could not be read";
inline constexpr const char* kReportUnreadableDone = "Line left out";
inline constexpr const char* kReportUndefined = "Pointer to an id that no record defines";
inline constexpr const char* kReportUndefinedDone = "Kept as written; it links to nobody";
inline constexpr const char* kReportDuplicate = "Id defined again";
inline constexpr const char* kReportDuplicateDone = "Both records kept as rows; links go to the first";
inline constexpr const char* kReportChildWithoutFamc = "Family names a child (CHIL) whose record does not name the family (FAMC)";
inline constexpr const char* kReportChildWithoutFamcDone = "Child counted in the family; the person keeps the parents it names";
inline constexpr const char* kReportFamcWithoutChild = "Person names a parents' family (FAMC) that does not name the person as a child (CHIL)";
inline constexpr const char* kReportFamcWithoutChildDone = "Parents taken from the family; not counted among its children";
inline constexpr const char* kReportConc = "CONC line in a GEDCOM 7 file (7 has no CONC)";
inline constexpr const char* kReportConcDone = "Read as in GEDCOM 5.5.1; reported once";
inline constexpr const char* kReportCut = "Value longer than its field";
inline constexpr const char* kReportCutDone = "Cut to the field's width";
inline constexpr const char* kReportNoId = "Record without an id";
inline constexpr const char* kReportNoIdDone = "Kept as a row with an empty id; nothing can point to it";
// The kinds, short, for the summary line: "<count> <kind>".
inline constexpr const char* kReportShortUnreadable = "unreadable lines";
inline constexpr const char* kReportShortUndefined = "pointers to undefined ids";
inline constexpr const char* kReportShortDuplicate = "ids defined again";
inline constexpr const char* kReportShortChildWithoutFamc = "CHIL without the child's FAMC";
inline constexpr const char* kReportShortFamcWithoutChild = "FAMC without the family's CHIL";
inline constexpr const char* kReportShortConc = "CONC in GEDCOM 7";
inline constexpr const char* kReportShortCut = "values cut";
inline constexpr const char* kReportShortNoId = "records without an id";
// Past this many entries only the counts go on.
inline constexpr const char* kReportMoreStart = "Only the first ";
inline constexpr const char* kReportMoreEnd = " entries are listed";
// The summary line: "<start><count><end>" then "(<n> <kind>, ...)".
inline constexpr const char* kReportSummaryStart = "Reading report: ";
inline constexpr const char* kReportSummaryEnd = " entries";
inline constexpr const char* kReportSummaryNone = "Reading report: nothing to report";
// The window's status-bar entry and menu item: "<start><count><end>".
inline constexpr const char* kReportEntryStart = "Reading report (";
inline constexpr const char* kReportEntryEnd = ")";
inline constexpr const char* kReportCsvHeader = "Line,Record_ID,Problem,Action";
inline constexpr const char* kReportSaveTitle = "Save the reading report as...";
inline constexpr const char* kReportSaveFilter = "CSV files (*.csv)|*.csv|All Files (*.*)|*.*";
inline constexpr const char* kReportSaveFailed = "The reading report could not be saved: ";

// Export command
inline constexpr const char* kNoRecords = "Workfile contains no records. Cannot create";
inline constexpr const char* kNoFields = "Please select fields to be included in Sheetify";
inline constexpr const char* kSaveTitle = "Save Sheetified file as...";
inline constexpr const char* kOverwrite = "Overwrite existing file?";
inline constexpr const char* kSaveFilterXls = "All Files (*.*)|*.*|MS Excel Files (*.xls)|*.xls";
inline constexpr const char* kSaveFilterMdb = "All Files (*.*)|*.*|MS Access Files (*.mdb)|*.mdb";
inline constexpr const char* kSaveFilterCsv =
    "All Files (*.*)|*.*|Comma Delimited Files (*.csv)|*.csv|CSV UTF-8 for Excel (*.csv)|*.csv";
inline constexpr const char* kStandardOutputNeedsText =
    "Only CSV and the text report can be written to standard output ('-'); the other formats need a file.";
// The window's CSV option.
inline constexpr const char* kCsvGuard = "Guard CSV values against formulas (leading ')";
inline constexpr const char* kSaveFilterTxt = "All Files (*.*)|*.*|Text Files (*.txt)|*.txt";
// After the chosen output path.
inline constexpr const char* kOutputIsGedcom =
    " is the GEDCOM file that was loaded. Please choose another name for the export.";
inline constexpr const char* kOutputNotAFile =
    " is not a regular file (a folder or a device). Please choose another name for the export.";
inline constexpr const char* kSaveFilterXlsx = "All Files (*.*)|*.*|Excel Workbooks (*.xlsx)|*.xlsx";
inline constexpr const char* kSaveFilterSqlite =
    "All Files (*.*)|*.*|SQLite Databases (*.sqlite;*.sqlite3;*.db)|*.sqlite;*.sqlite3;*.db";

// Living people: the name that stands for a person presumed living, and the
// window's choice of what an export does with them.
inline constexpr const char* kLiving = "Living";
// The root person of the kinship columns: "<start><id><end>".
inline constexpr const char* kUnknownRootStart = "No person has the id @";
inline constexpr const char* kUnknownRootEnd = "@: choose a root person who is in the file.";
inline constexpr const char* kLivingChoice = "Living people:";
inline constexpr const char* kLivingInclude = "Include";
inline constexpr const char* kLivingPrivate = "Private";
inline constexpr const char* kLivingExclude = "Leave out";

// The window, when a command stops on something it did not report itself.
inline constexpr const char* kUnexpectedError = "The command stopped on an unexpected error: ";
inline constexpr const char* kWindowOutOfMemory =
    "Kinsheet ran out of memory and stopped the command. Close other programs and try again.";

// Writers
inline constexpr const char* kSaveError = "Error occurred while trying to save file: ";
inline constexpr const char* kWorksheetError = "Error occurred while creating worksheet: ";
inline constexpr const char* kDbError = "Error occurred while creating dB: ";
inline constexpr const char* kCreatedAsk = " created. Do you wish to view it now?";
inline constexpr const char* kOneMoment = "One moment please...";
inline constexpr const char* kExportCancelled = "Export cancelled";
inline constexpr const char* kNotSaved = "Not saved: ";
inline constexpr const char* kCreating = "Creating ";
inline constexpr const char* kCreatingEnd = "...";
inline constexpr const char* kOutOfMemory = "Out of memory";
inline constexpr const char* kTemplateMissing =
    "MS Access workfile missing. Cannot create dB. \nPlease reinstall Kinsheet.";
// The .xlsx sheet's row limit: "The file holds N people, but ... at most M (...".
inline constexpr const char* kTooManyPeople = "The file holds ";
// The .xls sheet's limit, said as what it is rather than as a failure:
// "<start><count><limit><max><advice>".
inline constexpr const char* kXlsTooManyStart = "Too many people for .xls: the export holds ";
inline constexpr const char* kXlsTooManyLimit = " people, but an .xls worksheet holds at most ";
inline constexpr const char* kXlsTooManyAdvice =
    " (65536 rows with the caption row and an empty row). "
    "Please export to an Excel Workbook (.xlsx) instead, or to CSV or Access.";
// The same for the Excel 2007+ sheet.
inline constexpr const char* kXlsxTooManyPeopleLimit = " people, but an Excel 2007+ worksheet holds at most ";
inline constexpr const char* kXlsxTooManyPeopleAdvice =
    " (1048576 rows with the caption row). Please export to the CSV or SQLite format instead.";
// An Access id field is narrower than the file's longest id: "This file
// has an id of N characters, ...".
inline constexpr const char* kAccessIdTooLong = "This file has an id of ";
inline constexpr const char* kAccessIdTooLongEnd =
    " characters, but an Access id field holds at most 30. An id is never cut, so that two people "
    "cannot come out with the same one: please export to the .xlsx, SQLite or CSV format instead.";
// What failed in the .xlsx writer: the text, then the library's reason or
// the path (with what follows it).
inline constexpr const char* kXlsxCannotCreate = "Cannot create ";
inline constexpr const char* kXlsxCannotSetProperties = "Cannot set the document properties";
inline constexpr const char* kXlsxCannotAddWorksheet = "Cannot add the worksheet ";
inline constexpr const char* kXlsxCannotFormatColumn = "Cannot format a column";
inline constexpr const char* kXlsxCannotWriteCaption = "Cannot write a caption";
inline constexpr const char* kXlsxCannotSetAutofilter = "Cannot set the autofilter";
inline constexpr const char* kXlsxCannotWriteRow = "Cannot write a row";
inline constexpr const char* kXlsxCannotSave = "Cannot save ";
inline constexpr const char* kXlsxCutShort = ": the workbook was cut short (disk full?)";
inline constexpr const char* kXlsxCannotWrite = "Cannot write ";
inline constexpr const char* kXlsxRowsLost = ": the disk is full or the file is too large";

// File helpers
inline constexpr const char* kFileErrorTitle = "File Error";
inline constexpr const char* kReplaceTitle = "Replace File?";
inline constexpr const char* kReplaceContents = "Replace contents of ";
inline constexpr const char* kNavigationProblem = "Problem with navigation parms: ";
// FileErrors' texts, by the file layer's code.
inline constexpr const char* kFileNameIllegal = "That filename is illegal.";
inline constexpr const char* kFileModeRefused = "Can't open your file for that type of access.";
inline constexpr const char* kFileAlreadyOpen = "That file is already open.";
inline constexpr const char* kDiskFull = "The disk is full.";
inline constexpr const char* kPastEndOfFile =
    "This file has a nonstandard end-of-file marker,or an attempt was made to read beyond "
    "the end-of-file marker.";
inline constexpr const char* kDeviceUnavailable = "That device appears to be unavailable.";
inline constexpr const char* kDiskNotReady = "The disk is not ready.";
inline constexpr const char* kPathMissing = "That path doesn't exist.";
// What a failed file operation says of itself (a path may follow).
inline constexpr const char* kBadFileNameOrNumber = "Bad file name or number";
inline constexpr const char* kBadFileName = "Bad file name";
inline constexpr const char* kBadRecordLength = "Bad record length";
inline constexpr const char* kInputPastEnd = "Input past end of file";
inline constexpr const char* kNoOpener = "No program is set up to open ";

// Window
inline constexpr const char* kCancel = "Cancel";
// The empty window's line on what to do.
inline constexpr const char* kStartHint =
    "No file loaded yet. Open a GEDCOM file with File > Open GEDCOM (Ctrl+O), or drop one on this window.";
// The browser's page: "people 21–40 of 4,578".
inline constexpr const char* kPageRangeStart = "people ";
inline constexpr const char* kPageRangeDash = "–";
inline constexpr const char* kPageRangeOf = " of ";
inline constexpr const char* kRecentFiles = "&Recent files";

// Start-up
inline constexpr const char* kProblemStarting = "Problem loading Kinsheet ";

}  // namespace kinsheet::msg
