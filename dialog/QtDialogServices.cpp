#include "QtDialogServices.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>

#include "BitmapImage.h"
#include "Picture.h"
#include "ShellOpen.h"

namespace quillo {

QStringList toQtNameFilters(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split('|');
    QStringList result;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& p : parts[i + 1].split(';', Qt::SkipEmptyParts))
            patterns << p.trimmed();
        const qsizetype original = patterns.size();
        for (qsizetype k = 0; k < original; ++k) {
            const QString upper = patterns[k].toUpper();
            if (!patterns.contains(upper)) patterns << upper;
        }
        result << parts[i] + " (" + patterns.join(' ') + ")";
    }
    return result;
}

namespace {

// Draws the highlighted file of the picture open dialog with our own loader, so the preview
// shows exactly what the saver will be able to show.
void showPreview(QLabel& preview, const QString& path, int screenDepth) {
    preview.clear();
    preview.setText("No preview");
    if (path.isEmpty() || !QFileInfo(path).isFile()) return;
    try {
        Picture picture;
        DecodeOptions options;
        options.screenDepth = screenDepth;
        options.cover = {preview.width(), preview.height()};
        picture.loadFromFile(path.toStdString(), options);
        const QImage image = wrapBitmap(picture.bitmap());
        if (image.isNull()) return;
        preview.setPixmap(QPixmap::fromImage(
            image.scaled(preview.size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    } catch (const std::exception&) {
        // Not a picture we can read: the pane says so by staying empty.
    }
}

}  // namespace

std::optional<std::string> QtDialogServices::openPicture(QWidget* owner,
                                                         const std::string& initialDir) {
    QFileDialog dialog(owner, "Open", QString::fromStdString(initialDir));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters(toQtNameFilters(kPictureFilter));

    auto* preview = new QLabel(&dialog);
    preview->setFixedSize(180, 180);
    preview->setAlignment(Qt::AlignCenter);
    preview->setFrameShape(QFrame::StyledPanel);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
        grid->addWidget(preview, 0, grid->columnCount(), grid->rowCount(), 1);
    QObject::connect(&dialog, &QFileDialog::currentChanged, preview,
                     [preview, depth = screen().depth](const QString& path) {
                         showPreview(*preview, path, depth);
                     });

    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first().toStdString();
}

std::optional<std::string> QtDialogServices::openSound(QWidget* owner) {
    QFileDialog dialog(owner, "Open");
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters(toQtNameFilters(kSoundFilter));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first().toStdString();
}

std::optional<std::string> QtDialogServices::chooseFolder(QWidget* owner,
                                                          const std::string& initialDir) {
    const QString dir = QFileDialog::getExistingDirectory(owner, "Add Entire Folder",
                                                          QString::fromStdString(initialDir));
    if (dir.isEmpty()) return {};
    return dir.toStdString();
}

OpenResult QtDialogServices::shellOpen(QWidget*, const std::string& target) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const OpenResult result = ShellOpen(target);
    QApplication::restoreOverrideCursor();
    return result;
}

ScreenInfo QtDialogServices::screen() {
    ScreenInfo info;
    if (const QScreen* s = QGuiApplication::primaryScreen()) {
        info.width = s->geometry().width();
        info.height = s->geometry().height();
        info.depth = s->depth();
    }
    return info;
}

void QtDialogServices::runModal(QDialog& box) {
    box.exec();
}

}  // namespace quillo
