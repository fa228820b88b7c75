#include "platform/system/PendingFiles.h"

#include <cstdio>
#include <sys/stat.h>

namespace platform {

PendingFiles::~PendingFiles() {
    discard();
}

std::string PendingFiles::add(const std::string& target) {
    struct stat info {};
    if (::lstat(target.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) return target;
    m_files.push_back({target, target + ".part"});
    return m_files.back().temporary;
}

bool PendingFiles::publish() {
    for (size_t i = 0; i < m_files.size(); ++i) {
        if (std::rename(m_files[i].temporary.c_str(), m_files[i].target.c_str()) == 0) continue;
        for (size_t done = 0; done < i; ++done)
            std::remove(m_files[done].target.c_str());
        discard();
        return false;
    }
    m_files.clear();
    return true;
}

void PendingFiles::discard() {
    for (const File& file : m_files)
        std::remove(file.temporary.c_str());
    m_files.clear();
}

} // namespace platform
