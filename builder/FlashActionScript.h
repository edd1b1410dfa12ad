// A builder of AVM1 action lists for frame scripts, clip events and the scripts of imported movies.
#pragma once

#include <string>

#include "FlashObject.h"
#include "SWFActions.h"

class TFlashActionScript : public TFlashObject {
  public:
    // Without a list the builder owns one of its own; over a foreign list it appends there and never frees
    // it.
    explicit TFlashActionScript(TFlashMovie* Owner = nullptr, TSWFActionList* Actions = nullptr);
    // A copy owns a copy of the actions, whatever the source appends to.
    TFlashActionScript(const TFlashActionScript& Other);
    TFlashActionScript& operator=(const TFlashActionScript& Other);
    void Assign(const TBasedSWFObject& Source) override;
    std::unique_ptr<TBasedSWFObject> Clone() const override;

    TSWFActionList& Actions() { return Foreign_ ? *Foreign_ : Own_; }
    const TSWFActionList& Actions() const { return Foreign_ ? *Foreign_ : Own_; }
    bool OwnsActions() const { return Foreign_ == nullptr; }
    // Points the builder at another foreign list (nullptr: back to its own).
    void SetActionList(TSWFActionList* Actions) { Foreign_ = Actions; }

    // Push [Name, Value], then DefineLocal (Local) or SetVariable.
    void SetVar(const std::string& Name, TPushValue Value, bool Local);
    // Adds Value to the last action when it is a Push, else to a new Push.
    TSWFActionPush& Push(TPushValue Value);
    void InitArray();
    void DefineLocal();
    void SetVariable();
    void GetURL(const std::string& URL, const std::string& Target);
    void FSCommand(const std::string& Command, const std::string& Args);
    TSWFAction* ActionByIndex(size_t Index) const { return Actions().At(Index); }
    size_t Count() const { return Actions().Count(); }

    int MinVersion() const override { return ActionsMinVersion(Actions(), 1); }
    // A DoAction tag with the actions.
    void WriteToStream(TBitsEngine& BE) override;

  private:
    template <class T>
    T& Append() {
        return *Actions().Add(std::make_unique<T>());
    }
    TSWFActionList Own_;
    TSWFActionList* Foreign_ = nullptr;
};
