// Every resource id the module looks up in a resource DLL, and every control id
// of the templates it drives, in one place.
#pragma once

namespace vm2 {
namespace res {

// ------------------------------------------------------------ strings, sounds
constexpr int kDefaultTimerString = 1340;  // default monitoring interval, seconds
constexpr int kBuzzerWave = 17000;         // WAVE played as the printer's buzzer

// ---------------------------------------------------- window framework, controls

// ------------------------------------------------ status view, sound, trouble pages

// ------------------------------------------------------- status window, about box

// ------------------------------------------------------------------ preferences

}  // namespace res
}  // namespace vm2
