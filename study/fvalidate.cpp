#include "study/fvalidate.h"

#include "platform/picture.h"

#include <QDir>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>

namespace brenvik {

TFormValidate::TFormValidate(const QString& programFolder, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("FormValidate"));
    setModal(true);
    setFixedSize(380, 110);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(16, 12, 16, 12);
    layout->setSpacing(14);
    ProgramIcon = new QLabel(this);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setFixedSize(64, 64);
    ProgramIcon->setAlignment(Qt::AlignCenter);
    // A damaged or missing picture leaves the place empty.
    const PictureResult picture =
        LoadPicture(QDir(programFolder).filePath(QStringLiteral("GEARWHL2.bmp")));
    if (picture.ok())
        ProgramIcon->setPixmap(
            QPixmap::fromImage(picture.value())
                .scaled(ProgramIcon->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    layout->addWidget(ProgramIcon);
    Comments = new QLabel(this);
    Comments->setObjectName(QStringLiteral("Comments"));
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(16);
    f.setBold(true);
    Comments->setFont(f);
    Comments->setAlignment(Qt::AlignCenter);
    Comments->setWordWrap(true);
    layout->addWidget(Comments, 1);
}

void TFormValidate::showProgress(const QString& caption, const QString& text, QWidget* over) {
    setWindowTitle(caption);
    Comments->setText(text);
    QScreen* screen = over && over->screen() ? over->screen() : this->screen();
    if (screen) {
        const QRect g = screen->availableGeometry();
        move(g.center() - QPoint(width() / 2, height() / 2));
    }
    show();
    raise();
    repaint();
}

void TFormValidate::setComments(const QString& text) {
    Comments->setText(text);
    repaint();
}

void TFormValidate::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace brenvik
