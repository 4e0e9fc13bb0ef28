// The notice that the Namazu programs answer in English: without the locale
// they run under (platform::ConsoleLocale(), "ja_JP.SJIS") namazu writes
// its counts and page lines, and mknmz its progress, in English, while the
// hits stay Japanese. The main window says so in its status bar instead of
// leaving the user with a half-English list.
#pragma once

class QLabel;
class QStatusBar;

namespace tavirel {

// When the locale is missing, adds the label "lblLocaleNotice" to `bar` (at
// the right, beside the page's own text) and returns it; its tooltip says
// what follows and how an administrator makes the locale. Returns nullptr
// and adds nothing when the locale is there.
QLabel* AddLocaleNotice(QStatusBar* bar);

}  // namespace tavirel
