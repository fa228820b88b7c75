/* The plug-in module interface: every entry point a module may export, the records that cross
 * the boundary, and the host function table that modules call back.
 *
 * Five shapes of module exist; this header declares four of them (the named-entry import shape
 * has no caller in the engine):
 *   - single-entry modules ("PlugIns/import"): one dispatch function `zrPluginCall`;
 *   - export modules: `moduleInfo20`, `exportConfig`, `exportStart`, `exportEncode`, `exportEnd`;
 *   - transition modules ("PlugIns/videotrn/<group>/"): `generateTransition` plus the settings
 *     record entries `transitionGUI`, `setTransitionGUI`, `resetTransitionGUI` and
 *     `customTransitionConfig`;
 *   - video-effect modules ("PlugIns/videofx/<group>/"): `generateVideoEffect` plus the settings
 *     tree entries `moduleGUI20` and `setModuleGUIResult20`.
 * Transitions, effects and exporters all answer `moduleInfo20`.
 *
 * Modules are shared objects built together with the engine, so this is a source contract, not
 * a binary one: records are plain named structs, pointers are pointer-sized, and the static
 * assertions at the end pin the sizes of the records.
 *
 * Texts are UTF-8. Records a module returns (info, settings tree, transition settings) stay
 * owned by the module and valid until the module is unloaded.
 *
 * Faults: modules catch every exception inside themselves. The engine also runs each call inside
 * a catch-all guard, logs one debug line and goes on with the data as it stands, but no guard can
 * catch a memory fault (a bad pointer, a stack overflow) inside a module on Linux: it ends the
 * whole program. A module must therefore never crash on any input, however damaged.
 */
#pragma once

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
#define ZR_PLUGIN_EXTERN_C extern "C"
#define ZR_PLUGIN_STATIC_ASSERT(condition, text) static_assert(condition, text)
#else
#define ZR_PLUGIN_EXTERN_C
#define ZR_PLUGIN_STATIC_ASSERT(condition, text) _Static_assert(condition, text)
#endif

/* Marks a module's entry points: C linkage, visible from the shared object. */
#define ZR_PLUGIN_ENTRY ZR_PLUGIN_EXTERN_C __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

/* --- Images ---------------------------------------------------------------------------------- */

/* Native kinds of an image record: what `nativeData` holds. An export module sets -1 when it wrote
 * the native data out unchanged (the frame passed through without re-encoding). */
enum {
    ZR_NATIVE_PASSED = -1,
    ZR_NATIVE_NONE = 0,
    ZR_NATIVE_MJPEG = 1,
    ZR_NATIVE_DV = 2 /* one DV frame: 120000 bytes (525 lines) or 144000 bytes (625 lines) */
};

/* An engine image as modules see it: 32-bit pixels with the bytes blue, green, red, alpha,
 * rows top to bottom, `stride` bytes apart. The pixels belong to the engine. */
typedef struct ZRImageRecord {
    uint8_t* pixels;
    int32_t width;
    int32_t height;
    int32_t stride;
    int32_t nativeKind;
    void* nativeData; /* owned by whoever produced the frame; valid for the call */
    int32_t nativeLength;
    int32_t nativeWidth;
    int32_t nativeHeight;
    intptr_t nativeWord1; /* further words of the producer, handed on unchanged */
    intptr_t nativeWord2;
    uint8_t interlaced; /* 1 = the picture holds two fields */
} ZRImageRecord;

/* --- Texts and settings ---------------------------------------------------------------------- */

/* The engine's string lookup, handed to `moduleInfo20` and `moduleGUI20` (it may be null there).
 * id -1: `buffer` holds a locale file name, loaded from the engine's "locales/" folder;
 * id -2: the loaded locale text is released;
 * any other id: the text of line "<id>: <text>" of the loaded file is written into `buffer`
 * ("STRING-ID NOT FOUND!" or "LOCALE-FILE NOT FOUND!" when there is none), cut to fit
 * `bufferSize` bytes including the terminating NUL. */
typedef void (*ZRStringLookup)(int32_t id, char* buffer, int32_t bufferSize);

enum { ZR_MODULE_NAME_BYTES = 184, ZR_MODULE_TEXT_BYTES = 256 };

/* Answer of `moduleInfo20`. The engine reads `name` (shown in the name tables, which keep 49
 * bytes of it), `description` (the text the effects and transitions pages show for an entry) and,
 * for video effects, `effectFlags`. Both texts must be NUL-terminated inside their arrays. */
typedef struct ZRModuleInfo {
    int32_t version;
    char name[ZR_MODULE_NAME_BYTES];
    int32_t effectFlags;
    char description[ZR_MODULE_TEXT_BYTES];
} ZRModuleInfo;

/* Flags of a setting item. */
enum { ZR_SETTING_EXTRA = 8 /* the item carries the ten `extra` words */ };
enum { ZR_SETTING_EXTRA_WORDS = 10 };

/* One value of a video effect's settings tree; `next` ends the group's list with null. */
typedef struct ZRSettingItem {
    int32_t id;
    int32_t flags;
    int32_t value;
    int32_t extra[ZR_SETTING_EXTRA_WORDS];
    const char* label; /* the module's own text for the value; the engine does not read it */
    struct ZRSettingItem* next;
} ZRSettingItem;

typedef struct ZRSettingGroup {
    const char* label;
    struct ZRSettingGroup* next;
    ZRSettingItem* firstItem;
} ZRSettingGroup;

/* Answer of `moduleGUI20`: the module's settings, walked group by group and item by item. The
 * engine packs the current values into its own copy and writes them back before every frame. */
typedef struct ZRSettingTree {
    ZRSettingGroup* firstGroup;
} ZRSettingTree;

/* What a transition offers (bits of `ZRTransitionSettings.offers`). */
enum {
    ZR_TRANSITION_ANTIALIAS = 1,
    ZR_TRANSITION_FILTER = 2,
    ZR_TRANSITION_COLOR = 4,
    ZR_TRANSITION_SUBDIVISION = 8
};

enum { ZR_TRANSITION_MODULE_WORDS = 24, ZR_TRANSITION_CUSTOM_BYTES = 256 };

/* A transition's settings record, answered by `transitionGUI`. The engine keeps a copy per
 * transition object, edits the copy through the "Transition ..." settings keys, and copies it
 * over the module's record before every frame, then calls `setTransitionGUI`. */
typedef struct ZRTransitionSettings {
    uint32_t offers; /* ZR_TRANSITION_* bits; read at binding */
    int32_t antiAlias;
    int32_t filter;
    int32_t colorMode;
    int32_t penWidth; /* meaningful when colorMode is 3 */
    int32_t subDivision[2];
    uint8_t color[4];                                /* red, green, blue, alpha */
    int32_t moduleWords[ZR_TRANSITION_MODULE_WORDS]; /* the module's own values */
    /* Set by the engine when the module exports `customTransitionConfig` and answered a non-zero
     * `customConfigWord`: ZR_TRANSITION_CUSTOM_BYTES bytes of the engine's, zeroed at binding,
     * kept per transition object, for the module's own configuration. Null otherwise. */
    void* customConfig;
    int32_t customConfigWord;
} ZRTransitionSettings;

/* --- Export ---------------------------------------------------------------------------------- */

/* Room for any path the system can open (PATH_MAX): a longer output name is refused by the
 * engine, never cut. */
enum { ZR_EXPORT_FILE_BYTES = 4096, ZR_EXPORT_PALETTE_ENTRIES = 256 };

/* The engine's export record, handed to `exportConfig` and `exportStart`. */
typedef struct ZRExportRecord {
    char fileName[ZR_EXPORT_FILE_BYTES]; /* UTF-8, NUL-terminated; the module may rewrite it */
    int32_t width;
    int32_t height;
    double frameRate;
    int32_t paletteRequest; /* the module sets it non-zero in `exportStart` to get `palette` */
    uint8_t palette[ZR_EXPORT_PALETTE_ENTRIES][4]; /* red, green, blue, 0 */
    int32_t hasAudio;                              /* 1 = the three audio words are filled */
    int32_t audioRate;
    int32_t audioBits;
    int32_t audioChannels;
    void* reserved; /* always null */
} ZRExportRecord;

/* --- Single-entry modules -------------------------------------------------------------------- */

/* Opcodes of `zrPluginCall`. */
enum {
    ZR_PLUGIN_OPEN = 0,         /* open `context->fileName`; answer 0 on success. A failed open
                                   releases what it made: no ZR_PLUGIN_CLEANUP follows it */
    ZR_PLUGIN_CLEANUP = 1,      /* release the file's state; the module is unloaded after it */
    ZR_PLUGIN_RENDER_VIDEO = 2, /* deliver the sought frame through the host's `videoBuffer` */
    ZR_PLUGIN_RENDER_AUDIO = 3, /* argument: const ZRAudioRequest*; deliver through `audioBuffer` */
    ZR_PLUGIN_SEEK_VIDEO = 4,   /* argument: const double* time in seconds */
    ZR_PLUGIN_SEEK_AUDIO = 5,   /* argument: const double* time in seconds */
    ZR_PLUGIN_INFO = 6,         /* called with a null block; answers a `ZRPluginInfo*` */
    ZR_PLUGIN_NATIVE_VIDEO = 8  /* fill the native words of `video` for the sought frame */
};

/* The display name of the media import module: the engine sends every import kind it suggests
 * ("DirectShow", "DV-AVI", "DV-AVI Multifile", "MPEG", "MPEG Multifile", "DIF", "Misc") to the
 * module of this name unless a module is registered under the kind's own name. */
#define ZR_MEDIA_IMPORT_NAME "Media Import"

/* Answer of opcode ZR_PLUGIN_INFO: the module's display name, NUL-terminated in the array. */
typedef struct ZRPluginInfo {
    int32_t version;
    char name[ZR_MODULE_NAME_BYTES];
} ZRPluginInfo;

/* Flags of a video descriptor. */
enum { ZR_VIDEO_INTERLACED = 1, ZR_VIDEO_STILL = 16 };

/* Video format codes of `ZRCallBlock.formatCode`, the values of the timeline setting "Force
 * Background Rendering Video Format". */
enum { ZR_FORMAT_NONE = 0, ZR_FORMAT_DV = 1 /* DV at 720 x 576 or 720 x 480 */ };

/* Colour spaces of a delivered frame. */
enum { ZR_COLOUR_BGRA = 0, ZR_COLOUR_BGR = 1 };

/* The frame a module delivers: the host's `videoBuffer` fills the geometry and the pixel pointer,
 * the module fills the pixels and `flags` (and the native words for ZR_PLUGIN_NATIVE_VIDEO). */
typedef struct ZRVideoDescriptor {
    uint32_t flags;
    int32_t colourSpace;
    int32_t width;
    int32_t height;
    int32_t stride;
    uint8_t* pixels;
    int32_t nativeKind;
    void* nativeData; /* the module's; valid until its next call */
    int32_t nativeLength;
    intptr_t nativeWord1;
    intptr_t nativeWord2;
} ZRVideoDescriptor;

typedef struct ZRAudioFormat {
    int32_t sampleRate;
    int32_t bitsPerSample; /* 8 (unsigned), 16, 24 or 32 (signed), little-endian, interleaved */
    int32_t channels;
} ZRAudioFormat;

/* Argument of ZR_PLUGIN_RENDER_AUDIO: how many sample frames the engine wants next, in the
 * format the module reported in `ZRCallBlock.audio`. Fewer may be delivered at the end of the
 * source; the engine fills the rest with silence. */
typedef struct ZRAudioRequest {
    int32_t sampleFrames;
} ZRAudioRequest;

struct ZRHostContext;

/* What the engine offers a single-entry module. Every function takes the module's host context
 * first and answers 0 on success. */
typedef struct ZRModuleHost {
    /* A note for the engine; type "Debug Text" goes to the host's debug output. */
    int32_t (*message)(struct ZRHostContext* context, const char* type, const char* text);
    /* A frame buffer for width x height pixels of `colourSpace`: the engine's own image when the
     * size matches and the colour space is BGRA (the module renders in place), else a buffer of
     * the engine's. `*descriptor` receives the call block's `video`; null and a non-zero answer
     * when the size is refused. Valid until the next call of the module. */
    int32_t (*videoBuffer)(struct ZRHostContext* context, int32_t width, int32_t height,
                           int32_t colourSpace, ZRVideoDescriptor** descriptor);
    /* A buffer for `sampleFrames` sample frames of `format`; `*data` receives it (null and a
     * non-zero answer when refused). The data delivered is what the buffer holds afterwards. */
    int32_t (*audioBuffer)(struct ZRHostContext* context, const ZRAudioFormat* format,
                           int32_t sampleFrames, void** data);
    /* Memory blocks the engine may free (malloc and free). */
    void* (*allocate)(struct ZRHostContext* context, size_t size);
    void (*release)(struct ZRHostContext* context, void* block);
} ZRModuleHost;

/* The module's way back to the engine, reached through `ZRCallBlock.context`. */
typedef struct ZRHostContext {
    const ZRModuleHost* host;
    const char* fileName; /* the opened file, UTF-8 */
    void* engine;         /* the engine's own; modules leave it alone */
} ZRHostContext;

/* The block a single-entry module receives with every call, zeroed before ZR_PLUGIN_OPEN. The
 * module fills the media description on open; the engine reads it afterwards. */
typedef struct ZRCallBlock {
    ZRHostContext* context;
    void* moduleData;     /* the module's own state for this file; the engine never touches it */
    const void* argument; /* per opcode, see the opcodes above */
    uint8_t renderFlags;  /* 0 before every ZR_PLUGIN_RENDER_VIDEO */
    /* Set by the module on open. */
    double frameRate;    /* frames per second of the media */
    double playLength;   /* seconds */
    double sourceLength; /* seconds */
    int32_t hasVideo;
    int32_t hasAudio;
    int32_t formatCode; /* the source's video format code, compared with the forced format of
                           background rendering; 0 = none */
    int32_t videoWidth; /* the source picture size, 0 x 0 without video */
    int32_t videoHeight;
    ZRAudioFormat audio; /* set on open (again on ZR_PLUGIN_SEEK_AUDIO); zero without audio */
    /* Per call. */
    void* engineImage; /* the engine's image for the call; opaque */
    ZRVideoDescriptor video;
} ZRCallBlock;

/* --- Entry points ---------------------------------------------------------------------------- */

typedef intptr_t (*ZRPluginCallFunction)(ZRCallBlock* block, intptr_t reserved, int32_t opcode);
typedef ZRModuleInfo* (*ZRModuleInfoFunction)(int32_t language, ZRStringLookup lookup);
typedef ZRSettingTree* (*ZRModuleGUIFunction)(int32_t language, ZRStringLookup lookup);
typedef void (*ZRSetModuleGUIResultFunction)(void);

typedef void (*ZRGenerateTransitionFunction)(ZRImageRecord* first, ZRImageRecord* second,
                                             ZRImageRecord* output, int32_t progress);
typedef ZRTransitionSettings* (*ZRTransitionGUIFunction)(void);
typedef void (*ZRSetTransitionGUIFunction)(void);
typedef void (*ZRResetTransitionGUIFunction)(void);
typedef void (*ZRCustomTransitionConfigFunction)(void);

typedef int32_t (*ZRGenerateVideoEffectFunction)(ZRImageRecord* input, ZRImageRecord* output,
                                                 int32_t progress);

typedef void (*ZRExportConfigFunction)(int32_t reserved, ZRExportRecord* record);
typedef int32_t (*ZRExportStartFunction)(ZRExportRecord* record, int32_t totalFrames);
typedef int32_t (*ZRExportEncodeFunction)(ZRImageRecord* frame, const void* audio,
                                          int32_t audioBytes);
typedef void (*ZRExportEndFunction)(void);

/* Single-entry modules. Answers: open 0 = success; info a `ZRPluginInfo*`; others 0. */
ZR_PLUGIN_ENTRY intptr_t zrPluginCall(ZRCallBlock* block, intptr_t reserved, int32_t opcode);

/* Every transition, effect and exporter. */
ZR_PLUGIN_ENTRY ZRModuleInfo* moduleInfo20(int32_t language, ZRStringLookup lookup);
/* Video effects: the settings tree, or null without settings. */
ZR_PLUGIN_ENTRY ZRSettingTree* moduleGUI20(int32_t language, ZRStringLookup lookup);
/* Video effects: the tree's values were written back; take them. */
ZR_PLUGIN_ENTRY void setModuleGUIResult20(void);

/* Transitions: `output` = `first` going to `second` as `progress` runs 0..10000. */
ZR_PLUGIN_ENTRY void generateTransition(ZRImageRecord* first, ZRImageRecord* second,
                                        ZRImageRecord* output, int32_t progress);
ZR_PLUGIN_ENTRY ZRTransitionSettings* transitionGUI(void);
ZR_PLUGIN_ENTRY void setTransitionGUI(void);
ZR_PLUGIN_ENTRY void resetTransitionGUI(void);
ZR_PLUGIN_ENTRY void customTransitionConfig(void);

/* Video effects: `output` from `input` at `progress` 1..100000; the engine fills `output` with
 * bytes 0xFF before the call. */
ZR_PLUGIN_ENTRY int32_t generateVideoEffect(ZRImageRecord* input, ZRImageRecord* output,
                                            int32_t progress);

/* Export modules. `exportEncode` answering 0 ends the export. */
ZR_PLUGIN_ENTRY void exportConfig(int32_t reserved, ZRExportRecord* record);
ZR_PLUGIN_ENTRY int32_t exportStart(ZRExportRecord* record, int32_t totalFrames);
ZR_PLUGIN_ENTRY int32_t exportEncode(ZRImageRecord* frame, const void* audio, int32_t audioBytes);
ZR_PLUGIN_ENTRY void exportEnd(void);

#ifdef __cplusplus
}
#endif

/* What the engine relies on: pointer-sized user words, and the sizes of the records it copies or
 * allocates whole (on the 64-bit platforms the engine is built for). A change here is a change of
 * the interface: every module must be rebuilt with it. */
ZR_PLUGIN_STATIC_ASSERT(sizeof(intptr_t) == sizeof(void*), "intptr_t must hold a pointer");
#if UINTPTR_MAX == 0xFFFFFFFFFFFFFFFFu
ZR_PLUGIN_STATIC_ASSERT(sizeof(ZRTransitionSettings) == 144, "transition settings size");
ZR_PLUGIN_STATIC_ASSERT(sizeof(ZRModuleInfo) == 448, "module info size");
ZR_PLUGIN_STATIC_ASSERT(sizeof(ZRPluginInfo) == 188, "plug-in info size");
ZR_PLUGIN_STATIC_ASSERT(sizeof(ZRExportRecord) == 5168, "export record size");
ZR_PLUGIN_STATIC_ASSERT(sizeof(ZRCallBlock) == 168, "call block size");
#endif
