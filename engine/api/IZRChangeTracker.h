#pragma once

/// The timeline's change counting: a counter and a dirty flag the host clears after saving.
/// Confined to the thread that drives the timeline.
class IZRChangeTracker {
public:
    /// Destroys the whole timeline.
    virtual ~IZRChangeTracker() = default;

    /// Counts one change made by the host (when tracking is on) and marks the project dirty.
    virtual void markChanged(const char* what) = 0;
    virtual void clearDirty() = 0;
    virtual void enableChangeTracking(bool on) = 0;
};
