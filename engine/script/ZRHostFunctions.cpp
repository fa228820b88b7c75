// The engine's host functions: what scripts and project files call to build a timeline.
#include "engine/script/ZRHostFunctions.h"

#include "engine/api/ZREffect.h"
#include "engine/objects/ZRObject.h"
#include "engine/script/ZRFileRequest.h"
#include "engine/script/ZRProjectText.h"
#include "engine/script/ZRScriptFrontEnd.h"
#include "engine/timeline/ZRTimeline.h"
#include "script/ScriptInterpreter.h"
#include "script/ScriptMemory.h"

#include <QtGlobal>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

using Args = void* const*;

ZRTimeline* timeline() {
    return zrscript::engine();
}

int32_t intArg(Args args, int i) {
    return scriptSlot<int32_t>(args[i]);
}
const char* textArg(Args args, int i) {
    return scriptSlot<const char*>(args[i]);
}
int done(ScriptCall* call, int32_t result = 1) {
    scriptSetSlot(call->result, result);
    return 1;
}

void debugLine(ZRTimeline* t, const char* function, const char* what, int32_t handle) {
    char line[160];
    std::snprintf(line, sizeof line, "%s: %s handle %d\n", function, what, int(handle));
    t->host().debug(line);
}

// The object a handle names; null (after one debug line for a handle that is not 0) when it
// names no object of the timeline.
IZRObject* objectArg(ZRTimeline* t, Args args, int i, const char* function) {
    const int32_t handle = intArg(args, i);
    if (!t || handle == 0) return nullptr;
    IZRObject* object = t->handles().object(handle);
    if (!object) debugLine(t, function, "unknown object", handle);
    return object;
}
ZREffect* effectArg(ZRTimeline* t, Args args, int i, const char* function) {
    const int32_t handle = intArg(args, i);
    if (!t || handle == 0) return nullptr;
    ZREffect* effect = t->handles().effect(handle);
    if (!effect) debugLine(t, function, "unknown effect", handle);
    return effect;
}

// A position text HH:MM:SS.FF at the engine-wide frame rate; separators are not read.
ZRPos positionArg(Args args, int i) {
    ZRPos position;
    position.fromFixedText(textArg(args, i));
    return position;
}

int stringResult(ScriptCall* call, std::string_view text) {
    scriptSetSlot(call->result, scriptNewString(text));
    return 1;
}

void output(const char* text) {
    if (ZRTimeline* t = timeline()) t->host().scriptOutput(text);
}

// --- General utilities -------------------------------------------------------

// The two pixel copies reach script memory only through checked pointers: a count that does
// not fit the memory either pointer designates copies nothing.
int fxCopyPixel(ZRScriptHost*, ScriptCall* call, Args args, int) {
    const int64_t bytes = int64_t(intArg(args, 2)) * 4;
    if (bytes > 0 && bytes <= UINT32_MAX) {
        void* source = scriptNativeBytes(scriptSlot<uint64_t>(args[0]), uint32_t(bytes));
        void* dest = scriptNativeBytes(scriptSlot<uint64_t>(args[1]), uint32_t(bytes));
        if (source && dest) std::memmove(dest, source, size_t(bytes));
    }
    return done(call);
}

int fxCopyPixelBlock(ZRScriptHost*, ScriptCall* call, Args args, int) {
    const int32_t width = intArg(args, 2), height = intArg(args, 3);
    const int64_t bytes = int64_t(width) * height * 4;
    if (width > 0 && height > 0 && bytes <= UINT32_MAX) {
        void* source = scriptNativeBytes(scriptSlot<uint64_t>(args[0]), uint32_t(bytes));
        void* dest = scriptNativeBytes(scriptSlot<uint64_t>(args[1]), uint32_t(bytes));
        if (source && dest) std::memmove(dest, source, size_t(bytes));
    }
    return done(call);
}

int zrScriptInit(ZRScriptHost* host, ScriptCall* call, Args args, int) {
    const uint64_t pointer = scriptSlot<uint64_t>(args[0]);
    ZRTimeline* t = timeline();
    if (pointer == 0 || !t) return done(call);
    static ZRScriptInfo info;
    auto text = [&](const char* member) {
        void* at = scriptPointerMember(host, pointer, "ZRScriptInfo", member);
        return at ? scriptSlot<const char*>(at) : nullptr;
    };
    info.name = text("name");
    info.type = text("type");
    info.description = text("description");
    info.author = text("author");
    void* version = scriptPointerMember(host, pointer, "ZRScriptInfo", "version");
    info.version = version ? scriptSlot<float>(version) : 0.0f;
    t->host().scriptInfo(&info);
    return done(call);
}

int zrSuggestImportModule(ZRScriptHost*, ScriptCall* call, Args args, int) {
    ZRTimeline* t = timeline();
    const char* kind = t ? t->suggestImportModule(textArg(args, 0)) : nullptr;
    return stringResult(call, kind ? kind : "");
}

// The engine has no dialogs of its own: the program installs the requester that shows one.
int zrFileRequester(ZRScriptHost*, ScriptCall* call, Args, int) {
    return stringResult(call, zrscript::requestFile());
}

int putsString(ZRScriptHost*, ScriptCall* call, Args args, int) {
    const char* text = textArg(args, 0);
    output(text ? text : "");
    return done(call);
}
int putsInteger(ZRScriptHost*, ScriptCall* call, Args args, int) {
    char text[80];
    std::snprintf(text, sizeof text, "%i", int(intArg(args, 0)));
    output(text);
    return done(call);
}
int putsFloat(ZRScriptHost*, ScriptCall* call, Args args, int) {
    char text[80];
    std::snprintf(text, sizeof text, "%f", double(scriptSlot<float>(args[0])));
    output(text);
    return done(call);
}

// --- Timeline ----------------------------------------------------------------

int zrClearTimeline(ZRScriptHost*, ScriptCall* call, Args, int) {
    if (ZRTimeline* t = timeline()) t->clear();
    return done(call);
}

int zrObjectFactory(ZRScriptHost*, ScriptCall* call, Args args, int) {
    ZRTimeline* t = timeline();
    if (!t) return done(call, 0);
    const char* kind = textArg(args, 0);
    const char* subclass = textArg(args, 1);
    const char* module = textArg(args, 2);
    const char* given = textArg(args, 3);
    // The options of a host's overlay object are a function of the host, which no script can
    // give: such an object is skipped, not replaced.
    if (kind && subclass && qstricmp(kind, "Import") == 0 &&
        qstricmp(subclass, "External Video Object") == 0)
        return done(call, 0);
    // Text is UTF-8 throughout the engine, so the options of every kind pass on as decoded.
    const std::string options = zrproject::decodeText(given ? given : "");
    IZRObject* object = t->createObject(kind, subclass, module, options.c_str());
    if (!object) {
        object = t->createObject("Solid Color", "RGB(0,0,0)", nullptr, nullptr);
        if (!object) return done(call, 0);
        object->setName(given);
        t->host().event(5001, given);
    }
    return done(call, t->handles().handleOf(object));
}

int zrInsertObject(ZRScriptHost*, ScriptCall* call, Args args, int) {
    ZRTimeline* t = timeline();
    IZRObject* object = objectArg(t, args, 0, "zrInsertObject");
    if (!object) return done(call);
    const int32_t track = intArg(args, 1);
    ZRPos start = positionArg(args, 2);
    t->insertObject(track, &start, object);
    t->host().objectInserted(track);
    return done(call);
}

int zrObjectAt(ZRScriptHost*, ScriptCall* call, Args args, int) {
    ZRTimeline* t = timeline();
    if (!t) return done(call, 0);
    ZRPos at = positionArg(args, 1);
    IZRObject* object = t->objectAt(intArg(args, 0), &at, intArg(args, 2) != 0);
    return done(call, t->handles().handleOf(object));
}

// An integral value of a real-valued key ("Framerate", "Track Audio Level") is written without
// a point and arrives at the integer forms: they fall back to the real setters.
int setSetting(ZRScriptHost*, ScriptCall* call, Args args, int) {
    if (ZRTimeline* t = timeline()) {
        const char* name = textArg(args, 0);
        if (!t->setIntSetting(name, intArg(args, 1))) t->setDoubleSetting(name, intArg(args, 1));
    }
    return done(call);
}
int setSettingDouble(ZRScriptHost*, ScriptCall* call, Args args, int) {
    if (ZRTimeline* t = timeline())
        t->setDoubleSetting(textArg(args, 0), scriptSlot<double>(args[1]));
    return done(call);
}
int setSettingPair(ZRScriptHost*, ScriptCall* call, Args args, int) {
    if (ZRTimeline* t = timeline()) {
        const char* name = textArg(args, 0);
        const int32_t a = intArg(args, 1), b = intArg(args, 2);
        if (!t->setIntPairSetting(name, a, b)) t->setIndexedDoubleSetting(name, a, b);
    }
    return done(call);
}
int setSettingIndexedFloat(ZRScriptHost*, ScriptCall* call, Args args, int) {
    if (ZRTimeline* t = timeline())
        t->setIndexedDoubleSetting(textArg(args, 0), intArg(args, 1),
                                   double(scriptSlot<float>(args[2])));
    return done(call);
}
int setSettingIndexedDouble(ZRScriptHost*, ScriptCall* call, Args args, int) {
    if (ZRTimeline* t = timeline())
        t->setIndexedDoubleSetting(textArg(args, 0), intArg(args, 1), scriptSlot<double>(args[2]));
    return done(call);
}
int setSettingTriple(ZRScriptHost*, ScriptCall* call, Args args, int) {
    if (ZRTimeline* t = timeline())
        t->setIntTripleSetting(textArg(args, 0), intArg(args, 1), intArg(args, 2), intArg(args, 3));
    return done(call);
}

// --- Objects -----------------------------------------------------------------

int zrSetObjectName(ZRScriptHost*, ScriptCall* call, Args args, int) {
    ZRTimeline* t = timeline();
    if (IZRObject* object = objectArg(t, args, 0, "zrSetObjectName")) {
        const char* name = textArg(args, 1);
        object->setName(zrproject::decodeText(name ? name : "").c_str());
    }
    return done(call);
}

int zrObjectAppConfigString(ZRScriptHost*, ScriptCall* call, Args args, int) {
    ZRTimeline* t = timeline();
    if (IZRObject* object = objectArg(t, args, 0, "zrObjectAppConfigString")) {
        const char* text = textArg(args, 1);
        t->host().setAppConfigString(object, text ? text : "");
    }
    return done(call);
}

int zrSetObjectMarkIn(ZRScriptHost*, ScriptCall* call, Args args, int) {
    ZRTimeline* t = timeline();
    if (IZRObject* object = objectArg(t, args, 0, "zrSetObjectMarkIn")) {
        ZRPos at = positionArg(args, 1);
        t->setObjectMarkIn(object, &at);
    }
    return done(call);
}
int zrSetObjectMarkOut(ZRScriptHost*, ScriptCall* call, Args args, int) {
    ZRTimeline* t = timeline();
    if (IZRObject* object = objectArg(t, args, 0, "zrSetObjectMarkOut")) {
        ZRPos at = positionArg(args, 1);
        t->setObjectMarkOut(object, &at);
    }
    return done(call);
}

int objectSetting(ZRScriptHost*, ScriptCall* call, Args args, int) {
    if (auto* object = static_cast<ZRObject*>(objectArg(timeline(), args, 0, "zrSetObjectSetting")))
        object->setIntSetting(textArg(args, 1), intArg(args, 2));
    return done(call);
}
int objectSettingPair(ZRScriptHost*, ScriptCall* call, Args args, int) {
    if (auto* object = static_cast<ZRObject*>(objectArg(timeline(), args, 0, "zrSetObjectSetting")))
        object->setIntPairSetting(textArg(args, 1), intArg(args, 2), intArg(args, 3));
    return done(call);
}
int objectSettingTriple(ZRScriptHost*, ScriptCall* call, Args args, int) {
    if (auto* object = static_cast<ZRObject*>(objectArg(timeline(), args, 0, "zrSetObjectSetting")))
        object->setIntTripleSetting(textArg(args, 1), intArg(args, 2), intArg(args, 3),
                                    intArg(args, 4));
    return done(call);
}
int objectSettingDouble(ZRScriptHost*, ScriptCall* call, Args args, int) {
    if (auto* object = static_cast<ZRObject*>(objectArg(timeline(), args, 0, "zrSetObjectSetting")))
        object->setDoubleSetting(textArg(args, 1), scriptSlot<double>(args[2]));
    return done(call);
}
int objectSettingFloat(ZRScriptHost*, ScriptCall* call, Args args, int) {
    if (auto* object = static_cast<ZRObject*>(objectArg(timeline(), args, 0, "zrSetObjectSetting")))
        object->setDoubleSetting(textArg(args, 1), double(scriptSlot<float>(args[2])));
    return done(call);
}

// --- Effects -----------------------------------------------------------------

int zrEffectFactory(ZRScriptHost*, ScriptCall* call, Args args, int) {
    ZRTimeline* t = timeline();
    if (!t) return done(call, 0);
    ZREffect* effect = t->createEffect(textArg(args, 0), textArg(args, 1), textArg(args, 2));
    return done(call, t->handles().handleOf(effect));
}

int zrAddEffect(ZRScriptHost*, ScriptCall* call, Args args, int) {
    ZRTimeline* t = timeline();
    IZRObject* object = objectArg(t, args, 0, "zrAddEffect");
    ZREffect* effect = object ? effectArg(t, args, 1, "zrAddEffect") : nullptr;
    if (object && effect) object->addEffect(effect);
    return done(call);
}

int zrSetEffectMarkIn(ZRScriptHost*, ScriptCall* call, Args args, int) {
    if (ZREffect* effect = effectArg(timeline(), args, 0, "zrSetEffectMarkIn")) {
        const ZRPos at = positionArg(args, 1);
        effect->setMarkIn(&at);
    }
    return done(call);
}
int zrSetEffectMarkOut(ZRScriptHost*, ScriptCall* call, Args args, int) {
    if (ZREffect* effect = effectArg(timeline(), args, 0, "zrSetEffectMarkOut")) {
        const ZRPos at = positionArg(args, 1);
        effect->setMarkOut(&at);
    }
    return done(call);
}

constexpr ZRHostFunction kHostFunctions[] = {
    {"#global int fxCopyPixel( char *source, char *dest, integer pixel ) = 0x%X;", "fxCopyPixel",
     "integer(char*,char*,integer)", fxCopyPixel},
    {"#global int fxCopyPixelBlock( char *source, char *dest, integer width, integer height ) = "
     "0x%X;",
     "fxCopyPixelBlock", "integer(char*,char*,integer,integer)", fxCopyPixelBlock},
    {"#global typedef struct { string name; string type; string description; string author; "
     "float version; } ZRScriptInfo;",
     nullptr, nullptr, nullptr},
    {"#global int zrScriptInit( ZRScriptInfo *info ) = 0x%X;", "zrScriptInit",
     "integer(ZRScriptInfo*)", zrScriptInit},
    {"#global string zrSuggestImportModule( string fileName ) = 0x%X;", "zrSuggestImportModule",
     "string(string)", zrSuggestImportModule},
    {"#global string zrFileRequester( string text ) = 0x%X;", "zrFileRequester", "string(string)",
     zrFileRequester},
    {"#global integer puts( string s ) = 0x%X;", "puts", "integer(string)", putsString},
    {"#global integer puts( integer i ) = 0x%X;", "puts", "integer(integer)", putsInteger},
    {"#global integer puts( float i ) = 0x%X;", "puts", "integer(float)", putsFloat},
    {"#global integer zrClearTimeline( ) = 0x%X;", "zrClearTimeline", "integer()", zrClearTimeline},
    {"#global integer zrObjectFactory( string oClass, string oSubClass, string oModule, string "
     "oOptions ) = 0x%X;",
     "zrObjectFactory", "integer(string,string,string,string)", zrObjectFactory},
    {"#global integer zrInsertObject( integer object, integer track, string position ) = 0x%X;",
     "zrInsertObject", "integer(integer,integer,string)", zrInsertObject},
    {"#global integer zrObjectAt( integer track, string position, integer video ) = 0x%X;",
     "zrObjectAt", "integer(integer,string,integer)", zrObjectAt},
    {"#global integer zrSetSetting( string name, integer setting ) = 0x%X;", "zrSetSetting",
     "integer(string,integer)", setSetting},
    {"#global integer zrSetSetting( string name, double setting ) = 0x%X;", "zrSetSetting",
     "integer(string,double)", setSettingDouble},
    {"#global integer zrSetSetting( string name, integer setting1, integer setting2 ) = 0x%X;",
     "zrSetSetting", "integer(string,integer,integer)", setSettingPair},
    {"#global integer zrSetSetting( string name, integer setting1, float setting2 ) = 0x%X;",
     "zrSetSetting", "integer(string,integer,float)", setSettingIndexedFloat},
    {"#global integer zrSetSetting( string name, integer setting1, double setting2 ) = 0x%X;",
     "zrSetSetting", "integer(string,integer,double)", setSettingIndexedDouble},
    {"#global integer zrSetSetting( string name, integer setting1, integer setting2, integer "
     "setting3 ) = 0x%X;",
     "zrSetSetting", "integer(string,integer,integer,integer)", setSettingTriple},
    {"#global integer zrSetObjectName( integer object, string name ) = 0x%X;", "zrSetObjectName",
     "integer(integer,string)", zrSetObjectName},
    {"#global integer zrObjectAppConfigString( integer object, string config ) = 0x%X;",
     "zrObjectAppConfigString", "integer(integer,string)", zrObjectAppConfigString},
    {"#global integer zrSetObjectMarkIn( integer object, string position ) = 0x%X;",
     "zrSetObjectMarkIn", "integer(integer,string)", zrSetObjectMarkIn},
    {"#global integer zrSetObjectMarkOut( integer object, string position ) = 0x%X;",
     "zrSetObjectMarkOut", "integer(integer,string)", zrSetObjectMarkOut},
    {"#global integer zrSetObjectSetting( integer object, string name, integer setting ) = 0x%X;",
     "zrSetObjectSetting", "integer(integer,string,integer)", objectSetting},
    {"#global integer zrSetObjectSetting( integer object, string name, integer setting1, integer "
     "setting2 ) = 0x%X;",
     "zrSetObjectSetting", "integer(integer,string,integer,integer)", objectSettingPair},
    {"#global integer zrSetObjectSetting( integer object, string name, integer setting1, integer "
     "setting2, integer setting3 ) = 0x%X;",
     "zrSetObjectSetting", "integer(integer,string,integer,integer,integer)", objectSettingTriple},
    {"#global integer zrSetObjectSetting( integer object, string name, double setting ) = 0x%X;",
     "zrSetObjectSetting", "integer(integer,string,double)", objectSettingDouble},
    {"#global integer zrSetObjectSetting( integer object, string name, float setting ) = 0x%X;",
     "zrSetObjectSetting", "integer(integer,string,float)", objectSettingFloat},
    {"#global integer zrEffectFactory( string oClass, string oSubClass, string oModule ) = 0x%X;",
     "zrEffectFactory", "integer(string,string,string)", zrEffectFactory},
    {"#global integer zrAddEffect( integer object, integer effect ) = 0x%X;", "zrAddEffect",
     "integer(integer,integer)", zrAddEffect},
    {"#global integer zrSetEffectMarkIn( integer effect, string position ) = 0x%X;",
     "zrSetEffectMarkIn", "integer(integer,string)", zrSetEffectMarkIn},
    {"#global integer zrSetEffectMarkOut( integer effect, string position ) = 0x%X;",
     "zrSetEffectMarkOut", "integer(integer,string)", zrSetEffectMarkOut},
};

} // namespace

std::span<const ZRHostFunction> hostFunctions() {
    return kHostFunctions;
}
