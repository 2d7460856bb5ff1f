#include "localisation/frmmsgbox.h"

#include "platform/twips.h"

#include "localisation/translator.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIconEngine>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QSpacerItem>

namespace {

constexpr int IconExtent = 32;
constexpr int MinButtonWidth = 75;
// Between the two buttons, so they never touch whatever the style's spacing.
constexpr int ButtonGap = 12;
// A line wider than this share of the screen wraps instead of widening the box.
constexpr int MaxWidthNumerator = 2;
constexpr int MaxWidthDenominator = 3;

const QString DefaultTitle = QStringLiteral("Quillaboard");

// A red disc with a white cross in the lower right corner: something failed.
void drawFailureMark(QPainter& p) {
    p.setPen(QPen(QColor(120, 0, 0), 1.0));
    p.setBrush(QColor(210, 30, 30));
    p.drawEllipse(QPointF(24, 24), 7, 7);
    p.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(21, 21), QPointF(27, 27));
    p.drawLine(QPointF(27, 21), QPointF(21, 27));
}

void drawDisc(QPainter& p, const QColor& fill, const QColor& edge) {
    p.setPen(QPen(edge, 1.2));
    p.setBrush(fill);
    p.drawEllipse(QPointF(16, 16), 13.5, 13.5);
    p.setPen(QPen(Qt::white, 3.2, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
}

void drawWarning(QPainter& p) {
    p.setPen(QPen(QColor(140, 100, 0), 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(250, 200, 40));
    p.drawPolygon(QPolygonF{QPointF(16, 2.5), QPointF(30, 28.5), QPointF(2, 28.5)});
    p.setPen(QPen(QColor(30, 30, 30), 3.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(16, 11), QPointF(16, 19));
    p.drawPoint(QPointF(16, 24.5));
}

void drawQuestion(QPainter& p) {
    drawDisc(p, QColor(45, 110, 200), QColor(20, 60, 130));
    // The hook of the question mark: three quarters of a circle ending below its centre.
    p.drawArc(QRectF(11, 6.5, 10, 10), 160 * 16, -250 * 16);
    p.drawLine(QPointF(16, 16.5), QPointF(16, 18.5));
    p.drawPoint(QPointF(16, 23.5));
}

void drawCritical(QPainter& p) {
    drawDisc(p, QColor(205, 35, 35), QColor(120, 0, 0));
    p.drawLine(QPointF(11, 11), QPointF(21, 21));
    p.drawLine(QPointF(21, 11), QPointF(11, 21));
}

void drawInformation(QPainter& p) {
    drawDisc(p, QColor(45, 110, 200), QColor(20, 60, 130));
    p.drawPoint(QPointF(16, 9.5));
    p.drawLine(QPointF(16, 14.5), QPointF(16, 23.5));
}

void drawPen(QPainter& p) {
    p.setPen(QPen(QColor(90, 90, 90), 1.2));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4, 2, 18, 25));
    p.setPen(QPen(QColor(150, 150, 150), 1.2));
    for (const qreal y : {8.0, 12.0, 16.0}) {
        p.drawLine(QPointF(7, y), QPointF(19, y));
    }
    p.save();
    p.translate(10, 21);
    p.rotate(-45);
    p.setPen(QPen(QColor(30, 30, 30), 1.0));
    p.setBrush(QColor(40, 90, 200));
    p.drawRect(QRectF(3, -2.5, 15, 5));
    p.setBrush(QColor(240, 205, 150));
    p.drawPolygon(QPolygonF{QPointF(3, -2.5), QPointF(-3, 0), QPointF(3, 2.5)});
    p.restore();
    drawFailureMark(p);
}

void drawMail(QPainter& p) {
    p.setPen(QPen(QColor(80, 80, 80), 1.2));
    p.setBrush(QColor(250, 245, 225));
    const QRectF envelope(2, 6, 26, 18);
    p.drawRect(envelope);
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF{envelope.topLeft(), QPointF(15, 16), envelope.topRight()});
    drawFailureMark(p);
}

void drawNote(QPainter& p) {
    QPainterPath sheet;
    sheet.moveTo(4, 4);
    sheet.lineTo(28, 4);
    sheet.lineTo(28, 21);
    sheet.lineTo(21, 28);
    sheet.lineTo(4, 28);
    sheet.closeSubpath();
    p.setPen(QPen(QColor(150, 130, 20), 1.2));
    p.setBrush(QColor(255, 235, 110));
    p.drawPath(sheet);
    p.setBrush(QColor(225, 200, 70));
    p.drawPolygon(QPolygonF{QPointF(28, 21), QPointF(21, 21), QPointF(21, 28)});
    p.setPen(QPen(QColor(120, 100, 20), 1.2));
    for (const qreal y : {10.0, 15.0, 20.0}) {
        p.drawLine(QPointF(8, y), QPointF(y < 20 ? 24 : 17, y));
    }
}

// The box's pictures, drawn as vectors on a 32 x 32 grid so they stay crisp at any scale.
class DrawnIconEngine final : public QIconEngine {
public:
    enum class Kind { Warning, Question, Critical, Information, Pen, Mail, Note };

    explicit DrawnIconEngine(Kind kind)
        : m_kind(kind) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->translate(rect.topLeft());
        painter->scale(rect.width() / qreal(IconExtent), rect.height() / qreal(IconExtent));
        switch (m_kind) {
        case Kind::Warning:
            drawWarning(*painter);
            break;
        case Kind::Question:
            drawQuestion(*painter);
            break;
        case Kind::Critical:
            drawCritical(*painter);
            break;
        case Kind::Information:
            drawInformation(*painter);
            break;
        case Kind::Pen:
            drawPen(*painter);
            break;
        case Kind::Mail:
            drawMail(*painter);
            break;
        case Kind::Note:
            drawNote(*painter);
            break;
        }
        painter->restore();
    }

    // The default pixmap is not cleared first.
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return pixmap;
    }

    [[nodiscard]] QIconEngine* clone() const override { return new DrawnIconEngine(m_kind); }

private:
    Kind m_kind;
};

} // namespace

// Paints the icon at the widget's own device pixel ratio.
class MsgboxPicture final : public QWidget {
public:
    explicit MsgboxPicture(QWidget* parent)
        : QWidget(parent) {
        setFixedSize(IconExtent, IconExtent);
    }
    void setIcon(const QIcon& icon) {
        m_icon = icon;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        m_icon.paint(&painter, rect());
    }

private:
    QIcon m_icon;
};

frmMsgbox::frmMsgbox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("frmMsgbox"));
    m_picMsgbox = new MsgboxPicture(this);
    m_lblMsgbox = new QLabel(this);
    m_lblMsgbox->setObjectName(QStringLiteral("lblMsgbox"));
    // Texts carry file names and server replies: never interpret them as markup.
    m_lblMsgbox->setTextFormat(Qt::PlainText);

    auto* layout = new QGridLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->setHorizontalSpacing(12);
    layout->addWidget(m_picMsgbox, 0, 0, Qt::AlignTop);
    layout->addWidget(m_lblMsgbox, 0, 1, Qt::AlignVCenter);

    auto* row = new QHBoxLayout;
    row->setSpacing(ButtonGap);
    row->addStretch();
    for (int index = 0; index < 2; ++index) {
        auto* button = new QPushButton(this);
        button->setObjectName(QStringLiteral("cmdmsgbox%1").arg(index));
        button->setMinimumWidth(MinButtonWidth);
        connect(button, &QPushButton::clicked, this, [this, index] { cmdmsgbox_Click(index); });
        row->addWidget(button);
        m_cmdmsgbox[static_cast<std::size_t>(index)] = button;
    }
    row->addStretch();
    layout->addLayout(row, 1, 0, 1, 2);
    // An empty row as wide as the title needs.
    m_titleStrut = new QSpacerItem(0, 0, QSizePolicy::Fixed, QSizePolicy::Fixed);
    layout->addItem(m_titleStrut, 2, 0, 1, 2);
}

void frmMsgbox::setup(const QString& text, const QString& title, int buttons, int icon,
                      const Translator& translator) {
    setWindowTitle(title.isEmpty() ? DefaultTitle : title);

    const QString shown = displayText(text);
    m_lblMsgbox->setText(shown);
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int maxWidth = screen != nullptr ? screen->availableGeometry().width() *
                                                 MaxWidthNumerator / MaxWidthDenominator
                                           : 600;
    const QFontMetrics metrics(m_lblMsgbox->font());
    int widest = 0;
    for (const QString& line : shown.split(QLatin1Char('\n'))) {
        widest = qMax(widest, metrics.horizontalAdvance(line));
    }
    const bool wrap = widest > maxWidth;
    m_lblMsgbox->setWordWrap(wrap);
    if (wrap) {
        m_lblMsgbox->setFixedWidth(maxWidth);
    }

    m_icon = icon >= 1 && icon <= IconCount ? icon : 0;
    m_picMsgbox->setIcon(picMsgboxArray(m_icon));
    m_picMsgbox->setVisible(m_icon != 0);

    if (buttons == 0) {
        // The box is built anew for every message, so it translates its one caption itself.
        m_cmdmsgbox[0]->setText(translator.ReadIniFile(QStringLiteral("frmMsgbox"),
                                                       QStringLiteral("cmdmsgbox0.Caption"),
                                                       QStringLiteral("Ok")));
        m_cmdmsgbox[1]->hide();
    } else {
        m_cmdmsgbox[0]->setText(translator.Translation(27));
        m_cmdmsgbox[1]->setText(translator.Translation(28));
        m_cmdmsgbox[1]->show();
    }
    m_cmdmsgbox[0]->setDefault(true);
    // The window manager shows the title beside its own buttons: the box is wide enough for
    // both, so the title is never cut.
    const QMargins margins = layout()->contentsMargins();
    m_titleStrut->changeSize(titleBarWidth(windowTitle()) - margins.left() - margins.right(), 0,
                             QSizePolicy::Fixed, QSizePolicy::Fixed);
    layout()->invalidate();
    adjustSize();
}

int frmMsgbox::titleBarWidth(const QString& title) {
    // Title bars commonly use a bold face of the application font; the window manager puts
    // its icon and up to three buttons of about the bar's height beside the text, with some
    // padding at each end.
    QFont font = QApplication::font();
    font.setBold(true);
    const QFontMetrics metrics(font);
    const int barHeight = metrics.height() + 10;
    constexpr int ControlsBeside = 4; // window icon, minimise, maximise, close
    constexpr int Padding = 24;
    return metrics.horizontalAdvance(title) + ControlsBeside * barHeight + Padding;
}

void frmMsgbox::place(int leftTwips, int topTwips) {
    adjustSize();
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 800, 600);
    const QSize outer = frameGeometry().size();
    const int x =
        leftTwips > 0 ? leftTwips / twips::PerPixel : area.x() + (area.width() - outer.width()) / 2;
    const int y =
        topTwips > 0 ? topTwips / twips::PerPixel : area.y() + (area.height() - outer.height()) / 2;
    move(x, y);
}

QPushButton* frmMsgbox::cmdmsgbox(int index) const {
    return index == 0 || index == 1 ? m_cmdmsgbox[static_cast<std::size_t>(index)] : nullptr;
}

QIcon frmMsgbox::picMsgboxArray(int option) {
    using Kind = DrawnIconEngine::Kind;
    // 1 a failure to listen, 2 questions, 3 errors, 4 information, 5 a failed write,
    // 6 the mail fault, 7 anything else.
    static constexpr std::array<Kind, IconCount> kinds = {
        Kind::Warning, Kind::Question, Kind::Critical, Kind::Information,
        Kind::Pen,     Kind::Mail,     Kind::Note};
    if (option < 1 || option > IconCount) {
        return {};
    }
    return QIcon(new DrawnIconEngine(kinds[static_cast<std::size_t>(option - 1)]));
}

QString frmMsgbox::displayText(const QString& text) {
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

void frmMsgbox::reject() {
    if (!m_answered) {
        m_result = 1;
    }
    QDialog::reject();
}

void frmMsgbox::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    raise();
    activateWindow();
}

void frmMsgbox::cmdmsgbox_Click(int index) {
    m_result = index;
    m_answered = true;
    accept();
}
