#include <unordered_map>

#include "SWFABC.h"
#include "SWFButtons.h"
#include "SWFFonts.h"
#include "SWFObject.h"
#include "SWFMorphShapes.h"
#include "SWFScenes.h"
#include "SWFShapes.h"
#include "SWFTags.h"
#include "SWFTexts.h"
#include "SWFVideo.h"

namespace {
template <class T>
std::unique_ptr<TSWFObject> Make() {
    return std::make_unique<T>();
}

using TMaker = std::unique_ptr<TSWFObject> (*)();

const std::unordered_map<uint16_t, TMaker>& Makers() {
    static const std::unordered_map<uint16_t, TMaker> Table = {
        // Control, display-list, bitmap, sound, sprite and action tags.
        {0, Make<TSWFEnd>},
        {1, Make<TSWFShowFrame>},
        {4, Make<TSWFPlaceObject>},
        {5, Make<TSWFRemoveObject>},
        {6, Make<TSWFDefineBits>},
        {8, Make<TSWFJPEGTables>},
        {9, Make<TSWFSetBackgroundColor>},
        {12, Make<TSWFDoAction>},
        {14, Make<TSWFDefineSound>},
        {15, Make<TSWFStartSound>},
        {18, Make<TSWFSoundStreamHead>},
        {19, Make<TSWFSoundStreamBlock>},
        {20, Make<TSWFDefineBitsLossless>},
        {21, Make<TSWFDefineBitsJPEG2>},
        {24, Make<TSWFProtect>},
        {26, Make<TSWFPlaceObject2>},
        {28, Make<TSWFRemoveObject2>},
        {35, Make<TSWFDefineBitsJPEG3>},
        {36, Make<TSWFDefineBitsLossless2>},
        {39, Make<TSWFDefineSprite>},
        {41, Make<TSWFProductInfo>},
        {43, Make<TSWFFrameLabel>},
        {45, Make<TSWFSoundStreamHead2>},
        {56, Make<TSWFExportAssets>},
        {57, Make<TSWFImportAssets>},
        {58, Make<TSWFEnableDebugger>},
        {59, Make<TSWFDoInitAction>},
        {64, Make<TSWFEnableDebugger2>},
        {65, Make<TSWFScriptLimits>},
        {66, Make<TSWFSetTabIndex>},
        {69, Make<TSWFFileAttributes>},
        {70, Make<TSWFPlaceObject3>},
        {71, Make<TSWFImportAssets2>},
        {76, Make<TSWFSymbolClass>},
        {77, Make<TSWFMetadata>},
        {78, Make<TSWFDefineScalingGrid>},
        {87, Make<TSWFDefineBinaryData>},
        {89, Make<TSWFStartSound2>},
        // Shapes.
        {2, Make<TSWFDefineShape>},
        {22, Make<TSWFDefineShape2>},
        {32, Make<TSWFDefineShape3>},
        {83, Make<TSWFDefineShape4>},
        {46, Make<TSWFDefineMorphShape>},
        {84, Make<TSWFDefineMorphShape2>},
        // Font and text tags.
        {10, Make<TSWFDefineFont>},
        {11, Make<TSWFDefineText>},
        {13, Make<TSWFDefineFontInfo>},
        {33, Make<TSWFDefineText2>},
        {37, Make<TSWFDefineEditText>},
        {48, Make<TSWFDefineFont2>},
        {62, Make<TSWFDefineFontInfo2>},
        {73, Make<TSWFDefineFontAlignZones>},
        {74, Make<TSWFCSMTextSettings>},
        {75, Make<TSWFDefineFont3>},
        {88, Make<TSWFDefineFontName>},
        // Buttons, video, ActionScript 3 and scenes.
        {7, Make<TSWFDefineButton>},
        {17, Make<TSWFDefineButtonSound>},
        {23, Make<TSWFDefineButtonCxform>},
        {34, Make<TSWFDefineButton2>},
        {60, Make<TSWFDefineVideoStream>},
        {61, Make<TSWFVideoFrame>},
        {72, Make<TSWFDoABCOld>},
        {82, Make<TSWFDoABC>},
        {86, Make<TSWFDefineSceneAndFrameLabelData>},
    };
    return Table;
}
}  // namespace

std::unique_ptr<TSWFObject> CreateSWFObject(uint16_t TagCode) {
    auto It = Makers().find(TagCode);
    if (It != Makers().end()) return It->second();
    auto Raw = std::make_unique<TSWFByteCodeTag>();
    Raw->OriginalTagID = TagCode;
    Raw->Message = "Uniknow tag";
    return Raw;
}

const char* SWFTagName(uint16_t TagCode) {
    static const std::unordered_map<uint16_t, const char*> Names = {
        {0, "End"},
        {1, "ShowFrame"},
        {2, "DefineShape"},
        {4, "PlaceObject"},
        {5, "RemoveObject"},
        {6, "DefineBits"},
        {7, "DefineButton"},
        {8, "JPEGTables"},
        {9, "SetBackgroundColor"},
        {10, "DefineFont"},
        {11, "DefineText"},
        {12, "DoAction"},
        {13, "DefineFontInfo"},
        {14, "DefineSound"},
        {15, "StartSound"},
        {17, "DefineButtonSound"},
        {18, "SoundStreamHead"},
        {19, "SoundStreamBlock"},
        {20, "DefineBitsLossless"},
        {21, "DefineBitsJPEG2"},
        {22, "DefineShape2"},
        {23, "DefineButtonCxform"},
        {24, "Protect"},
        {26, "PlaceObject2"},
        {28, "RemoveObject2"},
        {32, "DefineShape3"},
        {33, "DefineText2"},
        {34, "DefineButton2"},
        {35, "DefineBitsJPEG3"},
        {36, "DefineBitsLossless2"},
        {37, "DefineEditText"},
        {39, "DefineSprite"},
        {41, "ProductInfo"},
        {43, "FrameLabel"},
        {45, "SoundStreamHead2"},
        {46, "DefineMorphShape"},
        {48, "DefineFont2"},
        {56, "ExportAssets"},
        {57, "ImportAssets"},
        {58, "EnableDebugger"},
        {59, "DoInitAction"},
        {60, "DefineVideoStream"},
        {61, "VideoFrame"},
        {62, "DefineFontInfo2"},
        {63, "DebugID"},
        {64, "EnableDebugger2"},
        {65, "ScriptLimits"},
        {66, "SetTabIndex"},
        {69, "FileAttributes"},
        {70, "PlaceObject3"},
        {71, "ImportAssets2"},
        {72, "DoABC (old)"},
        {73, "DefineFontAlignZones"},
        {74, "CSMTextSettings"},
        {75, "DefineFont3"},
        {76, "SymbolClass"},
        {77, "Metadata"},
        {78, "DefineScalingGrid"},
        {82, "DoABC"},
        {83, "DefineShape4"},
        {84, "DefineMorphShape2"},
        {86, "DefineSceneAndFrameLabelData"},
        {87, "DefineBinaryData"},
        {88, "DefineFontName"},
        {89, "StartSound2"},
        {90, "DefineBitsJPEG4"},
        {91, "DefineFont4"},
        {93, "EnableTelemetry"},
        {94, "PlaceObject4"},
        {240, "Raw"},
    };
    auto It = Names.find(TagCode);
    return It != Names.end() ? It->second : "Unknown";
}
