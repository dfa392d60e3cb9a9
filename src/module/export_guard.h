// No C++ exception may reach the host: every export body runs inside this.
#pragma once

#include <exception>

template <typename Body>
int GuardExport(int nFailure, Body body) noexcept
{
    try {
        return body();
    } catch (...) {
        return nFailure;
    }
}
