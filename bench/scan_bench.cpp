// The cost of a scan per CLSID subkey, on registries of growing size laid out
// in the stand-in key store, one subkey in twenty a control. A scan should be
// linear: the cost per subkey should not grow with the registry.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "controls.h"
#include "key_store.h"

namespace {

void LayRegistry(int subkeys)
{
    keystore::Clear();
    keystore::CreateKey("CLSID");
    char path[80];
    for (int i = 0; i < subkeys; ++i) {
        std::snprintf(path, sizeof path, "CLSID\\{%08X-0000-0000-0000-000000000000}", i);
        const std::string classPath = path;
        keystore::SetDefault(classPath, REG_SZ, std::string("Class ") + path + '\0');
        keystore::SetDefault(classPath + "\\InprocServer32", REG_SZ, std::string("C:\\x.dll") + '\0');
        if (i % 20 == 0)
            keystore::CreateKey(classPath + "\\Control");
    }
}

void CountLine(const char*, void* context)
{
    ++*static_cast<long*>(context);
}

void BM_ScanPerSubkey(benchmark::State& state)
{
    const int subkeys = static_cast<int>(state.range(0));
    LayRegistry(subkeys);
    long lines = 0;
    for (auto _ : state) {
        lines = 0;
        benchmark::DoNotOptimize(FillControlList(CountLine, &lines));
    }
    if (lines != subkeys / 20)
        state.SkipWithError("wrong number of controls");
    state.SetItemsProcessed(state.iterations() * subkeys);
    state.counters["ns_per_subkey"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * subkeys,
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["ns_per_subkey"] = state.counters["ns_per_subkey"] * 1e9;
}

}  // namespace

BENCHMARK(BM_ScanPerSubkey)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
