#include "ui/search/placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace tavirel {
namespace {

// The screen's logical pixels per inch, as stored with the window placement.
int ScreenPixelsPerInch(const QWidget* window) {
  QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
  return screen ? static_cast<int>(std::lround(screen->logicalDotsPerInch())) : 96;
}

}  // namespace

TFormPlacement::TFormPlacement(QObject* parent) : QObject(parent) {}

bool TFormPlacement::Restore(QWidget* window) const {
  if (IniFileName.empty()) return false;
  auto placement = ReadWindowPlacementFromFile(IniFileName, IniSection);
  if (!placement || placement->PixelsPerInch != ScreenPixelsPerInch(window)) return false;
  const int* r = placement->NormPos;
  window->setGeometry(r[0], r[1], r[2] - r[0], r[3] - r[1]);
  if (placement->ShowCmd == ShowCmdMaximized) {
    window->setWindowState(window->windowState() | Qt::WindowMaximized);
  }
  return true;
}

TWindowPlacement TFormPlacement::PlacementOf(const QWidget* window) {
  TWindowPlacement placement;
  placement.ShowCmd = window->isMaximized()   ? ShowCmdMaximized
                      : window->isMinimized() ? ShowCmdMinimized
                                              : ShowCmdNormal;
  placement.PixelsPerInch = ScreenPixelsPerInch(window);
  QRect normal = window->normalGeometry();
  if (!normal.isValid()) normal = window->geometry();
  placement.NormPos[0] = normal.x();
  placement.NormPos[1] = normal.y();
  placement.NormPos[2] = normal.x() + normal.width();
  placement.NormPos[3] = normal.y() + normal.height();
  return placement;
}

}  // namespace tavirel
