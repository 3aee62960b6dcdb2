#include "app/main_window.h"

#include "app/dir/dir.h"
#include "app/output_folder.h"
#include "app/preview_surface.h"
#include "app/prompter.h"
#include "app/web_addresses.h"
#include "convert/conversion.h"
#include "convert/hint.h"
#include "convert/progress.h"
#include "engines/presets.h"
#include "engines/skin.h"
#include "engines/video_engine.h"
#include "joblist/adding.h"
#include "preview/preview.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <array>
#include <utility>

namespace tevarro {

namespace {

struct Route {
    const char* name;
    Tfm_main::Operation operation;
};

// The one routing table. "play" and "pause" come first; each name matches one
// row at most.
const std::array<Route, 17> kRoutes{{
    {"play", &Tfm_main::DoPlay},
    {"pause", &Tfm_main::DoPause},
    {"addfile", &Tfm_main::DoAddFiles},
    {"timestop", &Tfm_main::DoStopPlay},
    {"addfolder", &Tfm_main::DoAddFolder},
    {"remove", &Tfm_main::DoRemove},
    {"clear", &Tfm_main::DoClear},
    {"begin", &Tfm_main::DoMarkBegin},
    {"end", &Tfm_main::DoMarkEnd},
    {"convert", &Tfm_main::DoConvert},
    {"stop", &Tfm_main::DoStopConvert},
    {"playstop", &Tfm_main::DoStopPlay},
    {"dir", &Tfm_main::DoChooseOutputFolder},
    {"bardown", &Tfm_main::DoStepBack},
    {"barup", &Tfm_main::DoStepForward},
    {"website", &Tfm_main::DoOpenWebsite},
    {"help", &Tfm_main::DoOpenHelp},
}};

const QString kSkinFileName = QStringLiteral("mp3enc.dll");
const QString kHelpFile = QStringLiteral("help/brannock.chm");

template <class Interface>
Interface* Require(ISkinObject* object, const QString& skinFile, const QString& name, const char* kind)
{
    Interface* result = QueryInterface<Interface>(object);
    if (!result) {
        throw SkinError(QStringLiteral("The skin file %1 is not usable: its object \"%2\" is not a %3.")
                            .arg(QDir::toNativeSeparators(skinFile), name, QLatin1String(kind))
                            .toStdString());
    }
    return result;
}

}  // namespace

Tfm_main::Tfm_main(ISkin& skin, VideoEngine& engine, Prompter& prompter, ProgramOptions options)
    : QWidget(nullptr, Qt::Window | Qt::WindowMinimizeButtonHint),
      Skin1_(skin),
      engine_(engine),
      prompter_(prompter),
      options_(std::move(options)),
      LV_(new QTreeWidget(this)),
      VideoEdit1_(new PreviewSurface(this)),
      cb_format_(new QComboBox(this)),
      ed_output_(new QLineEdit(this)),
      jobs_(LV_),
      settings_(options_.settingsPath)
{
    setObjectName(QStringLiteral("fm_main"));
    setWindowTitle(QStringLiteral("Tevarro"));
    setFixedSize(709, 446);

    LV_->setObjectName(QStringLiteral("LV"));
    JobList::SetUpView(LV_);

    cb_format_->setObjectName(QStringLiteral("cb_format"));
    // Lets the skin's style sheet size and colour the list's items.
    cb_format_->setItemDelegate(new QStyledItemDelegate(cb_format_));
    for (const Preset& preset : kPresets)
        cb_format_->addItem(QString::fromLatin1(preset.label));

    ed_output_->setObjectName(QStringLiteral("ed_output"));
    ed_output_->setFrame(false);
    ed_output_->installEventFilter(this);
}

Tfm_main::~Tfm_main() = default;

void Tfm_main::AttachDialogs(Tfm_dir& dir, Tfm_hint& hint)
{
    fm_dir_ = &dir;
    fm_hint_ = &hint;
    adder_ = std::make_unique<SourceAdder>(state_, jobs_, engine_, prompter_, dir);
    progress_ = std::make_unique<Progress>(state_, jobs_, skin_, hint, [this] { BindHintSkin(); });
    preview_ = std::make_unique<Preview>(state_, jobs_, engine_, skin_, *VideoEdit1_, *progress_);
    conversion_ = std::make_unique<Conversion>(state_, jobs_, engine_, *preview_, *progress_, prompter_,
                                               *ed_output_, *cb_format_, *VideoEdit1_, hint);
    ConnectEvents();
    LV_->viewport()->installEventFilter(this);
}

void Tfm_main::ConnectEvents()
{
    connect(&Skin1_, &ISkin::OnClick, this, &Tfm_main::Skin1Click);
    connect(&Skin1_, &ISkin::OnMouseDown, this,
            [this](ISkinObject* source, int, int, int) { preview_->Skin1MouseDown(source); });
    connect(&Skin1_, &ISkin::OnMouseUp, this,
            [this](ISkinObject* source, int, int, int) { preview_->Skin1MouseUp(source); });
    connect(&Skin1_, &ISkin::OnScrollTrack, this,
            [this](ISkinObject* source, int) { preview_->Skin1ScrollTrack(source); });

    connect(&engine_, &VideoEngine::OnPlaying, this,
            [this](double iCurrent) { preview_->VideoEdit1Playing(iCurrent); });
    connect(&engine_, &VideoEngine::OnProcessing, this,
            [this](double iCurPos, double iDuration) { progress_->VideoEdit1Processing(iCurPos, iDuration); });
    connect(&engine_, &VideoEngine::OnComplete, this, [this] { conversion_->VideoEdit1Complete(); });
    connect(&engine_, &VideoEngine::OnPreviewFrame, VideoEdit1_, &PreviewSurface::ShowFrame);
}

void Tfm_main::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void Tfm_main::FormShow()
{
    settings_.LoadSettings(*ed_output_, *cb_format_);
    state_.Previewing = false;
    state_.Converting = false;
    state_.FollowPlayback = false;
    state_.PreviewPaused = false;
    try {
        BindSkin();
    } catch (const SkinError& error) {
        startupError_ = QString::fromStdString(error.what());
        return;
    }
    LV_->setGeometry(26, 150, 348, 232);
    VideoEdit1_->setGeometry(404, 245, 214, 149);
    VideoEdit1_->hide();
    cb_format_->setGeometry(387, 214, 248, 21);
    ed_output_->setGeometry(390, 175, 212, 16);
    for (QWidget* control : {static_cast<QWidget*>(LV_), static_cast<QWidget*>(VideoEdit1_),
                             static_cast<QWidget*>(cb_format_), static_cast<QWidget*>(ed_output_)})
        control->raise();
    state_.OutputFolder = ed_output_->text();

    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
}

void Tfm_main::BindSkin()
{
    const QString skinFile = QDir(options_.programDir).filePath(kSkinFileName);
    Skin1_.LoadSkin(skinFile);
    Skin1_.ApplySkin(this);
    Skin1_.ApplySkinByName(this, QStringLiteral("ipod"));

    // Each object is found anew on the window's form, as the skin gives it.
    const auto find = [&](const char* name) {
        ISkinObject* form = Skin1_.GetSkinForm(this);
        ISkinObject* object = form ? form->FindObject(QLatin1String(name)) : nullptr;
        if (!object) {
            throw SkinError(QStringLiteral("The skin file %1 is not usable: the form \"ipod\" has no object \"%2\".")
                                .arg(QDir::toNativeSeparators(skinFile), QLatin1String(name))
                                .toStdString());
        }
        return object;
    };
    const auto bindText = [&](const char* name, ISkinText*& text, ISkinElement*& element) {
        ISkinObject* object = find(name);
        text = Require<ISkinText>(object, skinFile, QLatin1String(name), "text");
        element = Require<ISkinElement>(object, skinFile, QLatin1String(name), "element");
    };
    bindText("time", skin_.timeText, skin_.timeElement);
    bindText("begintime", skin_.begintimeText, skin_.begintimeElement);
    bindText("endtime", skin_.endtimeText, skin_.endtimeElement);
    ISkinObject* bar = find("bar");
    skin_.barScrollBar = Require<ISkinScrollBar>(bar, skinFile, QStringLiteral("bar"), "scroll bar");
    skin_.barElement = Require<ISkinElement>(bar, skinFile, QStringLiteral("bar"), "element");
    bindText("pbpos", skin_.pbposText, skin_.pbposElement);
    skin_.pbElement = Require<ISkinElement>(find("pb"), skinFile, QStringLiteral("pb"), "element");

    skin_.pbElement->GetRect(state_.ProgressRect);
    progress_->ShowProgress(0);
    ShowText(skin_.pbposText, skin_.pbposElement, QString());
}

void Tfm_main::BindHintSkin()
{
    ISkinText* sregisterText = nullptr;
    ISkinElement* sregisterElement = nullptr;
    ISkinText* shintText = nullptr;
    ISkinElement* shintElement = nullptr;
    try {
        Skin1_.ApplySkinByName(fm_hint_, QStringLiteral("register"));
        if (ISkinObject* form = Skin1_.GetSkinForm(fm_hint_)) {
            ISkinObject* sregister = form->FindObject(QStringLiteral("Sregister"));
            sregisterText = QueryInterface<ISkinText>(sregister);
            sregisterElement = QueryInterface<ISkinElement>(sregister);
            ISkinObject* shint = form->FindObject(QStringLiteral("Shint"));
            shintText = QueryInterface<ISkinText>(shint);
            shintElement = QueryInterface<ISkinElement>(shint);
        }
    } catch (const SkinError&) {
        // Without its skin form the hint still shows, only undecorated.
    }
    fm_hint_->BindObjects(sregisterText, sregisterElement, shintText, shintElement);
}

Tfm_main::Operation Tfm_main::RouteFor(const QString& name)
{
    for (const Route& route : kRoutes) {
        if (name == QLatin1String(route.name))
            return route.operation;
    }
    return nullptr;
}

void Tfm_main::Skin1Click(ISkinObject* Source)
{
    if (!Source)
        return;
    if (const Operation operation = RouteFor(Source->GetName()))
        (this->*operation)();
}

void Tfm_main::DoAddFiles() { adder_->DoAddFiles(); }
void Tfm_main::DoAddFolder() { adder_->DoAddFolder(); }
void Tfm_main::DoPlay() { preview_->DoPlay(); }
void Tfm_main::DoPause() { preview_->DoPause(); }
void Tfm_main::DoStopPlay() { preview_->DoStopPlay(); }
void Tfm_main::DoMarkBegin() { preview_->DoMarkBegin(); }
void Tfm_main::DoMarkEnd() { preview_->DoMarkEnd(); }
void Tfm_main::DoStepBack() { preview_->DoStepBack(); }
void Tfm_main::DoStepForward() { preview_->DoStepForward(); }
void Tfm_main::DoConvert() { conversion_->DoConvert(); }
void Tfm_main::DoStopConvert() { conversion_->DoStopConvert(); }

void Tfm_main::DoRemove()
{
    if (state_.Converting || state_.Previewing)
        return;
    jobs_.RemoveSelected();
}

void Tfm_main::DoClear()
{
    if (state_.Converting || jobs_.RowCount() == 0)
        return;
    if (prompter_.AskConfirmYesNo(
            QStringLiteral("Are you sure to remove all the files from filelist?\rNot delete from your computer.")))
        jobs_.DeleteAllRows();
}

void Tfm_main::DoChooseOutputFolder()
{
    const QString chosen = prompter_.RunFolderPicker(*fm_dir_);
    if (!chosen.isEmpty())
        ed_output_->setText(chosen);
}

void Tfm_main::DoOpenWebsite()
{
    prompter_.OpenUrl(QUrl(QLatin1String(kHomePage)));
}

void Tfm_main::DoOpenHelp()
{
    prompter_.OpenUrl(QUrl::fromLocalFile(QDir(options_.programDir).filePath(kHelpFile)));
}

void Tfm_main::ed_outputExit()
{
    CheckOutputFolder(*ed_output_, state_.OutputFolder, prompter_);
}

void Tfm_main::ed_outputKeyUp(int Key)
{
    if (Key == Qt::Key_Return || Key == Qt::Key_Enter)
        CheckOutputFolder(*ed_output_, state_.OutputFolder, prompter_);
}

bool Tfm_main::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == LV_->viewport() && event->type() == QEvent::MouseButtonRelease) {
        // After the list has settled its selection for this click.
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            QMetaObject::invokeMethod(this, [this] { preview_->LVClick(); }, Qt::QueuedConnection);
    } else if (watched == ed_output_ && event->type() == QEvent::FocusOut) {
        // Leaving the box for another control of this window; another window
        // coming up (a message box, a menu) is not leaving it.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            ed_outputExit();
    } else if (watched == ed_output_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        enterPressedInBox_ = key == Qt::Key_Return || key == Qt::Key_Enter;
    } else if (watched == ed_output_ && event->type() == QEvent::KeyRelease) {
        // Only the release of an Enter pressed in the box: the Enter that
        // closed a message box is released here after it has gone.
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!key->isAutoRepeat() && enterPressedInBox_) {
            enterPressedInBox_ = false;
            ed_outputKeyUp(key->key());
        }
    }
    return QWidget::eventFilter(watched, event);
}

void Tfm_main::closeEvent(QCloseEvent* event)
{
    FormCloseQuery();
    event->accept();
}

void Tfm_main::FormCloseQuery()
{
    if (state_.Converting)
        DoStopConvert();
    if (state_.Previewing)
        DoStopPlay();
    if (startupError_.isEmpty() && shown_)
        settings_.SaveSettings(*ed_output_, *cb_format_, prompter_);
}

}  // namespace tevarro
