#include "ui/search/startfolders.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "core/settings/settings.h"
#include "platform/platform.h"
#include "ui/widgets/msgbox.h"
#include "ui/widgets/qtcodec.h"

#ifndef TAVIREL_DATA_FROM_BIN
#define TAVIREL_DATA_FROM_BIN "../share/tavirel"
#endif

namespace tavirel {
namespace {

const QString ProgramName = QStringLiteral("tavirel");

bool HoldsHelp(const QString& folder) {
  return QFileInfo(QDir(folder).filePath(QStringLiteral("help/start.html"))).isFile();
}

std::string Sjis(const QString& path) { return QStringToSjis(path).value_or(std::string()); }

// "<generic folder>/tavirel", or "" when the desktop names no such folder.
QString UserFolder(QStandardPaths::StandardLocation location) {
  const QString base = QStandardPaths::writableLocation(location);
  return base.isEmpty() ? QString() : QDir::cleanPath(base + QLatin1Char('/') + ProgramName);
}

}  // namespace

AppFolderFacts GatherAppFolderFacts(const std::string& programPath) {
  AppFolderFacts facts;
  facts.ProgramPath = programPath;
  facts.SettingsFileBeside = platform::FileExists(SettingsFileNameFor(programPath));
  const std::string programFolder = ParentFolder(programPath, NativePathStyle);
  facts.ProgramFolderWritable = platform::CanCreateFilesIn(programFolder);

  const QString installedData = QDir::cleanPath(SjisToQString(programFolder) + QLatin1Char('/') +
                                                QStringLiteral(TAVIREL_DATA_FROM_BIN));
  facts.InstalledDataFolder = Sjis(installedData);
  facts.InstalledDataPresent = !facts.InstalledDataFolder.empty() && HoldsHelp(installedData);
  const QStringList dataFolders =
      QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
  for (const QString& base : dataFolders) {
    const QString folder = QDir::cleanPath(base + QLatin1Char('/') + ProgramName);
    const std::string sjis = Sjis(folder);
    if (!sjis.empty() && HoldsHelp(folder)) facts.DataFolders.push_back(sjis);
  }
  facts.ConfigFolder = Sjis(UserFolder(QStandardPaths::GenericConfigLocation));
  facts.CacheFolder = Sjis(UserFolder(QStandardPaths::GenericCacheLocation));
  return facts;
}

bool PrepareAppFolders(const std::string& programPath) {
  const AppFolderFacts facts = GatherAppFolderFacts(programPath);
  AppFolders folders = ChooseAppFolders(facts);
  if (folders.Mode == TRunMode::Installed) {
    if (facts.ConfigFolder.empty()) {
      ShowMessageBox(nullptr, QStringLiteral("エラー"),
                     QStringLiteral("設定を保存するフォルダ（%1）を使えません。"
                                    "ホームフォルダのパスにシフト JIS で書けない文字がないか確かめてください。")
                         .arg(UserFolder(QStandardPaths::GenericConfigLocation)),
                     QMessageBox::Critical);
      return false;
    }
    // Without a usable cache folder the result file stays with the settings.
    if (facts.CacheFolder.empty()) folders.WorkFolder = facts.ConfigFolder;
    for (const std::string& folder : folders.FoldersToCreate) {
      std::string error;
      if (!platform::CreateFolders(folder, &error)) {
        ShowMessageBox(nullptr, QStringLiteral("エラー"),
                       QStringLiteral("フォルダ %1 を作成できません。\n%2")
                           .arg(SjisToQString(folder), SjisToQString(error)),
                       QMessageBox::Warning);
      }
    }
  }
  SetAppFolders(std::move(folders));
  return true;
}

}  // namespace tavirel
