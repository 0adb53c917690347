#pragma once
// Small helpers shared by the timing programs.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace tavik::bench {

using Clock = std::chrono::steady_clock;

inline double Microseconds(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

struct TStats {
    double Median;
    double Worst;
};

inline TStats Summarise(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return {samples[samples.size() / 2], samples.back()};
}

// The sample at or below which the given share (0..1) of them lie; the
// samples must be sorted and not empty.
inline double Percentile(const std::vector<double>& sorted, double share) {
    const auto last = static_cast<double>(sorted.size() - 1);
    return sorted[static_cast<std::size_t>(share * last + 0.5)];
}

template <typename F>
TStats TimeRuns(int runs, F&& f) {
    std::vector<double> samples;
    samples.reserve(static_cast<std::size_t>(runs));
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        f();
        samples.push_back(Microseconds(Clock::now() - start));
    }
    return Summarise(std::move(samples));
}

}  // namespace tavik::bench
