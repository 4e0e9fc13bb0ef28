#include "ui/search/mainwindow.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QColor>
#include <QCloseEvent>
#include <QComboBox>
#include <QAbstractItemView>
#include <QCompleter>
#include <QDesktopServices>
#include <QFileInfo>
#include <QFocusEvent>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "ui/search/about.h"
#include "ui/indexer/makeidx.h"
#include "core/search/drivelist.h"
#include "ui/search/htmlview.h"
#include "ui/search/indexupdate.h"
#include "ui/search/indexwatch.h"
#include "ui/search/placement.h"
#include "ui/search/recentdirs.h"
#include "core/search/resultlist.h"
#include "core/search/runfolder.h"
#include "ui/search/resultview.h"
#include "ui/search/textview.h"
#include "platform/platform.h"
#include "ui/process/browser.h"
#include "core/process/ucommon.h"
#include "core/settings/appfolders.h"
#include "ui/process/consolerun.h"
#include "ui/widgets/msgbox.h"
#include "ui/widgets/qtcodec.h"

namespace tavirel {
namespace {

std::string& SettingsFileOverride() {
  static std::string path;
  return path;
}

const QString AppTitle = QStringLiteral("tavirel for Namazu");
// The title above the HTML view while it shows the result page.
const QString ResultPageTitle = QStringLiteral("検索結果");

// The Shift-JIS text of a box; nullopt when it holds characters that
// Shift-JIS cannot write.
std::optional<std::string> BoxText(const QComboBox* box) {
  return QStringToSjis(box->currentText());
}

std::vector<std::string> BoxItems(const QComboBox* box) {
  std::vector<std::string> items;
  items.reserve(static_cast<size_t>(box->count()));
  for (int i = 0; i < box->count(); ++i) items.push_back(QStringToSjisLossy(box->itemText(i)));
  return items;
}

}  // namespace

// ---- TfrmMain: creation ------------------------------------------------------------

void TfrmMain::SetSettingsFileOverride(const std::string& path) { SettingsFileOverride() = path; }

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("frmMain"));
  CreateControls();
  CreateMenus();
  ConnectEvents();
  FormCreate();
  ApplyWindowLayout();
}

TfrmMain::~TfrmMain() = default;

void TfrmMain::ConnectEvents() {
  connect(btnSearch, &QPushButton::clicked, this, [this] { btnSearchClick(); });
  // Enter in the formula box does what the search button does (eventFilter),
  // whatever the default-button state or the list of earlier formulas.
  cboKeyword->lineEdit()->installEventFilter(this);
  if (QCompleter* completer = cboKeyword->completer()) {
    if (QAbstractItemView* list = completer->popup()) list->installEventFilter(this);
    // The formula picked with the arrow keys shows in the box.
    connect(completer, qOverload<const QString&>(&QCompleter::highlighted), this,
            [this](const QString& formula) { cboKeyword->setEditText(formula); });
  }
  cboKeyword->installEventFilter(this);
  cboListCount->installEventFilter(this);
  cboIndexDir->installEventFilter(this);
  cboIndexDir->lineEdit()->installEventFilter(this);

  for (QAction* item : sortItems_) {
    connect(item, &QAction::triggered, this, [this, item] { mnuSortEarlierClick(item); });
  }
  for (QAction* item : {mnuSortAscending, mnuSortDescending}) {
    connect(item, &QAction::triggered, this, [this, item] { mnuSortAscendingClick(item); });
  }
  connect(cboSortType, &QComboBox::activated, this, [this] { cboSortTypeClick(); });
  for (QAction* item : {mnuListCountTwenty, mnuListCountFifty, mnuListCountHundred,
                        mnuListCountAll}) {
    connect(item, &QAction::triggered, this, [this, item] { mnuListCountTwentyClick(item); });
  }
  connect(mnuListCount, &QMenu::aboutToShow, this, [this] { mnuListCountClick(); });
  for (QAction* item : {mnuContentsOn, mnuContentsOff}) {
    connect(item, &QAction::triggered, this, [this, item] { mnuContentsOnClick(item); });
  }
  connect(chkShowContents, &QCheckBox::toggled, this, [this] { chkShowContentsClick(); });

  connect(edtResult, &TResultView::OpenHitRequested, this,
          [this](int32_t offset, bool insideProgram) { OpenHitAt(offset, insideProgram); });
  edtResult->installEventFilter(this);
  autoUpdateTimer_ = new QTimer(this);
  autoUpdateTimer_->setSingleShot(true);
  connect(autoUpdateTimer_, &QTimer::timeout, this, [this] {
    if (Settings.AutoUpdateIndex == "1") mnuUpdateIndexClick();
  });
  connect(IndexWatch, &TIndexWatch::ChangesSeen, this, [this] {
    ShowIndexStatus();
    // Every change starts the quiet minute again.
    if (Settings.AutoUpdateIndex == "1") autoUpdateTimer_->start(AutoUpdateQuietMs);
  });
  connect(mnuNextPage, &QAction::triggered, this, [this] { mnuNextPageClick(); });
  connect(mnuPreviousPage, &QAction::triggered, this, [this] { mnuPreviousPageClick(); });
  connect(btnNextPage, &QPushButton::clicked, this, [this] { mnuNextPageClick(); });
  connect(btnPreviousPage, &QPushButton::clicked, this, [this] { mnuPreviousPageClick(); });
  connect(edtResult, &TResultView::EscapePressed, this, [this] { cboKeyword->setFocus(); });
  edtResult->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(edtResult, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { PopupAt(edtResult, pos); });
  connect(edtTextContents, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { PopupAt(edtTextContents, pos); });
  connect(pmnu, &QMenu::aboutToShow, this, [this] { pmnuPopup(); });
  connect(mnuCopy, &QAction::triggered, this, [this] { mnuCopyClick(); });
  connect(pge, &QTabWidget::currentChanged, this, [this] {
    if (pge->currentWidget() == tabResult) ShowCurrentHitInList();
    pgeChange();
  });

  connect(MRUManager, &TMRUManager::Click, this,
          [this](const std::string& entry) { MRUManagerClick(entry); });
  connect(mnuExit, &QAction::triggered, this, [this] { mnuExitClick(); });
  connect(mnuColored, &QAction::triggered, this, [this] { mnuColoredClick(); });
  connect(mnuShowIndexDirectory, &QAction::triggered, this, [this] { mnuShowIndexDirectoryClick(); });
  connect(mnuShowStatusBar, &QAction::triggered, this, [this] { mnuShowStatusBarClick(); });
  connect(mnuStayOnTop, &QAction::triggered, this, [this] { mnuStayOnTopClick(); });
  connect(mnuFontResult, &QAction::triggered, this, [this] { mnuFontResultClick(); });
  connect(mnuFontTextContents, &QAction::triggered, this, [this] { mnuFontTextContentsClick(); });
  for (QAction* item : {mnuAppearanceNormal, mnuAppearanceSmall}) {
    connect(item, &QAction::triggered, this, [this, item] { mnuAppearanceNormalClick(item); });
  }
  for (QAction* item :
       {mnuDocPlainText, mnuDocMailNews, mnuDocHTML, mnuDocSystemAuto, mnuDocByExtension}) {
    connect(item, &QAction::triggered, this, [this, item] { mnuDocPlainTextClick(item); });
  }
  for (QAction* item : {mnuConvertToSJIS, mnuConvertNone}) {
    connect(item, &QAction::triggered, this, [this, item] { mnuConvertToSJISClick(item); });
  }
  connect(mnuDecodeHeader, &QAction::triggered, this, [this] { mnuDecodeHeaderClick(); });
  connect(mnuShowDriveInfo, &QAction::triggered, this, [this] { mnuShowDriveInfoClick(); });
  connect(mnuHelpStart, &QAction::triggered, this, [this] { mnuHelpStartClick(); });
  connect(btnTutorial, &QToolButton::clicked, this, [this] { mnuHelpStartClick(); });
  connect(mnuHelpTavirel, &QAction::triggered, this, [this] { mnuHelpTavirelClick(); });
  connect(mnuHelpNamazuManual, &QAction::triggered, this, [this] { mnuHelpNamazuManualClick(); });
  connect(mnuHelpNamazuTutorial, &QAction::triggered, this,
          [this] { mnuHelpNamazuTutorialClick(); });
  connect(mnuHelpAbout, &QAction::triggered, this, [this] { mnuHelpAboutClick(); });
  ConnectDialogCommands();
  connect(mnuMakeIndex, &QAction::triggered, this, [this] { mnuMakeIndexClick(); });
  connect(mnuUpdateIndex, &QAction::triggered, this, [this] { mnuUpdateIndexClick(); });
  connect(IndexUpdater, &TIndexUpdater::Progress, this,
          [this](const QString& text) { stb->showMessage(text); });
  connect(IndexUpdater, &TIndexUpdater::Finished, this,
          [this](const QString& index, bool ok, const QString& message) {
            IndexUpdaterFinished(index, ok, message);
          });

  // The document tabs.
  for (QPushButton* button : {btnNext, btnNextW}) {
    connect(button, &QPushButton::clicked, this, [this] { btnNextClick(); });
  }
  for (QPushButton* button : {btnPrevious, btnPreviousW}) {
    connect(button, &QPushButton::clicked, this, [this] { btnPreviousClick(); });
  }
  connect(btnResult, &QPushButton::clicked, this, [this] { btnResultClick(); });
  connect(edtTextContents, &TTextView::StatusTextRequested, this,
          [this](const QString& text) { edtTextContentsStatusText(text); });
  connect(edtTextContents, &TTextView::OpenInBrowserRequested, this,
          [this] { edtTextContentsOpenInBrowser(); });
  connect(edtTextContents, &TTextView::OpenWithApplicationRequested, this,
          [this] { edtTextContentsOpenWithApplication(); });
  connect(edtTextContents, &TTextView::ResultListRequested, this,
          [this] { edtTextContentsBackToResult(); });
  connect(edtTextContents, &TTextView::NextDocumentRequested, this, [this] { btnNextClick(); });
  connect(edtTextContents, &TTextView::PreviousDocumentRequested, this,
          [this] { btnPreviousClick(); });
  connect(edtTextContents, &TTextView::HighlightPositionChanged, this,
          [this](const QString& text) { stb->showMessage(text); });
  connect(WebBrowser1, &THtmlView::HighlightPositionChanged, this,
          [this](const QString& text) { stb->showMessage(text); });
}

void TfrmMain::FormCreate() {
  const std::string& override = SettingsFileOverride();
  const std::string refusal =
      InitSettings(override.empty() ? CurrentAppFolders().SettingsFile : override);
  if (!refusal.empty()) ShowMessageBox(this, ErrorCaption, refusal, QMessageBox::Warning);
  BuildDriveConstantList();
  ApplySettingsToWindow();
}

void TfrmMain::ApplySettingsToWindow() {
  const bool external = ResultsInExternalBrowser(Settings);

  // 1. Sort order.
  mnuSortScore->setChecked(true);
  CheckSortKind(SortKindFromKeyword(Settings.Sort));
  SyncSortSelection(2);

  // 2. Sort direction.
  mnuSortDescending->setChecked(true);
  if (IsWord(Settings.SortDirection, "ascending")) mnuSortAscending->setChecked(true);

  // 3. Summary.
  mnuContentsOn->setChecked(true);
  if (Settings.ShowContents == "0") mnuContentsOff->setChecked(true);

  // 4. Hit count.
  const ListCountStart count = ListCountAtStart(Settings.ListCount);
  Settings.ListCount = count.ListCount;
  ListCountItem(static_cast<int>(count.Item))->setChecked(true);
  if (count.BoxIndex >= 0) {
    cboListCount->setCurrentIndex(count.BoxIndex);
  } else {
    cboListCount->setCurrentIndex(-1);
    cboListCount->setEditText(SjisToQString(count.BoxText));
  }

  // 5. Code conversion.
  switch (ConvertItemFromSetting(Settings.Convert)) {
    case TConvertItem::cvToSjis: mnuConvertToSJIS->setChecked(true); break;
    case TConvertItem::cvNone: mnuConvertNone->setChecked(true); break;
    case TConvertItem::cvNkf: mnuConvertNkf->setChecked(true); break;
  }
  mnuDecodeHeader->setChecked(Settings.DecodeHeader == "1");
  mnuConvert->menuAction()->setEnabled(!external);

  // 6. Index directories.
  Settings.IndexDirectoriesText = JoinQuotedDirectories(Settings.IndexDirectories);
  mnuShowIndexDirectory->setChecked(Settings.ShowIndexDir == "1");
  pnlTarget->setVisible(Settings.ShowIndexDir == "1");
  cboIndexDir->setEditText(SjisToQString(Settings.IndexDirectoriesText));

  // 7. Status bar.
  mnuShowStatusBar->setChecked(Settings.ShowStatusBar == "1");
  ApplyStatusBar();

  // 8. Colour.
  mnuColored->setChecked(Settings.Color != "1");
  mnuColored->setEnabled(!external);

  // 9. Stay on top (the window follows at first show).
  mnuStayOnTop->setChecked(Settings.StayOnTop == "1");

  // 10. Fonts.
  ApplyFonts();

  // 11. Appearance.
  mnuAppearanceNormal->setChecked(true);
  if (IsWord(Settings.ScreenType, "small")) mnuAppearanceSmall->setChecked(true);

  // 12. Document type.
  const TDocTypeItem docType = DocTypeItemFromSetting(Settings.HowToOpen);
  QAction* docItems[] = {mnuDocPlainText, mnuDocMailNews, mnuDocHTML, mnuDocSystemAuto,
                         mnuDocByExtension};
  docItems[static_cast<int>(docType)]->setChecked(true);
  if (docType == TDocTypeItem::dtiByExtension) Settings.HowToOpen = "Define";
  mnuDocType->menuAction()->setEnabled(!external);

  // 13. Placement.
  if (Settings.SavePosition != "1") {
    FormPlacement->Active = false;
    SetPlacementToDefault();
  } else {
    FormPlacement->IniFileName = Settings.IniFileName;
    FormPlacement->IniSection = "Window";
    FormPlacement->Active = true;
    if (!FormPlacement->Restore(this)) SetPlacementToDefault();
  }

  // 14. Title.
  UpdateTitle();

  // 15. Formula history.
  for (const std::string& formula : HistoryForBox(Settings)) {
    cboKeyword->addItem(SjisToQString(formula));
  }
  cboKeyword->setCurrentIndex(-1);
  cboKeyword->setEditText(QString());

  // 16. Hit-count box.
  if (mnuListCountAll->isChecked()) {
    cboListCount->setCurrentIndex(cboListCount->count() - 1);
  } else {
    cboListCount->setEditText(SjisToQString(Settings.ListCount));
  }

  // 17. Summary box (its handler marks the matching summary item).
  chkShowContents->setChecked(Settings.ShowContents == "1");
  chkShowContentsClick();

  // 18. The embedded browser's events. The before-navigation handler sets
  // the cancel flag of the navigation in progress, so it runs directly.
  connect(WebBrowser1, &THtmlView::BeforeNavigate2, this,
          [this](const QString& url, bool& cancel) { WebBrowser1BeforeNavigate2(url, cancel); },
          Qt::DirectConnection);
  connect(WebBrowser1, &THtmlView::DocumentComplete, this,
          [this](const QString& url) { WebBrowser1DocumentComplete(url); });
}

void TfrmMain::SetPlacementToDefault() {
  resize(DefaultWindowWidth, DefaultWindowHeight);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->geometry();
    move(area.x() + (area.width() - DefaultWindowWidth) / 2,
         area.y() + (area.height() - DefaultWindowHeight) / 2);
  }
}

void TfrmMain::ApplyFonts() {
  auto makeFont = [](const std::string& name, const std::string& size, const std::string& bold) {
    QString family = SjisToQString(FontNameFromSetting(name));
    // A name with bytes that are no characters cannot be set.
    if (family.contains(QChar::ReplacementCharacter)) family = SjisToQString(FallbackFontName);
    QFont font(family);
    font.setPointSize(FontSizeFromSetting(size));
    font.setBold(bold == "1");
    return font;
  };
  edtResult->setFont(makeFont(Settings.FontNameResult, Settings.FontSizeResult,
                              Settings.FontBoldResult));
  edtTextContents->setFont(
      makeFont(Settings.FontNameText, Settings.FontSizeText, Settings.FontBoldText));
}

void TfrmMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!shown_) {
    shown_ = true;
    FormShow();
  }
}

void TfrmMain::FormShow() {
  pge->setCurrentWidget(tabResult);
  pgeChange();
  if (Settings.ShowExplanation == "1") mnuHelpStartClick();
  // The caret starts in the formula box, start page or not.
  cboKeyword->setFocus();
  ApplyStayOnTop();
  MRUManager->SetItems(ReadRecentDirectories(Settings.IniFileName));
  recentLoaded_ = true;
  // Adding items must not replace what the box shows.
  const QString shown = cboIndexDir->currentText();
  for (const std::string& entry : MRUManager->Items()) cboIndexDir->addItem(SjisToQString(entry));
  cboIndexDir->setEditText(shown);
}

void TfrmMain::UpdateTitle() {
  const QString title = SjisToQString(MainWindowTitle(Settings.IndexDirectoriesText));
  setWindowTitle(title);
  // The task bar shows the window's own title; the application title follows
  // it for the captions of information messages.
  SetApplicationTitle(title);
}

// ---- Layout ---------------------------------------------------------------------------

int TfrmMain::FrameHeight() const {
  QMenuBar* bar = menuBar();
  if (bar->isNativeMenuBar() || bar->isHidden()) return 0;
  int h = bar->heightForWidth(width());
  return h > 0 ? h : bar->sizeHint().height();
}

int TfrmMain::ClientHeight() const { return height() - FrameHeight(); }

void TfrmMain::ApplyWindowLayout() {
  const bool normal = IsNormalAppearance(Settings.ScreenType);
  const bool external = ResultsInExternalBrowser(Settings);
  const int statusHeight = mnuShowStatusBar->isChecked() ? StatusBarHeight : 0;
  const WindowHeightLimits limits =
      ComputeWindowLayout(normal, ClientHeight() >= TallClientHeight, external,
                          Settings.ShowIndexDir == "1", statusHeight, FrameHeight(), height());
  pnlBody->setVisible(limits.BodyVisible);
  setMinimumHeight(limits.MinHeight);
  setMaximumHeight(limits.MaxHeight > 0 ? limits.MaxHeight : QWIDGETSIZE_MAX);
  if (height() != limits.WindowHeight) resize(width(), limits.WindowHeight);
  pnlHeader->setFixedHeight(limits.HeaderHeight);
  FormResize();
}

void TfrmMain::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  FormResize();
}

void TfrmMain::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange) FormResize();
}

void TfrmMain::FormResize() {
  if (inResize_) return;
  inResize_ = true;
  if (!isMinimized()) {
    const bool normal = IsNormalAppearance(Settings.ScreenType);
    const bool tall = ClientHeight() >= TallClientHeight;
    const bool external = ResultsInExternalBrowser(Settings);
    const HeaderRowVisibility row = HeaderRowFor(normal, tall, external, width());
    for (QWidget* w : std::initializer_list<QWidget*>{lblListCount, cboListCount, lblSortType,
                                                      cboSortType}) {
      w->setVisible(row.CountAndSort);
    }
    chkShowContents->setVisible(row.ContentsBox);
    btnTutorial->setVisible(row.TutorialButton);
    const int header = HeaderHeight(normal, tall, external);
    pnlHeader->setFixedHeight(header);
    if (external) {
      const int h = header + (mnuShowIndexDirectory->isChecked() ? TargetPanelHeight : 0) +
                    (mnuShowStatusBar->isChecked() ? StatusBarHeight : 0) + FrameHeight();
      setMinimumHeight(h);
      setMaximumHeight(h);
      if (height() != h) resize(width(), h);
    }
  }
  edtTextContents->viewport()->update();
  inResize_ = false;
}

void TfrmMain::ApplyStatusBar() {
  stb->setVisible(mnuShowStatusBar->isChecked());
  stb->setFixedHeight(StatusBarHeight);
}

void TfrmMain::ApplyStayOnTop() {
  const bool onTop = mnuStayOnTop->isChecked();
  if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) == onTop) return;
  const bool visible = isVisible();
  const QRect geometry = this->geometry();
  setWindowFlag(Qt::WindowStaysOnTopHint, onTop);  // hides a shown window
  if (visible) {
    setGeometry(geometry);
    show();
  }
}

// ---- Closing ---------------------------------------------------------------------------

void TfrmMain::closeEvent(QCloseEvent* event) {
  if (FormCloseQuery()) {
    event->accept();
  } else {
    event->ignore();
  }
}

bool TfrmMain::FormCloseQuery() {
  if (closed_) return true;
  closed_ = true;
  edtResult->ClearResults();
  if (Settings.ResultUseTempDir == "1" && !ResultFilePath.empty() &&
      platform::FileExists(ResultFilePath)) {
    platform::DeleteFile(ResultFilePath);
  }
  Settings.ShowIndexDir = mnuShowIndexDirectory->isChecked() ? "1" : "0";
  Settings.Sort = "Score";
  SyncSortSelection(1);
  TakeHistoryFromBox(Settings, BoxItems(cboKeyword));

  if (IsReadOnlyFile(Settings.IniFileName)) {
    // Nothing at all goes to a read-only (or vanished) file.
    MRUManager->AutoSave = false;
    FormPlacement->Active = false;
    FormPlacement->IniFileName.clear();
    return true;
  }
  SaveSettings(Settings, Settings.IniFileName);
  StorePlacementAndRecent(MRUManager->AutoSave && recentLoaded_);
  return true;
}

void TfrmMain::StorePlacementAndRecent(bool writeRecent) {
  const bool writePlacement = FormPlacement->Active && !FormPlacement->IniFileName.empty();
  if (!writeRecent && !writePlacement) return;
  TWindowPlacement placement = TFormPlacement::PlacementOf(this);
  if (writeRecent) {
    WriteRecentAndPlacement(Settings.IniFileName, MRUManager->Items(),
                            writePlacement ? &placement : nullptr, FormPlacement->IniSection);
  } else {
    // The recent directories were never loaded (the window was not shown):
    // the stored ones are written back unchanged.
    WriteRecentAndPlacement(Settings.IniFileName, ReadRecentDirectories(Settings.IniFileName),
                            &placement, FormPlacement->IniSection);
  }
}

// ---- Search ------------------------------------------------------------------------------

bool TfrmMain::ParseIndexField(std::string& text) {
  // Folder names may hold characters Shift-JIS cannot write: they are kept
  // as the escapes of their file-system bytes (platform::NativePath).
  auto field = BoxText(cboIndexDir);
  if (!field) {
    const QByteArray utf8 = cboIndexDir->currentText().toUtf8();
    field = platform::ProgramPathFromNative(std::string_view(utf8.constData(),
                                                             static_cast<size_t>(utf8.size())));
  }
  text = TrimBlanks(*field);
  Settings.IndexDirectories = ParseIndexDirectoryList(text);
  Settings.DirectoryCount = std::to_string(Settings.IndexDirectories.size());
  Settings.IndexDirectoriesText = JoinQuotedDirectories(Settings.IndexDirectories);
  return true;
}

void TfrmMain::btnSearchClick() {
  if (!btnSearch->isEnabled() || searching_) return;
  std::string indexText;
  if (!ParseIndexField(indexText)) return;
  UpdateTitle();
  if (SettingsInt(Settings.DirectoryCount, 0) <= 0) {
    ShowMessageBox(this, ErrorCaption, NoIndexDirectoryMessage, QMessageBox::Critical);
    return;
  }
  if (ValidateQuery()) return;
  if (const auto refused = CheckExtraOptions(Settings)) {
    ShowMessageBox(this, ErrorCaption, *refused, QMessageBox::Critical);
    return;
  }
  // A folder that is no index is said before namazu runs; the search goes on
  // with the others and is refused only when none is left.
  const TIndexDirectoryCheck check = CheckIndexField();
  // What the searched indexes hold, beside the page's own status text: a
  // few words whole, however many indexes; the tooltip names each one.
  ShowIndexStatus(check);
  if (const std::string problems = check.ProblemText(); !problems.empty()) {
    QString text = SjisToQString(problems);
    text += check.Refused() ? QStringLiteral("\n\n検索できるインデックスがないため、検索しません。")
                            : QStringLiteral("\n\nほかのインデックスを検索します。");
    ShowMessageBox(this, SjisToQString(ErrorCaption), text, QMessageBox::Warning);
    if (check.Refused()) return;
  }
  const QString formula = cboKeyword->currentText().trimmed();
  AddQueryToHistory(formula);
  RunSearch(std::string(TrimBlanks(QStringToSjisLossy(formula))));
}

TIndexDirectoryCheck TfrmMain::CheckIndexField() {
  TIndexDirectoryCheck check = CheckIndexDirectories(Settings, ProgramFolder(), DriveConstantList);
  const std::string tip = check.StatusText("\n");
  cboIndexDir->setToolTip(SjisToQString(tip));
  return check;
}

void TfrmMain::ShowIndexStatus(const TIndexDirectoryCheck& check) {
  std::vector<std::string> indexes;
  for (size_t i = 0; i < check.Directories.size(); ++i) {
    if (check.Statuses[i].State == TIndexState::Index) indexes.push_back(check.Directories[i]);
  }
  IndexWatch->WatchIndexes(indexes);
  indexStatusText_ = SjisToQString(check.ShortStatusText());
  indexStatusTip_ = SjisToQString(check.StatusText("\n"));
  ShowIndexStatus();
  const QString limit = IndexWatch->LimitMessage();
  if (!limit.isEmpty()) stb->showMessage(limit);
}

void TfrmMain::ShowIndexStatus() {
  mnuUpdateIndex->setEnabled(IndexWatch->Changes().StaleCount() > 0);
  QString text = indexStatusText_;
  const std::string stale = IndexWatch->Changes().StatusText();
  if (!stale.empty()) text += QStringLiteral("、") + SjisToQString(stale);
  QString tip = indexStatusTip_;
  const QString limit = IndexWatch->LimitMessage();
  if (!limit.isEmpty()) tip += QStringLiteral("\n") + limit;
  lblIndexStatus->setText(text);
  lblIndexStatus->setToolTip(tip);
}

void TfrmMain::UpdateIndexToolTip() {
  // The box as it reads now, without taking it into the settings.
  auto field = BoxText(cboIndexDir);
  if (!field) {
    const QByteArray utf8 = cboIndexDir->currentText().toUtf8();
    field = platform::ProgramPathFromNative(std::string_view(utf8.constData(),
                                                             static_cast<size_t>(utf8.size())));
  }
  TSettings settings = Settings;
  settings.IndexDirectories = ParseIndexDirectoryList(TrimBlanks(*field));
  const TIndexDirectoryCheck check = CheckIndexDirectories(settings, ProgramFolder(), DriveConstantList);
  cboIndexDir->setToolTip(SjisToQString(check.StatusText("\n")));
}

bool TfrmMain::ValidateQuery() {
  UpdateTitle();
  auto formula = BoxText(cboKeyword);
  if (!formula) {
    ShowMessageBox(this, QStringLiteral("エラー"),
                   QStringLiteral("検索式に Shift-JIS で表せない文字が含まれています。"),
                   QMessageBox::Critical);
    return true;
  }
  if (IsBlankFormula(*formula)) {
    ShowMessageBox(this, ErrorCaption, NoFormulaMessage, QMessageBox::Critical);
    cboKeyword->setEditText(QString());
    return true;
  }
  return false;
}

void TfrmMain::AddQueryToHistory(const QString& formula) {
  std::vector<std::string> items = BoxItems(cboKeyword);
  AddToTopOfList(items, QStringToSjisLossy(formula));
  cboKeyword->clear();
  for (const std::string& item : items) cboKeyword->addItem(SjisToQString(item));
  cboKeyword->setCurrentIndex(0);
  cboKeyword->setEditText(formula);
}

SearchViewState TfrmMain::ViewState() const {
  SearchViewState view;
  view.Sort = TSortKind::skNone;
  if (mnuSortEarlier->isChecked()) {
    view.Sort = TSortKind::skEarlier;
  } else if (mnuSortLater->isChecked()) {
    view.Sort = TSortKind::skLater;
  } else {
    for (size_t i = 2; i < sortItems_.size(); ++i) {
      if (sortItems_[i]->isChecked()) {
        view.Sort = static_cast<TSortKind>(i + 1);
        break;
      }
    }
  }
  view.Ascending = mnuSortAscending->isChecked();
  view.ContentsOff = mnuContentsOff->isChecked();
  view.ListCountAll = mnuListCountAll->isChecked();
  return view;
}

void TfrmMain::RunSearch(const std::string& formula, int whence) {
  if (searching_) return;
  // A page of the last search repeats its command line but for --whence;
  // a new search is remembered for its pages.
  if (whence < 0) {
    pagedSettings_ = Settings;
    pagedView_ = ViewState();
    pagedFormula_ = formula;
  }
  const TSettings& settings = pagedSettings_;
  SearchViewState view = pagedView_;
  view.Whence = std::max(0, whence);
  // The page commands wait for the new result.
  ResultPage = {};
  UpdatePaging();
  searching_ = true;
  btnSearch->setEnabled(false);
  // The button comes back however the search ends.
  struct EnableAgain {
    TfrmMain* window;
    ~EnableAgain() {
      window->searching_ = false;
      window->btnSearch->setEnabled(true);
    }
  } enableAgain{this};
  hitOpenedFromList_ = false;
  const bool external = ResultsInExternalBrowser(settings);
  if (!external) {
    ShowPage(tabResult, edtResult);
    edtResult->ClearResults();
    edtResult->SetMessageText(SjisToQString(SearchingText));
  }
  QCoreApplication::processEvents();

  const std::string programFolder = ProgramFolder();
  // The temporary result file goes to this run's private folder, never to a
  // fixed name in a shared one.
  const std::string& tempFolder = RunFolder();
  if (settings.ResultUseTempDir == "1" && tempFolder.empty()) {
    // 一時フォルダを作成できません。
    std::string message =
        "\x88\xea\x8e\x9e\x83\x74\x83\x48\x83\x8b\x83\x5f\x82\xf0\x8d\xec\x90\xac\x82"
        "\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1\x81\x42";
    message += '\n';
    message += platform::TempFolder();
    edtResult->ClearResults();
    ShowMessageBox(this, ErrorCaption, message, QMessageBox::Critical);
    return;
  }
  const bool namazurcExists =
      settings.UseNamazurc == "1" &&
      platform::FileExists(NamazurcFilePath(settings, DriveConstantList));
  const std::string resultFolder =
      ResultFolder(settings, tempFolder, CurrentAppFolders().WorkFolder);
  // A result file that stays goes to the work folder, made on first use.
  if (settings.ResultUseTempDir != "1" && !platform::DirectoryExists(resultFolder)) {
    std::string error;
    if (!platform::CreateFolders(resultFolder, &error)) {
      edtResult->ClearResults();
      ShowMessageBox(this, QStringLiteral("エラー"),
                     QStringLiteral("検索結果を書き出すフォルダ %1 を作成できません。\n%2")
                         .arg(SjisToQString(resultFolder), SjisToQString(error)),
                     QMessageBox::Critical);
      return;
    }
  }
  const SearchCommand command = BuildSearchCommand(settings, view, formula, resultFolder,
                                                   programFolder, DriveConstantList,
                                                   namazurcExists);
  ResultFilePath = command.ResultFilePath;

  auto confirm = [this, external](const std::string& commandLine) {
    const QString question = SjisToQString(ConfirmQuestionText(commandLine, external));
    if (!external) {
      edtResult->SetMessageText(SjisToQString(commandLine));
      if (ShowMessageBox(this, ConfirmCommandLineCaption, ConfirmQuestionText(commandLine, false),
                         QMessageBox::Question, QMessageBox::Yes | QMessageBox::No) !=
          QMessageBox::Yes) {
        return false;
      }
      edtResult->SetMessageText(SjisToQString(SearchingText));
      edtResult->repaint();
      return true;
    }
    edtResult->ClearResults();
    if (ShowMessageBox(this, SjisToQString(ConfirmCommandLineCaption), question,
                       QMessageBox::Question, QMessageBox::Yes | QMessageBox::No) !=
        QMessageBox::Yes) {
      QApplication::clipboard()->setText(SjisToQString(commandLine));
      return false;
    }
    return true;
  };
  auto runner = [this](const std::string& commandLine, const std::string& workingFolder) {
    // The window takes no input while the searcher runs.
    setEnabled(false);
    const intptr_t started =
        RunConsoleProcess(commandLine, workingFolder, psmHidden, nullptr, acNamazu);
    setEnabled(true);
    return started != 0 ? 1 : 0;
  };
  const SearchRunOutcome outcome =
      RunSearchCommand(settings, command, programFolder, confirm, runner);
  if (outcome.Result == TSearchRunResult::srrDeclined) return;

  edtResult->ClearResults();
  if (outcome.Result == TSearchRunResult::srrResultMissing) {
    ShowMessageBox(this, ErrorCaption, outcome.Message, QMessageBox::Warning);
    return;
  }
  QCoreApplication::processEvents();
  if (std::string bytes; platform::ReadWholeFile(ResultFilePath, bytes))
    ResultPage = ReadResultPage(bytes);
  if (DisplaysInWebBrowser(settings)) {
    MakeResultPageReadable(settings, ResultFilePath);
    searchWords_ = ExtractSearchWords(formula);
    WebBrowser1->SetTag(1);
    SetPageTitle(ResultPageTitle);
    ShowInBrowser(ResultFilePath);
  } else {
    ShowPage(tabResult, edtResult);
    pgeChange();
    searchWords_ = ExtractSearchWords(formula);
    edtResult->SetSearchWords(searchWords_);
    edtResult->ShowResultFile(ResultFilePath, SettingsInt(settings.FileNameBlankLineNext, 0),
                              SettingsInt(settings.FileNameSpaceFromEnd, 0),
                              !mnuColored->isChecked(), UndecodedFileNames(settings));
    if (settings.ResultUseTempDir == "1") platform::DeleteFile(ResultFilePath);
  }
  UpdatePaging();
  if (whence >= 0) return;  // the folders are those of a search already made
  const std::string indexText = QStringToSjisLossy(cboIndexDir->currentText());
  if (!MRUManager->Contains(indexText)) {
    MRUManager->Add(indexText);
    const QString shown = cboIndexDir->currentText();
    cboIndexDir->addItem(SjisToQString(indexText));
    cboIndexDir->setEditText(shown);
  }
}

void TfrmMain::UpdatePaging() {
  const bool partial = ResultPage.Partial();
  mnuNextPage->setEnabled(ResultPage.HasNext());
  mnuPreviousPage->setEnabled(ResultPage.HasPrevious());
  btnNextPage->setEnabled(ResultPage.HasNext());
  btnPreviousPage->setEnabled(ResultPage.HasPrevious());
  const QString text = partial ? SjisToQString(ResultPageStatusText(ResultPage)) : QString();
  lblPage->setText(text);
  lblPage->setAccessibleName(text);
  pnlPaging->setVisible(partial);
  if (partial) stb->showMessage(text);
}

void TfrmMain::mnuNextPageClick() {
  if (!ResultPage.HasNext() || searching_) return;
  RunSearch(pagedFormula_, ResultPage.NextWhence());
}

void TfrmMain::mnuPreviousPageClick() {
  if (!ResultPage.HasPrevious() || searching_) return;
  const int perPage = pagedView_.ListCountAll ? ResultPage.Total
                                              : MaxHitsFromListCount(pagedSettings_.ListCount);
  RunSearch(pagedFormula_, ResultPage.PreviousWhence(perPage));
}

bool TfrmMain::ResultListPageKey(QKeyEvent* event) {
  const Qt::KeyboardModifiers modifiers = event->modifiers();
  if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
  const bool shift = modifiers.testFlag(Qt::ShiftModifier);
  const QScrollBar* bar = edtResult->verticalScrollBar();
  const QString typed = event->text();
  if (ResultPage.HasNext()) {
    const bool atEnd = bar->value() >= bar->maximum();
    const auto next = NextHitCaret(edtResult->Hits(), edtResult->CaretOffset());
    const bool pastLastHit = !next || *next <= edtResult->CaretOffset();
    if ((event->key() == Qt::Key_Space && !shift && atEnd) ||
        ((typed == QLatin1String("n") || typed == QLatin1String("N")) && pastLastHit)) {
      mnuNextPageClick();
      return true;
    }
  }
  if (ResultPage.HasPrevious() && bar->value() <= bar->minimum() &&
      ((event->key() == Qt::Key_Space && shift) || event->key() == Qt::Key_Backspace)) {
    mnuPreviousPageClick();
    return true;
  }
  return false;
}

void TfrmMain::cboKeywordEnter() {
  btnSearch->setDefault(true);
  btnSearch->setAutoDefault(true);
}

void TfrmMain::cboKeywordExit() { btnSearch->setDefault(false); }

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
  // The box hands its keys to its line edit without the event filters, and
  // while the history completer's list is open the keys go to that list, so
  // all three are watched. Enter searches for what the box shows: what was
  // typed, or an earlier formula chosen in the list with the arrow keys.
  if (event->type() == QEvent::KeyPress) {
    QCompleter* completer = cboKeyword->completer();
    QWidget* completerList = completer ? completer->popup() : nullptr;
    const bool formulaBox = watched == cboKeyword || watched == cboKeyword->lineEdit() ||
                            (completerList && watched == completerList);
    const int key = formulaBox ? static_cast<QKeyEvent*>(event)->key() : 0;
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      if (completerList && completerList->isVisible()) {
        // An earlier formula picked in the list with the arrow keys.
        const auto* list = qobject_cast<QAbstractItemView*>(completerList);
        if (list && list->currentIndex().isValid())
          cboKeyword->setEditText(list->currentIndex().data().toString());
        completerList->hide();
      }
      btnSearchClick();
      return true;
    }
  }
  if (watched == edtResult && event->type() == QEvent::KeyPress &&
      ResultListPageKey(static_cast<QKeyEvent*>(event))) {
    return true;
  }
  if (event->type() == QEvent::ToolTip &&
      (watched == cboIndexDir || watched == cboIndexDir->lineEdit())) {
    UpdateIndexToolTip();  // read when it is shown: an index changes under the box
  }
  if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
    const auto* focus = static_cast<QFocusEvent*>(event);
    const bool popup = focus->reason() == Qt::PopupFocusReason;
    if (watched == cboKeyword) {
      if (event->type() == QEvent::FocusIn) {
        cboKeywordEnter();
      } else if (!popup) {
        cboKeywordExit();
      }
    } else if (watched == cboListCount && event->type() == QEvent::FocusOut && !popup) {
      cboListCountExit();
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

// ---- Sort order and hit count ---------------------------------------------------------

void TfrmMain::CheckSortKind(TSortKind kind) {
  if (kind == TSortKind::skNone) return;
  sortItems_[static_cast<size_t>(kind) - 1]->setChecked(true);
}

TSortKind TfrmMain::CheckedSortKind() const {
  static constexpr TSortKind order[] = {
      TSortKind::skLater, TSortKind::skEarlier, TSortKind::skScore, TSortKind::skTitle,
      TSortKind::skDate,  TSortKind::skUri,     TSortKind::skSize,  TSortKind::skFrom,
      TSortKind::skTo,    TSortKind::skNewsgroup};
  for (TSortKind kind : order) {
    if (sortItems_[static_cast<size_t>(kind) - 1]->isChecked()) return kind;
  }
  return TSortKind::skNone;
}

void TfrmMain::SyncSortSelection(int source) {
  if (source == 1) {
    const int selected = cboSortType->currentIndex();
    for (size_t i = 0; i < sortItems_.size(); ++i) {
      sortItems_[i]->setChecked(static_cast<int>(i) == selected);
    }
  }
  const TSortKind kind = CheckedSortKind();
  Settings.Sort = std::string(SortKeyword(kind));
  if (source == 2) {
    const TSortKind shown = kind == TSortKind::skNone ? TSortKind::skScore : kind;
    cboSortType->setCurrentIndex(static_cast<int>(shown) - 1);
  }
}

void TfrmMain::mnuSortEarlierClick(QAction* item) {
  item->setChecked(true);
  SyncSortSelection(2);
  if (Settings.SearchOnChangeSettings == "1" && btnSearch->isEnabled()) btnSearch->click();
}

void TfrmMain::mnuSortAscendingClick(QAction* item) {
  item->setChecked(true);
  if (Settings.SearchOnChangeSettings == "1") btnSearch->click();
}

void TfrmMain::cboSortTypeClick() { SyncSortSelection(1); }

QAction* TfrmMain::ListCountItem(int index) const {
  QAction* items[] = {mnuListCountTwenty, mnuListCountFifty, mnuListCountHundred, mnuListCountAll};
  return items[std::clamp(index, 0, 3)];
}

void TfrmMain::mnuListCountTwentyClick(QAction* item) {
  item->setChecked(true);
  if (item == mnuListCountAll) {
    Settings.ListCount = "All";
    cboListCount->setCurrentIndex(3);
  } else {
    Settings.ListCount = item == mnuListCountTwenty  ? "20"
                         : item == mnuListCountFifty ? "50"
                                                     : "100";
    cboListCount->setEditText(SjisToQString(Settings.ListCount));
  }
  if (Settings.SearchOnChangeSettings == "1") btnSearch->click();
}

void TfrmMain::cboListCountExit() {
  const int selected = cboListCount->findText(cboListCount->currentText(), Qt::MatchExactly);
  const ListCountChoice choice =
      ListCountFromBox(selected, QStringToSjisLossy(cboListCount->currentText()));
  Settings.ListCount = choice.ListCount;
  ListCountItem(static_cast<int>(choice.Item))->setChecked(true);
  if (choice.SelectFirstItem) cboListCount->setCurrentIndex(0);
}

void TfrmMain::mnuListCountClick() {
  QWidget* focus = QApplication::focusWidget();
  if (focus == cboListCount || focus == cboListCount->lineEdit()) cboListCountExit();
}

void TfrmMain::mnuContentsOnClick(QAction* item) {
  item->setChecked(true);
  const bool on = item == mnuContentsOn;
  Settings.ShowContents = on ? "1" : "0";
  chkShowContents->setChecked(on);
  if (Settings.SearchOnChangeSettings == "1") btnSearch->click();
}

void TfrmMain::chkShowContentsClick() {
  (chkShowContents->isChecked() ? mnuContentsOn : mnuContentsOff)->setChecked(true);
}

// ---- Result list and documents -------------------------------------------------------

bool TfrmMain::ShellOpen(const std::string& pathOrUrl) {
  QUrl url;
  if (IsWebAddress(pathOrUrl)) {
    url = QUrl(SjisToQString(pathOrUrl), QUrl::TolerantMode);
  } else {
    // A local path, possibly in "file://" form; the file is opened as named
    // (a "#" in it is part of the name).
    std::string path = pathOrUrl;
    if (path.size() >= 7 && IsWord(std::string_view(path).substr(0, 7), "file://")) path.erase(0, 7);
    auto utf8 = platform::NativePath(path);
    if (utf8 && !utf8->empty()) {
      url = QUrl::fromLocalFile(
          QString::fromUtf8(utf8->data(), static_cast<qsizetype>(utf8->size())));
    }
  }
  if (url.isValid() && !url.isEmpty() && OpenURLByShell(url)) return true;
  shellOpenFailed_ = true;
  stb->showMessage(SjisToQString(ShellOpenFailedText));
  return false;
}

void TfrmMain::OpenHitAt(int32_t offset, bool insideProgram) {
  if (edtResult->HitCount() == 0) return;
  const int index = FindHitAt(edtResult->Hits(), offset);
  if (index < 0) return;
  CurrentHitIndex = index;
  PrepareHitPath(index);
  shellOpenFailed_ = false;
  if (insideProgram) {
    OpenHit(index);
  } else {
    ShellOpen(CutFragmentInExtension(CurrentDocumentPath));
  }
  pgeChange();
  // The page's status text must not hide a failure to start the application.
  if (shellOpenFailed_) stb->showMessage(SjisToQString(ShellOpenFailedText));
}

void TfrmMain::PrepareHitPath(int index) {
  CurrentDocumentPath = tavirel::PrepareHitPath(edtResult->Hits()[static_cast<size_t>(index)].Uri,
                                                ProgramFolder(), DriveConstantList);
}

void TfrmMain::OpenHit(int index) {
  if (index < 0 || index >= edtResult->HitCount()) {
    QApplication::beep();
    return;
  }
  hitOpenedFromList_ = true;
  PrepareHitPath(index);
  const TOpenDecision decision =
      ChooseViewer(Settings.HowToOpen, CurrentDocumentPath, DocTypeDefinition);
  switch (decision.Viewer) {
    case TDocumentViewer::Html:
      OpenHitAsHTML(index);
      break;
    case TDocumentViewer::Text:
      OpenHitAsText(index);
      break;
    case TDocumentViewer::System:
      // The views stay as they are; a failure shows in the status bar.
      CurrentHitIndex = index;
      ShellOpen(decision.ShellPath);
      break;
  }
}

void TfrmMain::OpenHitAsText(int index) {
  if (index < 0 || index >= edtResult->HitCount()) return;
  PrepareHitPath(index);
  pnlSubject->setText(SjisToQString(edtResult->Hits()[static_cast<size_t>(index)].Title));
  pnlSubject->repaint();
  CurrentHitIndex = index;

  edtTextContents->ClearHighlights();
  edtTextContents->Clear();
  edtTextContents->SetDocumentPath(CurrentDocumentPath);
  ShowPage(tabTextDoc, edtTextContents);
  pgeChange();

  const TTextOptions options =
      TextOptionsFor(Settings.HowToOpen, Settings.Convert, Settings.DecodeHeader, DocTypeDefinition);
  const TDocumentText document = LoadDocumentText(CurrentDocumentPath, options);
  if (document.Status != TDocumentLoadStatus::Ok) {
    // The tab stays active and empty, with the hit's title above it.
    ShowMessageBox(this, ErrorCaption, document.Message, QMessageBox::Critical);
    return;
  }
  edtTextContents->ShowText(document.Text.Text, document.Text.Encoding, document.Text.BodyLine);
  edtTextContents->HighlightWords(searchWords_);
}

void TfrmMain::OpenHitAsHTML(int index) {
  if (index < 0 || index >= edtResult->HitCount()) return;
  PrepareHitPath(index);
  CurrentHitIndex = index;
  SetPageTitle(SjisToQString(edtResult->Hits()[static_cast<size_t>(index)].Title));

  switch (RouteForHit(Settings.WebBrowserDisplayTo, Settings.BrowserType)) {
    case TBrowserRoute::Netscape:
      OpenURLByNetscape(CurrentDocumentPath, Settings.NavigatorPath);
      break;
    case TBrowserRoute::InternetExplorer:
      OpenURLByInternetExplorer(CurrentDocumentPath);
      break;
    case TBrowserRoute::Shell:
      OpenURLByShell(CurrentDocumentPath);
      break;
    case TBrowserRoute::Internal:
      // The tab first: a navigation inside the HTML tab follows the rules of
      // WebBrowser1BeforeNavigate2. The fragment takes the view to its anchor.
      ShowPage(tabHTMLDoc, WebBrowser1);
      WebBrowser1->SetTag(1);
      markPageWords_ = true;
      if (!WebBrowser1->Navigate(CurrentDocumentPath)) markPageWords_ = pageTitled_ = false;
      pgeChange();
      return;
  }
  pageTitled_ = false;  // no page of the view to title
}

void TfrmMain::ShowInBrowser(const std::string& url) {
  switch (RouteForPage(Settings.WebBrowserDisplayTo, Settings.BrowserType)) {
    case TBrowserRoute::Internal:
      // Requested while the previous tab is still active, so that the page
      // loads unless the HTML tab was already showing; the tab follows also
      // when the page could not be shown.
      if (!WebBrowser1->Navigate(url)) pageTitled_ = false;
      pge->setCurrentWidget(tabHTMLDoc);
      pgeChange();
      return;
    case TBrowserRoute::Netscape:
      OpenURLByNetscape(LocalPathToUrl(url, NativePathStyle), Settings.NavigatorPath);
      break;
    case TBrowserRoute::InternetExplorer:
      OpenURLByInternetExplorer(url);
      break;
    case TBrowserRoute::Shell:
      OpenURLByShell(url);
      break;
  }
  pageTitled_ = false;  // no page of the view to title
}

void TfrmMain::WebBrowser1BeforeNavigate2(const QString& url, bool& cancel) {
  TNavigateContext context;
  context.HtmlPageActive = pge->currentWidget() == tabHTMLDoc;
  context.ResultFilePath = ResultFilePath;
  context.HowToOpen = Settings.HowToOpen;
  context.UseDriveConstantsWebBrowser = Settings.UseDriveConstantsWebBrowser;
  context.ProgramFolder = ProgramFolder();
  context.DriveConstantList = DriveConstantList;
  // The view reports the target fully percent-encoded, so it is ASCII.
  const TNavigateDecision decision = DecideBeforeNavigate(url.toStdString(), context);
  switch (decision.Action) {
    case TNavigateAction::Proceed:
      break;
    case TNavigateAction::OpenWithShell:
      cancel = true;
      ShellOpen(decision.Target);
      break;
    case TNavigateAction::Redirect:
      cancel = true;
      WebBrowser1->Navigate(decision.Target);
      break;
  }
}

bool TfrmMain::IsResultPage(const QUrl& url) const {
  if (ResultFilePath.empty() || !url.isLocalFile()) return false;
  const std::string page =
      platform::CanonicalPath(AddressToLocalPath(url.toString(QUrl::FullyEncoded).toStdString()));
  return !page.empty() && page == platform::CanonicalPath(ResultFilePath);
}

void TfrmMain::WebBrowser1DocumentComplete(const QString& url) {
  const TDocumentCompleteAction action = DocumentCompleteRule(WebBrowser1->Tag());
  if (action.FocusDocument) WebBrowser1->FocusDocument();
  WebBrowser1->SetTag(action.NewTag);
  TitleFollowedPage(QUrl(url));
  MarkWordsInPage();
}

void TfrmMain::MarkWordsInPage() {
  // Only the page of a hit is marked (opened from the list or the text view,
  // or followed from the result page); a link followed from it, the result
  // page and the help pages are shown plain. The view drops the marks when
  // it loads another page and keeps them for a move to an anchor.
  const bool mark = markPageWords_ && !searchWords_.empty();
  markPageWords_ = false;
  if (!mark) return;
  const TWordFinder finder(searchWords_);
  WebBrowser1->SetHighlights(FindWordsInDocument(*WebBrowser1->document(), finder));
}

void TfrmMain::TitleFollowedPage(const QUrl& url) {
  // A page the program showed is titled by the command that showed it; a
  // page reached by a link is named by its own title, else its file name.
  // A hit followed from the result page is marked as one opened from the
  // list would be. A move to an anchor of the page shown changes nothing.
  const QUrl page = url.adjusted(QUrl::RemoveFragment);
  const bool newPage = page != titledPage_;
  const bool followed = newPage && !pageTitled_;
  titledPage_ = page;
  pageTitled_ = false;
  if (!newPage) return;
  const bool fromResultPage = resultPageShown_;
  resultPageShown_ = IsResultPage(page);
  if (!followed) return;
  if (fromResultPage && !resultPageShown_) markPageWords_ = true;
  QString title = WebBrowser1->documentTitle().simplified();
  if (title.isEmpty()) title = QFileInfo(page.toLocalFile()).fileName();
  pnlTitle->setText(title);
}

void TfrmMain::SetPageTitle(const QString& title) {
  pnlTitle->setText(title);
  pnlTitle->repaint();
  pageTitled_ = true;
}

QString TfrmMain::PageStatusText() const {
  QWidget* page = pge->currentWidget();
  // A document with marked words shows where in them the view is.
  if (page == tabTextDoc && edtTextContents->HighlightCount() > 0)
    return edtTextContents->HighlightPositionText();
  if (page == tabHTMLDoc && WebBrowser1->HighlightCount() > 0)
    return WebBrowser1->HighlightPositionText();
  const TDocumentPage which = page == tabResult    ? TDocumentPage::Result
                              : page == tabTextDoc ? TDocumentPage::TextDoc
                                                   : TDocumentPage::HtmlDoc;
  return SjisToQString(StatusTextForPage(which));
}

void TfrmMain::pgeChange() {
  const QString text = PageStatusText();
  if (text.isEmpty()) {
    stb->clearMessage();
  } else {
    stb->showMessage(text);
  }
  if (pge->currentWidget() == tabHTMLDoc && QApplication::focusWidget() == WebBrowser1 &&
      WebBrowser1->HasDocument()) {
    WebBrowser1->FocusDocument();
  }
}

void TfrmMain::btnNextClick() { OpenHit(CurrentHitIndex + 1); }

void TfrmMain::btnPreviousClick() { OpenHit(CurrentHitIndex - 1); }

void TfrmMain::btnResultClick() {
  if (Settings.ResultDisplayTo == "WebBrowser" && !ResultFilePath.empty() &&
      platform::FileExists(ResultFilePath)) {
    SetPageTitle(ResultPageTitle);
    ShowInBrowser(ResultFilePath);
  }
}

void TfrmMain::edtTextContentsStatusText(const QString& text) { stb->showMessage(text); }

void TfrmMain::edtTextContentsOpenInBrowser() {
  WebBrowser1->SetTag(1);
  markPageWords_ = true;  // the hit shown in the text view
  if (!WebBrowser1->Navigate(CurrentDocumentPath)) markPageWords_ = false;
  ShowPage(tabHTMLDoc, WebBrowser1);
  pgeChange();
}

void TfrmMain::edtTextContentsOpenWithApplication() {
  // The file itself: a fragment would name a file that does not exist.
  ShellOpen(CutFragmentInExtension(CurrentDocumentPath));
}

void TfrmMain::edtTextContentsBackToResult() {
  ShowCurrentHitInList();
  ShowPage(tabResult, edtResult);
  pgeChange();
}

void TfrmMain::ShowPage(QWidget* page, QWidget* view) {
  // A page that hides with the focus on it hands the focus on to the next
  // control of the window for a moment.
  view->setFocus();
  pge->setCurrentWidget(page);
  view->setFocus();
}

void TfrmMain::ShowCurrentHitInList() {
  // Back from a document (perhaps reached with next and previous): the list
  // shows the hit last opened, its caret where N and P land on it.
  if (!hitOpenedFromList_ || CurrentHitIndex < 0 || CurrentHitIndex >= edtResult->HitCount()) {
    return;
  }
  if (edtResult->MarkedHit() == CurrentHitIndex) return;
  const SearchHit& hit = edtResult->Hits()[static_cast<size_t>(CurrentHitIndex)];
  edtResult->SetCaretOffset(hit.UriStart > 0 ? hit.UriStart : hit.TitleStart);
}

void TfrmMain::PopupAt(QWidget* view, const QPoint& pos) {
  pmnu->popup(view->mapToGlobal(pos));
}

void TfrmMain::pmnuPopup() {
  bool selection = false;
  if (pge->currentWidget() == tabResult) {
    selection = edtResult->HasSelection();
  } else if (pge->currentWidget() == tabTextDoc) {
    selection = edtTextContents->HasSelection();
  }
  mnuCopy->setEnabled(selection);
}

void TfrmMain::mnuCopyClick() {
  if (pge->currentWidget() == tabResult) {
    edtResult->Copy();
  } else if (pge->currentWidget() == tabTextDoc) {
    if (edtTextContents->HasSelection()) edtTextContents->Copy();
  }
}

// ---- View commands ------------------------------------------------------------------------

void TfrmMain::MRUManagerClick(const std::string& entry) {
  cboIndexDir->setEditText(SjisToQString(entry));
  Settings.IndexDirectories = ParseIndexDirectoryList(TrimBlanks(entry));
  Settings.DirectoryCount = std::to_string(Settings.IndexDirectories.size());
  Settings.IndexDirectoriesText = JoinQuotedDirectories(Settings.IndexDirectories);
}

// Exit closes the window the ordinary way, so that FormCloseQuery saves the
// history, the sort order and the recent directories.
void TfrmMain::mnuExitClick() { close(); }

void TfrmMain::mnuColoredClick() {
  Settings.Color = mnuColored->isChecked() ? "0" : "1";
}

void TfrmMain::mnuShowIndexDirectoryClick() {
  const bool shown = mnuShowIndexDirectory->isChecked();
  pnlTarget->setVisible(shown);
  Settings.ShowIndexDir = shown ? "1" : "0";
  ApplyWindowLayout();
}

void TfrmMain::mnuShowStatusBarClick() {
  Settings.ShowStatusBar = mnuShowStatusBar->isChecked() ? "1" : "0";
  ApplyStatusBar();
  FormResize();
}

void TfrmMain::mnuStayOnTopClick() {
  Settings.StayOnTop = mnuStayOnTop->isChecked() ? "1" : "0";
  ApplyStayOnTop();
}

void TfrmMain::ChooseFont(std::string& name, std::string& size, std::string& bold) {
  QFont initial(SjisToQString(FontNameFromSetting(name)));
  initial.setPointSize(FontSizeFromSetting(size));
  initial.setBold(bold == "1");
  QFontDialog dlgFont(initial, this);
  dlgFont.setObjectName(QStringLiteral("dlgFont"));
  dlgFont.setOption(QFontDialog::DontUseNativeDialog);
  if (dlgFont.exec() != QDialog::Accepted) return;
  const QFont chosen = dlgFont.selectedFont();
  // A family name that Shift-JIS cannot write keeps the stored name.
  if (auto family = QStringToSjis(chosen.family())) name = *family;
  const int points = chosen.pointSize() > 0 ? chosen.pointSize() : FallbackFontSize;
  size = std::to_string(points);
  bold = chosen.bold() ? "1" : "0";
  ShowMessageBox(this, AppTitle, QStringLiteral("フォントの設定は次回起動時から有効です。"),
                 QMessageBox::Information);
}

void TfrmMain::mnuFontResultClick() {
  ChooseFont(Settings.FontNameResult, Settings.FontSizeResult, Settings.FontBoldResult);
}

void TfrmMain::mnuFontTextContentsClick() {
  ChooseFont(Settings.FontNameText, Settings.FontSizeText, Settings.FontBoldText);
}

void TfrmMain::mnuAppearanceNormalClick(QAction* item) {
  item->setChecked(true);
  Settings.ScreenType = item == mnuAppearanceSmall ? "Small" : "Normal";
  FormResize();
  ApplyWindowLayout();
}

void TfrmMain::mnuDocPlainTextClick(QAction* item) {
  item->setChecked(true);
  const TDocTypeItem types[] = {TDocTypeItem::dtiPlainText, TDocTypeItem::dtiMailNews,
                                TDocTypeItem::dtiHtml, TDocTypeItem::dtiSystem,
                                TDocTypeItem::dtiByExtension};
  const QAction* items[] = {mnuDocPlainText, mnuDocMailNews, mnuDocHTML, mnuDocSystemAuto,
                            mnuDocByExtension};
  for (size_t i = 0; i < std::size(items); ++i) {
    if (items[i] == item) Settings.HowToOpen = std::string(DocTypeKeyword(types[i]));
  }
}

void TfrmMain::mnuConvertToSJISClick(QAction* item) {
  item->setChecked(true);
  Settings.Convert = item == mnuConvertNone ? "None" : "ToSJIS";
  ReopenCurrentText();
}

void TfrmMain::mnuDecodeHeaderClick() {
  Settings.DecodeHeader = mnuDecodeHeader->isChecked() ? "1" : "0";
  ReopenCurrentText();
}

void TfrmMain::ReopenCurrentText() {
  if (pge->currentWidget() == tabTextDoc) OpenHit(CurrentHitIndex);
}

void TfrmMain::mnuShowDriveInfoClick() {
  BuildDriveConstantList();
  if (DriveConstantList.empty()) return;
  std::string text;
  for (const std::string& line : DriveConstantList) {
    if (!text.empty()) text += "\n";
    text += line;
  }
  ShowMessageBox(this, QStringLiteral("ドライブ情報"), SjisToQString(text),
                 QMessageBox::Information);
}

void TfrmMain::mnuHelpStartClick() {
  // Every help page names itself above the view, so that no hit's title or
  // other page's name stays there.
  SetPageTitle(QStringLiteral("検索式の入力方法"));
  WebBrowser1->SetTag(0);
  ShowInBrowser(StartHelpPath(CurrentAppFolders().HelpRoot));
}

void TfrmMain::mnuHelpTavirelClick() {
  SetPageTitle(QStringLiteral("tavirel for Namazu ヘルプ"));
  WebBrowser1->SetTag(1);
  ShowInBrowser(ProgramHelpPath(CurrentAppFolders().HelpRoot));
}

void TfrmMain::ShowNamazuDoc(const char* page) {
  SetPageTitle(QStringLiteral("Namazu のヘルプ"));
  const std::string namazu = ExpandDriveConstant(
      ExpandProgramRelativePath(Settings.namazuPath, ProgramFolder(), NativePathStyle),
      DriveConstantList);
  std::string path = NamazuDocPath(namazu, page, NativePathStyle);
  if (!platform::FileExists(path)) {
    const std::string fallback = NamazuDocFallbackPath(page);
    if (platform::FileExists(fallback)) path = fallback;
  }
  ShowInBrowser(path);
}

void TfrmMain::mnuHelpNamazuManualClick() { ShowNamazuDoc("manual.html"); }

void TfrmMain::mnuHelpNamazuTutorialClick() { ShowNamazuDoc("tutorial.html"); }

void TfrmMain::mnuHelpAboutClick() {
  // Lives for its one modal showing.
  TfrmAbout frmAbout(this);
  frmAbout.exec();
}

void TfrmMain::mnuMakeIndexClick() {
  // Lives for its one modal showing.
  TfrmMakeIndex frmMakeIndex(this);
  frmMakeIndex.exec();
}

void TfrmMain::mnuUpdateIndexClick() {
  const std::string programFolder = ProgramFolder();
  auto program = [&](const std::string& path) {
    return ExpandDriveConstant(ExpandProgramRelativePath(path, programFolder, NativePathStyle),
                               DriveConstantList);
  };
  IndexUpdater->SetPrograms(program(Settings.PerlPath), program(Settings.mknmzPath));
  const std::vector<std::string>& indexes = IndexWatch->Indexes();
  for (size_t i = 0; i < indexes.size(); ++i) {
    if (!IndexWatch->Changes().Stale(i)) continue;
    // Changes from now on are not known to be in the update: they mark
    // the index again.
    IndexWatch->Updated(i);
    IndexUpdater->Enqueue(indexes[i]);
  }
  ShowIndexStatus();
}

void TfrmMain::IndexUpdaterFinished(const QString& index, bool ok, const QString& message) {
  const std::vector<std::string>& indexes = IndexWatch->Indexes();
  const auto it = std::find(indexes.begin(), indexes.end(), QStringToSjisLossy(index));
  if (!ok && it != indexes.end()) IndexWatch->Changed(static_cast<size_t>(it - indexes.begin()));
  // The counts and dates of the indexes as they are now.
  TSettings settings = Settings;
  settings.IndexDirectories = indexes;
  const TIndexDirectoryCheck check =
      CheckIndexDirectories(settings, ProgramFolder(), DriveConstantList);
  indexStatusText_ = SjisToQString(check.ShortStatusText());
  indexStatusTip_ = SjisToQString(check.StatusText("\n"));
  ShowIndexStatus();
  if (ok) {
    stb->showMessage(QStringLiteral("インデックスを更新しました: %1").arg(index));
  } else {
    stb->showMessage(message.section(QLatin1Char('\n'), 0, 0));
    ShowMessageBox(this, QStringLiteral("エラー"), message, QMessageBox::Warning);
  }
}

}  // namespace tavirel
