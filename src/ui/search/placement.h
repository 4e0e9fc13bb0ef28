// TFormPlacement: a window's placement in one section of the settings file.
#pragma once

#include <QObject>

#include <string>

#include "core/search/mainview.h"

class QWidget;

namespace tavirel {

// The placement of a window in the settings file (keys "Flags", "ShowCmd",
// "PixelsPerInch", "MinMaxPos", "NormPos" of one section). A stored placement
// is applied only when its "PixelsPerInch" is the screen's.
class TFormPlacement : public QObject {
  Q_OBJECT

 public:
  explicit TFormPlacement(QObject* parent = nullptr);

  std::string IniFileName;
  std::string IniSection = "Window";
  bool Active = false;

  // Applies the stored placement to `window`; false when there is none that fits.
  bool Restore(QWidget* window) const;
  // The placement of `window` as it is stored at close.
  static TWindowPlacement PlacementOf(const QWidget* window);
};

}  // namespace tavirel
