#include "MPEGAudio.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

const uint16_t BitRates[5][16] = {
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},  // MPEG-1 Layer I
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},     // MPEG-1 Layer II
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},      // MPEG-1 Layer III
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},     // MPEG-2/2.5 Layer I
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},          // MPEG-2/2.5 Layer II, III
};

const uint32_t SampleRates[4][3] = {
    {11025, 12000, 8000},   // MPEG-2.5
    {0, 0, 0},              // reserved
    {22050, 24000, 16000},  // MPEG-2
    {44100, 48000, 32000},  // MPEG-1
};

uint32_t BigEndian32(const uint8_t* B) {
    return uint32_t(B[0]) << 24 | uint32_t(B[1]) << 16 | uint32_t(B[2]) << 8 | B[3];
}

// Reads up to Count bytes at Pos; fewer at the end of the stream.
std::vector<uint8_t> ReadAt(TStream& Stream, int64_t Pos, size_t Count) {
    std::vector<uint8_t> B;
    if (Pos < 0 || Pos >= Stream.Size()) return B;
    Count = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(Count), Stream.Size() - Pos));
    B.resize(Count);
    Stream.SetPosition(Pos);
    B.resize(Stream.Read(B.data(), Count));
    return B;
}

std::string Latin1Field(const uint8_t* B, size_t Max) {
    size_t N = 0;
    while (N < Max && B[N]) ++N;
    std::string S(reinterpret_cast<const char*>(B), N);
    while (!S.empty() && S.back() == ' ') S.pop_back();
    return S;
}

bool Is(const uint8_t* B, const char* ID) {
    return std::memcmp(B, ID, 4) == 0;
}

// A text frame's text: Latin-1 and UTF-8 kept as they are, UTF-16 reduced to its Latin-1 characters.
std::string DecodeText(uint8_t Encoding, const uint8_t* B, size_t Size) {
    if (Encoding == 0 || Encoding == 3) return Latin1Field(B, Size);
    bool BigEndian = Encoding == 2;
    if (Size >= 2 && (B[0] == 0xFE || B[0] == 0xFF) && (B[1] == 0xFE || B[1] == 0xFF)) {
        BigEndian = B[0] == 0xFE;
        B += 2;
        Size -= 2;
    }
    std::string S;
    for (size_t i = 0; i + 1 < Size; i += 2) {
        const uint16_t C = BigEndian ? uint16_t(B[i] << 8 | B[i + 1]) : uint16_t(B[i + 1] << 8 | B[i]);
        if (C == 0) break;
        S.push_back(C < 256 ? static_cast<char>(C) : '?');
    }
    return S;
}

}  // namespace

// ---- Frame header ----------------------------------------------------------------------------------------

bool TMP3Header::Decode(const uint8_t* B) {
    if (B[0] != 0xFF || (B[1] & 0xE0) != 0xE0) return false;
    Version = (B[1] >> 3) & 3;
    Layer = (B[1] >> 1) & 3;
    Protection = B[1] & 1;
    BitRateIndex = B[2] >> 4;
    SampleRateIndex = (B[2] >> 2) & 3;
    Padding = (B[2] >> 1) & 1;
    Private = B[2] & 1;
    ChannelMode = B[3] >> 6;
    ModeExtension = (B[3] >> 4) & 3;
    Copyright = (B[3] >> 3) & 1;
    Original = (B[3] >> 2) & 1;
    Emphasis = B[3] & 3;
    return Version != 1 && Layer != 0 && BitRateIndex != 0 && BitRateIndex != 15 && SampleRateIndex != 3 &&
           Emphasis != 2;
}

uint32_t TMP3Header::BitRate() const {
    const int Row = Version == 3 ? 3 - Layer : (Layer == 3 ? 3 : 4);
    return BitRates[Row][BitRateIndex];
}

uint32_t TMP3Header::SampleRate() const {
    return SampleRateIndex < 3 ? SampleRates[Version][SampleRateIndex] : 0;
}

uint32_t TMP3Header::SamplesFactor() const {
    if (Layer == 3) return 48;
    if (Layer == 2 || Version == 3) return 144;
    return 72;
}

uint32_t TMP3Header::FrameLength() const {
    const uint32_t Rate = SampleRate();
    if (Rate == 0) return 0;
    return static_cast<uint32_t>(uint64_t(SamplesFactor()) * BitRate() * 1000 / Rate) + PaddingBytes();
}

uint32_t TMP3Header::SideInfoEnd() const {
    if (Version == 3) return ChannelMode == 3 ? 21 : 36;
    return ChannelMode == 3 ? 13 : 21;
}

// ---- ID3 tags --------------------------------------------------------------------------------------------

void TID3v1::ReadFromStream(TStream& Stream) {
    *this = TID3v1();
    if (Stream.Size() < 128) return;
    const auto B = ReadAt(Stream, Stream.Size() - 128, 128);
    if (B.size() != 128 || std::memcmp(B.data(), "TAG", 3) != 0) return;
    Exists = true;
    Title = Latin1Field(&B[3], 30);
    Artist = Latin1Field(&B[33], 30);
    Album = Latin1Field(&B[63], 30);
    Year = Latin1Field(&B[93], 4);
    Comment = Latin1Field(&B[97], 30);
    if (B[125] == 0 && B[126] != 0) Track = B[126];  // ID3v1.1
    Genre = B[127];
}

void TID3v2::ReadFromStream(TStream& Stream) {
    *this = TID3v2();
    const auto B = ReadAt(Stream, 0, 10);
    if (B.size() < 10 || std::memcmp(B.data(), "ID3", 3) != 0) return;
    uint32_t Size = (B[6] & 0x7F) << 21 | (B[7] & 0x7F) << 14 | (B[8] & 0x7F) << 7 | (B[9] & 0x7F);
    Size += 10;
    if (B[3] == 4 && (B[5] & 0x10)) Size += 10;  // footer
    if (Size > Stream.Size()) return;
    Exists = true;
    Version = B[3];
    Revision = B[4];
    Flags = B[5];
    Size_ = Size;
    // Text frames of unsynchronised or extended-header tags are not worth the trouble: only the size counts.
    if ((Version == 3 || Version == 4) && !(Flags & 0xC0)) ReadTextFrames(ReadAt(Stream, 10, Size - 10));
}

void TID3v2::ReadTextFrames(const std::vector<uint8_t>& Body) {
    size_t Pos = 0;
    while (Pos + 10 <= Body.size() && Body[Pos] != 0) {
        const uint8_t* F = &Body[Pos];
        const uint32_t Len =
            Version == 4 ? (F[4] & 0x7F) << 21 | (F[5] & 0x7F) << 14 | (F[6] & 0x7F) << 7 | (F[7] & 0x7F)
                         : BigEndian32(F + 4);
        if (Len > Body.size() - Pos - 10) break;
        if (Len > 1) {
            const std::string Text = DecodeText(F[10], F + 11, Len - 1);
            if (Is(F, "TIT2")) Title = Text;
            if (Is(F, "TPE1")) Artist = Text;
            if (Is(F, "TALB")) Album = Text;
            if (Is(F, "TYER") || Is(F, "TDRC")) Year = Text;
        }
        Pos += 10 + Len;
    }
}

// ---- MPEG audio ------------------------------------------------------------------------------------------

void TMPEGaudio::Reset() {
    *this = TMPEGaudio();
}

bool TMPEGaudio::LoadFromStream(TStream& Stream) {
    Reset();
    try {
        Parse(Stream);
    } catch (const std::exception&) {
        Reset();
    }
    if (!FirstFrameFound) Reset();
    return FirstFrameFound;
}

void TMPEGaudio::Parse(TStream& Stream) {
    FileSize = Stream.Size();
    ID3v1.ReadFromStream(Stream);
    ID3v2.ReadFromStream(Stream);
    const int64_t Start = ID3v2.Size();
    if (!FindFirstFrame(Stream, Start)) {
        const int64_t Middle = std::max<int64_t>(Start, (FileSize - Start) / 2);
        if (!FindFirstFrame(Stream, Middle)) return;
    }
    ReadVBRHeader(Stream);
    ReadFrameList(Stream);

    const uint32_t F = FirstHeader.SamplesFactor();
    const uint32_t Rate = FirstHeader.SampleRate();
    const int64_t AudioBytes = FileSize - Start - FirstFramePosition;
    if (!Frames_.empty())
        FrameCount_ = static_cast<uint32_t>(Frames_.size());
    else if (VBR.Frames)
        FrameCount_ = VBR.Frames;
    else
        FrameCount_ = static_cast<uint32_t>(AudioBytes / FirstFrameLength);
    if (VBR.Present && VBR.Frames) {
        Duration_ = double(F) * VBR.Frames * 8 / Rate;
        BitRate_ = static_cast<uint32_t>(
            std::nearbyint((double(VBR.Bytes) / VBR.Frames - FirstHeader.PaddingBytes()) * Rate / F / 1000));
    } else {
        Duration_ = double(AudioBytes) * 8 / FirstHeader.BitRate() / 1000;
        BitRate_ = FirstHeader.BitRate();
    }
}

// Looks for a valid header that is followed by another one exactly a frame length later.
bool TMPEGaudio::FindFirstFrame(TStream& Stream, int64_t From) {
    const auto B = ReadAt(Stream, From, 3458);
    if (From == ID3v2.Size() && B.size() >= 12 && std::memcmp(&B[8], "WAVE", 4) == 0) WAVContainer = true;
    if (B.size() < 1728) return false;
    const size_t Last = std::min<size_t>(1729, B.size() - 4);
    for (size_t i = 0; i <= Last; ++i) {
        TMP3Header H, Next;
        if (!H.Decode(&B[i])) continue;
        const size_t Length = H.FrameLength();
        if (i + Length + 4 > B.size() || !Next.Decode(&B[i + Length])) continue;
        FirstFrameFound = true;
        FirstHeader = H;
        FirstFramePosition = From - ID3v2.Size() + static_cast<int64_t>(i);
        FirstFrameLength = static_cast<uint32_t>(Length);
        return true;
    }
    return false;
}

void TMPEGaudio::ReadVBRHeader(TStream& Stream) {
    const auto B = ReadAt(Stream, DataOffset(), std::min<uint32_t>(FirstFrameLength, 64));
    const size_t At = FirstHeader.SideInfoEnd();
    if (At + 16 <= B.size() && (Is(&B[At], "Xing") || Is(&B[At], "Info"))) {
        // Frame and byte counts are there when flag bits 0 and 1 say so.
        const uint32_t Flags = BigEndian32(&B[At + 4]);
        if ((Flags & 3) == 3) {
            VBR.Present = true;
            VBR.ID.assign(reinterpret_cast<const char*>(&B[At]), 4);
            VBR.Frames = BigEndian32(&B[At + 8]);
            VBR.Bytes = BigEndian32(&B[At + 12]);
        }
        FirstFrameEmpty = true;
        return;
    }
    // Fraunhofer's VBRI header sits 32 bytes after the frame header whatever the mode.
    for (size_t Pos : {At, size_t(36)}) {
        if (Pos + 18 > B.size() || !Is(&B[Pos], "VBRI")) continue;
        VBR.Present = true;
        VBR.ID = "VBRI";
        VBR.Quality = uint32_t(B[Pos + 8]) << 8 | B[Pos + 9];
        VBR.Bytes = BigEndian32(&B[Pos + 10]);
        VBR.Frames = BigEndian32(&B[Pos + 14]);
        FirstFrameEmpty = true;
        return;
    }
}

void TMPEGaudio::ReadFrameList(TStream& Stream) {
    const int64_t Start = ID3v2.Size();
    const int64_t End = FileSize - ID3v1.Size();
    int64_t Pos = Start + FirstFramePosition;
    while (Pos < End) {
        const auto B = ReadAt(Stream, Pos, 40);
        TMP3Header H;
        if (B.size() < 4 || !H.Decode(B.data())) break;
        const uint32_t Length = H.FrameLength();
        if (Pos + Length > End) break;  // a frame cut off by the end of the file is no frame
        TMP3FrameInfo Info;
        Info.Position = Pos - Start;
        Info.Length = Length;
        Info.Header = BigEndian32(B.data());
        // Only the first frame can be the VBR information frame: later frames carry "LAME" and "UUUU" as
        // padding of the bit reservoir and are audio like any other.
        if (Frames_.empty()) {
            if (B.size() >= 40)
                for (const char* ID : {"Info", "UUUU", "Xing", "LAME"})
                    if (Is(&B[36], ID)) Info.IsAudio = false;
            if (FirstFrameEmpty) Info.IsAudio = false;
        }
        AudioFrames += Info.IsAudio;
        Frames_.push_back(Info);
        Pos += Length;
    }
}
