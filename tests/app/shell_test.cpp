// Start-up, command routing, the skin bindings, the settings file and the
// output folder box.
#include "app/ini_file.h"
#include "app/program.h"
#include "app/settings.h"
#include "joblist/adding.h"
#include "preview/preview.h"
#include "harness.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace tevarro::testing {
namespace {

TEST(Routing, EveryNameReachesItsOperationExactly)
{
    const std::pair<const char*, Tfm_main::Operation> routes[] = {
        {"play", &Tfm_main::DoPlay},           {"pause", &Tfm_main::DoPause},
        {"addfile", &Tfm_main::DoAddFiles},    {"timestop", &Tfm_main::DoStopPlay},
        {"addfolder", &Tfm_main::DoAddFolder}, {"remove", &Tfm_main::DoRemove},
        {"clear", &Tfm_main::DoClear},         {"begin", &Tfm_main::DoMarkBegin},
        {"end", &Tfm_main::DoMarkEnd},         {"convert", &Tfm_main::DoConvert},
        {"stop", &Tfm_main::DoStopConvert},    {"playstop", &Tfm_main::DoStopPlay},
        {"dir", &Tfm_main::DoChooseOutputFolder}, {"bardown", &Tfm_main::DoStepBack},
        {"barup", &Tfm_main::DoStepForward},   {"website", &Tfm_main::DoOpenWebsite},
        {"help", &Tfm_main::DoOpenHelp},
    };
    for (const auto& [name, operation] : routes)
        EXPECT_TRUE(Tfm_main::RouteFor(QLatin1String(name)) == operation) << name;
    for (const char* name : {"Play", "PLAY", "play ", "", "bar", "time", "Convert", "stopx"})
        EXPECT_TRUE(Tfm_main::RouteFor(QLatin1String(name)) == nullptr) << name;
}

TEST(Routing, ClicksOnSkinObjectsRunTheCommands)
{
    Harness h;
    h.AddRows({{"/a.avi", 10}});
    emit h.skin.OnClick(&h.object("play"));
    EXPECT_TRUE(h.state().Previewing);
    FakeObject wrongCase(QStringLiteral("Play"));
    h.window->DoStopPlay();
    emit h.skin.OnClick(&wrongCase);
    EXPECT_FALSE(h.state().Previewing);
}

TEST(Routing, WebsiteHelpAndDir)
{
    Harness h;
    h.window->DoOpenWebsite();
    h.window->DoOpenHelp();
    ASSERT_EQ(h.prompter.opened.size(), 2);
    EXPECT_EQ(h.prompter.opened[0].scheme(), QStringLiteral("https"));
    EXPECT_EQ(h.prompter.opened[1], QUrl::fromLocalFile(h.temp.path() + QStringLiteral("/help/brannock.chm")));

    h.window->ed_output()->setText(QStringLiteral("/typed"));
    h.window->DoChooseOutputFolder();  // nothing chosen
    EXPECT_EQ(h.window->ed_output()->text(), QStringLiteral("/typed"));
    EXPECT_EQ(h.prompter.pickerCaption, QStringLiteral("Output Directory"));
    h.prompter.folder = QStringLiteral("/no/such folder");
    const QString before = h.state().OutputFolder;
    h.window->DoChooseOutputFolder();  // put in unchecked
    EXPECT_EQ(h.window->ed_output()->text(), QStringLiteral("/no/such folder"));
    EXPECT_EQ(h.state().OutputFolder, before);
    EXPECT_TRUE(h.prompter.messages.isEmpty());

    h.window->DoAddFolder();  // the picker's caption changes for good
    h.window->DoChooseOutputFolder();
    EXPECT_EQ(h.prompter.pickerCaption, QStringLiteral("File Directory"));
}

TEST(StartUp, StateAfterFormShow)
{
    Harness h(true, "[iPod]\noutput=/stored/folder\nformat=7\n");
    EXPECT_EQ(h.window->LV()->geometry(), QRect(26, 150, 348, 232));
    EXPECT_EQ(h.window->VideoEdit1()->geometry(), QRect(404, 245, 214, 149));
    EXPECT_EQ(h.window->cb_format()->geometry(), QRect(387, 214, 248, 21));
    EXPECT_EQ(h.window->ed_output()->geometry(), QRect(390, 175, 212, 16));
    EXPECT_FALSE(h.window->VideoEdit1()->isVisible());
    EXPECT_EQ(h.window->windowTitle(), QStringLiteral("Tevarro"));
    EXPECT_EQ(h.object("pb").rect_.Right, h.object("pb").rect_.Left);
    EXPECT_EQ(h.Label("pbpos"), QString());
    EXPECT_FALSE(h.object("pbpos").visible_);
    const ShellState& s = h.state();
    EXPECT_FALSE(s.Converting || s.EngineBusy || s.HintShown || s.Previewing || s.PreviewPaused || s.FollowPlayback);
    EXPECT_EQ(s.OutputFolder, QStringLiteral("/stored/folder"));
    EXPECT_EQ(h.window->cb_format()->currentIndex(), 7);
    EXPECT_EQ(h.window->cb_format()->count(), 11);
    EXPECT_EQ(h.window->cb_format()->itemText(4), QStringLiteral("MPEG-4/320x240/29.97FPS/512K/AAC/128K"));
    EXPECT_EQ(h.skin.loadedPath, h.temp.filePath(QStringLiteral("mp3enc.dll")));
}

TEST(StartUp, ASkinThatCannotBeBoundEndsTheProgram)
{
    struct Case {
        QSet<QString> omit;
        QSet<QString> textOnly;
        bool deleteFile;
        const char* mentions;
    };
    const Case cases[] = {
        {{}, {}, true, "mp3enc.dll"},
        {{QStringLiteral("pb")}, {}, false, "\"pb\""},
        {{QStringLiteral("bar")}, {}, false, "\"bar\""},
        {{}, {QStringLiteral("time")}, false, "\"time\""},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        if (!c.deleteFile) {
            QFile skinFile(dir.filePath(QStringLiteral("mp3enc.dll")));
            skinFile.open(QIODevice::WriteOnly);
        }
        FakeSkin skin(c.omit, c.textOnly);
        ScriptedVideoEngine engine;
        ScriptedPrompter prompter;
        const int status = RunProgram(*qApp, skin, engine, prompter,
                                      {dir.path(), dir.filePath(QStringLiteral("quillmoor.ini"))});
        EXPECT_NE(status, 0) << c.mentions;
        ASSERT_EQ(prompter.fatal.size(), 1);
        EXPECT_TRUE(prompter.fatal[0].contains(QLatin1String(c.mentions))) << prompter.fatal[0].toStdString();
        EXPECT_TRUE(prompter.fatal[0].contains(QStringLiteral("mp3enc.dll")));
        // A failed start writes no settings.
        EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("quillmoor.ini"))));
    }
}

TEST(Close, StopsPreviewBeforeSavingAndIsNeverRefused)
{
    Harness h;
    h.AddRows({{"/a.avi", 10}});
    h.window->DoPlay();
    EXPECT_TRUE(h.window->close());
    EXPECT_FALSE(h.state().Previewing);
    EXPECT_TRUE(h.engine.calls.contains(QStringLiteral("PreviewStop")));
    EXPECT_TRUE(QFileInfo::exists(h.SettingsPath()));
}

QString ReadAll(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return QString::fromUtf8(file.readAll());
}

TEST(Settings, FirstRunDefaultsThenExactlyTwoValues)
{
    Harness h;
    EXPECT_EQ(h.window->ed_output()->text(), QDir::homePath() + QStringLiteral("/My PSP"));
    EXPECT_EQ(h.window->cb_format()->currentIndex(), 4);
    EXPECT_FALSE(QFileInfo::exists(h.SettingsPath()));  // start-up writes nothing
    h.window->close();
    EXPECT_EQ(ReadAll(h.SettingsPath()),
              QStringLiteral("[iPod]\noutput=%1/My PSP\nformat=4\n").arg(QDir::homePath()));
}

TEST(Settings, FormatValues)
{
    const std::pair<const char*, int> cases[] = {
        {"11", -1}, {"-3", -1}, {"0x3", 3}, {"$A", 10}, {"abc", 4}, {"", 4}, {" 7 ", 7}, {"0", 0}, {"3.5", 4},
    };
    for (const auto& [stored, selected] : cases) {
        Harness h(true, QByteArray("[iPod]\nformat=") + stored + "\n");
        EXPECT_EQ(h.window->cb_format()->currentIndex(), selected) << stored;
        h.window->close();
        EXPECT_TRUE(ReadAll(h.SettingsPath()).contains(QStringLiteral("format=%1\n").arg(selected))) << stored;
    }
}

TEST(Settings, TextIsStoredAsTypedAndRoundTrips)
{
    const QString folder = QStringLiteral("/tmp/a\\b c/vidéos ünïcode \"q\"");
    {
        Harness h(true, "; kept comment\n[Other]\nx=1\n[iPod]\nformat=2\n");
        h.window->ed_output()->setText(folder);  // typed, never confirmed
        h.window->close();
        const QString text = ReadAll(h.SettingsPath());
        EXPECT_TRUE(text.contains(QStringLiteral("output=") + folder + QLatin1Char('\n')));
        EXPECT_TRUE(text.startsWith(QStringLiteral("; kept comment\n[Other]\nx=1\n[iPod]\n")));

        Harness again(true, ReadAll(h.SettingsPath()).toUtf8());
        EXPECT_EQ(again.window->ed_output()->text(), folder);
        EXPECT_EQ(again.window->cb_format()->currentIndex(), 2);
    }
}

TEST(Settings, AFailedWriteIsReportedAndTheWindowStillCloses)
{
    Harness h;
    QDir().mkdir(h.SettingsPath());  // a folder where the file should go
    EXPECT_TRUE(h.window->close());
    EXPECT_EQ(h.prompter.messages, QStringList(QStringLiteral("Unable to write to quillmoor.ini")));
}

TEST(OutputFolder, CheckedWhenConfirmed)
{
    QTemporaryDir root;
    QFile file(root.filePath(QStringLiteral("afile")));
    file.open(QIODevice::WriteOnly);
    struct Case {
        QString typed;
        bool accepted;
    };
    const Case cases[] = {
        {QString(), false},
        {root.filePath(QStringLiteral("new")), true},
        {root.filePath(QStringLiteral("two/levels")), false},
        {root.filePath(QStringLiteral("afile")), false},
        {root.path(), true},
        {root.path() + QLatin1Char('/'), true},
    };
    for (const Case& c : cases) {
        Harness h;
        h.state().OutputFolder = QStringLiteral("/before/");
        h.window->ed_output()->setText(c.typed);
        h.window->ed_outputExit();
        EXPECT_EQ(h.state().OutputFolder, c.accepted ? c.typed : QStringLiteral("/before/")) << c.typed.toStdString();
        EXPECT_EQ(h.window->ed_output()->text(), c.accepted ? c.typed : QStringLiteral("/before/"));
        EXPECT_EQ(h.prompter.messages.size(), c.accepted ? 0 : 1);
        if (!c.accepted)
            EXPECT_EQ(h.prompter.messages[0], QStringLiteral("Can't create this directory."));
    }
    EXPECT_TRUE(QFileInfo(root.filePath(QStringLiteral("new"))).isDir());
    EXPECT_FALSE(QFileInfo::exists(root.filePath(QStringLiteral("two"))));
}

TEST(OutputFolder, EnterChecksAndLeavingChecksAgain)
{
    QTemporaryDir root;
    Harness h;
    const QString folder = root.filePath(QStringLiteral("made"));
    h.window->ed_output()->setText(folder);
    h.window->ed_outputKeyUp(Qt::Key_A);
    EXPECT_FALSE(QFileInfo::exists(folder));
    h.window->ed_outputKeyUp(Qt::Key_Return);
    EXPECT_TRUE(QFileInfo(folder).isDir());
    h.window->ed_outputExit();
    EXPECT_EQ(h.state().OutputFolder, folder);
    EXPECT_TRUE(h.prompter.messages.isEmpty());
}

TEST(OutputFolder, AfterABatchAFailedCheckGoesBackToTheSeparatedFolder)
{
    QTemporaryDir root;
    Harness h;
    h.AddRows({{"/a.avi", 10}});
    h.window->ed_output()->setText(root.path());
    h.window->DoConvert();
    h.window->ed_output()->setText(QString());
    h.window->ed_outputExit();
    EXPECT_EQ(h.window->ed_output()->text(), root.path() + QLatin1Char('/'));
}

TEST(IniFile, ParseInteger)
{
    const std::pair<const char*, int> cases[] = {
        {"42", 42}, {"-7", -7}, {"0x1F", 31}, {"$ff", 255}, {"0X10", 16}, {"x1", 99}, {"1e3", 99},
        {"99999999999", 99}, {"+5", 5}, {"--5", 99}, {"0x", 99}, {"$", 99},
    };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(ParseInteger(QLatin1String(text), 99), value) << text;
}

}  // namespace
}  // namespace tevarro::testing

namespace tevarro::testing {
namespace {

TEST(SkinEvents, MouseAndScrollEventsOfTheSkinReachTheWindow)
{
    Harness h;
    h.AddRows({{"/a.avi", 100}});
    h.window->DoPlay();
    FakeObject& bar = h.object("bar");
    emit h.skin.OnMouseDown(&bar, 1, 3, 4);
    EXPECT_FALSE(h.state().FollowPlayback);
    bar.position_ = 5000;
    emit h.skin.OnScrollTrack(&bar, 5000);
    EXPECT_EQ(h.Label("time"), QStringLiteral("00:00:50"));  // held: the time under the thumb
    emit h.skin.OnMouseUp(&bar, 1, 3, 4);
    EXPECT_TRUE(h.state().FollowPlayback);
    EXPECT_EQ(h.state().PreviewStart, 50);

    h.window->DoStopPlay();
    bar.position_ = 2500;
    emit h.skin.OnScrollTrack(&bar, 2500);
    EXPECT_EQ(h.Label("time"), QStringLiteral("00:00:25"));
    FakeObject other(QStringLiteral("pb"));
    emit h.skin.OnScrollTrack(&other, 9000);
    EXPECT_EQ(h.Label("time"), QStringLiteral("00:00:25"));
}

TEST(ListClick, ARealClickRunsAfterTheListSettledItsSelection)
{
    Harness h;
    h.AddRows({{"/a.avi", 100}, {"/b.avi", 40}, {"/c.avi", 60}});
    h.Select({0, 2});
    h.SetBar(10000);
    QTreeWidget* list = h.window->LV();
    const QPoint onRow2 = list->visualItemRect(list->topLevelItem(2)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, onRow2);
    QCoreApplication::processEvents();
    EXPECT_EQ(h.jobs().SelectedRow(), 2);
    EXPECT_EQ(h.Label("time"), QStringLiteral("00:01:00"));

    h.object("time").text_.clear();
    QTest::mouseClick(list->viewport(), Qt::RightButton, {}, onRow2);
    QCoreApplication::processEvents();
    EXPECT_EQ(h.Label("time"), QString());
}

TEST(OutputFolder, LeavingTheBoxChecksButAnotherWindowComingUpDoesNot)
{
    Harness h;
    h.state().OutputFolder = QStringLiteral("/before/");
    h.window->ed_output()->setText(QString());
    QFocusEvent popup(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QCoreApplication::sendEvent(h.window->ed_output(), &popup);
    EXPECT_TRUE(h.prompter.messages.isEmpty());
    QFocusEvent tab(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(h.window->ed_output(), &tab);
    EXPECT_EQ(h.prompter.messages, QStringList(QStringLiteral("Can't create this directory.")));
    EXPECT_EQ(h.window->ed_output()->text(), QStringLiteral("/before/"));
}

TEST(OutputFolder, OnlyAnEnterPressedInTheBoxChecksIt)
{
    Harness h;
    h.state().OutputFolder = QStringLiteral("/before/");
    h.window->ed_output()->setText(QString());
    // The Enter that closed a message box elsewhere is released in the box.
    QKeyEvent strayRelease(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(h.window->ed_output(), &strayRelease);
    EXPECT_TRUE(h.prompter.messages.isEmpty());
    QTest::keyClick(h.window->ed_output(), Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(h.prompter.messages.size(), 1);
    EXPECT_EQ(h.window->ed_output()->text(), QStringLiteral("/before/"));
}

TEST(FolderPicker, OkNeedsAFolderAndEveryOtherCloseClearsTheChoice)
{
    QTemporaryDir root;
    QWidget owner;
    Tfm_dir dir(&owner);
    dir.setWindowTitle(QStringLiteral("File Directory"));
    dir.show();
    dir.btn_okClick();  // nothing selected
    EXPECT_TRUE(dir.isVisible());
    EXPECT_TRUE(dir.ChosenFolder().isEmpty());

    auto* model = static_cast<QFileSystemModel*>(dir.ShellTreeView1()->model());
    dir.ShellTreeView1()->setCurrentIndex(model->index(root.path()));
    dir.btn_okClick();
    EXPECT_FALSE(dir.isVisible());
    EXPECT_EQ(dir.ChosenFolder(), root.path());

    dir.show();  // the selection is still there
    dir.btn_okClick();
    EXPECT_EQ(dir.ChosenFolder(), root.path());

    dir.show();
    dir.close();  // the close box
    EXPECT_TRUE(dir.ChosenFolder().isEmpty());
    dir.show();
    QTest::keyClick(&dir, Qt::Key_Escape);
    EXPECT_TRUE(dir.isVisible());  // Escape is not Cancel
    dir.btn_cancelClick();
    EXPECT_FALSE(dir.isVisible());
    EXPECT_TRUE(dir.ChosenFolder().isEmpty());
    EXPECT_EQ(dir.windowTitle(), QStringLiteral("File Directory"));
}

TEST(OpenDialog, FiltersInOrderMatchingAnyLetterCase)
{
    const QList<FileFilter> filters = OpenDialogFilters();
    ASSERT_EQ(filters.size(), 11);
    EXPECT_EQ(filters[0].description, QStringLiteral("All Support Format"));
    EXPECT_EQ(filters[0].patterns,
              QStringLiteral("*.avi;*.mpg;*.mpeg;*.wmv;*.asf;*.asx;*.mov;*.dat;*.qt;*.vob;*.3gp;*.mp4;*.rm;*.rmvb;*.ram;"));
    EXPECT_EQ(filters[10].description, QStringLiteral("All File(*.*)"));
    EXPECT_EQ(CaseInsensitivePatterns(QStringLiteral("*.avi;*.3gp;")),
              QStringList({QStringLiteral("*.[aA][vV][iI]"), QStringLiteral("*.3[gG][pP]")}));
    EXPECT_EQ(CaseInsensitivePatterns(QStringLiteral("*.*;")), QStringList(QStringLiteral("*")));
    EXPECT_TRUE(QDir::match(CaseInsensitivePatterns(filters[0].patterns), QStringLiteral("HOLIDAY.AVI")));
}

}  // namespace
}  // namespace tevarro::testing
