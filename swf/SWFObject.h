// The roots of every SWF record, the tag framing, and the movie container that writes a complete SWF file.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "BitsEngine.h"
#include "Stream.h"

// An owning list whose copy is a deep copy: every element is cloned into a new object of its own class.
template <class T>
class TObjectList {
  public:
    TObjectList() = default;
    TObjectList(const TObjectList& Other) { CopyFrom(Other); }
    TObjectList& operator=(const TObjectList& Other) {
        if (this != &Other) {
            Items_.clear();
            CopyFrom(Other);
        }
        return *this;
    }
    TObjectList(TObjectList&&) noexcept = default;
    TObjectList& operator=(TObjectList&&) noexcept = default;

    template <class U>
    U* Add(std::unique_ptr<U> Item) {
        U* P = Item.get();
        Items_.push_back(std::move(Item));
        return P;
    }
    template <class U>
    U* Insert(size_t Index, std::unique_ptr<U> Item) {
        U* P = Item.get();
        Items_.insert(Items_.begin() + static_cast<std::ptrdiff_t>(Index), std::move(Item));
        return P;
    }
    std::unique_ptr<T> Extract(size_t Index) {
        std::unique_ptr<T> P = std::move(Items_.at(Index));
        Items_.erase(Items_.begin() + static_cast<std::ptrdiff_t>(Index));
        return P;
    }
    void Delete(size_t Index) { Extract(Index); }
    void Clear() { Items_.clear(); }
    size_t Count() const { return Items_.size(); }
    bool Empty() const { return Items_.empty(); }
    T* operator[](size_t Index) const { return Items_[Index].get(); }
    T* At(size_t Index) const { return Items_.at(Index).get(); }
    T* Last() const { return Items_.empty() ? nullptr : Items_.back().get(); }
    auto begin() const { return Items_.begin(); }
    auto end() const { return Items_.end(); }

  private:
    void CopyFrom(const TObjectList& Other) {
        Items_.reserve(Other.Items_.size());
        for (const auto& Item : Other.Items_)
            Items_.push_back(std::unique_ptr<T>(static_cast<T*>(Item->Clone().release())));
    }
    std::vector<std::unique_ptr<T>> Items_;
};

// What a reader knows about the file a record is parsed from.
struct TSWFReadContext {
    uint8_t Version = 5;
    bool ParseActions = false;
    uint8_t StreamCompression = 0;  // of the last SoundStreamHead read before the record
    // Records that do not write back exactly the bytes they were read from are kept raw instead.
    bool VerifyWriteBack = false;
};

class TBasedSWFObject {
  public:
    virtual ~TBasedSWFObject() = default;
    // Copies the fields of Source (a record of the same class); data streams are shared.
    virtual void Assign(const TBasedSWFObject& Source) = 0;
    // Like Assign, but records with a data stream copy the data into a stream of their own.
    virtual void AssignFrom(const TBasedSWFObject& Source) { Assign(Source); }
    virtual std::unique_ptr<TBasedSWFObject> Clone() const = 0;
    virtual int LibraryLevel() const { return 0; }
    virtual int MinVersion() const { return 1; }
    virtual void WriteToStream(TBitsEngine& BE) = 0;
    virtual void ReadFromStream(TBitsEngine&) {}
};

// Declares Assign and Clone of a record class through its copy constructor and copy assignment.
#define SWF_RECORD_COPY(Class)                                \
    void Assign(const TBasedSWFObject& Source) override {     \
        *this = dynamic_cast<const Class&>(Source);           \
    }                                                         \
    std::unique_ptr<TBasedSWFObject> Clone() const override { \
        return std::make_unique<Class>(*this);                \
    }

using TIDVisitor = std::function<void(uint16_t& ID)>;

class TSWFObject : public TBasedSWFObject {
  public:
    int32_t BodySize = 0;
    uint16_t TagID = 0;
    // Set for a tag read with the 32-bit length although its body is short, so it writes back the same
    // header.
    bool ForceLongHeader = false;
    // Set for a tag read with the short header although its code normally takes the long one.
    bool ForceShortHeader = false;
    // Bytes of a read body that followed the fields its record parsed; written back after the body.
    std::vector<uint8_t> TrailingBytes;

    void WriteToStream(TBitsEngine& BE) override;
    virtual void WriteTagBody(TBitsEngine&) {}
    // The tag header and body, for any tag code.
    void WriteFramed(TBitsEngine& BE);
    // Context from the reader, handed over before ReadFromStream.
    virtual void SetReadContext(const TSWFReadContext&) {}
    // The character IDs this record defines (one for most definitions, several for ImportAssets).
    virtual void VisitDefinedIDs(const TIDVisitor&) {}
    // The character IDs this record refers to.
    virtual void VisitReferences(const TIDVisitor&) {}
    // True for tag codes that always use the long header.
    static bool AlwaysLongHeader(uint16_t TagID) {
        return TagID == 19 || TagID == 20 || TagID == 36 || TagID == 60;
    }
};

using TSWFObjectList = TObjectList<TSWFObject>;

// A record whose body is mostly opaque bytes. Data is shared between copies made by Assign.
class TSWFDataObject : public TSWFObject {
  public:
    std::function<void(TBitsEngine&)> OnDataWrite;

    TMemoryStream& Data();
    const std::shared_ptr<TMemoryStream>& DataStream() const { return Data_; }
    void SetDataStream(std::shared_ptr<TMemoryStream> S) { Data_ = std::move(S); }
    int32_t DataSize() const { return Data_ ? static_cast<int32_t>(Data_->Size()) : 0; }
    void SetDataSize(int32_t Size) { Data().SetSize(Size); }
    bool OwnsData() const { return Data_ && Data_.use_count() == 1; }
    void AssignFrom(const TBasedSWFObject& Source) override;

  protected:
    // Writes the data (through OnDataWrite when it is set).
    void WriteData(TBitsEngine& BE);
    // Reads every byte left in the body into Data.
    void ReadRestAsData(TBitsEngine& BE);
    std::shared_ptr<TMemoryStream> Data_;
};

// A tag kept as raw bytes.
class TSWFByteCodeTag : public TSWFDataObject {
  public:
    static constexpr uint16_t RawTagID = 240;
    uint16_t OriginalTagID = 0;
    std::string Message;

    TSWFByteCodeTag() { TagID = RawTagID; }
    SWF_RECORD_COPY(TSWFByteCodeTag)
    void WriteToStream(TBitsEngine& BE) override;
    void WriteTagBody(TBitsEngine& BE) override { WriteData(BE); }
    void ReadFromStream(TBitsEngine& BE) override { ReadRestAsData(BE); }
};

// A new, empty record for a tag code; codes without a class give a TSWFByteCodeTag.
std::unique_ptr<TSWFObject> CreateSWFObject(uint16_t TagCode);
// The SWF name of a tag code ("DefineShape", ...), "Unknown" for codes without one.
const char* SWFTagName(uint16_t TagCode);

// The movie container: header values, the body of encoded tags, and the writer of the complete file.
class TBasedSWFStream {
  public:
    // Stage 0 reading tags, 1 building the body, 2 compressing.
    std::function<void(TBasedSWFStream& Sender, int Percent, uint8_t Stage)> OnProgress;

    TBasedSWFStream();
    TBasedSWFStream(int32_t Left, int32_t Top, int32_t Right, int32_t Bottom, float FrameRate,
                    bool PixelUnits);
    virtual ~TBasedSWFStream();
    TBasedSWFStream(const TBasedSWFStream&) = delete;
    TBasedSWFStream& operator=(const TBasedSWFStream&) = delete;

    virtual void HeaderChanged() {}
    virtual int FrameTagIndex(int Frame) = 0;
    virtual void BuildBody() = 0;
    virtual void MoveDefinitions(int ToFrame, int FromFrame, int LastFrame) = 0;

    TStream& BodyStream();
    void SetBodyStream(TStream* S);  // not owned

    float FrameRate() const { return WordToSingle(FrameRate_); }
    uint16_t FrameRateWord() const { return FrameRate_; }
    void SetFrameRate(float Rate);
    void SetFrameRateWord(uint16_t W) { FrameRate_ = W; }
    int32_t Width() const { return (FrameSize.Right - FrameSize.Left) / UnitFactor_; }
    int32_t Height() const { return (FrameSize.Bottom - FrameSize.Top) / UnitFactor_; }
    void SetWidth(int32_t W);
    void SetHeight(int32_t H);
    bool PixelUnits() const { return PixelUnits_; }
    void SetPixelUnits(bool B);
    uint8_t UnitFactor() const { return UnitFactor_; }
    uint8_t Version() const { return Version_; }
    void SetVersion(uint8_t V);
    bool Compressed() const { return Compressed_; }
    void SetCompressed(bool B);
    std::string Signature() const { return std::string(Signature_.begin(), Signature_.end()); }
    uint32_t FileLength() const { return FileLength_; }

    int HeaderSize() const;
    // Part 0: the whole header; 1: the first eight bytes; 2: everything after them.
    void WriteHeader(TStream& Stream, int Part);
    void SaveToStream(TStream& Stream);
    // Writes beside FileName and renames, so a failed save leaves an existing file intact.
    void SaveToFile(const std::string& FileName);

    TRect FrameSize;
    uint16_t FrameCount = 0;

  protected:
    std::array<char, 3> Signature_{'F', 'W', 'S'};
    uint8_t Version_ = 5;
    uint32_t FileLength_ = 0;
    uint16_t FrameRate_ = 0;
    bool Compressed_ = false;
    bool PixelUnits_ = false;
    uint8_t UnitFactor_ = 1;

  private:
    TStream* Body_ = nullptr;
    std::unique_ptr<TMemoryStream> OwnedBody_;
};
