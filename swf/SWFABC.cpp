#include "SWFABC.h"

namespace {
// Reads the parts of an ABC file. Every count is checked against the bytes left, MinBytes being the least an
// entry can take, so a count from a damaged file never makes a large allocation.
class TABCReader {
  public:
    explicit TABCReader(TBitsEngine& BE) : BE_(BE) {}

    uint32_t U30() { return BE_.ReadEncodedU32(); }
    uint8_t U8() { return BE_.ReadByte(); }
    uint32_t Count(uint32_t MinBytes = 1) {
        uint32_t N = U30();
        if (N > BE_.Stream->Remaining() / MinBytes) throw ESWFError("ABC count beyond the end of the data");
        return N;
    }
    // Pool counts include the implicit entry 0.
    uint32_t PoolCount(uint32_t MinBytes) {
        uint32_t N = U30();
        if (N == 0) return 0;
        if (N - 1 > BE_.Stream->Remaining() / MinBytes)
            throw ESWFError("ABC count beyond the end of the data");
        return N - 1;
    }
    std::vector<uint32_t> U30List(uint32_t N) {
        std::vector<uint32_t> V(N);
        for (auto& X : V) X = U30();
        return V;
    }
    std::vector<uint32_t> U30List() { return U30List(Count()); }

    void ConstantPool(TABCConstantPool& P) {
        P.Integers.assign(PoolCount(1), 0);
        for (auto& I : P.Integers) I = static_cast<int32_t>(U30());
        P.UIntegers.assign(PoolCount(1), 0);
        for (auto& U : P.UIntegers) U = U30();
        P.Doubles.assign(PoolCount(8), 0.0);
        for (auto& D : P.Doubles) D = BE_.ReadDouble();
        P.Strings.assign(PoolCount(1), {});
        for (auto& S : P.Strings) S = BE_.ReadLengthString(true);
        P.Namespaces.assign(PoolCount(2), {});
        for (auto& N : P.Namespaces) {
            N.Kind = U8();
            N.Name = U30();
        }
        P.NSSets.assign(PoolCount(1), {});
        for (auto& S : P.NSSets) S = U30List();
        P.Multinames.assign(PoolCount(1), {});
        for (auto& M : P.Multinames) Multiname(M);
    }

    void Multiname(TABCMultiname& M) {
        M.Kind = U8();
        switch (M.Kind) {
            case TABCMultiname::QName:
            case TABCMultiname::QNameA:
                M.NS = U30();
                M.Name = U30();
                break;
            case TABCMultiname::RTQName:
            case TABCMultiname::RTQNameA:
                M.Name = U30();
                break;
            case TABCMultiname::RTQNameL:
            case TABCMultiname::RTQNameLA:
                break;
            case TABCMultiname::Multiname:
            case TABCMultiname::MultinameA:
                M.Name = U30();
                M.NSSet = U30();
                break;
            case TABCMultiname::MultinameL:
            case TABCMultiname::MultinameLA:
                M.NSSet = U30();
                break;
            case TABCMultiname::TypeName:
                M.Name = U30();
                M.Params = U30List();
                break;
            default:
                throw ESWFError("Unknown ABC multiname kind");
        }
    }

    void Method(TABCMethodInfo& M) {
        uint32_t ParamCount = Count();
        M.ReturnType = U30();
        M.ParamTypes = U30List(ParamCount);
        M.Name = U30();
        M.Flags = U8();
        M.Options.clear();
        if (M.Flags & TABCMethodInfo::HasOptional) {
            M.Options.assign(Count(2), {});
            for (auto& O : M.Options) {
                O.Val = U30();
                O.Kind = U8();
            }
        }
        M.ParamNames.clear();
        if (M.Flags & TABCMethodInfo::HasParamNames) M.ParamNames = U30List(ParamCount);
    }

    void Metadata(TABCMetadata& M) {
        M.Name = U30();
        uint32_t N = Count(2);
        M.Keys = U30List(N);
        M.Values = U30List(N);
    }

    void Traits(TABCTraits& Traits) {
        Traits.assign(Count(3), {});
        for (auto& T : Traits) {
            T.Name = U30();
            T.Kind = U8();
            T.SlotID = U30();
            switch (T.Type()) {
                case TABCTrait::Slot:
                case TABCTrait::Const:
                    T.TypeName = U30();
                    T.VIndex = U30();
                    if (T.VIndex) T.VKind = U8();
                    break;
                case TABCTrait::Method:
                case TABCTrait::Getter:
                case TABCTrait::Setter:
                case TABCTrait::Class:
                case TABCTrait::Function:
                    T.Index = U30();
                    break;
                default:
                    throw ESWFError("Unknown ABC trait kind");
            }
            if (T.Attributes() & TABCTrait::AttrMetadata) T.Metadata = U30List();
        }
    }

    void Instance(TABCInstance& I) {
        I.Name = U30();
        I.SuperName = U30();
        I.Flags = U8();
        I.ProtectedNs = (I.Flags & TABCInstance::ClassProtectedNs) ? U30() : 0;
        I.Interfaces = U30List();
        I.IInit = U30();
        Traits(I.Traits);
    }

    void MethodBody(TABCMethodBody& B) {
        B.Method = U30();
        B.MaxStack = U30();
        B.LocalCount = U30();
        B.InitScopeDepth = U30();
        B.MaxScopeDepth = U30();
        B.Code.assign(Count(), 0);
        if (!B.Code.empty()) BE_.ReadBytes(B.Code.data(), B.Code.size());
        B.Exceptions.assign(Count(5), {});
        for (auto& E : B.Exceptions) {
            E.From = U30();
            E.To = U30();
            E.Target = U30();
            E.ExcType = U30();
            E.VarName = U30();
        }
        Traits(B.Traits);
    }

  private:
    TBitsEngine& BE_;
};

class TABCWriter {
  public:
    explicit TABCWriter(TBitsEngine& BE) : BE_(BE) {}

    void U30(uint32_t V) { BE_.WriteEncodedU32(V); }
    void U8(uint8_t V) { BE_.WriteByte(V); }
    void PoolCount(size_t N) { U30(N ? static_cast<uint32_t>(N + 1) : 0); }
    void U30List(const std::vector<uint32_t>& V) {
        U30(static_cast<uint32_t>(V.size()));
        for (uint32_t X : V) U30(X);
    }
    // Exactly N values, 0 for missing ones.
    void U30Values(const std::vector<uint32_t>& V, size_t N) {
        for (size_t i = 0; i < N; ++i) U30(i < V.size() ? V[i] : 0);
    }

    void ConstantPool(const TABCConstantPool& P) {
        PoolCount(P.Integers.size());
        for (int32_t I : P.Integers) U30(static_cast<uint32_t>(I));
        PoolCount(P.UIntegers.size());
        for (uint32_t U : P.UIntegers) U30(U);
        PoolCount(P.Doubles.size());
        for (double D : P.Doubles) BE_.WriteDouble(D);
        PoolCount(P.Strings.size());
        for (const auto& S : P.Strings) BE_.WriteEncodedString(S);
        PoolCount(P.Namespaces.size());
        for (const auto& N : P.Namespaces) {
            U8(N.Kind);
            U30(N.Name);
        }
        PoolCount(P.NSSets.size());
        for (const auto& S : P.NSSets) U30List(S);
        PoolCount(P.Multinames.size());
        for (const auto& M : P.Multinames) Multiname(M);
    }

    void Multiname(const TABCMultiname& M) {
        U8(M.Kind);
        switch (M.Kind) {
            case TABCMultiname::QName:
            case TABCMultiname::QNameA:
                U30(M.NS);
                U30(M.Name);
                break;
            case TABCMultiname::RTQName:
            case TABCMultiname::RTQNameA:
                U30(M.Name);
                break;
            case TABCMultiname::Multiname:
            case TABCMultiname::MultinameA:
                U30(M.Name);
                U30(M.NSSet);
                break;
            case TABCMultiname::MultinameL:
            case TABCMultiname::MultinameLA:
                U30(M.NSSet);
                break;
            case TABCMultiname::TypeName:
                U30(M.Name);
                U30List(M.Params);
                break;
            default:
                break;  // RTQNameL, RTQNameLA: the kind alone
        }
    }

    void Method(const TABCMethodInfo& M) {
        U30(static_cast<uint32_t>(M.ParamTypes.size()));
        U30(M.ReturnType);
        for (uint32_t T : M.ParamTypes) U30(T);
        U30(M.Name);
        U8(M.Flags);
        if (M.Flags & TABCMethodInfo::HasOptional) {
            U30(static_cast<uint32_t>(M.Options.size()));
            for (const auto& O : M.Options) {
                U30(O.Val);
                U8(O.Kind);
            }
        }
        if (M.Flags & TABCMethodInfo::HasParamNames) U30Values(M.ParamNames, M.ParamTypes.size());
    }

    void Metadata(const TABCMetadata& M) {
        U30(M.Name);
        U30(static_cast<uint32_t>(M.Keys.size()));
        U30Values(M.Keys, M.Keys.size());
        U30Values(M.Values, M.Keys.size());
    }

    void Traits(const TABCTraits& Traits) {
        U30(static_cast<uint32_t>(Traits.size()));
        for (const auto& T : Traits) {
            U30(T.Name);
            U8(T.Kind);
            U30(T.SlotID);
            if (T.Type() == TABCTrait::Slot || T.Type() == TABCTrait::Const) {
                U30(T.TypeName);
                U30(T.VIndex);
                if (T.VIndex) U8(T.VKind);
            } else {
                U30(T.Index);
            }
            if (T.Attributes() & TABCTrait::AttrMetadata) U30List(T.Metadata);
        }
    }

    void Instance(const TABCInstance& I) {
        U30(I.Name);
        U30(I.SuperName);
        U8(I.Flags);
        if (I.Flags & TABCInstance::ClassProtectedNs) U30(I.ProtectedNs);
        U30List(I.Interfaces);
        U30(I.IInit);
        Traits(I.Traits);
    }

    void MethodBody(const TABCMethodBody& B) {
        U30(B.Method);
        U30(B.MaxStack);
        U30(B.LocalCount);
        U30(B.InitScopeDepth);
        U30(B.MaxScopeDepth);
        U30(static_cast<uint32_t>(B.Code.size()));
        if (!B.Code.empty()) BE_.WriteBytes(B.Code.data(), B.Code.size());
        U30(static_cast<uint32_t>(B.Exceptions.size()));
        for (const auto& E : B.Exceptions) {
            U30(E.From);
            U30(E.To);
            U30(E.Target);
            U30(E.ExcType);
            U30(E.VarName);
        }
        Traits(B.Traits);
    }

  private:
    TBitsEngine& BE_;
};
}  // namespace

void TABCFile::Write(TBitsEngine& BE) const {
    TABCWriter W(BE);
    BE.WriteWord(MinorVersion);
    BE.WriteWord(MajorVersion);
    W.ConstantPool(ConstantPool);
    W.U30(static_cast<uint32_t>(Methods.size()));
    for (const auto& M : Methods) W.Method(M);
    W.U30(static_cast<uint32_t>(Metadata.size()));
    for (const auto& M : Metadata) W.Metadata(M);
    W.U30(static_cast<uint32_t>(Instances.size()));
    for (const auto& I : Instances) W.Instance(I);
    for (size_t i = 0; i < Instances.size(); ++i) {
        const TABCClass& C = i < Classes.size() ? Classes[i] : TABCClass{};
        W.U30(C.CInit);
        W.Traits(C.Traits);
    }
    W.U30(static_cast<uint32_t>(Scripts.size()));
    for (const auto& S : Scripts) {
        W.U30(S.Init);
        W.Traits(S.Traits);
    }
    W.U30(static_cast<uint32_t>(MethodBodies.size()));
    for (const auto& B : MethodBodies) W.MethodBody(B);
}

void TABCFile::Read(TBitsEngine& BE) {
    TABCReader R(BE);
    MinorVersion = BE.ReadWord();
    MajorVersion = BE.ReadWord();
    R.ConstantPool(ConstantPool);
    Methods.assign(R.Count(4), {});
    for (auto& M : Methods) R.Method(M);
    Metadata.assign(R.Count(2), {});
    for (auto& M : Metadata) R.Metadata(M);
    // Each class has an instance part (at least 6 bytes) and a class part (at least 2).
    uint32_t ClassCount = R.Count(8);
    Instances.assign(ClassCount, {});
    for (auto& I : Instances) R.Instance(I);
    Classes.assign(ClassCount, {});
    for (auto& C : Classes) {
        C.CInit = R.U30();
        R.Traits(C.Traits);
    }
    Scripts.assign(R.Count(2), {});
    for (auto& S : Scripts) {
        S.Init = R.U30();
        R.Traits(S.Traits);
    }
    MethodBodies.assign(R.Count(8), {});
    for (auto& B : MethodBodies) R.MethodBody(B);
    if (BE.Stream->Remaining() != 0) throw ESWFError("Bytes after the ABC method bodies");
}

void TSWFDoABC::WriteTagBody(TBitsEngine& BE) {
    if (HasFlagsAndName()) {
        BE.WriteDWord(Flags);
        BE.WriteString(Name);
    }
    if (ABC)
        ABC->Write(BE);
    else if (!RawABC.empty())
        BE.WriteBytes(RawABC.data(), RawABC.size());
}

void TSWFDoABC::ReadFromStream(TBitsEngine& BE) {
    if (HasFlagsAndName()) {
        Flags = BE.ReadDWord();
        Name = BE.ReadString();
    }
    RawABC.assign(static_cast<size_t>(BE.Stream->Remaining()), 0);
    if (!RawABC.empty()) BE.ReadBytes(RawABC.data(), RawABC.size());
    ABC.reset();
    if (!ParseActions) return;
    // The model is kept only when it writes back the very bytes that were read; otherwise the bytes stay raw.
    try {
        TABCFile File;
        TBoundedReadStream S(RawABC.data(), RawABC.size());
        TBitsEngine AE(S);
        File.Read(AE);
        TMemoryStream Written;
        TBitsEngine WE(Written);
        File.Write(WE);
        if (Written.Bytes() != RawABC) return;
        ABC = std::move(File);
        RawABC.clear();
    } catch (const ESWFError&) {
    }
}
