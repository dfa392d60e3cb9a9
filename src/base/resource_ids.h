// Every resource id the module looks up in a resource DLL, and every control id
// of the templates it drives, in one place.
#pragma once

namespace vm2 {
namespace res {

// ------------------------------------------------------------ strings, sounds
constexpr int kDefaultTimerString = 1340;  // default monitoring interval, seconds
constexpr int kBuzzerWave = 17000;         // WAVE played as the printer's buzzer

// ---------------------------------------------------- window framework, controls
constexpr int kPictureSelectorYellow = 510;  // status picture from the "BMPYellow" file
constexpr int kPictureSelectorBlue = 511;    // ... "BMPBlue"
constexpr int kPictureSelectorRed = 512;     // ... "BMPRed"
constexpr int kAlternateStatusIcon = 765;    // the status icon alternates with it in icon mode 1
constexpr unsigned kControlTimerId = 20;     // animation timer of the picture and icon controls
constexpr unsigned kControlTimerPeriod = 500;  // ms

// ------------------------------------------------ status view, sound, trouble pages

// ------------------------------------------------------- status window, about box

// ------------------------------------------------------------------ preferences

}  // namespace res
}  // namespace vm2
