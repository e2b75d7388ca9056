#pragma once
// Work split into parts that run side by side on Qt's global thread pool: part 0 on the calling
// thread, each other part on a pool thread when one is free at once, else on the calling thread
// after part 0 (a busy pool slows the work down, it never blocks it). Returns when every part has
// finished; the first part's exception that was thrown is rethrown then. Any thread.

#include <functional>

void RunPoolParts(int parts, const std::function<void(int part)>& work);
