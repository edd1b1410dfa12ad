// Tag records: control, display-list, bitmap, sound, sprite and action-container tags.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "SWFActions.h"
#include "SWFFilters.h"
#include "SWFObject.h"

class TSWFEnd : public TSWFObject {
  public:
    TSWFEnd() { TagID = 0; }
    SWF_RECORD_COPY(TSWFEnd)
};

class TSWFShowFrame : public TSWFObject {
  public:
    TSWFShowFrame() { TagID = 1; }
    SWF_RECORD_COPY(TSWFShowFrame)
};

// ---- Control tags -----------------------------------------------------------------------------------------

class TSWFSetBackgroundColor : public TSWFObject {
  public:
    TSWFRGB Color;
    TSWFSetBackgroundColor() { TagID = 9; }
    SWF_RECORD_COPY(TSWFSetBackgroundColor)
    void WriteTagBody(TBitsEngine& BE) override { BE.WriteRGB(Color.Rec()); }
    void ReadFromStream(TBitsEngine& BE) override;
};

class TSWFFrameLabel : public TSWFObject {
  public:
    std::string Name;
    bool IsAnchor = false;
    TSWFFrameLabel() { TagID = 43; }
    SWF_RECORD_COPY(TSWFFrameLabel)
    int MinVersion() const override { return IsAnchor ? 6 : 3; }
    void WriteTagBody(TBitsEngine& BE) override;
    void ReadFromStream(TBitsEngine& BE) override;
};

// Protect, EnableDebugger and EnableDebugger2: an optional password digest.
class TSWFProtect : public TSWFObject {
  public:
    TSWFProtect() { TagID = 24; }
    SWF_RECORD_COPY(TSWFProtect)
    int MinVersion() const override { return HasPassword() ? 5 : 2; }
    void WriteTagBody(TBitsEngine& BE) override;
    void ReadFromStream(TBitsEngine& BE) override;

    const std::string& Password() const { return Password_; }
    // A plain password; the digest is made from it when the record is written.
    void SetPassword(const std::string& P) { Password_ = P; }
    // The md5-crypt digest as written (without the 0 terminator).
    const std::string& Digest() const { return Digest_; }
    void SetDigest(const std::string& D);

  protected:
    bool HasPassword() const { return !Password_.empty() || HasDigest_; }
    std::string Password_;
    std::string Digest_;
    std::vector<uint8_t> DigestBytes_;  // the digest bytes as read, terminator included
    uint16_t Reserved_ = 0;
    bool HasDigest_ = false;
};

class TSWFEnableDebugger : public TSWFProtect {
  public:
    TSWFEnableDebugger() { TagID = 58; }
    SWF_RECORD_COPY(TSWFEnableDebugger)
    int MinVersion() const override { return 5; }
};

class TSWFEnableDebugger2 : public TSWFProtect {
  public:
    TSWFEnableDebugger2() { TagID = 64; }
    SWF_RECORD_COPY(TSWFEnableDebugger2)
    int MinVersion() const override { return 6; }
};

// A list of names with character IDs (exports, imports, symbol classes).
class TSWFAssetList {
  public:
    struct TEntry {
        uint16_t ID = 0;
        std::string Name;
    };
    std::vector<TEntry> Entries;

    // A name already in the list (compared without regard to case) gets the new ID; a new one is appended.
    void Add(const std::string& Name, uint16_t ID);
    int IndexOf(const std::string& Name) const;  // exact comparison; -1 when absent
    void Write(TBitsEngine& BE) const;
    void Read(TBitsEngine& BE);
};

class TSWFExportAssets : public TSWFObject {
  public:
    TSWFAssetList Assets;
    TSWFExportAssets() { TagID = 56; }
    SWF_RECORD_COPY(TSWFExportAssets)
    int MinVersion() const override { return 5; }
    void WriteTagBody(TBitsEngine& BE) override { Assets.Write(BE); }
    void ReadFromStream(TBitsEngine& BE) override { Assets.Read(BE); }
    void VisitReferences(const TIDVisitor& V) override;
};

class TSWFSymbolClass : public TSWFExportAssets {
  public:
    TSWFSymbolClass() { TagID = 76; }
    SWF_RECORD_COPY(TSWFSymbolClass)
    int MinVersion() const override { return 9; }
};

class TSWFImportAssets : public TSWFObject {
  public:
    std::string URL;
    TSWFAssetList Assets;
    TSWFImportAssets() { TagID = 57; }
    SWF_RECORD_COPY(TSWFImportAssets)
    int MinVersion() const override { return 5; }
    void WriteTagBody(TBitsEngine& BE) override;
    void ReadFromStream(TBitsEngine& BE) override;
    void VisitDefinedIDs(const TIDVisitor& V) override;
};

class TSWFImportAssets2 : public TSWFImportAssets {
  public:
    uint8_t Reserved1 = 1, Reserved2 = 0;
    TSWFImportAssets2() { TagID = 71; }
    SWF_RECORD_COPY(TSWFImportAssets2)
    void WriteTagBody(TBitsEngine& BE) override;
    void ReadFromStream(TBitsEngine& BE) override;
};

class TSWFScriptLimits : public TSWFObject {
  public:
    uint16_t MaxRecursionDepth = 0, ScriptTimeoutSeconds = 0;
    TSWFScriptLimits() { TagID = 65; }
    SWF_RECORD_COPY(TSWFScriptLimits)
    int MinVersion() const override { return 7; }
    void WriteTagBody(TBitsEngine& BE) override;
    void ReadFromStream(TBitsEngine& BE) override;
};

class TSWFSetTabIndex : public TSWFObject {
  public:
    uint16_t Depth = 0, TabIndex = 0;
    TSWFSetTabIndex() { TagID = 66; }
    SWF_RECORD_COPY(TSWFSetTabIndex)
    int MinVersion() const override { return 7; }
    void WriteTagBody(TBitsEngine& BE) override;
    void ReadFromStream(TBitsEngine& BE) override;
};

// The flag byte keeps the SWF file format's bits: 0x40 UseDirectBlit, 0x20 UseGPU, 0x10 HasMetadata,
// 0x08 ActionScript3, 0x01 UseNetwork. Reserved bits are kept as read.
class TSWFFileAttributes : public TSWFObject {
  public:
    uint8_t Flags = 0;
    uint8_t Reserved[3] = {0, 0, 0};
    TSWFFileAttributes() { TagID = 69; }
    SWF_RECORD_COPY(TSWFFileAttributes)
    int MinVersion() const override { return 8; }
    bool HasMetadata() const { return Flags & 0x10; }
    void SetHasMetadata(bool B) { SetFlag(0x10, B); }
    bool ActionScript3() const { return Flags & 0x08; }
    void SetActionScript3(bool B) { SetFlag(0x08, B); }
    bool UseNetwork() const { return Flags & 0x01; }
    void SetUseNetwork(bool B) { SetFlag(0x01, B); }
    void WriteTagBody(TBitsEngine& BE) override;
    void ReadFromStream(TBitsEngine& BE) override;

  private:
    void SetFlag(uint8_t Bit, bool B) { Flags = B ? (Flags | Bit) : (Flags & ~Bit); }
};

class TSWFMetadata : public TSWFObject {
  public:
    std::string MetaData;  // XML text
    TSWFMetadata() { TagID = 77; }
    SWF_RECORD_COPY(TSWFMetadata)
    int MinVersion() const override { return 8; }
    void WriteTagBody(TBitsEngine& BE) override { BE.WriteString(MetaData, true, true); }
    void ReadFromStream(TBitsEngine& BE) override { MetaData = BE.ReadString(0); }
};

class TSWFProductInfo : public TSWFObject {
  public:
    uint32_t ProductID = 0, Edition = 0;
    uint8_t MajorVersion = 0, MinorVersion = 0;
    uint32_t BuildLow = 0, BuildHigh = 0;
    uint8_t CompilationDate[8] = {};
    TSWFProductInfo() { TagID = 41; }
    SWF_RECORD_COPY(TSWFProductInfo)
    int MinVersion() const override { return 9; }
    void WriteTagBody(TBitsEngine& BE) override;
    void ReadFromStream(TBitsEngine& BE) override;
};

class TSWFDefineScalingGrid : public TSWFObject {
  public:
    uint16_t CharacterID = 0;
    TSWFRect Splitter;
    TSWFDefineScalingGrid() { TagID = 78; }
    SWF_RECORD_COPY(TSWFDefineScalingGrid)
    int MinVersion() const override { return 8; }
    void WriteTagBody(TBitsEngine& BE) override;
    void ReadFromStream(TBitsEngine& BE) override;
    void VisitReferences(const TIDVisitor& V) override { V(CharacterID); }
};

class TSWFDefineBinaryData : public TSWFDataObject {
  public:
    uint16_t CharacterID = 0;
    uint32_t Reserved = 0;
    TSWFDefineBinaryData() { TagID = 87; }
    SWF_RECORD_COPY(TSWFDefineBinaryData)
    void WriteTagBody(TBitsEngine& BE) override;
    void ReadFromStream(TBitsEngine& BE) override;
    void VisitDefinedIDs(const TIDVisitor& V) override { V(CharacterID); }
};

// ---- Display-list tags ------------------------------------------------------------------------------------

class TSWFRemoveObject : public TSWFObject {
  public:
    uint16_t CharacterID = 0, Depth = 0;
    TSWFRemoveObject() { TagID = 5; }
    SWF_RECORD_COPY(TSWFRemoveObject)
    void WriteTagBody(TBitsEngine& BE) override;
    void ReadFromStream(TBitsEngine& BE) override;
    void VisitReferences(const TIDVisitor& V) override { V(CharacterID); }
};

class TSWFRemoveObject2 : public TSWFObject {
  public:
    uint16_t Depth = 0;
    TSWFRemoveObject2() { TagID = 28; }
    SWF_RECORD_COPY(TSWFRemoveObject2)
    int MinVersion() const override { return 3; }
    void WriteTagBody(TBitsEngine& BE) override { BE.WriteWord(Depth); }
    void ReadFromStream(TBitsEngine& BE) override { Depth = BE.ReadWord(); }
};

class TSWFPlaceObject : public TSWFObject {
  public:
    uint16_t CharacterID = 0, Depth = 0;
    TSWFMatrix Matrix;
    TSWFColorTransform ColorTransform;
    bool UseColorTransform = false;
    TSWFPlaceObject() { TagID = 4; }
    SWF_RECORD_COPY(TSWFPlaceObject)
    void WriteTagBody(TBitsEngine& BE) override;
    void ReadFromStream(TBitsEngine& BE) override;
    void VisitReferences(const TIDVisitor& V) override { V(CharacterID); }
};

// Clip event flags: bit i of an event set is the i-th event of this order.
enum TSWFClipEvent : uint32_t {
    ceKeyUp = 1u << 0,
    ceKeyDown = 1u << 1,
    ceMouseUp = 1u << 2,
    ceMouseDown = 1u << 3,
    ceMouseMove = 1u << 4,
    ceUnload = 1u << 5,
    ceEnterFrame = 1u << 6,
    ceLoad = 1u << 7,
    ceDragOver = 1u << 8,
    ceRollOut = 1u << 9,
    ceRollOver = 1u << 10,
    ceReleaseOutside = 1u << 11,
    ceRelease = 1u << 12,
    cePress = 1u << 13,
    ceInitialize = 1u << 14,
    ceData = 1u << 15,
    ceConstruct = 1u << 16,
    ceKeyPress = 1u << 17,
    ceDragOut = 1u << 18,
};

void WriteClipEventFlags(TBitsEngine& BE, uint32_t Events, uint8_t FormatVersion);
uint32_t ReadClipEventFlags(TBitsEngine& BE, uint8_t FormatVersion);

class TSWFClipActionRecord : public TBasedSWFObject {
  public:
    uint32_t EventFlags = 0;
    TSWFActionList Actions;

    SWF_RECORD_COPY(TSWFClipActionRecord)
    uint8_t KeyCode() const { return KeyCode_; }
    // Giving a key code sets the KeyPress event; clearing it clears the event.
    void SetKeyCode(uint8_t K);
    void WriteToStream(TBitsEngine&) override {}
    void Write(TBitsEngine& BE, uint8_t FormatVersion) const;
    void Read(TBitsEngine& BE, uint8_t FormatVersion, bool ParseActions);

  private:
    uint8_t KeyCode_ = 0;
};

class TSWFClipActions {
  public:
    uint32_t AllEventFlags = 0;
    TObjectList<TSWFClipActionRecord> Records;

    TSWFClipActionRecord* AddRecord(uint32_t Events = 0);
    void Write(TBitsEngine& BE, uint8_t FormatVersion) const;
    void Read(TBitsEngine& BE, uint8_t FormatVersion, bool ParseActions);
};

class TSWFPlaceObject2 : public TSWFObject {
  public:
    uint16_t Depth = 0;
    bool Move = false;
    uint8_t FormatVersion = 3;
    bool ParseActions = false;

    TSWFPlaceObject2() { TagID = 26; }
    SWF_RECORD_COPY(TSWFPlaceObject2)
    int MinVersion() const override;
    void WriteTagBody(TBitsEngine& BE) override;
    void ReadFromStream(TBitsEngine& BE) override;
    void SetReadContext(const TSWFReadContext& C) override;
    void VisitReferences(const TIDVisitor& V) override {
        if (HasCharacter) V(CharacterID_);
    }

    bool HasCharacter = false, HasMatrix = false, HasColorTransform = false, HasRatio = false,
         HasName = false, HasClipDepth = false, HasClipActions = false;
    uint16_t CharacterID() const { return CharacterID_; }
    void SetCharacterID(uint16_t ID) {
        CharacterID_ = ID;
        HasCharacter = true;
    }
    uint16_t Ratio() const { return Ratio_; }
    void SetRatio(uint16_t R) {
        Ratio_ = R;
        HasRatio = true;
    }
    const std::string& Name() const { return Name_; }
    void SetName(const std::string& N) {
        Name_ = N;
        HasName = true;
    }
    uint16_t ClipDepth() const { return ClipDepth_; }
    void SetClipDepth(uint16_t D) {
        ClipDepth_ = D;
        HasClipDepth = true;
    }
    // The first access creates the part and marks it present.
    TSWFMatrix& Matrix();
    TSWFColorTransform& ColorTransform();
    TSWFClipActions& ClipActions();
    bool HasClipActionRecords() const {
        return HasClipActions && ClipActions_ && !ClipActions_->Records.Empty();
    }

  protected:
    // The second flags byte, depth, class name and filters of PlaceObject3 hook in here.
    virtual void WriteExtraFlags(TBitsEngine&) {}
    virtual void ReadExtraFlags(TBitsEngine&) {}
    virtual void WriteClassName(TBitsEngine&) {}
    virtual void ReadClassName(TBitsEngine&) {}
    virtual void WriteAfterClipDepth(TBitsEngine&) {}
    virtual void ReadAfterClipDepth(TBitsEngine&) {}
    uint8_t EffectiveFormatVersion() const;

    uint16_t CharacterID_ = 0, Ratio_ = 0, ClipDepth_ = 0;
    std::string Name_;
    std::optional<TSWFMatrix> Matrix_;
    std::optional<TSWFColorTransform> ColorTransform_;
    std::optional<TSWFClipActions> ClipActions_;
};

class TSWFPlaceObject3 : public TSWFPlaceObject2 {
  public:
    bool HasImage = false, HasClassName = false, HasCacheAsBitmap = false, HasBlendMode = false,
         HasFilterList = false, HasVisible = false, HasOpaqueBackground = false, Reserved = false;
    uint8_t BlendMode = 0;
    uint8_t BitmapCache = 1;
    uint8_t Visible = 1;
    TSWFRGBA BackgroundColor{true};
    // When set the record is written as a valid PlaceObject2 (tag 26).
    bool AsPlaceObject2 = false;

    TSWFPlaceObject3() {
        TagID = 70;
        FormatVersion = 8;
    }
    SWF_RECORD_COPY(TSWFPlaceObject3)
    int MinVersion() const override;
    void WriteTagBody(TBitsEngine& BE) override;
    void SetAsPlaceObject2(bool B) {
        AsPlaceObject2 = B;
        TagID = B ? 26 : 70;
    }
    const std::string& ClassName() const { return ClassName_; }
    void SetClassName(const std::string& N) {
        ClassName_ = N;
        HasClassName = !N.empty();
    }
    TSWFFilterList& SurfaceFilterList();

  protected:
    void WriteExtraFlags(TBitsEngine& BE) override;
    void ReadExtraFlags(TBitsEngine& BE) override;
    void WriteClassName(TBitsEngine& BE) override;
    void ReadClassName(TBitsEngine& BE) override;
    void WriteAfterClipDepth(TBitsEngine& BE) override;
    void ReadAfterClipDepth(TBitsEngine& BE) override;

  private:
    std::string ClassName_;
    TSWFFilterList Filters_;
};

// ---- Action containers ------------------------------------------------------------------------------------

class TSWFDoAction : public TSWFObject {
  public:
    bool ParseActions = false;

    TSWFDoAction() { TagID = 12; }
    // Over an action list owned elsewhere.
    explicit TSWFDoAction(TSWFActionList* External) : External_(External) { TagID = 12; }
    TSWFDoAction(const TSWFDoAction& O);
    TSWFDoAction& operator=(const TSWFDoAction& O);
    SWF_RECORD_COPY(TSWFDoAction)
    TSWFActionList& Actions() { return External_ ? *External_ : Own_; }
    const TSWFActionList& Actions() const { return External_ ? *External_ : Own_; }
    int MinVersion() const override { return ActionsMinVersion(Actions(), 3); }
    void WriteTagBody(TBitsEngine& BE) override;
    void ReadFromStream(TBitsEngine& BE) override;
    void SetReadContext(const TSWFReadContext& C) override { ParseActions = C.ParseActions; }

  protected:
    void ReadActionBody(TBitsEngine& BE);
    TSWFActionList Own_;
    TSWFActionList* External_ = nullptr;
    bool NoEndByte_ = false;  // a read body that did not end with the end byte
};

class TSWFDoInitAction : public TSWFDoAction {
  public:
    uint16_t SpriteID = 0;
    TSWFDoInitAction() { TagID = 59; }
    SWF_RECORD_COPY(TSWFDoInitAction)
    int MinVersion() const override { return std::max(6, TSWFDoAction::MinVersion()); }
    void WriteTagBody(TBitsEngine& BE) override;
    void ReadFromStream(TBitsEngine& BE) override;
    void VisitReferences(const TIDVisitor& V) override { V(SpriteID); }
};

// ---- Bitmap tags ------------------------------------------------------------------------------------------

// JPEG data framed with the extra markers SWF files carry. Data read from a file that would not write back
// the same bytes through the framing rules is kept exactly as read (Framed).
class TSWFJPEGData : public TSWFDataObject {
  public:
    bool Framed = false;
    void AssignFrom(const TBasedSWFObject& Source) override;

  protected:
    void WriteJPEG(TBitsEngine& BE);
    void ReadJPEG(TBitsEngine& BE, int64_t Count);
};

class TSWFJPEGTables : public TSWFJPEGData {
  public:
    TSWFJPEGTables() { TagID = 8; }
    SWF_RECORD_COPY(TSWFJPEGTables)
    void WriteTagBody(TBitsEngine& BE) override { WriteJPEG(BE); }
    void ReadFromStream(TBitsEngine& BE) override { ReadJPEG(BE, BE.Stream->Remaining()); }
};

class TSWFDefineBits : public TSWFJPEGData {
  public:
    uint16_t CharacterID = 0;
    TSWFDefineBits() { TagID = 6; }
    SWF_RECORD_COPY(TSWFDefineBits)
    void WriteTagBody(TBitsEngine& BE) override;
    void ReadFromStream(TBitsEngine& BE) override;
    void VisitDefinedIDs(const TIDVisitor& V) override { V(CharacterID); }
};

class TSWFDefineBitsJPEG2 : public TSWFDefineBits {
  public:
    TSWFDefineBitsJPEG2() { TagID = 21; }
    SWF_RECORD_COPY(TSWFDefineBitsJPEG2)
    int MinVersion() const override { return 2; }
};

class TSWFDefineBitsJPEG3 : public TSWFDefineBits {
  public:
    std::function<void(TBitsEngine&)> OnAlphaWrite;
    TSWFDefineBitsJPEG3() { TagID = 35; }
    SWF_RECORD_COPY(TSWFDefineBitsJPEG3)
    int MinVersion() const override { return 3; }
    TMemoryStream& AlphaData();
    void WriteTagBody(TBitsEngine& BE) override;
    void ReadFromStream(TBitsEngine& BE) override;
    void AssignFrom(const TBasedSWFObject& Source) override;

  private:
    std::shared_ptr<TMemoryStream> AlphaData_;
};

class TSWFDefineBitsLossless : public TSWFDataObject {
  public:
    uint16_t CharacterID = 0;
    uint8_t BitmapFormat = 5;  // 3 colour-mapped, 4 15-bit, 5 24/32-bit
    uint16_t BitmapWidth = 0, BitmapHeight = 0;
    uint8_t BitmapColorTableSize = 0;  // colours - 1
    TSWFDefineBitsLossless() { TagID = 20; }
    SWF_RECORD_COPY(TSWFDefineBitsLossless)
    int MinVersion() const override { return 2; }
    void WriteTagBody(TBitsEngine& BE) override;
    void ReadFromStream(TBitsEngine& BE) override;
    void VisitDefinedIDs(const TIDVisitor& V) override { V(CharacterID); }
};

class TSWFDefineBitsLossless2 : public TSWFDefineBitsLossless {
  public:
    TSWFDefineBitsLossless2() { TagID = 36; }
    SWF_RECORD_COPY(TSWFDefineBitsLossless2)
    int MinVersion() const override { return 3; }
};

// ---- Sound tags -------------------------------------------------------------------------------------------

class TSWFDefineSound : public TSWFDataObject {
  public:
    uint16_t SoundID = 0;
    uint8_t SoundFormat = 0, SoundRate = 0, SoundSize = 0, SoundType = 0;
    uint32_t SoundSampleCount = 0;
    uint16_t SeekSamples = 0;
    TSWFDefineSound() { TagID = 14; }
    SWF_RECORD_COPY(TSWFDefineSound)
    int MinVersion() const override;
    void WriteTagBody(TBitsEngine& BE) override;
    void ReadFromStream(TBitsEngine& BE) override;
    void VisitDefinedIDs(const TIDVisitor& V) override { V(SoundID); }
};

struct TSWFSoundEnvelope {
    uint32_t Pos44 = 0;
    uint16_t LeftLevel = 0, RightLevel = 0;
    bool operator==(const TSWFSoundEnvelope&) const = default;
};

// SOUNDINFO: how a sound is started, stopped, looped and enveloped.
class TSWFSoundInfo {
  public:
    bool SyncStop = false, SyncNoMultiple = false;
    bool HasInPoint = false, HasOutPoint = false, HasLoops = false, HasEnvelope = false;
    uint8_t Reserved = 0;  // the two top bits, kept as read
    std::vector<TSWFSoundEnvelope> Envelope;

    uint32_t InPoint() const { return InPoint_; }
    uint32_t OutPoint() const { return OutPoint_; }
    uint16_t LoopCount() const { return LoopCount_; }
    // A non-zero value sets the matching flag, zero clears it.
    void SetInPoint(uint32_t V) {
        InPoint_ = V;
        HasInPoint = V != 0;
    }
    void SetOutPoint(uint32_t V) {
        OutPoint_ = V;
        HasOutPoint = V != 0;
    }
    void SetLoopCount(uint16_t V) {
        LoopCount_ = V;
        HasLoops = V != 0;
    }
    void AddEnvelope(uint32_t Pos44, uint16_t Left, uint16_t Right) {
        Envelope.push_back({Pos44, Left, Right});
        HasEnvelope = true;
    }
    void Write(TBitsEngine& BE) const;
    void Read(TBitsEngine& BE);
    bool operator==(const TSWFSoundInfo&) const = default;

  private:
    uint32_t InPoint_ = 0, OutPoint_ = 0;
    uint16_t LoopCount_ = 0;
};

class TSWFStartSound : public TSWFObject {
  public:
    uint16_t SoundID = 0;
    TSWFSoundInfo SoundInfo;
    TSWFStartSound() { TagID = 15; }
    SWF_RECORD_COPY(TSWFStartSound)
    void WriteTagBody(TBitsEngine& BE) override;
    void ReadFromStream(TBitsEngine& BE) override;
    void VisitReferences(const TIDVisitor& V) override { V(SoundID); }
};

class TSWFStartSound2 : public TSWFObject {
  public:
    std::string SoundClassName;
    TSWFSoundInfo SoundInfo;
    TSWFStartSound2() { TagID = 89; }
    SWF_RECORD_COPY(TSWFStartSound2)
    int MinVersion() const override { return 9; }
    void WriteTagBody(TBitsEngine& BE) override;
    void ReadFromStream(TBitsEngine& BE) override;
};

class TSWFSoundStreamHead : public TSWFObject {
  public:
    uint8_t Reserved = 0;  // the four top bits, kept as read
    uint8_t PlaybackSoundRate = 0, PlaybackSoundSize = 0, PlaybackSoundType = 0;
    uint8_t StreamSoundCompression = 0, StreamSoundRate = 0, StreamSoundSize = 0, StreamSoundType = 0;
    uint16_t StreamSoundSampleCount = 0;
    uint16_t LatencySeek = 0;
    TSWFSoundStreamHead() { TagID = 18; }
    SWF_RECORD_COPY(TSWFSoundStreamHead)
    int MinVersion() const override { return StreamSoundCompression == 2 ? 4 : 1; }
    void WriteTagBody(TBitsEngine& BE) override;
    void ReadFromStream(TBitsEngine& BE) override;

  private:
    bool HasLatencySeek_ = true;  // an MP3 head read without the word writes none back
};

class TSWFSoundStreamHead2 : public TSWFSoundStreamHead {
  public:
    TSWFSoundStreamHead2() { TagID = 45; }
    SWF_RECORD_COPY(TSWFSoundStreamHead2)
    int MinVersion() const override;
};

class TSWFSoundStreamBlock : public TSWFDataObject {
  public:
    uint8_t StreamSoundCompression = 0;
    uint16_t SampleCount = 0, SeekSamples = 0;  // MP3 streams only
    TSWFSoundStreamBlock() { TagID = 19; }
    SWF_RECORD_COPY(TSWFSoundStreamBlock)
    void WriteTagBody(TBitsEngine& BE) override;
    void ReadFromStream(TBitsEngine& BE) override;
    void SetReadContext(const TSWFReadContext& C) override { StreamSoundCompression = C.StreamCompression; }
};

// ---- Sprite -----------------------------------------------------------------------------------------------

class TSWFDefineSprite : public TSWFObject {
  public:
    uint16_t SpriteID = 0;
    uint16_t FrameCount = 0;
    TSWFObjectList ControlTags;
    TSWFReadContext Context;  // handed to the inner records when read

    TSWFDefineSprite() { TagID = 39; }
    SWF_RECORD_COPY(TSWFDefineSprite)
    int MinVersion() const override;
    void WriteTagBody(TBitsEngine& BE) override;
    void ReadFromStream(TBitsEngine& BE) override;
    void SetReadContext(const TSWFReadContext& C) override { Context = C; }
    void VisitDefinedIDs(const TIDVisitor& V) override { V(SpriteID); }
    void VisitReferences(const TIDVisitor& V) override;
};

// Parses one tag body into a new record from the factory. A record that fails to parse becomes a raw tag
// carrying the failure as its message. Bytes the record left unread are kept to be written back.
std::unique_ptr<TSWFObject> ReadTagRecord(uint16_t TagCode, const uint8_t* Body, size_t Length,
                                          bool LongHeader, const TSWFReadContext& Context);
