#include "window/qt/system_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace halvessa::window {

namespace {

QDoubleSpinBox* NumberBox(double value, pipeline::Range range, int decimals, const QString& suffix,
                          const QString& tip) {
  auto* box = new QDoubleSpinBox;
  box->setDecimals(decimals);
  box->setRange(range.low, range.high);
  box->setValue(value);
  box->setSuffix(suffix);
  box->setToolTip(tip);
  box->setAccessibleName(tip);
  return box;
}

template <typename T>
QComboBox* ChoiceBox(std::initializer_list<std::pair<QString, T>> choices, T value, const QString& tip) {
  auto* box = new QComboBox;
  for (const auto& [text, v] : choices) {
    box->addItem(text, static_cast<int>(v));
    if (v == value) box->setCurrentIndex(box->count() - 1);
  }
  box->setToolTip(tip);
  box->setAccessibleName(tip);
  return box;
}

template <typename T>
T ChoiceOf(const QComboBox* box) {
  return static_cast<T>(box->currentData().toInt());
}

}  // namespace

QString WeatherFilter() {
  return QStringLiteral("Weather files (*.csv *.json *.epw);;All files (*)");
}

QString HorizonFilter() { return QStringLiteral("Horizon files (*.csv *.txt);;All files (*)"); }

SystemDialog::SystemDialog(const SystemSettings& s, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("System"));
  setAccessibleName(QStringLiteral("System"));
  chooseFile = [this](const QString& caption, const QString& filter) {
    return QFileDialog::getOpenFileName(this, caption, QString(), filter);
  };

  auto* panels = new QGroupBox(QStringLiteral("Panels: DC rating at standard test conditions"));
  auto* panelRow = new QHBoxLayout(panels);
  for (int p = 0; p < kPanelCount; ++p) {
    const QString name = QStringLiteral("Panel %1").arg(p + 1);
    kwp_[p] = NumberBox(s.kwp[p], {0.001, pipeline::kKwpRange.high}, 3, QStringLiteral(" kWp"),
                        name + QStringLiteral(": its DC rating in kWp"));
    auto* cell = new QVBoxLayout;
    cell->addWidget(new QLabel(name));
    cell->addWidget(kwp_[p]);
    panelRow->addLayout(cell);
  }

  auto* system = new QGroupBox(QStringLiteral("From light to AC (PVWatts version 5)"));
  auto* form = new QFormLayout(system);
  module_ = ChoiceBox<energy::Module>({{QStringLiteral("Standard (-0.47 %/C)"), energy::Module::standard},
                                       {QStringLiteral("Premium (-0.35 %/C)"), energy::Module::premium},
                                       {QStringLiteral("Thin film (-0.20 %/C)"), energy::Module::thinFilm}},
                                      s.options.module,
                                      QStringLiteral("The modules' type: how their power falls as they warm"));
  mount_ = ChoiceBox<energy::Mount>({{QStringLiteral("Open rack"), energy::Mount::openRack},
                                     {QStringLiteral("Roof mount (hotter)"), energy::Mount::roof}},
                                    s.options.mount,
                                    QStringLiteral("How the panels are mounted: air behind them cools them"));
  losses_ = NumberBox(s.options.lossesPercent, pipeline::kLossesRange, 2, QStringLiteral(" %"),
                      QStringLiteral("The system's losses: soiling, shading, wiring, mismatch, "
                                     "ageing, availability"));
  inverter_ = NumberBox(s.options.inverterPercent, pipeline::kInverterRange, 1, QStringLiteral(" %"),
                        QStringLiteral("The inverter's nominal efficiency"));
  dcAc_ = NumberBox(s.options.dcAcRatio, pipeline::kDcAcRange, 2, QString(),
                    QStringLiteral("The DC rating over the inverter's AC rating: above it the "
                                   "inverter clips"));
  oneInverter_ = new QCheckBox(QStringLiteral("All panels on one inverter (else one each)"));
  oneInverter_->setChecked(s.options.oneInverter);
  transposition_ = ChoiceBox<pipeline::Transposition>(
      {{QStringLiteral("Perez 1990"), pipeline::Transposition::perez},
       {QStringLiteral("Isotropic"), pipeline::Transposition::isotropic}},
      s.transposition, QStringLiteral("How a weather file's diffuse light falls on a tilted plane"));
  form->addRow(QStringLiteral("Modules:"), module_);
  form->addRow(QStringLiteral("Mount:"), mount_);
  form->addRow(QStringLiteral("Losses:"), losses_);
  form->addRow(QStringLiteral("Inverter efficiency:"), inverter_);
  form->addRow(QStringLiteral("DC-to-AC ratio:"), dcAc_);
  form->addRow(QString(), oneInverter_);
  form->addRow(QStringLiteral("Sky on a plane:"), transposition_);

  auto* sky = new QGroupBox(QStringLiteral("Sky and horizon"));
  auto* files = new QFormLayout(sky);
  files->addRow(QStringLiteral("Weather file:"),
                fileRow(weather_, s.weatherFile, QStringLiteral("Open weather file"), WeatherFilter()));
  shift_ = NumberBox(s.weatherShiftHours, pipeline::kWeatherShiftRange, 2, QStringLiteral(" h"),
                     QStringLiteral("Moves the weather's times, when its light does not fit the sun"));
  files->addRow(QStringLiteral("Move its times by:"), shift_);
  files->addRow(QStringLiteral("Horizon file:"),
                fileRow(horizon_, s.horizonFile, QStringLiteral("Open horizon"), HorizonFilter()));
  auto* note = new QLabel(QStringLiteral("Without a weather file the year shows the clear sky: "
                                         "an upper bound, not what a climate brings."));
  note->setWordWrap(true);
  files->addRow(note);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(panels);
  layout->addWidget(system);
  layout->addWidget(sky);
  layout->addWidget(buttons);
}

QWidget* SystemDialog::fileRow(QLineEdit*& box, const QString& path, const QString& caption,
                               const QString& filter) {
  auto* row = new QWidget;
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  box = new QLineEdit(path);
  box->setPlaceholderText(QStringLiteral("none"));
  box->setAccessibleName(caption);
  box->setMinimumWidth(260);
  auto* choose = new QPushButton(QStringLiteral("Open…"));
  auto* clear = new QPushButton(QStringLiteral("None"));
  choose->setAccessibleName(caption);
  clear->setAccessibleName(caption + QStringLiteral(": none"));
  QLineEdit* target = box;
  connect(choose, &QPushButton::clicked, this, [this, target, caption, filter] {
    const QString chosen = chooseFile ? chooseFile(caption, filter) : QString();
    if (!chosen.isEmpty()) target->setText(chosen);
  });
  connect(clear, &QPushButton::clicked, target, &QLineEdit::clear);
  layout->addWidget(box, 1);
  layout->addWidget(choose);
  layout->addWidget(clear);
  return row;
}

SystemSettings SystemDialog::settings() const {
  SystemSettings s;
  for (int p = 0; p < kPanelCount; ++p) s.kwp[p] = kwp_[p]->value();
  s.options.module = ChoiceOf<energy::Module>(module_);
  s.options.mount = ChoiceOf<energy::Mount>(mount_);
  s.options.lossesPercent = losses_->value();
  s.options.inverterPercent = inverter_->value();
  s.options.dcAcRatio = dcAc_->value();
  s.options.oneInverter = oneInverter_->isChecked();
  s.transposition = ChoiceOf<pipeline::Transposition>(transposition_);
  s.weatherShiftHours = shift_->value();
  s.weatherFile = weather_->text().trimmed();
  s.horizonFile = horizon_->text().trimmed();
  return s;
}

}  // namespace halvessa::window
