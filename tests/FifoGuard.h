#pragma once

#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

// Runs `work`, which reads `fifo`, on its own thread. When it has not returned after two
// seconds, a writer briefly opens the FIFO so that a blocked open() returns and the test fails
// instead of hanging. True when `work` returned in time by itself.
inline bool returnsPromptly(const std::string& fifo, const std::function<void()>& work) {
    std::packaged_task<void()> task(work);
    std::future<void> done = task.get_future();
    std::thread runner(std::move(task));
    const bool prompt = done.wait_for(std::chrono::seconds(2)) == std::future_status::ready;
    while (done.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
        const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) {
            ::close(fd);
        }
    }
    runner.join();
    return prompt;
}
