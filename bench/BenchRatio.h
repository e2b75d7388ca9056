#pragma once
// Runs the registered benchmarks and prints, after them, each one's median time as a ratio of
// a floor measured in the same run: "ratio NAME / FLOOR = X (limit L)".

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

struct TBenchRatio {
    std::string name;
    std::string floor;
    double limit;  // the ratio the issue allows; 0 for "report only"
};

class TMedianRecorder : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                medians[run.run_name.function_name] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> medians;
};

// Call after registering; returns 0 (ratios are reported, never asserted).
inline int RunWithRatios(int argc, char** argv, const std::vector<TBenchRatio>& ratios)
{
    benchmark::Initialize(&argc, argv);
    TMedianRecorder recorder;
    benchmark::RunSpecifiedBenchmarks(&recorder);
    std::printf("\n");
    for (const TBenchRatio& r : ratios) {
        const auto a = recorder.medians.find(r.name);
        const auto b = recorder.medians.find(r.floor);
        if (a == recorder.medians.end() || b == recorder.medians.end() || b->second <= 0)
            continue;
        const double ratio = a->second / b->second;
        std::printf("ratio %-40s / %-28s = %6.3f", r.name.c_str(), r.floor.c_str(), ratio);
        if (r.limit > 0)
            std::printf("  (limit %.2f: %s)", r.limit, ratio <= r.limit ? "ok" : "OVER");
        std::printf("\n");
    }
    benchmark::Shutdown();
    return 0;
}
