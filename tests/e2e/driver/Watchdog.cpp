#include "Watchdog.h"

#include "ExitCode.h"

#include <cstdio>
#include <cstdlib>

Watchdog::Watchdog(std::chrono::seconds limit)
    : thread_([this, limit] {
          std::unique_lock<std::mutex> lock(mutex_);
          if (wake_.wait_for(lock, limit, [this] { return stopped_; }))
              return;
          std::printf("kv-test: TIME LIMIT the browser stopped responding; gave up after %lld s\n",
                      static_cast<long long>(limit.count()));
          std::fflush(stdout);
          std::_Exit(ExitTimeLimit);
      }) {}

Watchdog::~Watchdog() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopped_ = true;
    }
    wake_.notify_one();
    thread_.join();
}
