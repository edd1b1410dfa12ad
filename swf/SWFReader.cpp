#include "SWFReader.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>

#include "SWFTags.h"

TSWFStreamReader::TSWFStreamReader(const std::string& FileName) {
    if (!FileName.empty()) LoadFromFile(FileName);
}

TSWFStreamReader::TSWFStreamReader(TStream& Stream) {
    LoadFromStream(Stream);
}

TMemoryStream& TSWFStreamReader::Body() {
    TStream& B = BodyStream();
    if (auto* M = dynamic_cast<TMemoryStream*>(&B)) return *M;
    // A body given as another kind of stream is taken into memory once.
    auto Copy = std::make_unique<TMemoryStream>();
    B.SetPosition(0);
    Copy->CopyFrom(B);
    SetBodyStream(nullptr);
    TMemoryStream& Own = static_cast<TMemoryStream&>(BodyStream());
    Own.Write(Copy->Memory(), Copy->Bytes().size());
    return Own;
}

bool TSWFStreamReader::CheckSignature(TStream& Stream) {
    IsValid = false;
    int64_t Start = Stream.Position();
    uint8_t Head[4] = {};
    size_t Got = Stream.Read(Head, 4);
    Stream.SetPosition(Start);
    if (Got < 4 || Head[1] != 'W' || Head[2] != 'S' || (Head[0] != 'F' && Head[0] != 'C')) return false;
    Compressed_ = Head[0] == 'C';
    IsValid = true;
    return true;
}

void TSWFStreamReader::LoadFromFile(const std::string& FileName) {
    TFileStream File(FileName, TFileStream::Mode::Read);
    LoadFromStream(File);
}

int TSWFStreamReader::ReadHeader(TStream& Stream, int Part) {
    int64_t Start = Stream.Position();
    if (Part == 0 || Part == 1) {
        uint8_t Head[8];
        if (Stream.Read(Head, 8) != 8) throw ESWFError("The SWF header is truncated");
        Signature_ = {static_cast<char>(Head[0]), static_cast<char>(Head[1]), static_cast<char>(Head[2])};
        Version_ = Head[3];
        FileLength_ = Head[4] | (Head[5] << 8) | (Head[6] << 16) | (static_cast<uint32_t>(Head[7]) << 24);
    }
    if (Part == 0 || Part == 2) {
        TBitsEngine BE(Stream);
        try {
            FrameSize = BE.ReadRect();
            FrameRate_ = BE.ReadWord();
            FrameCount = BE.ReadWord();
        } catch (const ESWFError&) {
            throw ESWFError("The SWF header is truncated");
        }
    }
    return static_cast<int>(Stream.Position() - Start);
}

namespace {
// Inflates the rest of Source, growing the output only as real data arrives, so a header that claims a huge
// length costs nothing until the data is there.
std::vector<uint8_t> InflateExactly(TStream& Source, uint64_t Wanted) {
    z_stream Z{};
    if (inflateInit(&Z) != Z_OK) throw ESWFError("zlib: cannot start decompression");
    std::vector<uint8_t> Out;
    Out.reserve(static_cast<size_t>(std::min<uint64_t>(Wanted, 1u << 20)));
    std::vector<uint8_t> In(1 << 16);
    std::vector<uint8_t> Chunk(1 << 16);
    int R = Z_OK;
    try {
        while (Out.size() < Wanted && R != Z_STREAM_END) {
            if (Z.avail_in == 0) {
                size_t Got = Source.Read(In.data(), In.size());
                if (Got == 0) break;
                Z.next_in = In.data();
                Z.avail_in = static_cast<uInt>(Got);
            }
            Z.next_out = Chunk.data();
            Z.avail_out = static_cast<uInt>(std::min<uint64_t>(Chunk.size(), Wanted - Out.size()));
            R = inflate(&Z, Z_NO_FLUSH);
            if (R != Z_OK && R != Z_STREAM_END && R != Z_BUF_ERROR)
                throw ESWFError(std::string("The compressed SWF data is corrupt (zlib: ") +
                                (Z.msg ? Z.msg : "error") + ")");
            Out.insert(Out.end(), Chunk.data(), Z.next_out);
            if (R == Z_BUF_ERROR && Z.avail_in != 0) break;
        }
    } catch (...) {
        inflateEnd(&Z);
        throw;
    }
    inflateEnd(&Z);
    if (Out.size() < Wanted)
        throw ESWFError("The compressed SWF data ends after " + std::to_string(Out.size()) +
                        " bytes, before the length its header gives (" + std::to_string(Wanted) + ")");
    return Out;
}
}  // namespace

void TSWFStreamReader::LoadFromStream(TStream& Stream) {
    if (!CheckSignature(Stream)) return;
    TagList.clear();
    SetBodyStream(nullptr);
    TMemoryStream& B = static_cast<TMemoryStream&>(BodyStream());
    B.Clear();
    if (Compressed_) {
        ReadHeader(Stream, 1);
        if (FileLength_ < 8) throw ESWFError("The SWF header gives a file length below its own size");
        std::vector<uint8_t> Data = InflateExactly(Stream, FileLength_ - 8);
        TBoundedReadStream Rest(Data.data(), Data.size());
        int Used = ReadHeader(Rest, 2);
        Data.erase(Data.begin(), Data.begin() + Used);
        B = TMemoryStream(std::move(Data));
    } else {
        ReadHeader(Stream, 0);
        B.CopyFrom(Stream);
    }
    B.SetPosition(0);
}

void TSWFStreamReader::ReadTags(bool CreateObjects, bool ParseActions) {
    TagList.clear();
    TMemoryStream& B = Body();
    const uint8_t* Data = B.Memory();
    const int64_t Size = B.Size();
    TSWFReadContext Context;
    Context.Version = Version_;
    Context.ParseActions = ParseActions;
    Context.VerifyWriteBack = VerifyRecords;
    uint16_t Frame = 1;
    int64_t Pos = 0;
    while (Pos < Size) {
        if (OnProgress) OnProgress(*this, static_cast<int>(std::lround(100.0 * Pos / Size)), 0);
        auto Info = std::make_unique<TSWFTagInfo>();
        Info->Position = static_cast<int32_t>(Pos);
        Info->Frame = Frame;
        auto Truncated = [&] {
            // The bytes of a tag header cut short by the end of the body stay in the list, to be copied back.
            Info->Length = static_cast<int32_t>(std::max<int64_t>(0, Size - Pos - 2));
            TagList.push_back(std::move(Info));
        };
        if (Size - Pos < 2) {
            Truncated();
            break;
        }
        uint16_t Header = Data[Pos] | (Data[Pos + 1] << 8);
        Info->TagID = Header >> 6;
        int64_t Length = Header & 63;
        int HeaderBytes = 2;
        if (Length == 63) {
            if (Size - Pos < 6) {
                Truncated();
                break;
            }
            Info->LongHeader = true;
            Length = Data[Pos + 2] | (Data[Pos + 3] << 8) | (Data[Pos + 4] << 16) |
                     (static_cast<int64_t>(Data[Pos + 5]) << 24);
            HeaderBytes = 6;
        }
        if (Info->TagID == 1) ++Frame;
        const int64_t BodyAt = Pos + HeaderBytes;
        // A tag cut short by the end of the body keeps the bytes there are, without a record.
        const bool Complete = BodyAt + Length <= Size;
        if (!Complete) Length = Size - BodyAt;
        Info->Length = static_cast<int32_t>(Length);
        bool Parse = CreateObjects && Complete;
        if (Parse && OnReadTag) OnReadTag(*Info, Parse);
        if (Parse) {
            auto Record = ReadTagRecord(Info->TagID, Data + BodyAt, static_cast<size_t>(Length),
                                        Info->LongHeader, Context);
            if (auto* Raw = dynamic_cast<TSWFByteCodeTag*>(Record.get());
                Raw && Raw->Message != "Uniknow tag")
                Info->TagID = TSWFByteCodeTag::RawTagID;
            if (auto* Head = dynamic_cast<TSWFSoundStreamHead*>(Record.get()))
                Context.StreamCompression = Head->StreamSoundCompression;
            if (auto* Sprite = dynamic_cast<TSWFDefineSprite*>(Record.get())) {
                for (const auto& Inner : Sprite->ControlTags) {
                    auto Sub = std::make_unique<TSWFTagInfo>();
                    Sub->TagID = Inner->TagID;
                    Sub->Length = Inner->BodySize;
                    Sub->LongHeader = Inner->BodySize >= 63 || Inner->ForceLongHeader;
                    Sub->SWFObject = Inner.get();
                    Info->SubTags.push_back(std::move(Sub));
                }
            }
            Info->SetOwnedObject(std::move(Record));
        }
        TagList.push_back(std::move(Info));
        Pos = BodyAt + Length;
    }
}

int TSWFStreamReader::FindIndexByID(uint16_t ID) const {
    for (size_t i = 0; i < TagList.size(); ++i) {
        TSWFObject* R = TagList[i]->SWFObject;
        if (!R) continue;
        bool Found = false;
        R->VisitDefinedIDs([&](uint16_t& Defined) { Found = Found || Defined == ID; });
        if (Found) return static_cast<int>(i);
    }
    return -1;
}

TSWFObject* TSWFStreamReader::FindObjectByID(uint16_t ID) const {
    int i = FindIndexByID(ID);
    return i < 0 ? nullptr : TagList[static_cast<size_t>(i)]->SWFObject;
}

TSWFObject* TSWFStreamReader::FindObjectByName(const std::string& Name) const {
    for (const auto& Info : TagList) {
        TSWFObject* R = Info->SWFObject;
        if (auto* Place = dynamic_cast<TSWFPlaceObject2*>(R)) {
            if (Place->HasName && Place->Name() == Name)
                if (TSWFObject* Def = FindObjectByID(Place->CharacterID())) return Def;
        } else if (auto* Sprite = dynamic_cast<TSWFDefineSprite*>(R)) {
            for (const auto& Inner : Sprite->ControlTags) {
                auto* P = dynamic_cast<TSWFPlaceObject2*>(Inner.get());
                if (P && P->HasName && P->HasCharacter && P->Name() == Name)
                    if (TSWFObject* Def = FindObjectByID(P->CharacterID())) return Def;
            }
        } else if (auto* Exports = dynamic_cast<TSWFExportAssets*>(R); Exports && R->TagID == 56) {
            for (const auto& E : Exports->Assets.Entries)
                if (E.Name == Name)
                    if (TSWFObject* Def = FindObjectByID(E.ID)) return Def;
        }
    }
    return nullptr;
}

void TSWFStreamReader::DeleteByName(bool DeletePlacement, bool DeleteDefinition, const std::string& Name) {
    for (size_t i = 0; i < TagList.size(); ++i) {
        TSWFObject* R = TagList[i]->SWFObject;
        if (auto* Place = dynamic_cast<TSWFPlaceObject2*>(R);
            Place && Place->HasName && Place->Name() == Name) {
            size_t PlaceIndex = i;
            if (DeleteDefinition) {
                int Def = FindIndexByID(Place->CharacterID());
                if (Def < 0)
                    throw ESWFError("The object \"" + Name + "\" has no definition of character " +
                                    std::to_string(Place->CharacterID()));
                DeleteTag(static_cast<size_t>(Def));
                if (static_cast<size_t>(Def) < PlaceIndex) --PlaceIndex;
            }
            if (DeleteDefinition || DeletePlacement) DeleteTag(PlaceIndex);
            return;
        }
        auto* Exports = dynamic_cast<TSWFExportAssets*>(R);
        if (DeleteDefinition && Exports && R->TagID == 56) {
            auto& Entries = Exports->Assets.Entries;
            for (size_t k = Entries.size(); k-- > 0;) {
                if (Entries[k].Name != Name) continue;
                int Def = FindIndexByID(Entries[k].ID);
                if (Def < 0) continue;
                Entries.erase(Entries.begin() + static_cast<std::ptrdiff_t>(k));
                size_t ExportIndex = i;
                DeleteTag(static_cast<size_t>(Def));
                if (static_cast<size_t>(Def) < ExportIndex) --ExportIndex;
                if (Entries.empty()) DeleteTag(ExportIndex);
                return;
            }
        }
    }
}

uint16_t TSWFStreamReader::RenumberIDs(uint16_t FirstID) {
    std::unordered_map<uint16_t, uint16_t> NewIDs;
    uint32_t Next = FirstID;
    for (const auto& Info : TagList) {
        TSWFObject* R = Info->SWFObject;
        if (!R) continue;
        bool Change = true;
        if (OnRenumber) {
            bool Defines = false;
            R->VisitDefinedIDs([&](uint16_t&) { Defines = true; });
            if (Defines) OnRenumber(*R, Change);
        }
        if (!Change) continue;
        R->VisitDefinedIDs([&](uint16_t& ID) {
            if (Next > 0xFFFF)
                throw ESWFError("Too many characters to renumber from " + std::to_string(FirstID));
            NewIDs.emplace(ID, static_cast<uint16_t>(Next));
            ID = static_cast<uint16_t>(Next++);
        });
    }
    for (const auto& Info : TagList) {
        if (!Info->SWFObject) continue;
        Info->SWFObject->VisitReferences([&](uint16_t& ID) {
            auto It = NewIDs.find(ID);
            if (It != NewIDs.end()) ID = It->second;
        });
    }
    return static_cast<uint16_t>(Next);
}

int TSWFStreamReader::FrameTagIndex(int Frame) {
    if (Frame <= 0) return 0;
    int Seen = 0;
    for (size_t i = 0; i < TagList.size(); ++i)
        if (TagList[i]->TagID == 1 && ++Seen == Frame) return static_cast<int>(i);
    return static_cast<int>(TagList.size()) - 1;
}

void TSWFStreamReader::BuildBody() {
    TMemoryStream& Old = Body();
    auto New = std::make_unique<TMemoryStream>();
    New->Reserve(static_cast<size_t>(Old.Size()));
    TBitsEngine BE(*New);
    const size_t Count = TagList.size();
    for (size_t i = 0; i < Count; ++i) {
        TSWFTagInfo& Info = *TagList[i];
        int32_t At = static_cast<int32_t>(New->Position());
        if (Info.SWFObject) {
            Info.SWFObject->WriteToStream(BE);
            Info.Length = Info.SWFObject->BodySize;
            Info.LongHeader = (New->Position() - At) > Info.Length + 2;
        } else {
            int64_t From = std::clamp<int64_t>(Info.Position, 0, Old.Size());
            int64_t N = std::clamp<int64_t>(Info.ByteSize(), 0, Old.Size() - From);
            New->Write(Old.Memory() + From, static_cast<size_t>(N));
        }
        Info.Position = At;
        if (OnProgress) OnProgress(*this, static_cast<int>(std::lround(100.0 * (i + 1) / Count)), 1);
    }
    New->SetPosition(0);
    SetBodyStream(nullptr);
    static_cast<TMemoryStream&>(BodyStream()) = std::move(*New);
}

void TSWFStreamReader::MoveDefinitions(int ToFrame, int FromFrame, int LastFrame) {
    static const uint16_t Movable[] = {6, 8, 10, 14, 20, 21, 35, 36, 48, 75};
    if (ToFrame > FromFrame) ToFrame = FromFrame;
    if (LastFrame == -1) LastFrame = FrameCount;
    if (LastFrame <= 0 || LastFrame < FromFrame) LastFrame = FromFrame;
    int64_t Insert = ToFrame <= 0 ? 0 : FrameTagIndex(ToFrame) + 1;
    int64_t First = FromFrame <= 1 ? 0 : FrameTagIndex(FromFrame - 1) + 1;
    int64_t Last = FrameTagIndex(LastFrame);
    std::vector<std::unique_ptr<TSWFTagInfo>> Moved;
    for (int64_t i = First; i <= Last && i < static_cast<int64_t>(TagList.size());) {
        auto At = TagList.begin() + i;
        if (std::find(std::begin(Movable), std::end(Movable), (*At)->TagID) != std::end(Movable)) {
            Moved.push_back(std::move(*At));
            TagList.erase(At);
            if (i < Insert) --Insert;
            --Last;
        } else {
            ++i;
        }
    }
    Insert = std::clamp<int64_t>(Insert, 0, static_cast<int64_t>(TagList.size()));
    TagList.insert(TagList.begin() + static_cast<std::ptrdiff_t>(Insert),
                   std::make_move_iterator(Moved.begin()), std::make_move_iterator(Moved.end()));
}
