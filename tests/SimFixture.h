// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>

#include "sim/SimScenarios.h"

// The whole of a file, or nothing when it cannot be read.
inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// How many things done on the desktop are told by lines starting with `prefix`.
inline long countRecorded(const platform::sim::SimDesktop& sim, const std::string& prefix) {
    return std::count_if(sim.record().begin(), sim.record().end(),
                         [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
}

// Every test runs against its own fresh simulated desktop, so program state (settings, log)
// never leaks from one test into another.
class SimTest : public ::testing::Test {
  protected:
    SimTest() : sim(platform::sim::SimDesktop::installFresh()) {}

    bool recorded(const std::string& line) const {
        const auto& r = sim.record();
        return std::find(r.begin(), r.end(), line) != r.end();
    }

    platform::sim::SimDesktop& sim;
};
