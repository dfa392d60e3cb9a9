// Accessible names for a dialog's controls. A picture or icon control has no
// text for a screen reader to speak, and Wine's oleacc gives a plain static
// no accessible object at all; so each control named here answers
// WM_GETOBJECT itself with an IAccessible whose name is the text of a chosen
// window (its own, or the one that says what the picture shows).
#pragma once

#include <windows.h>

#include <vector>

class CAccNames {
public:
    CAccNames() = default;
    ~CAccNames();
    CAccNames(const CAccNames&) = delete;
    CAccNames& operator=(const CAccNames&) = delete;

    // hControl answers with the text of hNameFrom (null: its own text, "&"
    // marks removed) and nRole (ROLE_SYSTEM_...). Call on the window's thread.
    void Add(HWND hControl, HWND hNameFrom, LONG nRole);
    // Stops answering and leaves the apartment entered for the answers;
    // on the window's thread, before it goes.
    void Release();

private:
    struct Entry {
        HWND hControl;
        HWND hNameFrom;
        LONG nRole;
    };
    static LRESULT CALLBACK SubclassProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, UINT_PTR uId,
                                         DWORD_PTR dwRef);
    LRESULT Answer(const Entry& entry, WPARAM wParam);

    std::vector<Entry> m_entries;
    bool m_bReleased = false;
    bool m_bComTried = false;
    bool m_bComEntered = false;  // this object's CoInitializeEx, undone by Release
};
