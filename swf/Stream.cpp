#include "Stream.h"

#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <filesystem>

void TStream::ReadBuffer(void* Buffer, size_t Count) {
    if (Read(Buffer, Count) != Count) throw ESWFError("Unexpected end of data");
}

int64_t TStream::CopyFrom(TStream& Source, int64_t Count) {
    if (Count < 0) Count = Source.Remaining();
    uint8_t Chunk[65536];
    int64_t Done = 0;
    while (Done < Count) {
        size_t Want = static_cast<size_t>(std::min<int64_t>(Count - Done, sizeof(Chunk)));
        size_t Got = Source.Read(Chunk, Want);
        if (Got == 0) break;
        Write(Chunk, Got);
        Done += static_cast<int64_t>(Got);
    }
    return Done;
}

size_t TMemoryStream::Read(void* Buffer, size_t Count) {
    if (Pos_ >= Bytes_.size()) return 0;
    size_t N = std::min(Count, Bytes_.size() - Pos_);
    std::memcpy(Buffer, Bytes_.data() + Pos_, N);
    Pos_ += N;
    return N;
}

void TMemoryStream::Write(const void* Buffer, size_t Count) {
    if (Count == 0) return;
    const auto* Src = static_cast<const uint8_t*>(Buffer);
    if (Pos_ == Bytes_.size()) {
        Bytes_.insert(Bytes_.end(), Src, Src + Count);
    } else {
        if (Pos_ + Count > Bytes_.size()) Bytes_.resize(Pos_ + Count);
        std::memcpy(Bytes_.data() + Pos_, Src, Count);
    }
    Pos_ += Count;
}

void TMemoryStream::SetPosition(int64_t Pos) {
    if (Pos < 0) throw ESWFError("Stream position out of range");
    Pos_ = static_cast<size_t>(Pos);
}

void TMemoryStream::SetSize(int64_t NewSize) {
    if (NewSize < 0) throw ESWFError("Stream size out of range");
    Bytes_.resize(static_cast<size_t>(NewSize));
    if (Pos_ > Bytes_.size()) Pos_ = Bytes_.size();
}

void TMemoryStream::LoadFromFile(const std::string& FileName) {
    TFileStream File(FileName, TFileStream::Mode::Read);
    Clear();
    Bytes_.resize(static_cast<size_t>(File.Size()));
    File.ReadBuffer(Bytes_.data(), Bytes_.size());
}

void TMemoryStream::SaveToFile(const std::string& FileName) const {
    TSafeFileWriter Writer(FileName);
    Writer.Stream().Write(Bytes_.data(), Bytes_.size());
    Writer.Commit();
}

size_t TBoundedReadStream::Read(void* Buffer, size_t Count) {
    if (Count > Size_ - std::min(Pos_, Size_)) throw ESWFError("Unexpected end of tag data");
    if (Count == 0) return 0;
    std::memcpy(Buffer, Data_ + Pos_, Count);
    Pos_ += Count;
    return Count;
}

void TBoundedReadStream::Write(const void*, size_t) {
    throw ESWFError("Stream is read-only");
}

void TBoundedReadStream::SetPosition(int64_t Pos) {
    if (Pos < 0 || static_cast<uint64_t>(Pos) > Size_) throw ESWFError("Stream position out of range");
    Pos_ = static_cast<size_t>(Pos);
}

void TBoundedReadStream::SetSize(int64_t) {
    throw ESWFError("Stream is read-only");
}

namespace {
std::string SystemError(const std::string& What, const std::string& FileName) {
    return What + " \"" + FileName + "\": " + std::strerror(errno);
}
}  // namespace

TFileStream::TFileStream(const std::string& FileName, Mode OpenMode) : FileName_(FileName) {
    const char* M = OpenMode == Mode::Read ? "rb" : OpenMode == Mode::Create ? "w+b" : "r+b";
    File_ = std::fopen(FileName.c_str(), M);
    if (!File_) throw ESWFError(SystemError("Cannot open file", FileName));
}

TFileStream::~TFileStream() {
    if (File_) std::fclose(File_);
}

size_t TFileStream::Read(void* Buffer, size_t Count) {
    size_t N = std::fread(Buffer, 1, Count, File_);
    if (N < Count && std::ferror(File_)) throw ESWFError(SystemError("Cannot read file", FileName_));
    return N;
}

void TFileStream::Write(const void* Buffer, size_t Count) {
    if (Count && std::fwrite(Buffer, 1, Count, File_) != Count)
        throw ESWFError(SystemError("Cannot write file", FileName_));
}

int64_t TFileStream::Position() const {
    return ftello(File_);
}

void TFileStream::SetPosition(int64_t Pos) {
    if (fseeko(File_, Pos, SEEK_SET) != 0) throw ESWFError(SystemError("Cannot seek in file", FileName_));
}

int64_t TFileStream::Size() const {
    off_t Here = ftello(File_);
    fseeko(File_, 0, SEEK_END);
    off_t End = ftello(File_);
    fseeko(File_, Here, SEEK_SET);
    return End;
}

void TFileStream::SetSize(int64_t NewSize) {
    std::fflush(File_);
    if (ftruncate(fileno(File_), NewSize) != 0) throw ESWFError(SystemError("Cannot resize file", FileName_));
    if (Position() > NewSize) SetPosition(NewSize);
}

void TFileStream::Close() {
    if (!File_) return;
    bool Failed = std::fflush(File_) != 0 || fsync(fileno(File_)) != 0;
    Failed = std::fclose(File_) != 0 || Failed;
    File_ = nullptr;
    if (Failed) throw ESWFError(SystemError("Cannot write file", FileName_));
}

TSafeFileWriter::TSafeFileWriter(const std::string& FileName)
    : FileName_(FileName), TempName_(FileName + ".tmp" + std::to_string(getpid())) {
    Stream_ = std::make_unique<TFileStream>(TempName_, TFileStream::Mode::Create);
}

TSafeFileWriter::~TSafeFileWriter() {
    if (Committed_) return;
    Stream_.reset();
    std::error_code Ignored;
    std::filesystem::remove(TempName_, Ignored);
}

void TSafeFileWriter::Commit() {
    Stream_->Close();
    std::error_code Error;
    std::filesystem::rename(TempName_, FileName_, Error);
    if (Error) throw ESWFError("Cannot replace file \"" + FileName_ + "\": " + Error.message());
    Committed_ = true;
}
