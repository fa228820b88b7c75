#include "script/ScriptContext.h"

#include <algorithm>

// Compiled statement lists. A list that is read again (a function's body at each call, a loop's
// body at each round, a branch) is divided into its statements once, by reading it without
// performing it. What a statement is depends on the text and on what each identifier names, so
// the division holds while the name epoch does; a statement that changes what a name means has
// the rest of its list read from the text.
//
// Reading a statement without performing it changes nothing but the reading position, the line,
// the syntax levels it passes through and the `#global` flag, so each node keeps those for itself
// and the nodes behind it: from a node that is not performed on (a branch not taken, the rest of
// a body after `return` or `break`), the list is jumped over.

namespace {

using Node = ScriptStatementNode;

} // namespace

void ScriptSource::StatementListsDelete::operator()(ScriptStatementLists* lists) const {
    delete lists;
}

ScriptStatementLists& ScriptSource::statementLists(uint32_t index) const {
    NameCache& c = m_cache[index];
    if (!c.statements) {
        m_statements.emplace_back(new ScriptStatementLists);
        c.statements = uint32_t(m_statements.size());
    }
    return *m_statements[c.statements - 1];
}

uint32_t ZRScriptContext::executeStatements(uint32_t pos, bool listMode, bool run, bool loop) {
    if (!enterSyntax(pos)) return kScriptFail;
    const ScriptStatementList* list = statementList(pos, listMode);
    const uint32_t end =
        list ? runStatements(*list, listMode, run, loop) : statementLoop(pos, listMode, run, loop);
    leaveSyntax();
    return end;
}

const ScriptStatementList* ZRScriptContext::statementListAgain(uint32_t pos, bool listMode) {
    if (exprStop != ScriptSource::kNoStop) return nullptr;
    ScriptSource::NameCache& c = src->cache(pos);
    if (!c.statements) {
        // A text read once (most of a project file) compiles nothing.
        const uint8_t use = listMode ? 2 : 4;
        if (!(c.seen & use)) {
            c.seen |= use;
            return nullptr;
        }
    }
    ScriptStatementLists& lists = src->statementLists(pos);
    ScriptStatementList& list = listMode ? lists.list : lists.single;
    if (list.epoch != scriptNameEpoch()) compileStatements(list, pos, listMode);
    return list.failed ? nullptr : &list;
}

void ZRScriptContext::compileStatements(ScriptStatementList& list, uint32_t pos, bool listMode) {
    const uint64_t epoch = scriptNameEpoch();
    const size_t reported = errorText.size();
    const bool savedPending = globalPending;
    const int savedLine = lineNow;
    const int savedPeak = syntaxPeak;
    list = ScriptStatementList{};
    list.epoch = epoch;
    bool ok = true;
    for (uint32_t p = pos;;) {
        Node node;
        node.pos = p;
        node.line = line(p);
        node.kind = statementKind(p);
        if (node.kind == Node::Kind::End) {
            ok = listMode;
            list.end = p;
            list.endLine = node.line;
            break;
        }
        // Every change of the flag sets it to a constant; from a set flag each of them is
        // counted, so that no change means the node leaves the flag as it finds it.
        globalPending = true;
        const uint32_t writes = pendingWrites;
        syntaxPeak = syntaxDepth;
        const uint32_t next = statement(p, node.kind, false, false);
        if (next == kScriptFail || scriptNameEpoch() != epoch) {
            ok = false;
            break;
        }
        node.end = next;
        node.completes = scriptStatementCompletes(node.kind);
        node.endLine = lineNow;
        node.depth = syntaxPeak - syntaxDepth;
        node.pending = pendingWrites == writes ? Node::Pending::Unchanged
                       : globalPending         ? Node::Pending::Set
                                               : Node::Pending::Clear;
        // An expression of a list read again is compiled on its first evaluation.
        if (node.kind == Node::Kind::Expression)
            src->compiledPlace(p);
        else if (node.kind == Node::Kind::Return || node.kind == Node::Kind::Parenthesised)
            src->compiledPlace(p + 1);
        list.nodes.push_back(node);
        p = next;
        if (!listMode && node.completes) break;
    }
    if (errorText.size() != reported) {
        // What the reading reported is reported again when the text is read where it stands.
        errorText.resize(reported);
        ok = false;
    }
    globalPending = savedPending;
    lineNow = savedLine;
    syntaxPeak = savedPeak;
    if (!ok) {
        list.nodes.clear();
        list.nodes.shrink_to_fit();
        list.failed = true;
        return;
    }
    Node::Pending restPending = Node::Pending::Unchanged;
    int restDepth = 0;
    for (auto node = list.nodes.rbegin(); node != list.nodes.rend(); ++node) {
        if (restPending == Node::Pending::Unchanged) restPending = node->pending;
        restDepth = std::max(restDepth, node->depth);
        node->restPending = restPending;
        node->restDepth = restDepth;
    }
}

// Inlined into executeStatements, its one caller: a body read again pays one call per list.
[[gnu::always_inline]] inline uint32_t
ZRScriptContext::runStatements(const ScriptStatementList& list, bool listMode, bool run,
                               bool loop) {
    // A statement performed may compile the list again (a call of the function whose body it
    // is, once a name changed its meaning): nothing of the list is used after the epoch changed.
    const uint64_t epoch = list.epoch;
    for (const Node *node = list.nodes.data(), *last = node + list.nodes.size(); node != last;
         ++node) {
        const Node::Kind kind = node->kind;
        const uint32_t end = node->end;
        const bool ends = !listMode && node->completes;
        if (!run || breakFlag || returnFlag) {
            // Nothing behind is performed either: the rest is jumped over, unless its levels
            // would pass the limit (the reading reports that).
            if (syntaxDepth + node->restDepth > kMaxSyntaxDepth)
                return statementLoop(node->pos, listMode, run, loop);
            syntaxPeak = std::max(syntaxPeak, syntaxDepth + node->restDepth);
            if (node->restPending != Node::Pending::Unchanged)
                globalPending = node->restPending == Node::Pending::Set;
            if (listMode) break;
            lineNow = list.nodes.back().endLine;
            return list.nodes.back().end;
        }
        lineNow = node->line;
        if (!countStep(node->pos)) return kScriptFail;
        // The statements of loop bodies and function bodies are performed from here, the rest
        // through `statement`.
        uint32_t next;
        if (kind == Node::Kind::Empty) {
            setGlobalPending(false);
            if (ends) return end;
            continue;
        }
        if (kind == Node::Kind::Expression)
            next = expressionStatement(node->pos, true);
        else if (kind == Node::Kind::If)
            next = statementIf(node->pos, true, loop);
        else if (kind == Node::Kind::Return)
            next = statementReturn(node->pos, true);
        else if (kind == Node::Kind::Block)
            next = statementBlock(node->pos, true, loop);
        else
            next = statement(node->pos, kind, true, loop);
        if (next == kScriptFail) return kScriptFail;
        if (next != end || scriptNameEpoch() != epoch)
            return ends ? next : statementLoop(next, listMode, run, loop);
        if (ends) return end;
    }
    lineNow = list.endLine;
    if (run && !breakFlag && !returnFlag && !countStep(list.end)) return kScriptFail;
    return list.end;
}
