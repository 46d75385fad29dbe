#pragma once

#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

// True when `work`, which reads `fifo`, returns within two seconds. If it does not, a writer
// opens the FIFO until a blocked open() returns, so the test fails instead of hanging.
inline bool returnsPromptly(const std::string& fifo, const std::function<void()>& work) {
    std::packaged_task<void()> task(work);
    std::future<void> done = task.get_future();
    std::thread runner(std::move(task));
    const bool prompt = done.wait_for(std::chrono::seconds(2)) == std::future_status::ready;
    while (done.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
        const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        ::close(fd);
    }
    runner.join();
    return prompt;
}
