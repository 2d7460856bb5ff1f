// Writes the import file "Quillaboard.new" with the two help notes a new user finds on the
// desktop, and for each the picture of its title bar shown on its picture side
// ("QuickHelp1.png", "QuickHelp2.png"), captioned with that note's title.
//
//   makequickhelp <output folder>
#include "store/recordcodec.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

namespace {

// The picture of help note `number`.
QString pictureName(int number) {
    return QStringLiteral("QuickHelp%1.png").arg(number);
}

const char* const HelpText1 = R"(Welcome to Quillaboard!

Every note is a window of its own. Write anywhere in it: everything you type is saved by itself.

The title bar
- Drag it to move the note; drag an edge or a corner to resize it.
- Double-click it to roll the note up to its title bar; double-click again to roll it down.
- The circle at the right: always on top (green) or not (red).
- The blue bar: roll up or roll down.
- The x: hide the note. Tick its line in the manager to show it again.
- The small square at the left: click it to switch between the text side and the picture side of the note; right-click it for the note's properties. It turns red when the note is locked.

Right-click the text for the note's menu: select all, copy, cut, paste, undo, delete the note, set it as the default for new notes, lock it, show or hide its title bar, hide it, or open its properties. Select a web address, a mail address, a file or a folder in the text and the menu offers to open it.

Keyboard
Alt+A always on top, Alt+C colour, Alt+F font, Alt+L lock, Alt+P properties, Alt+R auto-roll, Alt+D auto-dim, Alt+S scroll bar, Alt+T title bar. Ctrl+A selects the whole text.

Click the square at the top left now to see the picture side of this note.)";

const char* const HelpText2 = R"(The manager window

Click the tray icon to show or hide the manager. Double-click it for a new note; right-click it for a menu with your notes and commands.

The manager lists your notes in two lists, Notes and Events. The tick of a line shows or hides its note. The buttons make a new note, open its properties, remove it, move it up or down or into the other list, show or hide every note of the list, and search a text in all notes of the list.

Properties of a note: title, colours, font, title bar, scroll bar, auto-roll (the note rolls up when you leave it), auto-dim (it turns translucent when you leave it), always on top, lock, a linked text file, and the picture of its picture side. Choose a picture with Browse, type its path, or drop a picture file on the picture side; double-click the picture to switch between natural size, stretched, and stretched keeping its proportions.

Setup: start with your session, tooltips, language, title of new notes, random colours, confirmation before a delete, animation, moving notes with the Ctrl key, auto-save.

Your notes are kept in Quillaboard.dat and QuillaEvents.dat beside the program, and the previous save in the .bak files. Closing the manager only hides it: choose Exit in the tray menu to quit. Logging out or shutting down saves everything.

Click the square at the top left to see the picture side.)";

// A note's title bar drawn large, with its caption and its parts labelled.
QImage titleBarPicture(const QString& caption) {
    const int w = 600;
    const int h = 420;
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(QColor(255, 255, 224));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);

    const QRect bar(40, 150, 520, 44);
    p.fillRect(bar, QColor(48, 96, 168));
    p.setPen(Qt::white);
    QFont titleFont(QStringLiteral("DejaVu Sans"), 15, QFont::Bold);
    p.setFont(titleFont);
    p.drawText(bar.adjusted(44, 0, -150, 0), Qt::AlignVCenter | Qt::AlignLeft, caption);
    // Lock square at the left.
    p.setPen(QPen(QColor(60, 60, 0), 1.5));
    p.setBrush(QColor(255, 255, 0));
    p.drawRoundedRect(QRectF(bar.left() + 6, bar.top() + 6, 22, 32), 5, 5);
    // Always on top circle.
    p.setPen(QPen(QColor(0, 90, 0), 1.5));
    p.setBrush(QColor(0, 255, 0));
    p.drawEllipse(QPointF(bar.right() - 118, bar.center().y()), 11, 11);
    // Roll bar.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 128));
    p.drawRect(QRectF(bar.right() - 88, bar.center().y() - 3, 34, 6));
    p.setPen(QColor(255, 255, 255));
    p.drawRect(QRectF(bar.right() - 88, bar.center().y() - 3, 34, 6));
    // Hide cross.
    p.setPen(QPen(Qt::white, 3));
    p.setFont(QFont(QStringLiteral("DejaVu Sans"), 16, QFont::Bold));
    p.drawText(QRectF(bar.right() - 40, bar.top(), 32, bar.height()), Qt::AlignCenter,
               QStringLiteral("x"));
    // Note body below the bar.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 0));
    p.drawRect(QRect(bar.left(), bar.bottom() + 1, bar.width(), 60));

    QFont labelFont(QStringLiteral("DejaVu Sans"), 12);
    p.setFont(labelFont);
    auto label = [&](QPointF target, QPointF at, const QString& text, Qt::Alignment align) {
        p.setPen(QPen(QColor(160, 0, 0), 2));
        p.drawLine(at, target);
        p.setBrush(QColor(160, 0, 0));
        p.drawEllipse(target, 3.5, 3.5);
        p.setPen(QColor(30, 30, 30));
        const QRectF box(align & Qt::AlignRight ? at.x() - 260 : at.x() - 4,
                         align & Qt::AlignBottom ? at.y() - 56 : at.y() + 4, 264, 52);
        p.drawText(box, int(align) | Qt::TextWordWrap, text);
    };
    label(QPointF(bar.left() + 17, bar.top() + 8), QPointF(bar.left() + 17, 70),
          QStringLiteral("Switch sides (click)\nProperties (right-click)"),
          Qt::AlignLeft | Qt::AlignBottom);
    label(QPointF(bar.right() - 118, bar.top() + 8), QPointF(bar.right() - 118, 90),
          QStringLiteral("Always on top\ngreen: on, red: off"), Qt::AlignRight | Qt::AlignBottom);
    label(QPointF(bar.right() - 71, bar.bottom() - 10), QPointF(bar.right() - 71, 300),
          QStringLiteral("Roll up / roll down"), Qt::AlignRight | Qt::AlignTop);
    label(QPointF(bar.right() - 24, bar.bottom() - 10), QPointF(bar.right() - 24, 340),
          QStringLiteral("Hide"), Qt::AlignRight | Qt::AlignTop);
    label(QPointF(bar.left() + 150, bar.bottom() - 6), QPointF(bar.left() + 150, 300),
          QStringLiteral("Drag to move\nDouble-click to roll"), Qt::AlignLeft | Qt::AlignTop);
    return img;
}

QByteArray helpNote(const QString& title, const char* text, float left, std::int32_t back,
                    std::int16_t number) {
    NoteRecord r;
    r.setTitle(title);
    r.ShowTitle = true;
    r.ShowScrollBar = true;
    r.ImagePath = pictureName(number);
    r.ImageKeepRatio = false;
    NoteWindowState w;
    w.Left = left;
    w.Top = 1200;
    w.Width = 5400;
    w.Height = 6600;
    w.BackColor = back;
    w.ForeColor = 0;
    w.FontName = QStringLiteral("DejaVu Sans");
    w.FontSize = 9;
    w.Text = QString::fromUtf8(text);
    w.Visible = true;
    w.AlwaysOnTop = false;
    w.PictureStretched = true;
    w.PictureShown = false;
    return recordcodec::encode(r, w, number);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QFile file(out.filePath(QStringLiteral("Quillaboard.new")));
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    const QString titles[] = {QStringLiteral("Quick help 1"), QStringLiteral("Quick help 2")};
    file.write(helpNote(titles[0], HelpText1, 1200, 0x00FFFF, 1));
    file.write(helpNote(titles[1], HelpText2, 7200, 0xC0FFC0, 2));
    file.close();
    for (int number = 1; number <= 2; ++number) {
        if (!titleBarPicture(titles[number - 1]).save(out.filePath(pictureName(number)))) {
            return 1;
        }
    }
    return 0;
}
