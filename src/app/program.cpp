#include "app/program.h"

#include "app/dir/dir.h"
#include "app/prompter.h"
#include "convert/hint.h"

#include <QApplication>

namespace tevarro {

int RunProgram(QApplication& app, ISkin& skin, VideoEngine& engine, Prompter& prompter,
               const ProgramOptions& options)
{
    Tfm_main fm_main(skin, engine, prompter, options);
    Tfm_dir fm_dir(&fm_main);
    Tfm_hint fm_hint(&fm_main);
    fm_main.AttachDialogs(fm_dir, fm_hint);

    fm_main.show();  // runs FormShow
    if (!fm_main.StartupError().isEmpty()) {
        fm_main.hide();
        prompter.ReportFatal(fm_main.StartupError());
        return 1;
    }
    return app.exec();
}

}  // namespace tevarro
