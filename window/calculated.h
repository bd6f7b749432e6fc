// What a procedure tells the views after it has computed a moment: the site and zone it used,
// the moment and the panels as it read them. The views only listen; nothing they do reaches
// back into the boxes or the logs.
#pragma once

#include <array>

#include "site/site.h"
#include "text/time_zone.h"

namespace halvessa::window {

struct FormModel;

struct Calculated {
  enum class Kind { kInstantView, kCalculation, kStep, kRollover };
  Kind kind = Kind::kCalculation;
  double latitude = 0;
  double longitude = 0;
  text::SiteZone zone = text::SiteZone::Fixed(0);
  double moment = 0;  // local day serial, to the second
  std::array<PanelGeometry, kPanelCount> panels{};
};

// Tells the model's listener, if any, with the panels from PanelGeom. A listener's failure
// stays with the listener: the procedure goes on as if nobody listened.
void NotifyCalculated(FormModel& model, Calculated::Kind kind, double latitude, double longitude,
                      const text::SiteZone& zone, double moment);

}  // namespace halvessa::window
