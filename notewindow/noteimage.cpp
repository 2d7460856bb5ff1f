#include "notewindow/noteimage.h"

#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

NoteImage::NoteImage(QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("imgImage"));
    setAcceptDrops(true);
}

void NoteImage::setPicture(const QImage& picture) {
    m_picture = picture;
    update();
}

void NoteImage::setStretch(bool stretch) {
    m_stretch = stretch;
    update();
}

void NoteImage::setBackground(const QColor& color) {
    m_background = color;
    update();
}

void NoteImage::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), m_background);
    if (m_picture.isNull()) {
        return;
    }
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    if (m_stretch) {
        p.drawImage(QRectF(rect()), m_picture);
    } else {
        p.drawImage(QPointF(0, 0), m_picture);
    }
}

void NoteImage::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() == Qt::LeftButton) {
        emit doubleClicked();
    }
}

namespace {
QString firstLocalFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls()) {
        return {};
    }
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) {
            return url.toLocalFile();
        }
    }
    return {};
}
} // namespace

void NoteImage::dragEnterEvent(QDragEnterEvent* event) {
    if (!firstLocalFile(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

void NoteImage::dropEvent(QDropEvent* event) {
    // Only the first dropped file: several names run together would never name a picture.
    const QString path = firstLocalFile(event->mimeData());
    if (path.isEmpty()) {
        return;
    }
    event->acceptProposedAction();
    emit fileDropped(path);
}
