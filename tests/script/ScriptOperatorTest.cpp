#include "script/ScriptOperators.h"
#include "tests/script/ScriptTestHost.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

struct IntegerCase {
    ScriptOp op;
    int32_t a, b, result;
};

// The integer rules every path applies: the general evaluator, the integer form of an
// expression and the compiled integer functions.
TEST(ScriptOperators, IntegerRules) {
    const IntegerCase cases[] = {
        {ScriptOp::Add, INT32_MAX, 1, INT32_MIN},
        {ScriptOp::Subtract, INT32_MIN, 1, INT32_MAX},
        {ScriptOp::Multiply, 65536, 65536, 0},
        {ScriptOp::Multiply, -3, 5, -15},
        {ScriptOp::Divide, -7, 2, -3},
        {ScriptOp::Divide, 7, 0, 0},
        {ScriptOp::Divide, INT32_MIN, -1, INT32_MIN},
        {ScriptOp::Equal, 3, 3, 1},
        {ScriptOp::NotEqual, 3, 3, 0},
        {ScriptOp::Less, -1, 0, 1},
        {ScriptOp::LessEqual, 0, 0, 1},
        {ScriptOp::Greater, 0, -1, 1},
        {ScriptOp::GreaterEqual, -1, 0, 0},
        {ScriptOp::LogicalAnd, 2, -5, 1},
        {ScriptOp::LogicalAnd, 2, 0, 0},
        {ScriptOp::LogicalOr, 0, 0, 0},
        {ScriptOp::LogicalOr, 0, 9, 1},
        {ScriptOp::Assign, 4, 9, 9},
        {ScriptOp::AddAssign, INT32_MAX, 1, INT32_MIN},
        {ScriptOp::SubtractAssign, 4, 9, -5},
        {ScriptOp::MultiplyAssign, 4, 9, 36},
        {ScriptOp::DivideAssign, 4, 0, 0},
        {ScriptOp::Increment, INT32_MAX, 1, INT32_MIN},
        {ScriptOp::Decrement, INT32_MIN, 1, INT32_MAX},
    };
    for (const IntegerCase& c : cases) {
        SCOPED_TRACE(std::string(scriptOperator(c.op).text) + " " + std::to_string(c.a) + " " +
                     std::to_string(c.b));
        EXPECT_EQ(scriptIntegerBinary(c.op, c.a, c.b), c.result);
    }
    EXPECT_EQ(scriptIntegerPrefix(ScriptOp::Subtract, INT32_MIN), INT32_MIN);
    EXPECT_EQ(scriptIntegerPrefix(ScriptOp::Subtract, 5), -5);
    EXPECT_EQ(scriptIntegerPrefix(ScriptOp::Not, 0), 1);
    EXPECT_EQ(scriptIntegerPrefix(ScriptOp::Not, -3), 0);
    EXPECT_EQ(scriptIntegerPrefix(ScriptOp::Add, -3), -3);
}

// The rows agree with themselves: each spelling reads back as its operator, steps and
// assignments compute integers, and what has no integer meaning is not taken by the integer
// forms.
TEST(ScriptOperators, RowsAgree) {
    for (const ScriptOperatorInfo& row : kScriptOperators) {
        SCOPED_TRACE(std::string(row.meaning));
        if (!row.text.empty() && row.op != ScriptOp::Index) {
            size_t length = 0;
            EXPECT_EQ(scriptMatchOperator(row.text, length), row.op);
            EXPECT_EQ(length, row.text.size());
        }
        EXPECT_TRUE(!scriptIsStep(row.op) || scriptIsArithmetic(row.rule));
        EXPECT_TRUE(!scriptIsAssignment(row.op) || scriptIntegerOperator(row.op));
        EXPECT_TRUE(row.prefixRule == ScriptOpRule::None || scriptMayBePrefix(row.op));
        EXPECT_TRUE(row.rule != ScriptOpRule::Unsupported || !scriptIntegerOperator(row.op));
    }
}

// Integer operators give the table's results through the evaluator, on literals and on
// variables, in an expression read once and in one read again in a loop.
TEST(ScriptOperators, EvaluatorAppliesTheTable) {
    const ScriptCase cases[] = {
        {"integer a = -2147483647; a -= 1; integer b = -1; out(a / b); out(a * b); out(-a);",
         "-2147483648 -2147483648 -2147483648"},
        // -(7 / 2 + ((i || 0) - !i)): -2, -4, -4
        {"integer i; integer s = 0; for (i = 0; i < 3; i++) s += -7 / 2 + (i || 0) - !i; out(s);",
         "-10"},
        // s + (1 - (s < 0) * 2) wraps around both ways
        {"integer i; integer s = 2147483647; integer t[3];"
         " for (i = 0; i < 3; i++) { s = s + 1 - (s < 0) * 2; t[i] = s; }"
         " out(t[0]); out(t[1]); out(t[2]);",
         "-2147483648 2147483647 -2147483648"},
    };
    expectOutputs(cases);
}

} // namespace
