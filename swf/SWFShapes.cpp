#include "SWFShapes.h"

#include <algorithm>
#include <cmath>
#include <typeinfo>

namespace {
// The bytes from Start to the stream's position, read again (the caller is byte-aligned at both ends).
std::vector<uint8_t> BytesSince(TBitsEngine& BE, int64_t Start) {
    int64_t End = BE.Stream->Position();
    std::vector<uint8_t> Bytes(static_cast<size_t>(End - Start));
    BE.Stream->SetPosition(Start);
    if (!Bytes.empty()) BE.Stream->ReadBuffer(Bytes.data(), Bytes.size());
    return Bytes;
}

void WriteKept(TBitsEngine& BE, const std::vector<uint8_t>& Bytes) {
    BE.FlushLastByte(true);
    if (!Bytes.empty()) BE.WriteBytes(Bytes.data(), Bytes.size());
}

// A signed field group wider than 17 bits does not fit an edge record's 4-bit NumBits field.
constexpr uint8_t MaxEdgeBits = 17;
}  // namespace

bool FitsSignedBits(int32_t Value, uint8_t Bits) {
    if (Bits == 0) return Value == 0;
    if (Bits >= 32) return true;
    int64_t Limit = int64_t{1} << (Bits - 1);
    return Value >= -Limit && Value < Limit;
}

uint8_t SignedFieldBits(std::initializer_list<int32_t> Values, uint8_t Kept, uint8_t Floor) {
    if (Kept > 0 &&
        std::all_of(Values.begin(), Values.end(), [&](int32_t V) { return FitsSignedBits(V, Kept); }))
        return Kept;
    uint32_t Max = 0;
    for (int32_t V : Values) Max = std::max(Max, MaxAbs(V, 0));
    uint8_t Bits = Max == 0 ? 0 : static_cast<uint8_t>(GetBitsCount(Max) + 1);
    return std::max(Bits, Floor);
}

// ---- Kept encodings ----

void TSWFKeptMatrix::Read(TBitsEngine& BE) {
    int64_t Start = BE.Stream->Position();
    SetRec(BE.ReadMatrix());
    Read_.Value = *this;
    Read_.Bytes = BytesSince(BE, Start);
}

void TSWFKeptMatrix::Write(TBitsEngine& BE) const {
    if (!Read_.Bytes.empty() && Read_.Value == *this)
        WriteKept(BE, Read_.Bytes);
    else
        BE.WriteMatrix(Rec());
}

void TSWFKeptRect::Read(TBitsEngine& BE) {
    int64_t Start = BE.Stream->Position();
    SetRect(BE.ReadRect());
    Read_.Value = *this;
    Read_.Bytes = BytesSince(BE, Start);
}

void TSWFKeptRect::Write(TBitsEngine& BE) const {
    if (!Read_.Bytes.empty() && Read_.Value == *this)
        WriteKept(BE, Read_.Bytes);
    else
        BE.WriteRect(Rect());
}

// ---- Fill styles ----

void TSWFColorFill::Read(TBitsEngine& BE) {
    Color.Read(BE, HasAlpha);
}

void TSWFColorFill::Write(TBitsEngine& BE) {
    BE.WriteByte(FillStyleType);
    Color.Write(BE, HasAlpha);
}

void TSWFBaseGradientFill::SetCount(uint8_t N) {
    Records_.resize(std::min<uint8_t>(N, 15));
}

void TSWFBaseGradientFill::AddGradient(uint8_t Ratio, const TSWFRGBA& Color) {
    if (Records_.size() >= 15) throw ESWFError("A gradient holds at most 15 colours");
    Records_.push_back({Ratio, Color});
}

void TSWFBaseGradientFill::ReadGradient(TBitsEngine& BE) {
    uint8_t B = BE.ReadByte();
    SpreadMode = B >> 6;
    InterpolationMode = (B >> 4) & 3;
    Records_.resize(B & 15);
    for (auto& R : Records_) {
        R.Ratio = BE.ReadByte();
        R.Color.Read(BE, HasAlpha);
    }
}

void TSWFBaseGradientFill::WriteGradient(TBitsEngine& BE) const {
    BE.WriteByte(static_cast<uint8_t>((SpreadMode & 3) << 6 | (InterpolationMode & 3) << 4 | Count()));
    for (const auto& R : Records_) {
        BE.WriteByte(R.Ratio);
        R.Color.Write(BE, HasAlpha);
    }
}

void TSWFGradientFill::Read(TBitsEngine& BE) {
    GradientMatrix.Read(BE);
    ReadGradient(BE);
}

void TSWFGradientFill::Write(TBitsEngine& BE) {
    BE.WriteByte(FillStyleType);
    GradientMatrix.Write(BE);
    WriteGradient(BE);
}

float TSWFFocalGradientFill::FocalPointValue() const {
    return std::clamp(FocalPoint / 255.0f, -1.0f, 1.0f);
}

void TSWFFocalGradientFill::SetFocalPointValue(float V) {
    long N = std::lround(V * 255.0f);
    FocalPoint = static_cast<int16_t>(std::clamp(N, -255L, 255L));
}

void TSWFFocalGradientFill::Read(TBitsEngine& BE) {
    TSWFGradientFill::Read(BE);
    FocalPoint = static_cast<int16_t>(BE.ReadWord());
}

void TSWFFocalGradientFill::Write(TBitsEngine& BE) {
    TSWFGradientFill::Write(BE);
    BE.WriteWord(static_cast<uint16_t>(FocalPoint));
}

void TSWFImageFill::Read(TBitsEngine& BE) {
    BitmapID = BE.ReadWord();
    BitmapMatrix.Read(BE);
}

void TSWFImageFill::Write(TBitsEngine& BE) {
    BE.WriteByte(FillStyleType);
    BE.WriteWord(BitmapID);
    BitmapMatrix.Write(BE);
}

std::unique_ptr<TSWFFillStyle> CreateFillStyle(uint8_t FillStyleType) {
    std::unique_ptr<TSWFFillStyle> F;
    if (FillStyleType == fsSolid)
        F = std::make_unique<TSWFColorFill>();
    else if (FillStyleType == fsLinearGradient || FillStyleType == fsRadialGradient)
        F = std::make_unique<TSWFGradientFill>();
    else if (FillStyleType == fsFocalGradient)
        F = std::make_unique<TSWFFocalGradientFill>();
    else if (IsBitmapFillType(FillStyleType))
        F = std::make_unique<TSWFImageFill>();
    else
        throw ESWFError("Unknown fill style type " + std::to_string(FillStyleType));
    F->FillStyleType = FillStyleType;
    return F;
}

// ---- Line styles ----

void TSWFLineStyle::Read(TBitsEngine& BE, bool UseAlpha) {
    Width = BE.ReadWord();
    Color.Read(BE, UseAlpha);
}

void TSWFLineStyle::Write(TBitsEngine& BE) {
    BE.WriteWord(Width);
    Color.Write(BE, Color.HasAlpha());
}

TSWFFillStyle* TSWFLineStyle2::FillType(int Type) {
    if (Type < 0) return Fill_.Get();
    if (!Fill_ || Fill_->FillStyleType != Type) {
        auto F = CreateFillStyle(static_cast<uint8_t>(Type));
        bool SameClass = Fill_ && typeid(*Fill_.Get()) == typeid(*F);
        if (!SameClass) Fill_.Reset(std::move(F));
    }
    Fill_->HasAlpha = true;
    Fill_->FillStyleType = static_cast<uint8_t>(Type);
    return Fill_.Get();
}

void TSWFLineStyle2::Read(TBitsEngine& BE, bool) {
    Width = BE.ReadWord();
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
        auto F = CreateFillStyle(BE.ReadByte());
        F->HasAlpha = true;
        F->Read(BE);
        Fill_.Reset(std::move(F));
    } else {
        Color.Read(BE, true);
    }
}

void TSWFLineStyle2::Write(TBitsEngine& BE) {
    // A fill flag without a fill would make the record unreadable, so the flag follows the fill's presence.
    bool WithFill = HasFillFlag && Fill_;
    BE.WriteWord(Width);
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
        Fill_->HasAlpha = true;
        Fill_->Write(BE);
    } else {
        Color.Write(BE, true);
    }
}

void TSWFLineStyle2::VisitReferences(const TIDVisitor& Visit) {
    if (Fill_) Fill_->VisitReferences(Visit);
}

// ---- Style arrays ----

uint16_t TSWFStyleCountForm::ReadCount(TBitsEngine& BE) {
    uint16_t Count = BE.ReadByte();
    Long = Count == 255;
    if (Long) Count = BE.ReadWord();
    return Count;
}

void TSWFStyleCountForm::WriteCount(TBitsEngine& BE, size_t Count) const {
    if (Count > 0xFFFF) throw ESWFError("Too many styles in a style array");
    if (Count >= 255 || Long) {
        BE.WriteByte(255);
        BE.WriteWord(static_cast<uint16_t>(Count));
    } else {
        BE.WriteByte(static_cast<uint8_t>(Count));
    }
}

void WriteFillStyles(TBitsEngine& BE, TSWFFillStyleList& Styles, bool UseAlpha,
                     const TSWFStyleCountForm& Form) {
    Form.WriteCount(BE, Styles.Count());
    for (auto& F : Styles) {
        F->HasAlpha = UseAlpha;
        F->Write(BE);
    }
}

void WriteLineStyles(TBitsEngine& BE, TSWFLineStyleList& Styles, bool UseAlpha,
                     const TSWFStyleCountForm& Form) {
    Form.WriteCount(BE, Styles.Count());
    for (auto& L : Styles) {
        L->Color.SetHasAlpha(UseAlpha);
        L->Write(BE);
    }
}

void ReadFillStyles(TBitsEngine& BE, TSWFFillStyleList& Styles, bool UseAlpha, TSWFStyleCountForm& Form) {
    Styles.Clear();
    uint16_t Count = Form.ReadCount(BE);
    for (uint16_t I = 0; I < Count; ++I) {
        auto F = CreateFillStyle(BE.ReadByte());
        F->HasAlpha = UseAlpha;
        F->Read(BE);
        Styles.Add(std::move(F));
    }
}

void ReadLineStyles(TBitsEngine& BE, TSWFLineStyleList& Styles, bool UseAlpha, bool LineStyle2,
                    TSWFStyleCountForm& Form) {
    Styles.Clear();
    uint16_t Count = Form.ReadCount(BE);
    for (uint16_t I = 0; I < Count; ++I) {
        std::unique_ptr<TSWFLineStyle> L =
            LineStyle2 ? std::make_unique<TSWFLineStyle2>() : std::make_unique<TSWFLineStyle>();
        L->Read(BE, UseAlpha);
        Styles.Add(std::move(L));
    }
}

void VisitShapeReferences(TSWFFillStyleList& Fills, TSWFLineStyleList& Lines, TSWFShapeRecordList& Records,
                          const TIDVisitor& Visit) {
    for (auto& F : Fills) F->VisitReferences(Visit);
    for (auto& L : Lines) L->VisitReferences(Visit);
    for (auto& R : Records)
        if (R->ShapeRecType == rtStyleChange) static_cast<TSWFStyleChangeRecord&>(*R).VisitReferences(Visit);
}

// ---- Edge records ----

void TSWFStraightEdgeRecord::Write(TBitsEngine& BE) {
    uint8_t Bits = SignedFieldBits({DeltaX, DeltaY}, KeptNumBits, 2);
    if (Bits > MaxEdgeBits) throw ESWFError("A straight edge is too long for one edge record");
    BE.WriteBits(3u, 2);  // TypeFlag, StraightFlag
    BE.WriteBits(static_cast<uint32_t>(Bits - 2), 4);
    bool General = (DeltaX != 0 && DeltaY != 0) || KeptGeneralLine;
    BE.WriteBit(General);
    if (General) {
        BE.WriteBits(DeltaX, Bits);
        BE.WriteBits(DeltaY, Bits);
        return;
    }
    // A zero-length line is vertical unless a file said otherwise.
    bool Vert = DeltaX == 0 && DeltaY == 0 ? (KeptNumBits == 0 || KeptVertLine) : DeltaX == 0;
    BE.WriteBit(Vert);
    BE.WriteBits(Vert ? DeltaY : DeltaX, Bits);
}

void TSWFStraightEdgeRecord::Read(TBitsEngine& BE, uint8_t NumBits) {
    KeptNumBits = NumBits;
    KeptGeneralLine = BE.GetBit();
    if (KeptGeneralLine) {
        DeltaX = BE.GetSBits(NumBits);
        DeltaY = BE.GetSBits(NumBits);
        return;
    }
    KeptVertLine = BE.GetBit();
    (KeptVertLine ? DeltaY : DeltaX) = BE.GetSBits(NumBits);
}

void TSWFCurvedEdgeRecord::Write(TBitsEngine& BE) {
    if (KeptNumBits == 0 && ControlDeltaX == 0 && ControlDeltaY == 0 && AnchorDeltaX == 0 &&
        AnchorDeltaY == 0)
        return;
    uint8_t Bits =
        SignedFieldBits({ControlDeltaX, ControlDeltaY, AnchorDeltaX, AnchorDeltaY}, KeptNumBits, 2);
    if (Bits > MaxEdgeBits) throw ESWFError("A curved edge is too long for one edge record");
    BE.WriteBits(2u, 2);  // TypeFlag, StraightFlag 0
    BE.WriteBits(static_cast<uint32_t>(Bits - 2), 4);
    BE.WriteBits(ControlDeltaX, Bits);
    BE.WriteBits(ControlDeltaY, Bits);
    BE.WriteBits(AnchorDeltaX, Bits);
    BE.WriteBits(AnchorDeltaY, Bits);
}

void TSWFCurvedEdgeRecord::Read(TBitsEngine& BE, uint8_t NumBits) {
    KeptNumBits = NumBits;
    ControlDeltaX = BE.GetSBits(NumBits);
    ControlDeltaY = BE.GetSBits(NumBits);
    AnchorDeltaX = BE.GetSBits(NumBits);
    AnchorDeltaY = BE.GetSBits(NumBits);
}

// ---- Style change record ----

void TSWFStyleChangeRecord::SetFillStyle0(uint16_t V) {
    FillStyle0_ = V;
    StateFillStyle0 = true;
}

void TSWFStyleChangeRecord::SetFillStyle1(uint16_t V) {
    FillStyle1_ = V;
    StateFillStyle1 = true;
}

void TSWFStyleChangeRecord::SetLineStyle(uint16_t V) {
    LineStyle_ = V;
    StateLineStyle = true;
}

void TSWFStyleChangeRecord::SetMoveTo(int32_t X, int32_t Y) {
    MoveDeltaX = X;
    MoveDeltaY = Y;
    StateMoveTo = true;
}

TSWFFillStyleList& TSWFStyleChangeRecord::NewFillStyles() {
    StateNewStyles = true;
    return NewFillStyles_;
}

TSWFLineStyleList& TSWFStyleChangeRecord::NewLineStyles() {
    StateNewStyles = true;
    return NewLineStyles_;
}

void TSWFStyleChangeRecord::Write(TBitsEngine& BE) {
    // Without any other flag the record must move, or it would read as an end record.
    bool MoveTo = StateMoveTo || !(StateNewStyles || StateLineStyle || StateFillStyle1 || StateFillStyle0);
    BE.WriteBit(false);
    BE.WriteBit(StateNewStyles);
    BE.WriteBit(StateLineStyle);
    BE.WriteBit(StateFillStyle1);
    BE.WriteBit(StateFillStyle0);
    BE.WriteBit(MoveTo);
    if (MoveTo) {
        uint8_t Bits = SignedFieldBits({MoveDeltaX, MoveDeltaY}, KeptMoveBits);
        if (Bits > 31) throw ESWFError("A move-to point is out of range");
        BE.WriteBits(static_cast<uint32_t>(Bits), 5);
        BE.WriteBits(MoveDeltaX, Bits);
        BE.WriteBits(MoveDeltaY, Bits);
    }
    if (StateFillStyle0) BE.WriteBits(FillStyle0_, NumFillBits);
    if (StateFillStyle1) BE.WriteBits(FillStyle1_, NumFillBits);
    if (StateLineStyle) BE.WriteBits(LineStyle_, NumLineBits);
    if (!StateNewStyles) return;
    BE.FlushLastByte(true);
    WriteFillStyles(BE, NewFillStyles_, HasAlpha, NewFillCountForm);
    WriteLineStyles(BE, NewLineStyles_, HasAlpha, NewLineCountForm);
    BE.FlushLastByte(true);
    NumFillBits = std::max(GetBitsCount(static_cast<uint32_t>(NewFillStyles_.Count())), KeptNewFillBits);
    NumLineBits = std::max(GetBitsCount(static_cast<uint32_t>(NewLineStyles_.Count())), KeptNewLineBits);
    if (NumFillBits > 15 || NumLineBits > 15) throw ESWFError("Too many styles in a style change record");
    BE.WriteBits(NumFillBits, 4);
    BE.WriteBits(NumLineBits, 4);
}

void TSWFStyleChangeRecord::Read(TBitsEngine& BE, uint8_t Flags, bool UseAlpha, bool LineStyle2) {
    StateNewStyles = Flags & 0x10;
    StateLineStyle = Flags & 0x08;
    StateFillStyle1 = Flags & 0x04;
    StateFillStyle0 = Flags & 0x02;
    StateMoveTo = Flags & 0x01;
    KeptStateFlags = true;
    HasAlpha = UseAlpha;
    if (StateMoveTo) {
        KeptMoveBits = static_cast<uint8_t>(BE.GetBits(5));
        MoveDeltaX = BE.GetSBits(KeptMoveBits);
        MoveDeltaY = BE.GetSBits(KeptMoveBits);
    }
    if (StateFillStyle0) FillStyle0_ = static_cast<uint16_t>(BE.GetBits(NumFillBits));
    if (StateFillStyle1) FillStyle1_ = static_cast<uint16_t>(BE.GetBits(NumFillBits));
    if (StateLineStyle) LineStyle_ = static_cast<uint16_t>(BE.GetBits(NumLineBits));
    if (!StateNewStyles) return;
    BE.FlushLastByte(false);
    ReadFillStyles(BE, NewFillStyles_, UseAlpha, NewFillCountForm);
    ReadLineStyles(BE, NewLineStyles_, UseAlpha, LineStyle2, NewLineCountForm);
    BE.FlushLastByte(false);
    KeptNewFillBits = NumFillBits = static_cast<uint8_t>(BE.GetBits(4));
    KeptNewLineBits = NumLineBits = static_cast<uint8_t>(BE.GetBits(4));
}

void TSWFStyleChangeRecord::VisitReferences(const TIDVisitor& Visit) {
    for (auto& F : NewFillStyles_) F->VisitReferences(Visit);
    for (auto& L : NewLineStyles_) L->VisitReferences(Visit);
}

// ---- Record lists ----

void ReadShapeRecords(TBitsEngine& BE, TSWFShapeRecordList& Records, uint8_t NumFillBits, uint8_t NumLineBits,
                      bool UseAlpha, bool LineStyle2) {
    Records.Clear();
    for (;;) {
        if (BE.GetBit()) {
            bool Straight = BE.GetBit();
            uint8_t NumBits = static_cast<uint8_t>(BE.GetBits(4) + 2);
            if (Straight) {
                auto E = std::make_unique<TSWFStraightEdgeRecord>();
                E->Read(BE, NumBits);
                Records.Add(std::move(E));
            } else {
                auto E = std::make_unique<TSWFCurvedEdgeRecord>();
                E->Read(BE, NumBits);
                Records.Add(std::move(E));
            }
            continue;
        }
        uint8_t Flags = static_cast<uint8_t>(BE.GetBits(5));
        if (Flags == 0) {
            Records.Add(std::make_unique<TSWFEndShapeRecord>());
            break;
        }
        auto S = std::make_unique<TSWFStyleChangeRecord>();
        S->NumFillBits = NumFillBits;
        S->NumLineBits = NumLineBits;
        S->Read(BE, Flags, UseAlpha, LineStyle2);
        NumFillBits = S->NumFillBits;
        NumLineBits = S->NumLineBits;
        Records.Add(std::move(S));
    }
    BE.FlushLastByte(false);
}

void WriteShapeRecords(TBitsEngine& BE, TSWFShapeRecordList& Records, uint8_t NumFillBits,
                       uint8_t NumLineBits, bool UseAlpha) {
    for (size_t I = 0; I < Records.Count(); ++I) {
        TSWFShapeRecord& R = *Records[I];
        bool Last = I + 1 == Records.Count();
        if (R.ShapeRecType == rtEndShape) {
            if (Last) R.Write(BE);  // end records inside the list are skipped
            continue;
        }
        if (R.ShapeRecType != rtStyleChange) {
            R.Write(BE);
            continue;
        }
        auto& S = static_cast<TSWFStyleChangeRecord&>(R);
        S.HasAlpha = UseAlpha;
        S.NumFillBits = NumFillBits;
        S.NumLineBits = NumLineBits;
        // A style index of zero width selects nothing; a record from a file keeps its flags as read.
        if (!S.StateNewStyles && !S.KeptStateFlags) {
            if (NumFillBits == 0) S.StateFillStyle0 = S.StateFillStyle1 = false;
            if (NumLineBits == 0) S.StateLineStyle = false;
        }
        S.Write(BE);
        if (S.StateNewStyles) {
            NumFillBits = S.NumFillBits;
            NumLineBits = S.NumLineBits;
        }
    }
    if (Records.Empty() || Records.Last()->ShapeRecType != rtEndShape) TSWFEndShapeRecord().Write(BE);
}

// ---- Shape tags ----

void TSWFDefineShape::WriteTagBody(TBitsEngine& BE) {
    BE.WriteWord(ShapeID);
    ShapeBounds.Write(BE);
    WriteShape4Extras(BE);
    WriteFillStyles(BE, FillStyles, UseAlpha, FillCountForm);
    WriteLineStyles(BE, LineStyles, UseAlpha, LineCountForm);
    uint8_t FillBits = std::max(GetBitsCount(static_cast<uint32_t>(FillStyles.Count())), KeptNumFillBits);
    uint8_t LineBits = std::max(GetBitsCount(static_cast<uint32_t>(LineStyles.Count())), KeptNumLineBits);
    if (FillBits > 15 || LineBits > 15) throw ESWFError("Too many styles in a shape");
    BE.WriteBits(FillBits, 4);
    BE.WriteBits(LineBits, 4);
    WriteShapeRecords(BE, Records, FillBits, LineBits, UseAlpha);
    BE.FlushLastByte(true);
    if (!TrailingBytes.empty()) BE.WriteBytes(TrailingBytes.data(), TrailingBytes.size());
}

void TSWFDefineShape::ReadFromStream(TBitsEngine& BE) {
    ShapeID = BE.ReadWord();
    ShapeBounds.Read(BE);
    ReadShape4Extras(BE);
    ReadFillStyles(BE, FillStyles, UseAlpha, FillCountForm);
    ReadLineStyles(BE, LineStyles, UseAlpha, UsesLineStyle2(), LineCountForm);
    uint8_t B = BE.ReadByte();
    KeptNumFillBits = B >> 4;
    KeptNumLineBits = B & 15;
    ReadShapeRecords(BE, Records, KeptNumFillBits, KeptNumLineBits, UseAlpha, UsesLineStyle2());
    TrailingBytes.resize(static_cast<size_t>(BE.Stream->Remaining()));
    if (!TrailingBytes.empty()) BE.ReadBytes(TrailingBytes.data(), TrailingBytes.size());
}

void TSWFDefineShape::VisitReferences(const TIDVisitor& Visit) {
    VisitShapeReferences(FillStyles, LineStyles, Records, Visit);
}

void TSWFDefineShape4::ReadFromStream(TBitsEngine& BE) {
    TSWFDefineShape::ReadFromStream(BE);
    KeptStrokeFlags_ = StrokeFlags();
    KeptStrokeBasis_ = ComputedStrokeFlags();
}

void TSWFDefineShape4::ReadShape4Extras(TBitsEngine& BE) {
    EdgeBounds.Read(BE);
    uint8_t B = BE.ReadByte();
    ReservedFlags = B >> 2;
    UsesNonScalingStrokes = B & 2;
    UsesScalingStrokes = B & 1;
}

uint8_t TSWFDefineShape4::StrokeFlags() const {
    return static_cast<uint8_t>((UsesNonScalingStrokes ? 2 : 0) | (UsesScalingStrokes ? 1 : 0));
}

// Non-scaling when any line style has NoHScaleFlag or NoVScaleFlag, scaling when any has neither; the line
// styles of style change records count as well.
uint8_t TSWFDefineShape4::ComputedStrokeFlags() const {
    uint8_t Flags = 0;
    auto Look = [&](const TSWFLineStyleList& Lines) {
        for (const auto& L : Lines) Flags |= L->IsNonScaling() ? 2 : 1;
    };
    Look(LineStyles);
    for (const auto& R : Records)
        if (R->ShapeRecType == rtStyleChange)
            Look(static_cast<const TSWFStyleChangeRecord&>(*R).NewLineStyles());
    return Flags;
}

void TSWFDefineShape4::WriteShape4Extras(TBitsEngine& BE) {
    EdgeBounds.Write(BE);
    uint8_t Flags = ComputedStrokeFlags();
    if (Flags == KeptStrokeBasis_) Flags = KeptStrokeFlags_;
    UsesNonScalingStrokes = Flags & 2;
    UsesScalingStrokes = Flags & 1;
    BE.WriteByte(static_cast<uint8_t>(ReservedFlags << 2 | Flags));
}
