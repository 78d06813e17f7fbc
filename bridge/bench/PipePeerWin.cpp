// The benchmark's cheapest possible hand-off to another program: started with a pipe name, it asks
// that pipe once and ends (exit code 0 when a whole reply came). No DLLs of ours, so its start
// costs what any process start costs.
#include "BenchPipeWin.h"

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    std::string reply;
    return bridge_bench::AskPipe(argv[1], "1", reply, 10000) ? 0 : 1;
}
