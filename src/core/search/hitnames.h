// The file names of hits. namazu run with --no-decode-uri writes each hit's
// file name percent-encoded, exactly as mknmz stored it from the file
// system's (UTF-8) name; these routines turn it into the program's Shift-JIS
// and recognise the title mknmz made from such a name.
#pragma once

#include <string>
#include <string_view>

namespace tavirel {

// A hit's address as the program shows and opens it: a web address stays as
// written; a local path or "file:" URL is percent-decoded into the file
// system's bytes and brought into the program's code, a character Shift-JIS
// cannot write staying escaped (platform::ProgramPathFromNative), so that the
// platform still finds the file.
std::string DecodeHitAddress(std::string_view address);

// A file-system name as the result list shows it: ProgramPathFromNative,
// and control characters (a line break in a name would break the list) as
// percent escapes too.
std::string ShownFileName(std::string_view native);

// The file-system bytes of the last component of an undecoded local
// address; empty for a web address or an address ending in "/".
std::string FileNameOfAddress(std::string_view address);

// The title namazu prints (in Shift-JIS) for a document whose title mknmz
// took from its file name `fileSystemName` (UTF-8 bytes): mknmz reads the
// name as EUC-JP, turns half-width kana into full-width and full-width ASCII
// into ASCII, folds white space, keeps at most 199 bytes and drops a
// trailing half character; namazu then converts the stored bytes from EUC-JP
// to Shift-JIS pair by pair.
std::string NamazuTitleForFileName(std::string_view fileSystemName);

// The HTML result page of namazu (--html, Shift-JIS) made readable: a link
// whose text is its own percent-encoded address shows the decoded address,
// and a link whose text is the title namazu printed for the file's name shows
// that name. Characters Shift-JIS cannot write become character references
// (&#x20BB7;), so that the page shows them as they are. The links' targets
// and everything else stay byte for byte.
std::string ReadableHtmlResult(std::string_view page);

// A result file with namazu's lines about each index ("(/path/索引) [ 語: 42 ]",
// one per index searched, before the hits) made readable: namazu writes the
// index's path in the file system's UTF-8 among its Shift-JIS text, and those
// paths are brought into Shift-JIS. Nothing from the first hit on changes.
std::string ReadableIndexLines(std::string bytes);

}  // namespace tavirel
