// Runs one script file through the engine's public entry point, as a project or a user script
// is run: reads the file, makes a timeline and calls runScript on the text. Prints the run's
// time in milliseconds (the process's start-up excluded) and exits 1 when the run fails.
// Used by bench_script_vs_lua.sh. Usage: script_run <file>
#include "timeline/ZRTimeline.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: script_run <file>\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 2;
    }
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto timeline = std::make_unique<ZRTimeline>(nullptr, nullptr, 0);
    const auto start = std::chrono::steady_clock::now();
    const bool ok = timeline->runScript(text.data(), false);
    const std::chrono::duration<double, std::milli> spent =
        std::chrono::steady_clock::now() - start;
    std::printf("%.3f\n", spent.count());
    return ok ? 0 : 1;
}
