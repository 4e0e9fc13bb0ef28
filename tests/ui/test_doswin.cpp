#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QScrollBar>
#include <QTimer>
#include <QtTest>

#include <string>

#include "ui/widgets/msgbox.h"
#include "ui/process/doswin.h"
#include "ui/widgets/bigview.h"
#include "ui/process/consolerun.h"
#include "ui/widgets/qtcodec.h"

using namespace tavirel;

class TestDosWindow : public QObject {
  Q_OBJECT

 private slots:
  void windowHasItsControls();
  void closeIsRefusedWhileBusyAndFreesAfter();
  void copyItemFollowsTheSelection();
  void mouseSelectsText();
  void columnsFollowTabsAndDoubleByteCharacters();
  void bigViewWith200000Lines();
  void capturedRunFillsTheView();
  void failedStartShowsMessageBox();
};

void TestDosWindow::windowHasItsControls() {
  TfrmWindow window;
  QCOMPARE(window.windowTitle(), QStringLiteral("DOS画面"));
  QCOMPARE(window.size(), QSize(540, 240));
  QCOMPARE(window.findChild<TBigView*>(QStringLiteral("edt")), window.edt);
  QCOMPARE(window.findChild<QMenu*>(QStringLiteral("pmnu")), window.pmnu);
  QCOMPARE(window.findChild<QAction*>(QStringLiteral("mnuCopy")), window.mnuCopy);
  QCOMPARE(window.mnuCopy->text(), QStringLiteral("コピー(&C)"));
  QCOMPARE(window.mnuCopy->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_C));
  QVERIFY(window.pmnu->actions().contains(window.mnuCopy));
  QCOMPARE(window.edt->font().family(), QStringLiteral("ＭＳ ゴシック"));
  QCOMPARE(window.edt->font().pixelSize(), 12);
  QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));

  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  window.activateWindow();
  QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(window.edt));
}

void TestDosWindow::closeIsRefusedWhileBusyAndFreesAfter() {
  QPointer<TfrmWindow> window = new TfrmWindow;
  window->show();
  window->edt->SetTag(0);
  QVERIFY(!window->close());
  QVERIFY(window->isVisible());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QVERIFY(!window.isNull());

  window->edt->SetTag(1);
  QVERIFY(window->close());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QVERIFY(window.isNull());
}

void TestDosWindow::copyItemFollowsTheSelection() {
  TfrmWindow window;
  window.edt->AppendLine("first line");
  window.edt->AppendLine("\x82\xA0\x82\xA2 second");  // あい second
  window.pmnuPopup();
  QVERIFY(!window.mnuCopy->isEnabled());

  QApplication::clipboard()->setText(QStringLiteral("unchanged"));
  window.mnuCopyClick();
  QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("unchanged"));

  window.edt->SetSelection(0, 6, 1, 4);
  window.pmnuPopup();
  QVERIFY(window.mnuCopy->isEnabled());
  window.mnuCopy->trigger();
  QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("line\nあい"));

  window.edt->ClearSelection();
  QVERIFY(!window.mnuCopy->isEnabled());
}

void TestDosWindow::mouseSelectsText() {
  TBigView view;
  view.resize(400, 200);
  view.AppendLine("abcdef");
  view.AppendLine("ghijkl");
  view.show();
  QVERIFY(QTest::qWaitForWindowExposed(&view));

  const int h = view.LineHeight();
  const qreal w = view.ColumnWidth();
  auto at = [&](qreal column, int line) {
    return QPointF(2 + column * w, line * h + h / 2.0);
  };
  QWidget* port = view.viewport();
  QMouseEvent press(QEvent::MouseButtonPress, at(1, 0), port->mapToGlobal(at(1, 0)),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(port, &press);
  QMouseEvent move(QEvent::MouseMove, at(3, 1), port->mapToGlobal(at(3, 1)), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(port, &move);
  QMouseEvent release(QEvent::MouseButtonRelease, at(3, 1), port->mapToGlobal(at(3, 1)),
                      Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(port, &release);
  QVERIFY(view.HasSelection());
  QCOMPARE(view.SelectedBytes(), std::string("bcdef\nghi"));
}

void TestDosWindow::columnsFollowTabsAndDoubleByteCharacters() {
  TBigView view;
  view.AppendLine("a\tb");                    // b at column 8
  QCOMPARE(view.MaxColumns(), int64_t(9));
  view.AppendLine("12345678\tx");             // tab to column 16
  QCOMPARE(view.MaxColumns(), int64_t(17));
  view.AppendLine(std::string(10, '\x82'));   // five double-byte characters
  QCOMPARE(view.MaxColumns(), int64_t(17));
  view.AppendLine("\x82\xA0\x82\xA0\x82\xA0\x82\xA0\x82\xA0\x82\xA0\x82\xA0\x82\xA0\x82\xA0z");
  QCOMPARE(view.MaxColumns(), int64_t(19));
  view.Clear();
  QCOMPARE(view.LineCount(), 0);
  QCOMPARE(view.MaxColumns(), int64_t(0));
}

void TestDosWindow::bigViewWith200000Lines() {
  TfrmWindow window;
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  TBigView* view = window.edt;
  for (int i = 0; i < 200000; ++i) {
    view->AppendLine("line " + std::to_string(i) + "\tvalue \x82\xA0");
  }
  view->ShowLastLine();
  QCOMPARE(view->LineCount(), 200000);
  QScrollBar* bar = view->verticalScrollBar();
  QCOMPARE(bar->maximum(), 200000 - view->VisibleLineCount());
  QCOMPARE(bar->value(), bar->maximum());
  QCOMPARE(view->TopLine() + view->VisibleLineCount(), 200000);
  QCOMPARE(view->Line(199999), std::string("line 199999\tvalue \x82\xA0"));
  // Paint at the end and in the middle.
  QVERIFY(!window.grab().isNull());
  view->ScrollToLine(100000);
  QVERIFY(view->TopLine() <= 100000 && 100000 < view->TopLine() + view->VisibleLineCount());
  QVERIFY(!window.grab().isNull());

  view->SelectAll();
  QVERIFY(view->HasSelection());
  QVERIFY(view->SelectedText().endsWith(QStringLiteral("line 199999\tvalue あ")));
}

void TestDosWindow::capturedRunFillsTheView() {
  TfrmWindow window;
  window.show();
  const std::string command = "/usr/bin/seq 1 50000";
  QVERIFY(RunConsoleProcess(command, "/", psmCaptured, window.edt) != 0);
  TBigView* view = window.edt;
  QCOMPARE(view->Tag(), 1);
  QCOMPARE(view->LineCount(), 4 + 50000 + 2);
  QCOMPARE(view->Line(0), std::string("WorkDir: /"));
  QCOMPARE(view->Line(2), command);
  QCOMPARE(view->Line(4), std::string("1 "));
  QCOMPARE(view->Line(50003), std::string("50000 "));
  // The last output line is on screen.
  QVERIFY(view->TopLine() + view->VisibleLineCount() > 50003);
  QVERIFY(window.close());
}

void TestDosWindow::failedStartShowsMessageBox() {
  SetApplicationTitle(QStringLiteral("tavirel for Namazu"));
  TfrmWindow* window = new TfrmWindow;
  QPointer<TfrmWindow> guard(window);
  window->show();
  QString caption;
  QString text;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    QVERIFY(box != nullptr);
    caption = box->windowTitle();
    text = box->text();
    box->button(QMessageBox::Ok)->click();
  });
  QCOMPARE(RunConsoleProcess("/nonexistent/program -v", "/tmp", psmCaptured, window->edt), 0);
  QVERIFY(caption.startsWith(QStringLiteral("tavirel for Namazu")));
  QCOMPARE(text, QStringLiteral("コマンドの実行に失敗しました。\n\n作業ディレクトリ: /tmp\n"
                                "コマンド: /nonexistent/program -v\nエラーコード： 2"));
  QCOMPARE(window->edt->LineCount(), 5);
  QCOMPARE(window->edt->Tag(), 1);
  window->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QVERIFY(guard.isNull());
}

QTEST_MAIN(TestDosWindow)
#include "test_doswin.moc"
