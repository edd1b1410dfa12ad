#include "SWFTags.h"

#include <strings.h>
#include <algorithm>
#include <cstring>

#include "MD5.h"

namespace {
std::vector<uint8_t> ReadRest(TBitsEngine& BE) {
    std::vector<uint8_t> Bytes(static_cast<size_t>(BE.Stream->Remaining()));
    if (!Bytes.empty()) BE.ReadBytes(Bytes.data(), Bytes.size());
    return Bytes;
}

// Bytes written for a record body by its own writer, for comparisons with the bytes that were read.
std::vector<uint8_t> BodyBytes(TSWFObject& Record) {
    TMemoryStream S;
    TBitsEngine BE(S);
    Record.WriteTagBody(BE);
    BE.FlushLastByte(true);
    return S.TakeBytes();
}

void WriteBytes(TBitsEngine& BE, const std::vector<uint8_t>& Bytes) {
    if (!Bytes.empty()) BE.WriteBytes(Bytes.data(), Bytes.size());
}
}  // namespace

// ---- Control tags -----------------------------------------------------------------------------------------

void TSWFSetBackgroundColor::ReadFromStream(TBitsEngine& BE) {
    recRGB C = BE.ReadRGB();
    Color = TSWFRGB(C.R, C.G, C.B);
}

void TSWFFrameLabel::WriteTagBody(TBitsEngine& BE) {
    BE.WriteString(Name);
    if (IsAnchor) BE.WriteByte(1);
}

void TSWFFrameLabel::ReadFromStream(TBitsEngine& BE) {
    Name = BE.ReadString(0);
    IsAnchor = false;
    if (BE.Stream->Remaining() == 1) {
        int64_t At = BE.Stream->Position();
        if (BE.ReadByte() == 1)
            IsAnchor = true;
        else
            BE.Stream->SetPosition(At);  // an unknown byte is kept as a trailing byte
    }
}

void TSWFProtect::SetDigest(const std::string& D) {
    Digest_ = D;
    DigestBytes_.assign(D.begin(), D.end());
    DigestBytes_.push_back(0);
    HasDigest_ = true;
}

void TSWFProtect::WriteTagBody(TBitsEngine& BE) {
    if (!Password_.empty()) SetDigest(MD5Crypt(Password_, ""));
    if (!HasDigest_) return;
    BE.WriteWord(Reserved_);
    WriteBytes(BE, DigestBytes_);
}

void TSWFProtect::ReadFromStream(TBitsEngine& BE) {
    if (BE.Stream->Remaining() == 0) return;
    Reserved_ = BE.ReadWord();
    DigestBytes_ = ReadRest(BE);
    auto Zero = std::find(DigestBytes_.begin(), DigestBytes_.end(), 0);
    Digest_.assign(DigestBytes_.begin(), Zero);
    HasDigest_ = true;
}

void TSWFAssetList::Add(const std::string& Name, uint16_t ID) {
    for (auto& E : Entries)
        if (strcasecmp(E.Name.c_str(), Name.c_str()) == 0) {
            E.ID = ID;
            return;
        }
    Entries.push_back({ID, Name});
}

int TSWFAssetList::IndexOf(const std::string& Name) const {
    for (size_t i = 0; i < Entries.size(); ++i)
        if (Entries[i].Name == Name) return static_cast<int>(i);
    return -1;
}

void TSWFAssetList::Write(TBitsEngine& BE) const {
    BE.WriteWord(static_cast<uint16_t>(Entries.size()));
    for (const auto& E : Entries) {
        BE.WriteWord(E.ID);
        BE.WriteString(E.Name);
    }
}

// Entries are taken as they stand in the file, duplicates included, so that they write back unchanged.
void TSWFAssetList::Read(TBitsEngine& BE) {
    Entries.clear();
    uint16_t Count = BE.ReadWord();
    for (uint16_t i = 0; i < Count; ++i) {
        TEntry E;
        E.ID = BE.ReadWord();
        E.Name = BE.ReadString(0);
        Entries.push_back(std::move(E));
    }
}

void TSWFExportAssets::VisitReferences(const TIDVisitor& V) {
    for (auto& E : Assets.Entries) V(E.ID);
}

void TSWFImportAssets::WriteTagBody(TBitsEngine& BE) {
    BE.WriteString(URL);
    Assets.Write(BE);
}

void TSWFImportAssets::ReadFromStream(TBitsEngine& BE) {
    URL = BE.ReadString(0);
    Assets.Read(BE);
}

void TSWFImportAssets::VisitDefinedIDs(const TIDVisitor& V) {
    for (auto& E : Assets.Entries) V(E.ID);
}

void TSWFImportAssets2::WriteTagBody(TBitsEngine& BE) {
    BE.WriteString(URL);
    BE.WriteByte(Reserved1);
    BE.WriteByte(Reserved2);
    Assets.Write(BE);
}

void TSWFImportAssets2::ReadFromStream(TBitsEngine& BE) {
    URL = BE.ReadString(0);
    Reserved1 = BE.ReadByte();
    Reserved2 = BE.ReadByte();
    Assets.Read(BE);
}

void TSWFScriptLimits::WriteTagBody(TBitsEngine& BE) {
    BE.WriteWord(MaxRecursionDepth);
    BE.WriteWord(ScriptTimeoutSeconds);
}

void TSWFScriptLimits::ReadFromStream(TBitsEngine& BE) {
    MaxRecursionDepth = BE.ReadWord();
    ScriptTimeoutSeconds = BE.ReadWord();
}

void TSWFSetTabIndex::WriteTagBody(TBitsEngine& BE) {
    BE.WriteWord(Depth);
    BE.WriteWord(TabIndex);
}

void TSWFSetTabIndex::ReadFromStream(TBitsEngine& BE) {
    Depth = BE.ReadWord();
    TabIndex = BE.ReadWord();
}

void TSWFFileAttributes::WriteTagBody(TBitsEngine& BE) {
    BE.WriteByte(Flags);
    BE.WriteBytes(Reserved, 3);
}

void TSWFFileAttributes::ReadFromStream(TBitsEngine& BE) {
    Flags = BE.ReadByte();
    BE.ReadBytes(Reserved, 3);
}

void TSWFProductInfo::WriteTagBody(TBitsEngine& BE) {
    BE.WriteDWord(ProductID);
    BE.WriteDWord(Edition);
    BE.WriteByte(MajorVersion);
    BE.WriteByte(MinorVersion);
    BE.WriteDWord(BuildLow);
    BE.WriteDWord(BuildHigh);
    BE.WriteBytes(CompilationDate, 8);
}

void TSWFProductInfo::ReadFromStream(TBitsEngine& BE) {
    ProductID = BE.ReadDWord();
    Edition = BE.ReadDWord();
    MajorVersion = BE.ReadByte();
    MinorVersion = BE.ReadByte();
    BuildLow = BE.ReadDWord();
    BuildHigh = BE.ReadDWord();
    BE.ReadBytes(CompilationDate, 8);
}

void TSWFDefineScalingGrid::WriteTagBody(TBitsEngine& BE) {
    BE.WriteWord(CharacterID);
    BE.WriteRect(Splitter.Rect());
}

void TSWFDefineScalingGrid::ReadFromStream(TBitsEngine& BE) {
    CharacterID = BE.ReadWord();
    Splitter.SetRect(BE.ReadRect());
}

void TSWFDefineBinaryData::WriteTagBody(TBitsEngine& BE) {
    BE.WriteWord(CharacterID);
    BE.WriteDWord(Reserved);
    WriteData(BE);
}

void TSWFDefineBinaryData::ReadFromStream(TBitsEngine& BE) {
    CharacterID = BE.ReadWord();
    Reserved = BE.ReadDWord();
    ReadRestAsData(BE);
}

// ---- Display-list tags ------------------------------------------------------------------------------------

void TSWFRemoveObject::WriteTagBody(TBitsEngine& BE) {
    BE.WriteWord(CharacterID);
    BE.WriteWord(Depth);
}

void TSWFRemoveObject::ReadFromStream(TBitsEngine& BE) {
    CharacterID = BE.ReadWord();
    Depth = BE.ReadWord();
}

void TSWFPlaceObject::WriteTagBody(TBitsEngine& BE) {
    BE.WriteWord(CharacterID);
    BE.WriteWord(Depth);
    BE.WriteMatrix(Matrix.Rec());
    if (UseColorTransform || ColorTransform.HasAdd || ColorTransform.HasMult) {
        recColorTransform CX = ColorTransform.Rec();
        CX.HasAlpha = 0;
        BE.WriteColorTransform(CX);
    }
}

void TSWFPlaceObject::ReadFromStream(TBitsEngine& BE) {
    CharacterID = BE.ReadWord();
    Depth = BE.ReadWord();
    Matrix.SetRec(BE.ReadMatrix());
    UseColorTransform = BE.Stream->Remaining() > 0;
    if (UseColorTransform) ColorTransform.SetRec(BE.ReadColorTransform(false));
}

void WriteClipEventFlags(TBitsEngine& BE, uint32_t Events, uint8_t FormatVersion) {
    for (int i = 0; i < 16; ++i) BE.WriteBit(Events & (1u << i));
    if (FormatVersion >= 6) {
        BE.WriteBits(0u, 5);
        for (int i = 16; i < 19; ++i) BE.WriteBit(Events & (1u << i));
        BE.WriteBits(0u, 8);
    }
    BE.FlushLastByte(true);
}

uint32_t ReadClipEventFlags(TBitsEngine& BE, uint8_t FormatVersion) {
    uint32_t Events = 0;
    for (int i = 0; i < 16; ++i)
        if (BE.GetBit()) Events |= 1u << i;
    if (FormatVersion >= 6) {
        BE.GetBits(5);
        for (int i = 16; i < 19; ++i)
            if (BE.GetBit()) Events |= 1u << i;
        BE.GetBits(8);
    }
    BE.FlushLastByte(false);
    return Events;
}

void TSWFClipActionRecord::SetKeyCode(uint8_t K) {
    KeyCode_ = K;
    EventFlags = K ? (EventFlags | ceKeyPress) : (EventFlags & ~static_cast<uint32_t>(ceKeyPress));
}

void TSWFClipActionRecord::Write(TBitsEngine& BE, uint8_t FormatVersion) const {
    WriteClipEventFlags(BE, EventFlags, FormatVersion);
    int64_t SizeAt = BE.Stream->Position();
    BE.WriteDWord(0);
    if (EventFlags & ceKeyPress) BE.WriteByte(KeyCode_);
    WriteActions(BE, Actions);
    if (!ActionsEndWithZero(Actions)) BE.WriteByte(0);
    BE.FlushLastByte(true);
    int64_t End = BE.Stream->Position();
    BE.Stream->SetPosition(SizeAt);
    BE.WriteDWord(static_cast<uint32_t>(End - SizeAt - 4));
    BE.Stream->SetPosition(End);
}

void TSWFClipActionRecord::Read(TBitsEngine& BE, uint8_t FormatVersion, bool ParseActions) {
    EventFlags = ReadClipEventFlags(BE, FormatVersion);
    uint32_t Size = BE.ReadDWord();
    if (Size > BE.Stream->Remaining()) throw ESWFError("Clip action record runs past the end of the tag");
    int64_t End = BE.Stream->Position() + Size;
    if ((EventFlags & ceKeyPress) && Size > 0) {
        KeyCode_ = BE.ReadByte();
    }
    std::vector<uint8_t> Bytes(static_cast<size_t>(End - BE.Stream->Position()));
    if (!Bytes.empty()) BE.ReadBytes(Bytes.data(), Bytes.size());
    Actions.Clear();
    if (ParseActions && !Bytes.empty()) {
        TBoundedReadStream S(Bytes.data(), Bytes.size());
        TBitsEngine AE(S);
        try {
            ReadActions(AE, Actions, static_cast<int64_t>(Bytes.size()));
            TMemoryStream Check;
            TBitsEngine CE(Check);
            WriteActions(CE, Actions);
            if (!ActionsEndWithZero(Actions)) CE.WriteByte(0);
            if (Check.Bytes() == Bytes) return;
        } catch (const ESWFError&) {
        }
        Actions.Clear();  // actions that do not parse or re-encode exactly are kept as bytes
    }
    if (Bytes.size() == 1 && Bytes[0] == 0) return;  // a record without actions
    auto Raw = std::make_unique<TSWFActionByteCode>();
    Raw->SetBytes(std::move(Bytes));
    Actions.Add(std::move(Raw));
}

TSWFClipActionRecord* TSWFClipActions::AddRecord(uint32_t Events) {
    auto R = std::make_unique<TSWFClipActionRecord>();
    R->EventFlags = Events;
    AllEventFlags |= Events;
    return Records.Add(std::move(R));
}

void TSWFClipActions::Write(TBitsEngine& BE, uint8_t FormatVersion) const {
    BE.WriteWord(0);
    uint32_t All = AllEventFlags;
    for (const auto& R : Records) All |= R->EventFlags;
    WriteClipEventFlags(BE, All, FormatVersion);
    for (const auto& R : Records) R->Write(BE, FormatVersion);
    if (FormatVersion < 6)
        BE.WriteWord(0);
    else
        BE.WriteDWord(0);
}

void TSWFClipActions::Read(TBitsEngine& BE, uint8_t FormatVersion, bool ParseActions) {
    BE.ReadWord();
    AllEventFlags = ReadClipEventFlags(BE, FormatVersion);
    Records.Clear();
    for (;;) {
        int64_t At = BE.Stream->Position();
        if (ReadClipEventFlags(BE, FormatVersion) == 0) break;
        BE.Stream->SetPosition(At);
        auto R = std::make_unique<TSWFClipActionRecord>();
        R->Read(BE, FormatVersion, ParseActions);
        Records.Add(std::move(R));
    }
}

TSWFMatrix& TSWFPlaceObject2::Matrix() {
    if (!Matrix_) Matrix_.emplace();
    HasMatrix = true;
    return *Matrix_;
}

TSWFColorTransform& TSWFPlaceObject2::ColorTransform() {
    if (!ColorTransform_) {
        ColorTransform_.emplace();
        ColorTransform_->HasAlpha = true;
    }
    HasColorTransform = true;
    return *ColorTransform_;
}

TSWFClipActions& TSWFPlaceObject2::ClipActions() {
    if (!ClipActions_) ClipActions_.emplace();
    HasClipActions = true;
    return *ClipActions_;
}

int TSWFPlaceObject2::MinVersion() const {
    if (!HasClipActionRecords()) return 3;
    return std::max<int>(FormatVersion, 5);
}

void TSWFPlaceObject2::SetReadContext(const TSWFReadContext& C) {
    FormatVersion = C.Version;
    ParseActions = C.ParseActions;
}

void TSWFPlaceObject2::WriteTagBody(TBitsEngine& BE) {
    bool WithClipActions = HasClipActionRecords();
    BE.WriteBit(WithClipActions);
    BE.WriteBit(HasClipDepth);
    BE.WriteBit(HasName);
    BE.WriteBit(HasRatio);
    BE.WriteBit(HasColorTransform);
    BE.WriteBit(HasMatrix);
    BE.WriteBit(HasCharacter);
    BE.WriteBit(Move);
    WriteExtraFlags(BE);
    BE.WriteWord(Depth);
    WriteClassName(BE);
    if (HasCharacter) BE.WriteWord(CharacterID_);
    if (HasMatrix) BE.WriteMatrix(Matrix().Rec());
    if (HasColorTransform) {
        recColorTransform CX = ColorTransform().Rec();
        CX.HasAlpha = 1;
        BE.WriteColorTransform(CX);
    }
    if (HasRatio) BE.WriteWord(Ratio_);
    if (HasName) BE.WriteString(Name_);
    if (HasClipDepth) BE.WriteWord(ClipDepth_);
    WriteAfterClipDepth(BE);
    if (WithClipActions) {
        FormatVersion = static_cast<uint8_t>(std::max<int>(FormatVersion, MinVersion()));
        ClipActions_->Write(BE, FormatVersion);
    }
}

void TSWFPlaceObject2::ReadFromStream(TBitsEngine& BE) {
    HasClipActions = BE.GetBit();
    HasClipDepth = BE.GetBit();
    HasName = BE.GetBit();
    HasRatio = BE.GetBit();
    HasColorTransform = BE.GetBit();
    HasMatrix = BE.GetBit();
    HasCharacter = BE.GetBit();
    Move = BE.GetBit();
    BE.FlushLastByte(false);
    ReadExtraFlags(BE);
    Depth = BE.ReadWord();
    ReadClassName(BE);
    if (HasCharacter) CharacterID_ = BE.ReadWord();
    if (HasMatrix) {
        Matrix_.emplace();
        Matrix_->SetRec(BE.ReadMatrix());
    }
    if (HasColorTransform) {
        ColorTransform_.emplace();
        ColorTransform_->SetRec(BE.ReadColorTransform(true));
    }
    if (HasRatio) Ratio_ = BE.ReadWord();
    if (HasName) Name_ = BE.ReadString(0);
    if (HasClipDepth) ClipDepth_ = BE.ReadWord();
    ReadAfterClipDepth(BE);
    if (HasClipActions) {
        ClipActions_.emplace();
        ClipActions_->Read(BE, FormatVersion, ParseActions);
    }
}

int TSWFPlaceObject3::MinVersion() const {
    int V = TSWFPlaceObject2::MinVersion();
    if (AsPlaceObject2) return V;
    return std::max(V, (HasImage || HasClassName) ? 9 : 8);
}

TSWFFilterList& TSWFPlaceObject3::SurfaceFilterList() {
    HasFilterList = true;
    return Filters_;
}

void TSWFPlaceObject3::WriteTagBody(TBitsEngine& BE) {
    TagID = AsPlaceObject2 ? 26 : 70;
    TSWFPlaceObject2::WriteTagBody(BE);
}

void TSWFPlaceObject3::WriteExtraFlags(TBitsEngine& BE) {
    if (AsPlaceObject2) return;
    BE.WriteBit(Reserved);
    BE.WriteBit(HasOpaqueBackground);
    BE.WriteBit(HasVisible);
    BE.WriteBit(HasImage);
    BE.WriteBit(HasClassName);
    BE.WriteBit(HasCacheAsBitmap);
    BE.WriteBit(HasBlendMode);
    BE.WriteBit(HasFilterList && !Filters_.Empty());
}

void TSWFPlaceObject3::ReadExtraFlags(TBitsEngine& BE) {
    Reserved = BE.GetBit();
    HasOpaqueBackground = BE.GetBit();
    HasVisible = BE.GetBit();
    HasImage = BE.GetBit();
    HasClassName = BE.GetBit();
    HasCacheAsBitmap = BE.GetBit();
    HasBlendMode = BE.GetBit();
    HasFilterList = BE.GetBit();
    BE.FlushLastByte(false);
}

void TSWFPlaceObject3::WriteClassName(TBitsEngine& BE) {
    if (AsPlaceObject2) return;
    if (HasClassName) BE.WriteString(ClassName_);
}

// Flash writes the class name only with its own flag, also for placements of images by character.
void TSWFPlaceObject3::ReadClassName(TBitsEngine& BE) {
    if (HasClassName) ClassName_ = BE.ReadString(0);
}

void TSWFPlaceObject3::WriteAfterClipDepth(TBitsEngine& BE) {
    if (AsPlaceObject2) return;
    if (HasFilterList && !Filters_.Empty()) Filters_.WriteToStream(BE);
    if (HasBlendMode) BE.WriteByte(BlendMode);
    // A player reads the bitmap-cache, visibility and background fields whenever their flags say so.
    if (HasCacheAsBitmap) BE.WriteByte(BitmapCache);
    if (HasVisible) BE.WriteByte(Visible);
    if (HasOpaqueBackground) BE.WriteRGBA(BackgroundColor.PackedRGBA());
}

void TSWFPlaceObject3::ReadAfterClipDepth(TBitsEngine& BE) {
    if (HasFilterList) Filters_.ReadFromStream(BE);
    if (HasBlendMode) BlendMode = BE.ReadByte();
    // Some writers set the bitmap-cache flag without its byte at the very end of the tag.
    if (HasCacheAsBitmap && BE.Stream->Remaining() > 0) BitmapCache = BE.ReadByte();
    if (HasVisible) Visible = BE.ReadByte();
    if (HasOpaqueBackground) BackgroundColor.Read(BE, true);
}

// ---- Action containers ------------------------------------------------------------------------------------

TSWFDoAction::TSWFDoAction(const TSWFDoAction& O)
    : TSWFObject(O), ParseActions(O.ParseActions), Own_(O.Actions()), NoEndByte_(O.NoEndByte_) {}

TSWFDoAction& TSWFDoAction::operator=(const TSWFDoAction& O) {
    if (this == &O) return *this;
    TSWFObject::operator=(O);
    ParseActions = O.ParseActions;
    Actions() = O.Actions();
    NoEndByte_ = O.NoEndByte_;
    return *this;
}

void TSWFDoAction::WriteTagBody(TBitsEngine& BE) {
    WriteActions(BE, Actions());
    if (!NoEndByte_) BE.WriteByte(0);
}

void TSWFDoAction::ReadFromStream(TBitsEngine& BE) {
    ReadActionBody(BE);
}

void TSWFDoAction::ReadActionBody(TBitsEngine& BE) {
    std::vector<uint8_t> Bytes = ReadRest(BE);
    TSWFActionList& List = Actions();
    List.Clear();
    NoEndByte_ = false;
    if (ParseActions) {
        TBoundedReadStream S(Bytes.data(), Bytes.size());
        TBitsEngine AE(S);
        try {
            ReadActions(AE, List, static_cast<int64_t>(Bytes.size()));
            TMemoryStream Check;
            TBitsEngine CE(Check);
            WriteActions(CE, List);
            CE.WriteByte(0);
            if (Check.Bytes() == Bytes) return;
        } catch (const ESWFError&) {
        }
        List.Clear();  // a script that does not parse or re-encode exactly is kept as bytes
    }
    if (!Bytes.empty() && Bytes.back() == 0)
        Bytes.pop_back();
    else
        NoEndByte_ = true;
    if (Bytes.empty()) return;
    auto Raw = std::make_unique<TSWFActionByteCode>();
    Raw->SetBytes(std::move(Bytes));
    List.Add(std::move(Raw));
}

void TSWFDoInitAction::WriteTagBody(TBitsEngine& BE) {
    BE.WriteWord(SpriteID);
    TSWFDoAction::WriteTagBody(BE);
}

void TSWFDoInitAction::ReadFromStream(TBitsEngine& BE) {
    SpriteID = BE.ReadWord();
    ReadActionBody(BE);
}

// ---- Bitmap tags ------------------------------------------------------------------------------------------

namespace {
bool StartsWithSOI(const uint8_t* P, size_t N) {
    return N >= 2 && P[0] == 0xFF && P[1] == 0xD8;
}
}  // namespace

void TSWFJPEGData::AssignFrom(const TBasedSWFObject& Source) {
    TSWFDataObject::AssignFrom(Source);
}

void TSWFJPEGData::WriteJPEG(TBitsEngine& BE) {
    if (OnDataWrite) {
        OnDataWrite(BE);
        return;
    }
    const uint8_t* P = Data_ ? Data_->Memory() : nullptr;
    size_t N = Data_ ? Data_->Bytes().size() : 0;
    if (Framed) {
        BE.WriteBytes(P, N);
        return;
    }
    static const uint8_t SOI[2] = {0xFF, 0xD8}, EOI[2] = {0xFF, 0xD9};
    if (StartsWithSOI(P, N)) {
        BE.WriteBytes(EOI, 2);
        BE.WriteBytes(SOI, 2);
        BE.WriteBytes(P, N);
    } else {
        BE.WriteBytes(SOI, 2);
        if (N) BE.WriteBytes(P, N);
        BE.WriteBytes(EOI, 2);
    }
}

// Data holds the image without the framing markers; bytes that the framing would not reproduce (PNG or GIF
// data, unusual marker sequences) are kept whole and written back as they are.
void TSWFJPEGData::ReadJPEG(TBitsEngine& BE, int64_t Count) {
    std::vector<uint8_t> B(static_cast<size_t>(Count));
    if (Count) BE.ReadBytes(B.data(), B.size());
    const size_t N = B.size();
    Framed = false;
    if (N >= 6 && B[0] == 0xFF && B[1] == 0xD9 && B[2] == 0xFF && B[3] == 0xD8 &&
        StartsWithSOI(&B[4], N - 4)) {
        Data_ = std::make_shared<TMemoryStream>(std::vector<uint8_t>(B.begin() + 4, B.end()));
    } else if (N >= 4 && StartsWithSOI(B.data(), N) && B[N - 2] == 0xFF && B[N - 1] == 0xD9 &&
               !StartsWithSOI(&B[2], N - 2)) {
        Data_ = std::make_shared<TMemoryStream>(std::vector<uint8_t>(B.begin() + 2, B.end() - 2));
    } else {
        Framed = true;
        Data_ = std::make_shared<TMemoryStream>(std::move(B));
    }
}

void TSWFDefineBits::WriteTagBody(TBitsEngine& BE) {
    BE.WriteWord(CharacterID);
    WriteJPEG(BE);
}

void TSWFDefineBits::ReadFromStream(TBitsEngine& BE) {
    CharacterID = BE.ReadWord();
    ReadJPEG(BE, BE.Stream->Remaining());
}

TMemoryStream& TSWFDefineBitsJPEG3::AlphaData() {
    if (!AlphaData_) AlphaData_ = std::make_shared<TMemoryStream>();
    return *AlphaData_;
}

void TSWFDefineBitsJPEG3::AssignFrom(const TBasedSWFObject& Source) {
    TSWFDefineBits::AssignFrom(Source);
    if (AlphaData_) AlphaData_ = std::make_shared<TMemoryStream>(AlphaData_->Bytes());
}

void TSWFDefineBitsJPEG3::WriteTagBody(TBitsEngine& BE) {
    BE.WriteWord(CharacterID);
    int64_t OffsetAt = BE.Stream->Position();
    BE.WriteDWord(0);
    WriteJPEG(BE);
    BE.FlushLastByte(true);
    int64_t End = BE.Stream->Position();
    BE.Stream->SetPosition(OffsetAt);
    BE.WriteDWord(static_cast<uint32_t>(End - OffsetAt - 4));
    BE.Stream->SetPosition(End);
    if (OnAlphaWrite)
        OnAlphaWrite(BE);
    else if (AlphaData_ && AlphaData_->Size())
        BE.WriteBytes(AlphaData_->Memory(), AlphaData_->Bytes().size());
}

void TSWFDefineBitsJPEG3::ReadFromStream(TBitsEngine& BE) {
    CharacterID = BE.ReadWord();
    uint32_t Offset = BE.ReadDWord();
    if (Offset > BE.Stream->Remaining()) throw ESWFError("DefineBitsJPEG3: alpha data offset beyond the tag");
    ReadJPEG(BE, Offset);
    AlphaData_ = std::make_shared<TMemoryStream>(ReadRest(BE));
}

void TSWFDefineBitsLossless::WriteTagBody(TBitsEngine& BE) {
    BE.WriteWord(CharacterID);
    BE.WriteByte(BitmapFormat);
    BE.WriteWord(BitmapWidth);
    BE.WriteWord(BitmapHeight);
    if (BitmapFormat == 3) BE.WriteByte(BitmapColorTableSize);
    WriteData(BE);
}

void TSWFDefineBitsLossless::ReadFromStream(TBitsEngine& BE) {
    CharacterID = BE.ReadWord();
    BitmapFormat = BE.ReadByte();
    BitmapWidth = BE.ReadWord();
    BitmapHeight = BE.ReadWord();
    if (BitmapFormat == 3) BitmapColorTableSize = BE.ReadByte();
    ReadRestAsData(BE);
}

// ---- Sound tags -------------------------------------------------------------------------------------------

int TSWFDefineSound::MinVersion() const {
    if (SoundFormat == 2 || SoundFormat == 3) return 4;
    if (SoundFormat == 6) return 6;
    return 1;
}

void TSWFDefineSound::WriteTagBody(TBitsEngine& BE) {
    BE.WriteWord(SoundID);
    BE.WriteBits(static_cast<uint32_t>(SoundFormat), 4);
    BE.WriteBits(static_cast<uint32_t>(SoundRate), 2);
    BE.WriteBits(static_cast<uint32_t>(SoundSize), 1);
    BE.WriteBits(static_cast<uint32_t>(SoundType), 1);
    BE.WriteDWord(SoundSampleCount);
    if (SoundFormat == 2) BE.WriteWord(SeekSamples);
    WriteData(BE);
}

void TSWFDefineSound::ReadFromStream(TBitsEngine& BE) {
    SoundID = BE.ReadWord();
    SoundFormat = static_cast<uint8_t>(BE.GetBits(4));
    SoundRate = static_cast<uint8_t>(BE.GetBits(2));
    SoundSize = static_cast<uint8_t>(BE.GetBits(1));
    SoundType = static_cast<uint8_t>(BE.GetBits(1));
    BE.FlushLastByte(false);
    SoundSampleCount = BE.ReadDWord();
    if (SoundFormat == 2) SeekSamples = BE.ReadWord();
    ReadRestAsData(BE);
}

void TSWFSoundInfo::Write(TBitsEngine& BE) const {
    bool Envelopes = HasEnvelope || !Envelope.empty();
    BE.WriteBits(static_cast<uint32_t>(Reserved), 2);
    BE.WriteBit(SyncStop);
    BE.WriteBit(SyncNoMultiple);
    BE.WriteBit(Envelopes);
    BE.WriteBit(HasLoops);
    BE.WriteBit(HasOutPoint);
    BE.WriteBit(HasInPoint);
    if (HasInPoint) BE.WriteDWord(InPoint_);
    if (HasOutPoint) BE.WriteDWord(OutPoint_);
    if (HasLoops) BE.WriteWord(LoopCount_);
    if (Envelopes) {
        BE.WriteByte(static_cast<uint8_t>(Envelope.size()));
        for (const auto& E : Envelope) {
            BE.WriteDWord(E.Pos44);
            BE.WriteWord(E.LeftLevel);
            BE.WriteWord(E.RightLevel);
        }
    }
}

void TSWFSoundInfo::Read(TBitsEngine& BE) {
    Reserved = static_cast<uint8_t>(BE.GetBits(2));
    SyncStop = BE.GetBit();
    SyncNoMultiple = BE.GetBit();
    HasEnvelope = BE.GetBit();
    HasLoops = BE.GetBit();
    HasOutPoint = BE.GetBit();
    HasInPoint = BE.GetBit();
    BE.FlushLastByte(false);
    if (HasInPoint) InPoint_ = BE.ReadDWord();
    if (HasOutPoint) OutPoint_ = BE.ReadDWord();
    if (HasLoops) LoopCount_ = BE.ReadWord();
    Envelope.clear();
    if (HasEnvelope) {
        uint8_t N = BE.ReadByte();
        for (int i = 0; i < N; ++i) {
            TSWFSoundEnvelope E;
            E.Pos44 = BE.ReadDWord();
            E.LeftLevel = BE.ReadWord();
            E.RightLevel = BE.ReadWord();
            Envelope.push_back(E);
        }
    }
}

void TSWFStartSound::WriteTagBody(TBitsEngine& BE) {
    BE.WriteWord(SoundID);
    SoundInfo.Write(BE);
}

void TSWFStartSound::ReadFromStream(TBitsEngine& BE) {
    SoundID = BE.ReadWord();
    SoundInfo.Read(BE);
}

void TSWFStartSound2::WriteTagBody(TBitsEngine& BE) {
    BE.WriteString(SoundClassName);
    SoundInfo.Write(BE);
}

void TSWFStartSound2::ReadFromStream(TBitsEngine& BE) {
    SoundClassName = BE.ReadString(0);
    SoundInfo.Read(BE);
}

void TSWFSoundStreamHead::WriteTagBody(TBitsEngine& BE) {
    BE.WriteBits(static_cast<uint32_t>(Reserved), 4);
    BE.WriteBits(static_cast<uint32_t>(PlaybackSoundRate), 2);
    BE.WriteBits(static_cast<uint32_t>(PlaybackSoundSize), 1);
    BE.WriteBits(static_cast<uint32_t>(PlaybackSoundType), 1);
    BE.WriteBits(static_cast<uint32_t>(StreamSoundCompression), 4);
    BE.WriteBits(static_cast<uint32_t>(StreamSoundRate), 2);
    BE.WriteBits(static_cast<uint32_t>(StreamSoundSize), 1);
    BE.WriteBits(static_cast<uint32_t>(StreamSoundType), 1);
    BE.WriteWord(StreamSoundSampleCount);
    if (StreamSoundCompression == 2 && HasLatencySeek_) BE.WriteWord(LatencySeek);
}

void TSWFSoundStreamHead::ReadFromStream(TBitsEngine& BE) {
    Reserved = static_cast<uint8_t>(BE.GetBits(4));
    PlaybackSoundRate = static_cast<uint8_t>(BE.GetBits(2));
    PlaybackSoundSize = static_cast<uint8_t>(BE.GetBits(1));
    PlaybackSoundType = static_cast<uint8_t>(BE.GetBits(1));
    StreamSoundCompression = static_cast<uint8_t>(BE.GetBits(4));
    StreamSoundRate = static_cast<uint8_t>(BE.GetBits(2));
    StreamSoundSize = static_cast<uint8_t>(BE.GetBits(1));
    StreamSoundType = static_cast<uint8_t>(BE.GetBits(1));
    BE.FlushLastByte(false);
    StreamSoundSampleCount = BE.ReadWord();
    HasLatencySeek_ = StreamSoundCompression == 2 && BE.Stream->Remaining() > 0;
    if (HasLatencySeek_) LatencySeek = BE.ReadWord();
}

int TSWFSoundStreamHead2::MinVersion() const {
    if (StreamSoundCompression == 2) return 4;
    if (StreamSoundCompression == 6) return 6;
    return 3;
}

void TSWFSoundStreamBlock::WriteTagBody(TBitsEngine& BE) {
    if (StreamSoundCompression == 2) {
        BE.WriteWord(SampleCount);
        BE.WriteWord(SeekSamples);
    }
    WriteData(BE);
}

void TSWFSoundStreamBlock::ReadFromStream(TBitsEngine& BE) {
    if (StreamSoundCompression == 2) {
        SampleCount = BE.ReadWord();
        SeekSamples = BE.ReadWord();
    }
    ReadRestAsData(BE);
}

// ---- Sprite -----------------------------------------------------------------------------------------------

int TSWFDefineSprite::MinVersion() const {
    int V = 3;
    for (const auto& R : ControlTags) V = std::max(V, R->MinVersion());
    return V;
}

void TSWFDefineSprite::WriteTagBody(TBitsEngine& BE) {
    BE.WriteWord(SpriteID);
    BE.WriteWord(FrameCount);
    for (const auto& R : ControlTags) R->WriteToStream(BE);
    if (ControlTags.Empty() || ControlTags.Last()->TagID != 0) BE.WriteWord(0);
}

void TSWFDefineSprite::ReadFromStream(TBitsEngine& BE) {
    SpriteID = BE.ReadWord();
    FrameCount = BE.ReadWord();
    ControlTags.Clear();
    TSWFReadContext Inner = Context;
    Inner.StreamCompression = 0;
    while (BE.Stream->Remaining() >= 2) {
        uint16_t Header = BE.ReadWord();
        if (Header == 0) {
            ControlTags.Add(std::make_unique<TSWFEnd>());
            return;
        }
        uint16_t Code = Header >> 6;
        uint32_t Length = Header & 63;
        bool Long = Length == 63;
        if (Long) Length = BE.ReadDWord();
        if (Length > BE.Stream->Remaining()) throw ESWFError("Sprite tag runs past the end of the sprite");
        std::vector<uint8_t> Body(Length);
        if (Length) BE.ReadBytes(Body.data(), Length);
        auto Record = ReadTagRecord(Code, Body.data(), Length, Long, Inner);
        if (auto* Head = dynamic_cast<TSWFSoundStreamHead*>(Record.get()))
            Inner.StreamCompression = Head->StreamSoundCompression;
        ControlTags.Add(std::move(Record));
    }
    // A sprite without its End tag must not gain one when written back.
    throw ESWFError("Sprite without End tag");
}

void TSWFDefineSprite::VisitReferences(const TIDVisitor& V) {
    for (const auto& R : ControlTags) R->VisitReferences(V);
}

// ---- Reading one tag --------------------------------------------------------------------------------------

std::unique_ptr<TSWFObject> ReadTagRecord(uint16_t TagCode, const uint8_t* Body, size_t Length,
                                          bool LongHeader, const TSWFReadContext& Context) {
    auto MakeRaw = [&](const std::string& Message) {
        auto Raw = std::make_unique<TSWFByteCodeTag>();
        Raw->OriginalTagID = TagCode;
        Raw->Message = Message;
        Raw->BodySize = static_cast<int32_t>(Length);
        Raw->ForceLongHeader = LongHeader && Length < 63;
        Raw->ForceShortHeader = !LongHeader;
        Raw->Data().Write(Body, Length);
        return Raw;
    };
    if ((TagCode == 0 || TagCode == 1) && Length > 0) return MakeRaw("End or ShowFrame with a body");
    std::unique_ptr<TSWFObject> Record = CreateSWFObject(TagCode);
    Record->ForceLongHeader = LongHeader && Length < 63;
    Record->ForceShortHeader = !LongHeader;
    Record->BodySize = static_cast<int32_t>(Length);
    {
        // Empty bodies are parsed too: a record that needs fields fails and stays raw, so it cannot gain
        // bytes.
        try {
            Record->SetReadContext(Context);
            TBoundedReadStream S(Body, Length);
            TBitsEngine BE(S);
            Record->ReadFromStream(BE);
            BE.FlushLastByte(false);
            if (S.Remaining() > 0) Record->TrailingBytes.assign(Body + S.Position(), Body + Length);
        } catch (const std::exception& E) {
            return MakeRaw(E.what());
        }
    }
    if (Context.VerifyWriteBack && dynamic_cast<TSWFByteCodeTag*>(Record.get()) == nullptr) {
        try {
            std::vector<uint8_t> Again = BodyBytes(*Record);
            if (!Record->TrailingBytes.empty())
                Again.insert(Again.end(), Record->TrailingBytes.begin(), Record->TrailingBytes.end());
            if (Again.size() != Length || (Length && std::memcmp(Again.data(), Body, Length) != 0))
                return MakeRaw("Record does not write back the bytes it was read from");
        } catch (const std::exception& E) {
            return MakeRaw(E.what());
        }
    }
    return Record;
}
