// A small timing harness for benchmarks that run under Wine, where Google
// Benchmark is not built: runs a job repeatedly and prints the fastest and
// the median time of one run.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

template <typename Job>
double time_job(const char* name, int runs, Job&& job) {
    std::vector<double> ms;
    ms.reserve(runs);
    job();  // warm-up
    for (int i = 0; i < runs; ++i) {
        auto start = std::chrono::steady_clock::now();
        job();
        auto end = std::chrono::steady_clock::now();
        ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    std::sort(ms.begin(), ms.end());
    double median = ms[ms.size() / 2];
    std::printf("%-48s runs %4d  min %9.3f ms  median %9.3f ms\n", name, runs, ms.front(), median);
    std::fflush(stdout);
    return median;
}
