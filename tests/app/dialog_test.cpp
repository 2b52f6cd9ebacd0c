// The dialog driven as a user would: one QApplication for the program, modal
// windows answered from inside their own loops, output in a scratch directory.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <atomic>
#include <csignal>
#include <filesystem>
#include <functional>
#include <thread>

#include "about_dlg.h"
#include "engine.h"
#include "failing_allocation.h"
#include "note_table.h"
#include "progress_bar.h"
#include "progress_relay.h"
#include "quorrel_app.h"
#include "quorrel_dlg.h"
#include "simple_combo_box.h"
#include "stop_signals.h"
#include "pinned_seed_time.h"
#include "test_files.h"

namespace {

void ensureApplication()
{
    static int argc = 1;
    static char* argv[] = {const_cast<char*>("test_app"), nullptr};
    [[maybe_unused]] static auto* app = new QApplication(argc, argv); // lives until the process ends
}

// Runs the event loop until done() holds or the time is up.
bool waitUntil(const std::function<bool()>& done)
{
    QElapsedTimer clock;
    clock.start();
    QTimer tick;
    tick.start(2);
    while (!done() && clock.elapsed() <= 20000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}

void pressKey(QWidget* target, int key)
{
    for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        QKeyEvent event(type, key, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }
}

// Hands every visible top-level window of type T that appears while it lives
// to handler, which is to close it.
template <typename T>
struct WindowWatcher {
    explicit WindowWatcher(std::function<void(T*)> handler)
    {
        QObject::connect(&timer, &QTimer::timeout, [this, handler] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (T* window = qobject_cast<T*>(w); window && window->isVisible() && !busy) {
                    busy = true;
                    handler(window);
                    busy = false;
                }
        });
        timer.start(5);
    }
    QTimer timer;
    bool busy = false;
};

QString warning(const QString& caption, const QString& text)
{
    return caption + "|" + text + "|" + QString::number(QMessageBox::Warning);
}

// Reads each message box as "caption|text|icon" and answers it with OK.
struct MessageCatcher : WindowWatcher<QMessageBox> {
    explicit MessageCatcher(std::function<void()> whileShown = [] {})
        : WindowWatcher([this, whileShown](QMessageBox* box) {
            seen << box->windowTitle() + "|" + box->text() + "|" + QString::number(box->icon());
            whileShown();
            box->button(QMessageBox::Ok)->click();
        })
    {
    }
    QStringList seen;
};

constexpr size_t kHalfSecondSine = 140 + 45 * 2048; // 44 blocks of 0.5 s at 44100 Hz and silence, 16 bits

// A shown, active dialog whose output goes to a scratch directory.
class DialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensureApplication();
        dialog = std::make_unique<CQuorrelDlg>();
        dialog->show();
        ASSERT_TRUE(waitUntil([&] { return dialog->isActiveWindow(); }));
        startPath = edit("pathEdit")->text();
        edit("pathEdit")->setText(QString::fromStdString(out));
    }
    template <typename T = QWidget>
    T* control(const char* name) { return dialog->findChild<T*>(QString::fromLatin1(name)); }
    QLineEdit* edit(const char* name) { return control<QLineEdit>(name); }
    bool buttonsEnabled()
    {
        for (const char* name : {"sineButton", "sweepButton", "pinkButton", "whiteButton"})
            if (!control(name)->isEnabled())
                return false;
        return true;
    }
    // Clicks a generate button and waits for the job to give the buttons back.
    void runJob(const char* name)
    {
        control<QPushButton>(name)->click();
        ASSERT_TRUE(waitUntil([&] { return !dialog->isBusy(); }));
        EXPECT_TRUE(buttonsEnabled());
    }

    ScratchDir scratch;
    const std::string out = scratch.file("out.wav");
    QString startPath;
    std::unique_ptr<CQuorrelDlg> dialog;
};

TEST_F(DialogTest, StartsWithTheDefaultRequest)
{
    EXPECT_EQ(dialog->windowTitle(), "Test signal wave file generator - vers. 1.10");
    const std::pair<const char*, QString> texts[] = {
        {"durationEdit", "0.5"}, {"sweepStartEdit", "65.406391"}, {"sweepEndEdit", "4186.009045"},
        {"freqEdit", "440.00000000000"}, {"attenEdit", "3"}};
    for (const auto& [name, text] : texts)
        EXPECT_EQ(edit(name)->text(), text) << name;
    EXPECT_EQ(startPath, QDir::currentPath() + "/Test.wav");
    EXPECT_EQ(control<QListWidget>("noteList")->count(), kNoteCount);
    EXPECT_EQ(control<QListWidget>("noteList")->currentItem()->text(), "A4 440.000000");
    auto* rates = control<SimpleComboBox>("rateCombo");
    ASSERT_EQ(rates->count(), 3);
    EXPECT_EQ(rates->lineEdit()->text(), "44100");
    EXPECT_TRUE(control<QRadioButton>("bits16")->isChecked());
    EXPECT_EQ(dialog->progressBar()->maximum(), 10);
    EXPECT_EQ(dialog->progressBar()->value(), 0);
    EXPECT_EQ(dialog->focusWidget(), control("sineButton"));
}

TEST_F(DialogTest, EveryControlHasASpokenName)
{
    // What a screen reader finds: every control the keyboard reaches, the
    // rate list and the progress bar have a name; the fields take theirs
    // from their labels.
    QList<QWidget*> controls = {control<SimpleComboBox>("rateCombo")->listWidget(), dialog->progressBar()};
    for (QWidget* w : dialog->findChildren<QWidget*>())
        if (w->focusPolicy() & Qt::TabFocus)
            controls << w;
    QStringList names;
    for (QWidget* w : controls) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        ASSERT_TRUE(a) << w->objectName().toStdString();
        names << a->text(QAccessible::Name);
        EXPECT_FALSE(names.back().isEmpty()) << w->metaObject()->className() << " " << w->objectName().toStdString();
    }
    for (const char* name : {"Duration: seconds", "Start frequency", "End frequency", "Frequency", "Attenuation dBs",
                             "Select musical note", "Sample rate", "Output to file", "24 bits", "Progress"})
        EXPECT_TRUE(names.contains(name)) << name;
}

TEST_F(DialogTest, NoteChoiceSetsTheExactFrequencyAndItsText)
{
    for (const auto& [row, text] : {std::pair{kNoteCount - 1, "7902.13282009799"}, {24, "65.40639132515"}}) {
        control<QListWidget>("noteList")->setCurrentRow(row); // as a click does
        EXPECT_EQ(dialog->sineHz(), noteTable()[row]) << row;
        EXPECT_EQ(edit("freqEdit")->text(), text) << row;
    }
    // A later exchange re-reads the rounded text, not the table.
    EXPECT_TRUE(dialog->DoDataExchange(true));
    EXPECT_EQ(dialog->sineHz(), 65.40639132515);
}

TEST_F(DialogTest, EnterDoesNothingAndEscapeCloses)
{
    for (const char* name : {"sineButton", "whiteButton", "durationEdit", "pathEdit", "noteList", "rateCombo"})
        for (int key : {Qt::Key_Return, Qt::Key_Enter})
            pressKey(control(name), key);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->isBusy());
    EXPECT_FALSE(QFile::exists(QString::fromStdString(out)));
    pressKey(edit("freqEdit"), Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(getEngineSampleRate(), 0); // the engine is shut down with the dialog
}

TEST_F(DialogTest, AboutBoxOpensFromItsCommandsAndClosesWithEveryKey)
{
    // Commands 16 to 31 open it, closed in turn by Return, Escape and a click.
    QStringList seen;
    WindowWatcher<CAboutDlg> abouts([&](CAboutDlg* about) {
        seen << about->windowTitle() + "|" + about->findChild<QLabel*>("aboutText")->text();
        EXPECT_FALSE(about->findChild<QLabel*>("aboutIcon")->pixmap().isNull());
        auto* ok = about->findChild<QPushButton*>("okButton");
        if (seen.size() == 3)
            ok->click();
        else
            pressKey(ok, seen.size() == 1 ? Qt::Key_Return : Qt::Key_Escape);
    });
    for (unsigned id : {16u, 23u, 31u, 0u, 15u, 32u})
        dialog->OnSysCommand(id, 0);
    EXPECT_EQ(seen, QStringList(3, "About Veltrane|Veltrane Version 1.10"));
    EXPECT_TRUE(dialog->isVisible());
}

TEST(DialogStartUp, HelpAndVersionNeedNoDisplay)
{
    // The program built beside this test's folder.
    const auto program = std::filesystem::canonical("/proc/self/exe").parent_path().parent_path() / "app/veltrane";
    if (!std::filesystem::exists(program))
        GTEST_SKIP() << "the dialog program is not built";
    ScratchDir scratch;
    const std::string out = scratch.file("out");
    for (const auto& [option, start] : {std::pair{"--help", "Usage: veltrane "}, {"--version", "veltrane 1.10\n"}}) {
        const std::string command = "env -u QT_QPA_PLATFORM -u DISPLAY -u WAYLAND_DISPLAY '" + program.string() +
                                    "' " + option + " >'" + out + "' 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0) << option;
        const std::vector<unsigned char> text = readBytes(out);
        EXPECT_EQ(std::string(text.begin(), text.end()).rfind(start, 0), 0u) << option;
    }
    // A seed time that is no whole number is refused before any window opens.
    const std::string bad = "env -u QT_QPA_PLATFORM -u DISPLAY '" + program.string() + "' --seed-time 1.5 2>/dev/null";
    EXPECT_EQ(WEXITSTATUS(std::system(bad.c_str())), 2);
}

TEST(DialogStartUp, FailuresShowTheirMessageAndEndTheProgram)
{
    ensureApplication();
    DialogServices noNotes = DialogServices::standard(), noEngine = DialogServices::standard();
    noNotes.createNoteTable = [] { return false; };
    noEngine.isEngineAvailable = [] { return false; };
    for (const auto& [services, text] : {std::pair{noNotes, "Can't create note array - Exiting!!"},
                                         {noEngine, "Initialization failure - Exiting!!"}}) {
        MessageCatcher catcher;
        EXPECT_FALSE(CQuorrelApp().InitInstance(services));
        EXPECT_EQ(catcher.seen, QStringList{warning("Veltrane", text)});
        EXPECT_EQ(noteTable(), nullptr);
        for (QWidget* w : QApplication::topLevelWidgets())
            EXPECT_FALSE(w->isVisible());
    }
}

TEST_F(DialogTest, EachButtonRendersItsOwnSignalAtTheChosenWidth)
{
    // With the seed time pinned, the dialog's file must equal the engine's
    // render of the same request; pink noise carries its rows over, so only
    // its width is checked. The buttons are off while a job runs, and the bar
    // ends full at the job's 44 blocks.
    const PinnedSeedTime pinned(1700000000);
    const std::string again = scratch.file("again.wav");
    const struct {
        const char* button;
        const char* width;
        int bits;
        std::function<int()> render;
    } rows[] = {
        {"sineButton", "bits16", 16, [&] { return renderSine(again.c_str(), 440.0, 0.5, 3, 16); }},
        {"sweepButton", "bits24", 24, [&] { return renderSweep(again.c_str(), 65.406391, 4186.009045, 0.5, 3, 24); }},
        {"whiteButton", "bits32", 32, [&] { return renderWhiteNoise(again.c_str(), 0.5, 3, 32); }},
        {"pinkButton", "bits16", 16, nullptr},
    };
    for (const auto& row : rows) {
        control<QRadioButton>(row.width)->click();
        control(row.button)->setFocus(); // as the keyboard leaves it
        control<QPushButton>(row.button)->click();
        EXPECT_FALSE(buttonsEnabled()) << row.button;
        ASSERT_TRUE(waitUntil([&] { return !dialog->isBusy(); }));
        EXPECT_TRUE(buttonsEnabled());
        EXPECT_EQ(dialog->focusWidget(), control(row.button)); // Space presses it again
        EXPECT_EQ(dialog->progressBar()->maximum(), 44);
        EXPECT_EQ(dialog->progressBar()->value(), 44);
        const auto bytes = readBytes(out);
        EXPECT_TRUE(isConsistentWave(bytes)) << row.button;
        EXPECT_EQ(le16(bytes, 34), row.bits) << row.button;
        if (row.render) {
            ASSERT_EQ(row.render(), 0);
            EXPECT_EQ(readBytes(again), bytes) << row.button;
        }
    }
}

TEST_F(DialogTest, EachBadFieldIsReportedAndTheJobStillRuns)
{
    // The job then writes its file with what was read, or is refused by the
    // engine, which is reported as well. The dialog rules' suite holds every
    // field's messages; these rows take each way through the dialog.
    const struct { const char *field, *text, *message, *refused; } cases[] = {
        {"sweepStartEdit", "abc", "Enter a number.", nullptr},
        {"durationEdit", "0.009", "Enter a number between 0.01 and 120.",
         "the duration of 0.009 s is outside 0.01 to 120 s for a sine"},
        {"attenEdit", "-3", "Enter an integer between 0 and 90.", "the attenuation of -3 dB is outside 0 to 90 dB"},
    };
    for (const auto& c : cases) {
        const QString good = edit(c.field)->text();
        edit(c.field)->setText(c.text);
        std::filesystem::remove(out);
        MessageCatcher catcher;
        runJob("sineButton");
        QStringList expected{warning("Veltrane", c.message)};
        if (c.refused)
            expected << warning("Veltrane", QString("No file was written: %1.").arg(c.refused));
        EXPECT_EQ(catcher.seen, expected);
        EXPECT_EQ(dialog->focusWidget(), edit(c.field)) << c.field;
        EXPECT_EQ(edit(c.field)->selectedText(), c.text) << c.field;
        EXPECT_EQ(readBytes(out).size(), c.refused ? 0 : kHalfSecondSine) << c.field;
        EXPECT_EQ(dialog->progressBar()->value(), c.refused ? 0 : dialog->progressBar()->maximum()) << c.field;
        edit(c.field)->setText(good);
    }
}

TEST_F(DialogTest, BadPathsAreRefusedAndLongOnesReachTheFileWhole)
{
    // A writable path of exactly `bytes` bytes, in nested directories.
    const auto deepPath = [&](size_t bytes) {
        std::filesystem::path dir = scratch.path();
        while (bytes - dir.string().size() - 1 > 250)
            dir /= std::string(200, 'd');
        std::filesystem::create_directories(dir);
        return (dir / (std::string(bytes - dir.string().size() - 5, 'f') + ".wav")).string();
    };
    for (const auto& [path, accepted] :
         {std::pair{scratch.file("missing/out.wav"), false}, {deepPath(4096), false}, {deepPath(4095), true}}) {
        edit("pathEdit")->setText(QString::fromStdString(path));
        bool enabledWhileShown = true;
        MessageCatcher catcher([&] { enabledWhileShown = buttonsEnabled(); });
        runJob("sineButton");
        EXPECT_EQ(readBytes(path).size(), accepted ? kHalfSecondSine : 0) << path.size();
        if (accepted)
            continue;
        EXPECT_EQ(catcher.seen, QStringList{warning("Veltrane", "Invalid path or filename!!")});
        EXPECT_FALSE(enabledWhileShown);
        EXPECT_EQ(dialog->progressBar()->value(), 0);
        const auto dir = std::filesystem::path(path).parent_path(); // nor under a shortened name
        EXPECT_TRUE(!std::filesystem::exists(dir) || std::filesystem::is_empty(dir));
    }
}

TEST_F(DialogTest, RateChangeAppliesFromTheNextJob)
{
    auto* rates = control<SimpleComboBox>("rateCombo");
    edit("durationEdit")->setText("5");
    control<QPushButton>("sineButton")->click();
    ASSERT_TRUE(waitUntil([&] { return dialog->progressBar()->value() > 0; })); // the job is rendering
    rates->listWidget()->setCurrentRow(2); // 96000, while the job runs
    ASSERT_TRUE(waitUntil([&] { return !dialog->isBusy(); }));
    EXPECT_EQ(le32(readBytes(out), 24), 44100u);
    // The rate field takes no typing: it always shows the rate of the next job.
    QKeyEvent typed(QEvent::KeyPress, Qt::Key_2, Qt::NoModifier, QStringLiteral("2"));
    QApplication::sendEvent(rates->lineEdit(), &typed);
    EXPECT_EQ(rates->lineEdit()->text(), "96000");
    edit("durationEdit")->setText("0.5");
    runJob("sineButton");
    EXPECT_EQ(le32(readBytes(out), 24), 96000u);
    EXPECT_EQ(dialog->progressBar()->maximum(), 94); // floor(96000 * 0.5 / 512) + 1
}

TEST_F(DialogTest, ClosingDuringAJobWaitsForAFinishedFile)
{
    edit("durationEdit")->setText("30");
    bool visibleAfterEscape = false;
    QTimer::singleShot(0, [&] {
        control<QPushButton>("whiteButton")->click();
        pressKey(dialog.get(), Qt::Key_Escape);
        visibleAfterEscape = dialog->isVisible() && dialog->isBusy() && dialog->isClosePending();
    });
    dialog->exec();
    EXPECT_TRUE(visibleAfterEscape);
    EXPECT_FALSE(dialog->isBusy());
    EXPECT_EQ(readBytes(out).size(), 140 + 2585 * 2048);
    EXPECT_TRUE(isConsistentWave(readBytes(out)));
    EXPECT_EQ(getEngineSampleRate(), 0);
}

TEST_F(DialogTest, RefusedJobsAndSilentTonesAreReported)
{
    // Sweeps and noise shorter than 0.1 s pass the dialog's check but not the
    // engine's: a message, no file, and no full bar. A tone too short for
    // two whole cycles is written as silence alone, and said so.
    edit("durationEdit")->setText("0.05");
    for (const auto& [button, name] : {std::pair{"sweepButton", "a sweep"}, {"pinkButton", "pink noise"}}) {
        MessageCatcher catcher;
        runJob(button);
        EXPECT_EQ(catcher.seen, QStringList{warning("Veltrane", QString("No file was written: the duration of 0.05 s "
                                                                        "is outside 0.1 to 120 s for %1.").arg(name))});
        EXPECT_EQ(dialog->progressBar()->value(), 0) << button;
        EXPECT_FALSE(std::filesystem::exists(out));
    }
    edit("durationEdit")->setText("0.01");
    MessageCatcher catcher;
    runJob("sineButton");
    EXPECT_EQ(catcher.seen, QStringList("Veltrane|The tone of 440 Hz is too short to render in 0.01 s: it needs at "
                                        "least two whole cycles and more than 512 samples. The file holds silence "
                                        "only.|" + QString::number(QMessageBox::Information)));
    EXPECT_EQ(readBytes(out).size(), 140u + 2048u);

    // A signal that cannot have its memory writes no file, and says so.
    std::filesystem::remove(out);
    edit("durationEdit")->setText("0.5");
    failingArraySize = 512 * sizeof(double);  // the sweep's fade window
    catcher.seen.clear();
    runJob("sweepButton");
    EXPECT_EQ(catcher.seen, QStringList("Veltrane|No file was written: there is not enough memory for this job.|" +
                                        QString::number(QMessageBox::Critical)));
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(DialogTest, ATerminationSignalEndsItAsTheCloseBoxDoes)
{
    // SIGTERM during a job (a logout, kill): the file is finished, the same
    // as an uninterrupted render, and then the dialog ends.
    const PinnedSeedTime pinned(1700000000);
    const std::string again = scratch.file("again.wav");
    ASSERT_EQ(renderWhiteNoise(again.c_str(), 30, 3, 16), 0);
    edit("durationEdit")->setText("30");
    const StopSignals stops(dialog.get());
    bool busyAtSignal = false;
    QTimer::singleShot(0, [&] {
        control<QPushButton>("whiteButton")->click();
        busyAtSignal = dialog->isBusy();
        kill(getpid(), SIGTERM);
    });
    dialog->exec();
    EXPECT_TRUE(busyAtSignal);
    EXPECT_FALSE(dialog->isBusy());
    EXPECT_EQ(readBytes(out), readBytes(again));
}

TEST(ProgressRelayTest, HandsEveryReportToTheBarAndReleasesAWaitingReporterAtClose)
{
    ensureApplication();
    ProgressBar bar;
    bar.setMaximumPosition(1000);
    ProgressRelay relay(&bar);
    ASSERT_TRUE(relay.isValid());
    std::atomic<int> reports{0};
    std::thread reporter([&] {
        for (; reports < 19970; ++reports)
            relay.blockRendered();
        // Reports far enough apart that the dialog's thread has stopped
        // watching for them in between: each must wake it.
        for (; reports < 20000; ++reports) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            relay.blockRendered();
        }
    });
    const bool answered = waitUntil([&] { return reports == 20000; });
    if (!answered)
        relay.close();  // releases the reporter left waiting
    reporter.join();
    ASSERT_TRUE(answered);
    EXPECT_EQ(relay.handledCount(), 20000u);
    EXPECT_EQ(bar.value(), 1000); // stepping past the maximum keeps it full
    bar.setTextVisible(true);     // the text is made once it is shown
    EXPECT_EQ(bar.text(), QString("100%"));
    std::thread waiting([&] {
        relay.blockRendered(); // nobody runs the event loop for it
        ++reports;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(reports, 20000);
    relay.close();
    waiting.join();
    EXPECT_EQ(reports, 20001);
}

TEST(ProgressRelayTest, AnswersReportsWhileTheDialogsIdleWorkRuns)
{
    ensureApplication();
    ProgressBar bar;
    bar.setMaximumPosition(5000);
    ProgressRelay relay(&bar);
    ASSERT_TRUE(relay.isValid());
    relay.setIdleWork([](void (*)(void*), void*) { return false; });
    if (!relay.helpsDuringJobs())
        GTEST_SKIP() << "the dialog's thread waits for reports on its CPU only with more than one";
    // The idle work is a plain function, so what it sees lives in statics.
    static std::atomic<int> reports;
    static int answeredInOneCall, reporterWork;
    static bool called;
    reports = answeredInOneCall = reporterWork = 0;
    called = false;
    // The reporter's own work while it waits: some of it, then none.
    relay.setReporterWork([] { return ++reporterWork < 1000; });
    // One long piece of work that runs until the reporter is done.
    relay.setIdleWork([](void (*between)(void*), void* context) {
        if (called)
            return false;
        called = true;
        QElapsedTimer clock;
        clock.start();
        while (reports < 5000 && clock.elapsed() < 20000)
            between(context);
        answeredInOneCall = reports;
        return true;
    });
    std::thread reporter([&] {
        for (; reports < 5000; ++reports)
            relay.blockRendered();
    });
    const bool answered = waitUntil([&] { return reports == 5000; });
    relay.close();  // releases a reporter that was left waiting
    reporter.join();
    EXPECT_TRUE(answered);
    EXPECT_EQ(answeredInOneCall, 5000);
    EXPECT_EQ(bar.value(), 5000);
    EXPECT_GE(reporterWork, 1000);
}

} // namespace
