// Start-up: the splash, the command-line file rule and the hand-over to the
// main window and the open dialog.
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "shell/qt/about_window.h"
#include "shell/qt/program.h"
#include "state/startup.h"
#include "suites.h"
#include "test_support.h"
#include "ui/messages.h"

namespace kinsheet::qt::testing {
namespace {

class StartupTest : public QObject {
  Q_OBJECT

 private slots:
  void commandLineFile_data();
  void commandLineFile();
  void commandLineFileIsLoadedAfterTheSplash();
  void programFolderHasNoTrailingSeparator();
  void relativeCommandLinePathReachesTheDialog();
};

void StartupTest::commandLineFile_data() {
  QTest::addColumn<QString>("create");        // file made in the sandbox first
  QTest::addColumn<QStringList>("arguments");  // "@" stands for the sandbox folder
  QTest::addColumn<QString>("preset");         // expected preset, "@" as above

  QTest::newRow("lower-case .ged") << "tree.ged" << QStringList{"@/tree.ged"} << "@/tree.ged";
  QTest::newRow("upper-case .GED") << "TREE.GED" << QStringList{"@/TREE.GED"} << "@/TREE.GED";
  QTest::newRow("mixed-case .Ged") << "tree.Ged" << QStringList{"@/tree.Ged"} << "";
  QTest::newRow("quoted name") << "tree.ged" << QStringList{"\"@/tree.ged\""} << "";
  QTest::newRow("missing file") << "" << QStringList{"@/missing.ged"} << "";
  QTest::newRow("not a .ged") << "tree.txt" << QStringList{"@/tree.txt"} << "";
  QTest::newRow("a folder named .ged") << "folder.ged/" << QStringList{"@/folder.ged"} << "";
  QTest::newRow("blanks around") << "tree.ged" << QStringList{"  @/tree.ged  "} << "@/tree.ged";
  QTest::newRow("name with a blank") << "my tree.ged" << QStringList{"@/my", "tree.ged"}
                                     << "@/my tree.ged";
  QTest::newRow("two files") << "tree.ged" << QStringList{"@/tree.ged", "@/tree.ged"} << "";
  QTest::newRow("no arguments") << "" << QStringList{} << "";
}

void StartupTest::commandLineFile() {
  QFETCH(QString, create);
  QFETCH(QStringList, arguments);
  QFETCH(QString, preset);
  Sandbox sandbox;
  const QString root = PathText(sandbox.folder());
  if (create.endsWith('/')) {
    QVERIFY(QDir().mkpath(sandbox.Path(create)));
  } else if (!create.isEmpty()) {
    WriteFile(sandbox, create, "0 HEAD\r\n");
  }
  std::vector<std::string> args;
  for (const QString& a : arguments) args.push_back(PathBytes(QString(a).replace("@", root)));
  const std::string expected = PathBytes(preset.replace("@", root));

  ScriptedDialogs dialogs;
  Program program(dialogs, 0);
  QVERIFY(program.Start(sandbox.folder(), JoinCommandLine(args), sandbox.folder()));
  program.state().opener = sandbox.opener();
  frmAboutKinsheet& about = program.about();
  MainWindow& window = program.window();

  // The splash: no close button, the version, the main window not yet shown.
  QCOMPARE(program.state().current_file_name, expected);
  QVERIFY(about.isVisible());
  QVERIFY(!about.Command1->isVisibleTo(&about));
  QCOMPARE(about.lblVersion->text(), QString("%1.%2").arg(KINSHEET_VERSION_MAJOR).arg(KINSHEET_VERSION_MINOR));
  QVERIFY(!window.isVisible());
  QCOMPARE(window.StatusPanel1->text(), PathText(expected));

  // The first tick shows the window, hides the splash and offers the file.
  QTRY_COMPARE(dialogs.file_dialogs.size(), std::size_t{1});
  QVERIFY(window.isVisible());
  QVERIFY(!about.isVisible());
  QVERIFY(about.Command1->isVisibleTo(&about));
  QVERIFY(!about.Timer1->isActive());
  const FileDialogRequest& open = dialogs.file_dialogs[0];
  QVERIFY(!open.save);
  QCOMPARE(open.title, std::string(msg::kOpenTitle));
  QCOMPARE(open.filter, std::string(msg::kOpenFilter));
  QCOMPARE(open.filter_index, 2);
  QCOMPARE(open.file_name, expected);
  // The file is offered in its own folder, whatever folder was used last.
  QCOMPARE(open.initial_folder, expected.empty() ? std::string() : sandbox.folder());

  // Cancelled: an empty, disabled browser and nothing else.
  QCOMPARE(window.ListView1->topLevelItemCount(), 0);
  QVERIFY(!window.VScroll1->isEnabled());
  QVERIFY(dialogs.messages.empty());
  QTest::qWait(20);
  QCOMPARE(dialogs.file_dialogs.size(), std::size_t{1});  // the timer fired once
}

void StartupTest::commandLineFileIsLoadedAfterTheSplash() {
  Sandbox sandbox;
  const std::string sample = SamplePath("family.ged");
  ScriptedDialogs dialogs;
  dialogs.file_answers.push_back(sample);
  auto program_owner = std::make_unique<Program>(dialogs, 0);
  Program& program = *program_owner;
  QVERIFY(program.Start(sandbox.folder(), sample, sandbox.folder()));
  QTRY_VERIFY(program.window().isVisible());
  MainWindow& window = program.window();
  QCOMPARE(dialogs.file_dialogs.at(0).file_name, sample);
  QVERIFY(program.state().work.individual_count > 20);
  QCOMPARE(window.windowTitle(), QString("Kinsheet (family.ged)"));
  QCOMPARE(window.lblCount[0]->text(), QString("%1 ").arg(program.state().work.individual_count));
  QCOMPARE(window.ListView1->topLevelItemCount(), 20);
  QCOMPARE(window.StatusPanel1->text(), QString(msg::kSelectFields));
  // The work files went to the run's own folder, which goes with the run.
  const QString work = PathText(program.state().work_folder);
  QVERIFY(work.startsWith(sandbox.Path("kinsheet-")));
  QVERIFY(QFile::exists(work + "/Kinsheet.Ind"));
  QVERIFY(QFile::exists(work + "/Kinsheet.Fam"));
  QVERIFY(!QFile::exists(sandbox.Path("Kinsheet.Ind")));
  program_owner.reset();
  QVERIFY(!QFileInfo::exists(work));
}

// "samples/family.ged" from the program's own folder reaches a real open
// dialog as the file in its folder, ready to open.
void StartupTest::relativeCommandLinePathReachesTheDialog() {
  Sandbox sandbox;
  QVERIFY(QDir().mkpath(sandbox.Path("samples")));
  const std::string file = WriteFile(sandbox, "samples/family.ged", "0 HEAD\r\n0 TRLR\r\n");
  const QString before = QDir::currentPath();
  QVERIFY(QDir::setCurrent(sandbox.Path("")));
  ScriptedDialogs dialogs;
  Program program(dialogs, 60000);
  QVERIFY(program.Start(sandbox.folder(), "samples/family.ged", sandbox.folder()));
  QDir::setCurrent(before);
  QCOMPARE(program.state().current_file_name, file);

  program.about().Timer1->stop();
  program.window().LoadFile(program.state().current_file_name);
  QCOMPARE(dialogs.file_dialogs.size(), std::size_t{1});
  const std::unique_ptr<QFileDialog> dialog = BuildFileDialog(nullptr, dialogs.file_dialogs[0]);
  QCOMPARE(dialog->directory().absolutePath(), sandbox.Path("samples"));
  QCOMPARE(dialog->selectedFiles(), QStringList{PathText(file)});
}

void StartupTest::programFolderHasNoTrailingSeparator() {
  Sandbox sandbox;
  ScriptedDialogs dialogs;
  Program program(dialogs, 60000);
  QVERIFY(program.Start(sandbox.folder() + "/", "", sandbox.folder()));
  QCOMPARE(program.state().program_folder, sandbox.folder());
  // A folder of the run's own, for its owner alone, its lock inside.
  const QFileInfo work(PathText(program.state().work_folder));
  QVERIFY(work.isDir());
  QCOMPARE(work.absolutePath(), sandbox.Path(""));
  QCOMPARE(work.permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther),
           QFile::Permissions());
  QVERIFY(QFile::exists(work.filePath() + "/lock"));
  QCOMPARE(program.state().current_file_name, std::string());
  QVERIFY(program.about().Timer1->isActive());
}

}  // namespace

std::unique_ptr<QObject> MakeStartupTest() { return std::make_unique<StartupTest>(); }

}  // namespace kinsheet::qt::testing

#include "startup_test.moc"
