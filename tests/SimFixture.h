#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "sim/SimScenarios.h"

// Every test runs against its own fresh simulated desktop, so program state (settings, log)
// never leaks from one test into another.
class SimTest : public ::testing::Test {
  protected:
    SimTest() : sim(platform::sim::SimDesktop::installFresh()) {}

    bool recorded(const std::string& line) const {
        const auto& r = sim.record();
        return std::find(r.begin(), r.end(), line) != r.end();
    }
    bool recordedStartingWith(const std::string& prefix) const {
        const auto& r = sim.record();
        return std::any_of(r.begin(), r.end(),
                           [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
    }

    platform::sim::SimDesktop& sim;
};
