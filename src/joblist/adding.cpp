#include "joblist/adding.h"

#include "app/dir/dir.h"
#include "app/shell.h"
#include "app/web_addresses.h"
#include "engines/video_engine.h"
#include "joblist/job_list.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>

namespace tevarro {

namespace {

constexpr double kShortestSource = 2.0;

bool IsSeparator(QChar c)
{
#ifdef Q_OS_WIN
    return c == QLatin1Char('\\') || c == QLatin1Char(':') || c == QLatin1Char('/');
#else
    return c == QLatin1Char('/');
#endif
}

void ProcessPendingEventsTwice()
{
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

}  // namespace

QList<FileFilter> OpenDialogFilters()
{
    return {
        {QStringLiteral("All Support Format"),
         QStringLiteral("*.avi;*.mpg;*.mpeg;*.wmv;*.asf;*.asx;*.mov;*.dat;*.qt;*.vob;*.3gp;*.mp4;*.rm;*.rmvb;*.ram;")},
        {QStringLiteral("WMV Format(*.wmv;*.asf;*.asx;)"), QStringLiteral("*.wmv;*.asf;*.asx;")},
        {QStringLiteral("MPEG Format(*.mpg;*.mpeg;)"), QStringLiteral("*.mpg;*.mpeg;")},
        {QStringLiteral("AVI Format(*.avi;)"), QStringLiteral("*.avi;")},
        {QStringLiteral("Quick Time Format(*.qt;*.mov;)"), QStringLiteral("*.qt;*.mov;")},
        {QStringLiteral("VCD Format(*.dat;)"), QStringLiteral("*.dat;")},
        {QStringLiteral("MP4 Format(*.mp4)"), QStringLiteral("*.mp4;")},
        {QStringLiteral("DVD Format(*.vob)"), QStringLiteral("*.vob;")},
        {QStringLiteral("3GP Format(*.3gp)"), QStringLiteral("*.3gp;")},
        {QStringLiteral("RM Format(*.rm;*.rmvb;*.ram;)"), QStringLiteral("*.rm;*.rmvb;*.ram;")},
        {QStringLiteral("All File(*.*)"), QStringLiteral("*.*;")},
    };
}

const QStringList& FolderExtensions()
{
    static const QStringList extensions{
        QStringLiteral(".wmv"), QStringLiteral(".mpeg"), QStringLiteral(".asf"), QStringLiteral(".asx"),
        QStringLiteral(".mov"), QStringLiteral(".qt"),   QStringLiteral(".avi"), QStringLiteral(".mpg"),
        QStringLiteral(".3gp"), QStringLiteral(".mp4"),  QStringLiteral(".rm"),  QStringLiteral(".rmvb"),
    };
    return extensions;
}

QString ExtensionOf(const QString& name)
{
    for (qsizetype i = name.size() - 1; i >= 0; --i) {
        if (name[i] == QLatin1Char('.'))
            return name.mid(i);
        if (IsSeparator(name[i]))
            break;
    }
    return {};
}

QString FileNameOf(const QString& path)
{
    qsizetype i = path.size();
    while (i > 0 && !IsSeparator(path[i - 1]))
        --i;
    return path.mid(i);
}

namespace {

// Lower-cases the ASCII letters A to Z only, as the extension rule says.
QString AsciiLower(const QString& text)
{
    QString result = text;
    for (QChar& c : result) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
    }
    return result;
}

}  // namespace

QString UnsupportedFileMessage(const QString& name)
{
    return name
           + QStringLiteral(" can not be supported, this problem may be solved by download and install "
                            "free video encode and reinstall our software . Will you download it?");
}

QUrl DownloadAddressFor(const QString& name)
{
    const QString extension = AsciiLower(ExtensionOf(name));
    if (extension == QStringLiteral(".wmv") || extension == QStringLiteral(".asx")
        || extension == QStringLiteral(".asf"))
        return QUrl(QString::fromLatin1(kMakerSite) + QStringLiteral("/download/wmfdist.exe"));
    return QUrl(QString::fromLatin1(kQuickTimeSite) + QStringLiteral("/quicktime/download"));
}

SourceAdder::SourceAdder(ShellState& state, JobList& jobs, VideoEngine& engine, Prompter& prompter,
                         Tfm_dir& folderPicker)
    : state_(state), jobs_(jobs), engine_(engine), prompter_(prompter), fm_dir_(folderPicker)
{
}

bool SourceAdder::AddCandidate(const QString& path, const QString& name)
{
    ProcessPendingEventsTwice();
    if (jobs_.RowCount() > kMaxRows - 1)
        return false;
    const double duration = engine_.GetMediaDuration(path);
    if (duration >= kShortestSource) {
        const QString extension = ExtensionOf(name);
        jobs_.AddRow(path, name.left(name.size() - extension.size()), duration);
    } else if (prompter_.AskInformationYesNo(UnsupportedFileMessage(name))) {
        prompter_.OpenUrl(DownloadAddressFor(name));
    }
    return true;
}

void SourceAdder::SelectAfterAdding()
{
    if (jobs_.RowCount() > 0 && jobs_.SelectedRow() < 0)
        jobs_.SelectRow(0);
}

void SourceAdder::DoAddFiles()
{
    if (state_.Converting)
        return;
    const QStringList files = prompter_.ChooseFiles(OpenDialogFilters());
    if (files.isEmpty())
        return;
    for (const QString& file : files) {
        const QString path = QDir::toNativeSeparators(file);
        if (!AddCandidate(path, FileNameOf(path)))
            break;
    }
    SelectAfterAdding();
}

void SourceAdder::DoAddFolder()
{
    if (state_.Converting)
        return;
    fm_dir_.setWindowTitle(QStringLiteral("File Directory"));
    const QString folder = prompter_.RunFolderPicker(fm_dir_);
    if (folder.isEmpty())
        return;
    // Every entry, hidden and system ones and sub-folders too (not entered),
    // in the order the file system gives them.
    QDirIterator entries(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (entries.hasNext()) {
        entries.next();
        const QString name = entries.fileName();
        if (!FolderExtensions().contains(AsciiLower(ExtensionOf(name))))
            continue;
        if (!AddCandidate(folder + QDir::separator() + name, name))
            break;
    }
    SelectAfterAdding();
}

}  // namespace tevarro
