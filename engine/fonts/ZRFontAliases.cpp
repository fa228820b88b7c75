#include "engine/fonts/ZRFontAliases.h"

#include "platform/text/KeyCompare.h"

namespace fonts {
namespace {

struct Alias {
    std::string_view windows;
    const char* free;
};

constexpr Alias kFaceAliases[] = {
    {"Arial", "Liberation Sans"},
    {"Arial Bold", "Liberation Sans Bold"},
    {"Arial Italic", "Liberation Sans Italic"},
    {"Arial Bold Italic", "Liberation Sans Bold Italic"},
    {"Times New Roman", "Liberation Serif"},
    {"Times New Roman Bold", "Liberation Serif Bold"},
    {"Times New Roman Italic", "Liberation Serif Italic"},
    {"Times New Roman Bold Italic", "Liberation Serif Bold Italic"},
    {"Courier New", "Liberation Mono"},
    {"Courier New Bold", "Liberation Mono Bold"},
    {"Courier New Italic", "Liberation Mono Italic"},
    {"Courier New Bold Italic", "Liberation Mono Bold Italic"},
    {"Arial Black", "DejaVu Sans Bold"},
    {"Arial Narrow", "DejaVu Sans Condensed"},
    {"Verdana", "DejaVu Sans"},
    {"Verdana Bold", "DejaVu Sans Bold"},
    {"Tahoma", "DejaVu Sans"},
    {"Tahoma Bold", "DejaVu Sans Bold"},
    {"Trebuchet MS", "DejaVu Sans"},
    {"Comic Sans MS", "DejaVu Sans"},
    {"Impact", "DejaVu Sans Condensed Bold"},
    {"Georgia", "DejaVu Serif"},
    {"Georgia Bold", "DejaVu Serif Bold"},
    {"Lucida Console", "DejaVu Sans Mono"},
    {"MS Sans Serif", "DejaVu Sans"},
    {"MS Gothic", "DejaVu Sans"},
};

constexpr Alias kFileAliases[] = {
    {"arial.ttf", "LiberationSans-Regular.ttf"},
    {"arialbd.ttf", "LiberationSans-Bold.ttf"},
    {"ariali.ttf", "LiberationSans-Italic.ttf"},
    {"arialbi.ttf", "LiberationSans-BoldItalic.ttf"},
    {"times.ttf", "LiberationSerif-Regular.ttf"},
    {"timesbd.ttf", "LiberationSerif-Bold.ttf"},
    {"timesi.ttf", "LiberationSerif-Italic.ttf"},
    {"timesbi.ttf", "LiberationSerif-BoldItalic.ttf"},
    {"cour.ttf", "LiberationMono-Regular.ttf"},
    {"courbd.ttf", "LiberationMono-Bold.ttf"},
    {"couri.ttf", "LiberationMono-Italic.ttf"},
    {"courbi.ttf", "LiberationMono-BoldItalic.ttf"},
    {"ariblk.ttf", "DejaVuSans-Bold.ttf"},
    {"arialn.ttf", "DejaVuSansCondensed.ttf"},
    {"verdana.ttf", "DejaVuSans.ttf"},
    {"verdanab.ttf", "DejaVuSans-Bold.ttf"},
    {"tahoma.ttf", "DejaVuSans.ttf"},
    {"tahomabd.ttf", "DejaVuSans-Bold.ttf"},
    {"trebuc.ttf", "DejaVuSans.ttf"},
    {"comic.ttf", "DejaVuSans.ttf"},
    {"impact.ttf", "DejaVuSansCondensed-Bold.ttf"},
    {"georgia.ttf", "DejaVuSerif.ttf"},
    {"georgiab.ttf", "DejaVuSerif-Bold.ttf"},
    {"lucon.ttf", "DejaVuSansMono.ttf"},
    {"msgothic.ttc", "DejaVuSans.ttf"},
};

} // namespace

const char* aliasFaceName(std::string_view name) {
    for (const Alias& alias : kFaceAliases) {
        if (alias.windows == name) return alias.free;
    }
    return nullptr;
}

const char* aliasFileName(std::string_view fileName) {
    for (const Alias& alias : kFileAliases) {
        if (platform::keyEqual(alias.windows, fileName)) return alias.free;
    }
    return nullptr;
}

} // namespace fonts
