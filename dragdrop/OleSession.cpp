#include "dragdrop/OleSession.h"

#include <windows.h>

#include <ole2.h>

namespace dragdrop {

namespace {
int g_users = 0;
bool g_initialised = false;
} // namespace

TOleUser::TOleUser() {
    if (g_users++ == 0) {
        HRESULT hr = OleInitialize(nullptr);
        // S_FALSE: already initialised on this thread, which still needs the matching shutdown.
        g_initialised = SUCCEEDED(hr);
    }
    ready_ = g_initialised;
}

TOleUser::~TOleUser() {
    if (--g_users == 0 && g_initialised) {
        OleUninitialize();
        g_initialised = false;
    }
}

} // namespace dragdrop
