#pragma once

/// A plug-in module bound by entry-point name, as kept in the timeline's module maps.
class ZRModuleBinder {
public:
    virtual ~ZRModuleBinder() = default;
};
