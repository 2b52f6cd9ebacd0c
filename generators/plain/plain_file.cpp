#include "plain_file.h"

#include <cstring>

#include "plain_noise.h"
#include "plain_sines.h"

namespace {

constexpr uint32_t kBlockFrames = 512;
constexpr uint32_t kHeaderBytes = 140;
const char kNotice[] = "Veltrane test signal generator " VELTRANE_VERSION;

void putLE(std::vector<unsigned char>& out, size_t at, uint32_t value, int bytes)
{
    for (int k = 0; k < bytes; ++k)
        out[at + k] = static_cast<unsigned char>(value >> (8 * k));
}

void putText(std::vector<unsigned char>& out, size_t at, const char* text)
{
    std::memcpy(out.data() + at, text, std::strlen(text));
}

// The header of a file whose data chunk holds dataBytes; every field not
// named stays zero.
void putHeader(std::vector<unsigned char>& out, uint32_t rate, int32_t bits, uint32_t dataBytes)
{
    const uint32_t sampleBytes = static_cast<uint32_t>(bits) / 8, frameBytes = 2 * sampleBytes;
    putText(out, 0, "RIFF");
    putLE(out, 4, kHeaderBytes - 8 + dataBytes, 4);
    putText(out, 8, "WAVE");
    putText(out, 12, "fmt ");
    putLE(out, 16, 100, 4);              // the format chunk's size
    putLE(out, 20, 1, 2);                // integer PCM
    putLE(out, 22, 2, 2);                // channels
    putLE(out, 24, rate, 4);
    putLE(out, 28, frameBytes * rate, 4);  // bytes a second
    putLE(out, 32, frameBytes, 2);
    putLE(out, 34, static_cast<uint32_t>(bits), 2);
    putLE(out, 36, 82, 2);               // the record that follows
    putText(out, 38, kNotice);           // in a 64-byte field, NUL after it
    putText(out, 120, "fact");
    putLE(out, 124, 4, 4);
    putLE(out, 128, dataBytes / sampleBytes, 4);
    putText(out, 132, "data");
    putLE(out, 136, dataBytes, 4);
}

// The dither's source: state x 214013 + 2531011, answering bits 16 to 30 of
// the new state.
uint32_t nextDitherDraw(uint32_t& state)
{
    state = state * 214013u + 2531011u;
    return (state >> 16) & 0x7FFFu;
}

// A 32-bit-scale sample reduced to 16 bits: its magnitude plus two draws,
// shifted down by 16, with its sign put back.
int32_t dithered(int32_t s, uint32_t r1, uint32_t r2)
{
    const uint32_t magnitude = s < 0 ? 0u - static_cast<uint32_t>(s) : static_cast<uint32_t>(s);
    const uint32_t reduced = (magnitude + r1 + r2) >> 16;
    return s < 0 ? -static_cast<int32_t>(reduced) : static_cast<int32_t>(reduced);
}

}  // namespace

void plainDitherFrames(int32_t* first, int32_t* second, size_t count, uint32_t& state)
{
    for (size_t i = 0; i < count; ++i) {
        const uint32_t r1 = nextDitherDraw(state), r2 = nextDitherDraw(state);
        first[i] = dithered(first[i], r1, r2);
        const uint32_t r3 = nextDitherDraw(state), r4 = nextDitherDraw(state);
        if (second)
            second[i] = dithered(second[i], r3, r4);
    }
}

std::vector<unsigned char> PlainFiles::next(const PlainJob& job)
{
    if (!job.opens)
        return {};
    const double rate = job.rate;
    std::vector<int32_t> samples;
    switch (job.signal) {
    case PlainSignal::Sine:
        samples = plainTone(rate, job.frequency, job.duration, job.attenuation, job.bits, kBlockFrames);
        break;
    case PlainSignal::Sweep:
        samples = plainSweep(rate, job.frequency, job.endFrequency, job.duration, job.attenuation, job.bits,
                             kBlockFrames);
        break;
    case PlainSignal::PinkNoise:
        samples = plainPinkNoise(pink_, job.rate, job.duration, job.attenuation, job.bits, job.seedTime, kBlockFrames);
        break;
    case PlainSignal::WhiteNoise:
        samples = plainWhiteNoise(job.rate, job.duration, job.attenuation, job.bits, job.seedTime, kBlockFrames);
        break;
    }
    const bool sine = job.signal == PlainSignal::Sine || job.signal == PlainSignal::Sweep;
    uint32_t ditherState = job.seedTime;
    if (sine && job.bits == 16)
        plainDitherFrames(samples.data(), nullptr, samples.size(), ditherState);

    const size_t sampleBytes = static_cast<size_t>(job.bits) / 8;
    const size_t dataBytes = (kBlockFrames + samples.size()) * 2 * sampleBytes;
    std::vector<unsigned char> file(kHeaderBytes + dataBytes, 0);
    putHeader(file, job.rate, job.bits, static_cast<uint32_t>(dataBytes));
    size_t at = kHeaderBytes + kBlockFrames * 2 * sampleBytes;  // past the silent block
    for (const int32_t s : samples) {
        for (int channel = 0; channel < 2; ++channel) {
            putLE(file, at, static_cast<uint32_t>(s), static_cast<int>(sampleBytes));
            at += sampleBytes;
        }
    }
    return file;
}
