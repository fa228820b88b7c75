#pragma once

#include <cstdint>

class IZRObject;
class IZRPos;

/// The host's table of 12 plain functions that the engine calls. The host zeroes it, fills the
/// entries it serves and keeps it alive until the timeline is deleted; the engine tests the table
/// and each entry for null before every call.
struct IZRCallbacks {
    /// A status note ("Font" and a face name, a module kind and its display name).
    void (*message)(const char* kind, const char* text);
    /// After each exported frame (frame counted from 1); false stops the export.
    bool (*progress)(int frame, int total, IZRPos* position, bool recompressing);
    /// On the background renderer's thread after a frame was stored; `position` lives for the call.
    void (*frameRendered)(IZRPos* position);
    /// One complete debug line.
    void (*debug)(const char* text);
    void (*scriptOutput)(const char* text);
    void (*objectInserted)(int track);
    /// The host's value for a new object (pointer-sized: the host stores a pointer in it).
    intptr_t (*createUserData)(IZRObject* object);
    /// Releases the host's value of an object being destroyed (called only when non-zero).
    void (*deleteUserData)(intptr_t value);
    /// Receives a pointer to the script information record, valid during the call.
    void (*scriptInfo)(void* info);
    /// The host's editor data of an object, while a project loads.
    void (*setAppConfigString)(IZRObject* object, const char* text);
    /// The host's editor data of an object, while a project is saved.
    const char* (*appConfigString)(IZRObject* object);
    /// Engine events: 5000 (a rendered frame could not be stored), 5001 (a clip failed to load).
    void (*event)(int code, const char* text);
};
