// The batch conversion, the progress display and the completion hint, with the
// scripted engine writing small files into a temporary output folder.
#include "app/output_folder.h"
#include "convert/conversion.h"
#include "convert/progress.h"
#include "harness.h"

#include <QDir>
#include <QLineEdit>
#include <QTimer>
#include <gtest/gtest.h>

namespace tevarro::testing {
namespace {

// Counts how often a widget is shown.
class ShowCounter : public QObject {
public:
    int shows = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
            ++shows;
        return false;
    }
};

struct Batch : Harness {
    QTemporaryDir out;
    ShowCounter hintShows;

    Batch()
    {
        window->ed_output()->setText(out.path());
        fm_hint->installEventFilter(&hintShows);
    }
    QString Out(const char* name) const { return out.filePath(QLatin1String(name)); }
    void Touch(const char* name) const
    {
        QFile file(Out(name));
        file.open(QIODevice::WriteOnly);
        file.write("old");
    }
    QStringList OutputFiles() const
    {
        return QDir(out.path()).entryList(QDir::Files, QDir::Name);
    }
};

TEST(Convert, EveryRowBecomesAnMp4AndAThm)
{
    Batch b;
    b.AddRows({{"/src/one.avi", 10}, {"/src/two.avi", 20}, {"/src/three.avi", 30}});
    b.jobs().Entry(1).BeginSec = 3;
    b.jobs().Entry(1).EndSec = 7;
    b.window->cb_format()->setCurrentIndex(9);
    b.window->DoConvert();

    EXPECT_FALSE(b.state().Converting);
    EXPECT_FALSE(b.state().EngineBusy);
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(b.Cell(row, JobColumn::Status), QStringLiteral("Finish"));
    EXPECT_EQ(b.OutputFiles(), QStringList({"one.THM", "one.mp4", "three.THM", "three.mp4", "two.THM", "two.mp4"}));
    EXPECT_EQ(b.state().OutputFolder, b.out.path() + QLatin1Char('/'));

    const QString dir = b.out.path() + QLatin1Char('/');
    const int second = static_cast<int>(b.engine.calls.indexOf(QStringLiteral("AddVideoClip(/src/two.avi,3,7,0)")));
    ASSERT_GE(second, 5);
    EXPECT_EQ(b.engine.calls.mid(second - 5, 9),
              QStringList({QStringLiteral("OutputType=3"), QStringLiteral("iPodProfile=9"),
                           QStringLiteral("VideoSampleSize=24"), QStringLiteral("UseOverlay=0"),
                           QStringLiteral("ClearClips"), QStringLiteral("AddVideoClip(/src/two.avi,3,7,0)"),
                           QStringLiteral("AddAudioClip(/src/two.avi,3,7)"),
                           QStringLiteral("SaveFrameImage(/src/two.avi,0,%1two.THM,160,120,1)").arg(dir),
                           QStringLiteral("StartEncode(%1two.mp4)").arg(dir)}));

    // The hint came once, for the first row to reach its end.
    EXPECT_EQ(b.hintShows.shows, 1);
    EXPECT_FALSE(b.fm_hint->isVisible());
    EXPECT_FALSE(b.fm_hint->Timer1().isActive());
    // The progress display is empty after the batch.
    EXPECT_EQ(b.object("pb").rect_.Right, b.object("pb").rect_.Left);
    EXPECT_FALSE(b.object("pbpos").visible_);
}

TEST(Convert, FlagsAndStatusTextsThroughABatch)
{
    Batch b;
    b.AddRows({{"/src/a.avi", 10}, {"/src/b.avi", 10}});
    QStringList statuses;
    QObject::connect(b.window->LV(), &QTreeWidget::itemChanged, [&](QTreeWidgetItem* item, int column) {
        const bool changed = statuses.isEmpty() || statuses.last() != item->text(3);
        if (column == 3 && b.window->LV()->indexOfTopLevelItem(item) == 0 && changed)
            statuses << item->text(3);
    });
    std::vector<std::pair<bool, bool>> flagsWhileWaiting;
    b.engine.onStartEncode = [&](int) {
        QTimer::singleShot(0, [&] { flagsWhileWaiting.emplace_back(b.state().Converting, b.state().EngineBusy); });
    };
    b.window->DoConvert();
    EXPECT_EQ(flagsWhileWaiting, (std::vector<std::pair<bool, bool>>{{true, true}, {true, true}}));
    // Half way, then 99.99% once the hint has closed, then done.
    EXPECT_EQ(statuses, QStringList({"50.00%", "99.99%", "Finish"}));
    EXPECT_EQ(b.Cell(1, JobColumn::Status), QStringLiteral("Finish"));

    // A new batch shows the hint again, once.
    b.window->DoConvert();
    EXPECT_EQ(b.hintShows.shows, 2);
}

TEST(Convert, PresetIsReadAfreshForEachRow)
{
    Batch b;
    b.AddRows({{"/src/a.avi", 10}, {"/src/b.avi", 10}});
    b.engine.onStartEncode = [&](int index) {
        if (index == 0)
            b.window->cb_format()->setCurrentIndex(2);
    };
    b.window->DoConvert();
    EXPECT_EQ(b.engine.CallsStartingWith(QStringLiteral("iPodProfile")),
              QStringList({QStringLiteral("iPodProfile=4"), QStringLiteral("iPodProfile=2")}));
}

TEST(Convert, StopDuringARowStopsThereAndRemovesItsFiles)
{
    Batch b;
    b.AddRows({{"/src/a.avi", 10}, {"/src/b.avi", 10}, {"/src/c.avi", 10}});
    b.engine.onStartEncode = [&](int index) {
        if (index == 1) {
            b.engine.plan = ScriptedVideoEngine::Plan::Hang;
            QTimer::singleShot(10, b.window.get(), [&] { b.window->DoStopConvert(); });
        }
    };
    b.window->DoConvert();

    EXPECT_EQ(b.Cell(0, JobColumn::Status), QStringLiteral("Finish"));
    EXPECT_EQ(b.Cell(1, JobColumn::Status), QStringLiteral("Stopped"));
    EXPECT_EQ(b.Cell(2, JobColumn::Status), QStringLiteral("unconverted"));
    EXPECT_FALSE(b.state().Converting);
    EXPECT_FALSE(b.state().EngineBusy);
    EXPECT_EQ(b.engine.encodesStarted, 2);
    EXPECT_TRUE(b.engine.calls.contains(QStringLiteral("StopEncode")));
    EXPECT_EQ(b.OutputFiles(), QStringList({"a.THM", "a.mp4"}));
    EXPECT_EQ(b.object("pb").rect_.Right, b.object("pb").rect_.Left);
}

TEST(Convert, AFailedRowReadsFailedAndLeavesNoFiles)
{
    Batch b;
    b.AddRows({{"/src/a.avi", 10}, {"/src/b.avi", 10}});
    b.engine.onStartEncode = [&](int index) {
        b.engine.plan = index == 0 ? ScriptedVideoEngine::Plan::Fail : ScriptedVideoEngine::Plan::Succeed;
    };
    b.window->DoConvert();
    EXPECT_EQ(b.Cell(0, JobColumn::Status), QStringLiteral("Failed"));
    EXPECT_EQ(b.window->LV()->topLevelItem(0)->toolTip(3), QStringLiteral("scripted failure"));
    EXPECT_EQ(b.Cell(1, JobColumn::Status), QStringLiteral("Finish"));
    EXPECT_EQ(b.OutputFiles(), QStringList({"b.THM", "b.mp4"}));
}

TEST(Convert, NamesNeverOverwrite)
{
    {   // clip exists: clip_1; a gap before clip_2 is used.
        Batch b;
        b.Touch("clip.mp4");
        b.Touch("clip_2.mp4");
        b.AddRows({{"/src/clip.avi", 10}});
        b.window->DoConvert();
        EXPECT_TRUE(QFileInfo::exists(b.Out("clip_1.mp4")));
        EXPECT_TRUE(QFileInfo::exists(b.Out("clip_1.THM")));
    }
    {   // A thumbnail of that name (a camera's own) keeps the name taken.
        Batch b;
        b.Touch("clip.THM");
        b.AddRows({{"/src/clip.avi", 10}});
        b.window->DoConvert();
        EXPECT_EQ(b.OutputFiles(), QStringList({"clip.THM", "clip_1.THM", "clip_1.mp4"}));
        QFile camera(b.Out("clip.THM"));
        camera.open(QIODevice::ReadOnly);
        EXPECT_EQ(camera.readAll(), QByteArray("old"));
    }
    {   // Two rows with one caption, and the same list twice.
        Batch b;
        b.AddRows({{"/src/clip.avi", 10}, {"/other/clip.mov", 10}});
        b.window->DoConvert();
        b.window->DoConvert();
        EXPECT_EQ(b.OutputFiles(), QStringList({"clip.THM", "clip.mp4", "clip_1.THM", "clip_1.mp4", "clip_2.THM",
                                                "clip_2.mp4", "clip_3.THM", "clip_3.mp4"}));
    }
    {   // All hundred and one names taken: the row is not converted.
        Batch b;
        b.Touch("clip.mp4");
        for (int n = 1; n <= 100; ++n)
            b.Touch(QStringLiteral("clip_%1.mp4").arg(n).toLatin1().constData());
        b.AddRows({{"/src/clip.avi", 10}, {"/src/next.avi", 10}});
        b.window->DoConvert();
        EXPECT_EQ(b.Cell(0, JobColumn::Status), QStringLiteral("Failed"));
        EXPECT_EQ(b.Cell(1, JobColumn::Status), QStringLiteral("Finish"));
        EXPECT_EQ(b.engine.encodesStarted, 1);
        QFile last(b.Out("clip_100.mp4"));
        last.open(QIODevice::ReadOnly);
        EXPECT_EQ(last.readAll(), QByteArray("old"));
        EXPECT_FALSE(QFileInfo::exists(b.Out("clip_100.THM")));
    }
}

TEST(Convert, DoesNothingWhenEmptyOrAlreadyRunningAndStopsAPreviewFirst)
{
    Batch b;
    const QString missing = b.Out("new");
    b.window->ed_output()->setText(missing);
    b.window->DoConvert();
    EXPECT_FALSE(QFileInfo::exists(missing));
    EXPECT_TRUE(b.engine.calls.isEmpty());

    b.window->ed_output()->setText(b.out.path());
    b.AddRows({{"/src/a.avi", 10}});
    b.state().Converting = true;
    b.engine.calls.clear();
    b.window->DoConvert();
    EXPECT_TRUE(b.engine.CallsStartingWith(QStringLiteral("StartEncode")).isEmpty());
    b.state().Converting = false;

    b.window->DoPlay();
    b.engine.calls.clear();
    b.window->DoConvert();
    EXPECT_EQ(b.engine.calls.first(), QStringLiteral("PreviewStop"));
    EXPECT_FALSE(b.state().Previewing);
    EXPECT_FALSE(b.window->VideoEdit1()->isVisible());
    EXPECT_EQ(b.Cell(0, JobColumn::Status), QStringLiteral("Finish"));
}

TEST(Convert, CreatesAMissingFolderOneLevelDeepOrRefusesToStart)
{
    Batch b;
    b.AddRows({{"/src/a.avi", 10}});
    b.Touch("afile");
    // "/proc/self" is a folder in which nobody, root included, can create a file.
    const QString cases[] = {QString(), b.Out("x/y"), b.Out("afile"), QStringLiteral("/proc/self")};
    for (const QString& folder : cases) {
        b.window->ed_output()->setText(folder);
        b.window->DoConvert();
        EXPECT_FALSE(b.state().Converting);
        EXPECT_TRUE(b.engine.CallsStartingWith(QStringLiteral("StartEncode")).isEmpty()) << folder.toStdString();
    }
    EXPECT_EQ(b.prompter.messages, QStringList(4, QStringLiteral("Can't create this directory.")));

    b.window->ed_output()->setText(b.Out("made"));
    b.window->DoConvert();
    EXPECT_TRUE(QFileInfo::exists(b.Out("made/a.mp4")));
}

TEST(Convert, AFolderConfirmedDuringTheBatchAppliesToTheNextOne)
{
    Batch b;
    QTemporaryDir other;
    b.AddRows({{"/src/a.avi", 10}, {"/src/b.avi", 10}});
    b.engine.onStartEncode = [&](int index) {
        if (index == 0) {
            b.window->ed_output()->setText(other.path());
            b.window->ed_outputKeyUp(Qt::Key_Return);
        }
    };
    b.window->DoConvert();
    EXPECT_EQ(b.OutputFiles(), QStringList({"a.THM", "a.mp4", "b.THM", "b.mp4"}));
    EXPECT_EQ(b.state().OutputFolder, other.path());
}

TEST(Convert, ClosingTheWindowStopsTheBatchAndSavesSettings)
{
    Batch b;
    b.AddRows({{"/src/a.avi", 10}, {"/src/b.avi", 10}});
    b.engine.plan = ScriptedVideoEngine::Plan::Hang;
    b.engine.onStartEncode = [&](int) { QTimer::singleShot(10, b.window.get(), [&] { b.window->close(); }); };
    b.window->DoConvert();
    EXPECT_EQ(b.Cell(0, JobColumn::Status), QStringLiteral("Stopped"));
    EXPECT_EQ(b.Cell(1, JobColumn::Status), QStringLiteral("unconverted"));
    EXPECT_TRUE(b.OutputFiles().isEmpty());
    EXPECT_TRUE(QFileInfo::exists(b.SettingsPath()));
}

TEST(StopConvert, IgnoredDuringPreviewResetsWhenIdle)
{
    Batch b;
    b.AddRows({{"/src/a.avi", 10}});
    b.window->DoPlay();
    b.window->DoStopConvert();
    EXPECT_FALSE(b.engine.calls.contains(QStringLiteral("StopEncode")));
    b.window->DoStopPlay();
    b.state().EngineBusy = true;
    b.window->DoStopConvert();
    EXPECT_TRUE(b.engine.calls.contains(QStringLiteral("StopEncode")));
    EXPECT_FALSE(b.state().EngineBusy || b.state().Converting);
}

TEST(ShowProgress, BarWidthAndPercentage)
{
    struct Case {
        int n;
        bool converting;
        int width;
        const char* text;
        bool visible;
    };
    const Case cases[] = {
        {0, true, 0, "0%", false},        {99, true, 3, "0%", false},    {100, true, 4, "1%", true},
        {5000, true, 176, "50%", true},   {12000, true, 351, "100%", true}, {5000, false, 0, "0%", false},
    };
    Harness h;
    for (const Case& c : cases) {
        h.state().Converting = c.converting;
        h.window->ProgressDisplay().ShowProgress(c.n);
        const SkinRect rect = h.object("pb").rect_;
        EXPECT_EQ(rect.Right - rect.Left, c.width) << c.n;
        EXPECT_EQ(rect.Left, 24);
        EXPECT_EQ(h.Label("pbpos"), QLatin1String(c.text)) << c.n;
        EXPECT_EQ(h.object("pbpos").visible_, c.visible) << c.n;
    }
}

TEST(Processing, ReportDrawsBarPercentageAndStatus)
{
    Harness h;
    h.AddRows({{"/src/a.avi", 100}});
    h.state().Converting = true;
    h.state().ConvertRow = 0;
    h.window->ProgressDisplay().VideoEdit1Processing(12.5, 100);
    EXPECT_EQ(h.state().BarPos, 1250);
    EXPECT_EQ(h.object("pb").rect_.Right - h.object("pb").rect_.Left, 44);
    EXPECT_EQ(h.Label("pbpos"), QStringLiteral("12%"));
    EXPECT_EQ(h.Cell(0, JobColumn::Status), QStringLiteral("12.50%"));

    for (double duration : {0.0, -1.0}) {  // no length: ignored
        h.window->ProgressDisplay().VideoEdit1Processing(50, duration);
        EXPECT_EQ(h.state().BarPos, 1250);
        EXPECT_EQ(h.Cell(0, JobColumn::Status), QStringLiteral("12.50%"));
    }

    // Once the hint was shown in this batch, a full report changes no status.
    h.state().HintShown = true;
    h.window->ProgressDisplay().VideoEdit1Processing(100, 100);
    EXPECT_EQ(h.state().BarPos, 9999);
    EXPECT_EQ(h.Cell(0, JobColumn::Status), QStringLiteral("12.50%"));
    EXPECT_EQ(h.Label("pbpos"), QStringLiteral("100%"));
}

TEST(Processing, StatusTextHasTwoDecimals)
{
    const std::pair<int, const char*> cases[] = {{1234, "12.34%"}, {5, "00.05%"}, {9999, "99.99%"}, {0, "00.00%"}};
    for (const auto& [value, text] : cases)
        EXPECT_EQ(StatusPercentText(value), QLatin1String(text));
}

TEST(Hint, DotsGrowEveryTickAndWrapAfterThirteen)
{
    Harness h;
    h.window->BindHintSkin();
    h.fm_hint->show();
    EXPECT_EQ(h.fm_hint->windowTitle(), QStringLiteral("Hint"));
    EXPECT_EQ(h.fm_hint->Timer1().interval(), 3000);
    EXPECT_TRUE(h.fm_hint->Timer1().isActive());
    EXPECT_FALSE(h.object("Sregister").visible_);
    EXPECT_TRUE(h.object("Shint").visible_);
    EXPECT_EQ(h.Label("Shint"), QString());  // nothing before the first tick

    const QString base = QStringLiteral("Processing the output file. please wait");
    const int dots[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 13, 1};
    for (int expected : dots) {
        h.fm_hint->Timer1Timer();
        EXPECT_EQ(h.Label("Shint"), base + QString(expected, QLatin1Char('.')));
    }
    h.fm_hint->CloseHint();
    EXPECT_FALSE(h.fm_hint->isVisible());
    EXPECT_FALSE(h.fm_hint->Timer1().isActive());

    // Shown again: the dots restart at one.
    h.fm_hint->show();
    h.fm_hint->Timer1Timer();
    EXPECT_EQ(h.Label("Shint"), base + QStringLiteral("."));
    h.fm_hint->CloseHint();
}

}  // namespace
}  // namespace tevarro::testing
