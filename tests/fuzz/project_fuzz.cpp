// Any bytes loaded as a project must end in a clear result, never in a fault, a hang or a leak,
// and the timeline they build must save and load again. The engine's own limits of project
// files apply, and no others. The timeline has no modules. An empty
// corpus folder is seeded with projects that the engine itself saved.
#include "engine/timeline/ZRTimeline.h"

#include <QDir>
#include <QFile>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

ZRTimeline* gTimeline = nullptr;
std::string gFolder;

const char* const kSeeds[] = {
    "zrSetSetting( \"Video Dimensions\", 720, 576 ); zrSetSetting( \"Framerate\", 25 );"
    "zrSetSetting( \"Track Audio Level\", 1, 0.5 ); zrSetSetting( \"Mute Track\", 3, 1 );"
    "integer a = zrObjectFactory( \"Solid Color\", \"RGB(1,2,3)\", \"\", \"a\\\\bxNx\" );"
    "zrSetObjectName( a, \"nxHx\" ); zrSetObjectMarkIn( a, \"00:00:01.00\" );"
    "zrSetObjectSetting( a, \"Overlay Mode\", 2 ); zrSetObjectSetting( a, \"Overlay Match\", 50 );"
    "integer e = zrEffectFactory( \"Mask\", \"\", \"\" ); zrAddEffect( a, e );"
    "zrSetEffectMarkIn( e, \"00:00:00.05\" ); zrInsertObject( a, 1, \"00:00:02.00\" );",
    "zrSetSetting( \"Framerate\", 29.97 );"
    "integer t = zrObjectFactory( \"2D-Text\", \"\", \"\", \"Titlexnxtwo\" );"
    "zrSetObjectSetting( t, \"Text Alignment\", 2 ); zrSetObjectSetting( t, \"Text Safe Frame "
    "Size\", 0.2 );"
    "zrSetObjectSetting( t, \"Text Opaque Background\", 1 ); zrInsertObject( t, 2, \"00:00:00.00\" "
    ");"
    "integer m = zrObjectFactory( \"Import\", \"DirectShow\", \"\", \"missing.avi\" );"
    "zrInsertObject( m, 1, \"00:01:00.00\" );",
};

void seed(const std::string& corpus) {
    QDir dir(QString::fromStdString(corpus));
    if (!dir.exists() || !dir.isEmpty()) return;
    int n = 0;
    for (const char* script : kSeeds) {
        gTimeline->runScript(std::string(script).data(), false);
        const std::string path = corpus + "/seed" + std::to_string(++n) + ".zrs";
        gTimeline->saveProject(path.c_str());
        gTimeline->clear();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static std::unique_ptr<ZRTimeline> timeline = std::make_unique<ZRTimeline>(nullptr, nullptr, 0);
    gTimeline = timeline.get();
    gFolder = QDir::tempPath().toStdString() + "/project_fuzz_" + std::to_string(getpid());
    QDir().mkpath(QString::fromStdString(gFolder));
    for (int i = 1; i < *argc; ++i) {
        if ((*argv)[i][0] != '-') seed((*argv)[i]);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input = gFolder + "/input.zrs";
    std::ofstream(input, std::ios::binary)
        .write(reinterpret_cast<const char*>(data), std::streamsize(size));
    gTimeline->runScriptFile(input.c_str(), false);
    const std::string saved = gFolder + "/saved.zrs";
    if (!gTimeline->saveProject(saved.c_str())) __builtin_trap();
    // What the engine saved must load again (a small project, well inside the run limits).
    if (!gTimeline->runScriptFile(saved.c_str(), false) &&
        QFile(QString::fromStdString(saved)).size() < 65536)
        __builtin_trap();
    return 0;
}
