#include "Figures.h"

#include <algorithm>
#include <cmath>

double microseconds(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

double callsPerSecond(const std::function<void()>& f, Clock::duration span) {
    const Clock::time_point start = Clock::now();
    Clock::time_point now = start;
    long calls = 0;
    while (now - start < span) {
        f();
        ++calls;
        now = Clock::now();
    }
    return calls / std::chrono::duration<double>(now - start).count();
}

double callsPerSecond(const std::function<bool(int)>& f, int count) {
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < count; ++i)
        if (!f(i))
            return 0;
    return count / std::chrono::duration<double>(Clock::now() - start).count();
}

double best(const std::vector<double>& sample) {
    return *std::max_element(sample.begin(), sample.end());
}

double median(std::vector<double> sample) {
    return percentile(std::move(sample), 0.5);
}

double percentile(std::vector<double> sample, double fraction) {
    std::sort(sample.begin(), sample.end());
    const auto rank = static_cast<std::size_t>(std::ceil(fraction * sample.size()));
    return sample[std::max<std::size_t>(rank, 1) - 1];
}
