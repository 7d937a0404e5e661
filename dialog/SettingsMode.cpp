#include "SettingsMode.h"

#include <QEventLoop>

#include "AboutBox.h"
#include "FormStyle.h"
#include "OwnCaption.h"
#include "QtDialogServices.h"
#include "SettingsDialog.h"

namespace quillo {

int runSettingsMode(SystemServices& system) {
    QtDialogServices services;
    // The About box belongs to the dialog, which deletes it: as the dialog's child it is a box of
    // the dialog's, not a window of its own with its own taskbar entry.
    auto* about = new AboutBox;
    SettingsDialog form(services, system, *about);
    about->setParent(&form, about->windowFlags());
    services.setOwner(&form);
    form.guarded([&form] { form.onCreate(); });

    QEventLoop loop;
    QObject::connect(&form, &SettingsDialog::closed, &loop, &QEventLoop::quit);
    // A title bar with no border icons at all, whatever the window manager would add.
    drawOwnCaption(form, false);
    placeOnScreen(form);
    form.show();
    loop.exec();
    return 0;
}

}  // namespace quillo
