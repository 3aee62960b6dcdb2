#include "convert/hint.h"

#include "engines/skin.h"

#include <QCloseEvent>
#include <QShowEvent>

namespace tevarro {

Tfm_hint::Tfm_hint(QWidget* mainWindow)
    : QDialog(mainWindow, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                              | Qt::WindowMinimizeButtonHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("fm_hint"));
    setWindowTitle(QStringLiteral("Hint"));
    setModal(true);
    setFixedSize(374, 45);
    Timer1_.setInterval(3000);
    connect(&Timer1_, &QTimer::timeout, this, &Tfm_hint::Timer1Timer);
}

void Tfm_hint::BindObjects(ISkinText* sregisterText, ISkinElement* sregisterElement, ISkinText* shintText,
                           ISkinElement* shintElement)
{
    sregisterText_ = sregisterText;
    sregisterElement_ = sregisterElement;
    shintText_ = shintText;
    shintElement_ = shintElement;
}

void Tfm_hint::FormShow()
{
    if (sregisterElement_) {
        sregisterElement_->SetVisible(false);
        sregisterElement_->Redraw();
    }
    if (shintElement_) {
        shintElement_->SetVisible(true);
        shintElement_->Redraw();
    }
    // The first showing of a run is centred over the main window; later ones
    // sit at a fixed offset from its corner.
    if (QWidget* main = parentWidget()) {
        if (shownBefore_)
            move(main->pos() + QPoint(160, 100));
        else
            move(main->frameGeometry().center() - rect().center());
    }
    shownBefore_ = true;
    HintDotIndex_ = 0;
    Timer1_.start();
    HintBaseText_ = QStringLiteral("Processing the output file. please wait");
}

void Tfm_hint::Timer1Timer()
{
    if (shintText_ && shintElement_) {
        shintText_->SetText(HintBaseText_ + QLatin1String(HintDots[static_cast<size_t>(HintDotIndex_)]));
        shintElement_->Redraw();
    }
    if (++HintDotIndex_ > 10)
        HintDotIndex_ = 0;
}

void Tfm_hint::FormClose()
{
    Timer1_.stop();
}

void Tfm_hint::CloseHint()
{
    if (isVisible())
        close();
    else
        FormClose();
}

void Tfm_hint::showEvent(QShowEvent* event)
{
    FormShow();
    QDialog::showEvent(event);
}

void Tfm_hint::closeEvent(QCloseEvent* event)
{
    FormClose();
    QDialog::closeEvent(event);
}

void Tfm_hint::done(int result)
{
    // Escape ends the dialog without a close event; it is a close all the same.
    FormClose();
    QDialog::done(result);
}

}  // namespace tevarro
