// The program's application object must be the process's only one: this test program makes it
// itself instead of the shared test application.
#include "app/ZRApplication.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

namespace {

// A filter widget that records the events it is offered and takes those of its own type.
class FilterWidget : public QWidget {
public:
    explicit FilterWidget(QByteArray takes = {}) : m_takes(std::move(takes)) {}
    QList<QByteArray> offered;

protected:
    bool nativeEvent(const QByteArray& eventType, void*, qintptr* result) override {
        offered.append(eventType);
        if (eventType != m_takes) return false;
        *result = 7;
        return true;
    }

private:
    QByteArray m_takes;
};

} // namespace

TEST(Application, OffersNativeEventsInOrderUntilAFilterTakesOne) {
    ZRApplication* application = ZRApplication::instance();
    ASSERT_NE(application, nullptr);
    FilterWidget first, taker("mine"), last;
    application->addNativeFilter(&first);
    application->addNativeFilter(&taker);
    application->addNativeFilter(&taker);
    application->addNativeFilter(&last);
    application->addNativeFilter(nullptr);
    EXPECT_EQ(application->nativeFilters(), (QList<QWidget*>{&first, &taker, &last}));

    qintptr result = 0;
    EXPECT_TRUE(application->offerNativeEvent("mine", nullptr, &result));
    EXPECT_EQ(result, 7);
    EXPECT_FALSE(application->offerNativeEvent("other", nullptr, &result));
    EXPECT_EQ(first.offered, (QList<QByteArray>{"mine", "other"}));
    EXPECT_EQ(taker.offered, (QList<QByteArray>{"mine", "other"}));
    EXPECT_EQ(last.offered, (QList<QByteArray>{"other"}));

    application->removeNativeFilter(&taker);
    EXPECT_FALSE(application->offerNativeEvent("mine", nullptr, &result));
    EXPECT_EQ(last.offered.size(), 2);
    application->removeNativeFilter(&first);
    application->removeNativeFilter(&last);
}

TEST(Application, ADestroyedFilterLeavesTheList) {
    ZRApplication* application = ZRApplication::instance();
    auto gone = std::make_unique<FilterWidget>("mine");
    FilterWidget kept;
    application->addNativeFilter(gone.get());
    application->addNativeFilter(&kept);
    gone.reset();
    EXPECT_EQ(application->nativeFilters(), QList<QWidget*>{&kept});
    qintptr result = 0;
    EXPECT_FALSE(application->offerNativeEvent("mine", nullptr, &result));
    EXPECT_EQ(kept.offered.size(), 1);
    application->removeNativeFilter(&kept);
    EXPECT_TRUE(application->nativeFilters().isEmpty());
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ZRApplication application(argc, argv, true);
    return RUN_ALL_TESTS();
}
