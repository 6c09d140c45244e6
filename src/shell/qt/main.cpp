// kinsheet: the desktop program.
#include <QApplication>
#include <QStringList>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "fileio/signal_cleanup.h"
#include "shell/qt/program.h"
#include "shell/qt/qt_window_services.h"
#include "state/startup.h"

namespace {

// Also the NAME and DESCRIPTION of the kinsheet(1) manual, made from it.
const char* const kProgramHelp =
    "Usage: kinsheet [FILE.ged]\n"
    "\n"
    "Opens the Kinsheet window: load a GEDCOM genealogy file, tick the fields you\n"
    "want and export one row per person as CSV (also CSV UTF-8 for Excel), a text\n"
    "report, Excel (.xls, .xlsx), Access (.mdb) or SQLite.\n"
    "\n"
    "FILE.ged, a file whose name ends in .ged or .GED (a relative path works), is\n"
    "offered in the open dialog at start, as a file manager does when a GEDCOM\n"
    "file is opened with Kinsheet. Dropping a .ged file on the window, or picking\n"
    "one under File > Recent files, does the same.\n"
    "\n"
    "  --help       print this text and exit\n"
    "  --version    print the version and exit\n"
    "Qt's own options (such as -platform offscreen) are taken too.\n"
    "\n"
    "F1 opens the help page. The ticked fields, the window's size and place, the\n"
    "last folders, the recent files and the export options are kept in\n"
    "~/.config/kinsheet/kinsheet.conf. The command-line tool is kinsheet-batch.\n";

}  // namespace

int main(int argc, char** argv) {
  // Answered before Qt starts, so that they work without a display.
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    std::fputs(kProgramHelp, stdout);
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("kinsheet %s\n", kinsheet::VersionText().c_str());
    return 0;
  }
  // Ctrl+C, SIGTERM and SIGHUP remove the work folder and any temporary
  // and end the program, after a writer under way has stopped.
  kinsheet::InstallSignalCleanup(kinsheet::SignalStop::kEndAtOnce);
  QApplication app(argc, argv);
  QApplication::setApplicationName("Kinsheet");
  QApplication::setApplicationVersion(QString::fromStdString(kinsheet::VersionText()));
  QApplication::setDesktopFileName(kinsheet::kDesktopAppId);
  // The main window ends the run; the About box may outlive it briefly.
  QApplication::setQuitOnLastWindowClosed(false);

  // Qt has taken its own options out; the rest is one file name.
  std::vector<std::string> arguments;
  const QStringList all = QApplication::arguments();
  for (qsizetype i = 1; i < all.size(); ++i) arguments.push_back(kinsheet::qt::PathBytes(all[i]));

  kinsheet::qt::DialogHooks hooks;
  kinsheet::qt::Program program(hooks);
  if (!program.Start(kinsheet::qt::PathBytes(QApplication::applicationDirPath()),
                     kinsheet::JoinCommandLine(arguments))) {
    return 1;
  }
  return QApplication::exec();
}
