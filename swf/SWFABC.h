// ActionScript 3 byte code: the ABC file model (constant pool, methods, metadata, classes, scripts and method
// bodies) and the DoABC tags that carry it.
//
// Integers are EncodedU32 values (u30, u32, and s32 as the bits of its 32-bit value), strings are
// EncodedU32-prefixed UTF-8 bytes. Indices into the constant pool are kept as numbers; pool entry 0 is
// implicit, so the pool vectors hold the entries from index 1 on.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "SWFObject.h"

struct TABCNamespace {
    uint8_t Kind = 0;
    uint32_t Name = 0;  // string index
    bool operator==(const TABCNamespace&) const = default;
};

struct TABCMultiname {
    enum : uint8_t {
        QName = 0x07,
        QNameA = 0x0D,
        RTQName = 0x0F,
        RTQNameA = 0x10,
        RTQNameL = 0x11,
        RTQNameLA = 0x12,
        Multiname = 0x09,
        MultinameA = 0x0E,
        MultinameL = 0x1B,
        MultinameLA = 0x1C,
        TypeName = 0x1D
    };
    uint8_t Kind = QName;
    uint32_t NS = 0;               // QName
    uint32_t Name = 0;             // QName, RTQName, Multiname; the generic type's multiname for TypeName
    uint32_t NSSet = 0;            // Multiname, MultinameL
    std::vector<uint32_t> Params;  // TypeName
    bool operator==(const TABCMultiname&) const = default;
};

struct TABCConstantPool {
    std::vector<int32_t> Integers;
    std::vector<uint32_t> UIntegers;
    std::vector<double> Doubles;
    std::vector<std::string> Strings;
    std::vector<TABCNamespace> Namespaces;
    std::vector<std::vector<uint32_t>> NSSets;
    std::vector<TABCMultiname> Multinames;
};

struct TABCOption {
    uint32_t Val = 0;
    uint8_t Kind = 0;
    bool operator==(const TABCOption&) const = default;
};

struct TABCMethodInfo {
    enum : uint8_t {
        NeedArguments = 0x01,
        NeedActivation = 0x02,
        NeedRest = 0x04,
        HasOptional = 0x08,
        SetDxns = 0x40,
        HasParamNames = 0x80
    };
    uint32_t ReturnType = 0;
    std::vector<uint32_t> ParamTypes;
    uint32_t Name = 0;
    uint8_t Flags = 0;
    std::vector<TABCOption> Options;   // written when Flags has HasOptional
    std::vector<uint32_t> ParamNames;  // written when Flags has HasParamNames, one per parameter
};

struct TABCMetadata {
    uint32_t Name = 0;
    // Item keys and values; the file holds all keys first, then all values.
    std::vector<uint32_t> Keys, Values;
};

struct TABCTrait {
    enum : uint8_t { Slot = 0, Method = 1, Getter = 2, Setter = 3, Class = 4, Function = 5, Const = 6 };
    enum : uint8_t { AttrFinal = 0x1, AttrOverride = 0x2, AttrMetadata = 0x4 };
    uint32_t Name = 0;               // multiname index
    uint8_t Kind = Slot;             // trait type in the low nibble, attributes in the high nibble
    uint32_t SlotID = 0;             // slot_id, or disp_id for methods, getters and setters
    uint32_t TypeName = 0;           // slots and constants
    uint32_t VIndex = 0;             // slots and constants
    uint8_t VKind = 0;               // slots and constants, written when VIndex is not 0
    uint32_t Index = 0;              // the class, function or method
    std::vector<uint32_t> Metadata;  // written when the Metadata attribute is set

    uint8_t Type() const { return Kind & 0x0F; }
    uint8_t Attributes() const { return Kind >> 4; }
};

using TABCTraits = std::vector<TABCTrait>;

struct TABCInstance {
    enum : uint8_t { ClassSealed = 0x01, ClassFinal = 0x02, ClassInterface = 0x04, ClassProtectedNs = 0x08 };
    uint32_t Name = 0;
    uint32_t SuperName = 0;
    uint8_t Flags = 0;
    uint32_t ProtectedNs = 0;  // written when Flags has ClassProtectedNs
    std::vector<uint32_t> Interfaces;
    uint32_t IInit = 0;
    TABCTraits Traits;
};

struct TABCClass {
    uint32_t CInit = 0;
    TABCTraits Traits;
};

struct TABCScript {
    uint32_t Init = 0;
    TABCTraits Traits;
};

struct TABCException {
    uint32_t From = 0, To = 0, Target = 0, ExcType = 0, VarName = 0;
    bool operator==(const TABCException&) const = default;
};

struct TABCMethodBody {
    uint32_t Method = 0;
    uint32_t MaxStack = 0, LocalCount = 0, InitScopeDepth = 0, MaxScopeDepth = 0;
    std::vector<uint8_t> Code;
    std::vector<TABCException> Exceptions;
    TABCTraits Traits;
};

// One ABC file. Instances and Classes are parallel: class i is described by both.
struct TABCFile {
    uint16_t MinorVersion = 16, MajorVersion = 46;
    TABCConstantPool ConstantPool;
    std::vector<TABCMethodInfo> Methods;
    std::vector<TABCMetadata> Metadata;
    std::vector<TABCInstance> Instances;
    std::vector<TABCClass> Classes;  // as many as Instances; missing ones are written empty
    std::vector<TABCScript> Scripts;
    std::vector<TABCMethodBody> MethodBodies;

    void Write(TBitsEngine& BE) const;
    // Reads an ABC file taking every byte up to the end of the stream; raises ESWFError on malformed data.
    void Read(TBitsEngine& BE);
};

// DoABC (82): Flags, Name, then the ABC byte code.
class TSWFDoABC : public TSWFObject {
  public:
    enum : uint32_t { LazyInitialize = 1 };
    uint32_t Flags = LazyInitialize;
    std::string Name;
    // The byte code as a model; when it is empty RawABC is written instead. Reading fills the model only with
    // ParseActions set and only when the model writes back the very bytes that were read.
    std::optional<TABCFile> ABC;
    std::vector<uint8_t> RawABC;
    bool ParseActions = false;

    TSWFDoABC() { TagID = 82; }
    SWF_RECORD_COPY(TSWFDoABC)
    int MinVersion() const override { return 9; }
    void WriteTagBody(TBitsEngine& BE) override;
    void ReadFromStream(TBitsEngine& BE) override;
    void SetReadContext(const TSWFReadContext& Context) override { ParseActions = Context.ParseActions; }

  protected:
    // The tag 72 form has neither Flags nor Name.
    virtual bool HasFlagsAndName() const { return true; }
};

// The early DoABC (72): the ABC byte code alone.
class TSWFDoABCOld : public TSWFDoABC {
  public:
    TSWFDoABCOld() { TagID = 72; }
    SWF_RECORD_COPY(TSWFDoABCOld)

  protected:
    bool HasFlagsAndName() const override { return false; }
};
