// TfrmMain: searching (the formula, the index field and its status, the
// command line, paging through the hits), the sort order and hit count, and
// the background update of the indexes.
#include "ui/search/mainwindow.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QCompleter>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>

#include <algorithm>

#include "core/process/ucommon.h"
#include "core/search/drivelist.h"
#include "core/search/resultlist.h"
#include "core/search/runfolder.h"
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
#include "ui/widgets/inputblock.h"
#include "ui/widgets/msgbox.h"
#include "ui/widgets/qtcodec.h"

namespace tavirel {
namespace {

// The Shift-JIS text of a box; nullopt when it holds characters that
// Shift-JIS cannot write.
std::optional<std::string> BoxText(const QComboBox* box) {
  return QStringToSjis(box->currentText());
}

}  // namespace

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

TIndexDirectoryCheck TfrmMain::CheckIndexBox() {
  auto field = BoxText(cboIndexDir);
  if (!field) {
    const QByteArray utf8 = cboIndexDir->currentText().toUtf8();
    field = platform::ProgramPathFromNative(std::string_view(utf8.constData(),
                                                             static_cast<size_t>(utf8.size())));
  }
  TSettings settings = Settings;
  settings.IndexDirectories = ParseIndexDirectoryList(TrimBlanks(*field));
  TIndexDirectoryCheck check = CheckIndexDirectories(settings, ProgramFolder(), DriveConstantList);
  cboIndexDir->setToolTip(SjisToQString(check.StatusText("\n")));
  return check;
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
    // The window takes no input while the searcher runs; it keeps its focus.
    const TInputBlock block(this);
    const intptr_t started =
        RunConsoleProcess(commandLine, workingFolder, psmHidden, nullptr, acNamazu);
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


// ---- Index update ---------------------------------------------------------------------

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
