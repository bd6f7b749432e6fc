// Edit > System…: what the energy is computed with. Each panel's kWp, the modules, the mount,
// the losses, the inverter's efficiency, the DC-to-AC ratio, one inverter or one per panel,
// the sky model on a plane, and the weather and horizon files (with the weather's shift).
// Every field holds only values within its range, so what it gives is always accepted.
#pragma once

#include <QDialog>

#include <array>
#include <functional>

#include "window/system.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;

namespace halvessa::window {

class SystemDialog : public QDialog {
  Q_OBJECT
 public:
  SystemDialog(const SystemSettings& settings, QWidget* parent = nullptr);

  // What the fields hold; the file names as typed or chosen (empty: none).
  SystemSettings settings() const;

  // Asks for a file to open: caption, filter. A file dialog unless a test puts its own.
  std::function<QString(const QString&, const QString&)> chooseFile;

  QDoubleSpinBox* kwpBox(int panel) const { return kwp_[panel]; }
  QComboBox* moduleBox() const { return module_; }
  QComboBox* mountBox() const { return mount_; }
  QDoubleSpinBox* lossesBox() const { return losses_; }
  QDoubleSpinBox* inverterBox() const { return inverter_; }
  QDoubleSpinBox* dcAcBox() const { return dcAc_; }
  QCheckBox* oneInverterBox() const { return oneInverter_; }
  QComboBox* transpositionBox() const { return transposition_; }
  QDoubleSpinBox* shiftBox() const { return shift_; }
  QLineEdit* weatherBox() const { return weather_; }
  QLineEdit* horizonBox() const { return horizon_; }

 private:
  QWidget* fileRow(QLineEdit*& box, const QString& path, const QString& caption,
                   const QString& filter);

  std::array<QDoubleSpinBox*, kPanelCount> kwp_{};
  QComboBox* module_ = nullptr;
  QComboBox* mount_ = nullptr;
  QDoubleSpinBox* losses_ = nullptr;
  QDoubleSpinBox* inverter_ = nullptr;
  QDoubleSpinBox* dcAc_ = nullptr;
  QCheckBox* oneInverter_ = nullptr;
  QComboBox* transposition_ = nullptr;
  QDoubleSpinBox* shift_ = nullptr;
  QLineEdit* weather_ = nullptr;
  QLineEdit* horizon_ = nullptr;
};

// The filters of the file dialogs that open a weather or a horizon file.
QString WeatherFilter();
QString HorizonFilter();

}  // namespace halvessa::window
