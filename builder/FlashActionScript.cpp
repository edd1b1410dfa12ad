#include "FlashActionScript.h"

#include "SWFTags.h"

TFlashActionScript::TFlashActionScript(TFlashMovie* Owner, TSWFActionList* Actions) : Foreign_(Actions) {
    Owner_ = Owner;
}

TFlashActionScript::TFlashActionScript(const TFlashActionScript& Other)
    : TFlashObject(Other), Own_(Other.Actions()), Foreign_(nullptr) {}

TFlashActionScript& TFlashActionScript::operator=(const TFlashActionScript& Other) {
    if (this != &Other) {
        if (!Owner_) Owner_ = Other.Owner_;
        Actions() = Other.Actions();
    }
    return *this;
}

void TFlashActionScript::Assign(const TBasedSWFObject& Source) {
    *this = dynamic_cast<const TFlashActionScript&>(Source);
}

std::unique_ptr<TBasedSWFObject> TFlashActionScript::Clone() const {
    return std::make_unique<TFlashActionScript>(*this);
}

void TFlashActionScript::SetVar(const std::string& Name, TPushValue Value, bool Local) {
    auto& P = Append<TSWFActionPush>();
    P.AddValue(Name);
    P.AddValue(std::move(Value));
    if (Local)
        DefineLocal();
    else
        SetVariable();
}

TSWFActionPush& TFlashActionScript::Push(TPushValue Value) {
    auto* P = dynamic_cast<TSWFActionPush*>(Actions().Last());
    if (!P) P = &Append<TSWFActionPush>();
    P->AddValue(std::move(Value));
    return *P;
}

void TFlashActionScript::InitArray() {
    Append<TSWFActionInitArray>();
}

void TFlashActionScript::DefineLocal() {
    Append<TSWFActionDefineLocal>();
}

void TFlashActionScript::SetVariable() {
    Append<TSWFActionSetVariable>();
}

void TFlashActionScript::GetURL(const std::string& URL, const std::string& Target) {
    auto& A = Append<TSWFActionGetUrl>();
    A.URL = URL;
    A.Target = Target;
}

void TFlashActionScript::FSCommand(const std::string& Command, const std::string& Args) {
    GetURL("FSCommand:" + Command, Args);
}

void TFlashActionScript::WriteToStream(TBitsEngine& BE) {
    TSWFDoAction Tag(&Actions());
    Tag.WriteToStream(BE);
}
