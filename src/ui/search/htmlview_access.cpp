// The HTML view's accessible interface. Offsets are the document's positions:
// one for every character, the end of a paragraph, a table or a cell a '\n'.
// A reader's lines are the lines on the screen. The links of the page are the
// interface's first children, collected when a reader first asks for them
// after the page changed, each made when it is asked for, so a page of
// thousands of links costs nothing until it is read.
#include "ui/search/htmlview_access.h"

#include <QAbstractTextDocumentLayout>
#include <QAccessible>
#include <QFontMetrics>
#include <QPointer>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QUrl>
#include <QWindow>

#include <algorithm>
#include <vector>

#include "ui/search/htmlview.h"
#include "ui/widgets/textaccess.h"

namespace tavirel {
namespace {

// A link of the page: the positions it covers and its address as the page
// writes it.
struct PageLink {
  int start = 0;
  int end = 0;
  QString href;
};

// The page's links in document order, as Tab visits them: adjacent pieces of
// a paragraph that name the same address are one link.
std::vector<PageLink> CollectLinks(const QTextDocument& document) {
  std::vector<PageLink> links;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    bool open = false;  // the last piece of the paragraph was a link
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment piece = it.fragment();
      const QTextCharFormat format = piece.charFormat();
      if (!format.isAnchor() || !format.hasProperty(QTextFormat::AnchorHref)) {
        open = false;
        continue;
      }
      const int end = piece.position() + piece.length();
      if (open && links.back().href == format.anchorHref()) {
        links.back().end = end;
      } else {
        links.push_back({piece.position(), end, format.anchorHref()});
      }
      open = true;
    }
  }
  return links;
}

QChar ForReader(QChar c) {
  switch (c.unicode()) {
    case QChar::ParagraphSeparator:
    case QChar::LineSeparator:
      return u'\n';
    case QChar::Nbsp:
      return u' ';
    default:
      return c;
  }
}

// The page as a reader gets it: its text and its links.
class PageText : public ITextSource {
 public:
  explicit PageText(THtmlView* view) : view_(view) {}
  ~PageText() override { DropLinkInterfaces(); }

  THtmlView* View() const { return view_; }
  const QTextDocument& Document() const { return *view_->document(); }

  int CharacterCount() const override { return std::max(0, Document().characterCount() - 1); }

  QString TextRange(int start, int end) const override {
    QString text;
    text.reserve(end - start);
    for (QTextBlock block = Document().findBlock(start); block.isValid() && block.position() < end;
         block = block.next()) {
      const QString chars = block.text();
      const int base = block.position();
      const int last = std::min(end, base + block.length()) - base;
      for (int i = std::max(start, base) - base; i < last; ++i) {
        text += i < chars.size() ? ForReader(chars[i]) : QChar(u'\n');
      }
    }
    return text;
  }

  // A paragraph, or the part of it between two line breaks (<br>).
  void LineAround(int offset, int* start, int* end) const override {
    const QTextBlock block = Document().findBlock(offset);
    if (!block.isValid()) {
      *start = *end = CharacterCount();
      return;
    }
    const QString chars = block.text();
    const int at = std::clamp(offset - block.position(), 0, static_cast<int>(chars.size()));
    const qsizetype before = at > 0 ? chars.lastIndexOf(QChar::LineSeparator, at - 1) : -1;
    const qsizetype after = chars.indexOf(QChar::LineSeparator, at);
    *start = block.position() + static_cast<int>(before + 1);
    *end = block.position() + static_cast<int>(after < 0 ? chars.size() : after);
  }

  int Caret() const override { return view_->textCursor().position(); }
  int Anchor() const override { return view_->textCursor().anchor(); }

  void Select(int anchor, int caret) override {
    QTextCursor cursor(view_->document());
    cursor.setPosition(anchor);
    cursor.setPosition(caret, QTextCursor::KeepAnchor);
    view_->setTextCursor(cursor);
  }

  QRect CharacterRect(int offset) const override {
    QTextCursor cursor(view_->document());
    cursor.setPosition(offset);
    const QRect at = view_->cursorRect(cursor);
    cursor.setPosition(std::min(offset + 1, CharacterCount()));
    const QRect next = view_->cursorRect(cursor);
    const int width = next.top() == at.top() && next.left() > at.left()
                          ? next.left() - at.left()
                          : QFontMetrics(view_->font()).averageCharWidth();
    const QRect rect(at.left(), at.top(), width, at.height());
    return view_->viewport()->rect().intersects(rect) ? rect : QRect();
  }

  int OffsetAt(const QPoint& viewportPoint) const override {
    const QPoint scrolled(view_->horizontalScrollBar()->value(),
                          view_->verticalScrollBar()->value());
    return Document().documentLayout()->hitTest(viewportPoint + scrolled, Qt::ExactHit);
  }

  void ScrollTo(int offset) override {
    QTextCursor cursor(view_->document());
    cursor.setPosition(offset);
    if (!view_->viewport()->rect().contains(view_->cursorRect(cursor))) view_->CenterOn(offset);
  }

  // A link reads as a link; the text around it has no attributes.
  QString Attributes(int offset, int* start, int* end) const override {
    const int index = LinkBefore(offset);
    if (index >= 0 && offset < Link(index).end) {
      *start = Link(index).start;
      *end = Link(index).end;
      return QStringLiteral("link:true;text-underline-style:solid;");
    }
    ITextSource::Attributes(offset, start, end);
    if (index >= 0) *start = std::max(*start, Link(index).end);
    if (index + 1 < LinkCount()) *end = std::min(*end, Link(index + 1).start);
    return {};
  }

  // ---- Links

  int LinkCount() const { return static_cast<int>(Links().size()); }
  const PageLink& Link(int index) const { return Links()[static_cast<size_t>(index)]; }

  // The link that holds `offset`, -1 when none does.
  int LinkAt(int offset) const {
    const int index = LinkBefore(offset);
    return index >= 0 && offset < Link(index).end ? index : -1;
  }

  // The link the keyboard is on: Tab selects the whole of it.
  int FocusedLink() const {
    if (!view_->hasFocus()) return -1;
    const QTextCursor cursor = view_->textCursor();
    if (!cursor.hasSelection()) return -1;
    const int index = LinkAt(cursor.selectionStart());
    return index >= 0 && Link(index).start == cursor.selectionStart() &&
                   Link(index).end == cursor.selectionEnd()
               ? index
               : -1;
  }

  QString LinkName(const PageLink& link) const {
    QString name = TextRange(link.start, link.end);
    name.remove(QChar::ObjectReplacementCharacter);  // a picture
    name = name.simplified();
    return name.isEmpty() ? LinkAddress(link) : name;
  }

  // The address the link leads to, in full and readable.
  QString LinkAddress(const PageLink& link) const {
    const QUrl href(link.href);
    const QUrl page = view_->LocationUrl();
    return (page.isEmpty() ? href : page.resolved(href)).toString();
  }

  QAccessibleInterface* LinkInterface(int index) const;

 private:
  const std::vector<PageLink>& Links() const {
    if (revision_ != view_->ContentRevision()) {
      DropLinkInterfaces();
      links_ = CollectLinks(Document());
      ids_.assign(links_.size(), 0);
      revision_ = view_->ContentRevision();
    }
    return links_;
  }

  // The last link that starts at or before `offset`, -1 when none does.
  int LinkBefore(int offset) const {
    const std::vector<PageLink>& links = Links();
    const auto after = std::upper_bound(
        links.begin(), links.end(), offset,
        [](int at, const PageLink& link) { return at < link.start; });
    return static_cast<int>(after - links.begin()) - 1;
  }

  void DropLinkInterfaces() const {
    for (const QAccessible::Id id : ids_) {
      if (id != 0) QAccessible::deleteAccessibleInterface(id);
    }
    ids_.clear();
  }

  THtmlView* view_;
  mutable int revision_ = -1;
  mutable std::vector<PageLink> links_;
  mutable std::vector<QAccessible::Id> ids_;  // 0 for a link not asked for yet
};

class HtmlAccessible : public TTextAccessible {
 public:
  explicit HtmlAccessible(THtmlView* view)
      : TTextAccessible(view, std::make_unique<PageText>(view)) {}

  PageText& Page() const { return static_cast<PageText&>(Source()); }

  // As Qt presents a text browser.
  QAccessible::Role role() const override { return QAccessible::StaticText; }

  // The links, then the view's own parts (the viewport, the scroll bars).
  int childCount() const override { return Page().LinkCount() + TTextAccessible::childCount(); }

  QAccessibleInterface* child(int index) const override {
    const int links = Page().LinkCount();
    if (index < 0) return nullptr;
    return index < links ? Page().LinkInterface(index) : TTextAccessible::child(index - links);
  }

  int indexOfChild(const QAccessibleInterface* child) const override;

  QAccessibleInterface* childAt(int x, int y) const override {
    const int offset = offsetAtPoint(QPoint(x, y));
    const int index = offset < 0 ? -1 : Page().LinkAt(offset);
    return index >= 0 ? Page().LinkInterface(index) : TTextAccessible::childAt(x, y);
  }

  QAccessibleInterface* focusChild() const override {
    const int index = Page().FocusedLink();
    return index >= 0 ? Page().LinkInterface(index) : TTextAccessible::focusChild();
  }

  QString textBeforeOffset(int offset, QAccessible::TextBoundaryType type, int* start,
                           int* end) const override {
    int from = 0;
    int to = 0;
    if (type == QAccessible::LineBoundary && ScreenLine(offset, &from, &to)) {
      *start = *end = -1;
      return from > 0 && ScreenLine(from - 1, start, end) ? text(*start, *end) : QString();
    }
    return TTextAccessible::textBeforeOffset(offset, type, start, end);
  }

  QString textAtOffset(int offset, QAccessible::TextBoundaryType type, int* start,
                       int* end) const override {
    if (type == QAccessible::LineBoundary && ScreenLine(offset, start, end)) {
      return text(*start, *end);
    }
    return TTextAccessible::textAtOffset(offset, type, start, end);
  }

  QString textAfterOffset(int offset, QAccessible::TextBoundaryType type, int* start,
                          int* end) const override {
    int from = 0;
    int to = 0;
    if (type == QAccessible::LineBoundary && ScreenLine(offset, &from, &to)) {
      *start = *end = -1;
      return to < characterCount() && ScreenLine(to, start, end) ? text(*start, *end) : QString();
    }
    return TTextAccessible::textAfterOffset(offset, type, start, end);
  }

 private:
  // The line on the screen that holds `offset` (-2: the caret), with the
  // break that ends it. False for a paragraph not laid out yet: its lines are
  // then those of the text.
  bool ScreenLine(int offset, int* start, int* end) const {
    if (offset == -2) offset = cursorPosition();
    const int count = characterCount();
    if (offset < 0 || offset > count) return false;
    const QTextBlock block = Page().Document().findBlock(offset);
    const QTextLayout* layout = block.isValid() ? block.layout() : nullptr;
    if (layout == nullptr || layout->lineCount() == 0) return false;
    const QTextLine line = layout->lineForTextPosition(offset - block.position());
    if (!line.isValid()) return false;
    *start = block.position() + line.textStart();
    *end = line.lineNumber() + 1 < layout->lineCount()
               ? block.position() + layout->lineAt(line.lineNumber() + 1).textStart()
               : std::min(count, block.position() + block.length());
    return true;
  }
};

HtmlAccessible* AccessibleOf(THtmlView* view) {
  return dynamic_cast<HtmlAccessible*>(QAccessible::queryAccessibleInterface(view));
}

// A link of the page: its text as its name, its address as its description
// and value, and "press" to follow it.
class LinkAccessible : public QAccessibleInterface,
                       public QAccessibleActionInterface,
                       public QAccessibleHyperlinkInterface {
 public:
  LinkAccessible(THtmlView* view, int index, int revision, PageLink link)
      : view_(view), index_(index), revision_(revision), link_(std::move(link)) {}

  THtmlView* View() const { return view_; }
  int Index() const { return index_; }

  bool isValid() const override { return view_ && view_->ContentRevision() == revision_; }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return view_ ? view_->window()->windowHandle() : nullptr; }

  QAccessibleInterface* parent() const override {
    return view_ ? QAccessible::queryAccessibleInterface(view_.data()) : nullptr;
  }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }

  QString text(QAccessible::Text type) const override {
    const HtmlAccessible* page = Page();
    if (page == nullptr) return {};
    switch (type) {
      case QAccessible::Name: return page->Page().LinkName(link_);
      case QAccessible::Description:
      case QAccessible::Value: return page->Page().LinkAddress(link_);
      default: return {};
    }
  }
  void setText(QAccessible::Text, const QString&) override {}

  QRect rect() const override {
    HtmlAccessible* page = Page();
    if (page == nullptr) return {};
    return page->characterRect(link_.start).united(page->characterRect(link_.end - 1));
  }

  QAccessible::Role role() const override { return QAccessible::Link; }

  QAccessible::State state() const override {
    QAccessible::State state;
    const HtmlAccessible* page = Page();
    if (page == nullptr) {
      state.invalid = true;
      return state;
    }
    state.focusable = true;
    state.linked = true;
    state.readOnly = true;
    state.focused = page->Page().FocusedLink() == index_;
    state.offscreen = rect().isEmpty();
    return state;
  }

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::ActionInterface) return static_cast<QAccessibleActionInterface*>(this);
    if (type == QAccessible::HyperlinkInterface) {
      return static_cast<QAccessibleHyperlinkInterface*>(this);
    }
    return nullptr;
  }

  // QAccessibleActionInterface
  QStringList actionNames() const override { return {pressAction()}; }
  void doAction(const QString& name) override {
    if (name != pressAction() || !isValid()) return;
    // The new page may drop this link while it loads.
    const QString href = link_.href;
    view_->ActivateLink(href);
  }
  QStringList keyBindingsForAction(const QString& name) const override {
    return name == pressAction() ? QStringList{QStringLiteral("Return")} : QStringList();
  }

  // QAccessibleHyperlinkInterface
  QString anchor() const override { return text(QAccessible::Name); }
  QString anchorTarget() const override { return text(QAccessible::Value); }
  int startIndex() const override { return link_.start; }
  int endIndex() const override { return link_.end; }

 private:
  // The view's interface, while this link is still one of its page.
  HtmlAccessible* Page() const { return isValid() ? AccessibleOf(view_.data()) : nullptr; }

  QPointer<THtmlView> view_;
  int index_;
  int revision_;
  PageLink link_;
};

QAccessibleInterface* PageText::LinkInterface(int index) const {
  if (index < 0 || index >= LinkCount()) return nullptr;
  QAccessible::Id& id = ids_[static_cast<size_t>(index)];
  if (id == 0) {
    id = QAccessible::registerAccessibleInterface(
        new LinkAccessible(view_, index, revision_, Link(index)));
  }
  return QAccessible::accessibleInterface(id);
}

int HtmlAccessible::indexOfChild(const QAccessibleInterface* child) const {
  if (const auto* link = dynamic_cast<const LinkAccessible*>(child)) {
    return link->View() == Page().View() && link->isValid() ? link->Index() : -1;
  }
  const int index = TTextAccessible::indexOfChild(child);
  return index < 0 ? -1 : Page().LinkCount() + index;
}

QAccessibleInterface* HtmlViewFactory(const QString&, QObject* object) {
  if (auto* view = qobject_cast<THtmlView*>(object)) return new HtmlAccessible(view);
  return nullptr;
}

}  // namespace

void InstallHtmlViewAccessible() {
  static const bool installed = (QAccessible::installFactory(&HtmlViewFactory), true);
  (void)installed;
}

void HtmlViewLinkFocusMoved(THtmlView* view) {
  if (!QAccessible::isActive()) return;
  HtmlAccessible* access = AccessibleOf(view);
  const int index = access != nullptr ? access->Page().FocusedLink() : -1;
  QAccessibleInterface* link = access != nullptr ? access->Page().LinkInterface(index) : nullptr;
  if (link == nullptr) return;
  QAccessibleEvent focus(link, QAccessible::Focus);
  QAccessible::updateAccessibility(&focus);
}

}  // namespace tavirel
