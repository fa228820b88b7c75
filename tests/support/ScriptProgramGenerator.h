#pragma once

// Random programs for comparing the interpreter's compiled forms with its general reading. Each
// generator draws its choices from `Choices`, anything that answers `unsigned operator()()`: a
// seeded std::mt19937 in the tests, the fuzzer's bytes in the differential fuzz target. Every
// program ends whatever the choices: loops run a bounded number of rounds and calls are bounded
// by a depth parameter.

#include <string>
#include <utility>

/// Random functions of integers (recursion bounded by a depth parameter, calls between them,
/// parameters, declared variables and a variable outside them assigned and stepped, loops with
/// breaks, early returns) and a loop calling them, writing its sums with `out`.
template <class Choices> class RandomFunctions {
public:
    /// `varied` adds what only the general reading runs: a `double` outer variable and
    /// `execute` in the functions; the loop calls them `rounds` times.
    explicit RandomFunctions(Choices choices, bool varied = false, int rounds = 100)
        : random_(std::move(choices)), varied_(varied), rounds_(rounds) {}

    std::string text() {
        std::string t = varied_ && pick(4) == 0 ? "double g = 1;\n" : "integer g = 1;\n";
        for (int f = 0; f < 3; ++f)
            t += "integer f" + std::to_string(f) + "(integer d, integer a, integer b) " +
                 block(0, false) + "\n";
        return t + "integer i; integer s = 0;\nfor (i = 0; i < " + std::to_string(rounds_) +
               "; i++) { s += f0(3, i, s / 7); out(s); } out(g);";
    }

private:
    int pick(int n) { return int(random_() % unsigned(n)); }
    std::string name() {
        static const char* names[] = {"a", "b", "d", "g", "t", "u"};
        return names[pick(6)];
    }
    std::string place() {
        static const char* names[] = {"a", "b", "g"};
        return names[pick(3)];
    }
    std::string operand(int depth) {
        switch (depth > 2 ? pick(2) : pick(7)) {
        case 0:
            return std::to_string(pick(9) - 2);
        case 1:
            return name();
        case 2:
            return place() + (pick(2) ? "++" : "--");
        case 3:
            return (pick(2) ? "-" : "!") + name();
        case 4:
            return "(" + expression(depth + 1) + ")";
        case 5:
            return "(" + place() + (pick(2) ? " = " : " += ") + operand(depth + 1) + ")";
        default:
            // A name in parentheses stays a place: such a body runs the general way.
            return pick(20) ? name() : "(" + name() + ")";
        }
    }
    std::string expression(int depth) {
        static const char* ops[] = {"+", "-", "*", "/", "==", "!=", "<", ">=", "&&", "||"};
        std::string e = operand(depth);
        for (int n = pick(3); n > 0; --n)
            e += std::string(" ") + ops[pick(10)] + " " + operand(depth);
        return e;
    }
    std::string call() {
        return "f" + std::to_string(pick(3)) + "(d - 1, " + expression(1) + ", " + expression(1) +
               ")";
    }
    std::string statement(int depth, bool inLoop) {
        if (varied_ && pick(8) == 0) return "execute(\"g += " + std::to_string(pick(5)) + ";\");";
        switch (depth > 2 ? pick(3) : pick(10)) {
        case 0:
            return expression(0) + ";";
        case 1:
            return "if (d > 0) " + place() + " += " + call() + ";";
        case 2:
            return "if (" + expression(0) + ") return " + expression(0) + ";";
        case 3:
            return "if (" + expression(0) + ") " + statement(depth + 1, inLoop) + " else " +
                   statement(depth + 1, inLoop);
        case 4:
            return block(depth + 1, inLoop);
        case 5:
            // Outside a loop `break` does nothing.
            return "if (" + expression(0) + ") break;";
        case 6:
        case 7:
            // Loops do not nest, so that their counters alone decide how often they go round.
            if (inLoop) return statement(depth, inLoop);
            if (pick(2))
                return "for (t = " + std::to_string(pick(3)) + "; t < 3; t++) " +
                       statement(depth + 1, true);
            return "u = 0; while (u < " + std::to_string(pick(4)) + ") { u++; " +
                   statement(depth + 1, true) + " }";
        default:
            return "if (d > 0) return " + call() + " - " + operand(0) + ";";
        }
    }
    std::string block(int depth, bool inLoop) {
        std::string b = "{ ";
        // Variables of the function, read anywhere; only loops change t and u.
        if (depth == 0) b += pick(2) ? "integer t, u = " + expression(0) + "; " : "integer t, u; ";
        for (int n = pick(4); n > 0; --n)
            b += statement(depth, inLoop) + " ";
        if (depth == 0) b += "return " + expression(0) + "; ";
        return b + "}";
    }
    Choices random_;
    bool varied_;
    int rounds_;
};

/// Random integer programs (loops of assignments, steps, array elements and ifs, with indexes
/// that may leave their array) writing their variables with `out`, each also with its loops
/// written out round by round.
template <class Choices> class RandomProgram {
public:
    /// `varied` adds what only the general reading runs: `execute`, declarations in loops and a
    /// `double` variable.
    explicit RandomProgram(Choices choices, bool varied = false)
        : random_(std::move(choices)), varied_(varied) {}

    /// The program with loops, and the same program written out.
    std::pair<std::string, std::string> texts() {
        const std::string start =
            std::string(varied_ && pick(4) == 0 ? "double" : "integer") +
            " a = 3; integer b = -2; integer c = 7; integer i; integer j; integer arr[6]; ";
        const std::string end = "out(a); out(b); out(c); out(arr[0] + arr[3] * 7 + arr[5] * 49);";
        std::string looped = start, unrolled = start;
        for (int k = 0; k < 3; ++k) {
            const auto [l, u] = loop(0);
            looped += l;
            unrolled += u;
        }
        return {looped + end, unrolled + end};
    }

private:
    int pick(int n) { return int(random_() % unsigned(n)); }
    std::string variable() {
        static const char* names[] = {"a", "b", "c", "i", "j"};
        return names[pick(5)];
    }
    std::string element() {
        // Mostly in range; now and then one past the end or anywhere.
        const int r = pick(60);
        if (r < 2) return "arr[" + variable() + "]";
        if (r == 2) return "arr[6]";
        return "arr[" + std::to_string(pick(6)) + "]";
    }
    // What a statement may change: never a loop's counter, so that every loop ends.
    std::string place() {
        static const char* names[] = {"a", "b", "c"};
        return pick(4) == 0 ? element() : names[pick(3)];
    }
    std::string operand() {
        switch (pick(6)) {
        case 0:
            return std::to_string(pick(9) - 2);
        case 1:
            return element();
        case 2:
            return place() + (pick(2) ? "++" : "--");
        case 3:
            return (pick(2) ? "++" : "--") + place();
        case 4:
            return (pick(2) ? "-" : "!") + variable();
        default:
            return variable();
        }
    }
    std::string expression() {
        static const char* ops[] = {"+", "-", "*", "/", "==", "!=", "<", ">=", "&&", "||"};
        std::string e = operand();
        for (int n = pick(3); n > 0; --n)
            e += std::string(" ") + ops[pick(10)] + " " + operand();
        return e;
    }
    std::string statement(int depth) {
        static const char* assigns[] = {" = ", " += ", " -= ", " *= ", " /= "};
        if (varied_ && pick(10) == 0)
            return pick(2) ? "execute(\"" + place() + " += 1;\");"
                           : "{ integer z = " + expression() + "; " + place() + " += z; }";
        const int r = pick(depth < 2 ? 8 : 6);
        if (r < 5) return place() + assigns[pick(5)] + expression() + ";";
        if (r == 5) return expression() + ";";
        if (r == 6) {
            std::string s = "if (" + expression() + ") " + statement(depth + 1);
            if (pick(2)) s += " else " + statement(depth + 1);
            return s;
        }
        std::string s = "{ ";
        for (int n = pick(3) + 1; n > 0; --n)
            s += statement(depth + 1) + " ";
        return s + "}";
    }
    std::pair<std::string, std::string> loop(int depth) {
        std::string body = "{ ", bodyOut = "{ ";
        for (int n = pick(3) + 1; n > 0; --n) {
            if (depth == 0 && pick(4) == 0) {
                const auto [l, u] = loop(1);
                body += l;
                bodyOut += u;
            } else {
                const std::string s = statement(1) + " ";
                body += s;
                bodyOut += s;
            }
        }
        body += "} ";
        bodyOut += "} ";
        const std::string counter = depth == 0 ? "i" : "j";
        const int rounds = pick(12) + 3;
        const std::string condition = counter + " < " + std::to_string(rounds);
        std::string looped = counter + " = 0; ", unrolled = looped;
        if (pick(3) == 0) {
            looped += "while (" + condition + ") { " + counter + "++; " + body + "} ";
            for (int k = 0; k <= rounds; ++k)
                unrolled += "if (" + condition + ") { " + counter + "++; " + bodyOut + "} ";
        } else {
            const std::string step = pick(2) ? counter + "++" : counter + " += 1";
            looped += "for (" + counter + " = 0; " + condition + "; " + step + ") " + body;
            for (int k = 0; k <= rounds; ++k)
                unrolled += "if (" + condition + ") { " + bodyOut + step + "; } ";
        }
        return {looped, unrolled};
    }

    Choices random_;
    bool varied_;
};
