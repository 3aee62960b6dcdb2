#include "scripted_prompter.h"

#include "app/dir/dir.h"

namespace tevarro::testing {

QString ScriptedPrompter::RunFolderPicker(Tfm_dir& dialog)
{
    ++folderPickers;
    pickerCaption = dialog.windowTitle();
    if (duringDialog)
        duringDialog();
    return folder;
}

}  // namespace tevarro::testing
