#include "render_loop.h"

#include <cstring>
#include <memory>
#include <new>

#include "wave_file.h"

bool renderToFile(const char* path, int bits, int rate, BlockSource& source,
                  ProgressNotifier* notifier)
{
    const int blockBytes = blockBytesForBits(bits);
    std::unique_ptr<unsigned char[]> block(new (std::nothrow) unsigned char[blockBytes]);
    if (!block)
        return false;
    if (!openWaveFile(path, rate, bits))
        return false;

    std::memset(block.get(), 0, static_cast<size_t>(blockBytes));
    bool written = writeWaveBlock(block.get(), blockBytes);
    if (notifier)
        notifier->blockRendered();
    while (written) {
        const bool more = source.pullBlock(block.get(), bits);
        if (more) {
            written = writeWaveBlock(block.get(), blockBytes);
            if (written && notifier)
                notifier->blockWritten(block.get(), blockBytes);
        }
        if (notifier)
            notifier->blockRendered();
        if (!more)
            break;
    }
    bool complete = false;
    closeWaveFile(&complete);
    return written && complete;
}
