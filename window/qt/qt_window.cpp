#include "window/qt/qt_window.h"

#include "window/qt/fonts.h"
#include "window/qt/views_section.h"
#include "window/tips.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCompleter>
#include <QKeyEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHash>
#include <QLabel>
#include <QPainter>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QTimeZone>
#include <QWindow>

#include <algorithm>
#include <exception>
#include <utility>

namespace halvessa::window {

namespace {

// Calls a function with each event of the object it watches, before the object gets it.
class EventHook : public QObject {
 public:
  EventHook(QObject* watched, std::function<void(QEvent*)> hook)
      : QObject(watched), hook_(std::move(hook)) {
    watched->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    hook_(event);
    return false;
  }

 private:
  std::function<void(QEvent*)> hook_;
};

const QString kAoiTip = QStringLiteral(
    "Angle of incidence (°): between the sun's direction and the panel's normal; 0 when the sun "
    "shines straight onto the panel, 90 or more when it stands in or behind the panel's plane");
const QString kProdTip = QStringLiteral(
    "Production (%): 100 × cos(AOI)^1.5 while the sun is above the horizon, else 0: how squarely "
    "a cloudless sun's direct light falls on the panel. It leaves out the sky's diffuse light, "
    "clouds, the panel's temperature and every loss (inverter, cables, dirt, shade): it is no "
    "energy yield");

}  // namespace

bool ReturnPresses::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    auto* push = qobject_cast<QPushButton*>(watched);
    if (push && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
      push->click();
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

namespace {

QColor ToQColor(Colour c) {
  return QColor(static_cast<int>(c & 0xFFu), static_cast<int>((c >> 8) & 0xFFu),
                static_cast<int>((c >> 16) & 0xFFu));
}

const QColor kWindowBack(0, 64, 64);
const QColor kLabelBack(128, 128, 128);
const QColor kPauseBack(0, 192, 0);
const QColor kResumeBack(192, 0, 0);
const QColor kMessageText(255, 224, 140);

// A caption a pixel or two too wide for its label (font metrics differ a little between
// faces and versions) is drawn with its letters slightly closer instead of being clipped.
void FitCaption(QLabel* label) {
  const auto fits = [label] {
    return label->fontMetrics().tightBoundingRect(label->text()).right() < label->width();
  };
  QFont font = label->font();
  for (qreal spacing = -0.1; !fits() && spacing >= -0.55; spacing -= 0.1) {
    font.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
    label->setFont(font);
  }
}

// Screen readers announce each control by its accessible name. A text box takes the caption of
// the label in front of it on its line, without the colon; where one caption serves two boxes
// each gets a name of its own. A check box without a caption takes its tool tip, numbered from
// the top where several share one.
void NameForScreenReaders(QWidget& window) {
  static const std::pair<const char*, const char*> kOwnNames[] = {
      {"txtDate", "Date (YYYY-MM-DD)"},
      {"txtTime", "Time (hh:mm)"},
      {"Speed", "Simulation: update every (s), 1 - 30"},
      {"refresshInt", "Live: update every (s)"}};
  const QList<QLabel*> labels = window.findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
  for (QLineEdit* box : window.findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly)) {
    const QRect at = box->geometry();
    const QLabel* caption = nullptr;
    for (const QLabel* label : labels) {
      const QRect l = label->geometry();
      const bool onLine = l.center().y() >= at.top() && l.center().y() <= at.bottom();
      if (onLine && l.right() < at.left() &&
          (caption == nullptr || l.right() > caption->geometry().right())) {
        caption = label;
      }
    }
    QString name = caption != nullptr ? caption->text().trimmed() : QString();
    if (name.endsWith(QLatin1Char(':'))) name.chop(1);
    for (const auto& [object, own] : kOwnNames) {
      if (box->objectName() == QLatin1String(object)) name = QString::fromUtf8(own);
    }
    box->setAccessibleName(name);
  }

  QList<QCheckBox*> bare;  // the check boxes without a caption, top to bottom
  for (QCheckBox* check : window.findChildren<QCheckBox*>(Qt::FindDirectChildrenOnly)) {
    if (check->text().isEmpty()) bare.push_back(check);
  }
  std::stable_sort(bare.begin(), bare.end(), [](const QCheckBox* a, const QCheckBox* b) {
    return a->geometry().top() < b->geometry().top();
  });
  QHash<QString, int> sharing, numbered;
  for (const QCheckBox* check : bare) ++sharing[check->toolTip()];
  for (QCheckBox* check : bare) {
    const QString tip = check->toolTip();
    const bool shared = sharing[tip] > 1;
    check->setAccessibleName(shared ? tip + QLatin1Char(' ') + QString::number(++numbered[tip])
                                    : tip);
  }
}

}  // namespace

// --- MarkedLineEdit --------------------------------------------------------------------

void MarkedLineEdit::setMarked(bool marked) {
  if (marked == marked_) return;
  marked_ = marked;
  update();
}

void MarkedLineEdit::paintEvent(QPaintEvent* event) {
  QLineEdit::paintEvent(event);
  if (!marked_) return;
  QPainter painter(this);
  QPen pen(markColour());
  pen.setWidth(2);
  pen.setJoinStyle(Qt::MiterJoin);
  painter.setPen(pen);
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
}

// --- HalvessaWindow --------------------------------------------------------------------

void HalvessaWindow::setApplicationFont() { QApplication::setFont(DefaultFont()); }

HalvessaWindow::HalvessaWindow(FormModel& model, QWidget* parent, SystemModel* system)
    : QWidget(parent), model_(model) {
  if (system == nullptr) {
    ownSettings_ = UserConfiguration();
    ownSystem_ = std::make_unique<SystemModel>(*ownSettings_);
    system = ownSystem_.get();
  }
  setAcceptDrops(true);
  setObjectName(QStringLiteral("frmHalvessa"));
  setWindowTitle(QStringLiteral("Halvessa"));
  setFont(DefaultFont());
  QPalette back = palette();
  back.setColor(QPalette::Window, kWindowBack);
  setPalette(back);
  setAutoFillBackground(true);
  // The client area and the message line below it, under the menu bar; the views below them.
  client_ = new QWidget(this);
  client_->setObjectName(QStringLiteral("clientArea"));
  client_->setGeometry(0, kMenuHeight, Px(kClientWidthTwips),
                       Px(kClientHeightTwips) + kMessageHeight);

  FormModel& m = model_;

  // Moment and live mode
  addLabel("lblTime", QStringLiteral("Time (YYYY-MM-DD hh:mm):"), 300, 240, 2145, 285);
  addTextBox(m.txtDate, QStringLiteral("txtDate"), 2640, 240, 1050, 315, 58);
  addTextBox(m.txtTime, QStringLiteral("txtTime"), 3740, 240, 615, 315, 59);
  addCheckBox(m.chkNow, QStringLiteral("chkNow"), QStringLiteral("Now"), 4460, 250, 735, 255, 60);
  addLabel("lblSunrise", QStringLiteral("Sunrise"), 5380, 240, 620, 285);
  addTextBox(m.txtSunrise, QStringLiteral("txtSunrise"), 6120, 240, 960, 285, 56);
  addLabel("lblSunset", QStringLiteral("Sunset"), 7200, 240, 620, 285);
  addTextBox(m.txtSunset, QStringLiteral("txtSunset"), 7920, 240, 960, 285, 57);

  // Site
  addLabel("lblLat", QStringLiteral("Latitude (°):"), 300, 680, 900, 285);
  addTextBox(m.txtLat, QStringLiteral("txtLat"), 1440, 650, 1000, 300, 2);
  addLabel("lblLon", QStringLiteral("Longitude (°):"), 2640, 680, 1020, 285);
  addTextBox(m.txtLon, QStringLiteral("txtLon"), 3840, 650, 1000, 300, 4);
  addLabel("lblTz", QStringLiteral("TimeZone (hrs):"), 5280, 680, 1200, 285);
  helpTheZoneBox(addTextBox(m.txtTz, QStringLiteral("txtTz"), 6720, 650, 555, 300, 6));

  // Sun
  addLabel("lblPanels", QStringLiteral("Panel Geometry (Azimuth / Tilt):"), 300, 1100, 2500, 285);
  addLabel("lblSunAzimuth", QStringLiteral("Sun Azimuth (°)"), 4080, 1100, 1240, 285);
  addTextBox(m.txtSunAzimuth, QStringLiteral("txtSunAzimuth"), 5430, 1080, 960, 285, 54);
  addLabel("lblSunElevation", QStringLiteral("Sun Elevation (°)"), 6520, 1100, 1280, 285);
  addTextBox(m.txtSunElevation, QStringLiteral("txtSunElevation"), 7920, 1080, 960, 285, 55);

  // Panels: member i on line i. Labels and boxes have slightly different tops.
  static constexpr int kCheckTop[] = {1535, 1920, 2330, 2735, 3140};
  static constexpr int kLabelTop[] = {1500, 1905, 2295, 2700, 3105};
  static constexpr int kBoxTop[] = {1500, 1900, 2300, 2700, 3100};
  for (int i = 1; i <= 5; ++i) {
    const int k = i - 1;
    const QString n = QString::number(i);
    const int tab = 9 + 4 * k;  // Az 9, 13, ...; Tilt 11, 15, ...
    const int outTab = 31 + 4 * k;  // AOI 31, 35, ...; Prod 33, 37, ...
    QCheckBox* chk = addCheckBox(m.Panelchk(i), QStringLiteral("Panelchk") + n, QString(), 300,
                                 kCheckTop[k], 225, 255, 70 + k);
    chk->setToolTip(QStringLiteral("Log this panel"));
    addLabel(qPrintable(QStringLiteral("lblAz") + n), QStringLiteral("Az%1:").arg(i), 660,
             kLabelTop[k], 405, 300);
    addTextBox(m.txtAz(i), QStringLiteral("txtAz") + n, 1215, kBoxTop[k], 600, 300, tab);
    addLabel(qPrintable(QStringLiteral("lblTilt") + n), QStringLiteral("Tilt%1:").arg(i), 2160,
             kLabelTop[k], 600, 300);
    addTextBox(m.txtTilt(i), QStringLiteral("txtTilt") + n, 2910, kBoxTop[k], 600, 300, tab + 2);
    addLabel(qPrintable(QStringLiteral("lblAOI") + n), QStringLiteral("AOI%1:").arg(i), 3960,
             kLabelTop[k], 555, 300)
        ->setToolTip(kAoiTip);
    addTextBox(m.txtAOI(i), QStringLiteral("txtAOI") + n, 4635, kBoxTop[k], 700, 300, outTab)
        ->setToolTip(kAoiTip);
    addLabel(qPrintable(QStringLiteral("lblProd") + n), QStringLiteral("%Prod%1:").arg(i), 5565,
             kLabelTop[k], 705, 300)
        ->setToolTip(kProdTip);
    addTextBox(m.txtProd(i), QStringLiteral("txtProd") + n, 6405, kBoxTop[k], 700, 300,
               outTab + 2)
        ->setToolTip(kProdTip);
  }

  // Simulation and live clock controls
  QCheckBox* solar =
      addCheckBox(m.Solarchk, QStringLiteral("Solarchk"), QString(), 300, 3720, 225, 255, 75);
  solar->setToolTip(QStringLiteral("Log solar positions"));
  addButton(m.btnSimulate, "btnSimulate", 660, 3705, 1200, 400, 29);
  addLabel("Label2", QStringLiteral("Update every (s)"), 2160, 3720, 1215, 255);
  addTextBox(m.Speed, QStringLiteral("Speed"), 3480, 3740, 360, 285, 61, false);
  addButton(m.btnRefresh, "btnRefresh", 4680, 3705, 1200, 400, 28);
  addLabel("Label3", QStringLiteral("Update every (s)"), 6090, 3720, 1215, 285);
  addTextBox(m.refresshInt, QStringLiteral("refresshInt"), 7440, 3705, 360, 285, 67, false);
  addLabel("Label4", QStringLiteral("       1 - 30"), 2160, 3960, 1215, 255);
  QPushButton* pause = addButton(m.btnPause, "btnPause", 660, 4320, 1200, 400, 62);
  QPushButton* resume = addButton(m.btnRunning, "btnRunning", 660, 4320, 1200, 400, 63);
  addLabel("Label1", QStringLiteral("Jump time (m)"), 2160, 4335, 1215, 285);
  addTextBox(m.jump, QStringLiteral("jump"), 3480, 4320, 360, 285, 65, false);

  QPalette green = pause->palette();
  green.setColor(QPalette::Button, kPauseBack);
  green.setColor(QPalette::ButtonText, Qt::black);
  pause->setPalette(green);
  QPalette red = resume->palette();
  red.setColor(QPalette::Button, kResumeBack);
  red.setColor(QPalette::ButtonText, Qt::white);
  resume->setPalette(red);

  addMessageArea();
  applyTabOrder();

  NameForScreenReaders(*client_);
  views_ = std::make_unique<ViewsSection>(
      model_, *system, ViewsSection::Host{this, [this] { return fixedHeight(); },
                                 [this] { return roomForViews(); }, [this] { fitToViews(); }});
  fitToViews();
  centreOnScreen();
}

HalvessaWindow::~HalvessaWindow() {
  views_.reset();
  // The model outlives the window: leave no hook pointing at destroyed widgets.
  for (Control* control : hooked_) control->viewUpdate = nullptr;
}

QLabel* HalvessaWindow::addLabel(const char* name, const QString& caption, int l, int t, int w,
                                 int h) {
  auto* label = new QLabel(caption, client_);
  label->setObjectName(QString::fromLatin1(name));
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setGeometry(Px(l), Px(t), Px(w), Px(h));
  QPalette grey = label->palette();
  grey.setColor(QPalette::Window, kLabelBack);
  grey.setColor(QPalette::WindowText, QApplication::palette().color(QPalette::WindowText));
  label->setPalette(grey);
  label->setAutoFillBackground(true);
  FitCaption(label);
  return label;
}

MarkedLineEdit* HalvessaWindow::addTextBox(TextBox& box, const QString& name, int l, int t, int w,
                                           int h, int tab, bool bold) {
  auto* edit = new MarkedLineEdit(client_);
  edit->setObjectName(name);
  edit->setGeometry(Px(l), Px(t), Px(w), Px(h));
  edit->setFont(bold ? BoxFont() : DefaultFont());

  const QPalette plain = edit->palette();
  auto show = [edit, &box, plain] {
    if (edit->text() != box.Text()) {
      // Only a real change is written back: rewriting the same text would move the
      // cursor of a box being typed in.
      const QSignalBlocker block(edit);
      edit->setText(box.Text());
      edit->setCursorPosition(0);
    }
    if (box.hasColours()) {
      QPalette coloured = plain;
      coloured.setColor(QPalette::Base, ToQColor(box.BackColor()));
      coloured.setColor(QPalette::Text, ToQColor(box.ForeColor()));
      if (edit->palette() != coloured) edit->setPalette(coloured);
    }
    edit->setMarked(box.marked());
  };
  box.viewUpdate = show;
  hooked_.push_back(&box);
  show();

  connect(edit, &QLineEdit::textEdited, this,
          [this, &box](const QString& text) { userAction([&] { box.userEdited(text); }); });

  tabs_.push_back({tab, edit});
  return edit;
}

QCheckBox* HalvessaWindow::addCheckBox(CheckBox& box, const QString& name, const QString& caption,
                                       int l, int t, int w, int h, int tab) {
  auto* check = new QCheckBox(caption, client_);
  check->setObjectName(name);
  check->setGeometry(Px(l), Px(t), Px(w), Px(h));
  // Opaque in the platform's face colour, so the caption reads on the dark background.
  QPalette face = check->palette();
  face.setColor(QPalette::Window, QApplication::palette().color(QPalette::Button));
  face.setColor(QPalette::WindowText, QApplication::palette().color(QPalette::WindowText));
  check->setPalette(face);
  check->setAutoFillBackground(true);
  if (caption.isEmpty()) check->setAccessibleName(name);

  auto show = [check, &box] {
    const QSignalBlocker block(check);
    check->setChecked(box.Value() != 0);
    check->setVisible(box.Visible());
  };
  box.viewUpdate = show;
  hooked_.push_back(&box);
  show();

  connect(check, &QCheckBox::clicked, this, [this, check, &box] {
    // The widget toggled itself; the model toggles from its own value and decides.
    userAction([&] { box.userClicked(); });
    const QSignalBlocker block(check);
    check->setChecked(box.Value() != 0);
  });

  tabs_.push_back({tab, check});
  return check;
}

QPushButton* HalvessaWindow::addButton(CommandButton& button, const char* name, int l, int t,
                                       int w, int h, int tab) {
  auto* push = new QPushButton(button.Caption(), client_);
  push->setObjectName(QString::fromLatin1(name));
  push->setGeometry(Px(l), Px(t), Px(w), Px(h));
  push->setFont(ButtonFont());
  push->setAutoDefault(false);

  auto show = [push, &button] {
    if (push->text() != button.Caption()) push->setText(button.Caption());
    push->setVisible(button.Visible());
  };
  button.viewUpdate = show;
  hooked_.push_back(&button);
  show();

  connect(push, &QPushButton::clicked, this,
          [this, &button] { userAction([&] { button.userClicked(); }); });
  // Return and Enter press a focused button, as Space does.
  push->installEventFilter(&returnPresses_);
  button.onFocusRequest = [push] { push->setFocus(Qt::OtherFocusReason); };
  connect(qApp, &QApplication::focusChanged, push,
          [push, &button](QWidget* before, QWidget* now) {
            if (before == push || now == push) button.userFocusChanged(now == push);
          });

  tabs_.push_back({tab, push});
  return push;
}

void HalvessaWindow::addMessageArea() {
  message_ = new QLabel(client_);
  message_->setObjectName(QStringLiteral("message"));
  message_->setTextFormat(Qt::PlainText);
  message_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  message_->setGeometry(0, Px(kClientHeightTwips), Px(kClientWidthTwips), kMessageHeight);
  message_->setContentsMargins(Px(300), 0, Px(300), 2);
  QPalette text = message_->palette();
  text.setColor(QPalette::WindowText, kMessageText);
  message_->setPalette(text);
  QFont bold = DefaultFont();
  bold.setWeight(QFont::Bold);
  message_->setFont(bold);

  model_.message.viewUpdate = [this] { showMessage(); };
  hooked_.push_back(&model_.message);
  showMessage();
}

void HalvessaWindow::showMessage() {
  const QString& full = model_.message.Text();
  const int room = message_->contentsRect().width();
  const QString shown =
      room > 0 ? message_->fontMetrics().elidedText(full, Qt::ElideRight, room) : full;
  message_->setText(shown);
  // The whole text is a hover away when it does not fit.
  message_->setToolTip(shown == full ? QString() : full);
}

void HalvessaWindow::applyTabOrder() {
  std::stable_sort(tabs_.begin(), tabs_.end(),
                   [](const TabEntry& a, const TabEntry& b) { return a.index < b.index; });
  tabOrder_.clear();
  for (const TabEntry& entry : tabs_) tabOrder_.push_back(entry.widget);
  for (std::size_t i = 1; i < tabOrder_.size(); ++i) setTabOrder(tabOrder_[i - 1], tabOrder_[i]);
  // The first box in the order takes the focus when the window opens.
  if (!tabOrder_.empty()) tabOrder_.front()->setFocus(Qt::OtherFocusReason);
}

void HalvessaWindow::centreOnScreen() {
  QScreen* where = screen() ? screen() : QGuiApplication::primaryScreen();
  if (!where) return;
  QRect frame = frameGeometry();
  frame.moveCenter(where->availableGeometry().center());
  move(frame.topLeft());
}

void HalvessaWindow::userAction(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::exception& e) {
    model_.message.setText(QString::fromLocal8Bit(e.what()));
  } catch (...) {
    model_.message.setText(QStringLiteral("An unexpected error ended the action."));
  }
}

// The box's whole text and the offset in force as its tool tip, made when asked for; the zone
// names of the database offered as one types, read the first time the box takes the focus.
void HalvessaWindow::helpTheZoneBox(QLineEdit* box) {
  new EventHook(box, [this, box](QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
      box->setToolTip(ZoneTip(model_.txtTz.Text(), model_.txtDate.Text(), model_.txtTime.Text()));
    } else if (event->type() == QEvent::FocusIn && box->completer() == nullptr) {
      QStringList names;
      for (const QByteArray& id : QTimeZone::availableTimeZoneIds()) names << QString::fromUtf8(id);
      auto* completer = new QCompleter(names, box);
      completer->setCaseSensitivity(Qt::CaseInsensitive);
      completer->setFilterMode(Qt::MatchContains);
      completer->popup()->setMinimumWidth(240);
      box->setCompleter(completer);
      // A name picked from the list is shown by the box, which tells no edit: the model takes it.
      const auto take = [this, box] {
        if (box->text() != model_.txtTz.Text()) {
          userAction([&] { model_.txtTz.userEdited(box->text()); });
        }
      };
      connect(completer, qOverload<const QString&>(&QCompleter::activated), box, take);
      connect(completer, qOverload<const QString&>(&QCompleter::highlighted), box, take);
    }
  });
}

int HalvessaWindow::fixedHeight() const { return kMenuHeight + client_->height(); }

int HalvessaWindow::roomForViews() const {
  const QScreen* where = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
  if (where == nullptr) return QWIDGETSIZE_MAX;
  const int frame = frameGeometry().height() - geometry().height();  // 0 until shown
  return where->availableGeometry().height() - frame - fixedHeight();
}

void HalvessaWindow::fitToViews() {
  setFixedSize(Px(kClientWidthTwips), fixedHeight() + views_->height());
  const QScreen* where = screen();
  if (!isVisible() || where == nullptr) return;
  const QRect room = where->availableGeometry();
  const QRect frame = frameGeometry();
  if (frame.bottom() > room.bottom()) {
    move(frame.left(), std::max(room.top(), frame.top() - (frame.bottom() - room.bottom())));
  }
}

void HalvessaWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!followsScreen_ && windowHandle() != nullptr) {
    followsScreen_ = true;
    connect(windowHandle(), &QWindow::screenChanged, this, [this] { views_->refit(); });
  }
  views_->refit();
}

void HalvessaWindow::dragEnterEvent(QDragEnterEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.size() == 1 && urls.front().isLocalFile()) event->acceptProposedAction();
}

void HalvessaWindow::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.size() != 1 || !urls.front().isLocalFile()) return;
  event->acceptProposedAction();
  const QString path = urls.front().toLocalFile();
  userAction([this, path] { views_->openDropped(path); });
}

void HalvessaWindow::closeEvent(QCloseEvent* event) {
  if (onClosed) userAction(onClosed);
  event->accept();
}

void HalvessaWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (message_) showMessage();
}

}  // namespace halvessa::window
