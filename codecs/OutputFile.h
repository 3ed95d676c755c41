#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace quillon {

// The file a codec program writes, buffered in large blocks. Errors are kept as a text for
// the user; after the first error every call does nothing and returns false.
class OutputFile
{
public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();

    // Creates the file, which must not exist yet.
    bool Open(const std::string& path);
    bool Write(std::span<const unsigned char> bytes);
    // Writes bytes at an offset from the start, after flushing what is buffered.
    bool WriteAt(std::uint64_t offset, std::span<const unsigned char> bytes);
    // Flushes and closes; false when any write or the close failed.
    bool Close();

    std::uint64_t BytesWritten() const { return written_ + buffer_.size(); }
    const std::string& Error() const { return error_; }

private:
    bool Flush();
    bool WriteAll(const unsigned char* data, size_t size);
    bool Fail(const char* what, int error);

    int fd_ = -1;
    std::string path_;
    std::vector<unsigned char> buffer_;
    std::uint64_t written_ = 0;
    std::string error_;
};

// Reads from a descriptor until the buffer is full or the input ends; returns the byte
// count, or -1 with errno set on a failure. Filling whole blocks keeps the encoders' calls few.
long ReadFull(int fd, unsigned char* buffer, size_t size);

} // namespace quillon
