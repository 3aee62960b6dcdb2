// tevarro-convert as a script uses it: exit status, result lines, names.
#include "media_fixture.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace tevarro::test {
namespace {

ToolRun Convert(const QStringList& args)
{
    return RunTool(QStringLiteral(TEVARRO_CONVERT_PATH), args, 120000);
}

TEST(ConvertCommand, BadArgumentsExitWithUsage)
{
    const std::vector<QStringList> cases = {
        {},
        {"--preset", "11", "a.mp4"},
        {"--preset", "four", "a.mp4"},
        {"--begin", "5", "--end", "2", "a.mp4"},
        {"--end", "-1", "a.mp4"},
        {"--frobnicate", "a.mp4"},
    };
    for (const QStringList& args : cases) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const ToolRun run = Convert(args);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.err.contains("usage: tevarro-convert"));
        EXPECT_TRUE(run.out.isEmpty());
    }
}

TEST(ConvertCommand, ConvertsWhatItCanNamesLikeTheBatchAndReportsTheRest)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString source = Clip16x9(3.0);
    const QString shortClip = MakeMedia("short.mp4", {"-f", "lavfi", "-i", "testsrc2=size=160x120:rate=25:duration=1",
                                                       "-c:v", "libx264", "-preset", "ultrafast"});
    const QString good = dir.filePath("holiday.clip.mp4");
    ASSERT_TRUE(QFile::copy(source, good));
    const QString text = dir.filePath("readme.avi");
    {
        QFile file(text);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("not a video\n");
    }
    const QString folder = dir.filePath("out");

    const ToolRun first = Convert({"--preset", "9", "--begin", "1", "-o", folder, good, text, shortClip});
    EXPECT_EQ(first.exitCode, 1);
    const QString out = QString::fromLocal8Bit(first.out);
    const QString expected = QDir::toNativeSeparators(folder + "/holiday.clip.mp4");
    EXPECT_TRUE(out.contains("OK " + expected + "\n")) << out.toStdString();
    EXPECT_TRUE(out.contains("FAILED " + text + ": ")) << out.toStdString();
    EXPECT_TRUE(out.contains("FAILED " + shortClip + ": ")) << out.toStdString();
    EXPECT_EQ(out.count('\n'), 3);  // one result line per file
    QStringList written = QDir(folder).entryList(QDir::Files);
    written.sort();
    EXPECT_EQ(written, (QStringList{"holiday.clip.THM", "holiday.clip.mp4"}));
    const QJsonObject probe = ProbeJson(expected);
    EXPECT_NEAR(probe.value("format").toObject().value("duration").toVariant().toDouble(), 2.0, 0.05);

    // The same file again: the batch's numbered name, never an overwrite.
    const ToolRun second = Convert({"-o", folder, good});
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_EQ(QString::fromLocal8Bit(second.out),
              "OK " + QDir::toNativeSeparators(folder + "/holiday.clip_1.mp4") + "\n");
    EXPECT_TRUE(QFile::exists(folder + "/holiday.clip_1.THM"));
}

}  // namespace
}  // namespace tevarro::test
