// What the target-key tests stand on: printers in the real spooler, a model
// with its data file and driver keys, and the target bases of the current
// user emptied before and after each test.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "harness/test_support.h"

namespace vm2test {

extern const char kPrinterBase[];  // the KPLTarget base below HKEY_CURRENT_USER
extern const char kPortBase[];     // the KPNTarget base

// A printer added to the spooler under a name no other test uses, with a
// driver of this process's own; removed when it goes out of scope.
class TestPrinter {
public:
    explicit TestPrinter(const char* prefix = "vm2tk-prn");
    ~TestPrinter();
    TestPrinter(const TestPrinter&) = delete;
    TestPrinter& operator=(const TestPrinter&) = delete;

    const std::string& Name() const { return m_name; }
    bool Installed() const { return m_installed; }
    // Deletes the printer from the spooler now.
    void Remove();

private:
    std::string m_name;
    bool m_installed = false;
    bool m_counted = false;
};

// Whether the spooler can open a printer of that name.
bool PrinterExists(const std::string& name);

// A model whose data file has [Install] DRVNAME=<driver> and [<model>]
// with a "PrnDll" line (none when prnDll is empty) and then the given lines;
// optionally a copy of the built module as the printer DLL.
struct TestModel : InstalledModel {
    explicit TestModel(const std::string& modelSection, bool withPrinterDll = false,
                       const std::string& prnDll = "K_VM2PR2.dll");
    const std::string& Model() const { return model; }
    const std::string& Driver() const { return driver; }
    const std::string& DataFile() const { return dataFile; }
    const std::string& Folder() const { return dir.Path(); }
};

// Empties both target bases of the current user now and again at the end.
class CleanTargetBases {
public:
    CleanTargetBases();
    ~CleanTargetBases();
    CleanTargetBases(const CleanTargetBases&) = delete;
    CleanTargetBases& operator=(const CleanTargetBases&) = delete;
};

// "<base>\P%016d".
std::string TargetKeyPath(const char* base, int number);

// Creates a numbered key below a base with the given "Name" (none when
// name is null).
void MakeTargetKey(HKEY root, const std::string& base, int number, const char* name);

// Names of the subkeys of a key, in enumeration order.
std::vector<std::string> SubkeyNames(HKEY root, const std::string& path);

// A string value; "<missing>" when absent or not text.
std::string ReadString(HKEY root, const std::string& path, const char* value);
// A DWORD value; fallback when absent or of another type.
DWORD ReadDword(HKEY root, const std::string& path, const char* value, DWORD fallback = 0xBAADF00D);
bool HasValue(HKEY root, const std::string& path, const char* value);

}  // namespace vm2test
