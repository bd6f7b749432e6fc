// Strict conversions of the window's boxes, and how their failures reach the user.
//
// An event procedure converts its inputs with StrictNumberOf / StrictDateOf before it
// writes any result. Every failure a box causes, a text that does not convert, a value out of
// range or a moment that leaves the calendar, is one InputError naming the box; it ends the
// procedure, and the procedure's entry point catches it with Guarded(), shows one line in the
// message area, e.g.
//   Latitude: "abc" is not a number.
// and marks the box. The next successful calculation clears the message and the marks.
#pragma once

#include <QString>

#include <functional>
#include <stdexcept>

#include "geometry/calendar.h"
#include "text/conversion_error.h"
#include "text/time_zone.h"
#include "window/form_model.h"

namespace halvessa::window {

// The boxes' names in messages, as the window's labels call them.
namespace label {
inline const QString Latitude = QStringLiteral("Latitude");
inline const QString Longitude = QStringLiteral("Longitude");
inline const QString TimeZone = QStringLiteral("Time zone");
inline const QString Date = QStringLiteral("Date");
inline const QString Time = QStringLiteral("Time");
inline const QString DateAndTime = QStringLiteral("Date and time");
inline const QString Sunset = QStringLiteral("Sunset");
inline const QString Jump = QStringLiteral("Jump time (m)");
// The refresh interval and the simulation speed share the caption "Update every (s)".
inline const QString RefreshInterval = QStringLiteral("Refresh interval (Update every (s))");
inline const QString SimulationSpeed = QStringLiteral("Simulation speed (Update every (s))");
}  // namespace label

class InputError : public std::runtime_error {
 public:
  // box may be null for a failure that belongs to no single box.
  InputError(TextBox* box, const QString& message);
  TextBox* box() const { return box_; }
  QString message() const;

 private:
  TextBox* box_;
};

// "label: message." with the box's label, the message alone when there is no label.
QString Labelled(const QString& label, const QString& message);

// Runs body and gives back what it returns. A failed conversion inside comes out as an
// InputError on box reading  label: <the conversion's message>.  and a calendar error as one
// reading  label: <outOfCalendar>.  (see Labelled). An InputError passes as it is.
template <typename Body>
auto OnBox(TextBox* box, const QString& label, Body&& body,
           const char* outOfCalendar = "the date lies outside the years 100 to 9999")
    -> decltype(body()) {
  try {
    return body();
  } catch (const text::ConversionError& e) {
    throw InputError(box, Labelled(label, e.message()));
  } catch (const CalendarRangeError&) {
    throw InputError(box, Labelled(label, QString::fromUtf8(outOfCalendar)));
  }
}

// The box's text by the strict number conversion; throws InputError naming label and text.
double StrictNumberOf(TextBox& box, const QString& label);

// The failure of a box whose value lies outside its range, e.g.
//   Latitude: "91" is outside -90 to 90.
InputError OutsideRange(TextBox& box, const QString& label, const char* range);

// A site value: the strict number conversion of the box, then its range (the range text
// names it in the message, e.g.  Latitude: "91" is outside -90 to 90.).
double SiteNumberOf(TextBox& box, const QString& label, bool (*inRange)(double),
                    const char* range);

// The time zone box: hours within the site's range, or a time zone name.
text::SiteZone SiteZoneOf(TextBox& box);

// The box's text (or a date and time text built from boxes) by the strict date conversion.
double StrictDateOf(TextBox& box, const QString& label);
double StrictDateOf(TextBox& box, const QString& label, const QString& text);

// The lenient number parse of the box. When its text is not wholly a number (blanks around it
// and a trailing "%" aside; an empty text is no slip), the message line says what was used, naming the box, e.g.
//   Jump time (m): "abc" holds no number; 0 is used.      Tilt1: "45,9" is read as 45.
// A notice is no error: nothing is marked and the procedure goes on. Notices of one procedure
// follow each other on the line; one already shown is not repeated.
double LenientNumberOf(FormModel& form, TextBox& box, const QString& label);

// Shows the failure in the message area and marks its box.
void Report(FormModel& form, const InputError& error);
void Report(FormModel& form, TextBox* box, const QString& message);

// Clears the message area and every mark.
void ClearReport(FormModel& form);

// Runs body; the failure of a box thrown inside (see OnBox; one of no box in particular reads
// "The date lies outside the years 100 to 9999.") is reported instead of escaping into the
// event loop. Returns false when body failed.
bool Guarded(FormModel& form, const std::function<void()>& body);

}  // namespace halvessa::window
