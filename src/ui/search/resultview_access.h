// The hit list as a screen reader reads it: its text, caret and selection
// (see ui/widgets/textaccess.h), and the events that tell a reader when the
// list is reloaded or the caret moves.
#pragma once

namespace tavirel {

class TResultView;

// Makes the accessible interface of `view` known to Qt and sends caret
// events as its caret moves; the view's constructor calls it.
void AttachResultViewAccessible(TResultView* view);
// The view has just been given new text: its offsets are recounted and a
// reader is told.
void ResultViewTextReplaced(TResultView* view);

}  // namespace tavirel
