#include "SWFObject.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>

void TSWFObject::WriteToStream(TBitsEngine& BE) {
    if (TagID == 0 || TagID == 1) {
        BE.WriteWord(static_cast<uint16_t>(TagID << 6));
        BodySize = 0;
        return;
    }
    WriteFramed(BE);
}

void TSWFObject::WriteFramed(TBitsEngine& BE) {
    // The body is measured before its header is written, so no length needs patching afterwards.
    TMemoryStream Body;
    TBitsEngine BodyEngine(Body);
    WriteTagBody(BodyEngine);
    BodyEngine.FlushLastByte(true);
    if (!TrailingBytes.empty()) Body.Write(TrailingBytes.data(), TrailingBytes.size());
    BodySize = static_cast<int32_t>(Body.Size());
    if (BodySize >= 63 || ForceLongHeader || (AlwaysLongHeader(TagID) && !ForceShortHeader)) {
        BE.WriteWord(static_cast<uint16_t>((TagID << 6) | 63));
        BE.WriteDWord(static_cast<uint32_t>(BodySize));
    } else {
        BE.WriteWord(static_cast<uint16_t>((TagID << 6) | BodySize));
    }
    BE.Stream->Write(Body.Memory(), Body.Bytes().size());
}

TMemoryStream& TSWFDataObject::Data() {
    if (!Data_) Data_ = std::make_shared<TMemoryStream>();
    return *Data_;
}

void TSWFDataObject::AssignFrom(const TBasedSWFObject& Source) {
    Assign(Source);
    if (Data_) Data_ = std::make_shared<TMemoryStream>(Data_->Bytes());
}

void TSWFDataObject::WriteData(TBitsEngine& BE) {
    if (OnDataWrite) {
        OnDataWrite(BE);
    } else if (Data_ && Data_->Size() > 0) {
        BE.WriteBytes(Data_->Memory(), Data_->Bytes().size());
    }
}

void TSWFDataObject::ReadRestAsData(TBitsEngine& BE) {
    int64_t N = BE.Stream->Remaining();
    std::vector<uint8_t> Bytes(static_cast<size_t>(N));
    if (N) BE.ReadBytes(Bytes.data(), Bytes.size());
    Data_ = std::make_shared<TMemoryStream>(std::move(Bytes));
}

void TSWFByteCodeTag::WriteToStream(TBitsEngine& BE) {
    TagID = OriginalTagID;
    try {
        WriteFramed(BE);
    } catch (...) {
        TagID = RawTagID;
        throw;
    }
    TagID = RawTagID;
}

TBasedSWFStream::TBasedSWFStream() = default;

TBasedSWFStream::TBasedSWFStream(int32_t Left, int32_t Top, int32_t Right, int32_t Bottom, float FrameRate,
                                 bool PixelUnits) {
    SetPixelUnits(PixelUnits);
    FrameSize = {Left * UnitFactor_, Top * UnitFactor_, Right * UnitFactor_, Bottom * UnitFactor_};
    FrameRate_ = SingleToWord(FrameRate);
}

TBasedSWFStream::~TBasedSWFStream() = default;

TStream& TBasedSWFStream::BodyStream() {
    if (!Body_) {
        OwnedBody_ = std::make_unique<TMemoryStream>();
        Body_ = OwnedBody_.get();
    }
    return *Body_;
}

void TBasedSWFStream::SetBodyStream(TStream* S) {
    OwnedBody_.reset();
    Body_ = S;
}

void TBasedSWFStream::SetFrameRate(float Rate) {
    FrameRate_ = SingleToWord(Rate);
    HeaderChanged();
}

void TBasedSWFStream::SetWidth(int32_t W) {
    FrameSize.Right = FrameSize.Left + W * UnitFactor_;
    HeaderChanged();
}

void TBasedSWFStream::SetHeight(int32_t H) {
    FrameSize.Bottom = FrameSize.Top + H * UnitFactor_;
    HeaderChanged();
}

void TBasedSWFStream::SetPixelUnits(bool B) {
    PixelUnits_ = B;
    UnitFactor_ = B ? 20 : 1;
}

void TBasedSWFStream::SetVersion(uint8_t V) {
    Version_ = (Compressed_ && V < 6) ? 6 : V;
    HeaderChanged();
}

void TBasedSWFStream::SetCompressed(bool B) {
    Compressed_ = B;
    if (B && Version_ < 6) Version_ = 6;
    HeaderChanged();
}

int TBasedSWFStream::HeaderSize() const {
    recRect R = SWFRectOf(FrameSize, false);
    int NBits = GetSignedBitsCount(static_cast<int32_t>(MaxAbs(R.XMin, R.XMax, R.YMin, R.YMax)), 1);
    return 12 + (5 + 4 * NBits + 7) / 8;
}

void TBasedSWFStream::WriteHeader(TStream& Stream, int Part) {
    if (Part == 0 || Part == 1) {
        uint8_t Head[8] = {static_cast<uint8_t>(Signature_[0]),     static_cast<uint8_t>(Signature_[1]),
                           static_cast<uint8_t>(Signature_[2]),     Version_,
                           static_cast<uint8_t>(FileLength_),       static_cast<uint8_t>(FileLength_ >> 8),
                           static_cast<uint8_t>(FileLength_ >> 16), static_cast<uint8_t>(FileLength_ >> 24)};
        Stream.Write(Head, 8);
    }
    if (Part == 0 || Part == 2) {
        TBitsEngine BE(Stream);
        BE.WriteRect(FrameSize);
        BE.WriteWord(FrameRate_);
        BE.WriteWord(FrameCount);
    }
}

namespace {
// Deflates everything written to it into Target as one zlib stream, reporting progress per 64 KB of output.
class TZlibWriter {
  public:
    TZlibWriter(TStream& Target, std::function<void(uint64_t Consumed)> OnBlock)
        : Target_(Target), OnBlock_(std::move(OnBlock)) {
        if (deflateInit(&Z_, Z_DEFAULT_COMPRESSION) != Z_OK)
            throw ESWFError("zlib: cannot start compression");
        Out_.resize(1 << 16);
    }
    ~TZlibWriter() { deflateEnd(&Z_); }
    void Write(const uint8_t* Data, size_t Count) { Pump(Data, Count, Z_NO_FLUSH); }
    void Finish() { Pump(nullptr, 0, Z_FINISH); }

  private:
    void Pump(const uint8_t* Data, size_t Count, int Flush) {
        Z_.next_in = const_cast<Bytef*>(Data);
        Z_.avail_in = static_cast<uInt>(Count);
        for (;;) {
            Z_.next_out = Out_.data();
            Z_.avail_out = static_cast<uInt>(Out_.size());
            int R = deflate(&Z_, Flush);
            if (R == Z_STREAM_ERROR) throw ESWFError("zlib: compression failed");
            size_t Produced = Out_.size() - Z_.avail_out;
            if (Produced) Target_.Write(Out_.data(), Produced);
            if (Produced == Out_.size() && OnBlock_) OnBlock_(Z_.total_in);
            if (Flush == Z_FINISH ? R == Z_STREAM_END : (Z_.avail_in == 0 && Z_.avail_out != 0)) break;
        }
    }
    TStream& Target_;
    std::function<void(uint64_t)> OnBlock_;
    z_stream Z_{};
    std::vector<uint8_t> Out_;
};
}  // namespace

void TBasedSWFStream::SaveToStream(TStream& Stream) {
    TStream& Body = BodyStream();
    FileLength_ = static_cast<uint32_t>(HeaderSize() + Body.Size());
    Body.SetPosition(0);
    if (!Compressed_) {
        Signature_ = {'F', 'W', 'S'};
        WriteHeader(Stream, 0);
        Stream.CopyFrom(Body);
        return;
    }
    Signature_ = {'C', 'W', 'S'};
    if (Version_ < 6) Version_ = 6;
    WriteHeader(Stream, 1);
    const int64_t BodySize = Body.Size();
    TZlibWriter Z(Stream, [this, BodySize](uint64_t Consumed) {
        if (!OnProgress) return;
        double Denominator = std::max<double>(1.0, static_cast<double>(BodySize - 22));
        int Percent = static_cast<int>(std::lround(100.0 * static_cast<double>(Consumed) / Denominator));
        OnProgress(*this, std::clamp(Percent, 0, 100), 2);
    });
    TMemoryStream HeaderRest;
    WriteHeader(HeaderRest, 2);
    Z.Write(HeaderRest.Memory(), HeaderRest.Bytes().size());
    if (auto* Mem = dynamic_cast<TMemoryStream*>(&Body)) {
        // A memory body is compressed in place, without an intermediate copy.
        Z.Write(Mem->Memory(), Mem->Bytes().size());
    } else {
        std::vector<uint8_t> Chunk(1 << 16);
        for (;;) {
            size_t Got = Body.Read(Chunk.data(), Chunk.size());
            if (Got == 0) break;
            Z.Write(Chunk.data(), Got);
        }
    }
    Z.Finish();
}

void TBasedSWFStream::SaveToFile(const std::string& FileName) {
    TSafeFileWriter Writer(FileName);
    SaveToStream(Writer.Stream());
    Writer.Commit();
}
