// Time from the start of the program to the main window on screen: the
// application object, the window's creation (settings file, drive labels,
// menus and boxes) and its first show and paint. The window must be up
// within 0.5 s.
//
// The settings file is a temporary one written with the defaults (start help
// page off, so that no outside browser is started).
//
// Usage: QT_QPA_PLATFORM=offscreen bench_startup

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <fstream>

#include "ui/search/mainwindow.h"

int main(int argc, char* argv[]) {
  QElapsedTimer total;
  total.start();
  QApplication app(argc, argv);
  const qint64 appMs = total.elapsed();

  QTemporaryDir dir;
  const std::string ini = dir.filePath(QStringLiteral("tavirel.ini")).toStdString();
  std::ofstream(ini, std::ios::binary) << "[Window]\r\nShowExplanation=0\r\n";
  tavirel::TfrmMain::SetSettingsFileOverride(ini);

  QElapsedTimer timer;
  timer.start();
  tavirel::TfrmMain window;
  const qint64 createMs = timer.elapsed();
  window.show();
  const bool exposed = QTest::qWaitForWindowExposed(&window);
  window.repaint();
  const qint64 shownMs = timer.elapsed();

  std::printf("application object      %6lld ms\n", static_cast<long long>(appMs));
  std::printf("window created          %6lld ms\n", static_cast<long long>(createMs));
  std::printf("window shown and painted %5lld ms%s\n", static_cast<long long>(shownMs),
              exposed ? "" : " (not exposed)");
  std::printf("total from start        %6lld ms (limit 500 ms)\n",
              static_cast<long long>(total.elapsed()));
  window.close();
  return 0;
}
