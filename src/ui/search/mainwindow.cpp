#include "ui/search/mainwindow.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include "core/process/ucommon.h"
#include "core/search/drivelist.h"
#include "core/settings/appfolders.h"
#include "platform/platform.h"
#include "ui/indexer/makeidx.h"
#include "ui/process/browser.h"
#include "ui/process/consolerun.h"
#include "ui/search/about.h"
#include "ui/search/htmlview.h"
#include "ui/search/indexupdate.h"
#include "ui/search/indexwatch.h"
#include "ui/search/placement.h"
#include "ui/search/recentdirs.h"
#include "ui/search/resultview.h"
#include "ui/search/textview.h"
#include "ui/widgets/msgbox.h"
#include "ui/widgets/qtcodec.h"

namespace tavirel {
namespace {

std::string& SettingsFileOverride() {
  static std::string path;
  return path;
}

}  // namespace

// ---- TfrmMain: creation ------------------------------------------------------------

std::vector<std::string> TfrmMain::BoxItems(const QComboBox* box) {
  std::vector<std::string> items;
  items.reserve(static_cast<size_t>(box->count()));
  for (int i = 0; i < box->count(); ++i) items.push_back(QStringToSjisLossy(box->itemText(i)));
  return items;
}

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
  // The index box is looked at once its text has settled for a moment, so
  // typing a folder name does not look at every part of it.
  indexBoxTimer_ = new QTimer(this);
  indexBoxTimer_->setSingleShot(true);
  indexBoxTimer_->setInterval(500);
  connect(indexBoxTimer_, &QTimer::timeout, this, [this] { WatchIndexBox(); });
  connect(cboIndexDir, &QComboBox::editTextChanged, indexBoxTimer_,
          qOverload<>(&QTimer::start));
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

void TfrmMain::EndRequested() {
  endRequested_ = true;
  close();
}

void TfrmMain::closeEvent(QCloseEvent* event) {
  if (!closed_ && IndexUpdater->Busy()) {
    // Told to end, the window asks nothing.
    if (!endRequested_) {
      const QString index = SjisToQString(IndexUpdater->Current());
      const auto answer = ShowMessageBox(
          this, QStringLiteral("確認"),
          QStringLiteral("インデックスを更新しています%1。\n"
                         "更新を中止して閉じますか？ 中止したインデックスは更新前のまま残ります。")
              .arg(index.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(index)),
          QMessageBox::Question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
      if (answer != QMessageBox::Yes) {
        event->ignore();
        return;
      }
    }
    IndexUpdater->Abort();
  }
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


}  // namespace tavirel
