// The printer an operation works on, as the host named it. The layers below
// the exports take it as an argument; only the application object keeps one
// for the process.
#pragma once

#include <string>

namespace vm2 {

struct PrinterContext {
    std::string printer;  // spooler name; empty when the printer is known by its port only
    std::string driver;
    std::string port;
    std::string model;    // model ID, the section of the data file
    std::string datFile;  // the model's data file; empty when none was found
};

}  // namespace vm2
