// kinsheet: the desktop program.
#include <QApplication>
#include <QStringList>
#include <string>
#include <vector>

#include "fileio/signal_cleanup.h"
#include "shell/qt/program.h"
#include "shell/qt/qt_window_services.h"
#include "state/startup.h"

int main(int argc, char** argv) {
  // Ctrl+C, SIGTERM and SIGHUP remove the work folder and any temporary
  // and end the program, after a writer under way has stopped.
  kinsheet::InstallSignalCleanup(kinsheet::SignalStop::kEndAtOnce);
  QApplication app(argc, argv);
  QApplication::setApplicationName("Kinsheet");
  QApplication::setApplicationVersion(QString::fromStdString(kinsheet::VersionText()));
  QApplication::setDesktopFileName("kinsheet");
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
