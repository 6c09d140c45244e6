// Runs the window suites on one QApplication; a first argument naming a
// suite runs that suite alone (ctest registers each suite that way), the
// remaining arguments go to QTest.
#include <QApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <vector>

#include "test_support.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // Settings of the runs the tests make stay away from the user's.
  QStandardPaths::setTestModeEnabled(true);
  QTemporaryDir settings;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
  using namespace kinsheet::qt::testing;
  const std::unique_ptr<QObject> suites[] = {MakeCommandsTest(), MakeBrowserTest(), MakeDialogsTest(),
                                             MakeDesktopTest(),
                                             MakePreviewTest()};
  const QByteArray only = argc > 1 && argv[1][0] != '-' ? argv[1] : "";
  std::vector<char*> rest(argv + (only.isEmpty() ? 0 : 1), argv + argc);
  rest[0] = argv[0];
  int failed = 0;
  int ran = 0;
  for (const auto& suite : suites) {
    if (!only.isEmpty() && !QByteArray(suite->metaObject()->className()).endsWith("::" + only)) continue;
    ++ran;
    failed += QTest::qExec(suite.get(), static_cast<int>(rest.size()), rest.data());
  }
  if (ran == 0) qCritical("No suite named %s", only.constData());
  return ran == 0 ? 2 : failed == 0 ? 0 : 1;
}
