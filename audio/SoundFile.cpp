#include "audio/SoundFile.h"

#include "formats/WavChunks.h"

#include <algorithm>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon {

namespace {

class FdBytes : public ByteSource
{
public:
    explicit FdBytes(int fd) : fd_(fd)
    {
        struct stat st
        {};
        size_ = fstat(fd, &st) == 0 && st.st_size > 0 ? static_cast<uint64_t>(st.st_size) : 0;
    }
    uint64_t Size() const override { return size_; }
    size_t ReadAt(void* into, size_t size, uint64_t offset) override
    {
        return ReadFileAt(fd_, static_cast<uint8_t*>(into), size, offset);
    }

private:
    int fd_;
    uint64_t size_ = 0;
};

class BlockBytes : public ByteSource
{
public:
    BlockBytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint64_t Size() const override { return size_; }
    size_t ReadAt(void* into, size_t size, uint64_t offset) override
    {
        if (offset >= size_)
            return 0;
        const size_t n = std::min<uint64_t>(size, size_ - offset);
        std::memcpy(into, data_ + offset, n);
        return n;
    }

private:
    const uint8_t* data_;
    size_t size_;
};

} // namespace

std::unique_ptr<ByteSource> FileBytes(int fd)
{
    return std::make_unique<FdBytes>(fd);
}

std::unique_ptr<ByteSource> MemoryBytes(const uint8_t* data, size_t size)
{
    return std::make_unique<BlockBytes>(data, size);
}

SoundFile::SoundFile(std::unique_ptr<ByteSource> bytes) : bytes_(std::move(bytes))
{
    static SF_VIRTUAL_IO io = {&SoundFile::Length, &SoundFile::Seek, &SoundFile::Read, &SoundFile::Write,
                               &SoundFile::Tell};
    file_ = sf_open_virtual(&io, SFM_READ, &info_, this);
    // What we feed is one or more whole sample frames a block; a file that claims no
    // channels or no rate has no audio to speak of.
    if (file_ && (info_.channels <= 0 || info_.samplerate <= 0)) {
        sf_close(file_);
        file_ = nullptr;
    }
}

SoundFile::~SoundFile()
{
    if (file_)
        sf_close(file_);
}

sf_count_t SoundFile::Length(void* self)
{
    return static_cast<sf_count_t>(static_cast<SoundFile*>(self)->bytes_->Size());
}

sf_count_t SoundFile::Seek(sf_count_t offset, int whence, void* self)
{
    auto& file = *static_cast<SoundFile*>(self);
    const auto size = static_cast<sf_count_t>(file.bytes_->Size());
    sf_count_t base = 0;
    if (whence == SEEK_CUR)
        base = static_cast<sf_count_t>(file.position_);
    else if (whence == SEEK_END)
        base = size;
    else if (whence != SEEK_SET)
        return -1;
    // Sizes in malformed headers reach here; keep the sum from overflowing.
    if ((offset > 0 && base > INT64_MAX - offset) || base + offset < 0)
        return -1;
    file.position_ = static_cast<uint64_t>(base + offset);
    return static_cast<sf_count_t>(file.position_);
}

sf_count_t SoundFile::Read(void* into, sf_count_t count, void* self)
{
    auto& file = *static_cast<SoundFile*>(self);
    if (count <= 0)
        return 0;
    const size_t got = file.bytes_->ReadAt(into, static_cast<size_t>(count), file.position_);
    file.position_ += got;
    return static_cast<sf_count_t>(got);
}

sf_count_t SoundFile::Write(const void*, sf_count_t, void*)
{
    return 0; // opened for reading only
}

sf_count_t SoundFile::Tell(void* self)
{
    return static_cast<sf_count_t>(static_cast<SoundFile*>(self)->position_);
}

} // namespace quillon
