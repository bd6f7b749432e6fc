// The Sky view: the sun-path diagram of window/sky.h drawn with QPainter. paint() draws into
// any rectangle of any painter (the widget, a PNG, an SVG); the widget only holds the diagram.
#pragma once

#include <QPainter>
#include <QRectF>
#include <QWidget>

#include <optional>

#include "window/sky.h"

namespace halvessa::window {

class SkyView : public QWidget {
 public:
  static constexpr int kWidth = 602;
  static constexpr int kHeight = 380;

  explicit SkyView(QWidget* parent = nullptr);

  // Nothing: "No moment computed yet".
  void setDiagram(std::optional<SkyDiagram> diagram);
  const std::optional<SkyDiagram>& diagram() const { return diagram_; }

  // Draws the whole view, caption and legend included, scaled to fit rect.
  void paint(QPainter& painter, const QRectF& rect) const;

  QSize sizeHint() const override { return {kWidth, kHeight}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::optional<SkyDiagram> diagram_;
};

}  // namespace halvessa::window
