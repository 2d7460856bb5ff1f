#include "shell/frmsplash.h"

#include "platform/desktopshell.h"
#include "platform/fileio.h"
#include "platform/textcodec.h"
#include "platform/twips.h"

#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QTimer>
#include <QUrl>

namespace {

// The address file holds one line; more is not read.
constexpr qint64 MaxUrlFileBytes = 4096;

// Margins of the design, in twips.
constexpr int WindowExtraWidth = 360;
constexpr int WindowExtraHeight = 1080;
constexpr int FrameExtra = 225;

int pixels(int twipsValue) {
    return twipsValue / twips::PerPixel;
}

} // namespace

frmSplash::frmSplash(const ProgramFolder& folder, const QString& version, DesktopShell& shell,
                     QWidget* owner)
    : QWidget(owner,
              Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::SplashScreen)
    , m_shell(shell)
    , m_frame(new QFrame(this))
    , m_picSplash(new QLabel(m_frame))
    , m_lblVersion(new QLabel(this))
    , m_timSplash(new QTimer(this)) {
    setObjectName(QStringLiteral("frmSplash"));
    m_frame->setObjectName(QStringLiteral("fraSplash"));
    m_frame->setFrameShape(QFrame::Panel);
    m_frame->setFrameShadow(QFrame::Raised);
    m_picSplash->setObjectName(QStringLiteral("picSplash"));
    m_picSplash->setCursor(Qt::PointingHandCursor);
    m_picSplash->installEventFilter(this);
    m_lblVersion->setObjectName(QStringLiteral("lblVersion"));
    m_lblVersion->setAlignment(Qt::AlignCenter);
    m_lblVersion->setText(QStringLiteral("Quillaboard ") + version);

    const QString urlText = splashUrlText(folder);
    m_address = addressFor(urlText);
    m_picSplash->setToolTip(urlText.isEmpty() ? QStringLiteral("Quillaboard web site") : urlText);

    m_timSplash->setObjectName(QStringLiteral("timSplash"));
    m_timSplash->setSingleShot(true);
    m_timSplash->setInterval(DisplayMs);
    m_timSplash->setTimerType(Qt::CoarseTimer);
    connect(m_timSplash, &QTimer::timeout, this, &frmSplash::timSplash_Timer);
}

QString frmSplash::splashPicture(const ProgramFolder& folder) {
    for (const char* extension : {".jpg", ".gif", ".bmp"}) {
        const QString path =
            folder.file(QStringLiteral("QuillaboardSplash") + QLatin1String(extension));
        if (fileio::exists(path))
            return path;
    }
    return {};
}

QString frmSplash::splashUrlText(const ProgramFolder& folder) {
    QByteArray bytes;
    if (fileio::readAll(folder.file(QStringLiteral("QuillaboardSplashURL.txt")), bytes,
                        MaxUrlFileBytes)
            .failed())
        return {};
    const qsizetype end = bytes.indexOf('\n');
    if (end >= 0)
        bytes.truncate(end);
    if (bytes.endsWith('\r'))
        bytes.chop(1);
    // Written by others: a file in UTF-8 is read as such.
    return textcodec::decodeForeign(bytes).trimmed();
}

QString frmSplash::addressFor(const QString& urlText) {
    // Only a web address is opened: the file must not turn a click on a picture into
    // starting a program.
    QString text = urlText.trimmed();
    if (text.startsWith(QLatin1String("www."), Qt::CaseInsensitive))
        text.prepend(QLatin1String("http://"));
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (url.isValid() && !url.host().isEmpty() &&
        (scheme == QLatin1String("http") || scheme == QLatin1String("https")))
        return text;
    return BuiltInAddress;
}

bool frmSplash::loadPicture(const QString& path) {
    const QPixmap picture(path);
    if (picture.isNull())
        return false;
    m_picSplash->setPixmap(picture);
    m_picSplash->resize(picture.size() / picture.devicePixelRatio());
    picSplash_Resize();
    return true;
}

void frmSplash::picSplash_Resize() {
    const QSize picture = m_picSplash->size();
    const int frameExtra = pixels(FrameExtra);
    const QSize frame(picture.width() + frameExtra, picture.height() + frameExtra);
    const int windowWidth = picture.width() + pixels(WindowExtraWidth);
    const int windowHeight = frame.height() + pixels(WindowExtraHeight);
    const int frameLeft = (windowWidth - frame.width()) / 2;
    const int top = frameLeft;
    m_frame->setGeometry(frameLeft, top, frame.width(), frame.height());
    m_picSplash->move(frameExtra / 2, frameExtra / 2);
    const int labelTop = top + frame.height() + frameLeft;
    m_lblVersion->setGeometry(frameLeft + frameExtra / 2, labelTop, picture.width(),
                              windowHeight - labelTop - frameLeft);
    setFixedSize(windowWidth, windowHeight);
}

void frmSplash::start() {
    show();
    raise();
    m_timSplash->start();
}

QString frmSplash::pictureToolTip() const {
    return m_picSplash->toolTip();
}

QString frmSplash::caption() const {
    return m_lblVersion->text();
}

bool frmSplash::isTimerActive() const {
    return m_timSplash->isActive();
}

void frmSplash::picSplash_Click() {
    m_shell.open(m_address);
}

void frmSplash::timSplash_Timer() {
    m_timSplash->stop();
    close();
}

bool frmSplash::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_picSplash && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        picSplash_Click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
