#include "core/indexer/cmdlist.h"

#include <exception>

#include "core/indexer/mknmzcmd.h"
#include "core/process/arguments.h"
#include "platform/platform.h"

namespace tavirel {
namespace {

bool Quoted(std::string_view text) {
  return text.size() >= 2 && text.front() == '"' && text.back() == '"';
}

// *delete "FOLDER", "MASK" (or "FOLDER","MASK"): false unless both parts are
// there and not empty.
bool ParseDeleteArguments(std::string_view args, std::string& folder, std::string& mask) {
  if (!Quoted(args)) return false;
  std::string_view separator = "\", \"";
  size_t at = args.find(separator);
  if (at == args.npos) {
    separator = "\",\"";
    at = args.find(separator);
  }
  if (at == args.npos || at == 0) return false;
  const size_t maskStart = at + separator.size();
  if (maskStart >= args.size()) return false;  // the separator's quote is the final one
  folder = std::string(args.substr(1, at - 1));
  mask = std::string(args.substr(maskStart, args.size() - 1 - maskStart));
  return !folder.empty() && !mask.empty();
}

}  // namespace

TReservedLine ParseReservedLine(std::string_view line) {
  TReservedLine result;
  if (TrimBlanks(line).empty()) return result;
  if (line.front() == '!') {
    result.Kind = TReservedKind::Command;
    result.Text = std::string(line.substr(1));
    return result;
  }
  if (line.front() != '*') return result;

  const std::string_view rest = line.substr(1);
  const size_t blank = rest.find(' ');
  const std::string_view word = rest.substr(0, blank);
  const std::string_view args =
      blank == rest.npos ? std::string_view() : TrimBlanks(rest.substr(blank + 1));
  if (args.empty()) return result;

  if (word == "mknmz") {
    result.Kind = TReservedKind::Mknmz;
    result.Text = std::string(args);
  } else if (word == "mkdir") {
    result.Folder = StripQuotes(args);
    if (!result.Folder.empty()) result.Kind = TReservedKind::Mkdir;
  } else if (word == "delete") {
    std::string folder, mask;
    if (ParseDeleteArguments(args, folder, mask)) {
      result.Kind = TReservedKind::Delete;
      result.Folder = std::move(folder);
      result.Mask = std::move(mask);
    }
  } else if (word == "chdir") {
    if (Quoted(args) && args.size() >= 3) {
      result.Kind = TReservedKind::Chdir;
      result.Folder = std::string(args.substr(1, args.size() - 2));
    }
  }
  return result;
}

std::string ExpandCommandLine(std::string_view line, const TSettings& settings) {
  const TReservedLine reserved = ParseReservedLine(line);
  switch (reserved.Kind) {
    case TReservedKind::Command:
      return reserved.Text;
    case TReservedKind::Mknmz:
      // The stored default options (mknmzOption) are not part of the line:
      // the reserved line carries every option itself.
      return QuoteProgram(settings.PerlPath) + " " + QuoteArgument(settings.mknmzPath) + " " +
             reserved.Text;
    case TReservedKind::Mkdir:
      if (!platform::DirectoryExists(reserved.Folder)) platform::CreateFolders(reserved.Folder);
      return {};
    case TReservedKind::Delete: {
      // Only the files of that one folder whose names match the mask:
      // folders, hidden files and everything below the folder are never
      // touched.
      const std::string prefix = AddTrailingBackslash(reserved.Folder, NativePathStyle);
      for (const std::string& name : platform::ListFiles(reserved.Folder, reserved.Mask)) {
        platform::DeleteFile(prefix + name);
      }
      return {};
    }
    case TReservedKind::Chdir:
      platform::SetCurrentFolder(reserved.Folder);
      return {};
    case TReservedKind::None:
      break;
  }
  return {};
}

std::string FormatCommandList(const std::vector<std::string>& lines) {
  std::string text(CommandListHeader);
  text += "\r\n";
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

bool ParseCommandList(std::string_view bytes, std::vector<std::string>& lines) {
  if (bytes.find('\0') != bytes.npos) return false;  // not text
  std::vector<std::string> all = SplitTextLines(bytes);
  if (all.size() < 2 || all.front() != CommandListHeader) return false;
  lines.assign(std::make_move_iterator(all.begin() + 1), std::make_move_iterator(all.end()));
  return true;
}

std::vector<std::string> TidyCommandList(const std::vector<std::string>& lines) {
  std::vector<std::string> tidy;
  for (const std::string& line : lines) {
    std::string_view trimmed = TrimBlanks(line);
    if (!trimmed.empty()) tidy.emplace_back(trimmed);
  }
  return tidy;
}

bool LoadCommandListFile(const std::string& path, std::vector<std::string>& lines,
                         std::string& message) {
  const platform::FileAttributes attributes = platform::GetFileAttributes(path);
  if (!attributes.exists) {
    message = ReadFailedMessage;
    return false;
  }
  if (!attributes.regular) {
    message = NotRegularFileMessage;
    return false;
  }
  if (attributes.size > MaxCommandListBytes) {
    message = CommandListTooLargeMessage;
    return false;
  }
  std::string bytes;
  if (!platform::ReadWholeFile(path, bytes)) {
    message = ReadFailedMessage;
    return false;
  }
  if (bytes.size() > MaxCommandListBytes) {  // grew after the look
    message = CommandListTooLargeMessage;
    return false;
  }
  std::vector<std::string> read;
  if (!ParseCommandList(bytes, read)) {
    message = InvalidCommandListMessage;
    return false;
  }
  lines = std::move(read);
  return true;
}

bool SaveCommandListFile(const std::string& path, const std::vector<std::string>& lines,
                         std::string& message) {
  std::string error;
  if (platform::WriteFileAtomic(path, FormatCommandList(lines), &error)) return true;
  message = SaveFailedMessage;
  if (!error.empty()) message += "\r\n" + error;
  return false;
}

std::string FirstCommandLine(std::string_view text) {
  std::string_view trimmed = TrimBlanks(text);
  return std::string(TrimBlanks(trimmed.substr(0, trimmed.find_first_of("\r\n"))));
}

TProcessShowMode CommandRunMode(const TSettings& settings) {
  return settings.ShowProcess == "DOSWindow" ? psmNormal : psmCaptured;
}

TCommandRunSummary RunCommandList(const std::vector<std::string>& lines, const TSettings& settings,
                                  const CommandRunHooks& hooks) {
  const std::string folder = ParentFolder(settings.mknmzPath, NativePathStyle);
  if (!folder.empty()) platform::SetCurrentFolder(folder);
  const int count = static_cast<int>(lines.size());
  TCommandRunSummary summary;
  summary.lines = count;
  for (int i = 0; i < count; ++i) {
    const std::string text =
        hooks.beforeLine ? hooks.beforeLine(i + 1, count, lines[i]) : lines[i];
    try {
      const std::string command = ExpandCommandLine(text, settings);
      if (command.empty() || !hooks.start) continue;
      const TArgumentCoding coding =
          text.rfind("*mknmz ", 0) == 0 ? acMknmz : acAsWritten;
      TCommandResult result;
      result.exitCode =
          hooks.start(command, platform::CurrentFolder(), CommandRunMode(settings), coding);
      result.started = result.exitCode >= 0;
      if (result.started) ++summary.started;
      if (result.Failed()) summary.failedLines.push_back(i + 1);
      if (hooks.afterLine) hooks.afterLine(i + 1, count, result);
    } catch (const std::exception&) {
      // One line's failure never stops the lines after it.
    }
  }
  return summary;
}

std::string CommandFailureText(int number, int count, const TCommandResult& result) {
  if (!result.Failed()) return {};
  // ×コマンド
  std::string text = "\x81~\x83R\x83}\x83\x93\x83h ";
  text += std::to_string(number) + " / " + std::to_string(count) + " ";
  if (!result.started) {
    // を開始できませんでした。
    text += "\x82\xF0\x8AJ\x8En\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x82\xC5\x82\xB5\x82\xBD\x81" "B";
  } else {
    // は失敗しました（終了コード N）。
    text += "\x82\xCD\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81i\x8FI\x97\xB9\x83R\x81[\x83h ";
    text += std::to_string(result.exitCode);
    text += "\x81j\x81" "B";
  }
  return text;
}

std::string RunEndProgressText(const TCommandRunSummary& summary) {
  std::string text = std::to_string(summary.lines) + " / " + std::to_string(summary.lines);
  text += " \x8FI\x97\xB9";  // 終了
  if (!summary.failedLines.empty()) {
    text += "\x81" "E\x8E\xB8\x94s ";  // ・失敗
    text += std::to_string(summary.failedLines.size());
  }
  return text;
}

std::string RunEndStatusText(const TCommandRunSummary& summary) {
  // 実行が終わりました。
  std::string text = "\x8E\xC0\x8Ds\x82\xAA\x8FI\x82\xED\x82\xE8\x82\xDC\x82\xB5\x82\xBD\x81" "B";
  if (summary.failedLines.empty()) {
    // 失敗したコマンドはありません。
    text += "\x8E\xB8\x94s\x82\xB5\x82\xBD\x83R\x83}\x83\x93\x83h\x82\xCD\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81" "B";
    return text;
  }
  // 失敗したコマンド: N 件（a, b 行目）
  text += "\x8E\xB8\x94s\x82\xB5\x82\xBD\x83R\x83}\x83\x93\x83h: ";
  text += std::to_string(summary.failedLines.size());
  text += " \x8C\x8F\x81i";
  constexpr size_t kShownNumbers = 10;  // a long list ends in "…"
  for (size_t k = 0; k < summary.failedLines.size(); ++k) {
    if (k > 0) text += ", ";
    if (k == kShownNumbers) {
      text += "\x81" "c";  // …
      break;
    }
    text += std::to_string(summary.failedLines[k]);
  }
  text += " \x8Ds\x96\xDA\x81j";
  return text;
}

}  // namespace tavirel
