// Splitting a command line into the arguments a started program receives.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tavirel {

// Splits `commandLine` the way a Windows program's start-up code does, so that
// a command line written for that system reaches the program as the same
// arguments here. Leading blanks are skipped. The first argument (the program)
// runs up to the next blank or tab outside double quotes; quotes in it only
// group, and backslashes are plain characters. Every further argument follows
// the C runtime's rules: blanks and tabs outside quotes separate arguments; a
// double quote toggles quoting; "" inside quotes is one literal quote;
// 2n backslashes before a quote give n backslashes and the quote toggles,
// 2n+1 give n backslashes and a literal quote; other backslashes are literal.
// The trail byte of a Shift-JIS double-byte character is never taken for a
// backslash or a quote.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

}  // namespace tavirel
