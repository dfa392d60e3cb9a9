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
constexpr int kTitleString = 1100;         // title prefix "<1100> : <printer>", caption of every message box
constexpr int kNoStatusIcon = 750;         // status icon when the status names none
constexpr int kTroubleTemplate = 103;      // trouble dialog
constexpr int kTroublePagesBase = 11010;   // RCDATA 11010 + help table number

// Controls of the status window's template 102 that the status view drives.
constexpr int kCtlStatusPicture = 210;
constexpr int kCtlStatusMessage = 212;
constexpr int kCtlHelpButton = 215;        // also its command id
constexpr int kCtlHelpCompanion = 241;     // shown and enabled with the help button
constexpr int kCtlViewBottom = 380;        // hidden marker: its top edge is the view's bottom
constexpr int kCtlStatusIcon = 383;
constexpr int kCtlStatusTitle = 384;

// Controls of the trouble dialog's template 103.
constexpr int kCtlTroublePicture = 230;
constexpr int kCtlTroubleText = 231;
constexpr int kCtlTroubleBack = 232;
constexpr int kCtlTroubleNext = 233;
constexpr int kCtlTroubleClose = 234;

// ------------------------------------------------------- status window, about box
constexpr int kStatusTemplate = 102;       // the status window
constexpr int kAboutTemplate = 104;        // the about box
constexpr int kWindowIcon = 621;           // small and big icon of the status window
constexpr int kAboutMenuString = 1131;     // system-menu item of the about box
constexpr int kRegisterFailedString = 1202;  // the shared window register is not usable
constexpr int kNoDriverString = 1223;      // the printer's driver, or its data file, is not found
constexpr int kPortReplacedString = 1233;  // communication error boxes: "RST_FREPLACE"
constexpr int kLibraryInUseString = 1234;  // "ERR_KBAPIINUSE"
constexpr int kComOthersString = 1235;     // "ERR_OTHERS"
// Version controls of the about box.
constexpr int kCtlAboutPackage = 289;
constexpr int kCtlAboutEnv = 290;
constexpr int kCtlAboutModule = 291;
constexpr int kCtlAboutLibrary = 292;
constexpr int kCtlAboutRcv = 293;
constexpr int kCtlAboutSpare1 = 294;
constexpr int kCtlAboutSpare2 = 295;

// ------------------------------------------------------------------ preferences
// Dialog templates: printer without / with a beep buzzer.
constexpr int kPrefsTemplate = 100;
constexpr int kPrefsTemplateBuzzer = 110;
// Strings
constexpr int kHelpMenuString = 244;        // the context menu's one item
constexpr int kNotifyCountString = 1000;    // number of notification items, decimal
constexpr int kNotifyFirstText = 1001;      // item texts from here on
constexpr int kNotifyColumnEvent = 1120;    // column titles
constexpr int kNotifyColumnState = 1121;
constexpr int kNotifyStateOn = 1122;        // state texts
constexpr int kNotifyStateOff = 1123;
constexpr int kAgentFailedMessage = 1225;
constexpr int kNwlinkAgentMessage = 1226;
constexpr int kNwlinkAgentSt2Message = 1230;
constexpr int kPrefsTitle = 1360;           // also the wait dialog's title
// Bitmaps: notification state images; tray icon preview off, choices 0-2.
constexpr int kNotifyStateBitmap = 400;
constexpr int kTrayPreviewOff = 500;
constexpr int kTrayPreviewFirst = 501;
// Icons
constexpr int kPrefsIcon = 611;
constexpr int kSpeakerIcon = 612;
constexpr int kTrayIconFirst = 700;         // 700, 701, 702
constexpr int kTrayIconCount = 3;
// Commands and controls
constexpr int kHelpMenuCommand = 243;
constexpr int kIdHelp = 9;
constexpr int kIdNotifyList = 200;
constexpr int kIdSpeakerIcon = 201;
constexpr int kIdSound = 202;
constexpr int kIdDefault = 203;
constexpr int kIdPrefsIcon = 204;
constexpr int kIdTrayIconList = 205;
constexpr int kIdTrayEnable = 206;
constexpr int kIdTrayPreview = 207;
constexpr int kIdAgent = 208;
constexpr int kIdAgentSt2 = 209;
constexpr int kIdNotifyFrame = 220;
constexpr int kIdTrayFrame = 221;
constexpr int kIdFrame222 = 222;
constexpr int kIdFrame223 = 223;
constexpr int kIdBuzzer = 392;
constexpr int kIdLoopBuzzer = 393;

// ------------------------------------------------------------------ wait dialog
// Shown while the agent settings program works; its title is string 1360.
constexpr int kWaitTemplate = 111;
constexpr int kWaitTextString = 3003;   // text of control 222
constexpr int kCtlWaitText = 222;

}  // namespace res
}  // namespace vm2
