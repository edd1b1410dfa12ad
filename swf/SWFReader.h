// Reads existing SWF files, plain or compressed, into a list of tags with optional parsed records, and offers
// the lookups and edits that importing one movie into another needs.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "SWFObject.h"

class TSWFTagInfo {
  public:
    int32_t Length = 0;
    uint16_t Frame = 1;
    bool LongHeader = false;
    int32_t Position = 0;  // offset of the tag header in the body
    uint16_t TagID = 0;
    std::vector<std::unique_ptr<TSWFTagInfo>> SubTags;  // DefineSprite only: one entry per inner record
    TSWFObject* SWFObject = nullptr;

    bool OwnsObject() const { return static_cast<bool>(Owned_); }
    void SetOwnedObject(std::unique_ptr<TSWFObject> Object) {
        Owned_ = std::move(Object);
        SWFObject = Owned_.get();
    }
    std::unique_ptr<TSWFObject> TakeObject() {
        SWFObject = nullptr;
        return std::move(Owned_);
    }
    int32_t ByteSize() const { return Length + 2 + (LongHeader ? 4 : 0); }

  private:
    std::unique_ptr<TSWFObject> Owned_;
};

class TSWFStreamReader : public TBasedSWFStream {
  public:
    bool IsValid = false;
    // Asked before a record is created for a tag; setting Parse to false leaves the tag without a record.
    std::function<void(TSWFTagInfo& Info, bool& Parse)> OnReadTag;
    // Asked for each defining record before RenumberIDs gives it a new ID.
    std::function<void(TSWFObject& Record, bool& Change)> OnRenumber;
    std::vector<std::unique_ptr<TSWFTagInfo>> TagList;
    // Records that would not write back the bytes they were read from are kept raw. Tests of the records
    // themselves turn this off.
    bool VerifyRecords = true;

    TSWFStreamReader() = default;
    explicit TSWFStreamReader(const std::string& FileName);
    explicit TSWFStreamReader(TStream& Stream);

    bool CheckSignature(TStream& Stream);
    void LoadFromFile(const std::string& FileName);
    void LoadFromStream(TStream& Stream);
    // Part 0: the whole header, 1: the first eight bytes, 2: the rest. Returns the bytes consumed.
    int ReadHeader(TStream& Stream, int Part);
    void ReadTags(bool CreateObjects, bool ParseActions);

    TSWFTagInfo& TagInfo(size_t Index) { return *TagList.at(Index); }
    int FindIndexByID(uint16_t ID) const;
    TSWFObject* FindObjectByID(uint16_t ID) const;
    TSWFObject* FindObjectByName(const std::string& Name) const;
    void DeleteByName(bool DeletePlacement, bool DeleteDefinition, const std::string& Name);
    uint16_t RenumberIDs(uint16_t FirstID);
    void DeleteTag(size_t Index) { TagList.erase(TagList.begin() + static_cast<std::ptrdiff_t>(Index)); }

    int FrameTagIndex(int Frame) override;
    void BuildBody() override;
    void MoveDefinitions(int ToFrame, int FromFrame, int LastFrame) override;

  private:
    TMemoryStream& Body();
};
