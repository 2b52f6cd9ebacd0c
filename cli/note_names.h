// Note names as users type them on the command line.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// Index (12 * octave + semitone, 0 to 107) of a note name such as "A4",
// "C#4" or "Db4", in any letter case; octaves 0 to 8. Every sharp and flat
// spelling of the five black keys is accepted in every octave. Names outside
// C0 to B8 and other spellings give no index.
std::optional<int> noteIndexFromName(std::string_view name);

// The name as written for display: letter upper case, "b" for a flat
// ("db4" gives "Db4", "c#4" gives "C#4"). Meant for names that have an index.
std::string noteDisplayName(std::string_view name);

// Every name --note accepts for note index (0 to 107) in its usual spelling:
// "A4", or a black key's sharp and flat names, "C#4/Db4".
std::string noteListName(int index);
