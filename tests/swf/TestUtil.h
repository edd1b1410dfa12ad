// Small helpers shared by the SWF layer's tests.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "BitsEngine.h"
#include "SWFObject.h"

using TBytes = std::vector<uint8_t>;

inline TBytes Written(const std::function<void(TBitsEngine&)>& Write) {
    TMemoryStream S;
    TBitsEngine BE(S);
    Write(BE);
    BE.FlushLastByte(true);
    return S.TakeBytes();
}

// The body a record writes, without its tag header.
inline TBytes BodyOf(TSWFObject& Record) {
    return Written([&](TBitsEngine& BE) { Record.WriteTagBody(BE); });
}

// The complete tag a record writes, header included.
inline TBytes TagOf(TSWFObject& Record) {
    return Written([&](TBitsEngine& BE) { Record.WriteToStream(BE); });
}

inline std::string Hex(const TBytes& B) {
    static const char* Digits = "0123456789ABCDEF";
    std::string S;
    for (size_t i = 0; i < B.size(); ++i) {
        if (i) S.push_back(' ');
        S.push_back(Digits[B[i] >> 4]);
        S.push_back(Digits[B[i] & 15]);
    }
    return S;
}

inline TBytes FromHex(const std::string& S) {
    TBytes B;
    for (size_t i = 0; i + 1 < S.size();) {
        if (S[i] == ' ') {
            ++i;
            continue;
        }
        B.push_back(static_cast<uint8_t>(std::stoi(S.substr(i, 2), nullptr, 16)));
        i += 2;
    }
    return B;
}

// The SWF files of the corpus made by Flash authoring tools.
inline std::vector<std::filesystem::path> CorpusFiles() {
    std::vector<std::filesystem::path> Files;
    for (const auto& E : std::filesystem::directory_iterator(PICTAVO_CORPUS_DIR))
        if (E.path().extension() == ".swf") Files.push_back(E.path());
    std::sort(Files.begin(), Files.end());
    return Files;
}

inline TBytes FileBytes(const std::filesystem::path& P) {
    TMemoryStream M;
    M.LoadFromFile(P.string());
    return M.TakeBytes();
}
