// The text view's marking of search words: where the marks land in the
// view's characters (Shift-JIS with trail bytes that look like letters,
// malformed bytes, UTF-8 beyond the BMP), where the view starts, F3 and
// Shift+F3, that only the visible marks are handed to the view, and the
// view over bytes: long lines cut into pieces and rows, copied and read as
// they were, and a line far into a long text.

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTextBlock>
#include <QtTest>

#include <cstdio>
#include <string>
#include <vector>

#include "core/search/searchwords.h"
#include "ui/search/textview.h"
#include "ui/widgets/qtcodec.h"

using namespace tavirel;

namespace {

std::string Sjis(const QString& text) { return QStringToSjis(text).value_or(std::string()); }

// The view's text under each mark.
QStringList MarkedTexts(const TTextView& view) {
  QStringList out;
  for (const TCharRange& r : view.Marks().Ranges)
    out << view.TextOf(static_cast<int32_t>(r.Start), static_cast<int32_t>(r.End));
  return out;
}

int BackgroundSelections(const TTextView& view) {
  int n = 0;
  for (const auto& s : view.FormatsOnScreen())
    if (s.Format.hasProperty(QTextFormat::BackgroundBrush)) ++n;
  return n;
}

}  // namespace

class TestTextView : public QObject {
  Q_OBJECT

 private slots:
  void marksLandOnTheWords() {
    struct Case {
      std::string bytes;
      TTextEncoding encoding;
      QString formula;
      QStringList marked;
    };
    const std::vector<Case> cases = {
        // ッ (83 62) and ア (83 41) hold "b" and "A" as trail bytes.
        {Sjis(QStringLiteral("インデックス b\nアイウ linux ＬＩＮＵＸ\nｶﾚﾝﾀﾞｰ")), TTextEncoding::ShiftJis,
         QStringLiteral("b or Linux or カレンダー"),
         {QStringLiteral("b"), QStringLiteral("linux"), QStringLiteral("ＬＩＮＵＸ"),
          QStringLiteral("ｶﾚﾝﾀﾞｰ")}},
        // Bytes with no character before the word: the view shows one
        // character for each, and for a lead byte before a blank.
        {std::string("\x80\xa0\x81 ", 4) + Sjis(QStringLiteral("温泉 x")) + "\x82",
         TTextEncoding::ShiftJis, QStringLiteral("温泉 x"),
         {QStringLiteral("温泉"), QStringLiteral("x")}},
        // UTF-8 with characters beyond the BMP and outside CP932 before the words.
        {"\xf0\x9f\x98\x80\xe2\x82\xac \xe6\xb8\xa9\xe6\xb3\x89 linux", TTextEncoding::Utf8,
         QStringLiteral("温泉 linux"), {QStringLiteral("温泉"), QStringLiteral("linux")}},
        {Sjis(QStringLiteral("nothing here")), TTextEncoding::ShiftJis,
         QStringLiteral("absent"), {}},
    };
    for (const Case& c : cases) {
      TTextView view;
      view.resize(400, 300);
      view.ShowText(c.bytes, c.encoding);
      const int n = view.HighlightWords(ExtractSearchWords(Sjis(c.formula)));
      QCOMPARE(n, static_cast<int>(c.marked.size()));
      QCOMPARE(MarkedTexts(view), c.marked);
      // The text itself is unchanged.
      QCOMPARE(view.Text(), c.encoding == TTextEncoding::Utf8
                                       ? QString::fromStdString(c.bytes)
                                       : SjisToQString(c.bytes));
    }
  }

  void findsWordsInAnHtmlPage() {
    // Frames, a table, an image and a no-break space each take positions of
    // the document; the marks still land on the words.
    QTextDocument doc;
    doc.setHtml(QStringLiteral("<p>温泉&nbsp;linux</p><table><tr><td>会議</td><td>x Linux</td>"
                               "</tr></table><p><img src=\"none.png\">namazu</p>"));
    QStringList marked;
    for (const TCharRange& r : FindWordsInDocument(
             doc, TWordFinder(ExtractSearchWords(Sjis(QStringLiteral("linux 会議 namazu 温泉")))))) {
      QTextCursor c(&doc);
      c.setPosition(static_cast<int>(r.Start));
      c.setPosition(static_cast<int>(r.End), QTextCursor::KeepAnchor);
      marked << c.selectedText();
    }
    QCOMPARE(marked, (QStringList{QStringLiteral("温泉"), QStringLiteral("linux"),
                                  QStringLiteral("会議"), QStringLiteral("Linux"),
                                  QStringLiteral("namazu")}));
  }

  void startsAtTheFirstWord() {
    // 300 lines; the word on line 200 (and, for the mail, in its header).
    QString text = QStringLiteral("Subject: 温泉\nFrom: a\n\n");
    for (int i = 3; i < 300; ++i)
      text += i == 200 ? QStringLiteral("温泉の案内\n") : QStringLiteral("line %1\n").arg(i);
    const std::string bytes = Sjis(text);
    struct Case {
      int bodyLine;
      QString formula;
      int current;       // the mark moved to, -1 for none
      bool atBody;       // the view still shows the body's start
    };
    const Case cases[] = {
        {-1, QStringLiteral("温泉"), 0, false},  // a text: the first mark, in the header
        {3, QStringLiteral("温泉"), 1, false},   // a mail: the first mark in the body
        {3, QStringLiteral("Subject"), -1, true},  // only in the header: stays at the body
        {3, QStringLiteral("absent"), -1, true},
    };
    for (const Case& c : cases) {
      TTextView view;
      view.resize(400, 200);
      view.show();
      QVERIFY(QTest::qWaitForWindowExposed(&view));
      view.ShowText(bytes, TTextEncoding::ShiftJis, c.bodyLine);
      const int top = view.FirstVisibleLine();
      view.HighlightWords(ExtractSearchWords(Sjis(c.formula)));
      QCOMPARE(view.Marks().Current, c.current);
      if (c.atBody) QCOMPARE(view.FirstVisibleLine(), top);
      if (c.current >= 0) {
        const TCharRange r = view.Marks().Ranges[static_cast<size_t>(c.current)];
        QCOMPARE(view.CaretOffset(), static_cast<int>(r.Start));
        const int line = view.LineOf(static_cast<int32_t>(r.Start));
        QVERIFY(line >= view.FirstVisibleLine() && line < view.FirstVisibleLine() + 15);
      }
    }
  }

  void f3AndShiftF3() {
    TTextView view;
    view.resize(400, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QSignalSpy positions(&view, &TTextView::HighlightPositionChanged);
    QSignalSpy beeps(&view, &TTextView::Beeped);
    view.ShowText(Sjis(QStringLiteral("a x\nb x\nc x\n")), TTextEncoding::ShiftJis);
    QTest::keyClick(&view, Qt::Key_F3);  // no marks yet
    QCOMPARE(beeps.count(), 1);
    view.HighlightWords(ExtractSearchWords("x"));
    struct Step {
      Qt::KeyboardModifiers modifiers;
      const char* status;
    };
    const Step steps[] = {{Qt::NoModifier, "2 / 3"}, {Qt::NoModifier, "3 / 3"},
                          {Qt::NoModifier, "1 / 3"}, {Qt::ShiftModifier, "3 / 3"},
                          {Qt::ShiftModifier, "2 / 3"}};
    QCOMPARE(positions.takeFirst().at(0).toString(), QStringLiteral("1 / 3"));
    for (const Step& s : steps) {
      QTest::keyClick(&view, Qt::Key_F3, s.modifiers);
      QCOMPARE(positions.takeLast().at(0).toString(), QString::fromLatin1(s.status));
      QCOMPARE(view.CaretOffset(),
               static_cast<int>(view.Marks().Ranges[static_cast<size_t>(view.Marks().Current)].Start));
    }
    QCOMPARE(view.Text(), QStringLiteral("a x\nb x\nc x\n"));
    // Another text drops the marks.
    view.ShowText("x", TTextEncoding::ShiftJis);
    QCOMPARE(view.HighlightCount(), 0);
    QCOMPARE(BackgroundSelections(view), 0);
  }

  void onlyVisibleMarksGoToTheView() {
    // 200,000 lines, 16 words, a mark on every line.
    std::string bytes;
    const std::string line = Sjis(QStringLiteral("温泉 linux 会議 namazu の案内\n"));
    for (int i = 0; i < 200000; ++i) bytes += line;
    TTextView view;
    view.resize(500, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.ShowText(bytes, TTextEncoding::ShiftJis);
    const auto words = ExtractSearchWords(
        Sjis(QStringLiteral("温泉 linux 会議 namazu 案内 a b c d e f g h i j k")));
    QCOMPARE(words.size(), size_t{16});
    QCOMPARE(view.HighlightWords(words), 1000000);
    QTest::qWait(20);
    const int visible = BackgroundSelections(view);
    QVERIFY(visible > 0);
    QVERIFY(visible < 500);
    // Scrolling brings the marks of the new lines along.
    view.verticalScrollBar()->setValue(150000);
    QTest::qWait(20);
    const int top = view.FirstVisibleLine();
    QVERIFY(top > 100000);
    bool sawTopLine = false;
    for (const auto& s : view.FormatsOnScreen())
      if (view.LineOf(s.Start) == top) sawTopLine = true;
    QVERIFY(sawTopLine);
  }

  void longLinesKeepTheirCharacters() {
    // One line of about 21,000 bytes (a piece holds at most 4,096) and a
    // short one; in UTF-8 with characters beyond the BMP, which count two.
    QString sjisLine, utf8Line;
    for (int i = 0; i < 1500; ++i) sjisLine += QStringLiteral("日本語ab ");
    for (int i = 0; i < 1800; ++i) utf8Line += QStringLiteral("温泉\U0001F600x ");
    struct Case {
      std::string bytes;
      TTextEncoding encoding;
      QString shown;
    };
    const QString next = QStringLiteral("\n次の行");
    const QByteArray utf8 = (utf8Line + next).toUtf8();
    const Case cases[] = {
        {Sjis(sjisLine + next), TTextEncoding::ShiftJis, sjisLine + next},
        {std::string(utf8.constData(), static_cast<size_t>(utf8.size())), TTextEncoding::Utf8,
         utf8Line + next},
    };
    for (const Case& c : cases) {
      TTextView view;
      view.resize(400, 300);
      view.show();
      QVERIFY(QTest::qWaitForWindowExposed(&view));
      view.ShowText(c.bytes, c.encoding);
      QCOMPARE(view.Text(), c.shown);
      QAccessibleInterface* access = QAccessible::queryAccessibleInterface(&view);
      QVERIFY(access != nullptr && access->textInterface() != nullptr);
      // Stretches over the ends of pieces copy and read as they were.
      QVERIFY(view.ResultText().PieceCount() > 4);
      for (int piece = 1; piece < 4; ++piece) {
        // Whole characters: a pair of surrogates is not split.
        int32_t start = view.ResultText().Piece(piece).Offset - 12;
        if (c.shown.at(start).isLowSurrogate()) --start;
        int32_t end = start + 30;
        if (c.shown.at(end).isLowSurrogate()) ++end;
        view.SetSelection(start, end);
        view.Copy();
        QCOMPARE(QApplication::clipboard()->text(), c.shown.mid(start, end - start));
        QCOMPARE(access->textInterface()->text(start, end), c.shown.mid(start, end - start));
      }
      // The long line wraps: Shift+Down selects its first row, Shift+End
      // runs on to the end of the second.
      view.SetCaretOffset(0);
      QTest::keyClick(&view, Qt::Key_Down, Qt::ShiftModifier);
      const int32_t second = view.CaretOffset();
      QVERIFY(second > 0 && second < 200);
      QVERIFY(view.CaretRect(second).top() > view.CaretRect(0).top());
      QCOMPARE(view.SelectedText(), c.shown.left(second));
      QTest::keyClick(&view, Qt::Key_End, Qt::ShiftModifier);
      QCOMPARE(view.CaretRect(view.CaretOffset()).top(), view.CaretRect(second).top());
      QCOMPARE(view.SelectedText(), c.shown.left(view.CaretOffset()));
      // Ctrl+End and Shift+Home: the short last line.
      QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier);
      QTest::keyClick(&view, Qt::Key_Home, Qt::ShiftModifier);
      QCOMPARE(view.SelectedText(), next.mid(1));
      QCOMPARE(view.LineOf(view.CaretOffset()), 1);
    }
  }

  void mailBodyFarIntoALongText() {
    // 50 MB of numbered lines; the body starts at line 2,000,000.
    std::string bytes;
    bytes.reserve(50'000'000);
    char line[32];
    for (int i = 0; bytes.size() < 50'000'000 - 32; ++i) {
      std::snprintf(line, sizeof line, "line %07d .........\n", i);
      bytes += line;
    }
    TTextView view;
    view.resize(400, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.ShowText(std::move(bytes), TTextEncoding::ShiftJis, 2'000'000);
    QCOMPARE(view.FirstVisibleLine(), 2'000'001);
    QCOMPARE(view.LineOf(view.CaretOffset()), 2'000'001);
    QCOMPARE(view.TextOf(view.CaretOffset(), view.CaretOffset() + 12), QStringLiteral("line 2000001"));
    QTest::keyClick(&view, Qt::Key_J);
    QCOMPARE(view.TextOf(view.CaretOffset(), view.CaretOffset() + 12), QStringLiteral("line 2000002"));
  }
};

QTEST_MAIN(TestTextView)
#include "test_textview.moc"
