// The parsed manifest ("skin.json") of a skin file: forms, their objects and
// the named looks and fonts that the objects refer to. Pure data; parsing
// checks the structure and every cross-reference that needs no rendering
// (artwork element ids are checked by SkinArtwork).
#pragma once

#include <QColor>
#include <QMargins>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <map>
#include <vector>

namespace tevarro {

enum class SkinKind {
    Button,     // clickable; raises OnMouseDown/OnMouseUp/OnClick unless it is chrome
    Text,       // ISkinText: a line of text in a font, colour and alignment
    Image,      // a piece of artwork revealed through the object's rectangle
    ScrollBar,  // ISkinScrollBar: track, fill up to the thumb, thumb
    Drag,       // window chrome: pressing here moves the window
};

// What a button does besides raising events. Chrome buttons are handled by
// the engine and raise no events.
enum class SkinAction { Command, Minimize, Close };

struct SkinFontDesc {
    QString family;
    int pixelSize = 12;
    bool bold = false;
};

// Button artwork: one artwork element per state, drawn as a nine-slice
// (corners kept, edges and centre stretched by the margins).
struct SkinLookDesc {
    QString normal, hover, pressed, disabled;
    QMargins margins;
    QString font;
    QColor color, hoverColor, pressedColor, disabledColor;
    int pressedShift = 1;  // label and icon move down this many pixels when pressed
};

struct SkinObjectDesc {
    QString name;
    SkinKind kind = SkinKind::Text;
    QRect rect;  // client pixels of the form
    bool visible = true;
    bool enabled = true;
    QString tip;

    // Button
    SkinAction action = SkinAction::Command;
    QString look;
    QString icon;   // artwork element drawn at its own size
    QString label;
    bool column = false;  // icon above the label instead of beside it

    // Text (and button label font/colour overrides)
    QString text;
    QString font;
    QColor color;
    QColor shadow;  // drawn one pixel below the text when valid
    Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter;

    // Image
    QString image;
    QMargins imageMargins;

    // ScrollBar
    int minimum = 0;
    int maximum = 10000;
    int position = 0;
    QString track, fill, thumb;
    QMargins trackMargins;
    QSize thumbSize;
};

struct SkinFormDesc {
    QString name;
    QSize size;
    QString background;  // entry name of the form's artwork (SVG)
    QString style;       // entry name of the form's Qt style sheet, may be empty
    std::vector<SkinObjectDesc> objects;
};

struct SkinDocument {
    QStringList fontFiles;  // entry names of TrueType fonts to register
    // Entry names of files the style sheets use (images of sub-controls);
    // the engine writes them to a private folder whose path replaces
    // "{skin}" in the style sheets. Each name starts with "style/".
    QStringList styleFiles;
    QString parts;          // entry name of the parts sheet (SVG)
    std::map<QString, SkinFontDesc> fonts;
    std::map<QString, SkinLookDesc> looks;
    std::vector<SkinFormDesc> forms;

    const SkinFormDesc* FindForm(const QString& name) const;
};

// Parses and checks a manifest. Throws SkinError("Skin file \"<fileName>\": ...")
// naming the form and object at fault. Every entry the manifest names must be
// in entryNames.
SkinDocument ParseSkinManifest(const QByteArray& json, const QString& fileName,
                               const QStringList& entryNames);

}  // namespace tevarro
