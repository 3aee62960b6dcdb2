// Preview and the seek bar, trim marks and stepping, with the scripted engine.
#include "app/preview_surface.h"
#include "harness.h"
#include "preview/mul_div.h"
#include "preview/preview.h"

#include <gtest/gtest.h>

namespace tevarro::testing {
namespace {

TEST(MulDiv, RoundsHalvesAwayFromZero)
{
    EXPECT_EQ(MulDiv(5000, 7, 10000), 4);
    EXPECT_EQ(MulDiv(2500, 121, 10000), 30);
    EXPECT_EQ(MulDiv(-5000, 7, 10000), -4);
    EXPECT_EQ(MulDiv(5000, 351, 10000), 176);
    EXPECT_EQ(MulDiv(1, 1, 0), -1);
    EXPECT_EQ(MulDiv(2000000000, 2000000000, 1), -1);  // does not fit
    EXPECT_EQ(MulDiv(2000000000, 10000, 20000), 1000000000);  // 64-bit product
}

TEST(Play, StartsFromTheBarWithRowZeroWhenNoneSelected)
{
    struct Case {
        double length;
        int bar;
        int start;
    };
    for (const Case& c : {Case{7, 5000, 4}, Case{121, 2500, 30}}) {
        Harness h;
        h.AddRows({{"/a.avi", 3}, {"/clip.avi", c.length}});
        h.Select({1});
        h.SetBar(c.bar);
        h.engine.calls.clear();
        h.window->DoPlay();
        EXPECT_EQ(h.state().PreviewStart, c.start);
        EXPECT_EQ(h.state().PreviewRow, 1);
        const QString stop = QString::number(c.length);
        EXPECT_EQ(h.engine.calls,
                  QStringList({QStringLiteral("VideoSampleSize=24"), QStringLiteral("AspectRatio=0"),
                               QStringLiteral("ClearClips"),
                               QStringLiteral("AddVideoClip(/clip.avi,%1,%2,0)").arg(c.start).arg(stop),
                               QStringLiteral("AddAudioClip(/clip.avi,%1,%2)").arg(c.start).arg(stop),
                               QStringLiteral("PreviewPlay")}));
        EXPECT_TRUE(h.window->VideoEdit1()->isVisible());
    }
    Harness h;
    h.AddRows({{"/a.avi", 10}, {"/b.avi", 10}});
    h.window->LV()->clearSelection();
    h.window->DoPlay();
    EXPECT_EQ(h.jobs().SelectedRow(), 0);
    EXPECT_EQ(h.state().PreviewRow, 0);
}

TEST(Play, PlaybackReportMovesBarAndLabel)
{
    Harness h;
    h.AddRows({{"/a.avi", 120}});
    h.SetBar(2500);
    h.window->DoPlay();
    ASSERT_EQ(h.state().PreviewStart, 30);
    emit h.engine.OnPlaying(12.9);
    EXPECT_EQ(h.Bar(), 3500);
    EXPECT_EQ(h.state().BarPos, 3500);
    EXPECT_EQ(h.Label("time"), QStringLiteral("00:00:42"));

    // While the user holds the bar, reports leave it alone.
    h.window->Previewer().Skin1MouseDown(&h.object("bar"));
    emit h.engine.OnPlaying(20.0);
    EXPECT_EQ(h.Bar(), 3500);
}

TEST(Play, FlagsThroughTheCommands)
{
    Harness h;
    h.AddRows({{"/a.avi", 100}});
    ShellState& s = h.state();

    h.window->DoPlay();
    EXPECT_TRUE(s.Previewing && s.FollowPlayback);
    h.engine.calls.clear();
    h.window->DoPlay();  // playing, not paused: nothing
    EXPECT_TRUE(h.engine.calls.isEmpty());

    h.window->Previewer().Skin1MouseDown(&h.object("bar"));
    EXPECT_TRUE(s.Previewing);
    EXPECT_FALSE(s.FollowPlayback);
    h.SetBar(6000);
    h.window->Previewer().Skin1MouseUp(&h.object("bar"));
    EXPECT_TRUE(s.Previewing && s.FollowPlayback);
    EXPECT_EQ(s.PreviewStart, 60);
    EXPECT_TRUE(h.engine.calls.contains(QStringLiteral("PreviewStop")));

    h.window->DoStopPlay();
    EXPECT_FALSE(s.Previewing || s.FollowPlayback);
    EXPECT_FALSE(h.window->VideoEdit1()->isVisible());
    EXPECT_EQ(h.Bar(), 0);

    // Every preview command does nothing during a conversion.
    s.Converting = true;
    h.engine.calls.clear();
    for (auto command : {&Tfm_main::DoPlay, &Tfm_main::DoPause, &Tfm_main::DoStopPlay})
        (h.window.get()->*command)();
    EXPECT_TRUE(h.engine.calls.isEmpty());
    EXPECT_FALSE(s.Previewing);
}

TEST(Play, StopWithoutPreviewStillResetsTheBarAndKeepsTheLabel)
{
    Harness h;
    h.SetBar(4000);
    h.object("time").text_ = QStringLiteral("00:00:07");
    h.window->VideoEdit1()->show();
    h.window->DoStopPlay();
    EXPECT_EQ(h.engine.calls.last(), QStringLiteral("PreviewStop"));
    EXPECT_EQ(h.Bar(), 0);
    EXPECT_FALSE(h.window->VideoEdit1()->isVisible());
    EXPECT_EQ(h.Label("time"), QStringLiteral("00:00:07"));
}

TEST(Pause, WithoutPreviewThenPlayThenPauseTwice)
{
    Harness h;
    h.AddRows({{"/a.avi", 100}});
    h.window->DoPause();
    EXPECT_EQ(h.engine.calls.last(), QStringLiteral("PreviewPause"));
    EXPECT_TRUE(h.state().PreviewPaused);

    h.window->DoPlay();  // not previewing: starts normally
    EXPECT_TRUE(h.state().Previewing);
    EXPECT_EQ(h.engine.calls.last(), QStringLiteral("PreviewPlay"));

    h.window->DoPause();
    EXPECT_EQ(h.engine.calls.last(), QStringLiteral("PreviewResume"));
    EXPECT_FALSE(h.state().PreviewPaused);
    h.window->DoPause();
    EXPECT_EQ(h.engine.calls.last(), QStringLiteral("PreviewPause"));
    EXPECT_TRUE(h.state().PreviewPaused);

    h.window->DoPlay();  // paused preview: resumed
    EXPECT_EQ(h.engine.calls.last(), QStringLiteral("PreviewResume"));
    EXPECT_FALSE(h.state().PreviewPaused);
}

TEST(SeekBar, DragShowsTimeUnderThumbClampedToTheEnd)
{
    Harness h;
    h.AddRows({{"/a.avi", 100}});
    h.SetBar(12000);
    h.window->Previewer().Skin1ScrollTrack(&h.object("bar"));
    EXPECT_EQ(h.Label("time"), QStringLiteral("00:01:40"));
    h.SetBar(2500);
    h.window->Previewer().Skin1ScrollTrack(&h.object("bar"));
    EXPECT_EQ(h.Label("time"), QStringLiteral("00:00:25"));
    EXPECT_FALSE(h.state().Previewing);

    h.window->LV()->clearSelection();
    h.SetBar(5000);
    h.window->Previewer().Skin1ScrollTrack(&h.object("bar"));
    EXPECT_EQ(h.Label("time"), QStringLiteral("00:00:25"));  // no row: no change
}

TEST(SeekBar, ReleaseAfterClearStopsAndStartsNothing)
{
    Harness h;
    h.AddRows({{"/a.avi", 100}});
    h.window->DoPlay();
    h.prompter.answerYes = true;
    h.window->DoClear();
    h.window->Previewer().Skin1MouseDown(&h.object("bar"));
    h.window->Previewer().Skin1MouseUp(&h.object("bar"));
    EXPECT_FALSE(h.state().Previewing);
    EXPECT_FALSE(h.state().FollowPlayback);
    EXPECT_TRUE(h.window->VideoEdit1()->isVisible());
}

TEST(ListClick, SelectsLastRowWhenNoneAndShowsItsTime)
{
    Harness h;
    h.AddRows({{"/a.avi", 100}, {"/b.avi", 40}});
    h.window->LV()->clearSelection();
    h.SetBar(15000);
    h.window->Previewer().LVClick();
    EXPECT_EQ(h.jobs().SelectedRow(), 1);
    EXPECT_EQ(h.Label("time"), QStringLiteral("00:00:40"));
}

TEST(Marks, WorkedExamples)
{
    Harness h;
    h.AddRows({{"/a.avi", 120}});
    h.SetBar(2500);
    h.window->DoMarkBegin();
    EXPECT_EQ(h.jobs().Entry(0).BeginSec, 30);
    EXPECT_EQ(h.Cell(0, JobColumn::Span), QStringLiteral("00:00:30 - 00:02:00"));
    EXPECT_EQ(h.Label("begintime"), QStringLiteral("00:00:30"));
    EXPECT_EQ(h.Cell(0, JobColumn::Time), QStringLiteral("00:01:30"));

    Harness g;
    g.AddRows({{"/a.avi", 120}});
    g.SetBar(5000);
    g.window->DoMarkEnd();
    g.SetBar(9000);
    g.window->DoMarkBegin();
    EXPECT_EQ(g.jobs().Entry(0).EndSec, 60);
    EXPECT_EQ(g.jobs().Entry(0).BeginSec, 108);
    EXPECT_EQ(g.Cell(0, JobColumn::Span), QStringLiteral("00:01:48 - 00:01:00"));
    EXPECT_EQ(g.Cell(0, JobColumn::Time), QStringLiteral("00:00:00"));
    EXPECT_EQ(g.Label("endtime"), QStringLiteral("00:01:00"));
    EXPECT_EQ(g.Cell(0, JobColumn::Status), QStringLiteral("unconverted"));
}

TEST(Marks, PreviewedRowNotSelectedRowAndLongRowsOnTheBarGrid)
{
    Harness h;
    h.AddRows({{"/0.avi", 50}, {"/1.avi", 50}, {"/2.avi", 20000}, {"/3.avi", 50}, {"/4.avi", 50}, {"/5.avi", 50}});
    h.Select({2});
    h.window->DoPlay();
    h.Select({5});
    emit h.engine.OnPlaying(1001.0);
    EXPECT_EQ(h.Bar(), 501);
    h.window->DoMarkBegin();
    EXPECT_EQ(h.jobs().Entry(2).BeginSec, 1002);
    EXPECT_EQ(h.jobs().Entry(5).BeginSec, 0);
}

TEST(Marks, NothingDuringConversionWithoutRowOrAfterClearDuringPreview)
{
    Harness h;
    h.AddRows({{"/a.avi", 120}});
    h.SetBar(5000);
    h.state().Converting = true;
    h.window->DoMarkBegin();
    h.state().Converting = false;
    h.window->LV()->clearSelection();
    h.window->DoMarkEnd();
    EXPECT_EQ(h.jobs().Entry(0).BeginSec, 0);
    EXPECT_EQ(h.jobs().Entry(0).EndSec, 120);

    h.Select({0});
    h.window->DoPlay();
    h.prompter.answerYes = true;
    h.window->DoClear();
    const Timerec before = h.jobs().Entry(0);
    h.window->DoMarkBegin();
    h.window->DoMarkEnd();
    EXPECT_EQ(h.jobs().Entry(0).BeginSec, before.BeginSec);
    EXPECT_EQ(h.Label("begintime"), QString());
}

TEST(Step, WorkedExamples)
{
    struct Case {
        double length;
        int bar;
        bool previewing;
        bool forward;
        int expectedBar;
        const char* time;
    };
    const Case cases[] = {
        {100, 5000, false, false, 4860, "00:00:48"},   {100, 5000, false, true, 5140, "00:00:51"},
        {100, 5000, true, true, 8000, "00:01:20"},     {100, 50, false, false, 0, "00:00:00"},
        {100, 9000, true, true, 10000, "00:01:40"},    {3600, 5000, false, true, 5003, "00:30:01"},
        {3600, 5000, false, false, 4996, "00:29:58"},  {20000, 1000, false, true, 1000, "00:33:21"},
        {20000, 1000, false, false, 999, "00:33:18"},  {100, 5000, true, false, 2000, "00:00:20"},
    };
    for (const Case& c : cases) {
        Harness h;
        h.AddRows({{"/a.avi", c.length}});
        if (c.previewing)
            h.window->DoPlay();
        h.SetBar(c.bar);
        h.engine.calls.clear();
        c.forward ? h.window->DoStepForward() : h.window->DoStepBack();
        EXPECT_EQ(h.Bar(), c.expectedBar) << c.length << " " << c.bar;
        EXPECT_EQ(h.Label("time"), QLatin1String(c.time)) << c.length << " " << c.bar;
        EXPECT_EQ(h.state().Previewing, c.previewing);
        if (c.previewing) {
            const int start = MulDiv(c.expectedBar, static_cast<int>(c.length), 10000);
            EXPECT_TRUE(h.engine.calls.contains(
                QStringLiteral("AddVideoClip(/a.avi,%1,%2,0)").arg(start).arg(c.length)))
                << h.engine.calls.join(QLatin1Char(' ')).toStdString();
        }
        // Outside a batch the progress display stays empty.
        EXPECT_EQ(h.object("pb").rect_.Right, h.object("pb").rect_.Left);
    }
}

TEST(Step, DrawsOnTheProgressDuringABatchAndNeedsARow)
{
    Harness h;
    h.window->DoStepForward();  // empty list
    EXPECT_TRUE(h.engine.calls.isEmpty());

    h.AddRows({{"/a.avi", 100}});
    h.window->LV()->clearSelection();
    h.SetBar(5000);
    h.window->DoStepForward();  // rows but none selected: nothing
    EXPECT_EQ(h.Bar(), 5000);

    h.Select({0});
    h.state().Converting = true;
    h.window->DoStepForward();
    EXPECT_EQ(h.Bar(), 5140);
    EXPECT_EQ(h.object("pb").rect_.Right - h.object("pb").rect_.Left, MulDiv(5140, 351, 10000));
    EXPECT_EQ(h.Label("pbpos"), QStringLiteral("51%"));
}

TEST(PreviewSurface, FitsTheFrameWithBlackAround)
{
    PreviewSurface surface;
    surface.resize(214, 149);
    QImage frame(160, 90, QImage::Format_RGB32);
    frame.fill(Qt::white);
    surface.ShowFrame(frame);
    const QImage shot = surface.grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(107, 2)), QColor(Qt::black));   // band above
    EXPECT_EQ(QColor(shot.pixel(107, 74)), QColor(Qt::white));  // picture
    EXPECT_EQ(QColor(shot.pixel(107, 146)), QColor(Qt::black)); // band below
}

}  // namespace
}  // namespace tevarro::testing
