// Byte streams: the one abstraction every writer and reader of the SWF layer works on.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// Every failure of the SWF layer (bad file, stream or zlib failure) is raised as this exception.
class ESWFError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class TStream {
  public:
    virtual ~TStream() = default;
    // Reads at most Count bytes, returns how many were read.
    virtual size_t Read(void* Buffer, size_t Count) = 0;
    virtual void Write(const void* Buffer, size_t Count) = 0;
    virtual int64_t Position() const = 0;
    virtual void SetPosition(int64_t Pos) = 0;
    virtual int64_t Size() const = 0;
    virtual void SetSize(int64_t NewSize) = 0;

    int64_t Remaining() const { return Size() > Position() ? Size() - Position() : 0; }
    // Reads exactly Count bytes or raises ESWFError.
    void ReadBuffer(void* Buffer, size_t Count);
    // Copies Count bytes (all that remain when Count < 0) from Source at its position; returns the count
    // copied.
    int64_t CopyFrom(TStream& Source, int64_t Count = -1);
};

// A growable stream held in memory.
class TMemoryStream : public TStream {
  public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::vector<uint8_t> Bytes) : Bytes_(std::move(Bytes)) {}

    size_t Read(void* Buffer, size_t Count) override;
    void Write(const void* Buffer, size_t Count) override;
    int64_t Position() const override { return Pos_; }
    void SetPosition(int64_t Pos) override;
    int64_t Size() const override { return static_cast<int64_t>(Bytes_.size()); }
    void SetSize(int64_t NewSize) override;

    void Clear() {
        Bytes_.clear();
        Pos_ = 0;
    }
    const uint8_t* Memory() const { return Bytes_.data(); }
    uint8_t* Memory() { return Bytes_.data(); }
    const std::vector<uint8_t>& Bytes() const { return Bytes_; }
    std::vector<uint8_t> TakeBytes() {
        Pos_ = 0;
        return std::move(Bytes_);
    }
    void Reserve(size_t Capacity) { Bytes_.reserve(Capacity); }
    void LoadFromFile(const std::string& FileName);
    void SaveToFile(const std::string& FileName) const;

  private:
    std::vector<uint8_t> Bytes_;
    size_t Pos_ = 0;
};

// A read-only window over bytes owned elsewhere. Reading past its end raises ESWFError, so a parser that
// trusts a count from a file stops at the end of the data it was given instead of inventing bytes.
class TBoundedReadStream : public TStream {
  public:
    TBoundedReadStream(const uint8_t* Data, size_t Size) : Data_(Data), Size_(Size) {}

    size_t Read(void* Buffer, size_t Count) override;
    void Write(const void*, size_t) override;
    int64_t Position() const override { return static_cast<int64_t>(Pos_); }
    void SetPosition(int64_t Pos) override;
    int64_t Size() const override { return static_cast<int64_t>(Size_); }
    void SetSize(int64_t) override;
    const uint8_t* Data() const { return Data_; }

  private:
    const uint8_t* Data_;
    size_t Size_;
    size_t Pos_ = 0;
};

// A file on disk, opened for reading or created for writing.
class TFileStream : public TStream {
  public:
    enum class Mode { Read, Create, ReadWrite };
    TFileStream(const std::string& FileName, Mode OpenMode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    size_t Read(void* Buffer, size_t Count) override;
    void Write(const void* Buffer, size_t Count) override;
    int64_t Position() const override;
    void SetPosition(int64_t Pos) override;
    int64_t Size() const override;
    void SetSize(int64_t NewSize) override;
    // Flushes and closes; raises on a write error that only shows at close time.
    void Close();
    const std::string& FileName() const { return FileName_; }

  private:
    std::FILE* File_ = nullptr;
    std::string FileName_;
};

// Writes a file safely: the bytes go to a temporary file beside the target, which replaces the target only
// once everything was written. A failed save leaves the old file intact.
class TSafeFileWriter {
  public:
    explicit TSafeFileWriter(const std::string& FileName);
    ~TSafeFileWriter();  // removes the temporary file unless Commit succeeded
    TStream& Stream() { return *Stream_; }
    void Commit();

  private:
    std::string FileName_;
    std::string TempName_;
    std::unique_ptr<TFileStream> Stream_;
    bool Committed_ = false;
};
