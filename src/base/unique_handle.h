// Move-only owners for Win32 handles: one line per handle kind.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <utility>

namespace vm2 {

template <typename Traits>
class UniqueAny {
public:
    using pointer = typename Traits::type;

    UniqueAny() noexcept : m_h(Traits::invalid()) {}
    explicit UniqueAny(pointer h) noexcept : m_h(h) {}
    ~UniqueAny() { reset(); }

    UniqueAny(const UniqueAny&) = delete;
    UniqueAny& operator=(const UniqueAny&) = delete;
    UniqueAny(UniqueAny&& o) noexcept : m_h(o.release()) {}
    UniqueAny& operator=(UniqueAny&& o) noexcept
    {
        if (this != &o) reset(o.release());
        return *this;
    }

    pointer get() const noexcept { return m_h; }
    explicit operator bool() const noexcept { return m_h != Traits::invalid(); }

    // For APIs that return the handle through an out parameter.
    pointer* put() noexcept
    {
        reset();
        return &m_h;
    }

    pointer release() noexcept { return std::exchange(m_h, Traits::invalid()); }

    void reset(pointer h = Traits::invalid()) noexcept
    {
        pointer old = std::exchange(m_h, h);
        if (old != Traits::invalid()) Traits::close(old);
    }

private:
    pointer m_h;
};

#define VM2_HANDLE_TRAITS(Name, Type, Invalid, Close)                      \
    struct Name {                                                          \
        using type = Type;                                                 \
        static type invalid() noexcept { return Invalid; }                 \
        static void close(type h) noexcept { Close; }                      \
    }

// "Empty" is NULL for every kind except files, whose Create call answers
// INVALID_HANDLE_VALUE.
VM2_HANDLE_TRAITS(HKeyTraits, HKEY, nullptr, ::RegCloseKey(h));
VM2_HANDLE_TRAITS(ModuleTraits, HMODULE, nullptr, ::FreeLibrary(h));
VM2_HANDLE_TRAITS(HandleTraits, HANDLE, nullptr, ::CloseHandle(h));
VM2_HANDLE_TRAITS(FileTraits, HANDLE, INVALID_HANDLE_VALUE, ::CloseHandle(h));
VM2_HANDLE_TRAITS(ViewTraits, void*, nullptr, ::UnmapViewOfFile(h));
VM2_HANDLE_TRAITS(PrinterTraits, HANDLE, nullptr, ::ClosePrinter(h));
VM2_HANDLE_TRAITS(WindowTraits, HWND, nullptr, ::DestroyWindow(h));
VM2_HANDLE_TRAITS(GdiTraits, HGDIOBJ, nullptr, ::DeleteObject(h));
#undef VM2_HANDLE_TRAITS

using UniqueHKey = UniqueAny<HKeyTraits>;
using UniqueModule = UniqueAny<ModuleTraits>;
using UniqueHandle = UniqueAny<HandleTraits>;
using UniqueFile = UniqueAny<FileTraits>;
using UniqueView = UniqueAny<ViewTraits>;
using UniquePrinter = UniqueAny<PrinterTraits>;
using UniqueWindow = UniqueAny<WindowTraits>;
using UniqueGdiObject = UniqueAny<GdiTraits>;

// Cleanup that has no handle type of its own.
template <typename F>
class ScopeExit {
public:
    explicit ScopeExit(F f) : m_f(std::move(f)) {}
    ~ScopeExit()
    {
        if (m_armed) m_f();
    }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;
    void dismiss() noexcept { m_armed = false; }

private:
    F m_f;
    bool m_armed = true;
};

}  // namespace vm2
