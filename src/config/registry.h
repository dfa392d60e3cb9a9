// The registry key wrapper every part of the module uses.
#pragma once

#include <windows.h>

#include "base/unique_handle.h"

#include <string>
#include <vector>

class Registry {
public:
    static constexpr REGSAM kRead = KEY_READ;
    static constexpr REGSAM kAll = KEY_ALL_ACCESS;

    Registry() = default;
    // Creates the key when bCreate is non-zero, otherwise opens it. An access
    // of 0 reads when opening and takes all access when creating.
    Registry(HKEY hRoot, const char* pszSubKey, BOOL bCreate, REGSAM access);
    virtual ~Registry();

    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    // Creates or opens; IsOpen() tells whether a handle was obtained. Returns
    // TRUE only when the key did not exist before.
    BOOL Create(HKEY hRoot, const char* pszSubKey, const char* pszClass, REGSAM access);
    BOOL Open(HKEY hRoot, const char* pszSubKey, REGSAM access);
    void Close();

    BOOL IsOpen() const { return m_key ? TRUE : FALSE; }
    HKEY Handle() const { return m_key.get(); }
    REGSAM Access() const { return m_access; }
    // The answer of the last open or create (ERROR_SUCCESS when open).
    LSTATUS Status() const { return m_status; }
    // A DWORD read or write found the key deleted since it was opened (the
    // handle still refers to the deleted key): whoever keeps a key open
    // across calls looks it up again.
    bool Deleted() const { return m_bDeleted; }

    // Name of the subkey at nIndex; empty past the end or when not open.
    std::string EnumKey(DWORD nIndex, std::string* pClass = nullptr) const;
    DWORD GetValueType(const char* pszName) const;
    DWORD GetValueSize(const char* pszName) const;

    // The stored text, at most nBufSize bytes with its terminator; the default
    // when the key is not open or the value is missing, too long or not text.
    std::string QueryString(const char* pszName, const char* pszDefault, DWORD nBufSize) const;
    DWORD QueryDword(const char* pszName, DWORD dwDefault) const;
    // The stored value, or -1 when it cannot be read.
    DWORD QueryDwordOrNone(const char* pszName, DWORD dwIgnored = 0) const;
    // A copy of the stored bytes; empty stands for "none".
    std::vector<BYTE> QueryBinary(const char* pszName) const;

    BOOL SetDword(const char* pszName, DWORD dwValue);
    BOOL SetBinary(const char* pszName, const void* pData, DWORD nSize);
    BOOL SetString(const char* pszName, const char* pszValue);
    BOOL DeleteValue(const char* pszName);

private:
    BOOL Written(LSTATUS rc) const;

    vm2::UniqueHKey m_key;
    LSTATUS m_status = ERROR_INVALID_HANDLE;
    REGSAM m_access = 0;
    mutable bool m_bDeleted = false;
};
