#include "window/qt/sky_view.h"

#include <QFontMetricsF>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

#include "window/qt/fonts.h"
#include "window/qt/panel_colours.h"
#include "window/views.h"

namespace halvessa::window {

namespace {

// The layout, in pixels of the view at its own size; paint() scales it to the rectangle.
constexpr double kCaptionHeight = 22;
constexpr double kLegendWidth = 196;
constexpr double kMargin = 22;  // room for the compass labels around the circle

const QColor kSky(246, 249, 253);
const QColor kRim(90, 90, 90);
const QColor kGrid(200, 205, 212);
const QColor kLabel(95, 95, 95);
const QColor kGround(128, 150, 104, 175);
const QColor kDayPath(215, 100, 0);
const QColor kSeasonPath(60, 85, 140);
const QColor kSunFill(255, 196, 0);
const QColor kSunEdge(200, 110, 0);

enum class State { kVisible, kHidden, kBelow };

State StateOf(const SkySun& s) {
  return s.below ? State::kBelow : s.hidden ? State::kHidden : State::kVisible;
}

QFont Small() {
  QFont f = DefaultFont();
  f.setPointSizeF(7.5);
  return f;
}

// Where the diagram's unit circle lies.
class Frame {
 public:
  Frame(QPointF centre, double radius) : centre_(centre), radius_(radius) {}
  QPointF at(double azimuth, double elevation) const {
    const SkyXY p = SkyPoint(azimuth, elevation);
    return {centre_.x() + radius_ * p.x, centre_.y() - radius_ * p.y};
  }
  // At a distance from the centre in pixels rather than an elevation.
  QPointF atRadius(double azimuth, double pixels) const {
    return at(azimuth, 90.0 - 90.0 * pixels / radius_);
  }
  QPointF centre() const { return centre_; }
  double radius() const { return radius_; }

 private:
  QPointF centre_;
  double radius_;
};

void CentredText(QPainter& p, QPointF at, const QString& text) {
  const QFontMetricsF fm(p.font());
  const QRectF box(at.x() - fm.horizontalAdvance(text) / 2 - 1, at.y() - fm.height() / 2,
                   fm.horizontalAdvance(text) + 2, fm.height());
  p.drawText(box, Qt::AlignCenter, text);
}

QPen PenFor(State state, const QColor& colour, double width) {
  QColor c = colour;
  QPen pen(c, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  if (state == State::kHidden) {
    c.setAlpha(150);
    pen.setColor(c);
    pen.setStyle(Qt::DashLine);
  } else if (state == State::kBelow) {
    c.setAlpha(90);
    pen.setColor(c);
    pen.setWidthF(std::max(1.0, width * 0.6));
    pen.setStyle(Qt::DotLine);
  }
  return pen;
}

// The path's points on the frame. The engine gives whole degrees of azimuth, which would draw
// as steps: for drawing only, the azimuth runs linearly through the middles between whole
// degrees, where it crossed from one to the next (the elevations are exact).
std::vector<QPointF> Positions(const Frame& f, const SkyPath& path) {
  const std::vector<SkySun>& pts = path.points;
  const std::size_t n = pts.size();
  std::vector<double> a(n);  // unwrapped across north
  for (std::size_t i = 0; i < n; ++i) {
    a[i] = pts[i].azimuth;
    if (i > 0) a[i] = a[i - 1] + std::remainder(pts[i].azimuth - pts[i - 1].azimuth, 360.0);
  }
  std::vector<std::pair<double, double>> knots;  // (index, azimuth) where a whole degree changes
  for (std::size_t i = 1; i < n; ++i) {
    if (a[i] != a[i - 1]) knots.emplace_back(static_cast<double>(i) - 0.5, (a[i] + a[i - 1]) / 2);
  }
  std::vector<QPointF> xy(n);
  std::size_t k = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const auto x = static_cast<double>(i);
    while (k < knots.size() && knots[k].first < x) ++k;
    double azimuth = a[i];
    if (k > 0 && k < knots.size()) {
      const auto& [x0, a0] = knots[k - 1];
      const auto& [x1, a1] = knots[k];
      azimuth = a0 + (a1 - a0) * (x - x0) / (x1 - x0);
    }
    xy[i] = f.at(azimuth, pts[i].elevation);
  }
  return xy;
}

// A point along the positions, between whole steps linearly.
QPointF Along(const std::vector<QPointF>& xy, double step) {
  if (xy.empty()) return {};
  const double at = std::clamp(step, 0.0, static_cast<double>(xy.size() - 1));
  const auto i = static_cast<std::size_t>(at);
  if (i + 1 >= xy.size()) return xy.back();
  return xy[i] + (xy[i + 1] - xy[i]) * (at - static_cast<double>(i));
}

// A path in runs of one state; each run ends on the first point of the next, so the line is
// unbroken.
void DrawPath(QPainter& p, const std::vector<QPointF>& xy, const SkyPath& path, const QColor& colour,
              double width) {
  const std::vector<SkySun>& pts = path.points;
  std::size_t i = 0;
  while (i < pts.size()) {
    const State state = StateOf(pts[i]);
    QPolygonF run;
    std::size_t j = i;
    while (j < pts.size() && StateOf(pts[j]) == state) run << xy[j++];
    if (j < pts.size()) run << xy[j];
    p.setPen(PenFor(state, colour, width));
    p.drawPolyline(run);
    i = j;
  }
}

double Highest(const SkyPath& path) {
  double h = -90;
  for (const SkySun& s : path.points) h = std::max(h, s.elevation);
  return h;
}

// The azimuth of the path's highest point.
double NoonAzimuth(const SkyPath& path) {
  const auto noon = std::max_element(path.points.begin(), path.points.end(),
                                     [](const SkySun& a, const SkySun& b) { return a.elevation < b.elevation; });
  return noon == path.points.end() ? 180 : noon->azimuth;
}

void DrawSun(QPainter& p, QPointF at, double r, bool hidden) {
  QColor fill = kSunFill;
  QColor edge = kSunEdge;
  if (hidden) {
    fill.setAlpha(110);
    edge.setAlpha(150);
  }
  p.setPen(QPen(edge, 1.3));
  for (int k = 0; k < 8; ++k) {
    const double a = k * 3.14159265358979323846 / 4;
    p.drawLine(QPointF(at.x() + (r + 2) * std::cos(a), at.y() + (r + 2) * std::sin(a)),
               QPointF(at.x() + (r + 5) * std::cos(a), at.y() + (r + 5) * std::sin(a)));
  }
  p.setBrush(fill);
  p.drawEllipse(at, r, r);
  p.setBrush(Qt::NoBrush);
}

void DrawPanel(QPainter& p, QPointF at, const SkyPanel& panel) {
  const QColor colour = PanelColour(panel.panel);
  p.setPen(QPen(Qt::white, 1.2));
  p.setBrush(panel.elevation < 0 ? QBrush(Qt::white) : QBrush(colour));
  if (panel.elevation < 0) p.setPen(QPen(colour, 1.6));
  p.drawEllipse(at, 7, 7);
  p.setBrush(Qt::NoBrush);
  QFont bold = BoxFont();
  bold.setPointSizeF(7.5);
  p.setFont(bold);
  p.setPen(panel.elevation < 0 ? colour : QColor(Qt::white));
  CentredText(p, at, panel.label);
}

void DrawGrid(QPainter& p, const Frame& f) {
  p.setBrush(kSky);
  p.setPen(Qt::NoPen);
  p.drawEllipse(f.centre(), f.radius(), f.radius());
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(kGrid, 0.8));
  for (int a = 0; a < 360; a += 30) p.drawLine(f.centre(), f.at(a, 0));
  for (double e : {30.0, 60.0}) {
    const double r = f.radius() * (90 - e) / 90;
    p.setPen(QPen(kGrid, 0.8, Qt::DashLine));
    p.drawEllipse(f.centre(), r, r);
  }
}

void DrawCompass(QPainter& p, const Frame& f, bool labelsNorth) {
  p.setPen(QPen(kRim, 1.2));
  p.drawEllipse(f.centre(), f.radius(), f.radius());
  for (int a = 0; a < 360; a += 10) {
    const double len = a % 30 == 0 ? 6 : 3;
    p.drawLine(f.atRadius(a, f.radius()), f.atRadius(a, f.radius() + len));
  }
  p.setFont(Small());
  p.setPen(kLabel);
  for (int a = 30; a < 360; a += 30) {
    if (a % 90 != 0) CentredText(p, f.atRadius(a, f.radius() + 14), QString::number(a));
  }
  p.setFont(BoxFont());
  p.setPen(Qt::black);
  const char* const names[] = {"N", "E", "S", "W"};
  for (int k = 0; k < 4; ++k) {
    CentredText(p, f.atRadius(90.0 * k, f.radius() + 13), QLatin1String(names[k]));
  }
  // The rings' elevations along the spoke the sun seldom crosses.
  p.setFont(Small());
  p.setPen(kLabel);
  const double spoke = labelsNorth ? 0 : 180;
  for (double e : {0.0, 30.0, 60.0}) {
    const QPointF at = f.at(spoke, e);
    p.drawText(QPointF(at.x() + 3, at.y() + (labelsNorth ? 11 : -3)),
               QStringLiteral("%1°").arg(e, 0, 'f', 0));
  }
}

// The ground between the rim and the horizon profile.
void DrawHorizon(QPainter& p, const Frame& f, const std::vector<site::Horizon::Point>& horizon) {
  if (horizon.empty()) return;
  QPolygonF profile;
  for (const site::Horizon::Point& h : horizon) profile << f.at(h.azimuth, std::max(0.0, h.height));
  QPainterPath ground;
  ground.addEllipse(f.centre(), f.radius(), f.radius());
  ground.addPolygon(profile);
  ground.closeSubpath();
  ground.setFillRule(Qt::OddEvenFill);
  p.setPen(Qt::NoPen);
  p.setBrush(kGround);
  p.drawPath(ground);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(kGround.darker(140), 1));
  p.drawPolygon(profile);
}

// A label beside a point of the diagram, moved along the radius (outward for side > 0).
QPointF Beside(const Frame& f, QPointF at, double side) {
  const QPointF from = at - f.centre();
  const double r = std::hypot(from.x(), from.y());
  if (r < 1e-9) return at + QPointF(0, side);
  return at + from * (side / r);
}

QRectF TextBox(const QFontMetricsF& fm, QPointF centre, const QString& text) {
  const double w = fm.horizontalAdvance(text) + 4;
  return {centre.x() - w / 2, centre.y() - fm.height() / 2, w, fm.height()};
}

// The day's whole hours, labelled on the side of the path away from its nearest season. Adds
// the labels' boxes to taken.
void DrawHours(QPainter& p, const Frame& f, const SkyDiagram& d, const std::vector<QPointF>& xy,
               std::vector<QRectF>& taken) {
  const double side = Highest(d.day) > Highest(d.seasons[0]) ? 14 : -14;
  p.setFont(Small());
  const QFontMetricsF fm(p.font());
  for (const SkyHour& h : d.day.hours) {
    if (h.sun.below) continue;
    const QPointF at = Along(xy, h.step);
    p.setPen(Qt::NoPen);
    p.setBrush(h.sun.hidden ? QColor(215, 100, 0, 120) : kDayPath);
    p.drawEllipse(at, 2.6, 2.6);
    p.setBrush(Qt::NoBrush);
    p.setPen(QColor(120, 55, 0));
    const QString text = QString::number(h.hour);
    CentredText(p, Beside(f, at, side), text);
    taken.push_back(TextBox(fm, Beside(f, at, side), text));
  }
}

// Each season's date near its noon, where the path runs across: toward the zenith for the
// highest path, outward for the others, on a faint white ground to stay readable over lines;
// a little before or after noon when a panel, the sun or a label stands there.
void DrawSeasonLabels(QPainter& p, const Frame& f, const SkyDiagram& d,
                      const std::array<std::vector<QPointF>, 4>& xy, std::vector<QRectF>& taken) {
  p.setFont(Small());
  const QFontMetricsF fm(p.font());
  double top = -90;
  for (const SkyPath& s : d.seasons) top = std::max(top, Highest(s));
  const auto hour = static_cast<std::ptrdiff_t>(3600 / std::max<std::int64_t>(d.stepSeconds, 1));
  const std::size_t labelled[] = {0, 1, 3};
  for (const std::size_t k : labelled) {
    const std::vector<SkySun>& pts = d.seasons[k].points;
    const auto noon = std::max_element(pts.begin(), pts.end(),
                                       [](const SkySun& a, const SkySun& b) { return a.elevation < b.elevation; });
    if (noon == pts.end() || noon->below) continue;
    const QString text = k == 0 ? d.seasons[0].label + QStringLiteral(", ") + d.seasons[2].label
                                : d.seasons[k].label;
    const double side = Highest(d.seasons[k]) == top ? -9 : 9;
    std::optional<QRectF> box;
    for (const double shift : {0.0, -1.5, 1.5, -3.0, 3.0, -4.5, 4.5}) {
      const std::ptrdiff_t i = (noon - pts.begin()) + static_cast<std::ptrdiff_t>(shift * static_cast<double>(hour));
      if (i < 0 || i >= static_cast<std::ptrdiff_t>(pts.size()) || pts[static_cast<std::size_t>(i)].below) continue;
      const QRectF candidate = TextBox(fm, Beside(f, xy[k][static_cast<std::size_t>(i)], side), text);
      if (!box) box = candidate;  // noon, should every place be taken
      if (std::none_of(taken.begin(), taken.end(), [&](const QRectF& r) { return r.intersects(candidate); })) {
        box = candidate;
        break;
      }
    }
    taken.push_back(*box);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 170));
    p.drawRoundedRect(*box, 3, 3);
    p.setBrush(Qt::NoBrush);
    p.setPen(kSeasonPath);
    CentredText(p, box->center(), text);
  }
}

void DrawLegend(QPainter& p, QRectF area, const SkyDiagram& d) {
  p.setFont(DefaultFont());
  const QFontMetricsF fm(p.font());
  double y = area.top() + fm.ascent();
  const double text = area.left() + 30;
  const auto line = [&](const QPen& pen, const QString& label) {
    p.setPen(pen);
    p.drawLine(QPointF(area.left(), y - fm.ascent() / 3), QPointF(area.left() + 24, y - fm.ascent() / 3));
    p.setPen(Qt::black);
    p.drawText(QPointF(text, y), label);
    y += fm.height() + 3;
  };
  line(PenFor(State::kVisible, kDayPath, 2.4), d.day.label + QStringLiteral(", the date shown"));
  line(PenFor(State::kVisible, kSeasonPath, 1.1), QStringLiteral("Solstices and equinoxes"));
  if (!d.horizon.empty()) {
    line(PenFor(State::kHidden, kSeasonPath, 1.1), QStringLiteral("Behind the horizon profile"));
  }
  line(PenFor(State::kBelow, kSeasonPath, 1.4), QStringLiteral("Below the horizon"));
  if (!d.horizon.empty()) {
    p.setPen(Qt::NoPen);
    p.setBrush(kGround);
    p.drawRect(QRectF(area.left() + 2, y - fm.ascent(), 20, fm.ascent()));
    p.setBrush(Qt::NoBrush);
    p.setPen(Qt::black);
    p.drawText(QPointF(text, y), QStringLiteral("Horizon profile"));
    y += fm.height() + 3;
  }
  y += 4;
  if (!d.sun.below) DrawSun(p, QPointF(area.left() + 12, y - fm.ascent() / 3), 4.5, d.sun.hidden);
  p.setPen(Qt::black);
  const QString where = QStringLiteral("%1°, %2°").arg(d.sun.azimuth, 0, 'f', 0).arg(d.sun.elevation, 0, 'f', 1);
  p.drawText(QPointF(text, y), d.sun.below ? QStringLiteral("%1: sun below the horizon").arg(d.time)
                               : d.sun.hidden ? QStringLiteral("%1: sun at %2, behind the horizon").arg(d.time, where)
                                              : QStringLiteral("%1: sun at %2").arg(d.time, where));
  y += fm.height() + 7;
  if (!d.panels.empty()) {
    p.drawText(QPointF(area.left(), y), QStringLiteral("Where each panel faces:"));
    y += fm.height() + 5;
  }
  for (const SkyPanel& panel : d.panels) {
    DrawPanel(p, QPointF(area.left() + 12, y - fm.ascent() / 3), panel);
    p.setFont(DefaultFont());
    p.setPen(Qt::black);
    p.drawText(QPointF(text, y), PanelCaption(panel.panel, panel.geometry));
    y += fm.height() + 6;
  }
}

}  // namespace

SkyView::SkyView(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("skyView"));
  setAccessibleName(QStringLiteral("Sky view"));
  resize(kWidth, kHeight);
}

void SkyView::setDiagram(std::optional<SkyDiagram> diagram) {
  diagram_ = std::move(diagram);
  update();
}

void SkyView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  paint(painter, QRectF(rect()));
}

void SkyView::paint(QPainter& p, const QRectF& rect) const {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  p.fillRect(rect, Qt::white);
  const double scale = std::min(rect.width() / kWidth, rect.height() / kHeight);
  p.translate(rect.center());
  p.scale(scale, scale);
  p.translate(-kWidth / 2.0, -kHeight / 2.0);

  p.setFont(BoxFont());
  p.setPen(Qt::black);
  const QRectF captionBox(8, 2, kWidth - 16, kCaptionHeight);
  if (!diagram_ || !diagram_->problem.isEmpty()) {
    p.drawText(captionBox, Qt::AlignLeft | Qt::AlignVCenter,
               diagram_ ? diagram_->problem : QStringLiteral("No moment computed yet"));
    p.restore();
    return;
  }
  const SkyDiagram& d = *diagram_;
  p.drawText(captionBox, Qt::AlignLeft | Qt::AlignVCenter,
             QFontMetricsF(p.font()).elidedText(d.caption, Qt::ElideRight, captionBox.width()));

  const double radius =
      std::min((kWidth - kLegendWidth) / 2.0 - kMargin, (kHeight - kCaptionHeight) / 2.0 - kMargin);
  const Frame f(QPointF(kMargin + 6 + radius, kCaptionHeight + (kHeight - kCaptionHeight) / 2.0), radius);
  // The sun's paths lie mostly toward the equator: the rings' labels go on the other side.
  const bool labelsNorth = NoonAzimuth(d.seasons[0]) > 90 && NoonAzimuth(d.seasons[0]) < 270;

  DrawGrid(p, f);
  DrawHorizon(p, f, d.horizon);

  std::array<std::vector<QPointF>, 4> seasons;
  for (std::size_t k = 0; k < seasons.size(); ++k) seasons[k] = Positions(f, d.seasons[k]);
  const std::vector<QPointF> day = Positions(f, d.day);

  // Paths below the horizon show a little beyond the rim only.
  p.save();
  QPainterPath clip;
  clip.addEllipse(f.centre(), radius + 7, radius + 7);
  p.setClipPath(clip);
  for (std::size_t k = 0; k < seasons.size(); ++k) DrawPath(p, seasons[k], d.seasons[k], kSeasonPath, 1.1);
  DrawPath(p, day, d.day, kDayPath, 2.4);
  p.restore();

  DrawCompass(p, f, labelsNorth);
  p.setPen(Qt::NoPen);
  p.setBrush(kSeasonPath);
  for (std::size_t k = 0; k < seasons.size(); ++k) {
    for (const SkyHour& h : d.seasons[k].hours) {
      if (!h.sun.below) p.drawEllipse(Along(seasons[k], h.step), 1.4, 1.4);
    }
  }
  p.setBrush(Qt::NoBrush);
  std::vector<QRectF> taken;
  for (const SkyPanel& panel : d.panels) {
    const QPointF at = f.at(panel.azimuth, std::max(0.0, panel.elevation));
    taken.emplace_back(at - QPointF(8, 8), QSizeF(16, 16));
  }
  const QPointF sun = f.at(d.sun.azimuth, d.sun.elevation);
  if (!d.sun.below) taken.emplace_back(sun - QPointF(10, 10), QSizeF(20, 20));
  DrawHours(p, f, d, day, taken);
  DrawSeasonLabels(p, f, d, seasons, taken);
  for (const SkyPanel& panel : d.panels) {
    DrawPanel(p, f.at(panel.azimuth, std::max(0.0, panel.elevation)), panel);
  }
  if (!d.sun.below) DrawSun(p, sun, 5.5, d.sun.hidden);

  DrawLegend(p, QRectF(kWidth - kLegendWidth + 4, kCaptionHeight + 14, kLegendWidth - 10,
                       kHeight - kCaptionHeight - 20),
             d);
  p.restore();
}

}  // namespace halvessa::window
