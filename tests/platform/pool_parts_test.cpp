// Parts of a job on Qt's global pool: every part runs once, a full pool never blocks the job, and
// a part's failure reaches the caller only after every other part is done.
#include "platform/PoolParts.h"

#include <QSemaphore>
#include <QThread>
#include <QThreadPool>
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

TEST(PoolParts, EveryPartRunsOnceEvenWhenThePoolIsFull)
{
    for (const bool poolFull : {false, true}) {
        QThreadPool& pool = *QThreadPool::globalInstance();
        QSemaphore release;
        int blockers = 0;
        if (poolFull)
            while (pool.tryStart([&release] { release.acquire(); }))
                ++blockers;
        std::vector<std::atomic<int>> runs(7);
        RunPoolParts(7, [&](int part) { ++runs[size_t(part)]; });
        for (size_t part = 0; part < runs.size(); ++part)
            EXPECT_EQ(runs[part].load(), 1) << "part " << part << (poolFull ? " with the pool full" : "");
        release.release(blockers);
        pool.waitForDone();
    }
}

TEST(PoolParts, AFailureComesBackAfterEveryPartIsDone)
{
    std::atomic<int> finished{0};
    const auto work = [&](int part) {
        if (part == 2)
            throw std::runtime_error("part 2 failed");
        QThread::msleep(20);
        ++finished;
    };
    EXPECT_THROW(RunPoolParts(4, work), std::runtime_error);
    EXPECT_EQ(finished.load(), 3);  // the caller's stack stayed alive for them
    RunPoolParts(0, work);          // nothing to do
}
