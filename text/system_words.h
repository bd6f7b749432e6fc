// The words that name the system's choices, in the calculator's options and in the window's
// remembered settings alike.
#pragma once

#include <utility>

#include "energy/pvwatts.h"
#include "pipeline/pipeline.h"

namespace halvessa::text {

inline constexpr std::pair<const char*, energy::Module> kModuleWords[] = {
    {"standard", energy::Module::standard},
    {"premium", energy::Module::premium},
    {"thin", energy::Module::thinFilm}};
inline constexpr std::pair<const char*, energy::Mount> kMountWords[] = {
    {"rack", energy::Mount::openRack}, {"roof", energy::Mount::roof}};
inline constexpr std::pair<const char*, pipeline::Transposition> kTranspositionWords[] = {
    {"perez", pipeline::Transposition::perez}, {"isotropic", pipeline::Transposition::isotropic}};

}  // namespace halvessa::text
