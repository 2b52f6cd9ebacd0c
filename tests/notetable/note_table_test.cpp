#include <gtest/gtest.h>

#include <cstring>
#include <string>
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

class NoteTableTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(createNoteTable()); }
    void TearDown() override { releaseNoteTable(); }
};

TEST_F(NoteTableTest, FrequenciesAreExactWhereDefined)
{
    const double* t = noteTable();
    ASSERT_NE(t, nullptr);
    // Every octave's A is exact; the other notes derive from their own A.
    for (int octave = 0; octave < 9; ++octave)
        EXPECT_EQ(t[12 * octave + 9], 27.5 * (1 << octave)) << "octave " << octave;
    EXPECT_EQ(t[57], 440.0);
    EXPECT_EQ(t[0], 16.351597831287414);
    EXPECT_EQ(t[48], 261.6255653005986);
    EXPECT_EQ(t[107], 7902.132820097986);
    for (int i = 1; i < kNoteCount; ++i)
        EXPECT_LT(t[i - 1], t[i]) << "index " << i;
}

TEST_F(NoteTableTest, ListTextsAndItemData)
{
    VectorList list;
    fillNoteList(list);
    ASSERT_EQ(list.texts.size(), 108u);
    EXPECT_EQ(list.texts[0], "C0: 16.351598");
    EXPECT_EQ(list.texts[13], "C#1 34.647829");
    EXPECT_EQ(list.texts[57], "A4 440.000000");
    EXPECT_EQ(list.texts[61], "C#5/Db5 554.365262");
    EXPECT_EQ(list.texts[73], "C#6Db6 1108.730524");
    EXPECT_EQ(list.texts[107], "B8 7902.132820");
    EXPECT_EQ(list.texts[9], "A0 27.500000");
    for (int octave = 1; octave < 9; ++octave) {
        const std::string& a = list.texts[12 * octave + 9];
        EXPECT_EQ(a.substr(0, 3), "A" + std::to_string(octave) + " ");
        EXPECT_EQ(a.substr(a.size() - 7), ".000000") << a;
    }
    // The dialog finds A4 by this prefix; it must be the only match.
    int matches = 0;
    for (const std::string& text : list.texts)
        matches += text.rfind("A4 440.00000", 0) == 0;
    EXPECT_EQ(matches, 1);
    for (int i = 0; i < kNoteCount; ++i)
        EXPECT_EQ(list.data[i], noteTable() + i) << "index " << i;
}

TEST(NoteTableLifecycle, ReleaseResetsAndRecreates)
{
    VectorList empty;
    fillNoteList(empty);  // no table yet: nothing added, no crash
    EXPECT_TRUE(empty.texts.empty());
    ASSERT_TRUE(createNoteTable());
    releaseNoteTable();
    EXPECT_EQ(noteTable(), nullptr);
    releaseNoteTable();  // a second release is harmless
    ASSERT_TRUE(createNoteTable());
    EXPECT_EQ(noteTable()[57], 440.0);
    releaseNoteTable();
}

TEST(FormatFixed, Examples)
{
    EXPECT_EQ(formatFixed(440.0, 6), "440.000000");
    EXPECT_EQ(formatFixed(16.351597831287414, 6), "16.351598");
    EXPECT_EQ(formatFixed(7902.132820097986, 11), "7902.13282009799");
    EXPECT_EQ(formatFixed(440.0, 11), "440.00000000000");
    EXPECT_EQ(formatFixed(27.1, 6), "27.100000");
    EXPECT_EQ(formatFixed(2.9999999, 6), "3.000000");
    EXPECT_EQ(formatFixed(0.000001, 6), "0.000001");
    EXPECT_EQ(formatFixed(-0.5, 6), "-0.500000");
    EXPECT_EQ(formatFixed(-0.0, 6), "0");
}

TEST(FormatFixed, DecimalsCount)
{
    // Above 11 is 11; a negative count counts by its magnitude.
    EXPECT_EQ(formatFixed(1.0 / 3.0, 12), "0.33333333333");
    EXPECT_EQ(formatFixed(1.0 / 3.0, 1000), "0.33333333333");
    EXPECT_EQ(formatFixed(1.0 / 3.0, -3), "0.333");
    EXPECT_EQ(formatFixed(1.0 / 3.0, INT32_MIN), "0.33333333333");
    // No decimals: the whole number rounded half up, with no point.
    EXPECT_EQ(formatFixed(2.5, 0), "3");
    EXPECT_EQ(formatFixed(2.4, 0), "2");
    EXPECT_EQ(formatFixed(-2.5, 0), "-3");
}

TEST(FormatFixed, LargeAndMissingBuffer)
{
    formatFixed(nullptr, 1.0, 6);  // ignored
    // Ten integer digits and eleven decimals fill the 24 characters exactly;
    // values without room for the fixed form must not overrun them.
    EXPECT_EQ(formatFixed(-9999999999.0, 11), "-9999999999.00000000000");
    EXPECT_EQ(formatFixed(4294967296.5, 1), "4294967296.5");
    for (double big : {1e10, -9999999999.9999999, -1.7976931348623157e308, -1.0 / 0.0, 0.0 / 0.0}) {
        char guarded[32];
        std::memset(guarded, 'x', sizeof guarded);
        formatFixed(guarded, big, 11);
        EXPECT_LT(std::strlen(guarded), 24u);
    }
}

}  // namespace
