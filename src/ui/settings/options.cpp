#include "ui/settings/options.h"

#include <QAction>
#include <QCloseEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "core/process/ucommon.h"
#include "core/search/drivelist.h"
#include "core/settings/settings.h"
#include "ui/process/consolerun.h"
#include "ui/process/doswin.h"
#include "ui/settings/browse.h"
#include "ui_options.h"
#include "ui/widgets/bigview.h"
#include "ui/widgets/msgbox.h"
#include "ui/widgets/qtcodec.h"
#include "ui/widgets/updown.h"

namespace tavirel {
namespace {

int CheckedItem(std::initializer_list<QRadioButton*> items) {
  int index = 0;
  for (QRadioButton* item : items) {
    if (item->isChecked()) return index;
    ++index;
  }
  return 0;
}

void CheckItem(std::initializer_list<QRadioButton*> items, int index) {
  int i = 0;
  for (QRadioButton* item : items) item->setChecked(i++ == index);
}

const QString ProgramFilter = QStringLiteral("ﾌﾟﾛｸﾞﾗﾑ (*.exe)|*.exe");
const QString AllFilesFilter = QStringLiteral("すべてのﾌｧｲﾙ (*.*)|*.*");

}  // namespace

TfrmSettings::TfrmSettings(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TfrmSettings>()) {
  ui_->setupUi(this);
  setObjectName(QStringLiteral("frmSettings"));
  setFont(QFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));
  edtNavigatorPathButton = AddBrowseButton(ui_->edtNavigatorPath, "edtNavigatorPathButton");
  edtPerlPathButton = AddBrowseButton(ui_->edtPerlPath, "edtPerlPathButton");
  edtMknmzPathButton = AddBrowseButton(ui_->edtMknmzPath, "edtMknmzPathButton");
  edtNamazuPathButton = AddBrowseButton(ui_->edtNamazuPath, "edtNamazuPathButton");
  edtPnamazuPathButton = AddBrowseButton(ui_->edtPnamazuPath, "edtPnamazuPathButton");
  for (TUpDown* updown : {ui_->udbBlankLine, ui_->udbSpaceCount}) {
    updown->SetRange(ResultNumberMin, ResultNumberMax);
  }
  ui_->udbBlankLine->SetAssociate(ui_->edtBlankLine);
  ui_->udbSpaceCount->SetAssociate(ui_->edtSpaceCount);
  for (QLineEdit* edit : {ui_->edtBlankLine, ui_->edtSpaceCount}) edit->setFixedWidth(32);

  connect(ui_->btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });
  connect(ui_->btnCancel, &QPushButton::clicked, this, [this] { reject(); });
  connect(ui_->btnSetDefaultPath, &QPushButton::clicked, this, [this] { btnSetDefaultPathClick(); });
  connect(ui_->btnSetDefaultOption, &QPushButton::clicked, this,
          [this] { btnSetDefaultOptionClick(); });
  connect(ui_->btnShowOptionInfo, &QPushButton::clicked, this,
          [this] { btnShowOptionInfoClick(); });
  connect(edtNavigatorPathButton, &QAction::triggered, this,
          [this] { edtNavigatorPathButtonClick(); });
  connect(edtPerlPathButton, &QAction::triggered, this, [this] { edtPerlPathButtonClick(); });
  connect(edtMknmzPathButton, &QAction::triggered, this, [this] { edtMknmzPathButtonClick(); });
  connect(edtNamazuPathButton, &QAction::triggered, this, [this] { edtNamazuPathButtonClick(); });
  connect(edtPnamazuPathButton, &QAction::triggered, this,
          [this] { edtPnamazuPathButtonClick(); });

  FormCreate();
  // A fixed client area of 385 by 320 pixels, or what the fonts need.
  const QSize size = sizeHint().expandedTo(QSize(385, 320));
  setFixedSize(size);
}

TfrmSettings::~TfrmSettings() = default;

void TfrmSettings::FormCreate() {
  const TOptionValues values = OptionValuesFromSettings(Settings);
  Ui::TfrmSettings& f = *ui_;
  f.chkShowExplanation->setChecked(values.ShowExplanation);
  f.chkSaveWindowPos->setChecked(values.SaveWindowPos);
  CheckItem({f.optResultText, f.optResultWebBrowser}, values.ResultOutput);
  f.udbBlankLine->SetPosition(values.BlankLine.empty() ? 0 : std::stoi(values.BlankLine));
  f.udbSpaceCount->SetPosition(values.SpaceCount.empty() ? 0 : std::stoi(values.SpaceCount));
  f.chkSearchOnChangeSettings->setChecked(values.SearchOnChangeSettings);
  f.chkSearchConfirmCmdLine->setChecked(values.SearchConfirmCmdLine);
  f.chkUseConstantInBrowser->setChecked(values.UseConstantInBrowser);
  f.chkUsePnamazu->setChecked(values.UsePnamazu);
  CheckItem({f.optMknmzInternal, f.optMknmzDosWindow}, values.MknmzWindow);
  f.chkAutoUpdateIndex->setChecked(values.AutoUpdateIndex);
  CheckItem({f.optWebBrowserInternal, f.optWebBrowserExternal}, values.WebBrowserOutputTo);
  CheckItem({f.optBrowserNavigator, f.optBrowserIE, f.optBrowserDefault}, values.WebBrowserType);
  f.edtNavigatorPath->setText(SjisToQString(values.NavigatorPath));
  f.edtPerlPath->setText(SjisToQString(values.PerlPath));
  f.edtMknmzPath->setText(SjisToQString(values.MknmzPath));
  f.edtNamazuPath->setText(SjisToQString(values.NamazuPath));
  f.edtPnamazuPath->setText(SjisToQString(values.PnamazuPath));
  f.edtNamazuParams->setText(SjisToQString(values.NamazuParams));
  f.chkUseTempDir->setChecked(values.UseTempDir);
  f.pgeSettings->setCurrentWidget(f.tabGeneral);
}

std::optional<TOptionValues> TfrmSettings::ControlValues() {
  Ui::TfrmSettings& f = *ui_;
  TOptionValues values;
  struct Field {
    QLineEdit* edit;
    QWidget* page;
    std::string* text;
  };
  const Field fields[] = {
      {f.edtBlankLine, f.tabSearch, &values.BlankLine},
      {f.edtSpaceCount, f.tabSearch, &values.SpaceCount},
      {f.edtNavigatorPath, f.tabWebBrowser, &values.NavigatorPath},
      {f.edtPerlPath, f.tabCommandLine, &values.PerlPath},
      {f.edtMknmzPath, f.tabCommandLine, &values.MknmzPath},
      {f.edtNamazuPath, f.tabCommandLine, &values.NamazuPath},
      {f.edtPnamazuPath, f.tabCommandLine, &values.PnamazuPath},
      {f.edtNamazuParams, f.tabCommandLine, &values.NamazuParams},
  };
  for (const Field& field : fields) {
    if (!QStringToSjis(field.edit->text())) {
      f.pgeSettings->setCurrentWidget(field.page);
      FieldText(field.edit);
      return std::nullopt;
    }
    *field.text = QStringToSjisLossy(field.edit->text());
  }
  values.ShowExplanation = f.chkShowExplanation->isChecked();
  values.SaveWindowPos = f.chkSaveWindowPos->isChecked();
  values.ResultOutput = CheckedItem({f.optResultText, f.optResultWebBrowser});
  values.SearchOnChangeSettings = f.chkSearchOnChangeSettings->isChecked();
  values.SearchConfirmCmdLine = f.chkSearchConfirmCmdLine->isChecked();
  values.UseConstantInBrowser = f.chkUseConstantInBrowser->isChecked();
  values.UsePnamazu = f.chkUsePnamazu->isChecked();
  values.MknmzWindow = CheckedItem({f.optMknmzInternal, f.optMknmzDosWindow});
  values.AutoUpdateIndex = f.chkAutoUpdateIndex->isChecked();
  values.WebBrowserOutputTo = CheckedItem({f.optWebBrowserInternal, f.optWebBrowserExternal});
  values.WebBrowserType = CheckedItem({f.optBrowserNavigator, f.optBrowserIE, f.optBrowserDefault});
  values.UseTempDir = f.chkUseTempDir->isChecked();
  return values;
}

void TfrmSettings::btnOKClick() {
  Ui::TfrmSettings& f = *ui_;
  for (QLineEdit* edit : {f.edtBlankLine, f.edtSpaceCount}) {
    if (!IsPositiveNumberText(QStringToSjisLossy(edit->text()))) {
      ShowMessageBox(this, QStringLiteral("エラー"), SjisToQString(InvalidNumberMessage),
                     QMessageBox::Critical);
      f.pgeSettings->setCurrentWidget(f.tabSearch);
      edit->setFocus();
      return;
    }
  }
  const std::optional<TOptionValues> values = ControlValues();
  if (!values) return;
  StoreOptionValues(*values, Settings);
  accept();
}

void TfrmSettings::btnSetDefaultPathClick() {
  const TDefaultProgramPaths paths = DefaultProgramPaths(NativePathStyle);
  ui_->edtPerlPath->setText(SjisToQString(paths.PerlPath));
  ui_->edtMknmzPath->setText(SjisToQString(paths.MknmzPath));
  ui_->edtNamazuPath->setText(SjisToQString(paths.NamazuPath));
}

void TfrmSettings::btnSetDefaultOptionClick() { ui_->edtNamazuParams->clear(); }

void TfrmSettings::btnShowOptionInfoClick() {
  // A window of the dialog's own, so that the modal dialog leaves it usable.
  if (!OpenOptionHelpWindow(OptionInfoWindow, this)) return;
  OptionInfoWindow->edt->SetTag(0);
  OptionInfoWindow->show();

  helpRunning_ = true;
  const std::vector<TOptionHelpRun> runs = OptionHelpRuns(
      QStringToSjisLossy(ui_->edtPerlPath->text()), QStringToSjisLossy(ui_->edtMknmzPath->text()),
      QStringToSjisLossy(ui_->edtNamazuPath->text()), DriveConstantList, NativePathStyle);
  for (const TOptionHelpRun& run : runs) {
    if (!OptionInfoWindow) break;
    OptionInfoWindow->edt->SetTag(0);
    RunConsoleProcess(run.CommandLine, run.WorkFolder, psmCaptured, OptionInfoWindow->edt);
  }
  if (OptionInfoWindow) OptionInfoWindow->edt->SetTag(1);
  helpRunning_ = false;
}

bool TfrmSettings::FormCloseQuery() {
  if (helpRunning_) return false;
  if (OptionInfoWindow) delete OptionInfoWindow.data();
  return true;
}

void TfrmSettings::done(int result) {
  if (!FormCloseQuery()) return;
  QDialog::done(result);
}

void TfrmSettings::Browse(QLineEdit* edit, const std::string& storedPath, const QString& title,
                          const QString& filter) {
  const TBrowseStart start = BrowseStartFor(storedPath, ProgramFolder(), NativePathStyle);
  if (const std::optional<QString> chosen =
          BrowseForFile(this, title, filter, start.Folder, start.FileName)) {
    edit->setText(*chosen);
  }
}

void TfrmSettings::edtNavigatorPathButtonClick() {
  Browse(ui_->edtNavigatorPath, Settings.NavigatorPath,
         QStringLiteral("Netscape Navigator のパスを指定してください"), ProgramFilter);
}

void TfrmSettings::edtPerlPathButtonClick() {
  Browse(ui_->edtPerlPath, Settings.PerlPath, QStringLiteral("Perl のパスを指定してください"),
         ProgramFilter);
}

void TfrmSettings::edtMknmzPathButtonClick() {
  Browse(ui_->edtMknmzPath, Settings.mknmzPath, QStringLiteral("mknmz のパスを指定してください"),
         AllFilesFilter);
}

void TfrmSettings::edtNamazuPathButtonClick() {
  Browse(ui_->edtNamazuPath, Settings.namazuPath,
         QStringLiteral("namazu のパスを指定してください"), ProgramFilter);
}

void TfrmSettings::edtPnamazuPathButtonClick() {
  Browse(ui_->edtPnamazuPath, Settings.pnamazuPath,
         QStringLiteral("pnamazu のパスを指定してください"),
         QStringLiteral("すべてのﾌｧｲﾙ (*.*)|*.*|Perlｽｸﾘﾌﾟﾄ (*.pl)|*.pl"));
}

}  // namespace tavirel
