#pragma once

/// The interpreter's message texts. Texts that begin with "%s" are formats whose first
/// argument is kScriptPrefix; the others are joined to the prefix by a message form.
namespace scriptmsg {

inline constexpr const char* kPrefix = "Script interpretator: ";
inline constexpr const char* kLine = "line";

inline constexpr const char* kMemory = "Memory allocation error";
inline constexpr const char* kCopy = "%s Don't know how to copy %d type value.";
inline constexpr const char* kFunctionError = "%s Error during %s function execution";
inline constexpr const char* kFunctionErrorLine = "%s Error during %s function execution (line %d)";
inline constexpr const char* kConvertFailed = "%s failed to convert value from %s to %s.";
inline constexpr const char* kCannotConvert = "%s don't know how to convert value from %s to %s.";
inline constexpr const char* kUnknownVariable = "unknown variable";
inline constexpr const char* kArrayAccess = "%sfailed to access %s [ %u ]";
inline constexpr const char* kReturnsUnknown = "%sFunction %s returns unknown type value";
inline constexpr const char* kReturnedUnknown =
    "%sFunction %s returned unknown type value (line %d)";
inline constexpr const char* kNotArray = "%s'%s' type is not array.";
inline constexpr const char* kSyntax = "Syntax error";
inline constexpr const char* kNotMember = "%s'%s' is not a member of '%s'";
inline constexpr const char* kNotStructure = "%s'%s' is not structure type";
inline constexpr const char* kCannotAssign = "%scan't assign %s to %s";
inline constexpr const char* kIllegalAssignment = "illegal assignment";
inline constexpr const char* kIncompatible = "incompatible operand types";
inline constexpr const char* kNotSupported =
    "specified operation not supported for this operand types";
inline constexpr const char* kUnsupported = "unsupported operation";
inline constexpr const char* kCannotApply = "%scan't apply '%s' to '%s' type.";
inline constexpr const char* kIllegalExpression = "illegal expression";
inline constexpr const char* kTypeSyntax = "type definition syntax error";
inline constexpr const char* kLexical = "lexical error";
inline constexpr const char* kMissingParen = "missing ')'";
inline constexpr const char* kMissingBracket = "missing ']'";
inline constexpr const char* kMissingBrace = "missing '}'";
inline constexpr const char* kFunctionSyntax = "function definition syntax error";
inline constexpr const char* kUnknownParameterType = "unknown parameter type";
inline constexpr const char* kCallSyntax = "invalid function call syntax";
inline constexpr const char* kUnknownFunction = "unknown function";
inline constexpr const char* kTooManyParameters = "%stoo many parameters (%d) in function call";
inline constexpr const char* kIllegalIndex = "illegal index";
inline constexpr const char* kIllegalInitializer = "illegal or unsupported initializer";
inline constexpr const char* kGlobalDisabled = "Global definitions are disabled.";
inline constexpr const char* kForSyntax = "illegal 'for' statement syntax";
inline constexpr const char* kWhileSyntax = "illegal 'while' statement syntax";
inline constexpr const char* kIfSyntax = "illegal 'if' statement syntax";
inline constexpr const char* kUnexpectedEnd = "unexpected '}' or end of text";
inline constexpr const char* kIllegalField = "illegal structure field";
inline constexpr const char* kLocalGlobalType =
    "%sillegal global type '%s' definition: structure has local type fields";
inline constexpr const char* kIllegalStructure = "illegal structure definition";
inline constexpr const char* kPointerArithmetic = "illegal operand for pointer arithmetics";
inline constexpr const char* kExecuteParameter = "illegal 'execute' or '#include' parameter";
inline constexpr const char* kExternalScript = "error in external script execution";
inline constexpr const char* kCannotOpenInclude = "Cannot open include file";
inline constexpr const char* kIncludeNesting =
    "#include nesting level is too much, #include ignored";
inline constexpr const char* kTooFewElements = "%stoo few elements in stack after type expression.";
inline constexpr const char* kTooManyElements =
    "%stoo many elements in stack after type expression.";

// Limits that keep a script from exhausting the process.
inline constexpr const char* kCallNesting = "function call nesting level is too much";
inline constexpr const char* kExecuteNesting = "execute nesting level is too much";
inline constexpr const char* kHookSignature = "%s'%s' cannot be a hook: it must be declared as %s";
inline constexpr const char* kSyntaxNesting = "expression nesting level is too much";
inline constexpr const char* kStepLimit = "step limit reached";

// Checked script pointers.
inline constexpr const char* kNullPointer = "null pointer access";
inline constexpr const char* kDanglingPointer = "access through a dangling pointer";
inline constexpr const char* kPointerRange = "pointer access out of range";
inline constexpr const char* kPointerType = "pointer access does not match the stored type";

} // namespace scriptmsg
