#include "harness/test_support.h"

#include <cstdio>
#include <fstream>
#include <sstream>

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

}  // namespace vm2test
