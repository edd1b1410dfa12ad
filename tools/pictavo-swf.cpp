// pictavo-swf: looks into SWF movies.
//   pictavo-swf dump FILE        the header and one line per tag (sprites with their inner tags, indented)
//   pictavo-swf rewrite IN OUT   reads IN with records and parsed actions and saves it again, uncompressed
#include <cstdio>
#include <iostream>
#include <string>

#include "SWFReader.h"
#include "SWFTags.h"

namespace {
int Usage() {
    std::cerr << "Usage:\n  pictavo-swf dump FILE\n  pictavo-swf rewrite IN OUT\n";
    return 2;
}

void Load(TSWFStreamReader& Reader, const std::string& FileName) {
    Reader.LoadFromFile(FileName);
    if (!Reader.IsValid) throw ESWFError("\"" + FileName + "\" is not an SWF movie (FWS or CWS)");
}

void DumpTags(const std::vector<std::unique_ptr<TSWFTagInfo>>& Tags, int Indent) {
    for (const auto& T : Tags) {
        uint16_t Code = T->TagID;
        std::string Note;
        if (auto* Raw = dynamic_cast<TSWFByteCodeTag*>(T->SWFObject)) {
            Code = Raw->OriginalTagID;
            if (Raw->Message != "Uniknow tag") Note = "  (raw: " + Raw->Message + ")";
        }
        std::printf("%*s%3u %-28s len %-8d frame %u%s\n", Indent, "", Code, SWFTagName(Code), T->Length,
                    T->Frame, Note.c_str());
        if (!T->SubTags.empty()) DumpTags(T->SubTags, Indent + 4);
    }
}

int Dump(const std::string& FileName) {
    TSWFStreamReader Reader;
    Load(Reader, FileName);
    Reader.ReadTags(true, false);
    const TRect& R = Reader.FrameSize;
    std::printf(
        "%s version %u, file length %u, frame size %d,%d - %d,%d twips (%g x %g px), %.2f fps, %u frames\n",
        Reader.Signature().c_str(), Reader.Version(), Reader.FileLength(), R.Left, R.Top, R.Right, R.Bottom,
        (R.Right - R.Left) / 20.0, (R.Bottom - R.Top) / 20.0, Reader.FrameRate(), Reader.FrameCount);
    std::printf("%zu tags\n", Reader.TagList.size());
    DumpTags(Reader.TagList, 0);
    return 0;
}

int Rewrite(const std::string& In, const std::string& Out) {
    TSWFStreamReader Reader;
    Load(Reader, In);
    Reader.ReadTags(true, true);
    Reader.BuildBody();
    Reader.SetCompressed(false);
    Reader.SaveToFile(Out);
    std::printf("%s: %zu tags written\n", Out.c_str(), Reader.TagList.size());
    return 0;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    const std::string Command = argv[1];
    try {
        if (Command == "dump" && argc == 3) return Dump(argv[2]);
        if (Command == "rewrite" && argc == 4) return Rewrite(argv[2], argv[3]);
    } catch (const std::exception& E) {
        std::cerr << "pictavo-swf: " << E.what() << "\n";
        return 1;
    }
    return Usage();
}
