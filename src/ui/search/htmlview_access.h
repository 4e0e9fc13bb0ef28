// The HTML view as a screen reader reads it: the page's text, caret and
// selection (see ui/widgets/textaccess.h), and every link of the page as a
// child a reader can list, hear and follow.
#pragma once

namespace tavirel {

class THtmlView;

// Makes the view's accessible interface known to Qt; the view's constructor
// calls it.
void InstallHtmlViewAccessible();
// The keyboard may be on another link (after Tab or Shift+Tab): a reader is
// told which.
void HtmlViewLinkFocusMoved(THtmlView* view);

}  // namespace tavirel
