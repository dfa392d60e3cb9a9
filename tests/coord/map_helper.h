// What the window register tests and their helper process agree on: the
// helper's modes and the names of the objects they synchronise with. Every
// name starts with a prefix the test makes unique.
#pragma once

#include <string>

namespace maphelper {

// map_helper.exe stress <prefix> <index> <iterations> <result file>
//   registers and unregisters shared and own keys at random; released by
//   <prefix>_Go, reports its live registrations ("<kind> <hwnd> <key>" lines),
//   then waits for <prefix>_Exit with its windows alive. Exit code: number of
//   results that were not possible.
// map_helper.exe garbage <prefix> <section> <size> <pattern> <seed>
//   creates (or opens) the section, fills it, signals <prefix>_Ready and waits
//   for <prefix>_Exit. Pattern "scribble" keeps writing until then; "squat"
//   also takes the name of the section's mutex with an event.
// map_helper.exe abandon <prefix> <section>
//   takes the section's mutex, wipes the end marker as a writer dying half-way
//   through a claim would, and exits without letting go of the mutex.
// map_helper.exe hold <prefix> <section>
//   takes the section's mutex, signals <prefix>_Ready and keeps it until
//   <prefix>_Exit.

inline std::string Ready(const std::string& prefix) { return prefix + "_Ready"; }
inline std::string Go(const std::string& prefix) { return prefix + "_Go"; }
inline std::string Done(const std::string& prefix) { return prefix + "_Done"; }
inline std::string Exit(const std::string& prefix) { return prefix + "_Exit"; }

constexpr int kStressOwnKeys = 3;
constexpr int kStressSharedKeys = 3;  // plus one long shared key

inline std::string OwnKey(int index, int k) { return "Own-" + std::to_string(index) + "-" + std::to_string(k); }
inline std::string SharedKey(int k) { return "Shared-Printer-" + std::to_string(k); }
inline std::string LongSharedKey() { return std::string(300, 'L') + "-Shared"; }

}  // namespace maphelper
