// SWF ADPCM encoding of three minutes of 44.1 kHz stereo (as a multiple of real time) and MP3 parsing of a
// 10 MB file (bytes per second).
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "ADPCM.h"
#include "MPEGAudio.h"

namespace {

constexpr size_t Rate = 44100, Seconds = 180;

void BM_ADPCMEncode3MinStereo(benchmark::State& State) {
    static const std::vector<int16_t> Samples = [] {
        std::vector<int16_t> S(Rate * Seconds * 2);
        for (size_t i = 0; i < Rate * Seconds; ++i) {
            S[2 * i] = int16_t(12000 * std::sin(i * 0.0627) + 3000 * std::sin(i * 0.31));
            S[2 * i + 1] = int16_t(12000 * std::sin(i * 0.0411) + 2000 * std::sin(i * 0.77));
        }
        return S;
    }();
    const int Bits = int(State.range(0));
    for (auto _ : State) benchmark::DoNotOptimize(EncodeADPCM(Samples.data(), Rate * Seconds, 2, Bits));
    State.counters["xRealTime"] =
        benchmark::Counter(double(Seconds) * double(State.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ADPCMEncode3MinStereo)->Arg(2)->Arg(4)->Arg(5)->Unit(benchmark::kMillisecond);

// 10 MB of 128 kbit/s MPEG-1 Layer III frames (418 and 417 bytes) with a Xing-less start.
void BM_MP3Parse10MB(benchmark::State& State) {
    static const std::vector<uint8_t> File = [] {
        std::vector<uint8_t> F;
        for (size_t n = 0; F.size() < 10 * 1024 * 1024; ++n) {
            const bool Padded = n % 3 != 0;
            const size_t Start = F.size();
            F.resize(Start + (Padded ? 418 : 417), uint8_t(n));
            F[Start] = 0xFF;
            F[Start + 1] = 0xFB;
            F[Start + 2] = Padded ? 0x92 : 0x90;
            F[Start + 3] = 0x64;
        }
        return F;
    }();
    for (auto _ : State) {
        TBoundedReadStream S(File.data(), File.size());
        TMPEGaudio M;
        M.LoadFromStream(S);
        benchmark::DoNotOptimize(M.FrameCount());
    }
    State.SetBytesProcessed(int64_t(State.iterations()) * int64_t(File.size()));
}
BENCHMARK(BM_MP3Parse10MB)->Unit(benchmark::kMillisecond);

}  // namespace
