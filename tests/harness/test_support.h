// Shared helpers of the Windows tests: registry and file sandboxes, and a
// watcher that finds a window the code under test shows, reads it and closes
// it the way a user would.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace vm2test {

// A name no other test (or test process) uses: prefix-pid-counter.
std::string UniqueName(const char* prefix);

// Deletes the key and everything below it when it goes out of scope.
class ScopedRegKey {
public:
    ScopedRegKey(HKEY root, std::string path);
    ~ScopedRegKey();
    ScopedRegKey(const ScopedRegKey&) = delete;
    ScopedRegKey& operator=(const ScopedRegKey&) = delete;

    const std::string& Path() const { return m_path; }
    void SetString(const char* name, const std::string& value, DWORD type = REG_SZ);
    void SetDword(const char* name, DWORD value);
    void SetBinary(const char* name, const void* data, DWORD size);

private:
    HKEY m_root;
    std::string m_path;
};

bool RegKeyExists(HKEY root, const std::string& path);
void DeleteRegTree(HKEY root, const std::string& path);

// A fresh folder under the temporary folder, removed with its files.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_path; }  // no trailing backslash
    std::string File(const std::string& name) const { return m_path + "\\" + name; }
    std::string Write(const std::string& name, const std::string& content) const;

private:
    std::string m_path;
};

std::string ReadFileText(const std::string& path);
bool WriteFileText(const std::string& path, const std::string& content);

// A program of the test's own started from a command line. The destructor
// waits for it (at most 30 s, then ends it), so no test leaves one running.
class ChildProcess {
public:
    // With pOutput, the child's standard output and error are collected
    // there by Wait().
    explicit ChildProcess(const std::string& commandLine, std::string* pOutput = nullptr);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    HANDLE Process() const { return m_process; }
    // The exit code, or 0xDEAD when the program did not start or end in time.
    DWORD Wait(DWORD ms = 60000);

private:
    HANDLE m_process = nullptr;
    HANDLE m_output = nullptr;
    std::string* m_pOutput = nullptr;
};

// Folder of the test programs (and of the built DLLs).
std::string BinDir();
std::string ModuleDllPath();

// A model of its own installed the way the module finds it: an install
// folder and a driver key, removed at the end with the model's value in the
// Profile key.
class InstalledModel {
public:
    InstalledModel();
    // The kit's model: that data file of the test folder as "KX9100.INI",
    // the kit's resource DLL and sound library beside it, the resource DLL
    // loaded as data (hResDll).
    explicit InstalledModel(const char* kitDataFile);
    ~InstalledModel();
    InstalledModel(const InstalledModel&) = delete;
    InstalledModel& operator=(const InstalledModel&) = delete;

    // Writes the data file into the folder and names it wherever the module
    // looks: "InstallPath" and "Profile" of the driver key, the Profile key.
    const std::string& Install(const std::string& text, const char* fileName = "model.ini");
    void SetProfileValue(const std::string& path) const;  // the Profile key's value for the model

    const std::string model, driver;
    ScopedRegKey driverKey;
    TempDir dir;
    std::string dataFile;
    HMODULE hResDll = nullptr;
};

// What a user sees of a top-level window: its class, caption and the texts
// of its child controls in z-order.
struct WindowSnapshot {
    bool found = false;
    std::string className;
    std::string caption;
    std::vector<std::string> childTexts;
    std::string AllText() const;
};

// Dispatches this thread's messages for about nMs ms.
void Pump(DWORD nMs);

// Saves the window as the X display shows it, as a user sees it, to
// <build>/screenshots/<name>.png with ImageMagick's "import"; false when
// that did not work. The window's thread must be pumping, or be this one.
bool Screenshot(HWND hWnd, const std::string& name);

// Asks done() every 25 ms until it answers true or ms have passed; its
// last answer.
bool WaitUntil(const std::function<bool()>& done, DWORD ms);

// Watches, from a thread of its own, for a visible top-level window of this
// process whose caption (or, if caption is empty, class) matches; then reads
// it and runs the action (by default: presses the button with id IDOK, else
// closes the window). Join() waits for the watcher and returns what it saw.
class WindowWatch {
public:
    using Action = std::function<void(HWND)>;
    WindowWatch(std::string caption, std::string className = std::string(), DWORD timeoutMs = 10000,
                Action action = Action());
    ~WindowWatch();
    WindowWatch(const WindowWatch&) = delete;
    WindowWatch& operator=(const WindowWatch&) = delete;

    WindowSnapshot Join();

    static void PressButton(HWND dialog, int id);

private:
    static DWORD WINAPI ThreadMain(void* self);
    void Run();

    std::string m_caption;
    std::string m_className;
    DWORD m_timeoutMs;
    Action m_action;
    WindowSnapshot m_snapshot;
    HANDLE m_thread = nullptr;
};

}  // namespace vm2test
