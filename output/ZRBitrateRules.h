#pragma once

#include <QString>

#include <functional>
#include <optional>

/// The rules of the two MPEG bit rates (maximum and average, bit/s as decimal text) the produce
/// page shows for DVD, without the page: each rule takes the texts as they stand and answers
/// the texts to show, how many times to beep and what the bit-rate warning answered. The page
/// writes both answered texts to "MPEGMaxBitrate" and "MPEGAvgBitrate".
namespace bitrate {

/// The limits a typed value is clamped to.
inline constexpr long long kLowest = 3000000;
inline constexpr long long kHighest = 10000000;
/// A maximum above this asks for the warning; a refused warning puts this back.
inline constexpr long long kWarnAbove = 8000000;
/// The line edits' validator range.
inline constexpr int kValidatorBottom = 1000000;
inline constexpr int kValidatorTop = 10000000;

/// The list items of the two boxes; item i of one goes with item i of the other.
inline constexpr int kItemCount = 5;
extern const char* const kMaximumItems[kItemCount];
extern const char* const kAverageItems[kItemCount];

/// What the bit-rate warning answered.
struct WarningAnswer {
    bool accepted = false;      ///< "Yes"
    bool dontShowAgain = false; ///< the check box after the dialog closed
};

/// The outcome of one rule.
struct Outcome {
    QString maximum;
    QString average;
    /// Beeps of the limits and of the average rule; the warning's own beep comes with `warn`.
    int beeps = 0;
    /// Set when the warning was shown: its check box, to be stored.
    std::optional<bool> dontShowAgain;
};

/// The text's value; 0 when it is no decimal number.
long long value(const QString& text);

/// Commit of the maximum (Return or focus out): clamped to 3000000-10000000 with a beep; above
/// 8000000, unless `warningSuppressed`, `warn` (which beeps first); a refusal puts "8000000" back.
/// Then an average above the maximum takes the maximum's text with a beep.
Outcome commitMaximum(const QString& maximum, const QString& average, bool warningSuppressed,
                      const std::function<WarningAnswer()>& warn);
/// Commit of the average: clamped as the maximum, then not above the maximum (with a beep).
Outcome commitAverage(const QString& maximum, const QString& average);
/// Maximum item `item` picked from the list: the average takes the paired item; no limits. An
/// item out of range changes nothing.
Outcome pickMaximum(int item, const QString& maximum, const QString& average);
/// An average picked from the list (its text `average`): only not above the maximum.
Outcome pickAverage(const QString& maximum, const QString& average);

} // namespace bitrate
