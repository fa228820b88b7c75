#include "script/ScriptBuiltinRoutines.h"

#include <cmath>
#include <cstdint>

namespace {

float arg(void* const* args, int i) {
    return scriptSlot<float>(args[i]);
}

int result(ScriptCall* call, double value) {
    scriptSetSlot(call->result, float(value));
    return 1;
}

} // namespace

namespace scriptbuiltin {

int absInteger(ZRScriptHost*, ScriptCall* call, void* const* args, int) {
    // -2147483648 stays as it is, as 32-bit two's complement gives it.
    const int32_t i = scriptSlot<int32_t>(args[0]);
    scriptSetSlot(call->result, int32_t(i < 0 ? 0u - uint32_t(i) : uint32_t(i)));
    return 1;
}

int absFloat(ZRScriptHost*, ScriptCall* call, void* const* args, int) {
    return result(call, std::fabs(double(arg(args, 0))));
}

int cosFloat(ZRScriptHost*, ScriptCall* call, void* const* args, int) {
    return result(call, std::cos(double(arg(args, 0))));
}
int sinFloat(ZRScriptHost*, ScriptCall* call, void* const* args, int) {
    return result(call, std::sin(double(arg(args, 0))));
}
int tanFloat(ZRScriptHost*, ScriptCall* call, void* const* args, int) {
    return result(call, std::tan(double(arg(args, 0))));
}
int coshFloat(ZRScriptHost*, ScriptCall* call, void* const* args, int) {
    return result(call, std::cosh(double(arg(args, 0))));
}
int sinhFloat(ZRScriptHost*, ScriptCall* call, void* const* args, int) {
    return result(call, std::sinh(double(arg(args, 0))));
}
int tanhFloat(ZRScriptHost*, ScriptCall* call, void* const* args, int) {
    return result(call, std::tanh(double(arg(args, 0))));
}
int acosFloat(ZRScriptHost*, ScriptCall* call, void* const* args, int) {
    return result(call, std::acos(double(arg(args, 0))));
}
int asinFloat(ZRScriptHost*, ScriptCall* call, void* const* args, int) {
    return result(call, std::asin(double(arg(args, 0))));
}
int atanFloat(ZRScriptHost*, ScriptCall* call, void* const* args, int) {
    return result(call, std::atan(double(arg(args, 0))));
}
int expFloat(ZRScriptHost*, ScriptCall* call, void* const* args, int) {
    return result(call, std::exp(double(arg(args, 0))));
}

int pi(ZRScriptHost*, ScriptCall* call, void* const*, int) {
    scriptSetSlot(call->result, uint32_t(0x40490FDB)); // 3.14159274, the float nearest to pi
    return 1;
}

int copysignFloat(ZRScriptHost*, ScriptCall* call, void* const* args, int) {
    return result(call, std::copysign(double(arg(args, 0)), double(arg(args, 1))));
}
int fmodFloat(ZRScriptHost*, ScriptCall* call, void* const* args, int) {
    return result(call, std::fmod(double(arg(args, 0)), double(arg(args, 1))));
}
int floorFloat(ZRScriptHost*, ScriptCall* call, void* const* args, int) {
    return result(call, std::floor(double(arg(args, 0))));
}
int logFloat(ZRScriptHost*, ScriptCall* call, void* const* args, int) {
    return result(call, std::log(double(arg(args, 0))));
}
int log10Float(ZRScriptHost*, ScriptCall* call, void* const* args, int) {
    return result(call, std::log10(double(arg(args, 0))));
}
int powFloat(ZRScriptHost*, ScriptCall* call, void* const* args, int) {
    return result(call, std::pow(double(arg(args, 0)), double(arg(args, 1))));
}
int maxFloat(ZRScriptHost*, ScriptCall* call, void* const* args, int) {
    const float x = arg(args, 0), y = arg(args, 1);
    return result(call, x >= y ? x : y);
}
int minFloat(ZRScriptHost*, ScriptCall* call, void* const* args, int) {
    const float x = arg(args, 0), y = arg(args, 1);
    return result(call, x <= y ? x : y);
}
int sqrtFloat(ZRScriptHost*, ScriptCall* call, void* const* args, int) {
    return result(call, std::sqrt(double(arg(args, 0))));
}

} // namespace scriptbuiltin
