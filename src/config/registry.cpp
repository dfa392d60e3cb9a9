#include "config/registry.h"

#include <cstring>

Registry::Registry(HKEY hRoot, const char* pszSubKey, BOOL bCreate, REGSAM access)
{
    if (bCreate) Create(hRoot, pszSubKey, nullptr, access != 0 ? access : kAll);
    else Open(hRoot, pszSubKey, access);
}

Registry::~Registry() { Close(); }

void Registry::Close()
{
    if (m_bOpen) RegCloseKey(m_hKey);
    m_hKey = nullptr;
    m_bOpen = FALSE;
}

BOOL Registry::Create(HKEY hRoot, const char* pszSubKey, const char* pszClass, REGSAM access)
{
    Close();
    if (pszSubKey == nullptr) return FALSE;
    m_access = access != 0 ? access : kAll;
    DWORD disposition = 0;
    LONG rc = RegCreateKeyExA(hRoot, pszSubKey, 0, const_cast<char*>(pszClass),
                              REG_OPTION_NON_VOLATILE, m_access, nullptr, &m_hKey, &disposition);
    if (rc != ERROR_SUCCESS) {
        m_hKey = nullptr;
        return FALSE;
    }
    m_bOpen = TRUE;
    return disposition == REG_CREATED_NEW_KEY;
}

BOOL Registry::Open(HKEY hRoot, const char* pszSubKey, REGSAM access)
{
    Close();
    if (pszSubKey == nullptr) return FALSE;
    m_access = access != 0 ? access : kRead;
    if (RegOpenKeyExA(hRoot, pszSubKey, 0, m_access, &m_hKey) != ERROR_SUCCESS) {
        m_hKey = nullptr;
        return FALSE;
    }
    m_bOpen = TRUE;
    return TRUE;
}

std::string Registry::EnumKey(DWORD nIndex, std::string* pClass) const
{
    if (pClass != nullptr) pClass->clear();
    if (!m_bOpen) return std::string();
    char name[257] = "";
    char cls[257] = "";
    DWORD nameLen = 256;
    DWORD clsLen = 256;
    if (RegEnumKeyExA(m_hKey, nIndex, name, &nameLen, nullptr, cls, &clsLen, nullptr) != ERROR_SUCCESS)
        return std::string();
    if (pClass != nullptr) pClass->assign(cls, strnlen(cls, sizeof(cls) - 1));
    return std::string(name, strnlen(name, sizeof(name) - 1));
}

DWORD Registry::GetValueType(const char* pszName) const
{
    DWORD type = 0;
    if (!m_bOpen || RegQueryValueExA(m_hKey, pszName, nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS)
        return 0;
    return type;
}

DWORD Registry::GetValueSize(const char* pszName) const
{
    DWORD size = 0;
    if (!m_bOpen || RegQueryValueExA(m_hKey, pszName, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
        return 0;
    return size;
}

std::string Registry::QueryString(const char* pszName, const char* pszDefault, DWORD nBufSize) const
{
    std::string fallback = pszDefault != nullptr ? pszDefault : "";
    if (!m_bOpen || nBufSize == 0) return fallback;
    // One spare byte: stored text need not carry its terminator.
    std::vector<char> buf(nBufSize + 1, '\0');
    DWORD type = 0;
    DWORD size = nBufSize;
    LONG rc = RegQueryValueExA(m_hKey, pszName, nullptr, &type, reinterpret_cast<BYTE*>(buf.data()), &size);
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return fallback;
    size_t len = strnlen(buf.data(), size);
    // A text that fills the whole buffer without its terminator does not fit.
    if (len >= nBufSize) return fallback;
    return std::string(buf.data(), len);
}

DWORD Registry::QueryDword(const char* pszName, DWORD dwDefault) const
{
    if (!m_bOpen) return dwDefault;
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (RegQueryValueExA(m_hKey, pszName, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof(value))
        return dwDefault;
    return value;
}

DWORD Registry::QueryDwordOrNone(const char* pszName, DWORD) const
{
    return QueryDword(pszName, static_cast<DWORD>(-1));
}

std::vector<BYTE> Registry::QueryBinary(const char* pszName) const
{
    std::vector<BYTE> data;
    if (!m_bOpen) return data;
    // The value may change size between the two calls (another process
    // polling the same printer): retry while it grows.
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD size = 0;
        if (RegQueryValueExA(m_hKey, pszName, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS || size == 0)
            return {};
        data.resize(size);
        LONG rc = RegQueryValueExA(m_hKey, pszName, nullptr, nullptr, data.data(), &size);
        if (rc == ERROR_SUCCESS) {
            data.resize(size);
            return data;
        }
        if (rc != ERROR_MORE_DATA) return {};
    }
    return {};
}

BOOL Registry::SetDword(const char* pszName, DWORD dwValue)
{
    return m_bOpen && RegSetValueExA(m_hKey, pszName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwValue),
                                     sizeof(dwValue)) == ERROR_SUCCESS;
}

BOOL Registry::SetBinary(const char* pszName, const void* pData, DWORD nSize)
{
    return m_bOpen &&
           RegSetValueExA(m_hKey, pszName, 0, REG_BINARY, static_cast<const BYTE*>(pData), nSize) == ERROR_SUCCESS;
}

BOOL Registry::SetString(const char* pszName, const char* pszValue)
{
    if (!m_bOpen || pszValue == nullptr) return FALSE;
    return RegSetValueExA(m_hKey, pszName, 0, REG_SZ, reinterpret_cast<const BYTE*>(pszValue),
                          static_cast<DWORD>(strlen(pszValue) + 1)) == ERROR_SUCCESS;
}

BOOL Registry::DeleteValue(const char* pszName)
{
    return m_bOpen && RegDeleteValueA(m_hKey, pszName) == ERROR_SUCCESS;
}
