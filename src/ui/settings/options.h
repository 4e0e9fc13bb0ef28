// TfrmSettings: the options dialog. Six pages of paths, default options,
// result and browser targets and result parsing; the option help of the
// outside programs in a console output window.
#pragma once

#include <QDialog>
#include <QPointer>

#include "core/settings/dialogs.h"

#include <memory>
#include <optional>
#include <string>

class QAction;
class QLineEdit;

namespace Ui {
class TfrmSettings;
}

namespace tavirel {

class TfrmWindow;

class TfrmSettings : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmSettings(QWidget* parent = nullptr);
  ~TfrmSettings() override;

  // The controls of the Designer form, named as on the form.
  Ui::TfrmSettings* ui() const { return ui_.get(); }
  QAction* edtNavigatorPathButton = nullptr;
  QAction* edtPerlPathButton = nullptr;
  QAction* edtMknmzPathButton = nullptr;
  QAction* edtNamazuPathButton = nullptr;
  QAction* edtPnamazuPathButton = nullptr;

  // The option help window while it is open.
  QPointer<TfrmWindow> OptionInfoWindow;

  void FormCreate();
  // False (and the dialog stays) while the option help runs.
  bool FormCloseQuery();
  void btnOKClick();
  void btnSetDefaultPathClick();
  void btnSetDefaultOptionClick();
  void btnShowOptionInfoClick();
  void edtNavigatorPathButtonClick();
  void edtPerlPathButtonClick();
  void edtMknmzPathButtonClick();
  void edtNamazuPathButtonClick();
  void edtPnamazuPathButtonClick();

  void done(int result) override;

 private:
  void Browse(QLineEdit* edit, const std::string& storedPath, const QString& title,
              const QString& filter);
  // The controls as values, nullopt when a text field holds characters that
  // Shift-JIS cannot write (reported, the field focused).
  std::optional<TOptionValues> ControlValues();

  std::unique_ptr<Ui::TfrmSettings> ui_;
  bool helpRunning_ = false;
};

}  // namespace tavirel
