// The rounds of a benchmark that sets the product against its floor (the least the platform needs
// for the same result) and a plain enumeration of the same folder, all three in every round.
// With the environment variable BENCH_DETAIL set, every round's figures are printed too.
#pragma once

#include "bench/BenchTiming.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace bench {

// Entries of a folder (files and folders, "." and ".." too), read with FindFirstFile/FindNextFile.
inline size_t EnumerateFolder(const std::string& folder) {
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\*.*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return 0;
    size_t n = 0;
    do
        ++n;
    while (FindNextFileA(find, &entry));
    FindClose(find);
    return n;
}

// Seconds that running `f` takes.
template <typename F> double TimeOf(F&& f) {
    const double t = Seconds();
    f();
    return Seconds() - t;
}

// Takes "--profile FILE" out of the arguments: the file to sample into, or empty.
inline std::string TakeProfileArgument(std::vector<std::string>& args) {
    for (size_t i = 0; i + 1 < args.size(); ++i)
        if (args[i] == "--profile") {
            std::string file = args[i + 1];
            args.erase(args.begin() + static_cast<std::ptrdiff_t>(i),
                       args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
            return file;
        }
    return std::string();
}

// Runs the three sides of a round in an order that turns every round, so that neither side
// always follows the other.
template <typename E, typename F, typename P>
void RunRound(int round, E&& enumerate, F&& floor, P&& product) {
    if (round % 2) {
        product();
        floor();
        enumerate();
    } else {
        enumerate();
        floor();
        product();
    }
}

// Seconds of the three sides, one entry a round.
struct FloorRounds {
    std::vector<double> enumeration, floor, product;

    void Add(double e, double f, double p) {
        enumeration.push_back(e);
        floor.push_back(f);
        product.push_back(p);
    }
    // Ratios are taken round by round, and their median printed: a round that the machine
    // slowed down slows all three sides alike.
    double RatioToEnumeration(const std::vector<double>& side) const {
        return MedianRatio(side, enumeration);
    }
    double RatioToFloor() const { return MedianRatio(product, floor); }

    static double MedianRatio(const std::vector<double>& a, const std::vector<double>& b) {
        std::vector<double> r;
        for (size_t i = 0; i < a.size() && i < b.size(); ++i)
            r.push_back(b[i] > 0 ? a[i] / b[i] : 0);
        return r.empty() ? 0 : Median(r);
    }

    // One line: the three medians, the ratios, and whether the target is met: within 10 % of the
    // floor or at the given ratio to the enumeration, whichever is higher.
    void Print(const char* what, double targetRatio) const {
        const double e = Median(enumeration), f = Median(floor), p = Median(product);
        const double fe = RatioToEnumeration(floor), pe = RatioToEnumeration(product), pf = RatioToFloor();
        const bool met = pf <= 1.10 || pe <= targetRatio;
        if (GetEnvironmentVariableA("BENCH_DETAIL", nullptr, 0))
            for (size_t i = 0; i < product.size(); ++i)
                std::printf("  round %zu: %.1f %.1f %.1f\n", i + 1, enumeration[i] * 1000, floor[i] * 1000,
                            product[i] * 1000);
        std::printf("%-30s %9.1f %9.1f %9.1f   %6.2f %6.2f %6.2f   %s (%.2f x enumeration or 1.10 x floor)\n",
                    what, e * 1000, f * 1000, p * 1000, fe, pe, pf, met ? "met" : "NOT met", targetRatio);
    }

    static void PrintHeader(const char* product, int rounds) {
        std::printf("median of %d rounds; ms, then ratios (median of the per-round ratios)\n", rounds);
        std::printf("%-30s %9s %9s %9s   %6s %6s %6s   target\n", "", "enum", "floor", product, "fl/en",
                    "pr/en", "pr/fl");
    }
};

} // namespace bench
