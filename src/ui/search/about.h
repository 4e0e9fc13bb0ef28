// The version dialog: a picture, the version line, and a menu of related
// pages opened with the shell.
#pragma once

#include <QDialog>
#include <QString>

class QAction;
class QLabel;
class QMenu;
class QPushButton;

namespace tavirel {

// The release this build belongs to.
inline constexpr const char* ReleaseDate = "2026-12-08";

class TfrmAbout : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmAbout(QWidget* parent = nullptr);

  // The page of a link-menu item's tag; "" for any other tag.
  static QString PageForTag(int tag);
  // "tavirel for Namazu Version 0.1.0 (date)".
  static QString VersionText();

  QLabel* imgPicture = nullptr;
  QLabel* lblVersion = nullptr;
  QLabel* lblNote = nullptr;
  QPushButton* btnOK = nullptr;
  QPushButton* btnHomepage = nullptr;
  QMenu* mnuLink = nullptr;
  QAction* mnuWebPageTavirel = nullptr;
  QAction* mnuWebPageNamazu = nullptr;
  QAction* mnuWebPageNamazuWin32 = nullptr;
  QAction* mnuWebPagePnamazu = nullptr;
  QAction* mnuWebPageNamazuOS2 = nullptr;

 public slots:
  void btnHomepageClick();
  void mnuWebPageTavirelClick();

 private:
  void FormCreate();
};

// The picture across the top of the version dialog (345 x 80).
QPixmap DrawAboutPicture();

}  // namespace tavirel
