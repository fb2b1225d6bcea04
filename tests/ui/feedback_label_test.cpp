// The hidden labels deliver events posted from any thread on the GUI thread, in order.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <thread>
#include <utility>
#include <vector>

#include "ui/main_window.hpp"

namespace ywf {
namespace {

using Event = std::pair<std::int32_t, std::int32_t>;

TEST(FeedbackLabelTest, DeliversPostsFromAnotherThreadOnTheGuiThreadInOrder) {
    MainWindow window;
    const std::thread::id gui = std::this_thread::get_id();
    std::vector<Event> got1, got2;
    bool offThread = false;
    window.feedbackLabel1().setHandler([&](std::int32_t a, std::int32_t b) {
        offThread |= std::this_thread::get_id() != gui;
        got1.emplace_back(a, b);
    });
    window.feedbackLabel2().setHandler([&](std::int32_t a, std::int32_t b) {
        offThread |= std::this_thread::get_id() != gui;
        got2.emplace_back(a, b);
    });

    constexpr int kCount = 2000;
    std::thread worker([&] {
        for (int i = 0; i < kCount; ++i) {
            window.label1().post(i, -i);
            if (i % 2 == 0) window.label2().post(33001 + i, 0);
        }
    });
    worker.join();
    // Nothing runs inside post(): delivery waits for the GUI thread's event loop.
    EXPECT_TRUE(got1.empty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return got1.size() == kCount; }, 10000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return got2.size() == kCount / 2; }, 10000));

    EXPECT_FALSE(offThread);
    for (int i = 0; i < kCount; ++i) ASSERT_EQ(got1[std::size_t(i)], Event(i, -i)) << i;
    for (int i = 0; i < kCount / 2; ++i) ASSERT_EQ(got2[std::size_t(i)], Event(33001 + 2 * i, 0));
}

TEST(FeedbackLabelTest, PostsQueuedWhenTheWindowGoesAreDiscarded) {
    int delivered = 0;
    {
        MainWindow window;
        window.feedbackLabel1().setHandler([&](std::int32_t, std::int32_t) { ++delivered; });
        window.label1().post(5, 0);
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(delivered, 0);
}

}  // namespace
}  // namespace ywf
