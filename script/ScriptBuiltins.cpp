#include "script/ScriptBuiltins.h"

#include "script/ScriptBuiltinRoutines.h"
#include "script/ScriptInterpreter.h"

#include <iterator>

namespace {

using namespace scriptbuiltin;

struct Builtin {
    const char* declaration; ///< "#global ... = 0x%X;"
    const char* name;
    const char* signature; ///< as scriptSignature spells the declared type
    ScriptNative function;
};

// In declaration order; each line receives the routine's registry token for "0x%X".
constexpr Builtin kBuiltins[] = {
    {"#global integer abs( integer i ) = 0x%X;", "abs", "integer(integer)", absInteger},
    {"#global float abs( float f ) = 0x%X;", "abs", "float(float)", absFloat},
    {"#global float cos( float f ) = 0x%X;", "cos", "float(float)", cosFloat},
    {"#global float sin( float f ) = 0x%X;", "sin", "float(float)", sinFloat},
    {"#global float tan( float f ) = 0x%X;", "tan", "float(float)", tanFloat},
    {"#global float cosh( float f ) = 0x%X;", "cosh", "float(float)", coshFloat},
    {"#global float sinh( float f ) = 0x%X;", "sinh", "float(float)", sinhFloat},
    {"#global float tanh( float f ) = 0x%X;", "tanh", "float(float)", tanhFloat},
    {"#global float acos( float f ) = 0x%X;", "acos", "float(float)", acosFloat},
    {"#global float asin( float f ) = 0x%X;", "asin", "float(float)", asinFloat},
    {"#global float atan( float f ) = 0x%X;", "atan", "float(float)", atanFloat},
    {"#global float exp( float x ) = 0x%X;", "exp", "float(float)", expFloat},
    {"#global float PI() = 0x%X;", "PI", "float()", pi},
    {"#global float copysign( float x, float y ) = 0x%X;", "copysign", "float(float,float)",
     copysignFloat},
    {"#global float fmod( float x, float y ) = 0x%X;", "fmod", "float(float,float)", fmodFloat},
    {"#global float floor( float x ) = 0x%X;", "floor", "float(float)", floorFloat},
    {"#global float log( float x ) = 0x%X;", "log", "float(float)", logFloat},
    {"#global float log10( float x ) = 0x%X;", "log10", "float(float)", log10Float},
    {"#global float pow( float x, float y ) = 0x%X;", "pow", "float(float,float)", powFloat},
    {"#global float max( float x, float y ) = 0x%X;", "max", "float(float,float)", maxFloat},
    {"#global float min( float x, float y ) = 0x%X;", "min", "float(float,float)", minFloat},
    {"#global float sqrt( float x ) = 0x%X;", "sqrt", "float(float)", sqrtFloat},
    {"#global string getenv( string vname ) = 0x%X;", "getenv", "string(string)", getenvString},
    {"#global integer strlen( string s ) = 0x%X;", "strlen", "integer(string)", strlenString},
    {"#global integer strlen( char *s ) = 0x%X;", "strlen", "integer(char*)", strlenChars},
    {"#global integer strcspn( string s, string chset ) = 0x%X;", "strcspn",
     "integer(string,string)", strcspnStrings},
    {"#global integer stricmp( string s1, string s2 ) = 0x%X;", "stricmp", "integer(string,string)",
     stricmpStrings},
    {"#global integer strncmp( string s1, string s2, integer n ) = 0x%X;", "strncmp",
     "integer(string,string,integer)", strncmpStrings},
    {"#global string sprintf( string format, ... ) = 0x%X;", "sprintf", "string(string,...)",
     sprintfString},
    {"#global string strpart1( string org, integer n ) = 0x%X;", "strpart1",
     "string(string,integer)", strpart1String},
    {"#global string strpart2( string org, integer n ) = 0x%X;", "strpart2",
     "string(string,integer)", strpart2String},
    {"#global integer strspn( string s, string chset ) = 0x%X;", "strspn", "integer(string,string)",
     strspnStrings},
    {"#global integer strsubstr( string s, string substr ) = 0x%X;", "strsubstr",
     "integer(string,string)", strsubstrStrings},
    {"#global integer atoi( string s ) = 0x%X;", "atoi", "integer(string)", atoiString},
    {"#global float atof( string s ) = 0x%X;", "atof", "float(string)", atofString},
    {"#global integer strncpy( char *sptr, string str ) = 0x%X;", "strncpy",
     "integer(char*,string)", strncpyString},
    {"#global integer strncpy( char *sptr, char *str ) = 0x%X;", "strncpy", "integer(char*,char*)",
     strncpyChars},
};

static_assert(std::size(kBuiltins) == 37);

} // namespace

void scriptDeclareBuiltins() {
    ZRScriptHost host;
    host.allowGlobal = 1;
    for (const Builtin& b : kBuiltins)
        scriptExecuteFormatted(&host, b.declaration,
                               scriptRegisterNative(b.name, b.signature, b.function));
}
