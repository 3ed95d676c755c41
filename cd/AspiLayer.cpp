#include "cd/AspiLayer.h"

#include "cd/AspiCdb.h"
#include "cd/CommandSense.h"
#include "platform/scsi/ScsiHandles.h"
#include "platform/scsi/ScsiManager.h"
#include "platform/scsi/SrbLayout.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace quillon {

namespace {

constexpr int kCompletionWaitMs = 5000;
constexpr uint8_t kIn = srb::kDataIn;
constexpr uint8_t kOut = srb::kDataOut;

struct LayerState
{
    std::mutex mutex; // guards swapping the manager and the log file, not commands
    std::shared_ptr<ScsiManager> manager;
    int lastLoadStatus = -3;
    bool verbose = false;
    FILE* log = nullptr;
};

LayerState& State()
{
    static LayerState state;
    return state;
}

std::shared_ptr<ScsiManager> Manager()
{
    LayerState& s = State();
    std::lock_guard lock(s.mutex);
    return s.manager;
}

void Log(const char* format, ...) __attribute__((format(printf, 1, 2)));

void Log(const char* format, ...)
{
    LayerState& s = State();
    std::lock_guard lock(s.mutex);
    if (!s.verbose || s.log == nullptr)
        return;
    va_list args;
    va_start(args, format);
    std::vfprintf(s.log, format, args);
    va_end(args);
    std::fflush(s.log);
}

// Appends to the log only when it is a plain file of its own: a symbolic link put there
// would have our lines written into whatever it points to, and a FIFO would block.
std::FILE* OpenLogFile(const char* name)
{
    const int fd = ::open(name, O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    struct stat st;
    const bool plain = fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    std::FILE* log = plain ? ::fdopen(fd, "a") : nullptr;
    if (log != nullptr) {
        ::fcntl(fd, F_SETFL, O_APPEND);
        return log;
    }
    const int error = errno;
    if (fd >= 0)
        ::close(fd);
    const char* why = fd < 0 && error == ELOOP ? "it is a symbolic link, which is not followed"
                      : fd >= 0                ? "it is not a regular file"
                                               : std::strerror(error);
    std::fprintf(stderr, "quillon: the debug log %s is not written: %s\n", name, why);
    return nullptr;
}

void StartLog()
{
    LayerState& s = State();
    std::lock_guard lock(s.mutex);
    struct stat st;
    s.verbose = ::stat("debug", &st) == 0;
    if (s.log != nullptr) {
        std::fclose(s.log);
        s.log = nullptr;
    }
    if (!s.verbose)
        return;
    s.log = OpenLogFile("aspidbg.txt");
    if (s.log == nullptr)
        return;
    const std::time_t now = std::time(nullptr);
    char date[32];
    std::tm local{};
    ::localtime_r(&now, &local);
    // The standard library's 24-character date form with its newline, as asctime gives it.
    std::strftime(date, sizeof date, "%a %b %e %H:%M:%S %Y\n", &local);
    std::fprintf(s.log, "Debug started at %s\n", date);
    std::fflush(s.log);
}

void CopyText(char* out, const uint8_t* in, size_t width)
{
    std::memcpy(out, in, width);
    out[width] = '\0';
}

// The command result, with the whole sense and the adapter status kept beside it.
int32_t Conclude(const char* name, const uint8_t* block, int status, bool isRead)
{
    AspiCommandRecord record;
    record.name = name;
    if (status < 0) {
        record.result = status;
    } else {
        record.result = CombineResult(block[srb::kStatus], block[srb::kSenseArea + 2]);
        const size_t senseLength = std::min<size_t>(block[srb::kSenseLength], srb::kSenseRoom);
        record.sense = ParseSense(block + srb::kSenseArea, senseLength);
        record.adapterStatus = block[srb::kAdapterStatus];
    }
    NoteAspiCommand(record, isRead);
    return record.result;
}

// The result's sense key alone rarely says what went wrong; the log gets the rest on a
// line of its own after the operation's line.
void LogFailure(int ha, int target)
{
    const AspiCommandRecord record = aspi_last_command();
    const std::string why = DescribeCommandFailure(record);
    if (!why.empty())
        Log("%s : ha=%d target=%x failed with %s\n", record.name, ha, target, why.c_str());
}

int32_t ExecRead(const char* name, int ha, int target, const Cdb& cdb, uint8_t* buffer, uint32_t length)
{
    uint8_t block[srb::kExecuteSize] = {};
    const int status = aspi_exec_command(block, ha, target, buffer, length, kIn, cdb.bytes.data(), cdb.length);
    const int32_t result = Conclude(name, block, status, true);
    Log("%s : ha=%d target=%x ret=%d\n", name, ha, target, result);
    LogFailure(ha, target);
    return result;
}

} // namespace

int32_t CombineResult(uint8_t status, uint8_t senseByte2)
{
    return static_cast<int32_t>(status | ((senseByte2 & 0x0Fu) << 16));
}

int aspi_load_manager(std::unique_ptr<ScsiManager> manager)
{
    StartLog();
    LayerState& s = State();
    int result;
    if (!manager) {
        result = -3;
        std::lock_guard lock(s.mutex);
        s.manager.reset();
        s.lastLoadStatus = result;
        return result;
    }
    const uint32_t support = manager->GetSupportInfo();
    {
        std::lock_guard lock(s.mutex);
        s.manager = std::move(manager);
        if ((support >> 8) != 1) {
            s.lastLoadStatus = static_cast<int>(support);
            return -1;
        }
        s.lastLoadStatus = 0;
    }
    result = static_cast<int>(support & 0xFF);
    Log("aspi_load OK returned %d\n", result);
    return result;
}

int aspi_load()
{
    return aspi_load_manager(LoadScsiManager());
}

int aspi_last_load_status()
{
    LayerState& s = State();
    std::lock_guard lock(s.mutex);
    return s.lastLoadStatus;
}

int aspi_exec_command(uint8_t* block, int ha, int target, uint8_t* data, uint32_t length, uint8_t flags,
                      const uint8_t* cdb, int cdbLength)
{
    auto manager = Manager();
    if (!manager)
        return -1;
    ScsiEvent event;
    std::vector<uint8_t> bounce(BounceBufferSize(length), 0);
    if (length > 0 && data != nullptr)
        std::memcpy(bounce.data(), data, length);
    const uint32_t dataHandle = ScsiHandleAdd(bounce.data());
    const uint32_t eventHandle = ScsiHandleAdd(&event);
    const uint32_t blockHandle = ScsiHandleAdd(block);

    BuildExecuteBlock(block, static_cast<uint8_t>(ha), static_cast<uint8_t>(target), flags, length, dataHandle,
                      eventHandle, cdb, static_cast<uint8_t>(cdbLength));
    manager->SendCommand(block);
    if (block[srb::kStatus] == srb::kPending) {
        if (event.Wait(kCompletionWaitMs)) {
            event.Reset();
        } else if (block[srb::kStatus] == srb::kPending) {
            uint8_t abort[srb::kAbortSize];
            BuildAbortBlock(abort, static_cast<uint8_t>(ha), blockHandle);
            manager->SendCommand(abort);
        }
    }
    if (length > 0 && data != nullptr)
        std::memcpy(data, bounce.data(), length);
    ScsiHandleRemove(blockHandle);
    ScsiHandleRemove(eventHandle);
    ScsiHandleRemove(dataHandle);
    return block[srb::kStatus];
}

int aspi_exec_command6(uint8_t* block, int ha, int target, uint8_t opcode, uint8_t* data, uint32_t length,
                       uint8_t flags)
{
    const Cdb cdb = CdbSixByte(opcode, length);
    return aspi_exec_command(block, ha, target, data, length, flags, cdb.bytes.data(), cdb.length);
}

int32_t aspi_inquire_host_adapter(int ha, char managerId[17], char adapterId[17])
{
    auto manager = Manager();
    if (!manager)
        return -1;
    uint8_t block[srb::kHostAdapterInquirySize];
    BuildHostAdapterInquiryBlock(block, static_cast<uint8_t>(ha));
    const auto ret = static_cast<int32_t>(manager->SendCommand(block));
    if (ret == srb::kInvalidAdapter) {
        Log("aspi_inquire_host_adapter :ret=%d, failed\n", ret);
        return ret;
    }
    CopyText(managerId, block + srb::kManagerId, srb::kIdTextLength);
    CopyText(adapterId, block + srb::kAdapterIdentifier, srb::kIdTextLength);
    Log("aspi_inquire_host_adapter :ret=%d %s %s\n", ret, managerId, adapterId);
    return ret;
}

int aspi_get_device_type(int ha, int target, int& deviceType)
{
    auto manager = Manager();
    if (!manager)
        return -1;
    uint8_t block[srb::kDeviceTypeSize];
    BuildDeviceTypeBlock(block, static_cast<uint8_t>(ha), static_cast<uint8_t>(target));
    const auto ret = static_cast<int>(manager->SendCommand(block));
    const int status = block[srb::kStatus];
    if (status == srb::kComplete)
        deviceType = block[srb::kDeviceType];
    Log("aspi_get_device_type ha=%d target=%d ret=%d devtype=%d\n", ha, target, ret,
        status == srb::kComplete ? deviceType : 0);
    return status;
}

int aspi_inquire_device(int ha, int target, char vendor[9], char product[17], char revision[5])
{
    uint8_t reply[44] = {};
    uint8_t block[srb::kExecuteSize] = {};
    const int status = aspi_exec_command6(block, ha, target, 0x12, reply, sizeof reply, kIn);
    if (status == srb::kComplete) {
        CopyText(vendor, reply + 8, 8);
        CopyText(product, reply + 16, 16);
        CopyText(revision, reply + 32, 4);
        Log("aspi_inquire_device ha=%d target=%d vendor=%s prod=%s revis=%s ret:%d\n", ha, target, vendor, product,
            revision, status);
    }
    return status;
}

int32_t aspi_cd_read_toc(int ha, int target, int& count, TocEntry* table, int capacity)
{
    uint8_t reply[2352] = {};
    uint8_t block[srb::kExecuteSize] = {};
    const Cdb cdb = CdbReadToc();
    const int status = aspi_exec_command(block, ha, target, reply, sizeof reply, kIn, cdb.bytes.data(), cdb.length);
    const int32_t result = Conclude("aspi_cd_read_toc", block, status, false);
    if (result == 1) {
        const int claimed = ((reply[0] << 8 | reply[1]) - 2) / 8;
        // A reply claiming more descriptors than the reply buffer or the table holds is
        // cut to what both hold.
        const int inReply = (static_cast<int>(sizeof reply) - 4) / 8;
        count = std::max(0, std::min({claimed, inReply, capacity}));
        for (int i = 0; i < count; ++i) {
            const uint8_t* d = reply + 4 + 8 * i;
            table[i].reserved = d[0];
            table[i].adrControl = d[1];
            table[i].trackNumber = d[2];
            table[i].reserved2 = d[3];
            table[i].start = static_cast<uint32_t>(d[4]) << 24 | d[5] << 16 | d[6] << 8 | d[7];
        }
    }
    Log("aspi_cd_read_toc : ha=%d target=%x ret=%d\n", ha, target, result);
    LogFailure(ha, target);
    return result;
}

int32_t aspi_cd_read_audio_blocks(int ha, int target, uint32_t lba, uint32_t count, uint8_t* buffer)
{
    return ExecRead("aspi_cd_read_audio_blocks", ha, target, CdbReadCd10(lba, count), buffer, count * 2352);
}

int32_t aspi_cd_read_audio_blocks12mmc(int ha, int target, uint32_t lba, uint32_t count, uint8_t* buffer)
{
    return ExecRead("aspi_cd_read_audio_blocks12mmc", ha, target, CdbReadCd12(lba, count), buffer, count * 2352);
}

// Neither counts as a failed read of audio: a drive that refuses them rips as before.
int32_t aspi_cd_read_subchannel(int ha, int target, uint8_t format, int track, uint8_t reply[24])
{
    uint8_t block[srb::kExecuteSize] = {};
    const Cdb cdb = CdbReadSubChannel(format, track);
    const int status = aspi_exec_command(block, ha, target, reply, 24, kIn, cdb.bytes.data(), cdb.length);
    const int32_t result = Conclude("aspi_cd_read_subchannel", block, status, false);
    Log("aspi_cd_read_subchannel : ha=%d target=%x format=%d track=%d ret=%d\n", ha, target, format, track, result);
    return result;
}

int32_t aspi_cd_read_q(int ha, int target, uint32_t lba, uint8_t sector[2352 + 16])
{
    uint8_t block[srb::kExecuteSize] = {};
    const Cdb cdb = CdbReadCdQ(lba);
    const int status = aspi_exec_command(block, ha, target, sector, 2352 + 16, kIn, cdb.bytes.data(), cdb.length);
    const int32_t result = Conclude("aspi_cd_read_q", block, status, false);
    Log("aspi_cd_read_q : ha=%d target=%x lba=%u ret=%d\n", ha, target, lba, result);
    return result;
}

int32_t aspi_device_read_blocks(int ha, int target, uint32_t lba, uint32_t count, uint32_t blockSize, uint8_t* buffer)
{
    return ExecRead("aspi_device_read_blocks", ha, target, CdbRead10(lba, count), buffer, count * blockSize);
}

int32_t aspi_device_read_audio_blocks10(int ha, int target, uint32_t lba, uint32_t count, uint8_t* buffer)
{
    return ExecRead("aspi_device_read_audio_blocks10", ha, target, CdbReadD4(lba, count), buffer, count * 2352);
}

int32_t aspi_device_read_custom_audio_blocks10(int ha, int target, uint32_t lba, uint32_t count, uint8_t* buffer,
                                               uint8_t command)
{
    uint8_t block[srb::kExecuteSize] = {};
    const Cdb cdb = CdbReadCustom10(command, lba, count);
    const int status = aspi_exec_command(block, ha, target, buffer, count * 2352, kIn, cdb.bytes.data(), cdb.length);
    const int32_t result = Conclude("aspi_device_read_custom_audio_blocks10", block, status, true);
    Log("aspi_device_read_custom_audio_blocks10 : ha=%d target=%x cmd=%d ret=%d\n", ha, target,
        static_cast<int16_t>(command), result);
    LogFailure(ha, target);
    return result;
}

int32_t aspi_device_read_audio_blocks12(int ha, int target, uint32_t lba, uint32_t count, uint8_t* buffer)
{
    return ExecRead("aspi_device_read_audio_blocks12", ha, target, CdbReadD8(lba, count), buffer, count * 2352);
}

int32_t aspi_device_read_blocks12(int ha, int target, uint32_t lba, uint32_t count, uint32_t blockSize, uint8_t* buffer)
{
    return ExecRead("aspi_device_read_blocks12", ha, target, CdbRead12(lba, count), buffer, count * blockSize);
}

int32_t aspi_device_read_audio_blocks12MSF(int ha, int target, uint32_t lba, uint32_t count, uint8_t* buffer)
{
    return ExecRead("aspi_device_read_audio_blocks12MSF", ha, target, CdbReadD9Msf(lba, count), buffer, count * 2352);
}

int32_t aspi_mode_sense_capabilities(int ha, int target, uint8_t buffer[32])
{
    uint8_t block[srb::kExecuteSize] = {};
    const Cdb cdb = CdbModeSenseCapabilities();
    // The NT flag is never set here, so the 28 reply bytes land at offset 0.
    const int status = aspi_exec_command(block, ha, target, buffer, 28, kIn, cdb.bytes.data(), cdb.length);
    return Conclude("aspi_mode_sense_capabilities", block, status, false);
}

int32_t aspi_mode_select(int ha, int target, const uint8_t callerCdb[6], const uint8_t descriptor[8],
                         const uint8_t header[4])
{
    uint8_t data[12];
    std::memcpy(data, header, 4);
    std::memcpy(data + 4, descriptor, 8);
    uint8_t block[srb::kExecuteSize] = {};
    const Cdb cdb = CdbModeSelect6(callerCdb);
    const int status = aspi_exec_command(block, ha, target, data, sizeof data, kOut, cdb.bytes.data(), cdb.length);
    const int32_t result = Conclude("aspi_mode_select", block, status, false);
    Log("aspi_mode_select : ha=%d target=%d ret=%d\n", ha, target, result);
    LogFailure(ha, target);
    return result;
}

int32_t aspi_mode_sense(int ha, int target, const uint8_t callerCdb[6], uint8_t descriptor[8], uint8_t header[4])
{
    uint8_t data[12];
    std::memcpy(data, header, 4);
    std::memcpy(data + 4, descriptor, 8);
    uint8_t block[srb::kExecuteSize] = {};
    const Cdb cdb = CdbModeSense6(callerCdb);
    const int status = aspi_exec_command(block, ha, target, data, sizeof data, kIn, cdb.bytes.data(), cdb.length);
    std::memcpy(header, data, 4);
    std::memcpy(descriptor, data + 4, 8);
    const int32_t result = Conclude("aspi_mode_sense", block, status, false);
    Log("aspi_mode_sense : ha=%d target=%d ret=%d\n", ha, target, result);
    LogFailure(ha, target);
    return result;
}

} // namespace quillon
