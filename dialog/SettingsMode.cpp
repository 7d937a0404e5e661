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
    AboutBox about;
    SettingsDialog form(services, system, about);
    services.setOwner(&form);
    form.guarded([&form] { form.FormCreate(); });

    QEventLoop loop;
    QObject::connect(&form, &SettingsDialog::closed, &loop, &QEventLoop::quit);
    // A title bar with no border icons at all, whatever the window manager would add.
    drawOwnCaption(form, false);
    centreOnScreen(form);
    form.show();
    loop.exec();
    return 0;
}

}  // namespace quillo
