#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <optional>
#include <vector>

#include "data_exchange.h"
#include "dialog_rules.h"

TEST(DataExchange, ScansTheLongestNumericPrefixLikeTheCLibrary)
{
    // A few of each kind; the fuzz target holds both readings to a plain
    // reference on any text.
    const std::pair<const char*, std::optional<double>> decimals[] = {
        {"  \t12", 12.0}, {"+.5", 0.5}, {"1e3x", 1000.0}, {"1e+", 1.0}, {"3,5", 3.0}, {"0x1A", 0.0},
        {"1e999", INFINITY}, {"-1e999", -INFINITY}, {"1e-999", 0.0}, {"4e-324", 4.9406564584124654e-324},
        {"", {}}, {"+.", {}}, {"nan", {}}};
    for (const auto& [text, value] : decimals)
        EXPECT_EQ(scanDecimal(text), value) << text;
    const std::pair<const char*, std::optional<uint32_t>> unsigneds[] = {
        {" +90dB", 90u}, {"-3", 4294967293u}, {"1.9", 1u}, {"99999999999999999999", 4294967295u},
        {"-99999999999", 4294967295u}, {"+ 3", {}}, {".5", {}}};
    for (const auto& [text, value] : unsigneds)
        EXPECT_EQ(scanUnsigned(text), value) << text;
    EXPECT_EQ(formatDouble(65.40639132514966), "65.4063913251497");
}

TEST(DialogRules, FieldsAreReadInOrderUntilTheFirstFailure)
{
    // Each row changes one field's text; the fields after a failing one keep
    // their values, the failing one keeps its old value or holds what it read.
    const struct {
        ValueField field;
        const char* text;
        const char* message;  // null: no failure
        double DialogValues::*member;
        double expected;
    } rows[] = {
        {ValueField::SweepStart, "abc", "Enter a number.", &DialogValues::sweepStartHz, 65.406391},
        {ValueField::SweepEnd, "30000", "Enter a number between 10 and 22050.", &DialogValues::sweepEndHz, 30000},
        {ValueField::Duration, "0.009", "Enter a number between 0.01 and 120.", &DialogValues::durationSec, 0.009},
        {ValueField::SineFrequency, " 10abc", nullptr, &DialogValues::sineHz, 10},
        {ValueField::Attenuation, "x", "Enter a positive integer.", nullptr, 0},
        {ValueField::Attenuation, "-3", "Enter an integer between 0 and 90.", nullptr, 4294967293.0},
    };
    const DialogValues defaults;
    for (const auto& row : rows) {
        std::map<ValueField, std::string> texts;
        for (ValueField f : kValueFields)
            texts[f] = "20";  // in range everywhere: shows which fields were read
        texts[row.field] = row.text;
        DialogValues v;
        const auto failure = readFields(v, [&](ValueField f) { return texts[f]; });
        ASSERT_EQ(failure.has_value(), row.message != nullptr) << row.text;
        if (row.member)
            EXPECT_EQ(v.*row.member, row.expected) << row.text;
        else
            EXPECT_EQ(v.attenuationDb, row.message == std::string("Enter a positive integer.") ? 3u : 4294967293u);
        if (!failure)
            continue;
        EXPECT_EQ(failure->field, row.field);
        EXPECT_EQ(failure->message, row.message);
        const bool after = row.field < ValueField::Attenuation;
        EXPECT_EQ(v.attenuationDb, after ? defaults.attenuationDb : v.attenuationDb) << row.text;
    }
    // Writing the defaults gives the texts the dialog starts with.
    std::vector<std::string> shown;
    for (ValueField f : kValueFields)
        shown.push_back(fieldText(defaults, f));
    EXPECT_EQ(shown, (std::vector<std::string>{"65.406391", "4186.009045", "0.5", "440", "3"}));
}

TEST(DialogRules, DefaultsAndRequests)
{
    EXPECT_EQ(defaultOutputPath("C:\\", '\\'), "C:\\\\Test.wav");  // the separator is always added
    EXPECT_EQ(defaultOutputPath("/home/u", '/'), "/home/u/Test.wav");
    EXPECT_EQ(defaultOutputPath("", '/'), "Test.wav");
    EXPECT_STREQ(rateItemText(48000), "48000");
    EXPECT_STREQ(rateItemText(0), "96000");
    EXPECT_EQ(noteFrequencyText(65.40639132514966), "65.40639132515");
    const std::pair<const char*, std::optional<int64_t>> seeds[] = {
        {"1700000000", 1700000000}, {"+7", 7}, {"-5", -5}, {"", {}}, {"12x", {}}, {"99999999999999999999", {}}};
    for (const auto& [text, seconds] : seeds)
        EXPECT_EQ(readSeedTime(text), seconds) << text;

    DialogValues v;
    JobRequest sweep, pink;
    fillRequest(sweep, SignalKind::Sweep, v, "a.wav", 48000);
    EXPECT_EQ(sweep.startHz, v.sweepStartHz);
    EXPECT_EQ(sweep.endHz, v.sweepEndHz);
    fillRequest(pink, SignalKind::PinkNoise, v, "b.wav", 44100);
    EXPECT_EQ(pink.startHz, 0.0);
    EXPECT_EQ(pink.endHz, 0.0);
    EXPECT_EQ(pink.attenuationDb, 3u);

    // The bar's range stays sane for durations the engine refuses.
    for (double duration : {1e300, double(INFINITY)})
        EXPECT_EQ(progressBlockCount(96000, duration), 65534);
    for (double duration : {-2.0, double(NAN)})
        EXPECT_EQ(progressBlockCount(44100, duration), 0);
}

namespace {

// Records a job's window actions in order, and counts the blocks written.
struct RecordingReporter : JobReporter, ProgressNotifier {
    void resetBar(int maximum) override { seen.push_back("reset " + std::to_string(maximum)); }
    void fillBar(int increment) override { seen.push_back("fill " + std::to_string(increment)); }
    void tell(const std::string& text, MessageIcon icon) override
    {
        seen.push_back((icon == MessageIcon::Warning ? "warn " : "info ") + text);
    }
    uint64_t blocksWritten() const override { return blocks; }
    void giveButtonsBack() override { seen.push_back("buttons"); }
    void blockRendered() override {}
    void blockWritten(const unsigned char*, int) override { ++blocks; }
    std::vector<std::string> seen;
    uint64_t blocks = 0;
};

} // namespace

TEST(DialogRules, AJobReportsWhatItsResultMeans)
{
    RecordingReporter reporter;
    ASSERT_TRUE(createEngine(&reporter, false));
    const auto dir = std::filesystem::temp_directory_path() / "veltrane-dialog-rules";
    std::filesystem::create_directories(dir);
    const std::string out = (dir / "out.wav").string();
    DialogValues v;
    const struct {
        SignalKind kind;
        double duration;
        std::string path;
        std::vector<std::string> expected;
    } rows[] = {
        {SignalKind::Sine, 0.5, out, {"reset 44", "fill 44", "buttons"}},
        {SignalKind::PinkNoise, 0.05, out,
         {"reset 5", "warn No file was written: the duration of 0.05 s is outside 0.1 to 120 s for pink noise.",
          "buttons"}},
        {SignalKind::Sine, 0.5, (dir / "missing" / "out.wav").string(),
         {"reset 44", "warn Invalid path or filename!!", "buttons"}},
        {SignalKind::Sine, 0.01, out,
         {"reset 1", "fill 1",
          "info The tone of 440 Hz is too short to render in 0.01 s: it needs at least two whole cycles and more "
          "than 512 samples. The file holds silence only.",
          "buttons"}},
    };
    for (const auto& row : rows) {
        reporter.seen.clear();
        v.durationSec = row.duration;
        JobRequest r;
        fillRequest(r, row.kind, v, row.path, 44100);
        runJob(r, reporter);
        EXPECT_EQ(reporter.seen, row.expected);
    }
    v.sineHz = 9.99;
    JobRequest low;
    fillRequest(low, SignalKind::Sine, v, out, 44100);
    EXPECT_EQ(refusalMessage(low), "No file was written: the frequency of 9.99 Hz is outside 10 to 22050 Hz.");
    v.attenuationDb = uint32_t(-3);
    fillRequest(low, SignalKind::Sweep, v, out, 44100);
    EXPECT_EQ(refusalMessage(low), "No file was written: the attenuation of -3 dB is outside 0 to 90 dB.");
    shutdownEngine();
    std::filesystem::remove_all(dir);
}
