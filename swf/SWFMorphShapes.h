// Morph shape tags: a start and an end shape with fill and line styles that carry both ends of the morph.
#pragma once

#include "SWFShapes.h"

struct TSWFMorphGradientRecord {
    uint8_t StartRatio = 0;
    TSWFRGBA StartColor{true};
    uint8_t EndRatio = 0;
    TSWFRGBA EndColor{true};
};

// One morph fill style; which fields are used depends on FillStyleType (the fill style type values of
// shapes).
class TSWFMorphFillStyle : public TBasedSWFObject {
  public:
    uint8_t FillStyleType = fsSolid;
    // Solid.
    TSWFRGBA StartColor{true}, EndColor{true};
    // Gradients.
    TSWFKeptMatrix StartGradientMatrix, EndGradientMatrix;
    uint8_t SpreadMode = 0, InterpolationMode = 0;   // 2 bits each, beside the record count
    std::vector<TSWFMorphGradientRecord> Gradient;   // at most 15
    int16_t StartFocalPoint = 0, EndFocalPoint = 0;  // focal gradient only
    // Bitmaps.
    uint16_t BitmapID = 0;
    TSWFKeptMatrix StartBitmapMatrix, EndBitmapMatrix;

    SWF_RECORD_COPY(TSWFMorphFillStyle)
    // Reads the type byte and the fields; raises ESWFError for a type without a layout.
    void Read(TBitsEngine& BE);
    void Write(TBitsEngine& BE) const;
    void WriteToStream(TBitsEngine& BE) override { Write(BE); }
    void VisitReferences(const TIDVisitor& Visit) {
        if (IsBitmapFillType(FillStyleType)) Visit(BitmapID);
    }
};

using TSWFMorphFillStyleList = TObjectList<TSWFMorphFillStyle>;

class TSWFMorphLineStyle : public TBasedSWFObject {
  public:
    uint16_t StartWidth = 0, EndWidth = 0;
    TSWFRGBA StartColor{true}, EndColor{true};

    SWF_RECORD_COPY(TSWFMorphLineStyle)
    virtual void Read(TBitsEngine& BE);
    virtual void Write(TBitsEngine& BE) const;
    void WriteToStream(TBitsEngine& BE) override { Write(BE); }
    virtual void VisitReferences(const TIDVisitor&) {}
    virtual bool IsNonScaling() const { return false; }
};

using TSWFMorphLineStyleList = TObjectList<TSWFMorphLineStyle>;

class TSWFMorphLineStyle2 : public TSWFMorphLineStyle {
  public:
    uint8_t StartCapStyle = 0, JoinStyle = 0;
    bool HasFillFlag = false, NoHScaleFlag = false, NoVScaleFlag = false, PixelHintingFlag = false;
    bool NoClose = false;
    uint8_t EndCapStyle = 0;
    float MiterLimitFactor = 0;              // used when JoinStyle is 2
    TClonePtr<TSWFMorphFillStyle> FillType;  // used when HasFillFlag is set

    SWF_RECORD_COPY(TSWFMorphLineStyle2)
    void Read(TBitsEngine& BE) override;
    void Write(TBitsEngine& BE) const override;
    void VisitReferences(const TIDVisitor& Visit) override {
        if (FillType) FillType->VisitReferences(Visit);
    }
    bool IsNonScaling() const override { return NoHScaleFlag || NoVScaleFlag; }

  private:
    uint8_t Reserved_ = 0;  // the five bits between the flags, written back as read
};

class TSWFDefineMorphShape : public TSWFObject {
  public:
    uint16_t CharacterId = 0;
    TSWFKeptRect StartBounds, EndBounds;
    TSWFMorphFillStyleList MorphFillStyles;
    TSWFMorphLineStyleList MorphLineStyles;
    TSWFShapeRecordList StartEdges, EndEdges;
    TSWFStyleCountForm FillCountForm, LineCountForm;
    // From a file: the style index widths of both shapes (used while wide enough), bytes between the start
    // edges and the place Offset gives for the end edges, and bytes after the end edges.
    uint8_t KeptStartFillBits = 0, KeptStartLineBits = 0, KeptEndFillBits = 0, KeptEndLineBits = 0;
    std::vector<uint8_t> GapBytes, TrailingBytes;

    TSWFDefineMorphShape() { TagID = 46; }
    SWF_RECORD_COPY(TSWFDefineMorphShape)
    int MinVersion() const override { return 3; }
    void WriteTagBody(TBitsEngine& BE) override;
    void ReadFromStream(TBitsEngine& BE) override;
    void VisitDefinedIDs(const TIDVisitor& Visit) override { Visit(CharacterId); }
    void VisitReferences(const TIDVisitor& Visit) override;

  protected:
    // DefineMorphShape2's edge bounds and stroke flags; nothing here.
    virtual void ReadMorph2Extras(TBitsEngine&) {}
    virtual void WriteMorph2Extras(TBitsEngine&) {}
    virtual bool UsesLineStyle2() const { return false; }
};

class TSWFDefineMorphShape2 : public TSWFDefineMorphShape {
  public:
    TSWFKeptRect StartEdgeBounds, EndEdgeBounds;
    bool UsesNonScalingStrokes = false, UsesScalingStrokes = false;
    uint8_t ReservedFlags = 0;  // the six high bits of the stroke byte, written back as read

    TSWFDefineMorphShape2() { TagID = 84; }
    SWF_RECORD_COPY(TSWFDefineMorphShape2)
    int MinVersion() const override { return 8; }
    void ReadFromStream(TBitsEngine& BE) override;

  protected:
    void ReadMorph2Extras(TBitsEngine& BE) override;
    void WriteMorph2Extras(TBitsEngine& BE) override;
    bool UsesLineStyle2() const override { return true; }

  private:
    uint8_t StrokeFlags() const;
    uint8_t ComputedStrokeFlags() const;
    // As in DefineShape4: flags read from a file stay while the computed ones are those of the file's styles.
    int KeptStrokeBasis_ = -1;
    uint8_t KeptStrokeFlags_ = 0;
};
