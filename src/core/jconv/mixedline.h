// Lines that mix two codes. The outside programs write their messages in
// one Japanese code (mknmz in EUC-JP, namazu in Shift-JIS) but copy file and
// folder names into them as the file system has them, in UTF-8, often on the
// same line: "/文書/参考/a.txt ファイルは削除されています". Each run of
// non-ASCII bytes is read on its own: a run that is UTF-8 is a name, the rest
// is in the code of the program's messages.
#pragma once

#include <string>
#include <string_view>

#include "core/jconv/jconvert.h"

namespace tavirel {

// True when the run of non-ASCII bytes `run` (no byte below 0x80) is taken
// for a file-system name in UTF-8 among text in `code`: it is valid UTF-8,
// and either it holds a character of three or more bytes (Japanese in UTF-8
// always does; a run of the message code that happens to be valid UTF-8
// almost never does), or it is no valid text in `code`, or Shift-JIS reads
// it as half-width katakana only.
bool IsFileSystemRun(std::string_view run, TKanjiCode code);

// The line in Shift-JIS: UTF-8 runs through the file system's conversion
// (characters Shift-JIS cannot write stay as percent escapes), everything
// else converted from `code` (kcEuc, kcJisNew, kcJisOld; any other code is
// taken as Shift-JIS and left as it is). Never drops or reorders a byte's
// worth of text.
std::string MixedLineToSjis(std::string_view line, TKanjiCode code);

// The code of the line's own text, its UTF-8 runs left out: the line that
// says "/文書/索引: 無効な出力ディレクトリ指定" is EUC-JP although its first
// Japanese bytes are a UTF-8 name.
TKanjiCode DetectMixedLineCode(std::string_view line);

}  // namespace tavirel
