#include "window/input.h"

#include <QRegularExpression>

#include "geometry/calendar.h"
#include "site/site.h"
#include "text/convert.h"

namespace halvessa::window {

InputError::InputError(TextBox* box, const QString& message)
    : std::runtime_error(message.toStdString()), box_(box) {}

QString InputError::message() const { return QString::fromStdString(what()); }

QString Labelled(const QString& label, const QString& message) {
  if (label.isEmpty()) return message;
  return label + QStringLiteral(": ") + message + QStringLiteral(".");
}

namespace {

void ForEachBox(FormModel& f, const std::function<void(TextBox&)>& visit) {
  for (TextBox* b : {&f.txtDate, &f.txtTime, &f.txtSunrise, &f.txtSunset, &f.txtLat, &f.txtLon,
                     &f.txtTz, &f.txtSunAzimuth, &f.txtSunElevation, &f.Speed, &f.refresshInt,
                     &f.jump}) {
    visit(*b);
  }
  for (int i = 1; i <= 5; ++i) {
    visit(f.txtAz(i));
    visit(f.txtTilt(i));
    visit(f.txtAOI(i));
    visit(f.txtProd(i));
  }
}

}  // namespace

double StrictNumberOf(TextBox& box, const QString& label) {
  return OnBox(&box, label, [&] { return text::StrictNumber(box.Text()); });
}

InputError OutsideRange(TextBox& box, const QString& label, const char* range) {
  return InputError(&box, Labelled(label, text::Quoted(box.Text()) + QStringLiteral(" is outside ") +
                                              QLatin1String(range)));
}

double SiteNumberOf(TextBox& box, const QString& label, bool (*inRange)(double),
                    const char* range) {
  const double value = StrictNumberOf(box, label);
  if (!inRange(value)) throw OutsideRange(box, label, range);
  return value;
}

text::SiteZone SiteZoneOf(TextBox& box) {
  const text::SiteZone zone =
      OnBox(&box, label::TimeZone, [&] { return text::StrictTimeZone(box.Text()); });
  if (!zone.inSiteRange()) throw OutsideRange(box, label::TimeZone, kTimeZoneRange);
  return zone;
}

double StrictDateOf(TextBox& box, const QString& label) {
  return StrictDateOf(box, label, box.Text());
}

double StrictDateOf(TextBox& box, const QString& label, const QString& text) {
  return OnBox(&box, label, [&] { return text::StrictDate(text); });
}

double LenientNumberOf(FormModel& form, TextBox& box, const QString& label) {
  const QString text = box.Text();
  const double value = text::LenientNumber(text);
  QString plain = text.trimmed();
  if (plain.endsWith(QLatin1Char('%'))) plain.chop(1);
  static const QRegularExpression kWholeNumber(
      QStringLiteral(R"(^\s*[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$)"));
  // An empty box is no number by intent (a panel not in use), not a slip.
  if (plain.trimmed().isEmpty() || kWholeNumber.match(plain).hasMatch()) return value;

  const QString notice =
      label + QStringLiteral(": ") + text::Quoted(text) +
      (value == 0 && !text.contains(QRegularExpression(QStringLiteral("\\d")))
           ? QStringLiteral(" holds no number; 0 is used.")
           : QStringLiteral(" is read as ") + QString::fromStdString(text::ShortestNumber(value)) +
                 QStringLiteral("."));
  const QString shown = form.message.Text();
  if (shown.isEmpty()) {
    form.message.setText(notice);
  } else if (!shown.contains(notice)) {
    form.message.setText(shown + QLatin1Char(' ') + notice);
  }
  return value;
}

void Report(FormModel& form, const InputError& error) { Report(form, error.box(), error.message()); }

void Report(FormModel& form, TextBox* box, const QString& message) {
  ForEachBox(form, [box](TextBox& b) { b.setMarked(&b == box); });
  form.message.setText(message);
}

void ClearReport(FormModel& form) {
  ForEachBox(form, [](TextBox& b) { b.setMarked(false); });
  if (!form.message.Text().isEmpty()) form.message.setText(QString());
}

bool Guarded(FormModel& form, const std::function<void()>& body) {
  try {
    OnBox(nullptr, QString(), body, "The date lies outside the years 100 to 9999.");
    return true;
  } catch (const InputError& e) {
    Report(form, e);
    return false;
  }
}

}  // namespace halvessa::window
