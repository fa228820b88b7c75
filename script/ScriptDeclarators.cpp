#include "script/ScriptContext.h"
#include "script/ScriptMessages.h"

#include <algorithm>

// Declarators are read as in C: `*` makes a pointer, `[n]` an array, `(parameters)` a function,
// `(declarator)` groups, and the type is built inside out (`integer *f(string s)` is a function
// returning a pointer to integer).

namespace {

using Kind = ScriptTokenKind;
using Step = ZRScriptContext::Declarator::Step;

bool endsDeclarator(const ScriptTok& t) {
    switch (t.kind) {
    case Kind::Comma:
    case Kind::Semicolon:
    case Kind::RightParen:
    case Kind::LeftBrace:
    case Kind::End:
        return true;
    case Kind::Operator:
        return t.op == ScriptOp::Assign;
    default:
        return false;
    }
}

} // namespace

uint32_t ZRScriptContext::parseDeclarator(uint32_t pos, bool run, Declarator& out) {
    if (!enterSyntax(pos)) return kScriptFail;
    uint32_t result;
    const ScriptTok& t = tok(pos);
    if (t.kind == Kind::Operator && t.op == ScriptOp::Multiply) {
        // The pointer applies to the base first; the rest of the declarator to the pointer.
        Declarator inner;
        result = parseDeclarator(pos + 1, run, inner);
        if (result != kScriptFail) {
            out.nameToken = inner.nameToken;
            out.steps.clear();
            out.steps.push_back(Step{Step::Kind::Pointer, 0, {}, false});
            for (Step& s : inner.steps)
                out.steps.push_back(std::move(s));
        }
    } else {
        result = parseDirect(pos, run, out);
    }
    leaveSyntax();
    return result;
}

uint32_t ZRScriptContext::parseDirect(uint32_t pos, bool run, Declarator& out) {
    Declarator inner;
    const ScriptTok& first = tok(pos);
    if (first.kind == Kind::Identifier) {
        inner.nameToken = pos++;
    } else if (first.kind == Kind::LeftParen) {
        pos = parseDeclarator(pos + 1, run, inner);
        if (pos == kScriptFail) return kScriptFail;
        if (tok(pos).kind != Kind::RightParen) {
            report(ScriptForm::AtLine, scriptmsg::kTypeSyntax, line(pos));
            return kScriptFail;
        }
        ++pos;
    } else if (first.kind == Kind::Error) {
        report(ScriptForm::AtLine, scriptmsg::kLexical, line(pos));
        return kScriptFail;
    } else if (!endsDeclarator(first) && first.kind != Kind::LeftBracket) {
        report(ScriptForm::AtLine, scriptmsg::kSyntax, line(pos));
        return kScriptFail;
    }
    std::vector<Step> suffixes;
    while (true) {
        const ScriptTok& t = tok(pos);
        if (t.kind == Kind::LeftBracket) {
            Step step{Step::Kind::Array, 0, {}, false};
            const size_t before = stack.size();
            const uint32_t p = evaluate(pos + 1, run);
            if (p == kScriptFail) return kScriptFail;
            if (run) {
                ScriptValue raw;
                alignas(8) unsigned char count[16] = {};
                bool ok = stack.size() > before && popValue(raw);
                ok = ok && convert(count, bt.unsignedInt, raw.area, raw.type);
                destroyValue(raw.type, raw.area);
                if (!ok) {
                    report(ScriptForm::AtLine, scriptmsg::kIllegalIndex, line(p));
                    return kScriptFail;
                }
                std::memcpy(&step.count, count, sizeof step.count);
            }
            if (tok(p).kind != Kind::RightBracket) {
                report(ScriptForm::AtLine, scriptmsg::kTypeSyntax, line(p));
                return kScriptFail;
            }
            pos = p + 1;
            suffixes.push_back(std::move(step));
        } else if (t.kind == Kind::LeftParen) {
            Step step{Step::Kind::Function, 0, {}, false};
            pos = parseParameters(pos + 1, run, step);
            if (pos == kScriptFail) return kScriptFail;
            suffixes.push_back(std::move(step));
        } else if (endsDeclarator(t)) {
            break;
        } else if (t.kind == Kind::Error) {
            report(ScriptForm::AtLine, scriptmsg::kLexical, line(pos));
            return kScriptFail;
        } else {
            // A field of a structure ends with `;`: anything else there is the definition's
            // syntax error.
            report(ScriptForm::AtLine, readingFields ? scriptmsg::kTypeSyntax : scriptmsg::kSyntax,
                   line(pos));
            return kScriptFail;
        }
    }
    out.nameToken = inner.nameToken;
    out.steps.clear();
    for (auto it = suffixes.rbegin(); it != suffixes.rend(); ++it)
        out.steps.push_back(std::move(*it));
    for (Step& s : inner.steps)
        out.steps.push_back(std::move(s));
    return pos;
}

uint32_t ZRScriptContext::parseParameters(uint32_t pos, bool run, Declarator::Step& step) {
    if (tok(pos).kind == Kind::RightParen) return pos + 1;
    while (true) {
        const ScriptTok& t = tok(pos);
        if (t.kind == Kind::Ellipsis) {
            step.varArgs = true;
            if (tok(pos + 1).kind != Kind::RightParen) {
                report(ScriptForm::Sentence, scriptmsg::kFunctionSyntax);
                return kScriptFail;
            }
            return pos + 2;
        }
        ScriptType* type = typeNamed(pos);
        const bool open = !type && t.kind == Kind::Identifier && nameOf(pos) == "anytype";
        if (!type && !open && (run || t.kind != Kind::Identifier)) {
            report(ScriptForm::AtLine,
                   t.kind == Kind::Error ? scriptmsg::kLexical : scriptmsg::kUnknownParameterType,
                   line(pos));
            return kScriptFail;
        }
        Declarator d;
        const uint32_t p = parseDeclarator(pos + 1, run, d);
        if (p == kScriptFail) return kScriptFail;
        if (run) {
            std::string name;
            ScriptType* built = nullptr;
            if (d.nameToken == UINT32_MAX) {
                report(scriptmsg::kTooFewElements, scriptmsg::kPrefix);
                return kScriptFail;
            }
            if (open && !d.steps.empty()) {
                report(ScriptForm::AtLine, scriptmsg::kTypeSyntax, line(pos));
                return kScriptFail;
            }
            if (!open && !buildType(type, d, name, built, line(pos))) return kScriptFail;
            step.params.push_back(
                ScriptMember{std::string(nameOf(d.nameToken)), open ? nullptr : built, 0});
        }
        pos = p;
        if (tok(pos).kind == Kind::Comma) {
            ++pos;
            continue;
        }
        if (tok(pos).kind == Kind::RightParen) return pos + 1;
        report(ScriptForm::AtLine, scriptmsg::kTypeSyntax, line(pos));
        return kScriptFail;
    }
}

bool ZRScriptContext::buildType(ScriptType* base, const Declarator& d, std::string& name,
                                ScriptType*& type, int ln) {
    ScriptType* t = base;
    for (const Declarator::Step& s : d.steps) {
        if (!t && s.kind != Step::Kind::Function) {
            // `anytype` is only a function's open result.
            report(ScriptForm::Plain, scriptmsg::kTypeSyntax);
            return false;
        }
        switch (s.kind) {
        case Step::Kind::Pointer:
            t = internPointer(t, true);
            break;
        case Step::Kind::Array:
            if (t->isFunction() || t->incomplete) {
                report(ScriptForm::AtLine, scriptmsg::kTypeSyntax, ln);
                return false;
            }
            t = internArray(t, s.count);
            if (!t) {
                report(ScriptForm::Plain, scriptmsg::kMemory);
                return false;
            }
            break;
        case Step::Kind::Function:
            if (t && (t->isFunction() || t->isArray())) {
                report(ScriptForm::AtLine, scriptmsg::kTypeSyntax, ln);
                return false;
            }
            t = internFunction(t, s.params, s.varArgs);
            break;
        }
    }
    if (!t) {
        report(ScriptForm::Plain, scriptmsg::kTypeSyntax);
        return false;
    }
    name = d.nameToken == UINT32_MAX ? std::string() : std::string(nameOf(d.nameToken));
    type = t;
    return true;
}
