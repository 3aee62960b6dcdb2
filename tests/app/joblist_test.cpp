// The job list: clock texts, adding files and folders, the row cap, the
// selection rule, the unsupported-file prompt, removing and clearing.
#include "harness.h"
#include "joblist/adding.h"

#include <QDir>
#include <gtest/gtest.h>

namespace tevarro::testing {
namespace {

TEST(SecondsToClock, FormatsEveryRangeOfHours)
{
    const std::pair<int, const char*> cases[] = {
        {0, "00:00:00"},     {59, "00:00:59"},    {60, "00:01:00"},      {3599, "00:59:59"},
        {3600, "01:00:00"},  {86399, "23:59:59"}, {86400, "24:00:00"},   {360000, "100:00:00"},
    };
    for (const auto& [seconds, text] : cases)
        EXPECT_EQ(SecondsToClock(seconds), QLatin1String(text)) << seconds;
}

struct DurationCase {
    double seconds;
    bool added;
    int length;
    const char* span;
    const char* time;
};

TEST(AddFiles, MeasuredDurationDecidesAndTruncates)
{
    const DurationCase cases[] = {
        {2.0, true, 2, "00:00:00 - 00:00:02", "00:00:02"},
        {1.99, false, 0, "", ""},
        {59.999, true, 59, "00:00:00 - 00:00:59", "00:00:59"},
        {3725.9, true, 3725, "00:00:00 - 01:02:05", "01:02:05"},
        {0.0, false, 0, "", ""},
        {std::nan(""), false, 0, "", ""},
    };
    for (const DurationCase& c : cases) {
        Harness h;
        h.AddRows({{QStringLiteral("/videos/clip.part1.avi"), c.seconds}});
        ASSERT_EQ(h.jobs().RowCount(), c.added ? 1 : 0) << c.seconds;
        EXPECT_EQ(h.prompter.questions.size(), c.added ? 0 : 1);
        if (!c.added)
            continue;
        EXPECT_EQ(h.Cell(0, JobColumn::FileName), QStringLiteral("clip.part1"));
        EXPECT_EQ(h.Cell(0, JobColumn::Span), QLatin1String(c.span));
        EXPECT_EQ(h.Cell(0, JobColumn::Time), QLatin1String(c.time));
        EXPECT_EQ(h.Cell(0, JobColumn::Status), QStringLiteral("unconverted"));
        const Timerec& entry = h.jobs().Entry(0);
        EXPECT_EQ(entry.BeginSec, 0);
        EXPECT_EQ(entry.EndSec, c.length);
        EXPECT_EQ(entry.LengthSec, c.length);
        EXPECT_EQ(entry.SourcePath, QStringLiteral("/videos/clip.part1.avi"));
    }
}

TEST(AddFiles, RowCapDropsTheRestWithoutMessage)
{
    Harness h;
    std::vector<std::pair<QString, double>> many;
    for (int i = 0; i < 495; ++i)
        many.emplace_back(QStringLiteral("/v/%1.avi").arg(i), 10.0);
    h.AddRows(many);
    ASSERT_EQ(h.jobs().RowCount(), 495);

    std::vector<std::pair<QString, double>> ten;
    for (int i = 0; i < 10; ++i)
        ten.emplace_back(QStringLiteral("/w/%1.avi").arg(i), 10.0);
    h.AddRows(ten);
    EXPECT_EQ(h.jobs().RowCount(), 500);
    EXPECT_EQ(h.jobs().Entry(499).SourcePath, QStringLiteral("/w/4.avi"));

    // Full: the dialog still opens, nothing is measured, the selection step runs.
    h.window->LV()->clearSelection();
    h.engine.calls.clear();
    h.AddRows({{QStringLiteral("/x/late.avi"), 10.0}});
    EXPECT_EQ(h.prompter.fileDialogs, 3);
    EXPECT_TRUE(h.engine.CallsStartingWith(QStringLiteral("GetMediaDuration")).isEmpty());
    EXPECT_EQ(h.jobs().SelectedRow(), 0);
    EXPECT_TRUE(h.prompter.questions.isEmpty());
}

TEST(AddFiles, SelectionAfterAdding)
{
    {   // An empty list: row 0 becomes selected.
        Harness h;
        h.AddRows({{QStringLiteral("/a.avi"), 5}, {QStringLiteral("/b.avi"), 5}});
        EXPECT_EQ(h.jobs().SelectedRow(), 0);
    }
    {   // Row 3 selected: it stays the only selection.
        Harness h;
        h.AddRows({{"/a.avi", 5}, {"/b.avi", 5}, {"/c.avi", 5}, {"/d.avi", 5}});
        h.Select({3});
        h.AddRows({{QStringLiteral("/e.avi"), 5}});
        EXPECT_EQ(h.jobs().SelectedRow(), 3);
        EXPECT_FALSE(h.jobs().IsSelected(4));
    }
    {   // Rows but no selection: row 0, not a new row.
        Harness h;
        h.AddRows({{"/a.avi", 5}, {"/b.avi", 5}});
        h.window->LV()->clearSelection();
        h.AddRows({{QStringLiteral("/c.avi"), 5}});
        EXPECT_EQ(h.jobs().SelectedRow(), 0);
        EXPECT_FALSE(h.jobs().IsSelected(2));
    }
}

TEST(AddFiles, SameFileTwiceGivesTwoRowsAndCancelChangesNothing)
{
    Harness h;
    h.AddRows({{QStringLiteral("/same.avi"), 5}, {QStringLiteral("/same.avi"), 5}});
    EXPECT_EQ(h.jobs().RowCount(), 2);
    EXPECT_EQ(h.jobs().Entry(1).SourcePath, QStringLiteral("/same.avi"));

    h.window->LV()->clearSelection();
    h.prompter.files.clear();  // cancelled dialog
    h.window->DoAddFiles();
    EXPECT_EQ(h.jobs().RowCount(), 2);
    EXPECT_EQ(h.jobs().SelectedRow(), -1);
}

TEST(AddFiles, DoesNothingWhileConverting)
{
    Harness h;
    h.state().Converting = true;
    h.AddRows({{QStringLiteral("/a.avi"), 5}});
    EXPECT_EQ(h.prompter.fileDialogs, 0);
    EXPECT_EQ(h.jobs().RowCount(), 0);
}

TEST(AddFolder, TakesListedExtensionsOnlyAndDoesNotEnterFolders)
{
    Harness h;
    QTemporaryDir folder;
    for (const char* name : {"A.AVI", "b.vob", "c.txt", "d.rmvb", ".hidden.mp4"}) {
        QFile file(folder.filePath(QLatin1String(name)));
        file.open(QIODevice::WriteOnly);
    }
    QDir(folder.path()).mkdir(QStringLiteral("clips.mp4"));
    QFile inner(folder.filePath(QStringLiteral("clips.mp4/inner.avi")));
    inner.open(QIODevice::WriteOnly);

    h.prompter.folder = folder.path();
    h.window->DoAddFolder();

    QStringList probed = h.engine.CallsStartingWith(QStringLiteral("GetMediaDuration"));
    probed.sort();
    const QString base = folder.path() + QLatin1Char('/');
    EXPECT_EQ(probed, QStringList({QStringLiteral("GetMediaDuration(%1.hidden.mp4)").arg(base),
                                   QStringLiteral("GetMediaDuration(%1A.AVI)").arg(base),
                                   QStringLiteral("GetMediaDuration(%1clips.mp4)").arg(base),
                                   QStringLiteral("GetMediaDuration(%1d.rmvb)").arg(base)}));
    EXPECT_EQ(h.prompter.pickerCaption, QStringLiteral("File Directory"));
}

TEST(AddFolder, AddsRowsWithFolderPathsAndEmptyChoiceChangesNothing)
{
    Harness h;
    QTemporaryDir folder;
    QFile file(folder.filePath(QStringLiteral("my clip 'é' $x.mov")));
    file.open(QIODevice::WriteOnly);
    const QString path = folder.path() + QStringLiteral("/my clip 'é' $x.mov");
    h.engine.durations.insert(path, 12.5);
    h.prompter.folder = folder.path();
    h.window->DoAddFolder();
    ASSERT_EQ(h.jobs().RowCount(), 1);
    EXPECT_EQ(h.jobs().Entry(0).SourcePath, path);
    EXPECT_EQ(h.Cell(0, JobColumn::FileName), QStringLiteral("my clip 'é' $x"));

    h.window->LV()->clearSelection();
    h.prompter.folder.clear();
    h.window->DoAddFolder();
    EXPECT_EQ(h.jobs().RowCount(), 1);
    EXPECT_EQ(h.jobs().SelectedRow(), -1);
}

TEST(UnsupportedFile, PromptNamesTheFileAndYesOpensTheRightPage)
{
    struct Case {
        const char* path;
        const char* name;
        const char* page;
    };
    const Case cases[] = {
        {"/videos/a.avi", "a.avi", "https://www.apple.com/quicktime/download"},
        {"/videos/Clip.WMV", "Clip.WMV", "https://www.tevarro.org/download/wmfdist.exe"},
        {"/videos/x.AsF", "x.AsF", "https://www.tevarro.org/download/wmfdist.exe"},
        {"/videos/clip.mov", "clip.mov", "https://www.apple.com/quicktime/download"},
        {"/videos/noext", "noext", "https://www.apple.com/quicktime/download"},
        {"/vid.eos/noext", "noext", "https://www.apple.com/quicktime/download"},
    };
    for (const Case& c : cases) {
        Harness h;
        h.prompter.answerYes = true;
        h.AddRows({{QLatin1String(c.path), 1.0}});
        ASSERT_EQ(h.prompter.questions.size(), 1);
        EXPECT_EQ(h.prompter.questions[0],
                  QLatin1String(c.name)
                      + QStringLiteral(" can not be supported, this problem may be solved by download and "
                                       "install free video encode and reinstall our software . Will you "
                                       "download it?"));
        ASSERT_EQ(h.prompter.opened.size(), 1);
        EXPECT_EQ(h.prompter.opened[0], QUrl(QLatin1String(c.page)));
    }
    Harness no;
    no.AddRows({{QStringLiteral("/videos/a.wmv"), 0.5}, {QStringLiteral("/videos/b.avi"), 3}});
    EXPECT_TRUE(no.prompter.opened.isEmpty());
    EXPECT_EQ(no.jobs().RowCount(), 1);  // the loop goes on after a prompt
}

TEST(UnsupportedFile, FolderPromptNamesTheEntry)
{
    Harness h;
    QTemporaryDir folder;
    QFile file(folder.filePath(QStringLiteral("short.avi")));
    file.open(QIODevice::WriteOnly);
    h.prompter.folder = folder.path();
    h.window->DoAddFolder();
    ASSERT_EQ(h.prompter.questions.size(), 1);
    EXPECT_TRUE(h.prompter.questions[0].startsWith(QStringLiteral("short.avi can not be supported")));
}

TEST(Remove, SelectedRowsGoWithTheirEntries)
{
    Harness h;
    h.AddRows({{"/0.avi", 10}, {"/1.avi", 11}, {"/2.avi", 12}, {"/3.avi", 13}, {"/4.avi", 14}});
    h.Select({1, 3});
    h.window->DoRemove();
    ASSERT_EQ(h.jobs().RowCount(), 3);
    const char* expected[] = {"/0.avi", "/2.avi", "/4.avi"};
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(h.jobs().Entry(row).SourcePath, QLatin1String(expected[row]));
        EXPECT_EQ(h.jobs().Entry(row).LengthSec, 10 + 2 * row);
        EXPECT_EQ(h.Cell(row, JobColumn::FileName), QString::number(2 * row));
    }
    EXPECT_EQ(h.jobs().SelectedRow(), -1);
}

TEST(Remove, EdgeSelectionsAndRefusals)
{
    const auto fiveRows = [](Harness& h) {
        h.AddRows({{"/0.avi", 10}, {"/1.avi", 11}, {"/2.avi", 12}, {"/3.avi", 13}, {"/4.avi", 14}});
    };
    {
        Harness h;
        fiveRows(h);
        h.Select({0, 1, 2, 3, 4});
        h.window->DoRemove();
        EXPECT_EQ(h.jobs().RowCount(), 0);
    }
    {
        Harness h;
        fiveRows(h);
        h.window->LV()->clearSelection();
        h.window->DoRemove();
        EXPECT_EQ(h.jobs().RowCount(), 5);
    }
    {
        Harness h;
        fiveRows(h);
        h.Select({4});
        h.window->DoRemove();
        EXPECT_EQ(h.jobs().RowCount(), 4);
        EXPECT_EQ(h.jobs().Entry(3).SourcePath, QStringLiteral("/3.avi"));
    }
    for (bool previewing : {true, false}) {
        Harness h;
        fiveRows(h);
        h.Select({0});
        (previewing ? h.state().Previewing : h.state().Converting) = true;
        h.window->DoRemove();
        EXPECT_EQ(h.jobs().RowCount(), 5);
    }
}

TEST(Clear, AsksFirstAndKeepsThePreviewGoing)
{
    Harness h;
    h.window->DoClear();  // empty: no question
    EXPECT_TRUE(h.prompter.questions.isEmpty());

    h.AddRows({{"/a.avi", 10}, {"/b.avi", 20}});
    h.prompter.answerYes = false;
    h.window->DoClear();
    ASSERT_EQ(h.prompter.questions.size(), 1);
    EXPECT_EQ(h.prompter.questions[0],
              QStringLiteral("Are you sure to remove all the files from filelist?\rNot delete from your computer."));
    EXPECT_EQ(h.jobs().RowCount(), 2);

    h.window->DoPlay();
    ASSERT_TRUE(h.state().Previewing);
    h.prompter.answerYes = true;
    h.window->DoClear();
    EXPECT_EQ(h.jobs().RowCount(), 0);
    EXPECT_TRUE(h.state().Previewing);
    EXPECT_TRUE(h.engine.CallsStartingWith(QStringLiteral("PreviewStop")).isEmpty());

    h.window->DoStopPlay();
    h.AddRows({{"/c.avi", 3}, {"/d.avi", 4}, {"/e.avi", 5}});
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(h.jobs().Entry(row).LengthSec, 3 + row);
        EXPECT_EQ(h.jobs().Entry(row).BeginSec, 0);
    }
}

TEST(Clear, RefusedWhileConverting)
{
    Harness h;
    h.AddRows({{"/a.avi", 10}});
    h.state().Converting = true;
    h.prompter.answerYes = true;
    h.window->DoClear();
    EXPECT_TRUE(h.prompter.questions.isEmpty());
    EXPECT_EQ(h.jobs().RowCount(), 1);
}

TEST(ExtensionRule, LastDotAfterLastSeparator)
{
    const std::pair<const char*, const char*> cases[] = {
        {"a.avi", ".avi"}, {"clip.part1.avi", ".avi"}, {"noext", ""}, {"/vid.eos/noext", ""}, {".hidden", ".hidden"},
    };
    for (const auto& [name, extension] : cases)
        EXPECT_EQ(ExtensionOf(QLatin1String(name)), QLatin1String(extension)) << name;
}

}  // namespace
}  // namespace tevarro::testing
