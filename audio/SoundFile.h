#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <sndfile.h>

namespace quillon {

// The bytes libsndfile reads a file from: an open descriptor or a block of memory. Reads
// go through pread, so the descriptor's own position is left alone.
class ByteSource
{
public:
    virtual ~ByteSource() = default;
    virtual uint64_t Size() const = 0;
    // Up to `size` bytes from `offset`; the number read, 0 at the end or on a failure.
    virtual size_t ReadAt(void* into, size_t size, uint64_t offset) = 0;
};

std::unique_ptr<ByteSource> FileBytes(int fd);
std::unique_ptr<ByteSource> MemoryBytes(const uint8_t* data, size_t size);

// A file libsndfile opened for reading over a ByteSource (its virtual I/O), closed when
// destroyed. Not copyable: libsndfile keeps a pointer to it.
class SoundFile
{
public:
    // Empty (IsOpen false) when libsndfile cannot read the bytes.
    explicit SoundFile(std::unique_ptr<ByteSource> bytes);
    ~SoundFile();
    SoundFile(const SoundFile&) = delete;
    SoundFile& operator=(const SoundFile&) = delete;

    bool IsOpen() const { return file_ != nullptr; }
    const SF_INFO& Info() const { return info_; }
    SNDFILE* Handle() const { return file_; }

private:
    static sf_count_t Length(void* self);
    static sf_count_t Seek(sf_count_t offset, int whence, void* self);
    static sf_count_t Read(void* into, sf_count_t count, void* self);
    static sf_count_t Write(const void* from, sf_count_t count, void* self);
    static sf_count_t Tell(void* self);

    std::unique_ptr<ByteSource> bytes_;
    uint64_t position_ = 0;
    SF_INFO info_{};
    SNDFILE* file_ = nullptr;
};

} // namespace quillon
