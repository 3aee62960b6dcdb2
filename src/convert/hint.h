// The completion hint: a small modal window shown once per batch while the
// engine finishes the output file, with a row of dots that grows every three
// seconds. Skinned with the "register" form by the main window.
#pragma once

#include <QDialog>
#include <QPoint>
#include <QTimer>
#include <array>

namespace tevarro {

class ISkinElement;
class ISkinText;

inline constexpr std::array<const char*, 11> HintDots{
    ".", "..", "...", "....", ".....", "......", ".......", "........", ".........", "..........",
    ".............",
};

class Tfm_hint : public QDialog {
    Q_OBJECT
public:
    explicit Tfm_hint(QWidget* mainWindow = nullptr);

    // Skin objects, looked up by the main window's BindHintSkin; either pair
    // may be empty when the skin lacks the object.
    void BindObjects(ISkinText* sregisterText, ISkinElement* sregisterElement, ISkinText* shintText,
                     ISkinElement* shintElement);

    void Timer1Timer();
    // Runs whenever the dialog is closed, also when it was not up.
    void FormClose();
    // The main window's way to close it: ends a modal wait when it is up,
    // otherwise only switches the timer off.
    void CloseHint();

    QTimer& Timer1() { return Timer1_; }
    int HintDotIndex() const { return HintDotIndex_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void done(int result) override;

private:
    void FormShow();

    QTimer Timer1_;
    QString HintBaseText_;
    int HintDotIndex_ = 0;
    bool shownBefore_ = false;
    ISkinText* sregisterText_ = nullptr;
    ISkinElement* sregisterElement_ = nullptr;
    ISkinText* shintText_ = nullptr;
    ISkinElement* shintElement_ = nullptr;
};

}  // namespace tevarro
