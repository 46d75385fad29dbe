// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <functional>
#include <future>
#include <string>

#include <fcntl.h>
#include <unistd.h>

// True when `work`, which reads `fifo`, returns within two seconds. If it does not, a writer
// opens the FIFO until a blocked open() returns, so the test fails instead of hanging.
inline bool returnsPromptly(const std::string& fifo, const std::function<void()>& work) {
    const std::future<void> done = std::async(std::launch::async, work);
    const bool prompt = done.wait_for(std::chrono::seconds(2)) == std::future_status::ready;
    while (done.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
        ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
    }
    return prompt;
}
