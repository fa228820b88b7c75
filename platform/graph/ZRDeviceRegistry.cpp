#include "platform/graph/ZRDeviceRegistry.h"

#include <algorithm>

ZRDeviceRegistry& ZRDeviceRegistry::instance() {
    static ZRDeviceRegistry registry;
    return registry;
}

void ZRDeviceRegistry::add(std::shared_ptr<IZRDeviceBackend> backend) {
    if (!backend) return;
    std::lock_guard lock(m_mutex);
    m_backends.push_back(std::move(backend));
}

bool ZRDeviceRegistry::remove(const IZRDeviceBackend* backend) {
    std::lock_guard lock(m_mutex);
    return std::erase_if(m_backends, [&](auto& b) { return b.get() == backend; }) > 0;
}

std::vector<ZRDeviceDescriptor> ZRDeviceRegistry::devices(ZRDeviceCategory category) const {
    std::lock_guard lock(m_mutex);
    std::vector<ZRDeviceDescriptor> all;
    for (const auto& backend : m_backends) {
        auto some = backend->devices(category);
        all.insert(all.end(), std::make_move_iterator(some.begin()),
                   std::make_move_iterator(some.end()));
    }
    return all;
}

std::unique_ptr<ZRGraphNode> ZRDeviceRegistry::createNode(ZRDeviceCategory category,
                                                          const std::string& displayName) const {
    std::lock_guard lock(m_mutex);
    for (const auto& backend : m_backends)
        if (auto node = backend->createNode(category, displayName)) return node;
    return nullptr;
}
