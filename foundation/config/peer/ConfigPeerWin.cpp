// The other process of the store's tests. It inherits VX_DATA_ROOT from the test.
//   set SECTION KEY VALUE        exit 0 when stored
//   expect SECTION KEY VALUE     exit 0 when the store holds exactly VALUE
//   many SECTION PREFIX COUNT    writes PREFIX0..PREFIX<COUNT-1>, exit 0 when all were stored
//   loop SECTION                 writes k0, k1, ... until killed
#include <cstdlib>
#include <cstring>
#include <string>

#include "config/ConfigManager.h"

int main(int argc, char** argv) {
    IConfigManager* config = AfxGetConfigManager();
    if (!config || argc < 3) return 2;
    std::string command = argv[1];
    if (command == "set" && argc == 5) return config->SetString(argv[2], argv[3], argv[4]) ? 0 : 1;
    if (command == "expect" && argc == 5) {
        std::string value;
        return config->QueryString(argv[2], argv[3], value) && value == argv[4] ? 0 : 1;
    }
    if (command == "many" && argc == 5) {
        int count = std::atoi(argv[4]);
        bool ok = true;
        for (int i = 0; i < count; ++i) {
            std::string key = std::string(argv[3]) + std::to_string(i);
            ok = config->SetString(argv[2], key, "v" + std::to_string(i)) && ok;
        }
        return ok ? 0 : 1;
    }
    if (command == "loop") {
        for (unsigned i = 0;; ++i) config->SetString(argv[2], "k" + std::to_string(i), "v" + std::to_string(i));
    }
    return 2;
}
