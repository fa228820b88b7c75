#include "platform/file/ReadWholeFile.h"
#include "script/ScriptContext.h"
#include "script/ScriptMessages.h"

#include <algorithm>
#include <cstring>

// Statements are performed as they are read. With execution switched off the same code only
// reads, which is how a branch not taken, a loop's last round and a function body at its
// definition are skipped.

namespace {

using Kind = ScriptTokenKind;
using Node = ScriptStatementNode;

constexpr int kMaxIncludeDepth = 32;
constexpr uint64_t kMaxIncludeSize = 64ull << 20;

bool isAssign(const ScriptTok& t) {
    return t.kind == Kind::Operator && t.op == ScriptOp::Assign;
}

} // namespace

uint32_t ZRScriptContext::statementLoop(uint32_t pos, bool listMode, bool run, bool loop) {
    while (true) {
        const bool exec = run && !breakFlag && !returnFlag;
        const ScriptTok& t = tok(pos);
        lineNow = int(t.line);
        if (exec && !countStep(pos)) return kScriptFail;
        const Node::Kind kind = statementKind(pos);
        if (kind == Node::Kind::End) {
            if (listMode) return pos;
            report(ScriptForm::AtLineSentence, scriptmsg::kUnexpectedEnd, int(t.line));
            return kScriptFail;
        }
        if (kind == Node::Kind::Empty) {
            setGlobalPending(false);
            ++pos;
        } else {
            pos = kind == Node::Kind::Expression ? expressionStatement(pos, exec)
                                                 : statement(pos, kind, exec, loop);
        }
        if (pos == kScriptFail) return kScriptFail;
        if (!listMode && scriptStatementCompletes(kind)) return pos;
    }
}

uint32_t ZRScriptContext::statement(uint32_t pos, Node::Kind kind, bool run, bool loop) {
    switch (kind) {
    case Node::Kind::Empty:
        setGlobalPending(false);
        return pos + 1;
    case Node::Kind::Block:
        return statementBlock(pos, run, loop);
    case Node::Kind::If:
        return statementIf(pos, run, loop);
    case Node::Kind::While:
        return statementWhile(pos, run);
    case Node::Kind::For:
        return statementFor(pos, run);
    case Node::Kind::Return:
        return statementReturn(pos, run);
    case Node::Kind::Break:
        if (run && loop) breakFlag = true;
        return pos + 1;
    case Node::Kind::Typedef:
        return statementTypedef(pos, run);
    case Node::Kind::Global:
        setGlobalPending(true);
        return pos + 1;
    case Node::Kind::Include:
        return statementInclude(pos, run);
    case Node::Kind::Declaration:
        return declaration(pos, run);
    case Node::Kind::Expression:
        return expressionStatement(pos, run);
    case Node::Kind::Parenthesised:
        return statementParenthesised(pos, run);
    default:
        return statementUnreadable(pos, kind);
    }
}

uint32_t ZRScriptContext::statementBlock(uint32_t pos, bool exec, bool loop) {
    const uint32_t p = executeStatements(pos + 1, true, exec, loop);
    if (p == kScriptFail) return kScriptFail;
    if (tok(p).kind != Kind::RightBrace) {
        report(ScriptForm::Sentence, scriptmsg::kMissingBrace);
        return kScriptFail;
    }
    return p + 1;
}

uint32_t ZRScriptContext::statementReturn(uint32_t pos, bool exec) {
    const size_t before = stack.size();
    ScriptDirect direct;
    const uint32_t next = evaluate(pos + 1, exec, &direct);
    if (next == kScriptFail || !exec) return next;
    ScriptValue v;
    if (direct.taken) {
        v.type = bt.integer;
        std::memcpy(v.area, &direct.value, sizeof direct.value);
    } else if (stack.size() == before) {
        report(ScriptForm::SentenceAtLine, scriptmsg::kIllegalExpression, line(pos));
        return kScriptFail;
    } else if (!popValue(v)) {
        return kScriptFail;
    }
    destroyValue(returnValue.type, returnValue.area);
    returnValue = v;
    hasReturnValue = true;
    returnFlag = true;
    return next;
}

uint32_t ZRScriptContext::statementParenthesised(uint32_t pos, bool exec) {
    const uint32_t p = expressionStatement(pos + 1, exec);
    if (p == kScriptFail) return kScriptFail;
    if (tok(p).kind != Kind::RightParen) {
        report(ScriptForm::Sentence, scriptmsg::kMissingParen);
        return kScriptFail;
    }
    return p + 1;
}

uint32_t ZRScriptContext::statementUnreadable(uint32_t pos, Node::Kind kind) {
    if (kind == Node::Kind::Lexical)
        report(ScriptForm::AtLineSentence, scriptmsg::kLexical, line(pos));
    else
        report(ScriptForm::Sentence, scriptmsg::kSyntax);
    return kScriptFail;
}

uint32_t ZRScriptContext::evaluateCondition(uint32_t pos, bool run, int32_t& condition) {
    const size_t before = stack.size();
    ScriptDirect direct;
    const uint32_t p = evaluate(pos, run, &direct);
    condition = 0;
    if (p == kScriptFail || !run) return p;
    if (direct.taken) {
        condition = direct.value;
        return p;
    }
    if (stack.size() == before) {
        report(ScriptForm::SentenceAtLine, scriptmsg::kIllegalExpression, line(p));
        return kScriptFail;
    }
    ScriptValue v;
    const bool ok = popValue(v);
    if (ok) toInteger(v, condition);
    destroyValue(v.type, v.area);
    return ok ? p : kScriptFail;
}

uint32_t ZRScriptContext::statementIf(uint32_t pos, bool run, bool loop) {
    if (tok(pos + 1).kind != Kind::LeftParen) {
        report(ScriptForm::Sentence, scriptmsg::kIfSyntax);
        return kScriptFail;
    }
    int32_t condition = 0;
    uint32_t p = evaluateCondition(pos + 2, run, condition);
    if (p == kScriptFail) return kScriptFail;
    if (tok(p).kind == Kind::RightParen) ++p;
    p = executeStatements(p, false, run && condition != 0, loop);
    if (p == kScriptFail) return kScriptFail;
    if (tok(p).kind == Kind::Else) {
        p = executeStatements(p + 1, false, run && condition == 0, loop);
        if (p == kScriptFail) return kScriptFail;
    }
    return p;
}

uint32_t ZRScriptContext::loopCondition(uint32_t pos, int round, bool run, uint32_t conditionPos,
                                        Kind conditionEnd, uint32_t bodyPos, uint32_t stepPos,
                                        int32_t& condition) {
    // From the third round on, an integer loop may run the rest of its rounds at once.
    const ScriptLoopRun fast =
        run && round > 2 ? runIntegerLoop(pos, conditionPos, conditionEnd, bodyPos, stepPos)
                         : ScriptLoopRun::NotRun;
    condition = 0;
    if (fast == ScriptLoopRun::Failed) return kScriptFail;
    if (fast == ScriptLoopRun::Finished) return src->compiledPlace(conditionPos).end;
    return evaluateCondition(conditionPos, run, condition);
}

uint32_t ZRScriptContext::statementWhile(uint32_t pos, bool run) {
    if (tok(pos + 1).kind != Kind::LeftParen) {
        report(ScriptForm::Sentence, scriptmsg::kWhileSyntax);
        return kScriptFail;
    }
    const uint32_t conditionPos = pos + 2;
    for (int round = 1;; ++round) {
        int32_t condition = 0;
        const uint32_t p = loopCondition(pos, round, run, conditionPos, Kind::RightParen,
                                         UINT32_MAX, UINT32_MAX, condition);
        if (p == kScriptFail) return kScriptFail;
        if (tok(p).kind != Kind::RightParen) {
            report(ScriptForm::Sentence, scriptmsg::kMissingParen);
            return kScriptFail;
        }
        const bool body = run && condition != 0;
        const uint32_t end = executeStatements(p + 1, false, body, true);
        if (end == kScriptFail) return kScriptFail;
        if (!body || returnFlag) return end;
        if (breakFlag) {
            breakFlag = false;
            return end;
        }
    }
}

uint32_t ZRScriptContext::statementFor(uint32_t pos, bool run) {
    if (tok(pos + 1).kind != Kind::LeftParen) {
        report(ScriptForm::Plain, scriptmsg::kForSyntax);
        return kScriptFail;
    }
    // Expressions separated by commas, each required to leave a value when run.
    auto list = [&](uint32_t p, bool exec, Kind end, ScriptForm endForm) -> uint32_t {
        while (true) {
            const size_t before = stack.size();
            ScriptDirect discarded;
            discarded.dropped = true;
            const uint32_t q = evaluate(p, exec, &discarded);
            if (q == kScriptFail) return kScriptFail;
            if (exec && !discarded.taken && stack.size() == before) {
                report(ScriptForm::SentenceAtLine, scriptmsg::kIllegalExpression, line(q));
                return kScriptFail;
            }
            popEntries(before);
            if (tok(q).kind == Kind::Comma) {
                p = q + 1;
                continue;
            }
            if (tok(q).kind == end) return q + 1;
            if (endForm == ScriptForm::SentenceAtLine)
                report(ScriptForm::SentenceAtLine, scriptmsg::kForSyntax, line(q));
            else
                report(endForm, scriptmsg::kForSyntax);
            return kScriptFail;
        }
    };
    const uint32_t conditionPos = list(pos + 2, run, Kind::Semicolon, ScriptForm::Sentence);
    if (conditionPos == kScriptFail) return kScriptFail;
    bool first = true;
    uint32_t stepPos = 0, bodyPos = 0;
    for (int round = 1;; ++round) {
        int32_t condition = 0;
        const uint32_t p = loopCondition(pos, round, run, conditionPos, Kind::Semicolon, bodyPos,
                                         stepPos, condition);
        if (p == kScriptFail) return kScriptFail;
        if (tok(p).kind != Kind::Semicolon) {
            report(ScriptForm::SentenceAtLine, scriptmsg::kForSyntax, line(p));
            return kScriptFail;
        }
        if (first) {
            stepPos = p + 1;
            bodyPos = list(stepPos, false, Kind::RightParen, ScriptForm::Sentence);
            if (bodyPos == kScriptFail) return kScriptFail;
            first = false;
        }
        const bool body = run && condition != 0;
        const uint32_t end = executeStatements(bodyPos, false, body, true);
        if (end == kScriptFail) return kScriptFail;
        if (!body || returnFlag) return end;
        if (breakFlag) {
            breakFlag = false;
            return end;
        }
        if (list(stepPos, true, Kind::RightParen, ScriptForm::Sentence) == kScriptFail)
            return kScriptFail;
    }
}

bool ZRScriptContext::takeGlobal(bool run, ScriptForm disabledForm, bool prefixed) {
    if (!globalPending) return false;
    setGlobalPending(false);
    if (allowGlobal) return run;
    if (run) {
        if (prefixed)
            report(disabledForm, scriptmsg::kGlobalDisabled);
        else
            report("%s", scriptmsg::kGlobalDisabled);
    }
    return false;
}

uint32_t ZRScriptContext::declaration(uint32_t pos, bool run) {
    const uint32_t end = declarators(pos, run);
    if (run && global.hookScanPending && !installHooks()) return kScriptFail;
    return end;
}

uint32_t ZRScriptContext::declarators(uint32_t pos, bool run) {
    ScriptType* base = typeNamed(pos); // null: anytype
    const bool global = takeGlobal(run, ScriptForm::Plain, false);
    struct Scope {
        ZRScriptContext& ctx;
        ScriptForm lexical;
        ~Scope() {
            ctx.defineGlobal = false;
            ctx.lexicalForm = lexical;
        }
    } scope{*this, lexicalForm};
    defineGlobal = global;
    lexicalForm = ScriptForm::AtLine;
    ++pos;
    while (true) {
        Declarator d;
        const uint32_t p = parseDeclarator(pos, run, d);
        if (p == kScriptFail) return kScriptFail;
        ScriptVariable* variable = nullptr;
        if (run) {
            std::string name;
            ScriptType* type = nullptr;
            if (!buildType(base, d, name, type, line(pos))) return kScriptFail;
            if (name.empty() || type->incomplete) {
                report(ScriptForm::Plain, scriptmsg::kTypeSyntax);
                return kScriptFail;
            }
            variable = newVariable(name, type);
            if (!variable) {
                report(ScriptForm::Plain, scriptmsg::kMemory);
                return kScriptFail;
            }
        }
        pos = p;
        const ScriptTok& t = tok(pos);
        if (isAssign(t)) {
            pos = initialise(pos + 1, run, variable);
            if (pos == kScriptFail) return kScriptFail;
            const ScriptTok& after = tok(pos);
            if (after.kind == Kind::Comma) {
                ++pos;
                continue;
            }
            if (after.kind == Kind::Semicolon) return pos + 1;
            report(ScriptForm::AtLine, scriptmsg::kIllegalInitializer, int(after.line));
            return kScriptFail;
        }
        if (t.kind == Kind::LeftBrace) {
            if (run && !variable->type->isFunction()) {
                report(ScriptForm::AtLine, scriptmsg::kSyntax, int(t.line));
                return kScriptFail;
            }
            const uint32_t end = executeStatements(pos, false, false, false);
            if (end == kScriptFail) return kScriptFail;
            if (run) {
                variable->hasBody = true;
                variable->body = *srcHold;
                variable->bodyStart = pos;
                scriptBumpVariableEpoch(); // a new function to find
            }
            return end;
        }
        if (t.kind == Kind::Comma) {
            ++pos;
            continue;
        }
        if (t.kind == Kind::Semicolon) return pos + 1;
        if (t.kind == Kind::Error)
            report(ScriptForm::AtLine, scriptmsg::kLexical, int(t.line));
        else
            report(ScriptForm::AtLine, scriptmsg::kSyntax, int(t.line));
        return kScriptFail;
    }
}

uint32_t ZRScriptContext::initialise(uint32_t pos, bool run, ScriptVariable* variable) {
    const ScriptTok& t = tok(pos);
    switch (t.kind) {
    case Kind::Integer:
    case Kind::Unsigned:
    case Kind::Float:
    case Kind::Double:
    case Kind::String:
    case Kind::Operator:
    case Kind::Identifier:
    case Kind::LeftParen:
        break;
    case Kind::Error:
        report(ScriptForm::AtLine, scriptmsg::kLexical, int(t.line));
        return kScriptFail;
    default:
        report(ScriptForm::Sentence, scriptmsg::kIllegalInitializer);
        return kScriptFail;
    }
    const size_t before = stack.size();
    ScriptDirect direct;
    const uint32_t p = evaluate(pos, run, &direct);
    if (p == kScriptFail || !run) return p;
    ScriptValue v;
    if (direct.taken) {
        v.type = bt.integer;
        std::memcpy(v.area, &direct.value, sizeof direct.value);
    } else if (stack.size() == before) {
        report(ScriptForm::Sentence, scriptmsg::kIllegalInitializer);
        return kScriptFail;
    } else if (!popValue(v)) {
        return kScriptFail;
    }
    ScriptType* type = variable->type;
    if (type->isArray() || type->isStruct()) {
        // Reading goes on: the variable keeps its zero value.
        report(ScriptForm::AtLine, scriptmsg::kIllegalInitializer, line(p));
    } else {
        ScriptValue converted{type, {}};
        if (!convert(converted.area, type, v.area, v.type))
            report(scriptmsg::kCannotAssign, scriptmsg::kPrefix, scriptTypeName(v.type).c_str(),
                   scriptTypeName(type).c_str());
        store(type, variable->data(), converted.area);
    }
    destroyValue(v.type, v.area);
    return p;
}

uint32_t ZRScriptContext::statementTypedef(uint32_t pos, bool run) {
    ++pos;
    const bool isStruct = tok(pos).kind == Kind::Struct;
    const bool global = takeGlobal(run, isStruct ? ScriptForm::Sentence : ScriptForm::Plain, true);
    if (isStruct) return statementStruct(pos, run, global);
    ScriptType* base = typeNamed(pos);
    if (!base) {
        report(ScriptForm::SentenceAtLine, scriptmsg::kTypeSyntax, line(pos));
        return kScriptFail;
    }
    Declarator d;
    const uint32_t p = parseDeclarator(pos + 1, run, d);
    if (p == kScriptFail) return kScriptFail;
    if (run) {
        std::string name;
        ScriptType* type = nullptr;
        if (!buildType(base, d, name, type, line(pos))) return kScriptFail;
        if (name.empty()) {
            report(ScriptForm::Plain, scriptmsg::kTypeSyntax);
            return kScriptFail;
        }
        if (type->named) {
            auto alias = std::make_unique<ScriptType>();
            alias->kind = ScriptTypeKind::Alias;
            alias->base = type;
            alias->size = type->size;
            alias->incomplete = type->incomplete;
            const bool inGlobal = global && type->isGlobal();
            if (inGlobal) alias->flags |= kScriptTypeGlobal;
            ScriptTypeList& list = typeListFor(inGlobal);
            ScriptType* added = list.add(std::move(alias));
            list.name(added, name);
        } else {
            // An unnamed array or function type takes the name itself.
            typeListFor(type->isGlobal()).name(type, name);
        }
    }
    if (tok(p).kind != Kind::Semicolon) {
        report(ScriptForm::AtLine, scriptmsg::kTypeSyntax, line(p));
        return kScriptFail;
    }
    return p + 1;
}

uint32_t ZRScriptContext::statementStruct(uint32_t pos, bool run, bool global) {
    ++pos;
    if (tok(pos).kind != Kind::LeftBrace) {
        report(ScriptForm::SentenceAtLine, scriptmsg::kIllegalStructure, line(pos));
        return kScriptFail;
    }
    ++pos;
    std::vector<ScriptMember> fields;
    while (tok(pos).kind != Kind::RightBrace) {
        const ScriptTok& t = tok(pos);
        if (t.kind == Kind::End) {
            report(ScriptForm::Sentence, scriptmsg::kUnexpectedEnd);
            return kScriptFail;
        }
        if (t.kind != Kind::Identifier) {
            report(ScriptForm::AtLine, scriptmsg::kTypeSyntax, int(t.line));
            return kScriptFail;
        }
        ScriptType* fieldBase = typeNamed(pos);
        if (!fieldBase && run) {
            // Named before its definition: an empty type that a later definition completes.
            auto placeholder = std::make_unique<ScriptType>();
            placeholder->kind = ScriptTypeKind::Struct;
            placeholder->incomplete = true;
            if (global) placeholder->flags |= kScriptTypeGlobal;
            ScriptTypeList& list = typeListFor(global);
            fieldBase = list.add(std::move(placeholder));
            list.name(fieldBase, nameOf(pos));
        }
        ++pos;
        while (true) {
            Declarator d;
            readingFields = true;
            const uint32_t p = parseDeclarator(pos, run, d);
            readingFields = false;
            if (p == kScriptFail) return kScriptFail;
            if (run) {
                std::string name;
                ScriptType* type = nullptr;
                if (!buildType(fieldBase, d, name, type, line(pos))) return kScriptFail;
                if (name.empty() || type->size == 0 || type->incomplete) {
                    report(ScriptForm::NamedAtLine, scriptmsg::kIllegalField, line(pos), name);
                    return kScriptFail;
                }
                fields.push_back(ScriptMember{name, type, 0});
            }
            pos = p;
            if (tok(pos).kind == Kind::Comma) {
                ++pos;
                continue;
            }
            if (tok(pos).kind == Kind::Semicolon) {
                ++pos;
                break;
            }
            report(ScriptForm::AtLine, scriptmsg::kTypeSyntax, line(pos));
            return kScriptFail;
        }
    }
    ++pos;
    const ScriptTok& nameTok = tok(pos);
    if (nameTok.kind != Kind::Identifier) {
        report(ScriptForm::Sentence,
               nameTok.kind == Kind::End ? scriptmsg::kUnexpectedEnd : scriptmsg::kTypeSyntax);
        return kScriptFail;
    }
    if (run) {
        const std::string_view name = nameOf(pos);
        bool allGlobal = true;
        for (const ScriptMember& f : fields)
            allGlobal = allGlobal && f.type->isGlobal();
        if (global && !allGlobal) {
            report(scriptmsg::kLocalGlobalType, scriptmsg::kPrefix, std::string(name).c_str());
            fields.clear(); // the type is made without fields: nothing can reach past its size 0
        }
        ScriptType* existing = localTypes->find(name, nameTok.hash);
        if (!existing || !existing->incomplete)
            existing = this->global.types.find(name, nameTok.hash);
        if (existing && existing->incomplete && (allGlobal || !existing->isGlobal())) {
            scriptSetStructFields(existing, std::move(fields));
        } else {
            auto made = std::make_unique<ScriptType>();
            const bool inGlobal = global && allGlobal;
            if (inGlobal) made->flags |= kScriptTypeGlobal;
            scriptSetStructFields(made.get(), std::move(fields));
            ScriptTypeList& list = typeListFor(inGlobal);
            ScriptType* added = list.add(std::move(made));
            list.name(added, name);
        }
    }
    ++pos;
    if (tok(pos).kind != Kind::Semicolon) {
        report(ScriptForm::AtLine, scriptmsg::kTypeSyntax, line(pos));
        return kScriptFail;
    }
    return pos + 1;
}

uint32_t ZRScriptContext::statementInclude(uint32_t pos, bool run) {
    const int includeLine = line(pos);
    const uint32_t savedStop = exprStop;
    exprStop = tok(pos).v.stop;
    const size_t before = stack.size();
    const uint32_t p = evaluate(pos + 1, run);
    exprStop = savedStop;
    if (p == kScriptFail || !run) return p;
    if (stack.size() == before) {
        report(ScriptForm::SentenceAtLine, scriptmsg::kIllegalExpression, includeLine);
        return kScriptFail;
    }
    ScriptValue v;
    if (!popValue(v)) return kScriptFail;
    if (includeDepth >= kMaxIncludeDepth) {
        destroyValue(v.type, v.area);
        report(ScriptForm::SentenceAtLine, scriptmsg::kIncludeNesting, includeLine);
        return p;
    }
    ScriptValue nameValue{bt.string, {}};
    const bool converted = convert(nameValue.area, bt.string, v.area, v.type);
    destroyValue(v.type, v.area);
    if (!converted) {
        report(ScriptForm::SentenceAtLine, scriptmsg::kExecuteParameter, includeLine);
        return kScriptFail;
    }
    const char* raw = nullptr;
    std::memcpy(&raw, nameValue.area, sizeof raw);
    const std::string fileName = raw ? raw : "";
    destroyValue(nameValue.type, nameValue.area);

    std::string path = fileName;
    if (host && !host->includeFolder.empty() && !fileName.empty() && fileName[0] != '/')
        path = host->includeFolder + "/" + fileName;
    // A text is read and compiled once per run, however often it is included.
    std::string key = fileName;
    key.push_back('\0');
    key += path;
    ScriptSourcePtr& source = includedTexts[key];
    if (!source) {
        std::string text;
        const platform::FileRead read =
            platform::readWholeFile(path.c_str(), kMaxIncludeSize, text);
        if (!read.ok()) {
            includedTexts.erase(key);
            if (read.status == platform::FileRead::Status::StatFailed)
                report(ScriptForm::ColonNamedAtLineDetail, scriptmsg::kCannotOpenInclude,
                       includeLine, fileName, std::strerror(read.error));
            else if (read.status == platform::FileRead::Status::TooLarge)
                report(ScriptForm::SentenceAtLine, scriptmsg::kMemory, includeLine);
            else
                report(ScriptForm::ColonNamedAtLine, scriptmsg::kCannotOpenInclude, includeLine,
                       fileName);
            return kScriptFail;
        }
        source = std::make_shared<const ScriptSource>(text, fileName);
    }
    // The map may grow while the text runs (includes of other texts): the text is held here.
    const ScriptSourcePtr held = source;
    ++includeDepth;
    const bool ok = runText(held, true);
    --includeDepth;
    if (!ok) report(ScriptForm::FileAtLine, scriptmsg::kExternalScript, includeLine, fileName);
    return p;
}

bool ZRScriptContext::runText(const ScriptSourcePtr& source, bool run) {
    const ScriptSource* savedSrc = src;
    const ScriptSourcePtr* savedHold = srcHold;
    const uint32_t savedStop = exprStop;
    const ScriptForm savedLexical = lexicalForm;
    src = source.get();
    srcHold = &source;
    exprStop = ScriptSource::kNoStop;
    lexicalForm = ScriptForm::AtLineSentence;
    uint32_t end = executeStatements(0, true, run, false);
    if (end != kScriptFail && tok(end).kind == Kind::RightBrace) {
        // A `}` with no block to close: the rest of the text would be lost without a word.
        report(ScriptForm::AtLineSentence, scriptmsg::kUnexpectedEnd, line(end));
        end = kScriptFail;
    }
    src = savedSrc;
    srcHold = savedHold;
    exprStop = savedStop;
    lexicalForm = savedLexical;
    return end != kScriptFail;
}
