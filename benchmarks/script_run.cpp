// Runs one script file through the engine's public entry point, as a project or a user script
// is run: reads the file, makes a timeline and calls runScript on the text. Prints the processor
// time of the run in milliseconds (the process's start-up excluded; processor time, as Lua's
// os.clock gives it, so that other load on the machine does not count) and exits 1 when the run
// fails.
// Used by bench_script_vs_lua.sh. Usage: script_run <file>
#include "engine/timeline/ZRTimeline.h"

#include <cstdio>
#include <ctime>
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
    const std::clock_t start = std::clock();
    const bool ok = timeline->runScript(text.data(), false);
    std::printf("%.3f\n", double(std::clock() - start) * 1000.0 / CLOCKS_PER_SEC);
    return ok ? 0 : 1;
}
