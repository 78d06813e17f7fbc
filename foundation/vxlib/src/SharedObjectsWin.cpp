#include "vxlib/SharedObjectsWin.h"

namespace {

struct NullDaclAttributes {
    SECURITY_DESCRIPTOR descriptor;
    SECURITY_ATTRIBUTES attributes;
    NullDaclAttributes() {
        InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
        SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);
        attributes = {sizeof(attributes), &descriptor, FALSE};
    }
};

}  // namespace

namespace SharedObjects {

HANDLE CreateSharedMutex(const wchar_t* name, bool* existed) {
    NullDaclAttributes sa;
    HANDLE h = CreateMutexW(&sa.attributes, FALSE, name);
    DWORD err = GetLastError();
    // A stricter object of the same name that another account made can still be opened to wait on.
    if (!h) h = OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name), err = ERROR_ALREADY_EXISTS;
    if (existed) *existed = h && err == ERROR_ALREADY_EXISTS;
    return h;
}

HANDLE CreateSharedEvent(const wchar_t* name, bool manualReset, bool initialState, bool* existed) {
    NullDaclAttributes sa;
    HANDLE h = CreateEventW(&sa.attributes, manualReset, initialState, name);
    DWORD err = GetLastError();
    if (!h) h = OpenEventW(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, name), err = ERROR_ALREADY_EXISTS;
    if (existed) *existed = h && err == ERROR_ALREADY_EXISTS;
    return h;
}

}  // namespace SharedObjects
