// Saving a large movie compressed (CWS) against zlib's own one-shot compress2 on the same bytes: the
// container's streaming deflate should cost about the same time and give about the same size.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdint>
#include <random>
#include <stdexcept>
#include <vector>

#include "SWFObject.h"
#include "Stream.h"

namespace {

constexpr size_t kBodySize = 64u << 20;

// A movie whose body is set directly, so saving it measures the container alone.
class TFixedBodyMovie : public TBasedSWFStream {
  public:
    TFixedBodyMovie() : TBasedSWFStream(0, 0, 800, 600, 24, true) { SetCompressed(true); }
    int FrameTagIndex(int) override { return 0; }
    void BuildBody() override {}
    void MoveDefinitions(int, int, int) override {}
};

// Mostly entropy-coded picture data, which deflate cannot shrink, interleaved with runs of small, similar
// tag records (placements, frames, shape edges) as a slideshow's timeline has them.
const std::vector<uint8_t>& MovieBody() {
    static const std::vector<uint8_t> Body = [] {
        std::vector<uint8_t> B;
        B.reserve(kBodySize);
        std::mt19937 Rng(20240601);
        std::uniform_int_distribution<int> Byte(0, 255);
        uint16_t Depth = 1;
        while (B.size() < kBodySize) {
            size_t Picture = 24 * 1024 + Rng() % (32 * 1024);
            B.push_back(0xFF), B.push_back(0xD8);  // a JPEG start and its scan data
            for (size_t i = 0; i < Picture; ++i) B.push_back(static_cast<uint8_t>(Byte(Rng)));
            for (int Frame = 0; Frame < 200; ++Frame, ++Depth) {
                const uint8_t PlaceObject2[] = {0x86,
                                                0x06,
                                                0x06,
                                                static_cast<uint8_t>(Depth),
                                                static_cast<uint8_t>(Depth >> 8),
                                                0x01,
                                                0x00,
                                                static_cast<uint8_t>(Frame),
                                                0x40,
                                                0x00};
                B.insert(B.end(), std::begin(PlaceObject2), std::end(PlaceObject2));
                B.push_back(0x40), B.push_back(0x00);  // ShowFrame
            }
        }
        B.resize(kBodySize);
        return B;
    }();
    return Body;
}

void BM_SaveCompressedMovie(benchmark::State& State) {
    TFixedBodyMovie Movie;
    const auto& Body = MovieBody();
    Movie.BodyStream().Write(Body.data(), Body.size());
    TMemoryStream Out;
    Out.Reserve(kBodySize + kBodySize / 8);
    for (auto _ : State) {
        Out.Clear();
        Movie.SaveToStream(Out);
        benchmark::DoNotOptimize(Out.Memory());
    }
    State.SetBytesProcessed(static_cast<int64_t>(State.iterations() * Body.size()));
    State.counters["ratio"] = static_cast<double>(Out.Size()) / static_cast<double>(Body.size());
}

void BM_ZlibCompress2(benchmark::State& State) {
    const auto& Body = MovieBody();
    std::vector<uint8_t> Out(compressBound(Body.size()));
    uLongf Size = 0;
    for (auto _ : State) {
        Size = Out.size();
        if (compress2(Out.data(), &Size, Body.data(), Body.size(), Z_DEFAULT_COMPRESSION) != Z_OK) {
            State.SkipWithError("compress2 failed");
            return;
        }
        benchmark::DoNotOptimize(Out.data());
    }
    State.SetBytesProcessed(static_cast<int64_t>(State.iterations() * Body.size()));
    State.counters["ratio"] = static_cast<double>(Size) / static_cast<double>(Body.size());
}

}  // namespace

BENCHMARK(BM_SaveCompressedMovie)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ZlibCompress2)->Unit(benchmark::kMillisecond)->MinTime(2.0);
