#pragma once
#include <string>
#include <vector>

// The 33 singer list files in the order they are written, spelled out for the tests on their own.
inline std::vector<std::string> ExpectedSingerListNames() {
    std::vector<std::string> names = {"gangtainan.pl", "gangtainv.pl", "gangtaizuhe.pl",
                                      "dalunan.pl",    "dalunv.pl",    "daluzuhe.pl"};
    for (char c = 'a'; c <= 'z'; ++c) names.push_back(std::string(1, c) + ".pl");
    names.push_back("other.pl");
    return names;
}
