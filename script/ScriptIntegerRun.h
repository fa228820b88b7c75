#pragma once

// The executor of integer functions (see ScriptIntegerFunctions.cpp), as templates: with
// `Counted` it counts the steps the general reading counts. Each variant is made in a file of
// its own (ScriptIntegerFunctions.cpp and ScriptIntegerCounted.cpp), so that the one without
// counting is compiled as tightly as it would be alone.

#include "script/ScriptContext.h"
#include "script/ScriptIntegerOps.h"
#include "script/ScriptMessages.h"
#include "script/ScriptRunStack.h"

#include <algorithm>
#include <cstring>

template <bool Counted>
bool ZRScriptContext::callIntegerAs(const ScriptVariable* fn, const ScriptIntegerFunction& f,
                                    const int32_t* args, int ln, int32_t& result) {
    char probe;
    if (callDepth >= scriptMaxCallDepth() || (stackLimit && &probe < stackLimit)) {
        report(ScriptForm::SentenceAtLine, scriptmsg::kCallNesting, ln);
        return false;
    }
    int32_t frame[ScriptIntegerFunction::kMaxSlots];
    if (f.parameters) std::memcpy(frame, args, f.parameters * sizeof(int32_t));
    // A declared variable is zeroed where it is declared; nothing reads it before.
    std::fill(frame + f.parameters, frame + f.frameSize, 0);
    ++callDepth;
    ScriptIntegerFlow flow = ScriptIntegerFlow::Normal;
    int32_t value = 0;
    const bool ok = runInteger<Counted>(f, f.body, frame, false, flow, value);
    --callDepth;
    if (!ok) {
        report(scriptmsg::kFunctionErrorLine, scriptmsg::kPrefix, fn->name.c_str(), ln);
        return false;
    }
    result = flow == ScriptIntegerFlow::Return ? value : 0;
    return true;
}

template <bool Counted>
bool ZRScriptContext::runInteger(const ScriptIntegerFunction& f, const ScriptIntegerStatement& s,
                                 int32_t* frame, bool loop, ScriptIntegerFlow& flow,
                                 int32_t& value) {
    using Flow = ScriptIntegerFlow;
    using Statement = ScriptIntegerStatement;
    // A step where the general reading counts one: at each statement, at each `}` and `;`
    // read while performing, and at each evaluation.
    auto step = [&](int ln) {
        if constexpr (Counted)
            return countStepAt(ln);
        else
            return true;
    };
    auto evaluate = [&](uint32_t e, int32_t & out) __attribute__((always_inline)) {
        return evaluateInteger<Counted>(f, f.expressions[e], frame, out);
    };
    // A loop's body; false ends the loop (a failure, a `return`, or a `break` cleared here).
    auto body = [&](bool& ok) {
        ok = runInteger<Counted>(f, s.children[0], frame, true, flow, value);
        if (!ok || flow == Flow::Return) return false;
        if (flow == Flow::Break) {
            flow = Flow::Normal;
            return false;
        }
        return true;
    };
    if constexpr (Counted) {
        // The general reading counts the steps of a General statement itself.
        if (s.kind == Statement::Kind::General)
            return executeStatements(s.expression, false, true, loop) != kScriptFail;
        if (!step(s.line)) return false;
    }
    int32_t scratch = 0;
    // The most frequent statement, ahead of the jump table.
    if (!Counted && s.kind == Statement::Kind::Expression) return evaluate(s.expression, scratch);
    switch (s.kind) {
    case Statement::Kind::Empty:
        return true;
    case Statement::Kind::Block:
        // After a `return` or `break` the rest is only read, which the compiled form already did.
        for (const Statement& child : s.children) {
            if (!runInteger<Counted>(f, child, frame, loop, flow, value)) return false;
            if (flow != Flow::Normal) return true;
        }
        return step(s.endLine);
    case Statement::Kind::If: {
        int32_t condition = 0;
        if (!evaluate(s.expression, condition)) return false;
        if (condition != 0) return runInteger<Counted>(f, s.children[0], frame, loop, flow, value);
        return s.children.size() < 2 ||
               runInteger<Counted>(f, s.children[1], frame, loop, flow, value);
    }
    case Statement::Kind::While:
        while (true) {
            int32_t condition = 0;
            if (!evaluate(s.expression, condition)) return false;
            bool ok = true;
            if (condition == 0 || !body(ok)) return ok;
        }
    case Statement::Kind::For:
        for (const uint32_t e : s.before)
            if (!evaluate(e, scratch)) return false;
        while (true) {
            int32_t condition = 0;
            if (!evaluate(s.expression, condition)) return false;
            bool ok = true;
            if (condition == 0 || !body(ok)) return ok;
            for (const uint32_t e : s.after)
                if (!evaluate(e, scratch)) return false;
        }
    case Statement::Kind::Break:
        // Outside a loop the `;` behind is read as a statement of its own.
        if (!loop) return step(s.endLine);
        flow = Flow::Break;
        return true;
    case Statement::Kind::Declare:
        for (const Statement::Declared& d : s.declared) {
            frame[d.slot] = 0;
            if (d.initialiser != Statement::kNone && !evaluate(d.initialiser, frame[d.slot]))
                return false;
        }
        return true;
    case Statement::Kind::Return:
        if (!evaluate(s.expression, value)) return false;
        flow = Flow::Return;
        return true;
    case Statement::Kind::Expression:
        return evaluate(s.expression, scratch) && step(s.endLine);
    case Statement::Kind::General:
        return executeStatements(s.expression, false, true, loop) != kScriptFail;
    }
    return false;
}

// Where an operand without calls, nested expressions or elements is read.
inline unsigned char* scriptIntegerPlace(const ScriptIntegerFunction& f,
                                         const ScriptIntegerExpr::Operand& o, int32_t* frame) {
    using Operand = ScriptIntegerExpr::Operand;
    switch (o.kind) {
    case Operand::Kind::Literal:
        return reinterpret_cast<unsigned char*>(const_cast<int32_t*>(&o.literal));
    case Operand::Kind::Slot:
        return reinterpret_cast<unsigned char*>(frame + o.index);
    case Operand::Kind::Outer:
        return f.outerPlaces[o.index];
    default:
        return nullptr;
    }
}

template <bool Counted>
inline bool ZRScriptContext::integerElement(const ScriptIntegerFunction& f,
                                            const ScriptIntegerElement& el, int32_t* frame,
                                            unsigned char*& place) {
    if constexpr (Counted)
        if (!countStepAt(el.line)) return false;
    int32_t i = 0;
    std::memcpy(&i, scriptIntegerPlace(f, el.at, frame), sizeof i);
    if (uint32_t(i) >= f.outerCounts[el.array]) {
        report(scriptmsg::kArrayAccess, scriptmsg::kPrefix, f.outerNames[el.array].c_str(),
               uint32_t(i));
        return false;
    }
    place = f.outerPlaces[el.array] + size_t(uint32_t(i)) * sizeof(int32_t);
    return true;
}

inline bool ZRScriptContext::integerElementsFail(const ScriptIntegerFunction& f,
                                                 const ScriptIntegerExpr& e, int32_t* frame) {
    unsigned char* place = nullptr;
    for (const uint8_t k : e.elementSlots)
        if (!integerElement<false>(f, f.elements[e.operands[k].index], frame, place)) return false;
    return false;
}

template <bool Counted>
inline bool ZRScriptContext::evaluateInteger(const ScriptIntegerFunction& f,
                                             const ScriptIntegerExpr& e, int32_t* frame,
                                             int32_t& value) {
    if constexpr (Counted)
        if (!countStepAt(e.line)) return false;
    // Counted, each index is a step of its own, as the general reading evaluates it.
    if (!e.plain || (Counted && !e.elementSlots.empty()))
        return evaluateIntegerOperands<Counted>(f, e, frame, value);
    if (e.placesFrame != frame || e.placesResolution != f.resolution) {
        for (size_t k = 0; k < e.operands.size(); ++k)
            e.places[k] = scriptIntegerPlace(f, e.operands[k], frame);
        e.elementPlaces.clear();
        for (const uint8_t k : e.elementSlots) {
            const ScriptIntegerElement& el = f.elements[e.operands[k].index];
            e.elementPlaces.push_back({k, f.outerCounts[el.array], f.outerPlaces[el.array],
                                       scriptIntegerPlace(f, el.at, frame)});
        }
        e.placesFrame = frame;
        e.placesResolution = f.resolution;
    }
    // An index out of range: the elements are read again in text order up to the one to
    // report.
    for (const ScriptIntegerExpr::ElementPlace& el : e.elementPlaces) {
        int32_t i = 0;
        std::memcpy(&i, el.index, sizeof i);
        if (uint32_t(i) >= el.count) return integerElementsFail(f, e, frame);
        e.places[el.slot] = el.base + size_t(uint32_t(i)) * sizeof(int32_t);
    }
    if (e.binary) {
        // The common `a op b`.
        const ScriptIntegerOperation& o = e.operations[0];
        value = scriptRunIntegerBinary(o, e.places[o.left], e.places[o.right]);
        return true;
    }
    value = scriptRunIntegerOperations(e.operations.data(), e.operations.size(), e.places.data(),
                                       e.operands.size());
    return true;
}

template <bool Counted>
bool ZRScriptContext::evaluateIntegerOperands(const ScriptIntegerFunction& f,
                                              const ScriptIntegerExpr& e, int32_t* frame,
                                              int32_t& value) {
    using Operand = ScriptIntegerExpr::Operand;
    // Calls and parenthesised expressions run in text order, as collection meets them; names
    // are read when an operator uses them.
    const size_t n = e.operands.size();
    auto place = [&](const Operand& o) { return scriptIntegerPlace(f, o, frame); };
    unsigned char* places[ScriptIntegerOperation::kMaxOperands];
    int32_t computed[ScriptIntegerOperation::kMaxOperands];
    for (size_t k = 0; k < n; ++k) {
        const Operand& o = e.operands[k];
        switch (o.kind) {
        case Operand::Kind::Literal:
        case Operand::Kind::Slot:
        case Operand::Kind::Outer:
            places[k] = place(o);
            break;
        case Operand::Kind::Call: {
            const ScriptIntegerCall& call = f.calls[o.index];
            // An argument that is a lone name is read once every argument has been evaluated
            // (`g(a, a++)` passes the stepped a twice), as the general reading reads names.
            int32_t args[ScriptIntegerFunction::kMaxParameters];
            const unsigned char* names[ScriptIntegerFunction::kMaxParameters] = {};
            for (size_t a = 0; a < call.args.size(); ++a) {
                const ScriptIntegerExpr& arg = f.expressions[call.args[a]];
                if (arg.operations.empty() && (arg.operands[0].kind == Operand::Kind::Slot ||
                                               arg.operands[0].kind == Operand::Kind::Outer)) {
                    if constexpr (Counted)
                        if (!countStepAt(arg.line)) return false;
                    names[a] = place(arg.operands[0]);
                } else if (!evaluateInteger<Counted>(f, arg, frame, args[a])) {
                    return false;
                }
            }
            for (size_t a = 0; a < call.args.size(); ++a)
                if (names[a]) std::memcpy(&args[a], names[a], sizeof args[a]);
            if (!callIntegerAs<Counted>(call.target, *call.code, args, call.line, computed[k]))
                return false;
            places[k] = reinterpret_cast<unsigned char*>(&computed[k]);
            break;
        }
        case Operand::Kind::Nested:
            if (!evaluateInteger<Counted>(f, f.expressions[o.index], frame, computed[k]))
                return false;
            places[k] = reinterpret_cast<unsigned char*>(&computed[k]);
            break;
        case Operand::Kind::Element:
            if (!integerElement<Counted>(f, f.elements[o.index], frame, places[k])) return false;
            break;
        }
    }
    value = scriptRunIntegerOperations(e.operations.data(), e.operations.size(), places, n);
    return true;
}

template <bool Counted> bool ZRScriptContext::runIntegerRounds(const ScriptIntegerLoop& loop) {
    // The rounds from the condition on, as the general reading goes round: a `break` ends the
    // loop without the condition being evaluated again.
    const ScriptIntegerFunction& f = loop.code;
    int32_t frame[1] = {0};
    ScriptIntegerFlow flow = ScriptIntegerFlow::Normal;
    int32_t value = 0, scratch = 0;
    // Without counting, a block of one statement is that statement (its `}` does nothing).
    const ScriptIntegerStatement& body =
        !Counted && f.body.kind == ScriptIntegerStatement::Kind::Block &&
                f.body.children.size() == 1
            ? f.body.children[0]
            : f.body;
    while (true) {
        int32_t condition = 0;
        if (!evaluateInteger<Counted>(f, f.expressions[loop.condition], frame, condition))
            return false;
        if (condition == 0) return true;
        if (!runInteger<Counted>(f, body, frame, true, flow, value)) return false;
        if (flow != ScriptIntegerFlow::Normal) return true;
        for (const uint32_t e : loop.step)
            if (!evaluateInteger<Counted>(f, f.expressions[e], frame, scratch)) return false;
    }
}
