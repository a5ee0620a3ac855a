// Prints the usual console report, then each subject's figure beside the baseline measured in
// the same run: "<subject>/<case>" pairs with "baseline/<case>". A case run several times
// (--benchmark_repetitions) counts with its median figure, so that a burst of load on a shared
// machine moves neither side much.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class RatioReporter : public benchmark::ConsoleReporter {
public:
    // The figure a run contributes, if any.
    using Figure = std::function<std::optional<double>(const Run&)>;
    // Prints one subject's line: its full name, its figure, the baseline's figure.
    using Line = std::function<void(const std::string& name, double value, double baseline)>;

    // The figure of a run that reports it in the counter of this name.
    static Figure counter(std::string name) {
        return [name = std::move(name)](const Run& run) -> std::optional<double> {
            const auto found = run.counters.find(name);
            if (found == run.counters.end()) {
                return std::nullopt;
            }
            return found->second.value;
        };
    }

    RatioReporter(std::string subject, Figure figure, Line line)
        : prefix_(std::move(subject) + "/"), figure_(std::move(figure)), line_(std::move(line)) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred) {
                continue;
            }
            if (const std::optional<double> value = figure_(run)) {
                figures_[run.benchmark_name()].push_back(*value);
            }
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        for (const auto& [name, values] : figures_) {
            if (name.rfind(prefix_, 0) != 0) {
                continue;
            }
            const auto baseline = figures_.find("baseline/" + name.substr(prefix_.size()));
            if (baseline == figures_.end()) {
                continue;
            }
            const double baselineMedian = median(baseline->second);
            if (baselineMedian > 0) {
                line_(name, median(values), baselineMedian);
            }
        }
    }

private:
    static double median(std::vector<double> values) {
        std::sort(values.begin(), values.end());
        const size_t middle = values.size() / 2;
        return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
    }

    std::string prefix_;
    Figure figure_;
    Line line_;
    std::map<std::string, std::vector<double>> figures_;
};

// The benchmark program's main, reporting through the given reporter.
inline int runBenchmarks(int argc, char** argv, RatioReporter& reporter) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
