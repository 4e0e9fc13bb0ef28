// The mknmz lines of the index creation window: the window's choices as one
// record, their validation, and the reserved lines ("*mkdir", "*delete",
// "*mknmz") generated from them. Pure functions of the record, apart from
// the file-system look-ups of the validation.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "core/process/arguments.h"
#include "core/process/ucommon.h"
#include "core/settings/inifile.h"

namespace tavirel {

// ---- Messages (Shift-JIS) ---------------------------------------------------

// 対象ディレクトリを指定してください。
inline constexpr std::string_view NoTargetDirectoryMessage =
    "\x91\xCE\x8F\xDB\x83" "f\x83" "B\x83\x8C\x83N\x83g\x83\x8A\x82\xF0\x8Ew\x92\xE8\x82\xB5\x82\xC4\x82\xAD\x82\xBE\x82\xB3\x82\xA2\x81" "B";
// ファイルリストに指定されたファイルが存在しません。
inline constexpr std::string_view FileListMissingMessage =
    "\x83t\x83@\x83" "C\x83\x8B\x83\x8A\x83X\x83g\x82\xC9\x8Ew\x92\xE8\x82\xB3\x82\xEA\x82\xBD\x83t\x83@\x83" "C\x83\x8B\x82\xAA\x91\xB6\x8D\xDD\x82\xB5\x82\xDC\x82\xB9\x82\xF1\x81" "B";
// ファイルリストを指定するときは出力先を指定してください。
inline constexpr std::string_view FileListNeedsOutputMessage =
    "\x83t\x83@\x83" "C\x83\x8B\x83\x8A\x83X\x83g\x82\xF0\x8Ew\x92\xE8\x82\xB7\x82\xE9\x82\xC6\x82\xAB\x82\xCD\x8Fo\x97\xCD\x90\xE6\x82\xF0\x8Ew\x92\xE8\x82\xB5\x82\xC4\x82\xAD\x82\xBE\x82\xB3\x82\xA2\x81" "B";
// 出力先のディレクトリは存在しません。作成しますか?
inline constexpr std::string_view CreateOutputQuestion =
    "\x8Fo\x97\xCD\x90\xE6\x82\xCC\x83" "f\x83" "B\x83\x8C\x83N\x83g\x83\x8A\x82\xCD\x91\xB6\x8D\xDD\x82\xB5\x82\xDC\x82\xB9\x82\xF1\x81" "B\x8D\xEC\x90\xAC\x82\xB5\x82\xDC\x82\xB7\x82\xA9?";
// ディレクトリの作成に失敗しました。
inline constexpr std::string_view CreateFolderFailedMessage =
    "\x83" "f\x83" "B\x83\x8C\x83N\x83g\x83\x8A\x82\xCC\x8D\xEC\x90\xAC\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81" "B";
// 「インデックス出力先を指定する」を選択したときは出力先ディレクトリを指定してください。
inline constexpr std::string_view SeveralNeedOutputMessage =
    "\x81u\x83" "C\x83\x93\x83" "f\x83" "b\x83N\x83X\x8Fo\x97\xCD\x90\xE6\x82\xF0\x8Ew\x92\xE8\x82\xB7\x82\xE9\x81v\x82\xF0\x91I\x91\xF0\x82\xB5\x82\xBD\x82\xC6\x82\xAB\x82\xCD\x8Fo\x97\xCD\x90\xE6\x83" "f\x83" "B\x83\x8C\x83N\x83g\x83\x8A\x82\xF0\x8Ew\x92\xE8\x82\xB5\x82\xC4\x82\xAD\x82\xBE\x82\xB3\x82\xA2\x81" "B";
// ファイルリストを指定するときは「インデックスの出力先を指定する」を選択してください。
inline constexpr std::string_view FileListNeedsOtherDirMessage =
    "\x83t\x83@\x83" "C\x83\x8B\x83\x8A\x83X\x83g\x82\xF0\x8Ew\x92\xE8\x82\xB7\x82\xE9\x82\xC6\x82\xAB\x82\xCD\x81u\x83" "C\x83\x93\x83" "f\x83" "b\x83N\x83X\x82\xCC\x8Fo\x97\xCD\x90\xE6\x82\xF0\x8Ew\x92\xE8\x82\xB7\x82\xE9\x81v\x82\xF0\x91I\x91\xF0\x82\xB5\x82\xC4\x82\xAD\x82\xBE\x82\xB3\x82\xA2\x81" "B";
// 出力先にディレクトリを作るときは出力先ディレクトリを指定してください。
inline constexpr std::string_view NoOutputBaseMessage =
    "\x8Fo\x97\xCD\x90\xE6\x82\xC9\x83" "f\x83" "B\x83\x8C\x83N\x83g\x83\x8A\x82\xF0\x8D\xEC\x82\xE9\x82\xC6\x82\xAB\x82\xCD\x8Fo\x97\xCD\x90\xE6\x83" "f\x83" "B\x83\x8C\x83N\x83g\x83\x8A\x82\xF0\x8Ew\x92\xE8\x82\xB5\x82\xC4\x82\xAD\x82\xBE\x82\xB3\x82\xA2\x81" "B";
// ルートディレクトリには名前がないため、「文書ディレクトリと同名のディレクトリを作る」は使えません。別の作り方を選んでください。
inline constexpr std::string_view RootHasNoNameMessage =
    "\x83\x8B\x81[\x83g\x83" "f\x83" "B\x83\x8C\x83N\x83g\x83\x8A\x82\xC9\x82\xCD\x96\xBC\x91O\x82\xAA\x82\xC8\x82\xA2\x82\xBD\x82\xDF\x81" "A\x81u\x95\xB6\x8F\x91\x83" "f\x83" "B\x83\x8C\x83N\x83g\x83\x8A\x82\xC6\x93\xAF\x96\xBC\x82\xCC\x83" "f\x83" "B\x83\x8C\x83N\x83g\x83\x8A\x82\xF0\x8D\xEC\x82\xE9\x81v\x82\xCD\x8Eg\x82\xA6\x82\xDC\x82\xB9\x82\xF1\x81" "B\x95\xCA\x82\xCC\x8D\xEC\x82\xE8\x95\xFB\x82\xF0\x91I\x82\xF1\x82\xC5\x82\xAD\x82\xBE\x82\xB3\x82\xA2\x81" "B";
// 「"」を含むディレクトリ名やファイル名は指定できません。
inline constexpr std::string_view QuoteInPathMessage =
    "\x81u\"\x81v\x82\xF0\x8A\xDC\x82\xDE\x83" "f\x83" "B\x83\x8C\x83N\x83g\x83\x8A\x96\xBC\x82\xE2\x83t\x83@\x83" "C\x83\x8B\x96\xBC\x82\xCD\x8Ew\x92\xE8\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x81" "B";
// mknmz は空白を含むフォルダにインデックスを作成できません。空白のないフォルダを指定してください。
inline constexpr std::string_view BlankInIndexFolderMessage =
    "mknmz \x82\xCD\x8B\xF3\x94\x92\x82\xF0\x8A\xDC\x82\xDE\x83t\x83H\x83\x8B\x83_\x82\xC9\x83" "C\x83\x93\x83" "f\x83" "b\x83N\x83X\x82\xF0\x8D\xEC\x90\xAC\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x81" "B\x8B\xF3\x94\x92\x82\xCC\x82\xC8\x82\xA2\x83t\x83H\x83\x8B\x83_\x82\xF0\x8Ew\x92\xE8\x82\xB5\x82\xC4\x82\xAD\x82\xBE\x82\xB3\x82\xA2\x81" "B";
// 現在のページの状態を既定値として保存します。
inline constexpr std::string_view SaveDefaultsQuestion =
    "\x8C\xBB\x8D\xDD\x82\xCC\x83y\x81[\x83W\x82\xCC\x8F\xF3\x91\xD4\x82\xF0\x8A\xF9\x92\xE8\x92l\x82\xC6\x82\xB5\x82\xC4\x95\xDB\x91\xB6\x82\xB5\x82\xDC\x82\xB7\x81" "B";

// ---- The choices of the window ------------------------------------------------

enum class TargetFileChoice { Default, All, RegEx };

// grpMakeDir: how the output folder of each document folder is formed.
enum MakeDirChoice : int {
  mdcNone = 0,       // one shared index in the output folder
  mdcSameName = 1,   // output folder / the document folder's name
  mdcNumbered = 2,   // output folder / index1, index2, ...
};

// The check list of further options. Items from 2 up carry their mknmz
// option in parentheses at the end of the caption.
inline constexpr int CriteriaCount = 12;
enum CriteriaItem : int { critDeleteBefore = 0, critUpdate = 1 };
inline constexpr std::array<std::string_view, CriteriaCount> CriteriaCaptions = {
    "\x8A\xF9\x91\xB6\x82\xCC\x83" "C\x83\x93\x83" "f\x83" "b\x83N\x83X\x82\xF0\x8D\xED\x8F\x9C\x82\xB5\x82\xC4\x8D\xEC\x82\xE8\x92\xBC\x82\xB7",  // 既存のインデックスを削除して作り直す
    "\x91O\x89\xF1\x8D\xEC\x90\xAC\x8E\x9E\x82\xC6\x93\xAF\x82\xB6\x83I\x83v\x83V\x83\x87\x83\x93\x82\xF0\x8Eg\x97p\x82\xB7\x82\xE9 (--update=)",  // 前回作成時と同じオプションを使用する (--update=)
    "\x95\xBD\x89\xBC\x96\xBC\x82\xCC\x82\xDD\x82\xCC\x92P\x8C\xEA\x82\xCD\x93o\x98^\x82\xB5\x82\xC8\x82\xA2 (--no-hiragana)",  // 平仮名のみの単語は登録しない (--no-hiragana)
    "\x8BL\x8D\x86\x82\xF0\x82\xB7\x82\xD7\x82\xC4\x8D\xED\x8F\x9C\x82\xB7\x82\xE9 (--no-symbol)",  // 記号をすべて削除する (--no-symbol)
    "\x83\x81\x81[\x83\x8B\x81^\x83j\x83\x85\x81[\x83X\x82\xCC\x95\xB6\x8F\x91\x82\xC6\x82\xB5\x82\xC4\x88\xB5\x82\xA4 (--mailnews)",  // メール／ニュースの文書として扱う (--mailnews)
    "HTML\x83t\x83@\x83" "C\x83\x8B\x82\xF0\x95\xAA\x8A\x84\x8F\x88\x97\x9D\x82\xB7\x82\xE9 (--html-split)",  // HTMLファイルを分割処理する (--html-split)
    "\x83t\x83@\x83" "C\x83\x8B\x96\xBC\x82\xCC\x83G\x83\x93\x83R\x81[\x83h\x82\xF0\x8Ds\x82\xED\x82\xC8\x82\xA2 (--no-encode-uri)",  // ファイル名のエンコードを行わない (--no-encode-uri)
    "\x8D\xED\x8F\x9C\x82\xB3\x82\xEA\x82\xBD\x83t\x83@\x83" "C\x83\x8B\x82\xF0\x8C\x9F\x8Fo\x82\xB5\x82\xC8\x82\xA2 (--no-delete)",  // 削除されたファイルを検出しない (--no-delete)
    "\x83t\x83@\x83" "C\x83\x8B\x82\xCC\x8DX\x90V\x81" "E\x8D\xED\x8F\x9C\x82\xF0\x8C\x9F\x8Fo\x82\xB5\x82\xC8\x82\xA2 (--no-update)",  // ファイルの更新・削除を検出しない (--no-update)
    "HTML\x82\xCC meta\x83^\x83O\x82\xF0\x83t\x83" "B\x81[\x83\x8B\x83h\x8Ew\x92\xE8\x8C\x9F\x8D\xF5\x82\xC9\x97p\x82\xA2\x82\xE9 (--meta)",  // HTMLの metaタグをフィールド指定検索に用いる (--meta)
    "\x83\x8D\x83{\x83" "b\x83g\x94\xF0\x82\xAF\x82\xB3\x82\xEA\x82\xC4\x82\xA2\x82\xE9\x83t\x83@\x83" "C\x83\x8B\x82\xCD\x8F\x9C\x8AO\x82\xB7\x82\xE9 (--robots)",  // ロボット避けされているファイルは除外する (--robots)
    "\x83" "C\x83\x93\x83" "f\x83" "b\x83N\x83X\x8F\x88\x97\x9D\x82\xCC\x8D\xC5\x92\x86\x82\xC9\x83\x81\x83" "b\x83Z\x81[\x83W\x82\xF0\x95\\\x8E\xA6\x82\xB5\x82\xC8\x82\xA2 (--quiet)",  // インデックス処理の最中にメッセージを表示しない (--quiet)
};

// The option of a check-list caption: from the "(" of the first "(-" up to,
// not including, the last character; "" when the caption holds no "(-".
std::string CriterionOption(std::string_view caption);

// Everything the option pages of the window hold, as typed (Shift-JIS).
struct TIndexChoices {
  std::string targetDirectories;     // edtTargetDirectories, one folder a line
  std::string excludeDirPattern;     // edtExcludeDirPattern
  bool indexOtherDir = false;        // optIndexOtherDir (else optIndexSameDir)
  std::string outputDir;             // edtOutputDir
  int makeDirChoice = mdcNone;       // grpMakeDir
  TargetFileChoice targetFile = TargetFileChoice::Default;
  std::string targetFilePattern;     // edtTargetFilePattern
  bool useTargetFileList = false;    // chkTargetFileList
  std::string targetFileListFileName;
  std::string denyFilePattern;       // edtDenyFilePattern
  std::array<bool, CriteriaCount> criteria{};  // lstCriteria
  bool useMediaType = false;
  std::string mediaType;
  bool useReplace = false;
  std::string replace;
  bool useMknmzrc = false;
  std::string mknmzrcFileName;
  std::string otherParameters;       // edtOtherParameters
};

// The lines of a text as a multi-line text box holds them: CR LF, CR or LF
// end a line; a line break at the very end opens no further line.
std::vector<std::string> SplitTextLines(std::string_view text);

// The document folders: the lines of the folder box, trimmed, blank lines
// dropped.
std::vector<std::string> DocumentDirectories(const TIndexChoices& choices);

// ---- Validation ---------------------------------------------------------------

struct TIndexCheck {
  enum Kind {
    Valid,
    AskCreateOutput,  // the output folder does not exist: ask, create, check again
    Refused,          // show `message`
  };
  Kind kind = Valid;
  std::string message;   // Shift-JIS, for Refused
  bool warning = false;  // a warning rather than an error
};

// Checks the choices in the order the window reports them. The file look-ups
// go through the platform layer. An index folder whose path holds a blank is
// refused first, in update mode too: mknmz cannot write there (it reads its
// own work files back through a file-name pattern that splits at blanks).
TIndexCheck CheckIndexOptions(const TIndexChoices& choices, PathStyle style);

// ---- Generation ---------------------------------------------------------------

// A document folder as the last argument of an mknmz line: quoted, and, when
// it begins with "-", written as a relative path ("./-x") so that mknmz can
// never take it for an option.
std::string DocumentFolderArgument(std::string_view folder, PathStyle style);

struct TCommandLines {
  bool ok = false;
  std::vector<std::string> lines;  // the reserved lines, in order
  std::string message;             // Shift-JIS, when !ok
};

// The reserved lines for the choices. Fails only when there is no document
// folder and no file list.
TCommandLines BuildCommandLines(const TIndexChoices& choices, PathStyle style);

// The folders the lines write their indexes into, in order (for an update,
// the folders updated).
std::vector<std::string> IndexFolders(const TIndexChoices& choices, PathStyle style);

// ---- Saved defaults (section "MknmzDefault" of the settings file) ---------------

inline constexpr std::string_view IndexDefaultsSection = "MknmzDefault";

// The two pages whose state can be saved as defaults.
enum class IndexDefaultsPage { File, Other };

// Reads every saved default into `choices` (the fields of the pages
// "ファイル" and "その他"); missing keys give the window's first state.
void ReadIndexDefaults(const TIniFile& ini, TIndexChoices& choices);
// Writes the keys of one page only.
void WriteIndexDefaults(TIniFile& ini, const TIndexChoices& choices, IndexDefaultsPage page);
// File forms. Loading a missing or unreadable file reads nothing; saving
// leaves a read-only or unreadable file alone (false) and otherwise replaces
// the file atomically.
void LoadIndexDefaults(const std::string& iniFileName, TIndexChoices& choices);
bool SaveIndexDefaults(const std::string& iniFileName, const TIndexChoices& choices,
                       IndexDefaultsPage page);

}  // namespace tavirel
