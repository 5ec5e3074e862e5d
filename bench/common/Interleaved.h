// Runs the registered benchmarks with the rounds of all of them interleaved at random, so a
// busy machine slows our side and the reference tool's side alike.
#pragma once

#include <benchmark/benchmark.h>
#include <vector>

namespace tb::bench {

inline void runInterleaved(int argc, char **argv)
{
    std::vector<char *> args(argv, argv + argc);
    static char interleave[] = "--benchmark_enable_random_interleaving=true";
    args.push_back(interleave);
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}

} // namespace tb::bench
