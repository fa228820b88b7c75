#include "script/ScriptOperators.h"

ScriptOp scriptMatchOperator(std::string_view text, size_t& length) {
    ScriptOp best = ScriptOp::None;
    length = 0;
    for (const ScriptOperatorInfo& row : kScriptOperators) {
        const std::string_view t = row.text;
        if (t.empty() || t.size() <= length || text.substr(0, t.size()) != t) continue;
        best = row.op;
        length = t.size();
    }
    return best;
}
