#include "FlashExternalMovie.h"

#include <algorithm>
#include <cctype>

#include "FlashMovie.h"
#include "FlashSprite.h"
#include "SWFFonts.h"
#include "SWFTags.h"
#include "SWFTexts.h"

namespace {
bool IsOneOf(uint16_t Code, std::initializer_list<uint16_t> Codes) {
    return std::find(Codes.begin(), Codes.end(), Code) != Codes.end();
}

// Tags of the imported file's header and framing that the importing movie writes for itself.
bool NeverImported(uint16_t Code) {
    return IsOneOf(Code, {0, 9, 24, 58, 64, 69, 77});
}

bool IsDisplayListTag(uint16_t Code) {
    return IsOneOf(Code, {4, 5, 15, 26, 28, 70});
}

// The control tags that move into the wrapping sprite in mode 3.
bool IsControlTag(uint16_t Code) {
    return IsOneOf(Code, {4, 5, 12, 15, 18, 19, 26, 28, 43, 45, 70});
}

bool IsCharacterTag(uint16_t Code) {
    return IsOneOf(Code,
                   {2, 6, 7, 10, 11, 14, 20, 21, 22, 32, 33, 34, 35, 36, 37, 39, 46, 48, 60, 75, 83, 84});
}

template <class TChar>
TChar Lower(TChar C) {
    return (C >= 'A' && C <= 'Z') ? static_cast<TChar>(C - 'A' + 'a') : C;
}
}  // namespace

uint16_t ImportedTagCode(const TSWFTagInfo& Info) {
    if (auto* Raw = dynamic_cast<const TSWFByteCodeTag*>(Info.SWFObject)) return Raw->OriginalTagID;
    if (Info.SWFObject) return Info.SWFObject->TagID;
    return Info.TagID;
}

template <class TString>
TString PrefixHTMLFontFaces(const TString& Text, const TString& Prefix) {
    static const char Face[] = "face";
    TString Out = Text;
    size_t Pos = 0;
    while (Pos + 4 <= Out.size()) {
        bool Match = true;
        for (size_t k = 0; k < 4 && Match; ++k)
            Match = Lower(Out[Pos + k]) == static_cast<typename TString::value_type>(Face[k]);
        if (!Match) {
            ++Pos;
            continue;
        }
        size_t Open = Pos + 4;
        while (Open < Out.size() && Out[Open] != '"' && Out[Open] != '\'') ++Open;
        if (Open >= Out.size()) break;
        Out.insert(Open + 1, Prefix);
        size_t Close = Out.find(Out[Open], Open + 1 + Prefix.size());
        if (Close == TString::npos) break;
        Pos = Close + 1;
    }
    return Out;
}

template std::string PrefixHTMLFontFaces(const std::string&, const std::string&);
template std::u16string PrefixHTMLFontFaces(const std::u16string&, const std::u16string&);

TFlashExternalMovie::TFlashExternalMovie(std::unique_ptr<TSWFStreamReader> Reader, uint8_t Mode)
    : Mode(Mode), Reader_(std::move(Reader)) {
    if (!Reader_) Reader_ = std::make_unique<TSWFStreamReader>();
    if (Mode == 3) {
        Sprite_ = std::make_unique<TFlashSprite>();
        Sprite_->SetFrameCount(Reader_->FrameCount);
    }
}

TFlashExternalMovie::~TFlashExternalMovie() = default;

void TFlashExternalMovie::Assign(const TBasedSWFObject&) {
    throw ESWFError("An imported movie cannot be copied");
}

std::unique_ptr<TBasedSWFObject> TFlashExternalMovie::Clone() const {
    throw ESWFError("An imported movie cannot be copied");
}

void TFlashExternalMovie::SetCharacterID(uint16_t ID) {
    TFlashIDObject::SetCharacterID(ID);
    if (Sprite_) Sprite_->SetCharacterID(ID);
}

void TFlashExternalMovie::OwnerChanged() {
    if (Sprite_) Sprite_->SetOwner(Owner_);
}

int TFlashExternalMovie::CharacterCount() const {
    int Count = 0;
    for (const auto& Info : Reader_->TagList) {
        const uint16_t Code = ImportedTagCode(*Info);
        if (IsCharacterTag(Code)) {
            ++Count;
        } else if (auto* Import = dynamic_cast<const TSWFImportAssets*>(Info->SWFObject)) {
            Count += static_cast<int>(Import->Assets.Entries.size());
        }
    }
    return Count;
}

void TFlashExternalMovie::WriteRaw(TBitsEngine& BE, const TSWFTagInfo& Info) {
    auto* Body = dynamic_cast<TMemoryStream*>(&Reader_->BodyStream());
    if (!Body) return;
    const int64_t From = std::clamp<int64_t>(Info.Position, 0, Body->Size());
    const int64_t N = std::clamp<int64_t>(Info.ByteSize(), 0, Body->Size() - From);
    BE.WriteBytes(Body->Memory() + From, static_cast<size_t>(N));
}

void TFlashExternalMovie::WriteRenamed(TBitsEngine& BE, TSWFObject& Record, const std::string& Prefix) {
    // A renamed copy is written, so the parsed file keeps its names for a later build.
    std::unique_ptr<TBasedSWFObject> Copy;
    if (auto* Info = dynamic_cast<TSWFDefineFontInfo*>(&Record); Info && !Info->CodeTable.empty()) {
        Copy = Info->Clone();
        auto& C = static_cast<TSWFDefineFontInfo&>(*Copy);
        C.FontName = Prefix + C.FontName;
    } else if (auto* Font = dynamic_cast<TSWFDefineFont2*>(&Record); Font && !Font->GlyphShapeTable.empty()) {
        Copy = Font->Clone();
        auto& C = static_cast<TSWFDefineFont2&>(*Copy);
        C.FontName = Prefix + C.FontName;
    } else if (auto* Edit = dynamic_cast<TSWFDefineEditText*>(&Record); Edit && Edit->HasText && Edit->HTML) {
        Copy = Edit->Clone();
        auto& C = static_cast<TSWFDefineEditText&>(*Copy);
        C.InitialText = PrefixHTMLFontFaces(C.InitialText, Prefix);
        if (!C.WideInitialText.empty())
            C.WideInitialText =
                PrefixHTMLFontFaces(C.WideInitialText, std::u16string(Prefix.begin(), Prefix.end()));
    }
    if (Copy)
        Copy->WriteToStream(BE);
    else
        Record.WriteToStream(BE);
}

std::unique_ptr<TBasedSWFObject> TFlashExternalMovie::ForMovieVersion(const TSWFObject& Record) const {
    auto* Place = dynamic_cast<const TSWFPlaceObject2*>(&Record);
    if (!Owner_ || !Place || !Place->HasClipActionRecords()) return nullptr;
    // Clip-event flags take two bytes before version 6 and four from it on.
    if ((Place->FormatVersion >= 6) == (Owner_->Version() >= 6)) return nullptr;
    auto Copy = Place->Clone();
    static_cast<TSWFPlaceObject2&>(*Copy).FormatVersion = Owner_->Version();
    return Copy;
}

void TFlashExternalMovie::WriteToStream(TBitsEngine& BE) {
    if (Reader_->TagList.empty()) return;
    std::string Prefix;
    if (RenameFonts) {
        uint32_t P = OnFontPrefix ? OnFontPrefix() : (Owner_ ? Owner_->Random(65535) : 0);
        Prefix = std::to_string(P);
    }
    if (Mode == 3) {
        if (!Sprite_) {
            Sprite_ = std::make_unique<TFlashSprite>(Owner_);
            Sprite_->SetCharacterID(CharacterID());
        }
        Sprite_->ObjectList().Clear();
        Sprite_->SetFrameCount(0);
    }
    for (const auto& InfoPtr : Reader_->TagList) {
        TSWFTagInfo& Info = *InfoPtr;
        const uint16_t Code = ImportedTagCode(Info);
        if (NeverImported(Code)) continue;
        if (Code == 1 && (Mode == 1 || Mode == 2)) continue;
        if (Mode == 1 && IsDisplayListTag(Code)) continue;
        if (OnImportTag) {
            bool Accept = true;
            OnImportTag(Info, Accept);
            if (!Accept) continue;
        }
        TSWFObject* Record = Info.SWFObject;
        if (Code == 1) {
            if (Mode == 3) {
                Sprite_->ShowFrame(1);
            } else {
                if (Record)
                    Record->WriteToStream(BE);
                else
                    WriteRaw(BE, Info);
                if (Owner_) ++Owner_->FrameCount;
            }
        } else if (!Record) {
            WriteRaw(BE, Info);
        } else if (IsControlTag(Code)) {
            std::unique_ptr<TBasedSWFObject> Copy = ForMovieVersion(*Record);
            if (Mode == 3)
                Sprite_->ObjectList().Add(Copy ? std::move(Copy) : Record->Clone());
            else
                (Copy ? *Copy : *Record).WriteToStream(BE);
        } else if (RenameFonts && IsOneOf(Code, {13, 62, 48, 75, 37})) {
            WriteRenamed(BE, *Record, Prefix);
        } else {
            Record->WriteToStream(BE);
        }
    }
    if (Mode == 3) Sprite_->WriteToStream(BE);
}
