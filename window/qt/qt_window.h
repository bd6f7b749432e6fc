// The window on screen: a fixed-size QWidget holding one child widget per control of the
// window model. Each widget mirrors its control through the control's viewUpdate hook and
// reports what the user does (typing, clicks) to the control; the model stays the truth.
#pragma once

#include <QFont>
#include <QSettings>
#include <QLineEdit>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

#include "window/form_model.h"
#include "window/qt/views_section.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace halvessa::window {

class ViewsSection;

// A text box that can carry the mark of a failed conversion: a red frame over its border.
class MarkedLineEdit : public QLineEdit {
  Q_OBJECT
 public:
  using QLineEdit::QLineEdit;

  bool marked() const { return marked_; }
  void setMarked(bool marked);

  static QColor markColour() { return {220, 0, 0}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  bool marked_ = false;
};

// Makes Return and Enter press the focused button it watches.
class ReturnPresses : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

class HalvessaWindow : public QWidget {
  Q_OBJECT
 public:
  // The model must outlive the window. Every control gets its widget, placed and styled,
  // and shows the model's present state.
  // system: the sky and system the views compute with, remembered; without one the window
  // keeps its own, remembered in the user's configuration.
  explicit HalvessaWindow(FormModel& model, QWidget* parent = nullptr, SystemModel* system = nullptr);
  ~HalvessaWindow() override;

  HalvessaWindow(const HalvessaWindow&) = delete;
  HalvessaWindow& operator=(const HalvessaWindow&) = delete;

  // Called when the user closes the window (before it hides).
  std::function<void()> onClosed;

  // The layout's unit: 15 twips to a pixel, rounded to the nearest pixel.
  static constexpr int Px(int twips) { return (twips + 7) / 15; }
  static constexpr int kClientWidthTwips = 9030;
  static constexpr int kClientHeightTwips = 5040;
  static constexpr int kMessageHeight = 22;
  // The menu bar above the client area.
  static constexpr int kMenuHeight = ViewsSection::kMenuHeight;

  // Makes the window's default font (DefaultFont, window/qt/fonts.h) the whole program's.
  static void setApplicationFont();

  // The widgets in keyboard focus order (labels excluded; hidden ones are skipped by Qt).
  const std::vector<QWidget*>& tabOrder() const { return tabOrder_; }

  // The message area below the layout.
  QLabel* messageArea() const { return message_; }

  // Moves the window to the middle of the screen it is on.
  void centreOnScreen();

  // The client area: the original layout and the message line, at their own coordinates.
  QWidget* clientArea() const { return client_; }
  // The menu bar and the day and year views below the client area.
  ViewsSection& views() const { return *views_; }
  // The window's height follows the views' section below the client area, within the room its
  // screen has, and the window moves up as far as needed to stay on the screen; its width never
  // changes.
  void fitToViews();

 protected:
  void closeEvent(QCloseEvent* event) override;
  // A weather or horizon file dropped on the window opens it.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  struct TabEntry {
    int index;
    QWidget* widget;
  };

  QLabel* addLabel(const char* name, const QString& caption, int l, int t, int w, int h);
  MarkedLineEdit* addTextBox(TextBox& box, const QString& name, int l, int t, int w, int h,
                             int tab, bool bold = true);
  QCheckBox* addCheckBox(CheckBox& box, const QString& name, const QString& caption, int l,
                         int t, int w, int h, int tab);
  QPushButton* addButton(CommandButton& button, const char* name, int l, int t, int w, int h,
                         int tab);
  void addMessageArea();
  void showMessage();
  void applyTabOrder();
  void helpTheZoneBox(QLineEdit* box);
  // The height of the menu bar, the client area and the message line.
  int fixedHeight() const;
  // The height the views' section may take on the window's screen.
  int roomForViews() const;

  // Runs a model call made on the user's behalf; an exception that escapes it is shown in
  // the message area instead of unwinding through Qt's event loop.
  void userAction(const std::function<void()>& action);

  FormModel& model_;
  std::unique_ptr<QSettings> ownSettings_;
  std::unique_ptr<SystemModel> ownSystem_;
  QWidget* client_ = nullptr;
  std::unique_ptr<ViewsSection> views_;
  ReturnPresses returnPresses_;
  QLabel* message_ = nullptr;
  std::vector<TabEntry> tabs_;
  std::vector<QWidget*> tabOrder_;
  std::vector<Control*> hooked_;
  bool followsScreen_ = false;
};

}  // namespace halvessa::window
