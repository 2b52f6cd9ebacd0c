#include "tone_record.h"

#include "memory.h"
#include "tone_generator.h"


// Room for at least count samples; capacity is set to what it holds. A
// record of 1 MiB or more takes whole 2 MiB pieces marked for huge pages
// where the system grants them: a fresh record of a 10 s tone at 96000 Hz
// then costs two page faults instead of nearly a thousand, which took
// longer than computing its samples again. Null when there is no memory.
int32_t* newToneRecord(uint32_t count, uint32_t& capacity)
{
    constexpr size_t kHugePage = size_t{2} << 20;
    size_t bytes = size_t{count} * sizeof(int32_t);
    const bool huge = bytes >= kHugePage / 2;
    if (huge)
        bytes = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    void* memory = platform::allocateAligned(huge ? kHugePage : alignof(int32_t), bytes);
    if (memory && huge)
        platform::adviseHugePages(memory, bytes);  // only advice: without it the pages are small
    capacity = memory ? static_cast<uint32_t>(bytes / sizeof(int32_t)) : 0;
    return static_cast<int32_t*>(memory);
}

void ToneGenerator::RecordDeleter::operator()(int32_t* record) const
{
    platform::freeAligned(record);
}
