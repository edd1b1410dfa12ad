#include "SWFMorphShapes.h"

#include <algorithm>

namespace {
void ReadRest(TBitsEngine& BE, std::vector<uint8_t>& Bytes, size_t Count) {
    Bytes.resize(Count);
    if (Count) BE.ReadBytes(Bytes.data(), Count);
}

void WriteRaw(TBitsEngine& BE, const std::vector<uint8_t>& Bytes) {
    if (!Bytes.empty()) BE.WriteBytes(Bytes.data(), Bytes.size());
}

uint8_t StyleBits(size_t Count, uint8_t Kept) {
    uint8_t Bits = std::max(GetBitsCount(static_cast<uint32_t>(Count)), Kept);
    if (Bits > 15) throw ESWFError("Too many styles in a morph shape");
    return Bits;
}
}  // namespace

// ---- Styles ----

void TSWFMorphFillStyle::Read(TBitsEngine& BE) {
    FillStyleType = BE.ReadByte();
    if (FillStyleType == fsSolid) {
        StartColor.Read(BE, true);
        EndColor.Read(BE, true);
    } else if (IsGradientFillType(FillStyleType)) {
        StartGradientMatrix.Read(BE);
        EndGradientMatrix.Read(BE);
        uint8_t B = BE.ReadByte();
        SpreadMode = B >> 6;
        InterpolationMode = (B >> 4) & 3;
        Gradient.resize(B & 15);
        for (auto& G : Gradient) {
            G.StartRatio = BE.ReadByte();
            G.StartColor.Read(BE, true);
            G.EndRatio = BE.ReadByte();
            G.EndColor.Read(BE, true);
        }
        if (FillStyleType == fsFocalGradient) {
            StartFocalPoint = static_cast<int16_t>(BE.ReadWord());
            EndFocalPoint = static_cast<int16_t>(BE.ReadWord());
        }
    } else if (IsBitmapFillType(FillStyleType)) {
        BitmapID = BE.ReadWord();
        StartBitmapMatrix.Read(BE);
        EndBitmapMatrix.Read(BE);
    } else {
        throw ESWFError("Unknown morph fill style type " + std::to_string(FillStyleType));
    }
}

void TSWFMorphFillStyle::Write(TBitsEngine& BE) const {
    BE.WriteByte(FillStyleType);
    if (FillStyleType == fsSolid) {
        StartColor.Write(BE, true);
        EndColor.Write(BE, true);
    } else if (IsGradientFillType(FillStyleType)) {
        if (Gradient.size() > 15) throw ESWFError("A gradient holds at most 15 colours");
        StartGradientMatrix.Write(BE);
        EndGradientMatrix.Write(BE);
        BE.WriteByte(
            static_cast<uint8_t>((SpreadMode & 3) << 6 | (InterpolationMode & 3) << 4 | Gradient.size()));
        for (const auto& G : Gradient) {
            BE.WriteByte(G.StartRatio);
            G.StartColor.Write(BE, true);
            BE.WriteByte(G.EndRatio);
            G.EndColor.Write(BE, true);
        }
        if (FillStyleType == fsFocalGradient) {
            BE.WriteWord(static_cast<uint16_t>(StartFocalPoint));
            BE.WriteWord(static_cast<uint16_t>(EndFocalPoint));
        }
    } else if (IsBitmapFillType(FillStyleType)) {
        BE.WriteWord(BitmapID);
        StartBitmapMatrix.Write(BE);
        EndBitmapMatrix.Write(BE);
    } else {
        throw ESWFError("Unknown morph fill style type " + std::to_string(FillStyleType));
    }
}

void TSWFMorphLineStyle::Read(TBitsEngine& BE) {
    StartWidth = BE.ReadWord();
    EndWidth = BE.ReadWord();
    StartColor.Read(BE, true);
    EndColor.Read(BE, true);
}

void TSWFMorphLineStyle::Write(TBitsEngine& BE) const {
    BE.WriteWord(StartWidth);
    BE.WriteWord(EndWidth);
    StartColor.Write(BE, true);
    EndColor.Write(BE, true);
}

void TSWFMorphLineStyle2::Read(TBitsEngine& BE) {
    StartWidth = BE.ReadWord();
    EndWidth = BE.ReadWord();
    StartCapStyle = static_cast<uint8_t>(BE.GetBits(2));
    JoinStyle = static_cast<uint8_t>(BE.GetBits(2));
    HasFillFlag = BE.GetBit();
    NoHScaleFlag = BE.GetBit();
    NoVScaleFlag = BE.GetBit();
    PixelHintingFlag = BE.GetBit();
    Reserved_ = static_cast<uint8_t>(BE.GetBits(5));
    NoClose = BE.GetBit();
    EndCapStyle = static_cast<uint8_t>(BE.GetBits(2));
    if (JoinStyle == 2) MiterLimitFactor = WordToSingle(BE.ReadWord());
    if (HasFillFlag) {
        auto F = std::make_unique<TSWFMorphFillStyle>();
        F->Read(BE);
        FillType.Reset(std::move(F));
    } else {
        StartColor.Read(BE, true);
        EndColor.Read(BE, true);
    }
}

void TSWFMorphLineStyle2::Write(TBitsEngine& BE) const {
    // A fill flag without a fill would make the record unreadable, so the flag follows the fill's presence.
    bool WithFill = HasFillFlag && FillType;
    BE.WriteWord(StartWidth);
    BE.WriteWord(EndWidth);
    BE.WriteBits(StartCapStyle, 2);
    BE.WriteBits(JoinStyle, 2);
    BE.WriteBit(WithFill);
    BE.WriteBit(NoHScaleFlag);
    BE.WriteBit(NoVScaleFlag);
    BE.WriteBit(PixelHintingFlag);
    BE.WriteBits(Reserved_, 5);
    BE.WriteBit(NoClose);
    BE.WriteBits(EndCapStyle, 2);
    if (JoinStyle == 2) BE.WriteWord(SingleToWord(MiterLimitFactor));
    if (WithFill) {
        FillType->Write(BE);
    } else {
        StartColor.Write(BE, true);
        EndColor.Write(BE, true);
    }
}

// ---- Tags ----

void TSWFDefineMorphShape::WriteTagBody(TBitsEngine& BE) {
    BE.WriteWord(CharacterId);
    StartBounds.Write(BE);
    EndBounds.Write(BE);
    WriteMorph2Extras(BE);
    // Offset counts the bytes from after itself to the end edges, so that part is written first.
    TMemoryStream Middle;
    TBitsEngine ME(Middle);
    FillCountForm.WriteCount(ME, MorphFillStyles.Count());
    for (const auto& F : MorphFillStyles) F->Write(ME);
    LineCountForm.WriteCount(ME, MorphLineStyles.Count());
    for (const auto& L : MorphLineStyles) L->Write(ME);
    uint8_t FillBits = StyleBits(MorphFillStyles.Count(), KeptStartFillBits);
    uint8_t LineBits = StyleBits(MorphLineStyles.Count(), KeptStartLineBits);
    ME.WriteBits(FillBits, 4);
    ME.WriteBits(LineBits, 4);
    WriteShapeRecords(ME, StartEdges, FillBits, LineBits, true);
    ME.FlushLastByte(true);
    WriteRaw(ME, GapBytes);
    BE.WriteDWord(static_cast<uint32_t>(Middle.Size()));
    WriteRaw(BE, Middle.Bytes());
    // The end edges carry no styles: their widths are 0 unless a file gave others.
    BE.WriteBits(KeptEndFillBits, 4);
    BE.WriteBits(KeptEndLineBits, 4);
    WriteShapeRecords(BE, EndEdges, KeptEndFillBits, KeptEndLineBits, true);
    BE.FlushLastByte(true);
    WriteRaw(BE, TrailingBytes);
}

void TSWFDefineMorphShape::ReadFromStream(TBitsEngine& BE) {
    CharacterId = BE.ReadWord();
    StartBounds.Read(BE);
    EndBounds.Read(BE);
    ReadMorph2Extras(BE);
    uint32_t Offset = BE.ReadDWord();
    int64_t EndEdgesAt = BE.Stream->Position() + Offset;
    MorphFillStyles.Clear();
    for (uint16_t I = 0, N = FillCountForm.ReadCount(BE); I < N; ++I) {
        auto F = std::make_unique<TSWFMorphFillStyle>();
        F->Read(BE);
        MorphFillStyles.Add(std::move(F));
    }
    MorphLineStyles.Clear();
    for (uint16_t I = 0, N = LineCountForm.ReadCount(BE); I < N; ++I) {
        std::unique_ptr<TSWFMorphLineStyle> L = UsesLineStyle2() ? std::make_unique<TSWFMorphLineStyle2>()
                                                                 : std::make_unique<TSWFMorphLineStyle>();
        L->Read(BE);
        MorphLineStyles.Add(std::move(L));
    }
    uint8_t B = BE.ReadByte();
    KeptStartFillBits = B >> 4;
    KeptStartLineBits = B & 15;
    ReadShapeRecords(BE, StartEdges, KeptStartFillBits, KeptStartLineBits, true, UsesLineStyle2());
    // The end edges start where Offset says; it may not point back into the start edges.
    int64_t Pos = BE.Stream->Position();
    if (EndEdgesAt < Pos || EndEdgesAt > BE.Stream->Size())
        throw ESWFError("Morph shape offset out of range");
    ReadRest(BE, GapBytes, static_cast<size_t>(EndEdgesAt - Pos));
    B = BE.ReadByte();
    KeptEndFillBits = B >> 4;
    KeptEndLineBits = B & 15;
    ReadShapeRecords(BE, EndEdges, KeptEndFillBits, KeptEndLineBits, true, UsesLineStyle2());
    ReadRest(BE, TrailingBytes, static_cast<size_t>(BE.Stream->Remaining()));
}

void TSWFDefineMorphShape::VisitReferences(const TIDVisitor& Visit) {
    for (auto& F : MorphFillStyles) F->VisitReferences(Visit);
    for (auto& L : MorphLineStyles) L->VisitReferences(Visit);
    TSWFFillStyleList NoFills;
    TSWFLineStyleList NoLines;
    VisitShapeReferences(NoFills, NoLines, StartEdges, Visit);
}

void TSWFDefineMorphShape2::ReadFromStream(TBitsEngine& BE) {
    TSWFDefineMorphShape::ReadFromStream(BE);
    KeptStrokeFlags_ = StrokeFlags();
    KeptStrokeBasis_ = ComputedStrokeFlags();
}

void TSWFDefineMorphShape2::ReadMorph2Extras(TBitsEngine& BE) {
    StartEdgeBounds.Read(BE);
    EndEdgeBounds.Read(BE);
    uint8_t B = BE.ReadByte();
    ReservedFlags = B >> 2;
    UsesNonScalingStrokes = B & 2;
    UsesScalingStrokes = B & 1;
}

uint8_t TSWFDefineMorphShape2::StrokeFlags() const {
    return static_cast<uint8_t>((UsesNonScalingStrokes ? 2 : 0) | (UsesScalingStrokes ? 1 : 0));
}

uint8_t TSWFDefineMorphShape2::ComputedStrokeFlags() const {
    uint8_t Flags = 0;
    for (const auto& L : MorphLineStyles) Flags |= L->IsNonScaling() ? 2 : 1;
    return Flags;
}

void TSWFDefineMorphShape2::WriteMorph2Extras(TBitsEngine& BE) {
    StartEdgeBounds.Write(BE);
    EndEdgeBounds.Write(BE);
    uint8_t Flags = ComputedStrokeFlags();
    if (Flags == KeptStrokeBasis_) Flags = KeptStrokeFlags_;
    UsesNonScalingStrokes = Flags & 2;
    UsesScalingStrokes = Flags & 1;
    BE.WriteByte(static_cast<uint8_t>(ReservedFlags << 2 | Flags));
}
