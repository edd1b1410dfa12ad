// Audio fixtures made at test time by sox, lame and ffmpeg in a temporary folder, and a reference decoder of
// SWF ADPCM that shares no code with the encoder.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

using TBytes = std::vector<uint8_t>;

// Runs a shell command and returns its standard output.
inline std::string RunCommand(const std::string& Command) {
    std::string Out;
    if (FILE* P = popen(Command.c_str(), "r")) {
        char Buf[4096];
        size_t N;
        while ((N = fread(Buf, 1, sizeof Buf, P)) > 0) Out.append(Buf, N);
        if (pclose(P) != 0) ADD_FAILURE() << "command failed: " << Command;
    }
    return Out;
}

class TSoundFixtures {
  public:
    static TSoundFixtures& Get() {
        static TSoundFixtures F;
        return F;
    }
    ~TSoundFixtures() {
        std::error_code E;
        std::filesystem::remove_all(Dir_, E);
    }
    const std::filesystem::path& Dir() const { return Dir_; }
    // The file Name, made once by Command, in which "{out}" stands for its path.
    std::string Make(const std::string& Name, std::string Command) {
        const std::string Path = (Dir_ / Name).string();
        if (!std::filesystem::exists(Path)) {
            for (size_t At; (At = Command.find("{out}")) != std::string::npos;) Command.replace(At, 5, Path);
            RunCommand("cd '" + Dir_.string() + "' && " + Command + " 2>/dev/null");
        }
        return Path;
    }
    // A 3-second two-tone source at Rate, Channels and Bits.
    std::string Source(int Rate, int Channels, int Bits, double Seconds = 3) {
        const std::string Name = "src-" + std::to_string(Rate) + "-" + std::to_string(Channels) + "-" +
                                 std::to_string(Bits) + "-" + std::to_string(int(Seconds * 1000)) + ".wav";
        return Make(Name, "sox -n -r " + std::to_string(Rate) + " -c " + std::to_string(Channels) + " -b " +
                              std::to_string(Bits) + " {out} synth " + std::to_string(Seconds) +
                              " sine 440 sine 660 gain -3");
    }

  private:
    TSoundFixtures() {
        Dir_ = std::filesystem::temp_directory_path() / ("pictavo-sound-" + std::to_string(getpid()));
        std::filesystem::create_directories(Dir_);
    }
    std::filesystem::path Dir_;
};

inline TBytes ReadBytes(const std::string& Path) {
    std::ifstream F(Path, std::ios::binary);
    return TBytes(std::istreambuf_iterator<char>(F), {});
}

inline void WriteBytes(const std::string& Path, const TBytes& B) {
    std::ofstream(Path, std::ios::binary)
        .write(reinterpret_cast<const char*>(B.data()), std::streamsize(B.size()));
}

inline std::string Hex(const TBytes& B) {
    std::string S;
    char Buf[4];
    for (size_t i = 0; i < B.size(); ++i) {
        std::snprintf(Buf, sizeof Buf, i ? " %02X" : "%02X", B[i]);
        S += Buf;
    }
    return S;
}

inline double ProbeDuration(const std::string& Path) {
    return std::stod(RunCommand("ffprobe -v error -show_entries format=duration -of csv=p=0 '" + Path + "'"));
}

// 16-bit little-endian samples of a file decoded by ffmpeg.
inline std::vector<int16_t> FFmpegPCM(const std::string& Path) {
    const std::string Raw = RunCommand("ffmpeg -v error -i '" + Path + "' -f s16le -");
    std::vector<int16_t> S(Raw.size() / 2);
    for (size_t i = 0; i < S.size(); ++i)
        S[i] = static_cast<int16_t>(uint8_t(Raw[2 * i]) | uint8_t(Raw[2 * i + 1]) << 8);
    return S;
}

inline double SNR(const std::vector<int16_t>& Ref, const std::vector<int16_t>& Got) {
    double Signal = 0, Noise = 0;
    const size_t N = std::min(Ref.size(), Got.size());
    for (size_t i = 0; i < N; ++i) {
        Signal += double(Ref[i]) * Ref[i];
        Noise += (double(Ref[i]) - Got[i]) * (double(Ref[i]) - Got[i]);
    }
    return Noise == 0 ? 200 : 10 * std::log10(Signal / Noise);
}

// Decodes SWF ADPCM sound data the way the player does: code size, then packets of 4096 samples per
// channel, each channel starting with its 16-bit sample and 6-bit step index.
inline std::vector<int16_t> ReferenceADPCMDecode(const TBytes& Data, int Channels, size_t Frames) {
    static const int Steps[89] = {
        7,    8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,   28,
        31,   34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,  118,
        130,  143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,  494,
        544,  598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878, 2066,
        2272, 2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845, 8630,
        9493, 10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
    static const std::vector<std::vector<int>> Moves = {
        {-1, 2},
        {-1, -1, 2, 4},
        {-1, -1, -1, -1, 2, 4, 6, 8},
        {-1, -1, -1, -1, -1, -1, -1, -1, 1, 2, 4, 6, 8, 10, 13, 16}};
    size_t BitPos = 0;
    auto Bits = [&](int N) {
        uint32_t V = 0;
        for (int i = 0; i < N; ++i, ++BitPos) {
            if (BitPos / 8 >= Data.size()) throw std::runtime_error("ADPCM data too short");
            V = V << 1 | ((Data[BitPos / 8] >> (7 - BitPos % 8)) & 1);
        }
        return V;
    };
    const int CodeBits = int(Bits(2)) + 2;
    std::vector<int16_t> Out;
    int Sample[2] = {0, 0}, Index[2] = {0, 0};
    for (size_t i = 0; i < Frames; ++i)
        for (int C = 0; C < Channels; ++C) {
            if (i % 4096 == 0) {
                Sample[C] = int16_t(Bits(16));
                Index[C] = int(Bits(6));
            } else {
                const uint32_t Code = Bits(CodeBits), Sign = 1u << (CodeBits - 1);
                int Step = Steps[Index[C]], Delta = Step >> (CodeBits - 1);
                for (uint32_t Mask = Sign >> 1; Mask; Mask >>= 1, Step >>= 1)
                    if (Code & Mask) Delta += Step;
                Sample[C] = std::clamp(Sample[C] + ((Code & Sign) ? -Delta : Delta), -32768, 32767);
                Index[C] = std::clamp(Index[C] + Moves[CodeBits - 2][Code & (Sign - 1)], 0, 88);
            }
            Out.push_back(int16_t(Sample[C]));
        }
    return Out;
}
