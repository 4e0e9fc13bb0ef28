// Arguments of the outside programs: quoting an argument so that the
// command-line splitter gives it back unchanged, and telling which arguments
// of a namazu or mknmz command line name files and folders.
//
// Why the second: every string of the program is Shift-JIS, and so is a
// command line. namazu must read its search formula in Shift-JIS (it runs
// under a Shift-JIS locale), but the file system keeps its names in UTF-8, so
// an index folder, the result file or a folder to index reaches the program
// only when it is passed in the file system's code. The runner splits a
// command line into its arguments and hands the codes from ArgumentCodes to
// the platform, which converts exactly those arguments (platform::NativePath).
//
// A caller that runs mknmz command lines (the index creation window) passes
// acMknmz to RunConsoleProcess; one that starts mknmz some other way gets the
// codes from MknmzArgumentCodes and gives them to platform::ProcessStartInfo.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/process.h"

namespace tavirel {

// Surrounds `text` with double quotes so that SplitCommandLine hands it on as
// exactly one argument, whatever it holds: each inner double quote is written
// as \" and the backslashes right before a double quote or before the closing
// quote are doubled. Other backslashes and the trail bytes of double-byte
// characters are left as they are.
std::string QuoteArgument(std::string_view text);
// `text` as it stands when it needs no quotes (not empty, no blank, tab or
// double quote), else QuoteArgument(text).
std::string ArgumentText(std::string_view text);
// The program path, the first argument: quotes there only group and cannot be
// part of the name, so any double quote in the path is dropped and the whole
// is put in quotes. The path therefore always stays one argument.
std::string QuoteProgram(std::string_view path);
// Splits text that holds arguments only (no program first) by the rules of
// SplitCommandLine.
std::vector<std::string> SplitArguments(std::string_view text);

// Which program a command line runs, for the codes of its arguments.
enum TArgumentCoding : int {
  acAsWritten = 0,  // every argument unchanged (only the program is a file name)
  acNamazu = 1,     // namazu or "perl pnamazu.pl": the formula stays Shift-JIS,
                    // the result file, namazurc and index folders are file names
  acMknmz = 2,      // "perl mknmz": targets, -O, -F, -f, -I, -T, --update and the
                    // file-name patterns are file names; other values stay as written
};

// The codes of the arguments after the program of a split command line. When
// the program is perl (its file name begins with "perl"), the next argument
// is the script, a file name, and the options follow it. Options are read as
// the programs read them: long options with "=" or a separate value, unique
// prefixes of long options, bundled short options, "--" ending the options.
std::vector<platform::ArgumentCode> ArgumentCodes(TArgumentCoding coding,
                                                  const std::vector<std::string>& arguments);
std::vector<platform::ArgumentCode> NamazuArgumentCodes(const std::vector<std::string>& arguments);
std::vector<platform::ArgumentCode> MknmzArgumentCodes(const std::vector<std::string>& arguments);

// Checks the extra searcher options typed by the user (namazuOption): each
// argument must be an option of namazu or the value of the option before it,
// and "--" may not end the options early. Anything else would become the
// search formula or an index folder. Returns the offending argument, or
// nullopt when all is well.
std::optional<std::string> StrayNamazuArgument(const std::vector<std::string>& options);

}  // namespace tavirel
