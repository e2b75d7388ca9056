#include "platform/PoolParts.h"

#include <QThreadPool>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <vector>

namespace {

// Shared with the pool's tasks, which may outlive nothing: the caller waits for every one.
struct TParts {
    std::mutex mutex;
    std::condition_variable finished;
    int running = 0;
    std::vector<std::exception_ptr> errors;
};

void RunPart(TParts& state, const std::function<void(int)>& work, int part) noexcept
{
    try {
        work(part);
    } catch (...) {
        std::lock_guard<std::mutex> guard(state.mutex);
        state.errors[size_t(part)] = std::current_exception();
    }
}

}  // namespace

void RunPoolParts(int parts, const std::function<void(int part)>& work)
{
    if (parts <= 0)
        return;
    TParts state;
    state.errors.resize(size_t(parts));
    std::vector<int> leftOver;
    for (int part = 1; part < parts; ++part) {
        {
            std::lock_guard<std::mutex> guard(state.mutex);  // what the caller wrote, seen by the task
            ++state.running;
        }
        const bool started = QThreadPool::globalInstance()->tryStart([&state, &work, part] {
            {
                std::lock_guard<std::mutex> guard(state.mutex);
            }
            RunPart(state, work, part);
            std::lock_guard<std::mutex> guard(state.mutex);
            --state.running;
            state.finished.notify_all();
        });
        if (!started) {
            std::lock_guard<std::mutex> guard(state.mutex);
            --state.running;
            leftOver.push_back(part);
        }
    }
    RunPart(state, work, 0);
    for (const int part : leftOver)
        RunPart(state, work, part);
    std::unique_lock<std::mutex> guard(state.mutex);
    state.finished.wait(guard, [&] { return state.running == 0; });
    for (const std::exception_ptr& error : state.errors)
        if (error)
            std::rethrow_exception(error);
}
