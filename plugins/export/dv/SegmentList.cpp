#include "plugins/export/dv/SegmentList.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace exportmodule {

bool writeSegmentList(const std::string& listPath, const char* magic,
                      const std::vector<std::string>& segmentPaths) {
    std::string text = magic;
    for (const std::string& path : segmentPaths) {
        std::error_code error;
        const auto size = std::filesystem::file_size(path, error);
        const size_t slash = path.find_last_of('/');
        text += "\r\n";
        text += slash == std::string::npos ? path : path.substr(slash + 1);
        text += "; ";
        text += std::to_string(error ? 0 : size);
    }
    std::FILE* file = std::fopen(listPath.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

} // namespace exportmodule
