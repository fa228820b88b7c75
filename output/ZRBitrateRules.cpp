#include "output/ZRBitrateRules.h"

namespace bitrate {

const char* const kMaximumItems[kItemCount] = {"8000000", "7000000", "6000000", "5000000",
                                               "3000000"};
const char* const kAverageItems[kItemCount] = {"6000000", "5250000", "4200000", "3750000",
                                               "2250000"};

long long value(const QString& text) {
    bool ok = false;
    const long long v = text.trimmed().toLongLong(&ok);
    return ok ? v : 0;
}

namespace {

// Clamps `text` in place to the limits; answers whether it had to.
bool clampToLimits(QString& text) {
    const long long v = value(text);
    if (v < kLowest) {
        text = QString::number(kLowest);
        return true;
    }
    if (v > kHighest) {
        text = QString::number(kHighest);
        return true;
    }
    return false;
}

void averageNotAboveMaximum(Outcome& out) {
    if (value(out.average) > value(out.maximum)) {
        ++out.beeps;
        out.average = out.maximum;
    }
}

} // namespace

Outcome commitMaximum(const QString& maximum, const QString& average, bool warningSuppressed,
                      const std::function<WarningAnswer()>& warn) {
    Outcome out{maximum, average, 0, std::nullopt};
    if (clampToLimits(out.maximum)) ++out.beeps;
    if (value(out.maximum) > kWarnAbove && !warningSuppressed) {
        const WarningAnswer answer = warn ? warn() : WarningAnswer{};
        out.dontShowAgain = answer.dontShowAgain;
        if (!answer.accepted) out.maximum = QString::number(kWarnAbove);
    }
    averageNotAboveMaximum(out);
    return out;
}

Outcome commitAverage(const QString& maximum, const QString& average) {
    Outcome out{maximum, average, 0, std::nullopt};
    if (clampToLimits(out.average)) ++out.beeps;
    averageNotAboveMaximum(out);
    return out;
}

Outcome pickMaximum(int item, const QString& maximum, const QString& average) {
    if (item < 0 || item >= kItemCount) return Outcome{maximum, average, 0, std::nullopt};
    return Outcome{QLatin1String(kMaximumItems[item]), QLatin1String(kAverageItems[item]), 0,
                   std::nullopt};
}

Outcome pickAverage(const QString& maximum, const QString& average) {
    Outcome out{maximum, average, 0, std::nullopt};
    averageNotAboveMaximum(out);
    return out;
}

} // namespace bitrate
