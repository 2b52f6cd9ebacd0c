#include "note_names.h"

#include <cctype>

std::optional<int> noteIndexFromName(std::string_view name)
{
    if (name.size() < 2 || name.size() > 3)
        return std::nullopt;

    int semitone = 0;
    switch (std::toupper(static_cast<unsigned char>(name[0]))) {
    case 'C': semitone = 0; break;
    case 'D': semitone = 2; break;
    case 'E': semitone = 4; break;
    case 'F': semitone = 5; break;
    case 'G': semitone = 7; break;
    case 'A': semitone = 9; break;
    case 'B': semitone = 11; break;
    default: return std::nullopt;
    }

    if (name.size() == 3) {
        char accidental = name[1];
        if (accidental == '#') {
            // No sharp of E or B: E#, B# are not keys of their own.
            if (semitone == 4 || semitone == 11)
                return std::nullopt;
            semitone += 1;
        } else if (accidental == 'b' || accidental == 'B') {
            // No flat of C or F, which would leave the octave or name a white key.
            if (semitone == 0 || semitone == 5)
                return std::nullopt;
            semitone -= 1;
        } else {
            return std::nullopt;
        }
    }

    char octave = name.back();
    if (octave < '0' || octave > '8')
        return std::nullopt;
    return 12 * (octave - '0') + semitone;
}

std::string noteDisplayName(std::string_view name)
{
    std::string shown(name);
    if (!shown.empty())
        shown[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(shown[0])));
    if (shown.size() == 3 && shown[1] == 'B')
        shown[1] = 'b';
    return shown;
}

std::string noteListName(int index)
{
    static constexpr const char* kSharp[] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    static constexpr const char* kFlat[] = {"", "Db", "", "Eb", "", "", "Gb", "", "Ab", "", "Bb", ""};
    const std::string octave = std::to_string(index / 12);
    std::string name = kSharp[index % 12] + octave;
    if (*kFlat[index % 12])
        name += std::string("/") + kFlat[index % 12] + octave;
    return name;
}
