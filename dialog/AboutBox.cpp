#include "AboutBox.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "FormStyle.h"

namespace quillo {

namespace {

QLabel* wrappedLabel(QWidget* parent, const char* text, int x, int y, int w, int h) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(x, y, w, h);
    return label;
}

}  // namespace

AboutBox::AboutBox(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setWindowTitle("Quillo Screensaver Creator");
    setModal(true);
    setFixedSize(505, 336);
    setFormColor(*this);
    setFont(formFont("MS Sans Serif", 8));

    frameGroup = new QGroupBox(this);
    frameGroup->setGeometry(8, 16, 489, 273);

    headingLabel =
        new QLabel("Quillo Screensaver Creator - your pictures, your sounds", frameGroup);
    headingLabel->setFont(formFont("Arial", 10, true));
    headingLabel->setAlignment(Qt::AlignCenter);
    headingLabel->setGeometry(30, 24, 443, 33);

    disclaimerGroup = new QGroupBox("Disclaimer", frameGroup);
    disclaimerGroup->setFont(formFont("Arial", 9));
    disclaimerGroup->setGeometry(28, 80, 437, 153);
    warrantyLabel =
        wrappedLabel(disclaimerGroup,
                     "Quillo is provided \"as is\", without warranty of any kind, express or "
                     "implied, including fitness for a particular purpose.",
                     12, 16, 405, 49);
    liabilityLabel =
        wrappedLabel(disclaimerGroup,
                     "You use it at your own risk: the authors are not liable for any loss "
                     "or damage that arises from its use.",
                     12, 61, 413, 33);
    ownFilesLabel =
        wrappedLabel(disclaimerGroup,
                     "Add only pictures and sounds you own or may use. Quillo never changes "
                     "or deletes the files in your lists.",
                     12, 98, 405, 41);

    returnButton = new QPushButton("Return", this);
    returnButton->setFont(formFont("Arial", 8));
    returnButton->setGeometry(420, 303, 75, 22);
    returnButton->setDefault(true);
    connect(returnButton, &QPushButton::clicked, this, &AboutBox::onReturn);
    useFormGroupFrames(*this);
}

void AboutBox::showEvent(QShowEvent* event) {
    // Centred on the screen of the dialog that opens it, which need not be the primary one.
    placeOnScreen(*this, parentWidget() ? parentWidget()->window() : nullptr);
    QDialog::showEvent(event);
}

}  // namespace quillo
