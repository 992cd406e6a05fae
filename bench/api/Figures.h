#pragma once

#include <chrono>
#include <functional>
#include <vector>

using Clock = std::chrono::steady_clock;

double microseconds(Clock::duration d);
// Calls per second of f, called repeatedly for at least span.
double callsPerSecond(const std::function<void()>& f, Clock::duration span);

// Of a non-empty sample.
double best(const std::vector<double>& sample);
double median(std::vector<double> sample);
// Nearest rank: the smallest value that is not below the given fraction of the sample.
double percentile(std::vector<double> sample, double fraction);
