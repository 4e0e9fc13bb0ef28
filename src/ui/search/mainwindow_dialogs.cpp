// TfrmMain: the commands that open the settings dialogs and take over what
// they leave in Settings.
#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>

#include "core/search/searchcmd.h"
#include "core/settings/alias.h"
#include "core/settings/settings.h"
#include "ui/search/mainwindow.h"
#include "ui/search/placement.h"
#include "ui/search/recentdirs.h"
#include "ui/settings/namazurc.h"
#include "ui/settings/options.h"
#include "ui/settings/selalias.h"
#include "ui/settings/seldir.h"
#include "ui/widgets/qtcodec.h"

namespace tavirel {

void TfrmMain::ConnectDialogCommands() {
  connect(mnuSelectDirectory, &QAction::triggered, this, [this] { mnuSelectDirectoryClick(); });
  connect(btnBrowseIndexPath, &QPushButton::clicked, this, [this] { btnBrowseIndexPathClick(); });
  connect(mnuSelectAlias, &QAction::triggered, this, [this] { mnuSelectAliasClick(); });
  connect(btnSelectKeywordList, &QToolButton::clicked, this, [this] { btnSelectKeywordListClick(); });
  connect(mnuSetNamazurc, &QAction::triggered, this, [this] { mnuSetNamazurcClick(); });
  connect(mnuToolOption, &QAction::triggered, this, [this] { mnuToolOptionClick(); });
}

void TfrmMain::AddToRecentDirectories(const std::string& text) {
  MRUManager->Add(text);
  const QString entry = SjisToQString(text);
  if (cboIndexDir->findText(entry, Qt::MatchFixedString) < 0) {
    // Adding an item must not replace what the box shows.
    const QString shown = cboIndexDir->currentText();
    cboIndexDir->addItem(entry);
    cboIndexDir->setEditText(shown);
  }
}

void TfrmMain::mnuToolOptionClick() {
  // Kept above the main window, which may stay on top of everything.
  TfrmSettings frmSettings(this);
  if (frmSettings.exec() != QDialog::Accepted) return;
  SaveSettings(Settings, Settings.IniFileName);
  FormResize();
  ApplyWindowLayout();
  const bool external = ResultsInExternalBrowser(Settings);
  mnuConvert->menuAction()->setEnabled(!external);
  mnuColored->setEnabled(!external);
  mnuDocType->menuAction()->setEnabled(!external);
  FormPlacement->Active = Settings.SavePosition == "1";
  if (FormPlacement->Active) {
    FormPlacement->IniFileName = Settings.IniFileName;
    FormPlacement->IniSection = "Window";
  }
}

void TfrmMain::mnuSetNamazurcClick() {
  TfrmSetNamazurc frmSetNamazurc(this);
  frmSetNamazurc.exec();
}

void TfrmMain::mnuSelectDirectoryClick() {
  std::string text;
  if (!ParseIndexField(text)) return;
  UpdateTitle();
  TfrmSelectDir frmSelectDir(this);
  if (frmSelectDir.exec() != QDialog::Accepted) return;
  cboIndexDir->setEditText(SjisToQString(Settings.IndexDirectoriesText));
  AddToRecentDirectories(Settings.IndexDirectoriesText);
  UpdateTitle();
}

void TfrmMain::btnBrowseIndexPathClick() { mnuSelectDirectoryClick(); }

void TfrmMain::mnuSelectAliasClick() {
  TfrmSelectAlias frmSelectAlias(this);
  UseOrJoin = false;
  if (frmSelectAlias.exec() != QDialog::Accepted) return;
  cboIndexDir->setEditText(SjisToQString(Settings.IndexDirectoriesText));
  AddToRecentDirectories(Settings.IndexDirectoriesText);
  UpdateTitle();
  if (!TickedQueries.empty()) {
    cboKeyword->setEditText(SjisToQString(BuildQueryText(TickedQueries, UseOrJoin)));
  }
}

void TfrmMain::btnSelectKeywordListClick() { mnuSelectAliasClick(); }

}  // namespace tavirel
