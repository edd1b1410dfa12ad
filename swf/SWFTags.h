// Tag records: control, display-list, bitmap, sound, sprite and action-container tags.
#pragma once

#include "SWFActions.h"
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
