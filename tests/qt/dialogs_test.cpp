// The real message boxes and file dialogs behind the window's hook: how a
// request is turned into a Qt dialog, and what an answer comes back as.
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "suites.h"
#include "test_support.h"
#include "ui/messages.h"

namespace kinsheet::qt::testing {
namespace {

// Acts on the next modal dialog once it is up.
template <typename Dialog, typename Act>
void WhenShown(Act act) {
  QTimer::singleShot(0, [act] {
    QTRY_VERIFY(qobject_cast<Dialog*>(QApplication::activeModalWidget()) != nullptr);
    act(qobject_cast<Dialog*>(QApplication::activeModalWidget()));
  });
}

class DialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void nameFilters();
  void openDialogSetUp();
  void saveDialogSetUp();
  void messageBoxSetUp();
  void answersComeBack();
  void textsAreDecoded();
};

void DialogsTest::nameFilters() {
  QCOMPARE(NameFilters(msg::kOpenFilter),
           (QStringList{"All Files (*.*) (*)", "GEDCOM files (*.GED) (*.ged *.GED)",
                        "Text Files (*.txt) (*.txt *.TXT)"}));
  QCOMPARE(NameFilters("All Files (*.*)|*.*|MS Access Files (*.mdb)|*.mdb"),
           (QStringList{"All Files (*.*) (*)", "MS Access Files (*.mdb) (*.mdb *.MDB)"}));
  QCOMPARE(NameFilters("Odd|*.a;*.b|Unpaired"), QStringList{"Odd (*.a *.A *.b *.B)"});
}

void DialogsTest::openDialogSetUp() {
  Sandbox sandbox;
  const std::string ged = WriteFile(sandbox, "tree.ged", "0 HEAD\r\n");
  FileDialogRequest request;
  request.title = msg::kOpenTitle;
  request.filter = msg::kOpenFilter;
  request.filter_index = 2;
  request.file_name = ged;
  const auto dialog = BuildFileDialog(nullptr, request);
  QCOMPARE(dialog->windowTitle(), QString(msg::kOpenTitle));
  QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptOpen);
  QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFile);
  // Shown as the description alone.
  QCOMPARE(dialog->selectedNameFilter(), QString("GEDCOM files (*.GED)"));
  QVERIFY(dialog->testOption(QFileDialog::HideNameFilterDetails));
  QCOMPARE(dialog->directory().absolutePath(), PathText(sandbox.folder()));
  QCOMPARE(dialog->selectedFiles(), QStringList{PathText(ged)});

  request.file_name.clear();
  request.initial_folder = sandbox.folder();
  request.filter_index = 1;
  const auto in_folder = BuildFileDialog(nullptr, request);
  QCOMPARE(in_folder->directory().absolutePath(), PathText(sandbox.folder()));
  QCOMPARE(in_folder->selectedNameFilter(), QString("All Files (*.*)"));
}

void DialogsTest::saveDialogSetUp() {
  Sandbox sandbox;
  FileDialogRequest request;
  request.save = true;
  request.title = msg::kSaveTitle;
  request.filter = "All Files (*.*)|*.*|MS Excel Files (*.xls)|*.xls";
  request.filter_index = 2;
  request.file_name = "family.xls";
  request.initial_folder = sandbox.folder();
  request.cancel_error = true;
  const auto dialog = BuildFileDialog(nullptr, request);
  QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
  QVERIFY(dialog->testOption(QFileDialog::DontConfirmOverwrite));
  QCOMPARE(dialog->selectedNameFilter(), QString("MS Excel Files (*.xls)"));
  QCOMPARE(dialog->directory().absolutePath(), PathText(sandbox.folder()));
  QCOMPARE(dialog->selectedFiles(), QStringList{sandbox.Path("family.xls")});
}

void DialogsTest::messageBoxSetUp() {
  struct Case {
    MessageBoxRequest request;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton default_button;
    QMessageBox::StandardButton escape_button;
  };
  const Case cases[] = {
      {{msg::kFileEmpty, MsgIcon::kExclamation, MsgButtons::kOk, 1, kAppTitle},
       QMessageBox::Warning, QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Ok},
      {{"x created. Do you wish to view it now?", MsgIcon::kQuestion, MsgButtons::kYesNo, 2, kAppTitle},
       QMessageBox::Question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No, QMessageBox::No},
      {{"That device appears to be unavailable.", MsgIcon::kExclamation, MsgButtons::kRetryCancel, 1,
        msg::kFileErrorTitle},
       QMessageBox::Warning, QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::Retry, QMessageBox::Cancel},
  };
  for (const Case& c : cases) {
    const auto box = BuildMessageBox(nullptr, c.request);
    QCOMPARE(box->windowTitle(), QString::fromStdString(c.request.title));
    QCOMPARE(box->text(), QString::fromStdString(c.request.text));
    QCOMPARE(box->textFormat(), Qt::PlainText);
    QCOMPARE(box->icon(), c.icon);
    QCOMPARE(box->standardButtons(), c.buttons);
    QCOMPARE(box->standardButton(box->defaultButton()), c.default_button);
    QCOMPARE(box->standardButton(qobject_cast<QAbstractButton*>(box->escapeButton())), c.escape_button);
  }
}

void DialogsTest::answersComeBack() {
  DialogHooks hooks;
  MessageBoxRequest question{"Overwrite existing file?", MsgIcon::kQuestion, MsgButtons::kYesNo, 2, kAppTitle};
  WhenShown<QMessageBox>([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); });
  QCOMPARE(hooks.Message(nullptr, question), MsgResult::kNo);
  WhenShown<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
  QCOMPARE(hooks.Message(nullptr, question), MsgResult::kYes);
  MessageBoxRequest retry{"x", MsgIcon::kExclamation, MsgButtons::kRetryCancel, 1, msg::kFileErrorTitle};
  WhenShown<QMessageBox>([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
  QCOMPARE(hooks.Message(nullptr, retry), MsgResult::kCancel);

  Sandbox sandbox;
  FileDialogRequest save;
  save.save = true;
  save.filter = "All Files (*.*)|*.*|Text Files (*.txt)|*.txt";
  save.filter_index = 2;
  save.initial_folder = sandbox.folder();
  save.file_name = "family.txt";
  WhenShown<QFileDialog>([](QFileDialog* dialog) { static_cast<QDialog*>(dialog)->accept(); });
  FileDialogResult chosen = hooks.FileDialog(nullptr, save);
  QVERIFY(!chosen.cancelled);
  QCOMPARE(chosen.file_name, sandbox.PathBytes("family.txt"));
  WhenShown<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
  chosen = hooks.FileDialog(nullptr, save);
  QVERIFY(chosen.cancelled);
  QCOMPARE(chosen.file_name, std::string());
}

void DialogsTest::textsAreDecoded() {
  QCOMPARE(ToQString("\xC3\x96rebro"), QString::fromUtf8("\xC3\x96rebro"));  // UTF-8
  QCOMPARE(ToQString("\xD6rebro"), QString::fromUtf8("\xC3\x96rebro"));      // Windows-1252
  const QString name = QString::fromUtf8("/tmp/\xC3\xB6.ged");
  QCOMPARE(PathText(PathBytes(name)), name);
}

}  // namespace

std::unique_ptr<QObject> MakeDialogsTest() { return std::make_unique<DialogsTest>(); }

}  // namespace kinsheet::qt::testing

#include "dialogs_test.moc"
