// Ratios between benchmark results of one run, printed after the usual table.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace benchratio {

// The pairs to compare: numerator, denominator (benchmark names as printed, e.g. "parse/1000").
inline std::vector<std::pair<std::string, std::string>> &pairs() {
    static std::vector<std::pair<std::string, std::string>> registered;
    return registered;
}

struct Registration {
    Registration(std::string numerator, std::string denominator) {
        pairs().emplace_back(std::move(numerator), std::move(denominator));
    }
};

// Prints the table as the console reporter does and remembers each benchmark's CPU time (the
// median when repetitions are asked for).
class RatioReporter final : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            if (run.error_occurred || run.iterations == 0) {
                continue;
            }
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type == Run::RT_Iteration || median) {
                const std::string name = run.run_name.str();
                const double perIteration = run.GetAdjustedCPUTime();
                if (median || !m_times.count(name)) {
                    m_times[name] = perIteration;
                }
            }
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        for (const auto &[numerator, denominator] : pairs()) {
            const auto top = m_times.find(numerator);
            const auto bottom = m_times.find(denominator);
            if (top == m_times.end() || bottom == m_times.end() || bottom->second <= 0) {
                continue;
            }
            GetOutputStream() << "ratio " << numerator << " / " << denominator << " = "
                              << top->second / bottom->second << '\n';
        }
    }

private:
    std::map<std::string, double> m_times;
};

} // namespace benchratio

#define PARCELBOOK_BENCH_RATIO_JOIN2(a, b) a##b
#define PARCELBOOK_BENCH_RATIO_JOIN(a, b) PARCELBOOK_BENCH_RATIO_JOIN2(a, b)
#define PARCELBOOK_BENCH_RATIO(numerator, denominator)                                                       \
    static const benchratio::Registration PARCELBOOK_BENCH_RATIO_JOIN(benchRatio, __LINE__)(numerator,       \
                                                                                            denominator)
