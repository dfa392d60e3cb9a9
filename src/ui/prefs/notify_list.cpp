#include "ui/prefs/notify_list.h"

#include <algorithm>

#include "base/resource_ids.h"
#include "ui/prefs/prefs_logic.h"

namespace res = vm2::res;

// ------------------------------------------------------------ items

int EnumNotifyItem(HMODULE hResDll, int* pnIndex, char* pszText, int* pnNumber)
{
    char count[8] = "";
    if (hResDll != nullptr) LoadStringA(hResDll, res::kNotifyCountString, count, sizeof(count));
    int nCount = vm2::prefs::ParseItemCount(count);
    if (*pnIndex < 0 || *pnIndex >= nCount) {
        *pnIndex = 0;
        return 1;
    }
    int nTextId = 0;
    vm2::prefs::NotifyItemAt(*pnIndex, &nTextId, pnNumber);
    pszText[0] = '\0';
    LoadStringA(hResDll, static_cast<UINT>(nTextId), pszText, static_cast<int>(vm2::kPathBuf));
    ++*pnIndex;
    return 0;
}

// ------------------------------------------------------------ notification list

CNtfyListCtrl::~CNtfyListCtrl() { Destroy(); }

void CNtfyListCtrl::Destroy()
{
    // The list view shares the image list (LVS_SHAREIMAGELISTS): it is ours.
    if (m_hImageList != nullptr) ImageList_Destroy(m_hImageList);
    m_hImageList = nullptr;
    m_hWnd = nullptr;
}

BOOL CNtfyListCtrl::Init()
{
    if (m_hWnd == nullptr) return FALSE;
    LoadStringA(m_hResDll, res::kNotifyStateOff, m_szStateText[0], sizeof(m_szStateText[0]));
    LoadStringA(m_hResDll, res::kNotifyStateOn, m_szStateText[1], sizeof(m_szStateText[1]));
    if (m_hImageList == nullptr && m_hResDll != nullptr)
        m_hImageList = ImageList_LoadImageA(m_hResDll, MAKEINTRESOURCEA(res::kNotifyStateBitmap), 16, 1,
                                            RGB(0, 0, 128), IMAGE_BITMAP, 0);
    LONG_PTR style = GetWindowLongPtrA(m_hWnd, GWL_STYLE);
    style &= ~static_cast<LONG_PTR>(LVS_TYPEMASK | LVS_AUTOARRANGE);
    style |= LVS_REPORT | LVS_SINGLESEL | LVS_NOSORTHEADER | LVS_SHAREIMAGELISTS;
    SetWindowLongPtrA(m_hWnd, GWL_STYLE, style);
    ListView_SetImageList(m_hWnd, m_hImageList, LVSIL_SMALL);

    RECT rc = {};
    GetClientRect(m_hWnd, &rc);
    const int ids[2] = {res::kNotifyColumnEvent, res::kNotifyColumnState};
    for (int i = 0; i < 2; ++i) {
        char title[33] = "";
        LoadStringA(m_hResDll, static_cast<UINT>(ids[i]), title, sizeof(title));
        LVCOLUMNA col = {};
        col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        col.pszText = title;
        col.cx = i == 0 ? 0 : (rc.right - rc.left) / 3;
        col.iSubItem = i;
        SendMessageA(m_hWnd, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&col));
    }
    return TRUE;
}

int CNtfyListCtrl::AddItem(const char* pszText, int bEnable, int nNumber)
{
    if (m_hWnd == nullptr) return -1;
    int sw = bEnable ? 1 : 0;
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = 0;
    item.pszText = const_cast<char*>(pszText);
    item.iImage = sw;
    item.lParam = nNumber;
    int row = static_cast<int>(SendMessageA(m_hWnd, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    if (row >= 0) {
        LVITEMA sub = {};
        sub.iSubItem = 1;
        sub.pszText = m_szStateText[sw];
        SendMessageA(m_hWnd, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&sub));
    }
    return row;
}

int CNtfyListCtrl::GetRowCount() const
{
    return m_hWnd != nullptr ? ListView_GetItemCount(m_hWnd) : 0;
}

int CNtfyListCtrl::GetRowNumber(int nRow) const
{
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = nRow;
    SendMessageA(m_hWnd, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return static_cast<int>(item.lParam);
}

int CNtfyListCtrl::GetRowSwitch(int nRow) const
{
    LVITEMA item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = nRow;
    SendMessageA(m_hWnd, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return item.iImage != 0 ? 1 : 0;
}

void CNtfyListCtrl::SetRowSwitch(int nRow, int bEnable)
{
    int sw = bEnable ? 1 : 0;
    LVITEMA item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = nRow;
    item.iImage = sw;
    SendMessageA(m_hWnd, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    LVITEMA sub = {};
    sub.iSubItem = 1;
    sub.pszText = m_szStateText[sw];
    SendMessageA(m_hWnd, LVM_SETITEMTEXTA, nRow, reinterpret_cast<LPARAM>(&sub));
}

void CNtfyListCtrl::Toggle(int nRow)
{
    if (m_hWnd == nullptr) return;
    char text[vm2::kPathBuf] = "";
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = nRow;
    item.pszText = text;
    item.cchTextMax = sizeof(text);
    if (!SendMessageA(m_hWnd, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return;
    item.iImage = item.iImage != 0 ? 0 : 1;
    item.pszText = text;
    SendMessageA(m_hWnd, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    SetRowSwitch(nRow, item.iImage);
}

void CNtfyListCtrl::OnClick()
{
    if (m_hWnd == nullptr) return;
    DWORD pos = GetMessagePos();
    LVHITTESTINFO hit = {};
    hit.pt.x = static_cast<short>(LOWORD(pos));
    hit.pt.y = static_cast<short>(HIWORD(pos));
    ScreenToClient(m_hWnd, &hit.pt);
    int row = ListView_HitTest(m_hWnd, &hit);
    if (row >= 0 && (hit.flags & (LVHT_ONITEMICON | LVHT_ONITEMLABEL | LVHT_ONITEMSTATEICON)) != 0) Toggle(row);
}

void CNtfyListCtrl::OnKeyDown(WORD wKey)
{
    if (m_hWnd == nullptr || wKey != VK_SPACE) return;
    for (int row = ListView_GetNextItem(m_hWnd, -1, LVNI_SELECTED); row >= 0;
         row = ListView_GetNextItem(m_hWnd, row, LVNI_SELECTED))
        Toggle(row);
}

void CNtfyListCtrl::AutoSizeColumns()
{
    if (m_hWnd == nullptr) return;
    auto width = [this](const char* text) {
        return static_cast<int>(SendMessageA(m_hWnd, LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(text)));
    };
    int pad = width("HH");
    char title0[33] = "";
    char title1[33] = "";
    LoadStringA(m_hResDll, res::kNotifyColumnEvent, title0, sizeof(title0));
    LoadStringA(m_hResDll, res::kNotifyColumnState, title1, sizeof(title1));
    int w1 = std::max({width(m_szStateText[0]), width(m_szStateText[1]), width(title1)}) + pad;
    int w0 = width(title0);
    int rows = GetRowCount();
    for (int row = 0; row < rows; ++row) {
        char text[vm2::kPathBuf] = "";
        ListView_GetItemText(m_hWnd, row, 0, text, sizeof(text));
        RECT icon = {};
        ListView_GetItemRect(m_hWnd, row, &icon, LVIR_ICON);
        w0 = std::max(w0, width(text) + static_cast<int>(icon.right - icon.left));
    }
    w0 += pad;
    RECT rc = {};
    GetClientRect(m_hWnd, &rc);
    int col0 = 0;
    int col1 = 0;
    vm2::prefs::NotifyColumnWidths(w0, w1, rc.right - rc.left, &col0, &col1);
    ListView_SetColumnWidth(m_hWnd, 0, col0);
    ListView_SetColumnWidth(m_hWnd, 1, col1);
}

// ------------------------------------------------------------ tray icon chooser

CMonIconListCtrl::~CMonIconListCtrl() { Destroy(); }

void CMonIconListCtrl::Destroy()
{
    if (m_hWnd != nullptr && m_pfnOldProc != nullptr && IsWindow(m_hWnd)) {
        SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnOldProc));
        SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, 0);
    }
    m_pfnOldProc = nullptr;
    if (m_hImageList != nullptr) ImageList_Destroy(m_hImageList);
    m_hImageList = nullptr;
    m_hWnd = nullptr;
}

void CMonIconListCtrl::Attach(HWND hWnd)
{
    if (hWnd == nullptr || m_hWnd == hWnd) return;
    m_hWnd = hWnd;
    SetWindowLongPtrA(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_pfnOldProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CMonIconListCtrl::SubclassProc)));
}

BOOL CMonIconListCtrl::LoadImages(HMODULE hResDll)
{
    if (m_hWnd == nullptr) return FALSE;
    LONG_PTR style = GetWindowLongPtrA(m_hWnd, GWL_STYLE);
    style &= ~static_cast<LONG_PTR>(LVS_TYPEMASK | LVS_AUTOARRANGE);
    style |= LVS_ICON | LVS_SINGLESEL | LVS_SHAREIMAGELISTS;
    SetWindowLongPtrA(m_hWnd, GWL_STYLE, style);
    if (m_hImageList == nullptr) {
        m_hImageList = ImageList_Create(32, 32, ILC_COLOR24, 5, 1);
        for (int i = 0; i < res::kTrayIconCount && m_hImageList != nullptr; ++i) {
            HICON icon = static_cast<HICON>(
                LoadImageA(hResDll, MAKEINTRESOURCEA(res::kTrayIconFirst + i), IMAGE_ICON, 32, 32, 0));
            if (icon == nullptr) continue;
            ImageList_AddIcon(m_hImageList, icon);
            DestroyIcon(icon);
        }
        ListView_SetImageList(m_hWnd, m_hImageList, LVSIL_NORMAL);
    }
    if (m_bEnabled)
        Enable();
    else
        Disable();
    return TRUE;
}

void CMonIconListCtrl::Enable()
{
    if (m_hWnd == nullptr) return;
    ListView_SetBkColor(m_hWnd, GetSysColor(COLOR_WINDOW));
    ListView_DeleteAllItems(m_hWnd);
    int count = m_hImageList != nullptr ? ImageList_GetImageCount(m_hImageList) : 0;
    for (int i = 0; i < count; ++i) {
        LVITEMA item = {};
        item.mask = LVIF_IMAGE | LVIF_STATE;
        item.iItem = i;
        item.iImage = i;
        item.stateMask = LVIS_SELECTED;
        item.state = i == m_nSelected ? LVIS_SELECTED : 0;
        SendMessageA(m_hWnd, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    if (count > 0 && count < 4) {
        SetWindowLongPtrA(m_hWnd, GWL_STYLE, GetWindowLongPtrA(m_hWnd, GWL_STYLE) | LVS_NOSCROLL);
        // The list view works out its item metrics, and some versions
        // arrange the icons, at its first paint. While the dialog starts
        // that paint is still to come: have it once into a scratch DC so
        // that the places set here stay.
        HDC screen = GetDC(m_hWnd);
        HDC scratch = CreateCompatibleDC(screen);
        SendMessageA(m_hWnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(scratch), PRF_CLIENT);
        DeleteDC(scratch);
        ReleaseDC(m_hWnd, screen);
        int w = 0;
        int h = 0;
        ImageList_GetIconSize(m_hImageList, &w, &h);
        RECT rc = {};
        GetWindowRect(m_hWnd, &rc);
        for (int i = 0; i < count; ++i) {
            int x = 0;
            int y = 0;
            vm2::prefs::SpreadIconPosition(i, count, w, h, rc.right - rc.left, rc.bottom - rc.top, &x, &y);
            ListView_SetItemPosition(m_hWnd, i, x, y);
        }
    }
    if (count > 0) ListView_RedrawItems(m_hWnd, 0, count - 1);
    UpdateWindow(m_hWnd);
    RedrawAll();
}

void CMonIconListCtrl::Disable()
{
    if (m_hWnd == nullptr) return;
    ListView_DeleteAllItems(m_hWnd);
    COLORREF a = GetSysColor(COLOR_3DFACE);
    COLORREF b = GetSysColor(COLOR_WINDOW);
    COLORREF mid = RGB((GetRValue(a) + GetRValue(b)) / 2, (GetGValue(a) + GetGValue(b)) / 2,
                       (GetBValue(a) + GetBValue(b)) / 2);
    ListView_SetBkColor(m_hWnd, mid);
    UpdateWindow(m_hWnd);
    RedrawAll();
}

void CMonIconListCtrl::RedrawAll()
{
    if (m_hWnd == nullptr) return;
    int count = ListView_GetItemCount(m_hWnd);
    for (int i = 0; i < count; ++i) ListView_Update(m_hWnd, i);
    InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CMonIconListCtrl::OnSetFocus()
{
    m_bFocus = 1;
    RedrawAll();
}

void CMonIconListCtrl::OnKillFocus()
{
    m_bFocus = 0;
    RedrawAll();
}

void CMonIconListCtrl::DrawSelectionFrames()
{
    if (m_hWnd == nullptr || m_hImageList == nullptr) return;
    HDC hdc = GetDC(m_hWnd);
    if (hdc == nullptr) return;
    int w = 0;
    int h = 0;
    ImageList_GetIconSize(m_hImageList, &w, &h);
    int hx = w / 2 + 1;
    int hy = h / 2 + 1;
    HBRUSH highlight = CreateSolidBrush(GetSysColor(COLOR_HIGHLIGHT));
    HBRUSH window = CreateSolidBrush(GetSysColor(COLOR_WINDOW));
    RECT client = {};
    GetClientRect(m_hWnd, &client);
    int count = ImageList_GetImageCount(m_hImageList);
    for (int i = 0; i < count; ++i) {
        RECT icon = {};
        if (!ListView_GetItemRect(m_hWnd, i, &icon, LVIR_ICON)) continue;
        int cx = (icon.left + icon.right) / 2;
        int cy = (icon.top + icon.bottom) / 2;
        RECT r[5];
        for (int k = 0; k < 5; ++k) r[k] = RECT{cx - hx - k, cy - hy - k, cx + hx + k, cy + hy + k};
        bool selected = i == m_nSelected;
        HBRUSH outer = selected ? highlight : window;
        HBRUSH inner = selected && m_bFocus ? highlight : window;
        ImageList_Draw(m_hImageList, i, hdc, r[0].left + 1, r[0].top + 1, ILD_NORMAL);
        if (selected) {
            RECT below = {client.left, r[4].bottom - 1, client.right, client.bottom};
            FillRect(hdc, &below, window);
        }
        for (int k = 0; k < 3; ++k) FrameRect(hdc, &r[k], inner);
        for (int k = 3; k < 5; ++k) FrameRect(hdc, &r[k], outer);
    }
    DeleteObject(highlight);
    DeleteObject(window);
    ReleaseDC(m_hWnd, hdc);
}

LRESULT CALLBACK CMonIconListCtrl::SubclassProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<CMonIconListCtrl*>(GetWindowLongPtrA(hWnd, GWLP_USERDATA));
    WNDPROC old = self != nullptr ? self->m_pfnOldProc : nullptr;
    if (old == nullptr) return DefWindowProcA(hWnd, uMsg, wParam, lParam);
    switch (uMsg) {
    case WM_PAINT: {
        // The frames routine draws the icons itself; the list view paints
        // what is left of the update region after it.
        PAINTSTRUCT ps;
        BeginPaint(hWnd, &ps);
        self->DrawSelectionFrames();
        LRESULT rc = CallWindowProcA(old, hWnd, uMsg, wParam, lParam);
        EndPaint(hWnd, &ps);
        return rc;
    }
    case WM_DESTROY:
        SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
        SetWindowLongPtrA(hWnd, GWLP_USERDATA, 0);
        self->m_pfnOldProc = nullptr;
        return CallWindowProcA(old, hWnd, uMsg, wParam, lParam);
    default:
        return CallWindowProcA(old, hWnd, uMsg, wParam, lParam);
    }
}
