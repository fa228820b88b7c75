#include "classes/dialogs/ZRFileFilter.h"

#include <gtest/gtest.h>

namespace {

struct FilterCase {
    const char* name;
    QString filter;
    QList<ZRFileFilter> pairs;
    QStringList nameFilters;
};

} // namespace

TEST(ZRFileFilter, ConvertsToPairsAndNameFilters) {
    const FilterCase cases[] = {
        {"two named filters",
         QStringLiteral("Video (*.avi *.mpg);;All Files (*.*)"),
         {{QStringLiteral("Video (*.avi *.mpg)"), QStringLiteral("*.avi;*.mpg")},
          {QStringLiteral("All Files (*.*)"), QStringLiteral("*.*")}},
         {QStringLiteral("Video (*.avi *.mpg)"), QStringLiteral("All Files (*.*) (*)")}},
        {"empty filter",
         QString(),
         {{QStringLiteral("All Files (*.*)"), QStringLiteral("*.*")}},
         {QStringLiteral("All Files (*.*) (*)")}},
        {"no parentheses",
         QStringLiteral("*.avi *.mpg"),
         {{QStringLiteral("*.avi *.mpg"), QStringLiteral("*.avi;*.mpg")}},
         {QStringLiteral("*.avi *.mpg")}},
        {"line feeds separate without ;;",
         QStringLiteral("Scripts (*.zrs)\nText (*.txt)"),
         {{QStringLiteral("Scripts (*.zrs)"), QStringLiteral("*.zrs")},
          {QStringLiteral("Text (*.txt)"), QStringLiteral("*.txt")}},
         {QStringLiteral("Scripts (*.zrs)"), QStringLiteral("Text (*.txt)")}},
        {"empty parts dropped",
         QStringLiteral("A (*.a);;;;B (*.b *.c)"),
         {{QStringLiteral("A (*.a)"), QStringLiteral("*.a")},
          {QStringLiteral("B (*.b *.c)"), QStringLiteral("*.b;*.c")}},
         {QStringLiteral("A (*.a)"), QStringLiteral("B (*.b *.c)")}},
    };
    for (const FilterCase& c : cases) {
        const QList<ZRFileFilter> pairs = convertFileFilter(c.filter);
        EXPECT_EQ(pairs, c.pairs) << c.name;
        EXPECT_EQ(fileDialogNameFilters(pairs), c.nameFilters) << c.name;
    }
}
