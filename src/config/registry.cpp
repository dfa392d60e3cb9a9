#include "config/registry.h"

#include <cstring>

#include "base/fetch_sized.h"

Registry::Registry(HKEY hRoot, const char* pszSubKey, BOOL bCreate, REGSAM access)
{
    if (bCreate) Create(hRoot, pszSubKey, nullptr, access != 0 ? access : kAll);
    else Open(hRoot, pszSubKey, access);
}

Registry::~Registry() { Close(); }

void Registry::Close()
{
    m_key.reset();
    m_bDeleted = false;
}

BOOL Registry::Create(HKEY hRoot, const char* pszSubKey, const char* pszClass, REGSAM access)
{
    Close();
    m_status = ERROR_INVALID_PARAMETER;
    if (pszSubKey == nullptr) return FALSE;
    m_access = access != 0 ? access : kAll;
    DWORD disposition = 0;
    HKEY hKey = nullptr;
    m_status = RegCreateKeyExA(hRoot, pszSubKey, 0, const_cast<char*>(pszClass), REG_OPTION_NON_VOLATILE, m_access,
                               nullptr, &hKey, &disposition);
    if (m_status != ERROR_SUCCESS) return FALSE;
    m_key.reset(hKey);
    return disposition == REG_CREATED_NEW_KEY;
}

BOOL Registry::Open(HKEY hRoot, const char* pszSubKey, REGSAM access)
{
    Close();
    m_status = ERROR_INVALID_PARAMETER;
    if (pszSubKey == nullptr) return FALSE;
    m_access = access != 0 ? access : kRead;
    HKEY hKey = nullptr;
    m_status = RegOpenKeyExA(hRoot, pszSubKey, 0, m_access, &hKey);
    if (m_status != ERROR_SUCCESS) return FALSE;
    m_key.reset(hKey);
    return TRUE;
}

std::string Registry::EnumKey(DWORD nIndex, std::string* pClass) const
{
    if (pClass != nullptr) pClass->clear();
    if (!m_key) return std::string();
    char name[257] = "";
    char cls[257] = "";
    DWORD nameLen = 256;
    DWORD clsLen = 256;
    if (RegEnumKeyExA(m_key.get(), nIndex, name, &nameLen, nullptr, cls, &clsLen, nullptr) != ERROR_SUCCESS)
        return std::string();
    if (pClass != nullptr) pClass->assign(cls, strnlen(cls, sizeof(cls) - 1));
    return std::string(name, strnlen(name, sizeof(name) - 1));
}

DWORD Registry::GetValueType(const char* pszName) const
{
    DWORD type = 0;
    if (!m_key || RegQueryValueExA(m_key.get(), pszName, nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS)
        return 0;
    return type;
}

DWORD Registry::GetValueSize(const char* pszName) const
{
    DWORD size = 0;
    if (!m_key || RegQueryValueExA(m_key.get(), pszName, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
        return 0;
    return size;
}

std::string Registry::QueryString(const char* pszName, const char* pszDefault, DWORD nBufSize) const
{
    std::string fallback = pszDefault != nullptr ? pszDefault : "";
    if (!m_key || nBufSize == 0) return fallback;
    // One spare byte: stored text need not carry its terminator.
    std::vector<char> buf(nBufSize + 1, '\0');
    DWORD type = 0;
    DWORD size = nBufSize;
    LONG rc = RegQueryValueExA(m_key.get(), pszName, nullptr, &type, reinterpret_cast<BYTE*>(buf.data()), &size);
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return fallback;
    size_t len = strnlen(buf.data(), size);
    // A text that fills the whole buffer without its terminator does not fit.
    if (len >= nBufSize) return fallback;
    return std::string(buf.data(), len);
}

DWORD Registry::QueryDword(const char* pszName, DWORD dwDefault) const
{
    if (!m_key) return dwDefault;
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof(value);
    LSTATUS rc = RegQueryValueExA(m_key.get(), pszName, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    if (rc == ERROR_KEY_DELETED) m_bDeleted = true;
    if (rc != ERROR_SUCCESS || type != REG_DWORD || size != sizeof(value)) return dwDefault;
    return value;
}

DWORD Registry::QueryDwordOrNone(const char* pszName, DWORD) const
{
    return QueryDword(pszName, static_cast<DWORD>(-1));
}

std::vector<BYTE> Registry::QueryBinary(const char* pszName) const
{
    std::vector<BYTE> data;
    if (!m_key) return data;
    // The value may change size between the calls (another process polling
    // the same printer): the helper retries while it grows.
    vm2::FetchSized(data, [&](BYTE* p, DWORD cb, DWORD* pNeeded) {
        *pNeeded = cb;
        const LONG rc = RegQueryValueExA(m_key.get(), pszName, nullptr, nullptr, p, pNeeded);
        return rc == ERROR_SUCCESS;
    });
    return data;
}

BOOL Registry::SetDword(const char* pszName, DWORD dwValue)
{
    return m_key && Written(RegSetValueExA(m_key.get(), pszName, 0, REG_DWORD,
                                           reinterpret_cast<const BYTE*>(&dwValue), sizeof(dwValue)));
}

BOOL Registry::SetBinary(const char* pszName, const void* pData, DWORD nSize)
{
    return m_key &&
           Written(RegSetValueExA(m_key.get(), pszName, 0, REG_BINARY, static_cast<const BYTE*>(pData), nSize));
}

BOOL Registry::Written(LSTATUS rc) const
{
    if (rc == ERROR_KEY_DELETED) m_bDeleted = true;
    return rc == ERROR_SUCCESS;
}

BOOL Registry::SetString(const char* pszName, const char* pszValue)
{
    if (!m_key || pszValue == nullptr) return FALSE;
    return RegSetValueExA(m_key.get(), pszName, 0, REG_SZ, reinterpret_cast<const BYTE*>(pszValue),
                          static_cast<DWORD>(strlen(pszValue) + 1)) == ERROR_SUCCESS;
}

BOOL Registry::DeleteValue(const char* pszName)
{
    return m_key && RegDeleteValueA(m_key.get(), pszName) == ERROR_SUCCESS;
}
