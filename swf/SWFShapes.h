// Shape tags, their fill and line styles, and the shape records that draw them.
//
// Records read from a file remember the encoding choices the file made (bit widths wider than needed, a
// general line with a zero delta, a zero curve, a long style count) so they write back the same bytes while
// their values still fit; records built by the program use the minimal widths.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "SWFObject.h"

// Owns at most one object and copies it deeply.
template <class T>
class TClonePtr {
  public:
    TClonePtr() = default;
    TClonePtr(const TClonePtr& Other)
        : P_(Other.P_ ? static_cast<T*>(Other.P_->Clone().release()) : nullptr) {}
    TClonePtr& operator=(const TClonePtr& Other) {
        if (this != &Other) P_.reset(Other.P_ ? static_cast<T*>(Other.P_->Clone().release()) : nullptr);
        return *this;
    }
    TClonePtr(TClonePtr&&) noexcept = default;
    TClonePtr& operator=(TClonePtr&&) noexcept = default;
    void Reset(std::unique_ptr<T> Item) { P_ = std::move(Item); }
    T* Get() const { return P_.get(); }
    T* operator->() const { return P_.get(); }
    explicit operator bool() const { return P_ != nullptr; }

  private:
    std::unique_ptr<T> P_;
};

// Bits a signed field of width Bits can hold Value in (two's complement).
bool FitsSignedBits(int32_t Value, uint8_t Bits);
// The width for a group of signed fields: Kept (the width read from a file) while every value still fits,
// otherwise GetSignedBitsCount of the largest magnitude plus a sign bit, at least Floor.
uint8_t SignedFieldBits(std::initializer_list<int32_t> Values, uint8_t Kept, uint8_t Floor = 0);

// ---- Fill styles ----

enum : uint8_t {
    fsSolid = 0,
    fsLinearGradient = 0x10,
    fsRadialGradient = 0x12,
    fsFocalGradient = 0x13,
    fsRepeatingBitmap = 0x40,
    fsClippedBitmap = 0x41,
    fsRepeatingBitmapNotSmoothed = 0x42,
    fsClippedBitmapNotSmoothed = 0x43,
};

inline bool IsBitmapFillType(uint8_t T) {
    return T >= fsRepeatingBitmap && T <= fsClippedBitmapNotSmoothed;
}
inline bool IsGradientFillType(uint8_t T) {
    return T == fsLinearGradient || T == fsRadialGradient || T == fsFocalGradient;
}

// Keeps the bytes a byte-aligned bit structure (RECT, MATRIX) was read from, so it writes back unchanged
// while its value is the one decoded from them.
template <class TValue>
struct TKeptEncoding {
    TValue Value{};
    std::vector<uint8_t> Bytes;
};

// A MATRIX that writes back the bytes it was read from while unchanged.
class TSWFKeptMatrix : public TSWFMatrix {
  public:
    void Read(TBitsEngine& BE);
    void Write(TBitsEngine& BE) const;

  private:
    TKeptEncoding<TSWFMatrix> Read_;
};

// A RECT that writes back the bytes it was read from while unchanged; otherwise written ordered.
class TSWFKeptRect : public TSWFRect {
  public:
    using TSWFRect::TSWFRect;
    void Read(TBitsEngine& BE);
    void Write(TBitsEngine& BE) const;

  private:
    TKeptEncoding<TSWFRect> Read_;
};

class TSWFFillStyle : public TBasedSWFObject {
  public:
    bool HasAlpha = false;
    uint8_t FillStyleType = 0;

    // Reads the fields after the type byte.
    virtual void Read(TBitsEngine& BE) = 0;
    // Writes the type byte and the fields.
    virtual void Write(TBitsEngine& BE) = 0;
    void WriteToStream(TBitsEngine& BE) override { Write(BE); }
    virtual void VisitReferences(const TIDVisitor&) {}
};

using TSWFFillStyleList = TObjectList<TSWFFillStyle>;

class TSWFColorFill : public TSWFFillStyle {
  public:
    TSWFRGBA Color{true};

    TSWFColorFill() { FillStyleType = fsSolid; }
    SWF_RECORD_COPY(TSWFColorFill)
    void Read(TBitsEngine& BE) override;
    void Write(TBitsEngine& BE) override;
};

struct TSWFGradientRecord {
    uint8_t Ratio = 0;
    TSWFRGBA Color{true};
};

// The gradient of a gradient fill: spread and interpolation modes and up to 15 colour stops.
class TSWFBaseGradientFill : public TSWFFillStyle {
  public:
    uint8_t SpreadMode = 0;         // 2 bits
    uint8_t InterpolationMode = 0;  // 2 bits

    uint8_t Count() const { return static_cast<uint8_t>(Records_.size()); }
    void SetCount(uint8_t N);  // 0..15
    // Record Index, 1..Count; the colour is created with it.
    TSWFGradientRecord& GradientRecord(uint8_t Index) { return Records_.at(Index - 1); }
    const TSWFGradientRecord& GradientRecord(uint8_t Index) const { return Records_.at(Index - 1); }
    void AddGradient(uint8_t Ratio, const TSWFRGBA& Color);

  protected:
    void ReadGradient(TBitsEngine& BE);
    void WriteGradient(TBitsEngine& BE) const;

  private:
    std::vector<TSWFGradientRecord> Records_;
};

class TSWFGradientFill : public TSWFBaseGradientFill {
  public:
    TSWFKeptMatrix GradientMatrix;

    TSWFGradientFill() { FillStyleType = fsLinearGradient; }
    SWF_RECORD_COPY(TSWFGradientFill)
    void Read(TBitsEngine& BE) override;
    void Write(TBitsEngine& BE) override;
};

class TSWFFocalGradientFill : public TSWFGradientFill {
  public:
    int16_t FocalPoint = 0;  // the signed word of the file

    TSWFFocalGradientFill() { FillStyleType = fsFocalGradient; }
    SWF_RECORD_COPY(TSWFFocalGradientFill)
    // The focal point from -1 to 1.
    float FocalPointValue() const;
    void SetFocalPointValue(float V);
    void Read(TBitsEngine& BE) override;
    void Write(TBitsEngine& BE) override;
};

class TSWFImageFill : public TSWFFillStyle {
  public:
    uint16_t BitmapID = 0;
    TSWFKeptMatrix BitmapMatrix;

    TSWFImageFill() { FillStyleType = fsClippedBitmap; }
    SWF_RECORD_COPY(TSWFImageFill)
    void Read(TBitsEngine& BE) override;
    void Write(TBitsEngine& BE) override;
    void VisitReferences(const TIDVisitor& Visit) override { Visit(BitmapID); }
};

// A new fill style object for a type byte; raises ESWFError for a type without a class.
std::unique_ptr<TSWFFillStyle> CreateFillStyle(uint8_t FillStyleType);

// ---- Line styles ----

class TSWFLineStyle : public TBasedSWFObject {
  public:
    uint16_t Width = 0;
    TSWFRGBA Color{false};

    SWF_RECORD_COPY(TSWFLineStyle)
    virtual void Read(TBitsEngine& BE, bool UseAlpha);
    virtual void Write(TBitsEngine& BE);
    void WriteToStream(TBitsEngine& BE) override { Write(BE); }
    virtual void VisitReferences(const TIDVisitor&) {}
    virtual bool IsNonScaling() const { return false; }
};

using TSWFLineStyleList = TObjectList<TSWFLineStyle>;

class TSWFLineStyle2 : public TSWFLineStyle {
  public:
    uint8_t StartCapStyle = 0;  // 2 bits
    uint8_t JoinStyle = 0;      // 2 bits
    bool HasFillFlag = false;
    bool NoHScaleFlag = false;
    bool NoVScaleFlag = false;
    bool PixelHintingFlag = false;
    bool NoClose = false;
    uint8_t EndCapStyle = 0;  // 2 bits
    float MiterLimitFactor = 0;

    TSWFLineStyle2() { Color.SetHasAlpha(true); }
    SWF_RECORD_COPY(TSWFLineStyle2)
    // With a type >= 0: a fill of that type (replacing one of another type), with alpha. With a negative
    // type: the current fill, which may be null.
    TSWFFillStyle* FillType(int Type = -1);
    void Read(TBitsEngine& BE, bool UseAlpha) override;
    void Write(TBitsEngine& BE) override;
    void VisitReferences(const TIDVisitor& Visit) override;
    bool IsNonScaling() const override { return NoHScaleFlag || NoVScaleFlag; }

  private:
    TClonePtr<TSWFFillStyle> Fill_;
    uint8_t Reserved_ = 0;  // the five bits between the flags, written back as read
};

// ---- Style arrays ----

// How a style array's count was written: a file may use the long form (255 and a word) for a short count.
struct TSWFStyleCountForm {
    bool Long = false;
    uint16_t ReadCount(TBitsEngine& BE);
    void WriteCount(TBitsEngine& BE, size_t Count) const;
};

// ---- Shape records ----

enum TSWFShapeRecType : uint8_t { rtEndShape = 0, rtStyleChange = 1, rtStraightEdge = 2, rtCurvedEdge = 3 };

class TSWFShapeRecord : public TBasedSWFObject {
  public:
    TSWFShapeRecType ShapeRecType = rtEndShape;

    virtual void Write(TBitsEngine& BE) = 0;
    void WriteToStream(TBitsEngine& BE) override { Write(BE); }
};

using TSWFShapeRecordList = TObjectList<TSWFShapeRecord>;

class TSWFEndShapeRecord : public TSWFShapeRecord {
  public:
    TSWFEndShapeRecord() { ShapeRecType = rtEndShape; }
    SWF_RECORD_COPY(TSWFEndShapeRecord)
    void Write(TBitsEngine& BE) override { BE.WriteBits(0u, 6); }
};

class TSWFStraightEdgeRecord : public TSWFShapeRecord {
  public:
    int32_t DeltaX = 0, DeltaY = 0;
    // From a file: the NumBits and line form read, reused while the deltas still fit them.
    uint8_t KeptNumBits = 0;
    bool KeptGeneralLine = false;
    bool KeptVertLine = false;

    TSWFStraightEdgeRecord() { ShapeRecType = rtStraightEdge; }
    TSWFStraightEdgeRecord(int32_t DX, int32_t DY) : TSWFStraightEdgeRecord() {
        DeltaX = DX;
        DeltaY = DY;
    }
    SWF_RECORD_COPY(TSWFStraightEdgeRecord)
    void Write(TBitsEngine& BE) override;
    void Read(TBitsEngine& BE, uint8_t NumBits);
};

class TSWFCurvedEdgeRecord : public TSWFShapeRecord {
  public:
    int32_t ControlDeltaX = 0, ControlDeltaY = 0, AnchorDeltaX = 0, AnchorDeltaY = 0;
    // From a file: the NumBits read; a read curve is written even when all its deltas are 0.
    uint8_t KeptNumBits = 0;

    TSWFCurvedEdgeRecord() { ShapeRecType = rtCurvedEdge; }
    TSWFCurvedEdgeRecord(int32_t CX, int32_t CY, int32_t AX, int32_t AY) : TSWFCurvedEdgeRecord() {
        ControlDeltaX = CX;
        ControlDeltaY = CY;
        AnchorDeltaX = AX;
        AnchorDeltaY = AY;
    }
    SWF_RECORD_COPY(TSWFCurvedEdgeRecord)
    void Write(TBitsEngine& BE) override;
    void Read(TBitsEngine& BE, uint8_t NumBits);
};

class TSWFStyleChangeRecord : public TSWFShapeRecord {
  public:
    int32_t MoveDeltaX = 0, MoveDeltaY = 0;  // the move-to point, absolute in shape coordinates
    uint8_t NumFillBits = 0,
            NumLineBits = 0;  // set by the shape writer; after a write with new styles, the new ones
    bool StateFillStyle0 = false, StateFillStyle1 = false, StateLineStyle = false;
    bool StateMoveTo = false, StateNewStyles = false;
    bool HasAlpha = false;  // set by the shape writer
    // From a file: the widths read, reused while the values still fit them.
    uint8_t KeptMoveBits = 0;
    uint8_t KeptNewFillBits = 0, KeptNewLineBits = 0;
    // From a file: the style flags are written as read, even where the current widths are 0.
    bool KeptStateFlags = false;

    TSWFStyleChangeRecord() { ShapeRecType = rtStyleChange; }
    SWF_RECORD_COPY(TSWFStyleChangeRecord)

    uint16_t FillStyle0() const { return FillStyle0_; }
    uint16_t FillStyle1() const { return FillStyle1_; }
    uint16_t LineStyle() const { return LineStyle_; }
    void SetFillStyle0(uint16_t V);
    void SetFillStyle1(uint16_t V);
    void SetLineStyle(uint16_t V);
    void SetMoveTo(int32_t X, int32_t Y);

    // The new style arrays; the first non-const access sets StateNewStyles.
    TSWFFillStyleList& NewFillStyles();
    TSWFLineStyleList& NewLineStyles();
    const TSWFFillStyleList& NewFillStyles() const { return NewFillStyles_; }
    const TSWFLineStyleList& NewLineStyles() const { return NewLineStyles_; }
    TSWFStyleCountForm NewFillCountForm, NewLineCountForm;

    void Write(TBitsEngine& BE) override;
    // Reads the record after its five flag bits; NumFillBits and NumLineBits must hold the current widths and
    // become the new ones when the record carries new styles.
    void Read(TBitsEngine& BE, uint8_t Flags, bool UseAlpha, bool LineStyle2);
    void VisitReferences(const TIDVisitor& Visit);

  private:
    uint16_t FillStyle0_ = 0, FillStyle1_ = 0, LineStyle_ = 0;
    TSWFFillStyleList NewFillStyles_;
    TSWFLineStyleList NewLineStyles_;
};

// Reads shape records up to and including the end record; pending bits dropped at the end.
void ReadShapeRecords(TBitsEngine& BE, TSWFShapeRecordList& Records, uint8_t NumFillBits, uint8_t NumLineBits,
                      bool UseAlpha, bool LineStyle2);
// Writes Records with the given bit widths (style-change rules of the shape writer), an end record when the
// list does not end with one; does not flush.
void WriteShapeRecords(TBitsEngine& BE, TSWFShapeRecordList& Records, uint8_t NumFillBits,
                       uint8_t NumLineBits, bool UseAlpha);

// Style arrays as shapes and style change records write them: the count, then each style with the alpha flag.
void WriteFillStyles(TBitsEngine& BE, TSWFFillStyleList& Styles, bool UseAlpha,
                     const TSWFStyleCountForm& Form);
void WriteLineStyles(TBitsEngine& BE, TSWFLineStyleList& Styles, bool UseAlpha,
                     const TSWFStyleCountForm& Form);
void ReadFillStyles(TBitsEngine& BE, TSWFFillStyleList& Styles, bool UseAlpha, TSWFStyleCountForm& Form);
void ReadLineStyles(TBitsEngine& BE, TSWFLineStyleList& Styles, bool UseAlpha, bool LineStyle2,
                    TSWFStyleCountForm& Form);
// Calls Visit for the BitmapID of every bitmap fill in the styles and in the new styles of the records.
void VisitShapeReferences(TSWFFillStyleList& Fills, TSWFLineStyleList& Lines, TSWFShapeRecordList& Records,
                          const TIDVisitor& Visit);

// ---- Shape tags ----

class TSWFDefineShape : public TSWFObject {
  public:
    uint16_t ShapeID = 0;
    TSWFKeptRect ShapeBounds;
    TSWFFillStyleList FillStyles;
    TSWFLineStyleList LineStyles;
    TSWFShapeRecordList Records;
    bool UseAlpha = false;
    TSWFStyleCountForm FillCountForm, LineCountForm;
    // From a file: the style index widths read (used while wide enough) and the bytes after the records.
    uint8_t KeptNumFillBits = 0, KeptNumLineBits = 0;
    std::vector<uint8_t> TrailingBytes;

    TSWFDefineShape() { TagID = 2; }
    SWF_RECORD_COPY(TSWFDefineShape)
    int MinVersion() const override { return 1; }
    void WriteTagBody(TBitsEngine& BE) override;
    void ReadFromStream(TBitsEngine& BE) override;
    void VisitDefinedIDs(const TIDVisitor& Visit) override { Visit(ShapeID); }
    void VisitReferences(const TIDVisitor& Visit) override;

  protected:
    // DefineShape4's EdgeBounds and stroke flags; nothing in the other shape tags.
    virtual void ReadShape4Extras(TBitsEngine&) {}
    virtual void WriteShape4Extras(TBitsEngine&) {}
    virtual bool UsesLineStyle2() const { return false; }
};

class TSWFDefineShape2 : public TSWFDefineShape {
  public:
    TSWFDefineShape2() { TagID = 22; }
    SWF_RECORD_COPY(TSWFDefineShape2)
    int MinVersion() const override { return 2; }
};

class TSWFDefineShape3 : public TSWFDefineShape {
  public:
    TSWFDefineShape3() {
        TagID = 32;
        UseAlpha = true;
    }
    SWF_RECORD_COPY(TSWFDefineShape3)
    int MinVersion() const override { return 3; }
};

class TSWFDefineShape4 : public TSWFDefineShape {
  public:
    TSWFKeptRect EdgeBounds;
    bool UsesNonScalingStrokes = false, UsesScalingStrokes = false;
    uint8_t ReservedFlags = 0;  // the six high bits of the stroke byte, written back as read

    TSWFDefineShape4() {
        TagID = 83;
        UseAlpha = true;
    }
    SWF_RECORD_COPY(TSWFDefineShape4)
    int MinVersion() const override { return 8; }
    void ReadFromStream(TBitsEngine& BE) override;

  protected:
    void ReadShape4Extras(TBitsEngine& BE) override;
    void WriteShape4Extras(TBitsEngine& BE) override;
    bool UsesLineStyle2() const override { return true; }

  private:
    // The two stroke flags as bits 1 and 0 of the stroke byte.
    uint8_t StrokeFlags() const;
    uint8_t ComputedStrokeFlags() const;
    // Authoring tools set the stroke flags by rules of their own: a shape read from a file keeps the flags it
    // had while the flags computed from its line styles stay what they were when it was read.
    int KeptStrokeBasis_ = -1;
    uint8_t KeptStrokeFlags_ = 0;
};
