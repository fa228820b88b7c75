#pragma once

/// Typed access to one group ("first::second") of the module cache "tmp_modules.ini".
/// Every write saves the file at once. Confined to the thread that drives the timeline.
class IZRModuleConfig {
public:
    /// Destroys the whole timeline.
    virtual ~IZRModuleConfig() = default;

    virtual bool openModuleCacheGroup(const char* first, const char* second) = 0;
    /// Null while no group is open.
    virtual const char* firstModuleCacheKey() = 0;
    virtual const char* nextModuleCacheKey() = 0;
    virtual int readModuleCacheInt(const char* key) = 0;
    virtual bool readModuleCacheBool(const char* key) = 0;
    virtual double readModuleCacheDouble(const char* key) = 0;
    /// Null when the key is absent.
    virtual const char* readModuleCacheString(const char* key) = 0;
    virtual void writeModuleCacheString(const char* key, const char* value) = 0;
    virtual void writeModuleCacheDouble(const char* key, double value) = 0;
    virtual void writeModuleCacheBool(const char* key, bool value) = 0;
    virtual void writeModuleCacheInt(const char* key, int value) = 0;
};
