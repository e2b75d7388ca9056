#pragma once
// The background fill's engine and threads, shared by the store's sources.

#include "analysis/SpectrumStore.h"

#include <QFuture>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <vector>

struct TSpectrumStore::TFill {
    // The engine's tables copied: the rows are filled with the transform their selected bin came
    // from, whatever the engine does meanwhile.
    TFill(TFFT& fft, TSweepKernel sweepKernel);
    bool SameAs(TFFT& fft) const;
    void Notify();

    tdoublearr cosTable, sinTable, window;
    std::vector<uint32_t> reversal;
    TSweepKernel kernel;
    TSweepEngine engine;

    std::atomic<bool> stop{false};
    std::atomic<int32_t> nextRow{0};
    std::vector<QFuture<void>> workers;
    int launched = 0;
    int exited = 0;  // under the mutex
    std::mutex mutex;
    std::condition_variable rowFinished;
};
