// The main window's widgets and the routing of menus, shortcuts, toolbar
// buttons, field boxes and the scroll bar to the core's commands.
#include "shell/qt/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QShortcut>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProgressBar>
#include <QRadioButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <cstdio>
#include <new>

#include "export/export_command.h"
#include "export/living.h"
#include "export/more_columns.h"
#include "fileio/navigate.h"
#include "gedcom/loader.h"
#include "gedcom/reload.h"
#include "records/work_records.h"
#include "shell/qt/preview_pane.h"
#include "shell/qt/qt_window_services.h"
#include "shell/qt/report_dialog.h"
#include "state/commands.h"
#include "state/startup.h"
#include "ui/messages.h"

namespace kinsheet::qt {
namespace {

constexpr const char* kFieldCaptions[kFieldCount] = {
    "Surname",        "Given",          "Prefix",           "Suffix",
    "Title",          "Nick",           "Birth date",       "Birth Place",
    "Christened Date", "Christened Place", "Death Date",     "Death Place",
    "Burial Date",    "Burial Place",   "Marriage Date",    "Marriage Place",
    "Individual ID",  "Sex",            "Father's name ",   "Mother's name",
    "Spouse's name",  "# of Children",  "Father's ID",      "Mother's ID",
    "Spouse's ID",    "Full name",      "Family ID - FAMC", "Family ID - FAMS",
};

// The "More fields", boxes 28 to 40.
constexpr const char* kMoreFieldCaptions[kMoreFieldCount] = {
    "Relationship", "Generation",   "Ahnentafel", "Direct line", "Common ancestor",
    "Birth year",   "Death year",   "Age at death", "Occupation", "Religion",
    "Residence",    "# of spouses", "# of all children",
};

constexpr const char* kSpouseCaption = " Include Spouse's INDI Info ";

// The root person of each GEDCOM file, by the file's path.
constexpr const char* kRootKeyStart = "rootPerson/";
constexpr const char* kRootCaption = "Root person:";
constexpr const char* kRootUnknown = "(nobody has this id)";
constexpr const char* kSetRootCaption = "Set as root person";

// The remembered living-people choice and its limit of years; the limit
// has no control of its own: a user who wants another edits the setting.
constexpr const char* kLivingKey = "export/living";
constexpr const char* kLivingYearsKey = "export/livingYears";
// The CSV options: the formula guard, and CSV for Excel (a byte-order
// mark) as the last CSV save chose.
constexpr const char* kCsvGuardKey = "export/csvGuard";
constexpr const char* kCsvBomKey = "export/csvBom";

// Where the settings live: $XDG_CONFIG_HOME/kinsheet/kinsheet.conf.
QSettings Settings() { return QSettings("kinsheet", "kinsheet"); }

// What each load counter counts, in counter order.
constexpr const char* kCounterCaptions[kCounterCount] = {
    "People",       "Birth dates", "Christenings",   "Deaths",
    "Burials",      "Families",    "Spouse links",   "Marriage dates",
};

struct ToolbarButton {
  const char* icon;  // nullptr: a separator
  const char* tip;
};

// By position 1 to 16.
constexpr ToolbarButton kToolbarButtons[kToolbarPositions] = {
    {":/kinsheet/images/exit.svg", "Exit Kinsheet"},
    {nullptr, nullptr},
    {":/kinsheet/images/open.svg", "Open GEDCOM File"},
    {nullptr, nullptr},
    {":/kinsheet/images/excel.svg", "Create MS Excel (*.xls)"},
    {":/kinsheet/images/access.svg", "Create MS Access (*.mdb)"},
    {":/kinsheet/images/access-old.svg", "Create old MS Access (*.mdb)"},
    {":/kinsheet/images/csv.svg", "Create Comma Delimited File (*.csv)"},
    {":/kinsheet/images/text.svg", "Create Text File (*.txt)"},
    {":/kinsheet/images/xlsx.svg", "Create Excel Workbook (*.xlsx)"},
    {":/kinsheet/images/sqlite.svg", "Create SQLite Database (*.sqlite)"},
    {nullptr, nullptr},
    {":/kinsheet/images/select-all.svg", "Select All"},
    {":/kinsheet/images/deselect-all.svg", "Deselect All"},
    {nullptr, nullptr},
    {":/kinsheet/images/help.svg", "Kinsheet Help"},
};

constexpr const char* kGeometryKey = "window/geometry";
constexpr const char* kTickedKey = "fields/ticked";
constexpr const char* kGedcomFolderKey = "folders/gedcom";
constexpr const char* kExportFolderKey = "folders/export";
constexpr const char* kRecentKey = "recentFiles";

// The first local .ged file or GEDCOM archive (.gdz) among dropped items,
// or empty.
QString DroppedGedcom(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls()) return {};
  for (const QUrl& url : data->urls()) {
    const QString file = url.isLocalFile() ? url.toLocalFile() : QString();
    if (file.endsWith(".ged", Qt::CaseInsensitive) || file.endsWith(".gdz", Qt::CaseInsensitive)) {
      return url.toLocalFile();
    }
  }
  return {};
}

// What a command threw past its own reports: told to the user (the
// command stopped, the window goes on) and to the terminal. Reporting must
// not throw in turn, least of all when memory ran out.
void ReportEscaped(WindowServices& ws, const char* what) noexcept {
  std::fprintf(stderr, "Kinsheet: %s\n", what);
  try {
    ws.SetBusy(false);
    Say(ws, what, MsgIcon::kExclamation);
  } catch (...) {
  }
}

// Runs a command so that nothing it throws reaches the event loop.
template <typename F>
void Guarded(WindowServices& ws, F&& command) {
  try {
    command();
  } catch (const std::bad_alloc&) {
    ReportEscaped(ws, msg::kWindowOutOfMemory);
  } catch (const std::exception& e) {
    const std::string text = std::string(msg::kUnexpectedError) + e.what();
    ReportEscaped(ws, text.c_str());
  } catch (...) {
    ReportEscaped(ws, msg::kUnexpectedError);
  }
}

}  // namespace

MainWindow::MainWindow(RunState& state, DialogHooks& hooks, QWidget* parent)
    : QMainWindow(parent),
      state_(state),
      services_(std::make_unique<QtWindowServices>(*this, hooks)),
      export_command_(&kinsheet::mnuSheetifyItem_Click) {
  setObjectName("Kinsheet");
  setWindowTitle(kAppTitle);
  setWindowIcon(QIcon(":/kinsheet/images/kinsheet.svg"));

  BuildMenus();
  BuildToolbar();

  // The boxes, counters and list scroll as one on a screen too small for
  // them, rather than push the window past the screen's edge.
  auto* central = new QWidget;
  central->setObjectName("central");
  auto* left = new QVBoxLayout;
  left->addWidget(BuildFieldBoxes());
  left->addWidget(BuildCounters());
  left->addStretch(1);
  auto* columns = new QHBoxLayout(central);
  columns->addLayout(left, 0);
  tabView = new QTabWidget(central);
  tabView->setObjectName("tabView");
  tabView->addTab(BuildBrowser(), "&People");
  preview = new PreviewPane(state_, *services_, tabView);
  tabView->addTab(preview, "E&xport preview");
  columns->addWidget(tabView, 1);
  scrCentral = new QScrollArea(this);
  scrCentral->setObjectName("scrCentral");
  scrCentral->setFrameShape(QFrame::NoFrame);
  scrCentral->setWidgetResizable(true);
  scrCentral->setWidget(central);
  setCentralWidget(scrCentral);

  StatusBar1 = statusBar();
  StatusBar1->setObjectName("StatusBar1");
  StatusPanel1 = new QLabel(StatusBar1);
  StatusPanel1->setObjectName("StatusPanel1");
  StatusPanel1->setTextFormat(Qt::PlainText);
  // A long path is cut at the window's edge rather than widen the window.
  StatusPanel1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  StatusBar1->addWidget(StatusPanel1, 1);
  // How the last file was read stays in view until the next load.
  lblReadingNote = new QLabel(StatusBar1);
  lblReadingNote->setObjectName("lblReadingNote");
  lblReadingNote->setTextFormat(Qt::PlainText);
  lblReadingNote->setVisible(false);
  // Room between the entries, which this style draws no line between.
  lblReadingNote->setContentsMargins(12, 0, 0, 0);
  StatusBar1->addPermanentWidget(lblReadingNote);
  lblPageRange = new QLabel(StatusBar1);
  lblPageRange->setObjectName("lblPageRange");
  lblPageRange->setTextFormat(Qt::PlainText);
  lblPageRange->setVisible(false);
  lblPageRange->setContentsMargins(12, 0, 0, 0);
  StatusBar1->addPermanentWidget(lblPageRange);
  ProgressBar1 = new QProgressBar(StatusBar1);
  ProgressBar1->setObjectName("ProgressBar1");
  ProgressBar1->setTextVisible(false);
  ProgressBar1->setFixedWidth(fontMetrics().averageCharWidth() * 30);
  ProgressBar1->setVisible(false);
  StatusBar1->addPermanentWidget(ProgressBar1);
  cmdReadingReport = new QPushButton(StatusBar1);
  cmdReadingReport->setObjectName("cmdReadingReport");
  cmdReadingReport->setFlat(true);
  cmdReadingReport->setVisible(false);
  connect(cmdReadingReport, &QPushButton::clicked, this, &MainWindow::ShowReadingReport);
  StatusBar1->addPermanentWidget(cmdReadingReport);
  cmdCancel = new QPushButton(msg::kCancel, StatusBar1);
  cmdCancel->setObjectName("cmdCancel");
  cmdCancel->setVisible(false);
  cmdCancel->setFocusPolicy(Qt::NoFocus);
  StatusBar1->addPermanentWidget(cmdCancel);
  connect(cmdCancel, &QPushButton::clicked, this, &MainWindow::RequestCancel);
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  escape->setObjectName("escapeCancels");
  connect(escape, &QShortcut::activated, this, &MainWindow::RequestCancel);

  setAcceptDrops(true);
  opener_timer_ = new QTimer(this);
  opener_timer_->setInterval(250);
  connect(opener_timer_, &QTimer::timeout, this, &MainWindow::CheckOpeners);

  // As large as the content asks for, as far as the screen allows.
  const QSize chrome = sizeHint() - scrCentral->sizeHint();
  resize((central->sizeHint() + chrome).expandedTo(QSize(900, 0)));
  FitToScreen();
  Form_Load();
  ShowStartHint();
}

MainWindow::~MainWindow() = default;

WindowServices& MainWindow::services() { return *services_; }

void MainWindow::Form_Load() {
  services_->SetStatusText(std::string(TrimSpaces(state_.current_file_name)));
}

void MainWindow::BuildMenus() {
  mnuFile = menuBar()->addMenu("&File");
  mnuFile->setObjectName("mnuFile");
  mnuFileItem[0] = mnuFile->addAction("&Open GEDCOM");
  mnuFileItem[0]->setShortcut(QKeySequence("Ctrl+O"));
  mnuRecent = mnuFile->addMenu(msg::kRecentFiles);
  mnuRecent->setObjectName("mnuRecent");
  connect(mnuFile, &QMenu::aboutToShow, this, &MainWindow::RebuildRecentMenu);
  mnuFileItem[1] = mnuFile->addSeparator();
  mnuSheetify = mnuFile->addMenu("&Sheetify to ...");
  mnuSheetify->setObjectName("mnuSheetify");
  mnuFileItem[2] = mnuSheetify->menuAction();
  constexpr const char* kSheetifyCaptions[kExportFormatCount] = {
      "MS &Excel", "MS A&ccess ", "MS &Access (old)", "Comma &Delimited", "&Text file",
      "Excel &Workbook (.xlsx)", "S&QLite Database"};
  constexpr const char* kSheetifyKeys[kExportFormatCount] = {"Ctrl+E", "Ctrl+C", "Ctrl+A", "Ctrl+D",
                                                             "Ctrl+T", "Ctrl+Shift+E", "Ctrl+Shift+L"};
  for (int i = 0; i < kExportFormatCount; ++i) {
    mnuSheetifyItem[i] = mnuSheetify->addAction(kSheetifyCaptions[i]);
    mnuSheetifyItem[i]->setObjectName(QString("mnuSheetifyItem_%1").arg(i));
    mnuSheetifyItem[i]->setShortcut(QKeySequence(kSheetifyKeys[i]));
    connect(mnuSheetifyItem[i], &QAction::triggered, this, [this, i] { mnuSheetifyItem_Click(i); });
  }
  mnuFileItem[3] = mnuFile->addSeparator();
  mnuFileItem[4] = mnuFile->addAction("&Exit");
  mnuFileItem[4]->setShortcuts({QKeySequence("Ctrl+X"), QKeySequence("Ctrl+Q")});
  for (int i = 0; i < 5; ++i) {
    mnuFileItem[i]->setObjectName(QString("mnuFileItem_%1").arg(i));
    if (i == 0 || i == 4) {
      connect(mnuFileItem[i], &QAction::triggered, this, [this, i] { mnuFileItem_Click(i); });
    }
  }

  mnuView = menuBar()->addMenu("&View");
  mnuView->setObjectName("mnuView");
  mnuViewReport = mnuView->addAction(QString(msg::kReportEntryStart) + "0" + msg::kReportEntryEnd);
  mnuViewReport->setObjectName("mnuViewReport");
  mnuViewReport->setEnabled(false);
  connect(mnuViewReport, &QAction::triggered, this, &MainWindow::ShowReadingReport);

  mnuHelp = menuBar()->addMenu("&Help");
  mnuHelp->setObjectName("mnuHelp");
  mnuHelpItem[0] = mnuHelp->addAction("&About");
  mnuHelpItem[0]->setShortcut(QKeySequence("Ctrl+B"));
  mnuHelpItem[1] = mnuHelp->addSeparator();
  mnuHelpItem[2] = mnuHelp->addAction("&Help");
  mnuHelpItem[2]->setShortcuts({QKeySequence("Ctrl+H"), QKeySequence(Qt::Key_F1)});
  for (int i = 0; i < 3; ++i) {
    mnuHelpItem[i]->setObjectName(QString("mnuHelpItem_%1").arg(i));
    if (i != 1) connect(mnuHelpItem[i], &QAction::triggered, this, [this, i] { mnuHelpItem_Click(i); });
  }
  // Ctrl+C, Ctrl+A and Ctrl+X are commands here, not clipboard keys: the
  // shortcuts work wherever the focus is in the window.
  for (QAction* action : findChildren<QAction*>()) action->setShortcutContext(Qt::WindowShortcut);
}

void MainWindow::BuildToolbar() {
  Toolbar1 = addToolBar("Toolbar1");
  Toolbar1->setObjectName("Toolbar1");
  Toolbar1->setMovable(false);
  Toolbar1->setFloatable(false);
  Toolbar1->setContextMenuPolicy(Qt::PreventContextMenu);
  for (int position = 1; position <= kToolbarPositions; ++position) {
    const ToolbarButton& button = kToolbarButtons[position - 1];
    if (button.icon == nullptr) {
      Toolbar1->addSeparator()->setObjectName(QString("Toolbar1_%1").arg(position));
      continue;
    }
    // A command the menus have is the menu's own action, so that the two
    // never disagree (enabled, shortcut, what it does); the others are the
    // toolbar's alone.
    QAction* action = nullptr;
    if (position == 1) {
      action = mnuFileItem[4];
    } else if (position == 3) {
      action = mnuFileItem[0];
    } else if (position >= 5 && position <= 11) {
      action = mnuSheetifyItem[position - 5];
    } else if (position == 16) {
      action = mnuHelpItem[2];
    }
    if (action == nullptr) {
      action = new QAction(this);
      action->setObjectName(QString("Toolbar1_%1").arg(position));
      connect(action, &QAction::triggered, this, [this, position] { Toolbar1_ButtonClick(position); });
    }
    action->setIcon(QIcon(button.icon));
    action->setToolTip(button.tip);
    Toolbar1->addAction(action);
  }
}

QWidget* MainWindow::BuildFieldBoxes() {
  auto* group = new QGroupBox("Fields to include", this);
  group->setObjectName("fraFields");
  auto* grid = new QGridLayout(group);
  grid->setHorizontalSpacing(4);
  grid->setVerticalSpacing(2);
  grid->setColumnMinimumWidth(2, 16);
  // Two columns of fourteen, in index order down each column.
  constexpr int kRows = kFieldCount / 2;
  for (int i = 0; i < kFieldCount; ++i) {
    const int row = i % kRows;
    const int column = (i / kRows) * 3;
    chkSelect[i] = new QCheckBox(group);
    chkSelect[i]->setObjectName(QString("chkSelect_%1").arg(i));
    // Only the box itself takes clicks; keep it no wider than the box.
    chkSelect[i]->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    chkSelect[i]->setAccessibleName(QString(kFieldCaptions[i]).trimmed());
    lblField[i] = new QLabel(kFieldCaptions[i], group);
    lblField[i]->setObjectName(QString("lblField_%1").arg(i));
    lblField[i]->setTextFormat(Qt::PlainText);
    lblField[i]->installEventFilter(this);
    grid->addWidget(chkSelect[i], row, column);
    grid->addWidget(lblField[i], row, column + 1);
    connect(chkSelect[i], &QCheckBox::clicked, this, [this, i](bool ticked) { OnFieldBoxClicked(i, ticked); });
  }
  optInclSpouse = new QRadioButton(kSpouseCaption, group);
  optInclSpouse->setObjectName("optInclSpouse");
  optInclSpouse->setEnabled(false);
  grid->addWidget(optInclSpouse, kRows, 3, 1, 2);
  connect(optInclSpouse, &QRadioButton::clicked, this, [this](bool selected) {
    state_.selection.incl_spouse = selected;
  });

  // The "More fields": kinship to the root person and computed columns.
  auto* more = new QGroupBox("More fields", group);
  more->setObjectName("fraMoreFields");
  auto* more_grid = new QGridLayout(more);
  more_grid->setHorizontalSpacing(4);
  more_grid->setVerticalSpacing(2);
  constexpr int kMoreRows = (kMoreFieldCount + 1) / 2;
  for (int k = 0; k < kMoreFieldCount; ++k) {
    const int i = kFieldCount + k;
    chkSelect[i] = new QCheckBox(more);
    chkSelect[i]->setObjectName(QString("chkSelect_%1").arg(i));
    chkSelect[i]->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    chkSelect[i]->setAccessibleName(kMoreFieldCaptions[k]);
    lblField[i] = new QLabel(kMoreFieldCaptions[k], more);
    lblField[i]->setObjectName(QString("lblField_%1").arg(i));
    lblField[i]->setTextFormat(Qt::PlainText);
    lblField[i]->installEventFilter(this);
    more_grid->addWidget(chkSelect[i], k % kMoreRows, (k / kMoreRows) * 2);
    more_grid->addWidget(lblField[i], k % kMoreRows, (k / kMoreRows) * 2 + 1);
    connect(chkSelect[i], &QCheckBox::clicked, this, [this, i](bool ticked) { OnFieldBoxClicked(i, ticked); });
  }
  grid->addWidget(more, kRows + 2, 0, 1, 5);

  auto* living_row = new QHBoxLayout;
  auto* living_label = new QLabel(msg::kLivingChoice, group);
  living_label->setObjectName("lblLiving");
  cboLiving = new QComboBox(group);
  cboLiving->setObjectName("cboLiving");
  cboLiving->addItems({msg::kLivingInclude, msg::kLivingPrivate, msg::kLivingExclude});
  living_label->setBuddy(cboLiving);
  living_row->addWidget(living_label);
  living_row->addWidget(cboLiving);
  living_row->addStretch(1);
  grid->addLayout(living_row, kRows + 1, 0, 1, 5);
  // On a line of its own, so that the fields keep their width.
  chkCsvGuard = new QCheckBox(msg::kCsvGuard, group);
  chkCsvGuard->setObjectName("chkCsvGuard");
  grid->addWidget(chkCsvGuard, kRows + 2, 0, 1, 5);
  RestoreLivingSettings();
  connect(cboLiving, &QComboBox::currentIndexChanged, this, [this](int index) { OnLivingChosen(index); });
  connect(chkCsvGuard, &QCheckBox::toggled, this, [this](bool ticked) {
    state_.csv_guard = ticked;
    Settings().setValue(kCsvGuardKey, ticked);
  });
  return group;
}

void MainWindow::RestoreLivingSettings() {
  const QSettings settings = Settings();
  LivingMode mode = LivingMode::kInclude;
  if (!LivingModeFromName(settings.value(kLivingKey).toString().toStdString(), mode)) {
    mode = LivingMode::kInclude;
  }
  bool ok = false;
  const int years = settings.value(kLivingYearsKey, kDefaultLivingYears).toInt(&ok);
  state_.living.years = ok && years >= 1 && years <= 999 ? years : kDefaultLivingYears;
  state_.living.mode = mode;
  cboLiving->setCurrentIndex(static_cast<int>(mode));
  state_.csv_guard = settings.value(kCsvGuardKey, false).toBool();
  state_.csv_bom = settings.value(kCsvBomKey, false).toBool();
  chkCsvGuard->setChecked(state_.csv_guard);
}

void MainWindow::OnLivingChosen(int index) {
  if (index < 0 || index > 2) return;
  state_.living.mode = static_cast<LivingMode>(index);
  QSettings settings = Settings();
  settings.setValue(kLivingKey, LivingModeName(state_.living.mode));
  if (preview != nullptr) preview->Invalidate(true);
}

void MainWindow::FieldBoxesChanged() {
  // Select All ticks 28 boxes one by one: the preview follows once.
  if (preview_columns_due_ || preview == nullptr) return;
  preview_columns_due_ = true;
  QTimer::singleShot(0, this, [this] {
    preview_columns_due_ = false;
    preview->Invalidate(false);
  });
}

void MainWindow::ShowStartHint() {
  lblHint->setVisible(state_.work.individual_count == 0);
}

QWidget* MainWindow::BuildCounters() {
  auto* group = new QGroupBox("Read from the file", this);
  group->setObjectName("fraCounters");
  auto* grid = new QGridLayout(group);
  grid->setHorizontalSpacing(8);
  grid->setVerticalSpacing(2);
  grid->setColumnMinimumWidth(2, 16);
  constexpr int kRows = kCounterCount / 2;
  for (int i = 0; i < kCounterCount; ++i) {
    const int row = i % kRows;
    const int column = (i / kRows) * 3;
    lblCountName[i] = new QLabel(kCounterCaptions[i], group);
    lblCountName[i]->setObjectName(QString("lblCountName_%1").arg(i));
    lblCount[i] = new QLabel("0 ", group);
    lblCount[i]->setObjectName(QString("lblCount_%1").arg(i));
    lblCount[i]->setTextFormat(Qt::PlainText);
    lblCount[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Room for seven digits, so a growing count never moves the layout.
    lblCount[i]->setMinimumWidth(lblCount[i]->fontMetrics().horizontalAdvance("0000000 "));
    lblCountName[i]->setBuddy(lblCount[i]);
    grid->addWidget(lblCountName[i], row, column);
    grid->addWidget(lblCount[i], row, column + 1);
  }
  // The root person, beside the counters: its id can be typed here.
  auto* root_row = new QHBoxLayout;
  auto* root_label = new QLabel(kRootCaption, group);
  root_label->setObjectName("lblRoot");
  txtRoot = new QLineEdit(group);
  txtRoot->setObjectName("txtRoot");
  txtRoot->setMaximumWidth(txtRoot->fontMetrics().horizontalAdvance("@I0000000@ "));
  root_label->setBuddy(txtRoot);
  lblRootName = new QLabel(group);
  lblRootName->setObjectName("lblRootName");
  lblRootName->setTextFormat(Qt::PlainText);
  root_row->addWidget(root_label);
  root_row->addWidget(txtRoot);
  root_row->addWidget(lblRootName, 1);
  grid->addLayout(root_row, kRows, 0, 1, 5);
  connect(txtRoot, &QLineEdit::editingFinished, this, [this] { ChooseRoot(txtRoot->text(), true); });
  return group;
}

void MainWindow::ChooseRoot(const QString& typed, bool remember) {
  Guarded(*services_, [&] {
    const RootPerson root = SetRootPerson(state_, *services_, typed.toStdString());
    const QSignalBlocker quiet(txtRoot);
    if (root.found || root.id.empty()) {
      txtRoot->setText(QString::fromStdString(root.id));
      lblRootName->setText(QString::fromUtf8(root.name.data(), static_cast<qsizetype>(root.name.size())));
      if (remember && remember_ && !state_.gedcom_path.empty()) {
        Settings().setValue(kRootKeyStart + PathText(state_.gedcom_path).toUtf8().toBase64(), PathText(root.id));
      }
    } else {
      lblRootName->setText(kRootUnknown);
    }
  });
}

void MainWindow::RestoreRoot() {
  state_.root_id.clear();
  QString id;
  if (!state_.gedcom_path.empty()) {
    id = Settings().value(kRootKeyStart + PathText(state_.gedcom_path).toUtf8().toBase64()).toString();
  }
  ChooseRoot(id, false);
}

void MainWindow::ShowBrowserMenu(const QPoint& at) {
  QTreeWidgetItem* item = ListView1->itemAt(at);
  if (item == nullptr || working_) return;
  const std::int32_t n = state_.scroll.value + ListView1->indexOfTopLevelItem(item);
  QMenu menu(this);
  QAction* set_root = menu.addAction(kSetRootCaption);
  set_root->setObjectName("mnuSetRoot");
  connect(set_root, &QAction::triggered, this, [this, n] { ChooseRoot(PathText(IdOfRecord(state_, n)), true); });
  menu.exec(ListView1->viewport()->mapToGlobal(at));
}

QWidget* MainWindow::BuildBrowser() {
  auto* group = new QGroupBox("People", this);
  group->setObjectName("fraBrowser");
  auto* lines = new QVBoxLayout(group);
  lblHint = new QLabel(msg::kStartHint, group);
  lblHint->setObjectName("lblHint");
  lblHint->setWordWrap(true);
  lines->addWidget(lblHint);
  auto* row = new QHBoxLayout;
  lines->addLayout(row, 1);
  row->setSpacing(0);
  ListView1 = new QTreeWidget(group);
  ListView1->setObjectName("ListView1");
  ListView1->setColumnCount(3);
  ListView1->setHeaderLabels({"Byr", "Dyr", "Name"});
  ListView1->setRootIsDecorated(false);
  ListView1->setUniformRowHeights(true);
  ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
  ListView1->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(ListView1, &QWidget::customContextMenuRequested, this, &MainWindow::ShowBrowserMenu);
  ListView1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  ListView1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  ListView1->header()->setStretchLastSection(true);
  ListView1->header()->setSectionsMovable(false);
  const int year_width = ListView1->fontMetrics().horizontalAdvance("00000") + 16;
  ListView1->setColumnWidth(0, year_width);
  ListView1->setColumnWidth(1, year_width);
  // A page of twenty rows without a scroll bar of its own, measured on a
  // sample row in the current style and font.
  auto* probe = new QTreeWidgetItem(ListView1, QStringList{"1900", "1999", "Probe"});
  const int row_height = ListView1->sizeHintForRow(0);
  delete probe;
  ListView1->setMinimumHeight(ListView1->header()->sizeHint().height() + row_height * 20 +
                              2 * ListView1->frameWidth() + 4);
  ListView1->setMinimumWidth(year_width * 2 + ListView1->fontMetrics().horizontalAdvance("M") * 24);
  ListView1->viewport()->installEventFilter(this);
  ListView1->installEventFilter(this);

  VScroll1 = new QScrollBar(Qt::Vertical, group);
  VScroll1->setObjectName("VScroll1");
  VScroll1->setRange(0, 0);
  VScroll1->setSingleStep(1);
  VScroll1->setPageStep(20);
  VScroll1->setEnabled(false);
  connect(VScroll1, &QScrollBar::valueChanged, this, &MainWindow::OnScrollChanged);

  row->addWidget(ListView1, 1);
  row->addWidget(VScroll1);
  return group;
}

void MainWindow::OnScrollChanged(int value) {
  Guarded(*services_, [&] { SetScrollValue(state_, *services_, value); });
}

void MainWindow::OnFieldBoxClicked(int index, bool ticked) {
  Guarded(*services_, [&] { SetFieldBox(state_, *services_, index, ticked); });
}

void MainWindow::mnuFileItem_Click(int index) {
  Guarded(*services_, [&] {
    switch (index) {
      case 0:
        LoadFile({});
        break;
      case 4:
        DeleteWorkFiles(state_);
        close();
        break;
      default:
        break;
    }
  });
}

void MainWindow::mnuSheetifyItem_Click(int index) {
  if (index < 0 || index >= kExportFormatCount) return;
  const bool bom = state_.csv_bom;
  Guarded(*services_, [&] {
    // The preview's rows, as sorted and searched, for this export alone.
    struct ShownRows {
      explicit ShownRows(RunState& state) : state(state) {}
      ~ShownRows() { state.export_rows.reset(); }
      RunState& state;
    } shown_rows(state_);
    if (preview->export_shown_only()) {
      preview->Refresh();
      state_.export_rows = preview->shown();
    }
    export_command_(state_, *services_, static_cast<std::int16_t>(index));
  });
  // The CSV entry chosen in the save dialog is offered first next time.
  if (state_.csv_bom != bom) Settings().setValue(kCsvBomKey, state_.csv_bom);
  if (!state_.openers.empty()) opener_timer_->start();
}

void MainWindow::mnuHelpItem_Click(int index) {
  Guarded(*services_, [&] {
    if (index == 0 && about_ != nullptr) {
      about_->show();
      about_->raise();
      about_->activateWindow();
    } else if (index == 2) {
      if (!NavigateTo(*services_, HelpPagePath(state_), state_.opener, &state_.openers)) ShowHelpInWindow();
      if (!state_.openers.empty()) opener_timer_->start();
    }
  });
}

void MainWindow::Navigate(const std::string& target) {
  Guarded(*services_, [&] { NavigateTo(*services_, target, state_.opener, &state_.openers); });
  if (!state_.openers.empty()) opener_timer_->start();
}

void MainWindow::Toolbar1_ButtonClick(int position) {
  switch (position) {
    case 1: mnuFileItem_Click(4); break;
    case 3: mnuFileItem_Click(0); break;
    case 5: case 6: case 7: case 8: case 9: case 10: case 11: mnuSheetifyItem_Click(position - 5); break;
    case 13: Guarded(*services_, [&] { SelectAll(state_, *services_); }); break;
    case 14: Guarded(*services_, [&] { DeselectAll(state_, *services_); }); break;
    case 16: mnuHelpItem_Click(2); break;
    default: break;
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // Work under way is stopped first; the window closes when it has.
  if (working_) {
    close_after_work_ = true;
    RequestCancel();
    event->ignore();
    return;
  }
  SaveSettings();
  // Closing the main window by any means ends the program, About box or not.
  event->accept();
  QCoreApplication::quit();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (!working_ && !DroppedGedcom(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  const QString path = DroppedGedcom(event->mimeData());
  if (working_ || path.isEmpty()) return;
  event->acceptProposedAction();
  // The dialog opens once the drop is over, not inside the drag.
  QTimer::singleShot(0, this, [this, file = PathBytes(path)] { LoadFile(file); });
}

void MainWindow::LoadFile(const std::string& preset) {
  if (working_) return;
  Guarded(*services_, [&] {
    // The preview lets go of the work files the load replaces.
    preview->Release();
    services_->ShowPageRange({});
    const QString note = lblReadingNote->text();
    lblReadingNote->clear();
    const LoadOutcome outcome = ReloadGedcom(state_, *services_, preset);
    services_->FlushCounters();
    if (outcome != LoadOutcome::kCancelled) UpdateReportEntry();
    if (outcome == LoadOutcome::kLoaded) RememberRecent(state_.current_file_name);
    // A cancelled load leaves the file before it, and its note.
    if ((outcome == LoadOutcome::kCancelled || outcome == LoadOutcome::kInterrupted) &&
        state_.work.individual_count > 0 && lblReadingNote->text().isEmpty()) {
      lblReadingNote->setText(note);
    }
    lblReadingNote->setVisible(!lblReadingNote->text().isEmpty());
  });
  RestoreRoot();
  ShowStartHint();
  if (state_.work.individual_count == 0) services_->ShowPageRange({});
  preview->Invalidate(true);
}

void MainWindow::UpdateReportEntry() {
  // A report still open shows the entries of a load that is gone.
  if (report_dialog_ != nullptr) report_dialog_->close();
  const std::int64_t n = state_.report.total();
  const QString caption = QString(msg::kReportEntryStart) + QString::number(n) + msg::kReportEntryEnd;
  cmdReadingReport->setText(caption);
  // A clean load leaves the status bar's room to the other notes; the View
  // menu still says "(0)".
  cmdReadingReport->setVisible(n > 0);
  mnuViewReport->setText(caption);
  mnuViewReport->setEnabled(n > 0);
}

void MainWindow::ShowReadingReport() {
  if (report_dialog_ != nullptr) {
    report_dialog_->raise();
    return;
  }
  auto* dialog = new ReportDialog(state_.report, *services_, this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  report_dialog_ = dialog;
  connect(dialog, &QObject::destroyed, this, [this] { report_dialog_ = nullptr; });
  dialog->open();
}

QStringList MainWindow::RecentFiles() const {
  QStringList present;
  for (const QString& file : recent_) {
    if (QFileInfo(file).isFile()) present << file;
  }
  return present;
}

void MainWindow::RememberRecent(const std::string& path) {
  const QString file = PathText(path);
  recent_.removeAll(file);
  recent_.prepend(file);
  while (recent_.size() > kRecentFileCount) recent_.removeLast();
  if (remember_) Settings().setValue(kRecentKey, recent_);
}

void MainWindow::RebuildRecentMenu() {
  const QStringList present = RecentFiles();
  if (present != recent_) {
    recent_ = present;
    if (remember_) Settings().setValue(kRecentKey, recent_);
  }
  mnuRecent->clear();
  for (qsizetype i = 0; i < recent_.size(); ++i) {
    const QString& file = recent_[i];
    QAction* action = mnuRecent->addAction(QString("&%1 %2").arg(i + 1).arg(QFileInfo(file).fileName()));
    action->setObjectName(QString("mnuRecentItem_%1").arg(i));
    action->setToolTip(file);
    action->setStatusTip(file);
    connect(action, &QAction::triggered, this, [this, file] { LoadFile(PathBytes(file)); });
  }
  mnuRecent->menuAction()->setEnabled(!recent_.isEmpty() && !working_);
}

void MainWindow::RestoreSettings() {
  remember_ = true;
  const QSettings settings = Settings();
  restoreGeometry(settings.value(kGeometryKey).toByteArray());
  FitToScreen();
  const QVariantList ticked = settings.value(kTickedKey).toList();
  Guarded(*services_, [&] {
    for (const QVariant& index : ticked) {
      const int i = index.toInt();
      if (i >= 0 && i < kAllFieldCount) SetFieldBox(state_, *services_, i, true);
    }
  });
  state_.last_gedcom_folder = PathBytes(settings.value(kGedcomFolderKey).toString());
  last_export_folder_ = settings.value(kExportFolderKey).toString();
  recent_ = settings.value(kRecentKey).toStringList();
  while (recent_.size() > kRecentFileCount) recent_.removeLast();
  RebuildRecentMenu();
}

void MainWindow::SaveSettings() {
  if (!remember_) return;
  QSettings settings = Settings();
  settings.setValue(kGeometryKey, saveGeometry());
  QVariantList ticked;
  for (int i = 0; i < kAllFieldCount; ++i) {
    if (state_.selection.ticked[i]) ticked << i;
  }
  settings.setValue(kTickedKey, ticked);
  settings.setValue(kGedcomFolderKey, PathText(state_.last_gedcom_folder));
  settings.setValue(kExportFolderKey, last_export_folder_);
  settings.setValue(kRecentKey, recent_);
}

void MainWindow::FitToScreen() {
  const QScreen* shown_on = screen();
  if (shown_on == nullptr) return;
  // Room for the window manager's frame around the window.
  const QRect room = shown_on->availableGeometry().adjusted(0, 0, -16, -48);
  const QSize fitted = size().boundedTo(room.size()).expandedTo(minimumSizeHint());
  resize(fitted);
  QPoint place = pos();
  place.setX(std::clamp(place.x(), room.left(), std::max(room.left(), room.right() - fitted.width())));
  place.setY(std::clamp(place.y(), room.top(), std::max(room.top(), room.bottom() - fitted.height())));
  move(place);
}

void MainWindow::SetWorking(bool working) {
  if (working == working_) return;
  working_ = working;
  if (working) {
    cancel_requested_ = false;
    // Only Cancel and Escape act while the work runs; the counters stay
    // as they are, lit.
    held_back_.clear();
    for (QWidget* w : {static_cast<QWidget*>(menuBar()), static_cast<QWidget*>(Toolbar1),
                       findChild<QWidget*>("fraFields"), findChild<QWidget*>("fraBrowser"),
                       static_cast<QWidget*>(preview)}) {
      if (w != nullptr && w->isEnabled()) {
        w->setEnabled(false);
        held_back_ << w;
      }
    }
    for (QAction* action : findChildren<QAction*>()) {
      if (action->isEnabled() && !action->isSeparator()) action->setProperty("heldBack", true);
      action->setEnabled(action->isSeparator());
    }
    cmdCancel->setEnabled(true);
    cmdCancel->setVisible(true);
  } else {
    for (QWidget* w : held_back_) w->setEnabled(true);
    held_back_.clear();
    for (QAction* action : findChildren<QAction*>()) {
      if (action->property("heldBack").toBool()) {
        action->setEnabled(true);
        action->setProperty("heldBack", QVariant());
      }
    }
    cmdCancel->setVisible(false);
    if (close_after_work_) QTimer::singleShot(0, this, &QWidget::close);
  }
}

void MainWindow::RequestCancel() {
  if (!working_) return;
  cancel_requested_ = true;
  cmdCancel->setEnabled(false);
}

void MainWindow::CheckOpeners() {
  if (working_) return;
  if (state_.openers.empty()) {
    opener_timer_->stop();
    return;
  }
  Guarded(*services_, [&] {
    // Without a program for the help page, the built-in viewer shows it
    // with nothing said.
    const std::string help = HelpPagePath(state_);
    for (const std::string& target : TellOpenerFailures(*services_, state_.openers, help)) {
      if (target == help) ShowHelpInWindow();
    }
  });
  if (state_.openers.empty()) opener_timer_->stop();
}

void MainWindow::ShowHelpInWindow() {
  if (help_viewer_ == nullptr) {
    auto* viewer = new QDialog(this);
    viewer->setObjectName("helpViewer");
    viewer->setWindowTitle(QString(kAppTitle) + " Help");
    auto* browser = new QTextBrowser(viewer);
    browser->setObjectName("helpBrowser");
    browser->setOpenExternalLinks(true);
    browser->setSource(QUrl::fromLocalFile(PathText(HelpPagePath(state_))));
    auto* layout = new QVBoxLayout(viewer);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser);
    viewer->resize(QSize(720, 560).boundedTo(size()));
    help_viewer_ = viewer;
  }
  help_viewer_->show();
  help_viewer_->raise();
  help_viewer_->activateWindow();
}

bool MainWindow::PageWithKey(int key) {
  QAbstractSlider::SliderAction action;
  switch (key) {
    case Qt::Key_PageDown: action = QAbstractSlider::SliderPageStepAdd; break;
    case Qt::Key_PageUp: action = QAbstractSlider::SliderPageStepSub; break;
    case Qt::Key_Down: action = QAbstractSlider::SliderSingleStepAdd; break;
    case Qt::Key_Up: action = QAbstractSlider::SliderSingleStepSub; break;
    case Qt::Key_Home: action = QAbstractSlider::SliderToMinimum; break;
    case Qt::Key_End: action = QAbstractSlider::SliderToMaximum; break;
    default: return false;
  }
  if (VScroll1->isEnabled()) VScroll1->triggerAction(action);
  return true;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  // A click on a field's caption ticks or clears its box.
  if (event->type() == QEvent::MouseButtonRelease) {
    for (int i = 0; i < kAllFieldCount; ++i) {
      if (watched == lblField[i] && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        OnFieldBoxClicked(i, !state_.selection.ticked[i]);
        return true;
      }
    }
  }
  // The paging keys move through the people as the scroll bar would.
  if (event->type() == QEvent::KeyPress && ListView1 != nullptr && watched == ListView1) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() == Qt::NoModifier && PageWithKey(key->key())) return true;
  }
  // The wheel over the list pages through the people as the scroll bar would.
  if (event->type() == QEvent::Wheel && ListView1 != nullptr && watched == ListView1->viewport()) {
    if (VScroll1->isEnabled()) QCoreApplication::sendEvent(VScroll1, event);
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace kinsheet::qt
