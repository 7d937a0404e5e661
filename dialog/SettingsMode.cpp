#include "SettingsMode.h"

#include <QEventLoop>

#include "FormStyle.h"
#include "Picture.h"
#include "QtDialogServices.h"
#include "TForm2.h"
#include "Tfrmdisc.h"

namespace quillo {

int runSettingsMode(SystemServices& system) {
    QtDialogServices services;
    // Palette screens make JPEG pictures decode to a palette, for the thumbnail as well.
    setScreenColorDepth(services.screen().depth);

    Tfrmdisc about;
    TForm2 form(services, system, about);
    services.setOwner(&form);
    form.guarded([&form] { form.FormCreate(); });

    QEventLoop loop;
    QObject::connect(&form, &TForm2::closed, &loop, &QEventLoop::quit);
    centreOnScreen(form);
    form.show();
    loop.exec();
    return 0;
}

}  // namespace quillo
