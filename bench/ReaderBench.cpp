// ReadTags with records and parsed actions over the real movies of the corpus, in bytes per second.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <vector>

#include "SWFReader.h"

namespace {
std::vector<std::vector<uint8_t>> CorpusBodies() {
    std::vector<std::vector<uint8_t>> Bodies;
    const std::filesystem::path Dir = PICTAVO_CORPUS_DIR;
    for (const auto& E : std::filesystem::directory_iterator(Dir)) {
        if (E.path().extension() != ".swf") continue;
        TSWFStreamReader R;
        R.LoadFromFile(E.path().string());
        if (!R.IsValid) continue;
        R.SetCompressed(false);
        TMemoryStream Plain;
        R.SaveToStream(Plain);
        Bodies.push_back(Plain.TakeBytes());
    }
    return Bodies;
}

void BM_ReadTagsParsed(benchmark::State& State) {
    static const auto Files = CorpusBodies();
    int64_t Bytes = 0;
    for (auto _ : State) {
        for (const auto& F : Files) {
            TMemoryStream S(F);
            TSWFStreamReader R(S);
            R.VerifyRecords = State.range(0) != 0;
            R.ReadTags(true, true);
            benchmark::DoNotOptimize(R.TagList.size());
            Bytes += static_cast<int64_t>(F.size());
        }
    }
    State.SetBytesProcessed(Bytes);
    State.SetLabel(State.range(0) ? "records verified" : "records trusted");
}
BENCHMARK(BM_ReadTagsParsed)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);
}  // namespace
