#include "ui/framework/acc_names.h"

#include <commctrl.h>
#include <oleacc.h>

#include <new>
#include <string>

namespace {

bool IsSelf(const VARIANT& v) { return v.vt == VT_I4 && v.lVal == CHILDID_SELF; }

// One control as a screen reader sees it. It keeps window handles only, so
// a client holding it after the window went gets errors, not a crash.
class CNamedAccessible final : public IAccessible {
public:
    CNamedAccessible(HWND hControl, HWND hNameFrom, LONG nRole)
        : m_hControl(hControl), m_hNameFrom(hNameFrom != nullptr ? hNameFrom : hControl), m_nRole(nRole)
    {
    }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (ppv == nullptr) return E_POINTER;
        if (riid == __uuidof(IUnknown) || riid == __uuidof(IDispatch) || riid == __uuidof(IAccessible)) {
            *ppv = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_nRef)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        LONG n = InterlockedDecrement(&m_nRef);
        if (n == 0) delete this;
        return static_cast<ULONG>(n);
    }

    // IDispatch: clients use the IAccessible methods directly.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pn) override
    {
        if (pn == nullptr) return E_POINTER;
        *pn = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** ppParent) override
    {
        if (ppParent == nullptr) return E_POINTER;
        *ppParent = nullptr;
        if (!IsWindow(m_hControl)) return E_FAIL;
        return AccessibleObjectFromWindow(m_hControl, static_cast<DWORD>(OBJID_WINDOW), __uuidof(IDispatch),
                                          reinterpret_cast<void**>(ppParent));
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* pn) override
    {
        if (pn == nullptr) return E_POINTER;
        *pn = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT, IDispatch** pp) override
    {
        if (pp == nullptr) return E_POINTER;
        *pp = nullptr;
        return E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT v, BSTR* pName) override
    {
        if (pName == nullptr) return E_POINTER;
        *pName = nullptr;
        if (!IsSelf(v)) return E_INVALIDARG;
        if (!IsWindow(m_hNameFrom)) return E_FAIL;
        std::wstring text(static_cast<size_t>(GetWindowTextLengthW(m_hNameFrom)) + 1, L'\0');
        text.resize(static_cast<size_t>(GetWindowTextW(m_hNameFrom, &text[0], static_cast<int>(text.size()))));
        // A mnemonic's "&" is not spoken; "&&" stands for one "&".
        std::wstring name;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == L'&' && i + 1 < text.size()) ++i;
            name += text[i];
        }
        if (name.empty()) return S_FALSE;
        *pName = SysAllocStringLen(name.data(), static_cast<UINT>(name.size()));
        return *pName != nullptr ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT v, BSTR* p) override { return Nothing(v, p); }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT v, BSTR* p) override { return Nothing(v, p); }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT v, VARIANT* pRole) override
    {
        if (pRole == nullptr) return E_POINTER;
        VariantInit(pRole);
        if (!IsSelf(v)) return E_INVALIDARG;
        pRole->vt = VT_I4;
        pRole->lVal = m_nRole;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT v, VARIANT* pState) override
    {
        if (pState == nullptr) return E_POINTER;
        VariantInit(pState);
        if (!IsSelf(v)) return E_INVALIDARG;
        if (!IsWindow(m_hControl)) return E_FAIL;
        LONG n = 0;
        if (!IsWindowVisible(m_hControl)) n |= STATE_SYSTEM_INVISIBLE;
        if (!IsWindowEnabled(m_hControl)) n |= STATE_SYSTEM_UNAVAILABLE;
        if (IsButton()) n |= STATE_SYSTEM_FOCUSABLE;
        else n |= STATE_SYSTEM_READONLY;
        pState->vt = VT_I4;
        pState->lVal = n;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT v, BSTR* p) override { return Nothing(v, p); }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* p, VARIANT, LONG* pn) override
    {
        if (p != nullptr) *p = nullptr;
        if (pn != nullptr) *pn = 0;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT v, BSTR* p) override { return Nothing(v, p); }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* p) override { return Empty(p); }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* p) override { return Empty(p); }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT v, BSTR* p) override
    {
        if (p == nullptr) return E_POINTER;
        *p = nullptr;
        if (!IsSelf(v)) return E_INVALIDARG;
        if (!IsButton()) return S_FALSE;
        *p = SysAllocString(L"Press");
        return *p != nullptr ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG, VARIANT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* px, LONG* py, LONG* pcx, LONG* pcy, VARIANT v) override
    {
        if (px == nullptr || py == nullptr || pcx == nullptr || pcy == nullptr) return E_POINTER;
        if (!IsSelf(v)) return E_INVALIDARG;
        RECT rc{};
        if (!GetWindowRect(m_hControl, &rc)) return E_FAIL;
        *px = rc.left;
        *py = rc.top;
        *pcx = rc.right - rc.left;
        *pcy = rc.bottom - rc.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG, VARIANT, VARIANT* p) override
    {
        if (p != nullptr) VariantInit(p);
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* p) override
    {
        if (p == nullptr) return E_POINTER;
        VariantInit(p);
        RECT rc{};
        POINT pt{x, y};
        if (!GetWindowRect(m_hControl, &rc) || !PtInRect(&rc, pt)) return S_FALSE;
        p->vt = VT_I4;
        p->lVal = CHILDID_SELF;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT v) override
    {
        if (!IsSelf(v)) return E_INVALIDARG;
        if (!IsButton()) return DISP_E_MEMBERNOTFOUND;
        return PostMessageW(m_hControl, BM_CLICK, 0, 0) ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    ~CNamedAccessible() = default;
    bool IsButton() const { return m_nRole == ROLE_SYSTEM_PUSHBUTTON; }
    static HRESULT Nothing(const VARIANT& v, BSTR* p)
    {
        if (p == nullptr) return E_POINTER;
        *p = nullptr;
        return IsSelf(v) ? S_FALSE : E_INVALIDARG;
    }
    static HRESULT Empty(VARIANT* p)
    {
        if (p == nullptr) return E_POINTER;
        VariantInit(p);
        return S_FALSE;
    }

    LONG m_nRef = 1;
    HWND m_hControl;
    HWND m_hNameFrom;
    LONG m_nRole;
};

}  // namespace

CAccNames::~CAccNames()
{
    for (size_t i = 0; i < m_entries.size(); ++i)
        if (IsWindow(m_entries[i].hControl)) RemoveWindowSubclass(m_entries[i].hControl, SubclassProc, i);
}

void CAccNames::Add(HWND hControl, HWND hNameFrom, LONG nRole)
{
    if (hControl == nullptr) return;
    m_entries.push_back(Entry{hControl, hNameFrom, nRole});
    if (!SetWindowSubclass(hControl, SubclassProc, m_entries.size() - 1, reinterpret_cast<DWORD_PTR>(this)))
        m_entries.back().hControl = nullptr;
}

void CAccNames::Release()
{
    m_bReleased = true;
    if (m_bComEntered) CoUninitialize();
    m_bComEntered = false;
}

LRESULT CAccNames::Answer(const Entry& entry, WPARAM wParam)
{
    if (m_bReleased) return 0;
    // Handing an object out of the process needs an apartment on this
    // thread. A host thread without one gets it only once a client asks,
    // and gives it back when the window closes.
    if (!m_bComTried) {
        m_bComTried = true;
        m_bComEntered = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    }
    auto* pAcc = new (std::nothrow) CNamedAccessible(entry.hControl, entry.hNameFrom, entry.nRole);
    if (pAcc == nullptr) return 0;
    LRESULT lResult = LresultFromObject(__uuidof(IAccessible), wParam, pAcc);
    pAcc->Release();
    return lResult > 0 ? lResult : 0;
}

LRESULT CALLBACK CAccNames::SubclassProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, UINT_PTR uId,
                                         DWORD_PTR dwRef)
{
    auto* pSelf = reinterpret_cast<CAccNames*>(dwRef);
    // The object id arrives as a DWORD: OBJID_CLIENT is -4 only as a LONG.
    if (uMsg == WM_GETOBJECT && static_cast<LONG>(static_cast<DWORD>(lParam)) == OBJID_CLIENT &&
        uId < pSelf->m_entries.size()) {
        LRESULT lResult = pSelf->Answer(pSelf->m_entries[uId], wParam);
        if (lResult != 0) return lResult;
    } else if (uMsg == WM_NCDESTROY) {
        RemoveWindowSubclass(hWnd, SubclassProc, uId);
    }
    return DefSubclassProc(hWnd, uMsg, wParam, lParam);
}
