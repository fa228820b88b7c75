#include "engine/util/ZRList.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A list of ints ordered by value, as registries order by their own rules.
class IntList : public ZRList {
public:
    int compareItems(void* a, void* b) const override {
        const int x = *static_cast<int*>(a), y = *static_cast<int*>(b);
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    std::vector<int*> items() {
        std::vector<int*> out;
        for (void* p = first(); p; p = next())
            out.push_back(static_cast<int*>(p));
        return out;
    }
    std::vector<int> values() {
        std::vector<int> out;
        for (int* p : items())
            out.push_back(*p);
        return out;
    }
};

} // namespace

TEST(ZRList, SortsAscending) {
    int v[] = {5, 1, 4, 1};
    IntList list;
    for (int& x : v)
        list.append(&x);
    list.sort();
    EXPECT_EQ(list.values(), (std::vector<int>{1, 1, 4, 5}));
    IntList one;
    one.append(&v[0]);
    one.sort();
    EXPECT_EQ(one.values(), std::vector<int>{5});
}

TEST(ZRList, InSortGoesBeforeEqualItems) {
    int v[] = {1, 3, 5};
    int three = 3;
    IntList list;
    for (int& x : v)
        list.append(&x);
    list.inSort(&three);
    auto items = list.items();
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[1], &three);
    EXPECT_EQ(items[2], &v[1]);
}

TEST(ZRList, IndexingFindingAndRemoving) {
    int v[10];
    IntList list;
    for (int i = 0; i < 10; ++i) {
        v[i] = i;
        list.append(&v[i]);
    }
    list.append(&v[3]);
    for (uint32_t i : {9u, 0u, 5u, 4u, 6u, 10u})
        EXPECT_EQ(list.at(i), &v[i == 10 ? 3 : i]);
    EXPECT_EQ(list.at(11), nullptr);
    EXPECT_EQ(list.contains(&v[3]), 2u);
    EXPECT_EQ(list.find(&v[3]), 3);
    EXPECT_EQ(list.findNext(&v[3]), 10);
    EXPECT_EQ(list.findNext(&v[3]), -1);

    list.find(&v[4]);
    EXPECT_TRUE(list.remove(&v[4]));
    EXPECT_EQ(list.current(), &v[5]); // the successor becomes current
    EXPECT_EQ(list.currentIndex(), 4);
    EXPECT_FALSE(list.remove(&v[4]));
    EXPECT_EQ(list.count(), 10u);
    EXPECT_EQ(list.at(4), &v[5]);
}

TEST(ZRList, IteratorsForgetRemovedNodes) {
    int a = 1, b = 2;
    ZRList list;
    list.append(&a);
    list.append(&b);
    ZRListIterator it(list);
    EXPECT_EQ(it.current(), &a);
    list.remove(&a);
    EXPECT_EQ(it.current(), nullptr);
    EXPECT_EQ(it.toFirst(), &b);
}

TEST(ZRList, AutoDeleteFreesThroughDeleteItem) {
    static int deleted = 0;
    struct Owning : ZRList {
        ~Owning() override { clear(); }
        void deleteItem(void* item) override {
            delete static_cast<int*>(item);
            ++deleted;
        }
    };
    {
        Owning list;
        list.setAutoDelete(true);
        list.append(new int(1));
        list.append(new int(2));
        list.removeAt(0);
        EXPECT_EQ(deleted, 1);
    }
    EXPECT_EQ(deleted, 2);
}
