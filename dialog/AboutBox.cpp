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

    GroupBox1 = new QGroupBox(this);
    GroupBox1->setGeometry(8, 16, 489, 273);

    Label4 = new QLabel("Quillo Screensaver Creator - your pictures, your sounds", GroupBox1);
    Label4->setFont(formFont("Arial", 10, true));
    Label4->setAlignment(Qt::AlignCenter);
    Label4->setGeometry(30, 24, 443, 33);

    GroupBox2 = new QGroupBox("Disclaimer", GroupBox1);
    GroupBox2->setFont(formFont("Arial", 9));
    GroupBox2->setGeometry(28, 80, 437, 153);
    Label1 = wrappedLabel(GroupBox2,
                          "Quillo is provided \"as is\", without warranty of any kind, express or "
                          "implied, including fitness for a particular purpose.",
                          12, 16, 405, 49);
    Label2 = wrappedLabel(GroupBox2,
                          "You use it at your own risk: the authors are not liable for any loss "
                          "or damage that arises from its use.",
                          12, 61, 413, 33);
    Label3 = wrappedLabel(GroupBox2,
                          "Add only pictures and sounds you own or may use. Quillo never changes "
                          "or deletes the files in your lists.",
                          12, 98, 405, 41);

    Button1 = new QPushButton("Return", this);
    Button1->setFont(formFont("Arial", 8));
    Button1->setGeometry(420, 303, 75, 22);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &AboutBox::Button1Click);
    useFormGroupFrames(*this);
}

void AboutBox::showEvent(QShowEvent* event) {
    placeOnScreen(*this);
    QDialog::showEvent(event);
}

}  // namespace quillo
