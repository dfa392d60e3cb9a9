#include "harness/test_support.h"

#include <mmsystem.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "config/regpaths.h"

namespace vm2test {

std::string UniqueName(const char* prefix)
{
    static LONG counter = 0;
    char buf[96];
    snprintf(buf, sizeof(buf), "%s-%lu-%ld", prefix, GetCurrentProcessId(), InterlockedIncrement(&counter));
    return buf;
}

// ------------------------------------------------------------- registry

void DeleteRegTree(HKEY root, const std::string& path)
{
    RegDeleteTreeA(root, path.c_str());
    RegDeleteKeyA(root, path.c_str());
}

bool RegKeyExists(HKEY root, const std::string& path)
{
    HKEY h = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
    RegCloseKey(h);
    return true;
}

ScopedRegKey::ScopedRegKey(HKEY root, std::string path) : m_root(root), m_path(std::move(path))
{
    HKEY h = nullptr;
    if (RegCreateKeyExA(m_root, m_path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr) == ERROR_SUCCESS)
        RegCloseKey(h);
}

ScopedRegKey::~ScopedRegKey() { DeleteRegTree(m_root, m_path); }

void ScopedRegKey::SetString(const char* name, const std::string& value, DWORD type)
{
    RegSetKeyValueA(m_root, m_path.c_str(), name, type, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

void ScopedRegKey::SetDword(const char* name, DWORD value)
{
    RegSetKeyValueA(m_root, m_path.c_str(), name, REG_DWORD, &value, sizeof(value));
}

void ScopedRegKey::SetBinary(const char* name, const void* data, DWORD size)
{
    RegSetKeyValueA(m_root, m_path.c_str(), name, REG_BINARY, data, size);
}

// ------------------------------------------------------------ processes

ChildProcess::ChildProcess(const std::string& commandLine, std::string* pOutput) : m_pOutput(pOutput)
{
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    HANDLE hWrite = nullptr;
    if (pOutput) {
        SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
        if (!CreatePipe(&m_output, &hWrite, &sa, 0)) return;
        SetHandleInformation(m_output, HANDLE_FLAG_INHERIT, 0);
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = si.hStdError = hWrite;
        si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    }
    // CreateProcess may write into the command line: it gets a copy.
    std::string line = commandLine;
    PROCESS_INFORMATION pi = {};
    if (CreateProcessA(nullptr, &line[0], nullptr, nullptr, pOutput != nullptr, 0, nullptr, nullptr, &si, &pi)) {
        CloseHandle(pi.hThread);
        m_process = pi.hProcess;
    }
    if (hWrite) CloseHandle(hWrite);  // the pipe ends when the child's copy goes
}

ChildProcess::~ChildProcess()
{
    if (m_process) {
        if (WaitForSingleObject(m_process, 30000) != WAIT_OBJECT_0) TerminateProcess(m_process, 1);
        CloseHandle(m_process);
    }
    if (m_output) CloseHandle(m_output);
}

DWORD ChildProcess::Wait(DWORD ms)
{
    if (!m_process) return 0xDEAD;
    if (m_output) {
        char buf[4096];
        DWORD n = 0;
        while (ReadFile(m_output, buf, sizeof(buf), &n, nullptr) && n > 0) m_pOutput->append(buf, n);
        CloseHandle(m_output);
        m_output = nullptr;
    }
    DWORD code = 0xDEAD;
    if (WaitForSingleObject(m_process, ms) == WAIT_OBJECT_0) GetExitCodeProcess(m_process, &code);
    return code;
}

// ---------------------------------------------------------------- files

namespace {

void RemoveTree(const std::string& dir)
{
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string name = fd.cFileName;
            if (name == "." || name == "..") continue;
            std::string full = dir + "\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(full);
            else DeleteFileA(full.c_str());
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryA(dir.c_str());
}

}  // namespace

TempDir::TempDir()
{
    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    m_path = std::string(tmp) + UniqueName("vm2t");
    CreateDirectoryA(m_path.c_str(), nullptr);
}

TempDir::~TempDir() { RemoveTree(m_path); }

std::string TempDir::Write(const std::string& name, const std::string& content) const
{
    std::string full = File(name);
    WriteFileText(full, content);
    return full;
}

std::string ReadFileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool WriteFileText(const std::string& path, const std::string& content)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    return static_cast<bool>(out);
}

std::string BinDir()
{
    char exe[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string dir = exe;
    return dir.substr(0, dir.find_last_of('\\'));
}

std::string ModuleDllPath() { return BinDir() + "\\K_VM2PR2.dll"; }

// ---------------------------------------------------------------- model

InstalledModel::InstalledModel()
    : model(UniqueName("VM2M")),
      driver(UniqueName("vm2drv")),
      driverKey(HKEY_LOCAL_MACHINE, std::string(vm2::regpath::kDriverBase) + "\\" + driver)
{
}

InstalledModel::InstalledModel(const char* kitDataFile) : InstalledModel()
{
    for (const char* f : {"KX9100EN.DLL", "KX9100SND.DLL"})
        CopyFileA((BinDir() + "\\" + f).c_str(), dir.File(f).c_str(), FALSE);
    Install(ReadFileText(BinDir() + "\\" + kitDataFile), "KX9100.INI");
    hResDll = LoadLibraryExA(dir.File("KX9100EN.DLL").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
}

InstalledModel::~InstalledModel()
{
    if (hResDll != nullptr) {
        PlaySoundA(nullptr, nullptr, SND_PURGE);  // nothing may still play from the DLL
        FreeLibrary(hResDll);
    }
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, vm2::regpath::kProfileKey, model.c_str());
}

const std::string& InstalledModel::Install(const std::string& text, const char* fileName)
{
    dataFile = dir.Write(fileName, text);
    driverKey.SetString("InstallPath", dir.Path() + "\\");
    driverKey.SetString("Profile", dataFile);
    SetProfileValue(dataFile);
    return dataFile;
}

void InstalledModel::SetProfileValue(const std::string& path) const
{
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, vm2::regpath::kProfileKey, model.c_str(), REG_SZ, path.c_str(),
                    static_cast<DWORD>(path.size() + 1));
}

}  // namespace vm2test
