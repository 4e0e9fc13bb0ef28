// The settings file: load -> save -> load gives the same record, and a second
// save writes the same file. The file lives in a private folder in memory
// (/dev/shm when there is one), since every save is flushed to disk.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/settings/settings.h"
#include "fuzzsupport.h"
#include "platform/platform.h"

namespace {

using namespace tavirel;

std::string Fields(const TSettings& s) {
  std::string all;
  for (const std::string* field :
       {&s.SavePosition, &s.ScreenType, &s.StayOnTop, &s.ShowIndexDir, &s.ShowStatusBar,
        &s.ShowExplanation, &s.DirectoryCount, &s.FormulaHistoryCount, &s.Sort,
        &s.SortDirection, &s.ShowContents, &s.ListCount, &s.UseNamazurc, &s.NamazurcPath,
        &s.SetIndexInNamazurc, &s.RelativePath, &s.SearchOnChangeSettings,
        &s.ConfirmCommandLine, &s.ResultUseTempDir, &s.FontNameResult, &s.FontSizeResult,
        &s.FontBoldResult, &s.FontNameText, &s.FontSizeText, &s.FontBoldText, &s.Color,
        &s.ResultDisplayTo, &s.FileNameBlankLineNext, &s.FileNameSpaceFromEnd,
        &s.UseDriveConstantsWebBrowser, &s.Convert, &s.DecodeHeader, &s.HowToOpen,
        &s.WebBrowserDisplayTo, &s.BrowserType, &s.NavigatorPath, &s.ShowProcess,
        &s.NamazuVersion, &s.namazuPath, &s.mknmzPath, &s.PerlPath, &s.pnamazuPath,
        &s.namazuOption, &s.mknmzOption, &s.Usepnamazu}) {
    all += *field;
    all += '\x01';
  }
  for (const auto* list : {&s.IndexDirectories, &s.History}) {
    for (const std::string& entry : *list) {
      all += entry;
      all += '\x02';
    }
    all += '\x03';
  }
  return all;
}

const std::string& File() {
  static const std::string file = [] {
    const std::string parent =
        platform::DirectoryExists("/dev/shm") ? "/dev/shm" : platform::TempFolder();
    static const std::string folder = platform::CreatePrivateFolder(parent, "tavirel-fuzz-");
    if (folder.empty()) std::abort();
    std::atexit([] { platform::RemovePrivateFolder(folder); });
    return folder + "/settings.ini";
  }();
  return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using tavirel::fuzz::Check;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string& file = File();
  if (!platform::WriteFileAtomic(file, input)) std::abort();

  TSettings first;
  LoadSettings(first, file);
  SaveSettings(first, file);
  std::string saved;
  platform::ReadWholeFile(file, saved);
  TSettings second;
  LoadSettings(second, file);
  const std::string a = Fields(first), b = Fields(second);
  Check(a == b, "load -> save -> load keeps every field", a, b);
  SaveSettings(second, file);
  std::string savedAgain;
  platform::ReadWholeFile(file, savedAgain);
  Check(saved == savedAgain, "a second save writes the same file", saved, savedAgain);
  return 0;
}
