// A TByteTextView as a screen reader reads it: its text, caret and selection
// (see ui/widgets/textaccess.h), and the events that tell a reader when the
// text is replaced or the caret moves.
#pragma once

namespace tavirel {

class TByteTextView;

// Makes the accessible interface of `view` known to Qt and sends caret
// events as its caret moves; the view's constructor calls it.
void AttachByteTextAccessible(TByteTextView* view);
// The view has just been given new text: a reader is told.
void ByteTextReplaced(TByteTextView* view);

}  // namespace tavirel
