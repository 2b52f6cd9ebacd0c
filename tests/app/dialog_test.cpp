#include <gtest/gtest.h>

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QRadioButton>

#include "about_dlg.h"
#include "app_test_support.h"
#include "engine.h"
#include "note_table.h"
#include "progress_bar.h"
#include "quorrel_app.h"
#include "quorrel_dlg.h"
#include "simple_combo_box.h"

namespace {

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensureApplication();
        dialog = std::make_unique<CQuorrelDlg>();
        dialog->show();
    }

    template <typename T>
    T* control(const char* name)
    {
        T* widget = dialog->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QLineEdit* edit(const char* name) { return control<QLineEdit>(name); }

    std::unique_ptr<CQuorrelDlg> dialog;
};

TEST_F(DialogTest, StartsWithTheDefaultRequest)
{
    EXPECT_EQ(dialog->windowTitle(), "Test signal wave file generator - vers. 1.10");
    EXPECT_EQ(edit("durationEdit")->text(), "0.5");
    EXPECT_EQ(edit("sweepStartEdit")->text(), "65.406391");
    EXPECT_EQ(edit("sweepEndEdit")->text(), "4186.009045");
    EXPECT_EQ(edit("freqEdit")->text(), "440.00000000000");
    EXPECT_EQ(edit("attenEdit")->text(), "3");
    EXPECT_EQ(edit("pathEdit")->text(), QDir::currentPath() + "/Test.wav");

    auto* notes = control<QListWidget>("noteList");
    ASSERT_EQ(notes->count(), kNoteCount);
    EXPECT_EQ(notes->currentRow(), 57);
    EXPECT_EQ(notes->currentItem()->text(), "A4 440.000000");
    EXPECT_EQ(dialog->sineHz(), 440.0);

    auto* rates = control<SimpleComboBox>("rateCombo");
    ASSERT_EQ(rates->count(), 3);
    EXPECT_EQ(rates->currentIndex(), 0);
    EXPECT_EQ(rates->lineEdit()->text(), "44100");
    EXPECT_EQ(rates->itemData(1), 48000u);
    EXPECT_EQ(rates->itemData(2), 96000u);

    EXPECT_TRUE(control<QRadioButton>("bits16")->isChecked());
    EXPECT_EQ(dialog->bitWidth(), 16);
    EXPECT_EQ(dialog->progressBar()->minimum(), 0);
    EXPECT_EQ(dialog->progressBar()->maximum(), 10);
    EXPECT_EQ(dialog->progressBar()->value(), 0);
    EXPECT_EQ(dialog->focusWidget(), control<QPushButton>("sineButton"));
}

TEST_F(DialogTest, HasAFixedFrameAndTheLayoutsTabOrder)
{
    EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());
    EXPECT_FALSE(dialog->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    for (QPushButton* b : dialog->findChildren<QPushButton*>())
        EXPECT_FALSE(b->autoDefault() || b->isDefault()) << b->text().toStdString();

    const QStringList expected = {"sineButton", "sweepButton", "durationEdit", "sweepStartEdit", "sweepEndEdit",
                                  "freqEdit",   "attenEdit",   "noteList",     "rateCombo",      "pathEdit",
                                  "pinkButton", "whiteButton", "bits16",       "bits24",         "bits32"};
    QStringList order;
    QWidget* w = control<QWidget>("sineButton");
    do {
        if (expected.contains(w->objectName()) && !order.contains(w->objectName()))
            order << w->objectName();
        w = w->nextInFocusChain();
    } while (w != control<QWidget>("sineButton"));
    EXPECT_EQ(order, expected);

    for (QWidget* child : dialog->findChildren<QWidget*>()) {
        if (child->parentWidget() == dialog.get()) {
            EXPECT_TRUE(dialog->rect().contains(child->geometry())) << child->objectName().toStdString();
        }
    }
}

TEST_F(DialogTest, NoteChoiceSetsTheExactFrequencyAndItsText)
{
    auto* notes = control<QListWidget>("noteList");
    notes->setCurrentRow(24); // C2, as a click does
    EXPECT_EQ(dialog->sineHz(), noteTable()[24]);
    EXPECT_EQ(edit("freqEdit")->text(), QString::fromStdString(formatFixed(noteTable()[24], 11)));

    // A later exchange re-reads the text, not the table.
    dialog->DoDataExchange(true);
    EXPECT_EQ(dialog->sineHz(), 65.40639132515);

    pressKey(notes, Qt::Key_Down);
    EXPECT_EQ(notes->currentRow(), 25);
    EXPECT_EQ(dialog->sineHz(), noteTable()[25]);

    // A double-click on the chosen entry sets its frequency again.
    edit("freqEdit")->setText("1000");
    doubleClickRow(notes, notes->model()->index(25, 0));
    EXPECT_EQ(edit("freqEdit")->text(), QString::fromStdString(formatFixed(noteTable()[25], 11)));
}

TEST_F(DialogTest, RateChoiceReachesTheEngineOnlyFromTheList)
{
    auto* rates = control<SimpleComboBox>("rateCombo");
    rates->listWidget()->setCurrentRow(1);
    EXPECT_EQ(getEngineSampleRate(), 48000);
    EXPECT_EQ(rates->lineEdit()->text(), "48000");

    rates->lineEdit()->setText("96000");
    EXPECT_EQ(getEngineSampleRate(), 48000);

    pressKey(rates->lineEdit(), Qt::Key_Down);
    EXPECT_EQ(getEngineSampleRate(), 96000);
    EXPECT_EQ(rates->lineEdit()->text(), "96000");
}

TEST_F(DialogTest, EnterDoesNothingAndEscapeCloses)
{
    for (const char* name : {"sineButton", "whiteButton", "durationEdit", "pathEdit", "noteList", "rateCombo"}) {
        pressKey(control<QWidget>(name), Qt::Key_Return);
        pressKey(control<QWidget>(name), Qt::Key_Enter);
    }
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->isBusy());

    pressKey(edit("freqEdit"), Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(getEngineSampleRate(), 0); // the engine is shut down with the dialog
}

TEST_F(DialogTest, AboutBoxOpensFromItsCommandsAndClosesWithEveryKey)
{
    QStringList seen;
    int key = 0;
    WindowWatcher<CAboutDlg> watcher([&](CAboutDlg* about) {
        seen << about->windowTitle() + "|" + about->findChild<QLabel*>("aboutText")->text();
        EXPECT_FALSE(about->findChild<QLabel*>("aboutIcon")->pixmap().isNull());
        const int keys[] = {0, Qt::Key_Return, Qt::Key_Escape};
        if (keys[key % 3] == 0)
            about->findChild<QPushButton*>("okButton")->click();
        else
            pressKey(about->findChild<QPushButton*>("okButton"), keys[key % 3]);
        ++key;
    });
    for (unsigned id = 16; id <= 31; ++id)
        dialog->OnSysCommand(id, 0);
    EXPECT_EQ(watcher.count(), 16);
    ASSERT_FALSE(seen.isEmpty());
    EXPECT_EQ(seen.front(), "About Veltrane|Veltrane Version 1.10");

    dialog->OnSysCommand(32, 0);
    dialog->OnSysCommand(0, 0);
    EXPECT_EQ(watcher.count(), 16);
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(DialogTest, ContextMenuOffersTheAboutBox)
{
    QStringList items;
    WindowWatcher<QMenu> menus([&](QMenu* menu) {
        for (QAction* a : menu->actions())
            items << (a->isSeparator() ? QString("-") : a->text());
        menu->setActiveAction(menu->actions().last());
        pressKey(menu, Qt::Key_Return);
    });
    WindowWatcher<CAboutDlg> abouts([](CAboutDlg* about) { about->accept(); });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), dialog->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(dialog.get(), &event);
    EXPECT_EQ(items, QStringList({"&Close", "-", "&About Veltrane..."}));
    EXPECT_EQ(abouts.count(), 1);
}

TEST(DialogStartUp, RateRefusalIsReportedAndTheBoxFollowsTheEngine)
{
    ensureApplication();
    DialogServices services = DialogServices::standard();
    services.setEngineSampleRate = [](uint32_t) { return false; };
    CQuorrelDlg dialog(services);
    MessageCatcher catcher;
    auto* rates = dialog.findChild<SimpleComboBox*>("rateCombo");
    rates->listWidget()->setCurrentRow(2);
    ASSERT_EQ(catcher.messages.size(), 1u);
    EXPECT_EQ(catcher.messages[0].text, "Can't set sample rate to requested value!");
    EXPECT_EQ(catcher.messages[0].caption, QCoreApplication::applicationName());
    EXPECT_EQ(catcher.messages[0].icon, QMessageBox::NoIcon);
    EXPECT_EQ(rates->currentIndex(), 0);
    EXPECT_EQ(rates->lineEdit()->text(), "44100");
}

TEST(DialogStartUp, FailuresShowTheirMessageAndEndTheProgram)
{
    ensureApplication();
    struct Case {
        std::function<void(DialogServices&)> breakIt;
        const char* message;
    } cases[] = {
        {[](DialogServices& s) { s.createNoteTable = [] { return false; }; }, "Can't create note array - Exiting!!"},
        {[](DialogServices& s) { s.isEngineAvailable = [] { return false; }; }, "Initialization failure - Exiting!!"},
        {[](DialogServices& s) { s.createEngine = [](ProgressNotifier*, bool) { return false; }; },
         "Initialization failure - Exiting!!"},
    };
    for (const Case& c : cases) {
        DialogServices services = DialogServices::standard();
        c.breakIt(services);
        MessageCatcher catcher;
        EXPECT_FALSE(CQuorrelApp().InitInstance(services));
        ASSERT_EQ(catcher.messages.size(), 1u) << c.message;
        EXPECT_EQ(catcher.messages[0].text, c.message);
        EXPECT_EQ(catcher.messages[0].caption, "Veltrane");
        EXPECT_EQ(catcher.messages[0].icon, QMessageBox::Warning);
        EXPECT_EQ(noteTable(), nullptr);
        for (QWidget* w : QApplication::topLevelWidgets())
            EXPECT_FALSE(w->isVisible());
    }
}

TEST(DialogStartUp, TheProgramEndsWithTheDialog)
{
    ensureApplication();
    QTimer::singleShot(50, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<CQuorrelDlg*>(w); d && d->isVisible())
                pressKey(d, Qt::Key_Escape);
    });
    EXPECT_FALSE(CQuorrelApp().InitInstance());
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(noteTable(), nullptr);
}

} // namespace
