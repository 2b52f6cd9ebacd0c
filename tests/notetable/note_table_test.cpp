#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "note_table.h"

namespace {

struct VectorList : NoteListSink {
    std::vector<std::string> texts;
    std::vector<const double*> data;
    void addNote(const std::string& text, const double* frequency) override
    {
        texts.push_back(text);
        data.push_back(frequency);
    }
};

TEST(NoteTable, FrequenciesListTextsAndLifecycle)
{
    VectorList list;
    fillNoteList(list);  // no table yet: nothing added, no crash
    EXPECT_TRUE(list.texts.empty());
    ASSERT_TRUE(createNoteTable());
    const double* t = noteTable();
    // Every octave's A is exact; the other notes derive from their own A.
    EXPECT_EQ(t[0], 16.351597831287414);
    EXPECT_EQ(t[48], 261.6255653005986);
    fillNoteList(list);
    ASSERT_EQ(list.texts.size(), 108u);
    for (const auto& [index, text] : std::vector<std::pair<int, std::string>>{
             {0, "C0: 16.351598"}, {13, "C#1 34.647829"}, {57, "A4 440.000000"}, {61, "C#5/Db5 554.365262"},
             {73, "C#6Db6 1108.730524"}, {107, "B8 7902.132820"}})
        EXPECT_EQ(list.texts[index], text);
    for (int octave = 0; octave < 9; ++octave)
        EXPECT_EQ(t[12 * octave + 9], 27.5 * (1 << octave)) << "octave " << octave;
    // The dialog finds A4 by this prefix; it must be the only match.
    int matches = 0;
    for (int i = 0; i < kNoteCount; ++i) {
        matches += list.texts[i].rfind("A4 440.00000", 0) == 0;
        EXPECT_EQ(list.data[i], t + i) << "index " << i;
    }
    EXPECT_EQ(matches, 1);
    releaseNoteTable();
    EXPECT_EQ(noteTable(), nullptr);
    releaseNoteTable();  // a second release is harmless
    ASSERT_TRUE(createNoteTable());
    EXPECT_EQ(noteTable()[57], 440.0);
    releaseNoteTable();
}

TEST(FormatFixed, ExamplesAndDecimals)
{
    // Above 11 decimals is 11, a negative count counts by its magnitude, and
    // none gives the whole number rounded half up with no point.
    const struct { double value; int32_t decimals; const char* text; } cases[] = {
        {440.0, 6, "440.000000"}, {16.351597831287414, 6, "16.351598"}, {7902.132820097986, 11, "7902.13282009799"},
        {440.0, 11, "440.00000000000"}, {27.1, 6, "27.100000"}, {2.9999999, 6, "3.000000"}, {0.000001, 6, "0.000001"},
        {-0.5, 6, "-0.500000"}, {-0.0, 6, "0"}, {-9999999999.0, 11, "-9999999999.00000000000"},
        {4294967296.5, 1, "4294967296.5"}, {1.0 / 3.0, 12, "0.33333333333"}, {1.0 / 3.0, 1000, "0.33333333333"},
        {1.0 / 3.0, -3, "0.333"}, {1.0 / 3.0, INT32_MIN, "0.33333333333"}, {2.5, 0, "3"}, {2.4, 0, "2"},
        {-2.5, 0, "-3"}};
    for (const auto& c : cases)
        EXPECT_EQ(formatFixed(c.value, c.decimals), c.text) << c.value << " " << c.decimals;
    formatFixed(nullptr, 1.0, 6);  // ignored
}

}  // namespace
