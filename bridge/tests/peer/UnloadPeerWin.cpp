// A host that loads the bridge at run time: it makes the facade, unloads the library (which
// destroys the facade) and does both once more. Exit code 0 when every step worked; the test
// reads the bridge's logs of this process for how its threads ended.
#include <windows.h>

#include <string>

int main() {
    char self[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string dll = self;
    dll = dll.substr(0, dll.find_last_of("\\/") + 1) + "VxMdInterface.dll";
    typedef void* (*Factory)();
    for (int round = 0; round < 2; ++round) {
        HMODULE module = LoadLibraryA(dll.c_str());
        if (!module) return 1;
        Factory factory = reinterpret_cast<Factory>(GetProcAddress(module, "GetVxMdInterface"));
        if (!factory || !factory()) return 2;
        if (!FreeLibrary(module)) return 3;
        if (GetModuleHandleA("VxMdInterface.dll")) return 4;
    }
    return 0;
}
