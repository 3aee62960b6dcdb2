// tevarro_skin_shot: a developer's tool that lays the skin out the way the
// program does, with stand-ins for the ordinary controls, and saves pictures
// of the forms, so the artwork can be judged without running the program.
//
//   tevarro_skin_shot OUTDIR [SKINFILE]
//
// Writes OUTDIR/ipod.png (list row, preview shown, progress at 40 %, seek bar
// at 3000), OUTDIR/ipod_startup.png (the state right after start-up),
// OUTDIR/ipod_states.png (a button hovered, another held down) and
// OUTDIR/register.png. SKINFILE defaults to mp3enc.dll beside this tool.
// Runs headless (offscreen) unless QT_QPA_PLATFORM says otherwise.
#include "engines/skin/skin_engine.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTreeWidget>
#include <cstdio>

using namespace tevarro;

namespace {

struct MainWindowStandIn {
    QWidget window;
    QTreeWidget* list = nullptr;
    QWidget* screen = nullptr;
};

template <class I>
I* Find(ISkin& skin, QWidget* window, const char* name)
{
    I* found = QueryInterface<I>(skin.GetSkinForm(window)->FindObject(QString::fromLatin1(name)));
    if (!found)
        throw SkinError(std::string("object missing: ") + name);
    return found;
}

void SetText(ISkin& skin, QWidget* window, const char* name, const QString& text, bool visible = true)
{
    Find<ISkinText>(skin, window, name)->SetText(text);
    Find<ISkinElement>(skin, window, name)->SetVisible(visible);
    Find<ISkinElement>(skin, window, name)->Redraw();
}

void Place(MainWindowStandIn& main)
{
    QWidget* window = &main.window;
    main.list = new QTreeWidget(window);
    main.list->setObjectName("LV");
    main.list->setColumnCount(4);
    main.list->setHeaderLabels({"File Name", "Begin time - End time", "Time", "Status"});
    main.list->setRootIsDecorated(false);
    main.list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    main.list->header()->setSectionsClickable(false);
    main.list->setColumnWidth(0, 112);
    main.list->setColumnWidth(1, 118);
    main.list->setColumnWidth(2, 60);
    auto* row = new QTreeWidgetItem(main.list, {"holiday_2009.avi", "00:00:12 - 00:03:45", "00:04:10", "42.17%"});
    new QTreeWidgetItem(main.list, {"concert.mpg", "00:00:00 - 00:12:31", "00:12:31", "unconverted"});
    new QTreeWidgetItem(main.list, {"trailer.mov", "00:00:00 - 00:02:18", "00:02:18", "Finish"});
    main.list->setCurrentItem(row);
    main.list->setGeometry(26, 150, 348, 232);

    main.screen = new QWidget(window);
    main.screen->setObjectName("VideoEdit1");
    main.screen->setAttribute(Qt::WA_StyledBackground);
    main.screen->setGeometry(404, 245, 214, 149);

    auto* presets = new QComboBox(window);
    presets->setObjectName("cb_format");
    presets->addItems({"MPEG-4/320x240/29.97FPS/512K/AAC/128K", "H.264/320x240/29.97FPS/768K/AAC/128K"});
    presets->setGeometry(387, 214, 248, 21);

    auto* output = new QLineEdit(window);
    output->setObjectName("ed_output");
    output->setFrame(false);
    output->setText(QDir::toNativeSeparators("/home/user/My PSP"));
    output->setGeometry(390, 175, 212, 16);
}

bool Save(QWidget& widget, const QString& path)
{
    QApplication::processEvents();
    if (!widget.grab().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

void SendMouse(QWidget* surface, QEvent::Type type, QPoint at, Qt::MouseButtons buttons)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, surface->mapToGlobal(at), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(surface, &event);
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: tevarro_skin_shot OUTDIR [SKINFILE]\n");
        return 2;
    }
    const QDir out(args.at(1));
    const QString skinFile = args.size() > 2 ? args.at(2) : QApplication::applicationDirPath() + "/mp3enc.dll";
    QDir().mkpath(out.absolutePath());

    try {
        SkinEngine skin;
        skin.LoadSkin(skinFile);
        bool ok = true;

        // Right after start-up: empty progress, preview surface hidden.
        {
            MainWindowStandIn main;
            main.window.setWindowTitle("Tevarro");
            skin.ApplySkinByName(&main.window, "ipod");
            Place(main);
            main.list->clear();
            main.screen->hide();
            SkinRect rect;
            Find<ISkinElement>(skin, &main.window, "pb")->GetRect(rect);
            rect.Right = rect.Left;
            Find<ISkinElement>(skin, &main.window, "pb")->SetRect(rect);
            SetText(skin, &main.window, "pbpos", "", false);
            main.window.show();
            ok &= Save(main.window, out.filePath("ipod_startup.png"));
        }

        // Busy: a list, the preview showing, progress at about 40 %.
        {
            MainWindowStandIn main;
            skin.ApplySkinByName(&main.window, "ipod");
            Place(main);
            auto* pb = Find<ISkinElement>(skin, &main.window, "pb");
            SkinRect rect;
            pb->GetRect(rect);
            rect.Right = rect.Left + 140;  // 351 px is 100 %
            pb->SetRect(rect);
            pb->Redraw();
            SetText(skin, &main.window, "pbpos", "40%");
            Find<ISkinScrollBar>(skin, &main.window, "bar")->SetPosition(3000);
            SetText(skin, &main.window, "time", "00:01:15");
            SetText(skin, &main.window, "begintime", "00:00:12");
            SetText(skin, &main.window, "endtime", "00:03:45");
            main.window.show();
            ok &= Save(main.window, out.filePath("ipod.png"));

            // Button looks: "addfolder" hovered, "convert" held down.
            QWidget* surface = main.window.findChild<QWidget*>(SkinEngine::SurfaceObjectName);
            SendMouse(surface, QEvent::MouseMove, QPoint(170, 113), Qt::NoButton);
            ok &= Save(main.window, out.filePath("ipod_hover.png"));
            SendMouse(surface, QEvent::MouseMove, QPoint(480, 113), Qt::NoButton);
            SendMouse(surface, QEvent::MouseButtonPress, QPoint(480, 113), Qt::LeftButton);
            ok &= Save(main.window, out.filePath("ipod_pressed.png"));
            SendMouse(surface, QEvent::MouseButtonRelease, QPoint(2, 300), Qt::NoButton);
        }

        {
            QDialog hint;
            hint.setWindowTitle("Hint");
            skin.ApplySkinByName(&hint, "register");
            SetText(skin, &hint, "Sregister", "", false);
            SetText(skin, &hint, "Shint", "Processing the output file. please wait.............");  // the longest text
            hint.show();
            ok &= Save(hint, out.filePath("register.png"));
        }
        return ok ? 0 : 1;
    } catch (const SkinError& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
