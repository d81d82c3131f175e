// The cost of a scan per CLSID subkey, on registries of growing size laid out
// in the stand-in key store, one subkey in twenty a control. A scan should be
// linear: the cost per subkey should not grow with the registry.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "controls.h"
#include "keystore.h"

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
}

// Prints, after the usual table, the cost per subkey at each size and how
// the largest compares with the smallest.
class PerSubkeyReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median")
                continue;
            nsPerSubkey_.push_back(1e9 / run.counters.at("items_per_second"));
        }
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        const int sizes[] = {1000, 10000, 100000};
        for (size_t i = 0; i < nsPerSubkey_.size() && i < 3; ++i)
            std::printf("scan cost per CLSID subkey at %6d subkeys: %6.1f ns\n", sizes[i], nsPerSubkey_[i]);
        if (nsPerSubkey_.size() >= 3)
            std::printf("ratio per subkey, 100,000 / 1,000: %.2f\n", nsPerSubkey_[2] / nsPerSubkey_[0]);
    }

private:
    std::vector<double> nsPerSubkey_;
};

}  // namespace

BENCHMARK(BM_ScanPerSubkey)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    PerSubkeyReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
