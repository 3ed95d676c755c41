#include "cd/CdDrive.h"

#include "cd/DiscInfoStore.h"
#include "cd/DriveQuirks.h"
#include "platform/scsi/ShiftedRead.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <strings.h>

namespace quillon {

bool IsIdeAdapter(const char* id)
{
    return strncasecmp(id, "ESDI_506", 8) == 0 || strncasecmp(id, "IDEATAPI", 8) == 0 ||
           strncasecmp(id, "ATAPI", 5) == 0;
}

int CdDrive::Init(int adapter, int targetId, const char* adapterIdentifier)
{
    LoadDriveQuirks();
    *this = CdDrive{};
    // A unit that does not answer INQUIRY still gets its address, so that its slot
    // names the unit it stands for.
    hostAdapter = static_cast<int16_t>(adapter);
    target = static_cast<int16_t>(targetId);
    bus = IsIdeAdapter(adapterIdentifier) ? "IDE" : "SCSI";
    isScsi = strcasecmp(bus.c_str(), "IDE") == 0 ? 0 : 1;

    char v[9] = {}, p[17] = {}, r[5] = {};
    const int status = aspi_inquire_device(adapter, targetId, v, p, r);
    if (status <= 0)
        return -1;
    if (status == 1) {
        vendor = v;
        product = p;
        revision = r;
    }
    const DriveQuirk* q = FindDriveQuirk(vendor, product, revision);
    if (q == nullptr)
        return status;
    reservedValue = q->reserved;
    sectorsPerRead = q->sectorsPerRead;
    densityCode = q->density;
    needsModeSelect = q->modeSelect;
    byteSwap = q->byteSwap;
    switch (static_cast<uint16_t>(q->opcode)) {
    case 0x28: readMethod = kReadMethod10; break;
    case 0xD8: readMethod = kReadMethodD8; break;
    case 0xD4: readMethod = kReadMethodD4; break;
    case 0xBE: readMethod = kReadMethodReadCd12; break;
    case 0xA8: readMethod = kReadMethod12; break;
    default:
        readMethod = kReadMethodCustom;
        customOpcode = static_cast<uint16_t>(q->opcode);
        break;
    }
    return status;
}

int32_t CdDrive::ReadCorrectedAudio(uint32_t lba, uint32_t count, uint8_t* buffer)
{
    if (readCorrection == 0 || trackCount <= 0)
        return ReadAudio(lba, count, buffer);
    const TrackRecord& last = tracks[static_cast<size_t>(trackCount - 1)];
    const uint32_t leadOut = last.entry.start + last.sectors;
    const SectorReader read = [this](uint32_t first, uint32_t n, uint8_t* into) {
        return ReadAudio(first, n, into) == 1;
    };
    const int64_t firstByte = static_cast<int64_t>(lba) * kSectorBytes + int64_t{readCorrection} * 4;
    thread_local std::vector<uint8_t> scratch;
    return ReadShifted(read, leadOut, firstByte, static_cast<size_t>(count) * kSectorBytes, buffer, scratch) >= 0 ? 1
                                                                                                                  : 0;
}

int32_t CdDrive::ReadAudio(uint32_t lba, uint32_t count, uint8_t* buffer)
{
    int32_t result;
    if (!isScsi) {
        return aspi_cd_read_audio_blocks(hostAdapter, target, lba, count, buffer);
    }
    switch (readMethod) {
    case kReadMethodD8: result = aspi_device_read_audio_blocks12(hostAdapter, target, lba, count, buffer); break;
    case kReadMethodD4: result = aspi_device_read_audio_blocks10(hostAdapter, target, lba, count, buffer); break;
    case kReadMethodReadCd12: result = aspi_cd_read_audio_blocks12mmc(hostAdapter, target, lba, count, buffer); break;
    case kReadMethodCustom:
        result = aspi_device_read_custom_audio_blocks10(hostAdapter, target, lba, count, buffer,
                                                        static_cast<uint8_t>(customOpcode));
        break;
    case kReadMethod12: result = aspi_device_read_blocks12(hostAdapter, target, lba, count, 2352, buffer); break;
    default: result = aspi_device_read_blocks(hostAdapter, target, lba, count, 2352, buffer); break;
    }
    if (result == 1 && byteSwap) {
        const size_t bytes = static_cast<size_t>(count) * kSectorBytes;
        for (size_t i = 0; i + 1 < bytes; i += 2)
            std::swap(buffer[i], buffer[i + 1]);
    }
    return result;
}

int32_t CdDrive::SetBlockMode(int density, uint32_t blockLength)
{
    static const uint8_t kCdb[6] = {0x15, 0x10, 0x00, 0x00, 0x0C, 0x00};
    static const uint8_t kHeader[4] = {0x00, 0x00, 0x00, 0x08};
    const uint8_t descriptor[8] = {static_cast<uint8_t>(density),
                                   0,
                                   0,
                                   0,
                                   0,
                                   static_cast<uint8_t>(blockLength >> 16),
                                   static_cast<uint8_t>(blockLength >> 8),
                                   static_cast<uint8_t>(blockLength)};
    return aspi_mode_select(hostAdapter, target, kCdb, descriptor, kHeader);
}

int32_t CdDrive::PrepareForAudio()
{
    if (isScsi && needsModeSelect)
        return SetBlockMode(densityCode, 2352);
    return 1;
}

int32_t CdDrive::RestoreAfterAudio()
{
    if (isScsi && needsModeSelect)
        return SetBlockMode(0, 2048);
    return 1;
}

int32_t CdDrive::GetCapabilities(uint8_t buffer[32])
{
    if (!isScsi)
        return aspi_mode_sense_capabilities(hostAdapter, target, buffer);
    std::memset(buffer, 0, 28);
    buffer[13] |= 1;
    return 1;
}

int32_t CdDrive::ReadToc(int& count, TocEntry* table)
{
    totalSectors = 0;
    discId = 0;
    const int32_t result = aspi_cd_read_toc(hostAdapter, target, count, table);
    if (result != 1) {
        trackCount = 0;
        return result;
    }
    // The last entry read is the lead-out; a reply with more tracks than the drive's
    // records is cut to them, the entry after the last record closing it.
    const int entries = std::min(count, kTrackRecordCapacity + 1);
    if (FirstUnusableTocEntry(table, entries) >= 0) {
        trackCount = 0;
        return kTocUnusable;
    }
    int tracksRead = 0;
    for (int i = 0; i + 1 < entries; ++i) {
        TrackRecord& t = tracks[i];
        t.entry = table[i];
        t.sectors = table[i + 1].start - table[i].start;
        t.seconds = SectorsToSeconds(t.sectors);
        totalSectors += static_cast<int32_t>(t.sectors);
        discId = DiscIdentifierStep(discId, static_cast<uint32_t>(i + 1), t.seconds);
        ++tracksRead;
    }
    trackCount = static_cast<int16_t>(tracksRead);
    return 1;
}

int FirstUnusableTocEntry(const TocEntry* table, int count)
{
    for (int i = 0; i < count; ++i) {
        if (table[i].start > kTocLastUsableStart || (i > 0 && table[i].start < table[i - 1].start))
            return i;
    }
    return -1;
}

std::string UnusableTocText(const TocEntry* table, int count)
{
    const int bad = FirstUnusableTocEntry(table, count);
    if (bad < 0)
        return {};
    char text[160];
    if (table[bad].trackNumber == 0xAA && table[bad].start > kTocLastUsableStart)
        std::snprintf(text, sizeof text,
                      "The disc's table of contents cannot be read: the disc's end (its lead-out) is at sector %u.",
                      table[bad].start);
    else if (bad == 0 || table[bad].start > kTocLastUsableStart)
        std::snprintf(text, sizeof text, "The disc's table of contents cannot be read: track %d starts at sector %u.",
                      table[bad].trackNumber, table[bad].start);
    else
        std::snprintf(text, sizeof text, "The disc's table of contents cannot be read: track %d runs past %s.",
                      table[bad - 1].trackNumber, table[bad].trackNumber == 0xAA ? "the lead-out" : "the next track");
    return text;
}

int DetectDrives(DriveTable& drives)
{
    const int adapters = aspi_load();
    if (adapters <= 0)
        return -1;
    char managerId[17] = {};
    char adapterId[17] = {};
    int found = 0;
    int beyond = 0; // units the table has no slot for
    for (int a = 0; a < adapters; ++a) {
        aspi_inquire_host_adapter(a, managerId, adapterId);
        for (int t = 0; t < 8; ++t) {
            int type = 0;
            if (aspi_get_device_type(a, t, type) != 1 || type != 5)
                continue;
            if (found == kDriveSlots) {
                ++beyond;
                continue;
            }
            drives[found].Init(a, t, adapterId);
            ++found;
        }
    }
    if (beyond > 0)
        std::fprintf(stderr, "quillon: %d CD-ROM drives were found; only the first %d can be used\n", found + beyond,
                     kDriveSlots);
    return found > 0 ? found : -1;
}

} // namespace quillon
