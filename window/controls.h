// The window model: the kinds of control the event procedures work with, offering exactly
// the operations they use, with the event semantics the procedures rely on. The model holds
// the state; a view (the Qt binding) mirrors it and reports what the user does.
//
//  - TextBox: writing Text runs the Change handler (if any) before the write returns;
//    a user's edit does the same.
//  - CheckBox: writing a Value that differs runs the Click handler before the write
//    returns; writing the current Value runs nothing. A user's click toggles and runs Click.
//  - Timer: Interval 0..65535 ms (anything else throws and the interval stays), Enabled.
//    Ticks only while Enabled and Interval > 0; writing Interval restarts the count, and so
//    does Enabled going from false to true.
#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>

#include "window/platform.h"

namespace halvessa::window {

// A colour as one number: red in the low byte, then green, then blue.
using Colour = std::uint32_t;
inline constexpr Colour kRed = 255;
inline constexpr Colour kGreen = 65280;
inline constexpr Colour kWhite = 16777215;
inline constexpr Colour kBlack = 0;

// Observer hook through which a view learns that the model changed.
class Control {
 public:
  std::function<void()> viewUpdate;

 protected:
  void notifyView() const {
    if (viewUpdate) viewUpdate();
  }
};

class TextBox : public Control {
 public:
  explicit TextBox(QString text = {}) : text_(std::move(text)) {}

  const QString& Text() const { return text_; }
  void setText(const QString& text) {
    text_ = text;
    notifyView();
    if (onChange) onChange();
  }
  // The user typed: the view already shows the text.
  void userEdited(const QString& text) {
    text_ = text;
    if (onChange) onChange();
  }

  // Default colours mean "the platform's own"; BackColor/ForeColor writes replace them.
  bool hasColours() const { return hasColours_; }
  Colour BackColor() const { return back_; }
  Colour ForeColor() const { return fore_; }
  void setBackColor(Colour c) {
    back_ = c;
    hasColours_ = true;
    notifyView();
  }
  void setForeColor(Colour c) {
    fore_ = c;
    hasColours_ = true;
    notifyView();
  }

  // A box whose text failed to convert is marked until a later success clears it.
  bool marked() const { return marked_; }
  void setMarked(bool m) {
    if (m == marked_) return;
    marked_ = m;
    notifyView();
  }

  std::function<void()> onChange;

 private:
  QString text_;
  Colour back_ = kWhite;
  Colour fore_ = kBlack;
  bool hasColours_ = false;
  bool marked_ = false;
};

class CheckBox : public Control {
 public:
  explicit CheckBox(int value = 0, bool visible = true) : value_(value), visible_(visible) {}

  int Value() const { return value_; }
  void setValue(int value) {
    if (value == value_) return;
    value_ = value;
    notifyView();
    if (onClick) onClick();
  }
  void userClicked() {
    value_ = value_ ? 0 : 1;
    notifyView();
    if (onClick) onClick();
  }

  bool Visible() const { return visible_; }
  void setVisible(bool v) {
    visible_ = v;
    notifyView();
  }

  std::function<void()> onClick;

 private:
  int value_;
  bool visible_;
};

class CommandButton : public Control {
 public:
  explicit CommandButton(QString caption, bool visible = true)
      : caption_(std::move(caption)), visible_(visible) {}

  const QString& Caption() const { return caption_; }
  void setCaption(const QString& c) {
    caption_ = c;
    notifyView();
  }
  bool Visible() const { return visible_; }
  void setVisible(bool v) {
    visible_ = v;
    notifyView();
  }
  void userClicked() const {
    if (onClick) onClick();
  }

  // Keyboard focus: the view reports where it is and carries out setFocus().
  bool HasFocus() const { return focused_; }
  void userFocusChanged(bool focused) { focused_ = focused; }
  void setFocus() {
    focused_ = true;
    if (onFocusRequest) onFocusRequest();
  }

  std::function<void()> onClick;
  std::function<void()> onFocusRequest;

 private:
  QString caption_;
  bool visible_;
  bool focused_ = false;
};

class Timer {
 public:
  Timer() = default;

  // Connects the timer to the platform; until then it cannot tick.
  void attach(Platform& platform) {
    backend_ = platform.createTimer([this] {
      if (onTimer) onTimer();
    });
    reschedule();
  }

  int Interval() const { return interval_; }
  void setInterval(long long ms) {
    if (ms < 0 || ms > 65535) throw std::out_of_range("timer interval outside 0 to 65535 ms");
    interval_ = static_cast<int>(ms);
    reschedule();
  }
  bool Enabled() const { return enabled_; }
  void setEnabled(bool e) {
    const bool wasEnabled = enabled_;
    enabled_ = e;
    if (e != wasEnabled) reschedule();
  }
  bool ticking() const { return enabled_ && interval_ > 0; }

  std::function<void()> onTimer;

 private:
  void reschedule() {
    if (!backend_) return;
    if (ticking()) {
      backend_->start(interval_);
    } else {
      backend_->stop();
    }
  }

  int interval_ = 0;
  bool enabled_ = true;
  std::unique_ptr<PeriodicTimer> backend_;
};

// Members 1 to 5, indexed by panel number; any other index throws.
template <typename T>
class ControlArray {
 public:
  static constexpr int kFirst = 1;
  static constexpr int kLast = 5;

  template <typename... Args>
  explicit ControlArray(Args&&... members) : members_{std::forward<Args>(members)...} {}

  T& operator()(int i) { return members_.at(index(i)); }
  const T& operator()(int i) const { return members_.at(index(i)); }

 private:
  static std::size_t index(int i) {
    if (i < kFirst || i > kLast) throw std::out_of_range("control array index outside 1 to 5");
    return static_cast<std::size_t>(i - kFirst);
  }
  std::array<T, 5> members_;
};

}  // namespace halvessa::window
