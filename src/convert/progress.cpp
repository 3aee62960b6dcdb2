#include "convert/progress.h"

#include "app/shell.h"
#include "convert/hint.h"
#include "joblist/job_list.h"
#include "preview/mul_div.h"

#include <algorithm>
#include <cmath>

namespace tevarro {

QString StatusPercentText(std::int32_t hundredthsOfPercent)
{
    const QString digits = QString::asprintf("%.4d", hundredthsOfPercent);
    return digits.left(2) + QLatin1Char('.') + digits.mid(2, 2) + QLatin1Char('%');
}

Progress::Progress(ShellState& state, JobList& jobs, const SkinBindings& skin, Tfm_hint& hint,
                   std::function<void()> BindHintSkin)
    : state_(state), jobs_(jobs), skin_(skin), fm_hint_(hint), BindHintSkin_(std::move(BindHintSkin))
{
}

void Progress::ShowProgress(std::int32_t n)
{
    if (!state_.Converting)
        n = 0;
    if (n > kBarScale)
        n = kBarScale;
    state_.ProgressRect.Right = state_.ProgressRect.Left + MulDiv(n, kProgressBarWidth, kBarScale);
    skin_.pbElement->SetRect(state_.ProgressRect);
    skin_.pbElement->Redraw();
    std::int32_t percent = n / 100;
    if (percent > 100)
        percent = 100;
    ShowText(skin_.pbposText, skin_.pbposElement, QString::number(percent) + QLatin1Char('%'));
    skin_.pbposElement->SetVisible(percent != 0);
    skin_.pbposElement->Redraw();
}

void Progress::VideoEdit1Processing(double iCurPos, double iDuration)
{
    // A report without a length says nothing about progress.
    if (!(iDuration > 0) || !std::isfinite(iCurPos))
        return;
    const double ratio = iCurPos * kBarScale / iDuration;
    const auto v = static_cast<std::int32_t>(std::clamp(std::trunc(ratio), -1e9, 1e9));
    state_.BarPos = v;
    ShowProgress(v);
    if (v > kBarScale - 1) {
        state_.BarPos = kBarScale - 1;
        if (state_.HintShown)
            return;
        state_.HintShown = true;
        BindHintSkin_();
        fm_hint_.exec();
    }
    // The row may have gone (a list cleared between reports) only outside a
    // batch; never write to a row that does not exist.
    if (state_.ConvertRow < jobs_.RowCount())
        jobs_.SetText(state_.ConvertRow, JobColumn::Status, StatusPercentText(state_.BarPos));
}

}  // namespace tevarro
