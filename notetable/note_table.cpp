#include "note_table.h"

#include <cmath>
#include <cstdio>
#include <new>

namespace {

// The one table of the process; null until created and after release.
double* table = nullptr;

// Name of note i (index 12 * octave + semitone), each ending in one space.
// The spellings are the list's own: the colon after C0, no flat name for the
// C sharp of octaves 1 and 2, and no slash in octaves 6 to 8.
const char* const kNoteNames[kNoteCount] = {
    "C0: ", "C#0/Db0 ", "D0 ", "D#0/Eb0 ", "E0 ", "F0 ", "F#0/Gb0 ", "G0 ", "G#0/Ab0 ", "A0 ", "A#0/Bb0 ", "B0 ",
    "C1 ",  "C#1 ",     "D1 ", "D#1/Eb1 ", "E1 ", "F1 ", "F#1/Gb1 ", "G1 ", "G#1/Ab1 ", "A1 ", "A#1/Bb1 ", "B1 ",
    "C2 ",  "C#2 ",     "D2 ", "D#2/Eb2 ", "E2 ", "F2 ", "F#2/Gb2 ", "G2 ", "G#2/Ab2 ", "A2 ", "A#2/Bb2 ", "B2 ",
    "C3 ",  "C#3/Db3 ", "D3 ", "D#3/Eb3 ", "E3 ", "F3 ", "F#3/Gb3 ", "G3 ", "G#3/Ab3 ", "A3 ", "A#3/Bb3 ", "B3 ",
    "C4 ",  "C#4/Db4 ", "D4 ", "D#4/Eb4 ", "E4 ", "F4 ", "F#4/Gb4 ", "G4 ", "G#4/Ab4 ", "A4 ", "A#4/Bb4 ", "B4 ",
    "C5 ",  "C#5/Db5 ", "D5 ", "D#5/Eb5 ", "E5 ", "F5 ", "F#5/Gb5 ", "G5 ", "G#5/Ab5 ", "A5 ", "A#5/Bb5 ", "B5 ",
    "C6 ",  "C#6Db6 ",  "D6 ", "D#6Eb6 ",  "E6 ", "F6 ", "F#6Gb6 ",  "G6 ", "G#6Ab6 ",  "A6 ", "A#6Bb6 ",  "B6 ",
    "C7 ",  "C#7Db7 ",  "D7 ", "D#7Eb7 ",  "E7 ", "F7 ", "F#7Gb7 ",  "G7 ", "G#7Ab7 ",  "A7 ", "A#7Bb7 ",  "B7 ",
    "C8 ",  "C#8Db8 ",  "D8 ", "D#8Eb8 ",  "E8 ", "F8 ", "F#8Gb8 ",  "G8 ", "G#8Ab8 ",  "A8 ", "A#8Bb8 ",  "B8 ",
};

constexpr int kMaxDecimals = 11;
constexpr int kFixedBufferBytes = 24;
// Largest integer part the fixed form has room for: ten digits.
constexpr uint64_t kMaxIntegerPart = 9999999999u;

// Appends the decimal digits of value, left-padded with '0' to width.
char* putDecimal(char* out, uint64_t value, int width)
{
    char digits[20];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    for (int i = count; i < width; ++i)
        *out++ = '0';
    while (count > 0)
        *out++ = digits[--count];
    return out;
}

}  // namespace

bool createNoteTable()
{
    if (table)
        return true;
    table = new (std::nothrow) double[kNoteCount];
    if (!table)
        return false;
    // Each octave's A is exact (27.5 doubled per octave); the other eleven
    // notes are derived from the A of their own octave.
    float a = 27.5f;
    for (int octave = 0; octave < 9; ++octave) {
        for (int k = -9; k <= 2; ++k) {
            double ratio = std::pow(2.0, static_cast<double>(k) / 12.0);
            table[12 * octave + k + 9] = (k == 0) ? static_cast<double>(a)
                                                  : static_cast<double>(a) * ratio;
        }
        a = 2.0f * a;
    }
    return true;
}

const double* noteTable()
{
    return table;
}

void fillNoteList(NoteListSink& list)
{
    if (!table)
        return;
    char number[kFixedBufferBytes];
    for (int i = 0; i < kNoteCount; ++i) {
        formatFixed(number, table[i], 6);
        list.addNote(std::string(kNoteNames[i]) + number, &table[i]);
    }
}

void releaseNoteTable()
{
    delete[] table;
    table = nullptr;
}

void formatFixed(char* buffer, double value, int32_t decimals)
{
    if (!buffer)
        return;
    if (value == 0.0) {
        buffer[0] = '0';
        buffer[1] = '\0';
        return;
    }

    // |decimals|, computed without overflowing on the most negative count.
    int n = decimals < 0 ? (decimals < -kMaxDecimals ? kMaxDecimals : -decimals)
                         : (decimals > kMaxDecimals ? kMaxDecimals : decimals);

    double magnitude = std::fabs(value);
    bool fits = std::isfinite(magnitude) && magnitude < 1e10;
    uint64_t integerPart = 0;
    uint64_t fractionDigits = 0;
    if (fits) {
        integerPart = static_cast<uint64_t>(std::floor(magnitude));
        double fraction = std::fmod(magnitude, 1.0);
        double scale = std::pow(10.0, n);
        double rounded = std::floor(fraction * scale + 0.5);
        if (rounded == scale) {
            ++integerPart;
            rounded = 0.0;
        }
        fractionDigits = static_cast<uint64_t>(rounded);
        fits = integerPart <= kMaxIntegerPart;
    }
    if (!fits) {
        // No room for the fixed form (or no finite value): the shortest
        // exact-enough general form, which always fits the buffer.
        std::snprintf(buffer, kFixedBufferBytes, "%.15g", value);
        return;
    }

    char* out = buffer;
    if (value < 0.0)
        *out++ = '-';
    out = putDecimal(out, integerPart, 1);
    // With no decimals the text is the rounded whole number, without a point.
    if (n > 0) {
        *out++ = '.';
        out = putDecimal(out, fractionDigits, n);
    }
    *out = '\0';
}

std::string formatFixed(double value, int32_t decimals)
{
    char buffer[kFixedBufferBytes];
    formatFixed(buffer, value, decimals);
    return buffer;
}
