// Printers the communication tests use, installed once per test run by
// comm_printers_setup.exe through the kit's installer.
#pragma once

namespace commtest {

constexpr char kUsb[] = "KX-9100 Demo USB";
constexpr char kLpt[] = "KX-9100 Demo LPT";
constexpr char kNet[] = "KX-9100 Demo Network";
constexpr char kNoSend[] = "KBTest NoSend";         // library lacking KBSend
constexpr char kNoStatus[] = "KBTest NoStatus";     // library lacking KBGetStatus
constexpr char kMissingLib[] = "KBTest MissingLib";  // printer data names no file
constexpr char kLongData[] = "KBTest LongData";      // printer data of 300 characters
constexpr char kNoData[] = "KBTest NoData";          // no "KBAPIB6Namex86" at all

}  // namespace commtest
