// What the window register tests and their helper process agree on. Every
// event, semaphore and file name starts with a prefix the test makes unique.
//   map_helper stress <prefix> <index> <iterations> <result file>
//     waits for <prefix>_Go, registers and unregisters shared and own keys at
//     random, writes its live registrations ("<kind> <hwnd> <key>" lines),
//     releases <prefix>_Done and waits for <prefix>_Exit with its windows
//     alive. Exit code: the number of results that were not possible.
//   map_helper garbage <prefix> <section> <size> zero|random|scribble|squat <seed>
//     fills the section, sets <prefix>_Ready and waits for <prefix>_Exit;
//     "scribble" keeps writing until then, "squat" also takes the name of the
//     section's mutex with an event.
//   map_helper hold <prefix> <section> [die]
//     takes the section's mutex, sets <prefix>_Ready and keeps it until
//     <prefix>_Exit; with "die" it wipes the end marker instead, as a writer
//     dying half-way through a claim would, and exits holding the mutex.
#pragma once

#include <string>

namespace maphelper {

inline std::string Name(const std::string& prefix, const char* what) { return prefix + "_" + what; }

constexpr int kStressOwnKeys = 3;
constexpr int kStressSharedKeys = 3;  // plus one long shared key

inline std::string SharedKey(int k) { return "Shared-Printer-" + std::to_string(k); }
inline std::string LongSharedKey() { return std::string(300, 'L') + "-Shared"; }

}  // namespace maphelper
