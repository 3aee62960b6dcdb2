// The skin engine against the real skin file built from skins/: the forms and
// objects the program binds, drawing of the objects whose state the program
// changes, the messages for broken files, and the mouse events.
#include "engines/skin/skin_engine.h"
#include "engines/skin/skin_pack.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <functional>
#include <optional>
#include <gtest/gtest.h>

using namespace tevarro;

namespace {

QString GoodSkinFile()
{
    return QApplication::applicationDirPath() + QStringLiteral("/mp3enc.dll");
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A top-level window that records whether its close handling ran.
class Window : public QWidget {
public:
    bool closeSeen = false;

protected:
    void closeEvent(QCloseEvent* event) override
    {
        closeSeen = true;
        QWidget::closeEvent(event);
    }
};

QWidget* Surface(QWidget& window)
{
    return window.findChild<QWidget*>(QLatin1String(SkinEngine::SurfaceObjectName));
}

QRect RectOf(ISkinObject* object)
{
    SkinRect r;
    QueryInterface<ISkinElement>(object)->GetRect(r);
    return QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
}

// The window as the screen would show it now.
QImage Picture(QWidget& window)
{
    QApplication::processEvents();
    return window.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

class SkinTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        engine_.LoadSkin(GoodSkinFile());
        engine_.ApplySkinByName(&main_, QStringLiteral("ipod"));
        main_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&main_));
    }

    ISkinObject* Object(const char* name)
    {
        return engine_.GetSkinForm(&main_)->FindObject(QString::fromLatin1(name));
    }

    SkinEngine engine_;
    Window main_;
};

const char* const CommandButtons[] = {"play",  "pause", "timestop", "playstop", "addfile", "addfolder",
                                      "remove", "clear", "begin",    "end",      "convert", "stop",
                                      "dir",    "bardown", "barup",  "website",  "help"};

// ---- The good file ---------------------------------------------------------

TEST_F(SkinTest, FormsHoldEveryBoundObjectWithItsInterfaces)
{
    struct Expect {
        const char* form;
        const char* name;
        bool text;
        bool scrollBar;
    };
    std::vector<Expect> table = {
        {"ipod", "time", true, false},      {"ipod", "begintime", true, false}, {"ipod", "endtime", true, false},
        {"ipod", "pbpos", true, false},     {"ipod", "bar", false, true},       {"ipod", "pb", false, false},
        {"register", "Sregister", true, false}, {"register", "Shint", true, false},
    };
    for (const char* button : CommandButtons)
        table.push_back({"ipod", button, false, false});

    Window hint;
    engine_.ApplySkinByName(&hint, QStringLiteral("register"));
    EXPECT_EQ(engine_.GetSkinForm(&main_)->GetName(), QStringLiteral("ipod"));
    EXPECT_EQ(engine_.GetSkinForm(&hint)->GetName(), QStringLiteral("register"));

    for (const Expect& e : table) {
        SCOPED_TRACE(std::string(e.form) + "/" + e.name);
        QWidget* window = QLatin1String(e.form) == QLatin1String("ipod") ? static_cast<QWidget*>(&main_) : &hint;
        ISkinObject* object = engine_.GetSkinForm(window)->FindObject(QString::fromLatin1(e.name));
        ASSERT_NE(object, nullptr);
        EXPECT_EQ(object->GetName(), QString::fromLatin1(e.name));
        EXPECT_NE(QueryInterface<ISkinElement>(object), nullptr);
        EXPECT_EQ(QueryInterface<ISkinText>(object) != nullptr, e.text);
        EXPECT_EQ(QueryInterface<ISkinScrollBar>(object) != nullptr, e.scrollBar);
    }
    // Names are exact and case-sensitive.
    EXPECT_EQ(Object("Play"), nullptr);
    EXPECT_EQ(Object("nothing"), nullptr);
}

TEST_F(SkinTest, ApplyingMakesAFramelessFixedWindowWithTheSurfaceBelowItsControls)
{
    // A control created before the skin and one created after both lie over it.
    Window window;
    auto* before = new QLineEdit(&window);
    before->setGeometry(390, 175, 212, 16);
    engine_.ApplySkin(&window);  // the first form is "ipod"
    auto* after = new QLineEdit(&window);
    after->setGeometry(26, 150, 348, 232);

    EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(window.isWindow());
    EXPECT_EQ(window.minimumSize(), QSize(709, 446));
    EXPECT_EQ(window.maximumSize(), QSize(709, 446));
    EXPECT_TRUE(window.styleSheet().contains(QLatin1String("#cb_format")));
    ASSERT_NE(Surface(window), nullptr);
    EXPECT_EQ(Surface(window)->geometry(), QRect(0, 0, 709, 446));
    EXPECT_EQ(window.childAt(400, 180), before);
    EXPECT_EQ(window.childAt(100, 200), after);
    EXPECT_EQ(window.childAt(5, 440), Surface(window));

    // Giving the window its form again keeps the objects and their state.
    ISkinObject* time = engine_.GetSkinForm(&window)->FindObject(QStringLiteral("time"));
    QueryInterface<ISkinScrollBar>(engine_.GetSkinForm(&window)->FindObject(QStringLiteral("bar")))->SetPosition(700);
    engine_.ApplySkinByName(&window, QStringLiteral("ipod"));
    EXPECT_EQ(engine_.GetSkinForm(&window)->FindObject(QStringLiteral("time")), time);
    int position = 0;
    QueryInterface<ISkinScrollBar>(engine_.GetSkinForm(&window)->FindObject(QStringLiteral("bar")))
        ->GetPosition(position);
    EXPECT_EQ(position, 700);
    EXPECT_EQ(window.findChildren<QWidget*>(QLatin1String(SkinEngine::SurfaceObjectName)).size(), 1);
}

TEST_F(SkinTest, ApplyingFromTheFirstShowEventLeavesTheWindowShown)
{
    // The main window binds its skin while it is being shown; turning it
    // frameless then must not leave it hidden.
    class SkinnedOnShow : public QWidget {
    public:
        explicit SkinnedOnShow(ISkin& skin) : skin_(skin) {}

    protected:
        void showEvent(QShowEvent* event) override
        {
            QWidget::showEvent(event);
            if (!bound_) {
                bound_ = true;
                skin_.ApplySkin(this);
                skin_.ApplySkinByName(this, QStringLiteral("ipod"));
            }
        }

    private:
        ISkin& skin_;
        bool bound_ = false;
    };
    SkinnedOnShow window(engine_);
    window.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(window.size(), QSize(709, 446));
    ASSERT_NE(Surface(window), nullptr);
    EXPECT_TRUE(Surface(window)->isVisible());
}

TEST_F(SkinTest, ProgressFillIsDrawnFromLeftToRightOnly)
{
    ISkinObject* pb = Object("pb");
    auto* element = QueryInterface<ISkinElement>(pb);
    SkinRect rect;
    element->GetRect(rect);
    ASSERT_GE(rect.Right - rect.Left, 351);  // the program draws up to 351 px
    const int y = (rect.Top + rect.Bottom) / 2;
    const SkinRect full = rect;

    rect.Right = rect.Left;  // start-up: zero width draws nothing
    element->SetRect(rect);
    element->Redraw();
    SkinRect back;
    element->GetRect(back);
    EXPECT_EQ(back, rect);
    const QImage empty = Picture(main_);

    rect.Right = rect.Left + 176;  // 50 %
    element->SetRect(rect);
    element->Redraw();
    const QImage half = Picture(main_);

    element->SetRect(full);
    element->Redraw();
    const QImage whole = Picture(main_);

    EXPECT_NE(half.pixel(rect.Left + 100, y), empty.pixel(rect.Left + 100, y));  // filled
    EXPECT_EQ(half.pixel(rect.Left + 250, y), empty.pixel(rect.Left + 250, y));  // beyond Right: track only
    EXPECT_EQ(whole.pixel(rect.Left + 250, y), half.pixel(rect.Left + 100, y));
}

TEST_F(SkinTest, TextShowsAfterRedrawAndHidesWhenInvisible)
{
    ISkinObject* pbpos = Object("pbpos");
    const QRect area = RectOf(pbpos);
    auto* text = QueryInterface<ISkinText>(pbpos);
    auto* element = QueryInterface<ISkinElement>(pbpos);

    text->SetText(QString());
    element->Redraw();
    const QImage blank = Picture(main_).copy(area);

    text->SetText(QStringLiteral("42%"));
    element->SetVisible(true);
    element->Redraw();
    EXPECT_NE(Picture(main_).copy(area), blank);

    element->SetVisible(false);
    element->Redraw();
    EXPECT_EQ(Picture(main_).copy(area), blank);
}

TEST_F(SkinTest, SeekBarPositionRoundTripsWithinItsRange)
{
    auto* bar = QueryInterface<ISkinScrollBar>(Object("bar"));
    ASSERT_NE(bar, nullptr);
    int position = -1;
    bar->GetPosition(position);
    EXPECT_EQ(position, 0);
    for (const auto& [set, get] : std::vector<std::pair<int, int>>{
             {3000, 3000}, {1, 1}, {9999, 9999}, {10000, 10000}, {0, 0}, {12000, 10000}, {-5, 0}}) {
        bar->SetPosition(set);
        bar->GetPosition(position);
        EXPECT_EQ(position, get) << "set " << set;
    }
}

// ---- Broken files ----------------------------------------------------------

QByteArray Repack(const std::function<void(SkinPackEntries&)>& change)
{
    SkinPackEntries entries = ReadSkinPack(ReadAll(GoodSkinFile()), GoodSkinFile());
    change(entries);
    return WriteSkinPack(entries);
}

QByteArray ChangeManifest(const std::function<void(QJsonObject&)>& change)
{
    return Repack([&](SkinPackEntries& entries) {
        QJsonObject manifest = QJsonDocument::fromJson(entries.at("skin.json")).object();
        change(manifest);
        entries["skin.json"] = QJsonDocument(manifest).toJson();
    });
}

TEST(SkinFileErrors, EachFaultIsReportedWithTheFileName)
{
    const QByteArray good = ReadAll(GoodSkinFile());
    ASSERT_GT(good.size(), 1000);
    QByteArray wrongVersion = good;
    qToLittleEndian<quint16>(7, wrongVersion.data() + 8);

    struct Case {
        const char* file;
        std::optional<QByteArray> bytes;  // nullopt: the file does not exist
        const char* says;
    };
    const Case cases[] = {
        {"missing.dll", std::nullopt, "does not exist"},
        {"empty.dll", QByteArray(), "bad magic"},
        {"garbage.dll", QByteArray("MZ\x90\0 this is no skin at all, just bytes", 40), "bad magic"},
        {"truncated.dll", good.left(good.size() / 2), "truncated"},
        {"cut-at-end.dll", good.left(good.size() - 2), "truncated"},
        {"trailing.dll", good + "junk", "unexpected bytes"},
        {"version7.dll", wrongVersion, "version 7"},
        {"no-manifest.dll", Repack([](SkinPackEntries& e) { e.erase("skin.json"); }), "skin.json is missing"},
        {"bad-json.dll", Repack([](SkinPackEntries& e) { e["skin.json"] = "{ \"forms\": [ "; }), "cannot parse"},
        {"no-form.dll", ChangeManifest([](QJsonObject& m) { m["forms"] = QJsonArray(); }), "has no form"},
        {"no-artwork.dll", Repack([](SkinPackEntries& e) { e.erase("ipod.svg"); }), "\"ipod.svg\" is missing"},
        {"bad-artwork.dll", Repack([](SkinPackEntries& e) { e["parts.svg"] = "<svg"; }), "not a readable SVG"},
    };

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SkinEngine engine;
    engine.LoadSkin(GoodSkinFile());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const QString path = dir.filePath(QString::fromLatin1(c.file));
        if (c.bytes) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(*c.bytes);
        }
        try {
            engine.LoadSkin(path);
            ADD_FAILURE() << "no SkinError";
        } catch (const SkinError& error) {
            const QString message = QString::fromUtf8(error.what());
            EXPECT_TRUE(message.contains(path)) << error.what();
            EXPECT_TRUE(message.contains(QLatin1String(c.says))) << error.what();
        }
        // A failed load leaves the skin that was loaded before.
        EXPECT_EQ(engine.FormNames(), QStringList({"ipod", "register"}));
    }
}

TEST(SkinFileErrors, UnknownFormAndUnskinnedWindowAreErrors)
{
    SkinEngine engine;
    QWidget window;
    EXPECT_THROW(engine.ApplySkin(&window), SkinError);  // nothing loaded yet
    engine.LoadSkin(GoodSkinFile());
    try {
        engine.ApplySkinByName(&window, QStringLiteral("IPOD"));
        ADD_FAILURE() << "no SkinError";
    } catch (const SkinError& error) {
        EXPECT_TRUE(QString::fromUtf8(error.what()).contains(QLatin1String("\"IPOD\""))) << error.what();
    }
    EXPECT_THROW(engine.GetSkinForm(&window), SkinError);
}

// ---- Events ----------------------------------------------------------------

struct Event {
    QString kind;
    QString source;
    int position;  // GetPosition of "bar" when the event arrived, or NewPos
};

class SkinEventTest : public SkinTest {
protected:
    void SetUp() override
    {
        SkinTest::SetUp();
        auto barPosition = [this] {
            int p = -1;
            if (auto* bar = QueryInterface<ISkinScrollBar>(Object("bar")))  // none once re-skinned
                bar->GetPosition(p);
            return p;
        };
        QObject::connect(&engine_, &ISkin::OnClick, [this, barPosition](ISkinObject* s) {
            events_.push_back({"click", s->GetName(), barPosition()});
        });
        QObject::connect(&engine_, &ISkin::OnMouseDown, [this, barPosition](ISkinObject* s, int, int, int) {
            events_.push_back({"down", s->GetName(), barPosition()});
        });
        QObject::connect(&engine_, &ISkin::OnMouseUp, [this, barPosition](ISkinObject* s, int, int, int) {
            events_.push_back({"up", s->GetName(), barPosition()});
        });
        QObject::connect(&engine_, &ISkin::OnScrollTrack, [this, barPosition](ISkinObject* s, int newPos) {
            EXPECT_EQ(barPosition(), newPos) << "GetPosition lags behind OnScrollTrack";
            events_.push_back({"track", s->GetName(), newPos});
        });
        surface_ = Surface(main_);
        ASSERT_NE(surface_, nullptr);
    }

    std::string Kinds() const
    {
        QStringList kinds;
        for (const Event& e : events_)
            kinds << e.kind;
        return kinds.join(u' ').toStdString();
    }

    std::vector<Event> events_;
    QWidget* surface_ = nullptr;
};

TEST_F(SkinEventTest, ClickOnEachCommandButtonRaisesItsObject)
{
    for (const char* name : CommandButtons) {
        SCOPED_TRACE(name);
        events_.clear();
        ISkinObject* button = Object(name);
        QTest::mouseClick(surface_, Qt::LeftButton, {}, RectOf(button).center());
        ASSERT_EQ(Kinds(), "down up click");
        for (const Event& e : events_)
            EXPECT_EQ(e.source, QString::fromLatin1(name));
    }
}

TEST_F(SkinEventTest, ReleaseOutsideTheButtonIsNoClick)
{
    const QRect convert = RectOf(Object("convert"));
    QTest::mousePress(surface_, Qt::LeftButton, {}, convert.center());
    QTest::mouseMove(surface_, convert.bottomRight() + QPoint(30, 30));
    QTest::mouseRelease(surface_, Qt::LeftButton, {}, convert.bottomRight() + QPoint(30, 30));
    EXPECT_EQ(Kinds(), "down up");
}

TEST_F(SkinEventTest, PressOnTheTrackJumpsAndDraggingTracksUntilRelease)
{
    ISkinObject* barObject = Object("bar");
    const QRect bar = RectOf(barObject);
    const int y = bar.center().y();
    const QPoint onTrack(bar.left() + bar.width() * 3 / 4, y);  // the thumb is at 0

    QTest::mousePress(surface_, Qt::LeftButton, {}, onTrack);
    QTest::mouseMove(surface_, QPoint(bar.left() + bar.width() / 2, y));
    QTest::mouseMove(surface_, QPoint(bar.right() + 50, y));  // past the end: clamped
    QTest::mouseRelease(surface_, Qt::LeftButton, {}, QPoint(bar.right() + 50, y));

    ASSERT_EQ(Kinds(), "down track track track up");
    for (const Event& e : events_)
        EXPECT_EQ(e.source, QStringLiteral("bar"));
    EXPECT_EQ(events_[0].position, 0);  // mouse down comes before the jump
    EXPECT_NEAR(events_[1].position, 7500, 300);
    EXPECT_NEAR(events_[2].position, 5000, 300);
    EXPECT_EQ(events_[3].position, 10000);
    EXPECT_EQ(events_[4].position, 10000);  // GetPosition at mouse up: the final position
}

TEST_F(SkinEventTest, DraggingTheThumbKeepsWhereItWasGrabbed)
{
    auto* bar = QueryInterface<ISkinScrollBar>(Object("bar"));
    bar->SetPosition(5000);
    const QRect track = RectOf(Object("bar"));
    const QPoint grab(track.center().x() + 3, track.center().y());  // a little right of the thumb's centre

    QTest::mousePress(surface_, Qt::LeftButton, {}, grab);
    EXPECT_EQ(Kinds(), "down");  // no jump on the thumb
    QTest::mouseMove(surface_, grab + QPoint(20, 5));
    QTest::mouseRelease(surface_, Qt::LeftButton, {}, grab + QPoint(20, 5));

    ASSERT_EQ(Kinds(), "down track up");
    int position = 0;
    bar->GetPosition(position);
    // 20 px of the thumb's travel (track width less thumb width) in 10000 units.
    EXPECT_NEAR(position, 5000 + 20 * 10000 / (track.width() - 18), 60);
    EXPECT_EQ(events_.back().position, position);
}

TEST_F(SkinEventTest, HandlerMayReloadAndReskinTheWindowItWasClickedIn)
{
    // The click handler replaces the skin and the window's form while the
    // surface that raised the click is still on the stack.
    QObject::connect(&engine_, &ISkin::OnMouseUp, [this](ISkinObject*, int, int, int) {
        engine_.LoadSkin(GoodSkinFile());
        engine_.ApplySkinByName(&main_, QStringLiteral("register"));
    });
    QTest::mouseClick(surface_, Qt::LeftButton, {}, RectOf(Object("play")).center());
    EXPECT_EQ(Kinds(), "down up");  // the old surface raised no click afterwards
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    EXPECT_EQ(engine_.GetSkinForm(&main_)->GetName(), QStringLiteral("register"));
    EXPECT_EQ(main_.size(), QSize(374, 45));
    const auto surfaces = main_.findChildren<QWidget*>(QLatin1String(SkinEngine::SurfaceObjectName));
    ASSERT_EQ(surfaces.size(), 1);
    EXPECT_NE(surfaces.front(), surface_);
}

TEST_F(SkinEventTest, WindowChromeMovesMinimisesAndClosesWithoutCommands)
{
    ISkinObject* drag = Object("titlebar");
    ASSERT_NE(drag, nullptr);
    const QPoint start = main_.pos();
    const QPoint grip = RectOf(drag).topLeft() + QPoint(200, 20);
    QTest::mousePress(surface_, Qt::LeftButton, {}, grip);
    QTest::mouseMove(surface_, grip + QPoint(30, 20));
    QTest::mouseRelease(surface_, Qt::LeftButton, {}, grip + QPoint(30, 20));
    EXPECT_EQ(main_.pos(), start + QPoint(30, 20));

    QTest::mouseClick(surface_, Qt::LeftButton, {}, RectOf(Object("minimize")).center());
    EXPECT_TRUE(main_.windowState() & Qt::WindowMinimized);
    main_.showNormal();

    EXPECT_FALSE(main_.closeSeen);
    QTest::mouseClick(surface_, Qt::LeftButton, {}, RectOf(Object("close")).center());
    EXPECT_TRUE(main_.closeSeen);
    EXPECT_FALSE(main_.isVisible());
    EXPECT_EQ(Kinds(), "");  // chrome raises no events
}

}  // namespace
