#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>

#include <chrono>
#include <filesystem>
#include <thread>

#include "app_test_support.h"
#include "engine.h"
#include "generate_request.h"
#include "progress_bar.h"
#include "progress_relay.h"
#include "quorrel_dlg.h"
#include "simple_combo_box.h"
#include "test_files.h"

namespace {

class JobTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensureApplication();
        dialog = std::make_unique<CQuorrelDlg>();
        dialog->show();
        // As for a user: the window is up and active before anything is clicked.
        ASSERT_TRUE(waitUntil([&] { return dialog->isActiveWindow(); }));
        setText("pathEdit", QString::fromStdString(scratch.file("out.wav")));
    }

    QLineEdit* edit(const char* name) { return dialog->findChild<QLineEdit*>(name); }
    QPushButton* button(const char* name) { return dialog->findChild<QPushButton*>(name); }
    void setText(const char* name, const QString& text) { edit(name)->setText(text); }
    bool buttonsEnabled()
    {
        return button("sineButton")->isEnabled() && button("sweepButton")->isEnabled() &&
               button("pinkButton")->isEnabled() && button("whiteButton")->isEnabled();
    }
    // Clicks a generate button and waits for the job to give the buttons back.
    void runJob(const char* name)
    {
        button(name)->click();
        ASSERT_TRUE(waitUntil([&] { return !dialog->isBusy(); }));
        EXPECT_TRUE(buttonsEnabled());
    }

    ScratchDir scratch;
    std::unique_ptr<CQuorrelDlg> dialog;
};

TEST_F(JobTest, SineJobWritesTheFileAndFillsTheBar)
{
    std::vector<int> values;
    QObject::connect(dialog->progressBar(), &QProgressBar::valueChanged, [&](int v) { values.push_back(v); });
    button("sineButton")->click();
    EXPECT_TRUE(dialog->isBusy());
    EXPECT_FALSE(buttonsEnabled());
    ASSERT_TRUE(waitUntil([&] { return !dialog->isBusy(); }));
    EXPECT_TRUE(buttonsEnabled());

    const auto bytes = readBytes(scratch.file("out.wav"));
    EXPECT_EQ(bytes.size(), 140u + 45u * 2048u); // silence + 44 blocks of 0.5 s at 44100 Hz
    EXPECT_TRUE(isConsistentWave(bytes));
    EXPECT_EQ(le32(bytes, 24), 44100u);

    // The bar counted up one block at a time and never wrapped round.
    EXPECT_EQ(dialog->progressBar()->maximum(), 44);
    EXPECT_EQ(dialog->progressBar()->value(), 44);
    ASSERT_GE(values.size(), 44u);
    for (size_t i = 1; i < values.size(); ++i)
        EXPECT_EQ(values[i], values[i - 1] + 1);
}

TEST_F(JobTest, NoiseAndSweepJobsUseTheirFields)
{
    setText("durationEdit", "0.1");
    runJob("whiteButton");
    EXPECT_EQ(readBytes(scratch.file("out.wav")).size(), 20620u);

    dialog->findChild<QRadioButton*>("bits24")->click();
    setText("durationEdit", "0.2");
    runJob("pinkButton");
    auto bytes = readBytes(scratch.file("out.wav"));
    EXPECT_TRUE(isConsistentWave(bytes));
    EXPECT_EQ(le16(bytes, 34), 24);

    setText("sweepStartEdit", "1000");
    setText("sweepEndEdit", "100");
    runJob("sweepButton");
    bytes = readBytes(scratch.file("out.wav"));
    EXPECT_TRUE(isConsistentWave(bytes));
    EXPECT_GT(bytes.size(), 140u + 3072u);
    EXPECT_EQ(dialog->sweepStartHz(), 1000.0);
}

TEST_F(JobTest, EachBadFieldIsReportedAndTheJobStillRuns)
{
    struct Case {
        const char* field;
        const char* text;
        const char* message;
    } cases[] = {
        {"sweepStartEdit", "abc", "Enter a number."},
        {"sweepEndEdit", "30000", "Enter a number between 10 and 22050."},
        {"durationEdit", "0.009", "Enter a number between 0.01 and 120."},
        {"freqEdit", "9.99", "Enter a number between 10 and 22050."},
        {"attenEdit", "x", "Enter a positive integer."},
        {"attenEdit", "-3", "Enter an integer between 0 and 90."},
    };
    for (const Case& c : cases) {
        const QString good = edit(c.field)->text();
        setText(c.field, c.text);
        MessageCatcher catcher;
        runJob("sineButton");
        ASSERT_EQ(catcher.messages.size(), 1u) << c.field;
        EXPECT_EQ(catcher.messages[0].text, c.message);
        EXPECT_EQ(catcher.messages[0].caption, QCoreApplication::applicationName());
        EXPECT_EQ(catcher.messages[0].icon, QMessageBox::Warning);
        EXPECT_EQ(dialog->focusWidget(), edit(c.field)) << c.field;
        EXPECT_EQ(edit(c.field)->selectedText(), c.text) << c.field;
        setText(c.field, good);
    }
    EXPECT_EQ(dialog->attenuationDb(), 4294967293u);
    EXPECT_EQ(dialog->progressBar()->value(), dialog->progressBar()->maximum());
}

TEST_F(JobTest, ExchangeStopsAtTheFirstBadField)
{
    setText("durationEdit", "abc");
    setText("freqEdit", "1000");
    setText("attenEdit", "20");
    MessageCatcher catcher;
    runJob("sineButton");
    EXPECT_EQ(catcher.messages.size(), 1u);
    EXPECT_EQ(dialog->sineHz(), 440.0);
    EXPECT_EQ(dialog->attenuationDb(), 3u);
    // The job ran with the values of before: a 0.5 s tone.
    EXPECT_EQ(readBytes(scratch.file("out.wav")).size(), 140u + 45u * 2048u);

    setText("durationEdit", "0.009");
    std::filesystem::remove(scratch.file("out.wav"));
    MessageCatcher second;
    runJob("sineButton");
    EXPECT_FALSE(std::filesystem::exists(scratch.file("out.wav"))); // the engine refused it
    EXPECT_EQ(dialog->progressBar()->maximum(), 1);
    EXPECT_EQ(dialog->progressBar()->value(), 1);
}

TEST_F(JobTest, BadPathsAreReportedAndTheButtonsComeBackAfterwards)
{
    const std::string tooLong = scratch.path().string() + "/" + std::string(4100, 'a') + ".wav";
    for (const std::string& path : {scratch.file("missing/out.wav"), tooLong}) {
        setText("pathEdit", QString::fromStdString(path));
        bool enabledWhileShown = true;
        MessageCatcher catcher([&] { enabledWhileShown = buttonsEnabled(); });
        runJob("sineButton");
        ASSERT_EQ(catcher.messages.size(), 1u);
        EXPECT_EQ(catcher.messages[0].text, "Invalid path or filename!!");
        EXPECT_EQ(catcher.messages[0].caption, "Veltrane");
        EXPECT_EQ(catcher.messages[0].icon, QMessageBox::Warning);
        EXPECT_FALSE(enabledWhileShown);
        EXPECT_EQ(dialog->progressBar()->value(), 0);
    }
    EXPECT_TRUE(std::filesystem::is_empty(scratch.path()));
}

TEST_F(JobTest, PathsLongerThan255BytesReachTheFileWhole)
{
    const std::filesystem::path dir = scratch.path() / std::string(200, 'd');
    std::filesystem::create_directory(dir);
    const std::string path = (dir / (std::string(200, 'f') + ".wav")).string();
    setText("pathEdit", QString::fromStdString(path));
    runJob("sineButton");
    EXPECT_TRUE(isConsistentWave(readBytes(path)));
}

TEST_F(JobTest, RateChangeAppliesFromTheNextJob)
{
    auto* rates = dialog->findChild<SimpleComboBox*>("rateCombo");
    setText("durationEdit", "5");
    button("sineButton")->click();
    ASSERT_TRUE(waitUntil([&] { return dialog->progressBar()->value() > 0; })); // the job is rendering
    ASSERT_TRUE(dialog->isBusy());
    rates->listWidget()->setCurrentRow(2); // 96000, while the job runs
    ASSERT_TRUE(waitUntil([&] { return !dialog->isBusy(); }));
    EXPECT_EQ(le32(readBytes(scratch.file("out.wav")), 24), 44100u);

    setText("durationEdit", "0.5");
    runJob("sineButton");
    EXPECT_EQ(le32(readBytes(scratch.file("out.wav")), 24), 96000u);
    EXPECT_EQ(dialog->progressBar()->maximum(), 94); // floor(96000 * 0.5 / 512) + 1
}

TEST_F(JobTest, AKindWithoutEntryPointEndsLikeAFinishedJob)
{
    dialog->EnableGenerateButtons(false);
    auto request = std::make_unique<GenerateRequest>();
    request->path = scratch.file("out.wav");
    request->durationSec = 1.0;
    request->sampleRate = 44100;
    request->kind = static_cast<SignalKind>(1);
    request->progress = dialog->progressBar();
    request->dialog = dialog.get();
    std::thread worker(GenerateThreadProc, std::move(request));
    ASSERT_TRUE(waitUntil([&] { return buttonsEnabled(); }));
    worker.join();
    EXPECT_FALSE(std::filesystem::exists(scratch.file("out.wav")));
    EXPECT_EQ(dialog->progressBar()->maximum(), 87);
    EXPECT_EQ(dialog->progressBar()->value(), 87);
}

TEST(JobClose, ClosingDuringAJobWaitsForAFinishedFile)
{
    ensureApplication();
    ScratchDir scratch;
    const std::string path = scratch.file("long.wav");
    CQuorrelDlg dialog;
    dialog.findChild<QLineEdit*>("pathEdit")->setText(QString::fromStdString(path));
    dialog.findChild<QLineEdit*>("durationEdit")->setText("30");
    dialog.findChild<QRadioButton*>("bits24")->click();
    dialog.findChild<SimpleComboBox*>("rateCombo")->listWidget()->setCurrentRow(2);

    bool visibleAfterEscape = false;
    QTimer::singleShot(0, [&] {
        dialog.findChild<QPushButton*>("whiteButton")->click();
        pressKey(&dialog, Qt::Key_Escape);
        visibleAfterEscape = dialog.isVisible() && dialog.isBusy() && dialog.isClosePending();
    });
    dialog.exec();

    EXPECT_TRUE(visibleAfterEscape);
    EXPECT_FALSE(dialog.isBusy());
    const auto bytes = readBytes(path);
    EXPECT_TRUE(isConsistentWave(bytes));
    EXPECT_GT(bytes.size(), 140u + 5625u * 3072u);
    EXPECT_EQ(getEngineSampleRate(), 0);
}

TEST(ProgressRelayTest, HandsEveryReportToTheBarThread)
{
    ensureApplication();
    ProgressBar bar;
    bar.setMaximumPosition(1000);
    ProgressRelay relay(&bar);
    ASSERT_TRUE(relay.isValid());

    constexpr int kReports = 20000;
    std::atomic<bool> finished{false};
    const auto start = std::chrono::steady_clock::now();
    std::thread reporter([&] {
        for (int i = 0; i < kReports; ++i)
            relay.blockRendered();
        finished = true;
    });
    ASSERT_TRUE(waitUntil([&] { return finished.load(); }));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    reporter.join();
    EXPECT_EQ(relay.handledCount(), uint64_t(kReports));
    EXPECT_EQ(bar.value(), 1000); // stepping past the maximum keeps it full
    const double perReportUs = std::chrono::duration<double, std::micro>(elapsed).count() / kReports;
    RecordProperty("hand_off_us", std::to_string(perReportUs));
    std::printf("progress hand-off: %.1f us per report\n", perReportUs);
}

TEST(ProgressRelayTest, ClosingReleasesAWaitingReporter)
{
    ensureApplication();
    ProgressBar bar;
    ProgressRelay relay(&bar);
    std::atomic<bool> returned{false};
    std::thread reporter([&] {
        relay.blockRendered(); // nobody runs the event loop for it
        returned = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(returned);
    relay.close();
    reporter.join();
    EXPECT_TRUE(returned);
}

} // namespace
