#pragma once

#include <chrono>
#include <functional>
#include <vector>

using Clock = std::chrono::steady_clock;

double microseconds(Clock::duration d);
// Calls per second of f, called repeatedly for at least span.
double callsPerSecond(const std::function<void()>& f, Clock::duration span);
// Calls per second of f, called with 0 to count - 1; 0 as soon as f reports failure.
double callsPerSecond(const std::function<bool(int)>& f, int count);

// Of a non-empty sample.
double best(const std::vector<double>& sample);
double median(std::vector<double> sample);
// Nearest rank: the smallest value that is not below the given fraction of the sample.
double percentile(std::vector<double> sample, double fraction);
