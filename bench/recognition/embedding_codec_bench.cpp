// The enrolled set is encoded on every enrolment or adaptive addition and decoded once at
// start, on the main thread: a full set (50 × 512) should take well under a frame
// (target: < 5 ms each way).

#include "recognition/embedding_codec.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

std::vector<vardo::Embedding> fullSet()
{
    std::mt19937 random(1);
    std::normal_distribution<float> normal(0.0f, 0.044f); // about the spread of unit 512-vectors
    std::vector<vardo::Embedding> set(50, vardo::Embedding(512));
    for (auto &embedding : set)
        for (float &value : embedding)
            value = normal(random);
    return set;
}

void BM_EncodeFullEnrolledSet(benchmark::State &state)
{
    const auto set = fullSet();
    std::size_t bytes = 0;
    for (auto _ : state) {
        auto json = vardo::encodeEmbeddings(set);
        bytes = json->size();
        benchmark::DoNotOptimize(json);
    }
    state.counters["json_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_EncodeFullEnrolledSet)->Unit(benchmark::kMillisecond);

void BM_DecodeFullEnrolledSet(benchmark::State &state)
{
    const auto json = vardo::encodeEmbeddings(fullSet()).value();
    for (auto _ : state) {
        auto set = vardo::decodeEmbeddings(json);
        benchmark::DoNotOptimize(set);
    }
}
BENCHMARK(BM_DecodeFullEnrolledSet)->Unit(benchmark::kMillisecond);

} // namespace
