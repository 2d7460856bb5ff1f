#pragma once

#include <QImage>
#include <QWidget>

// The picture side `imgImage`: the picture at its natural size from the top-left corner, or
// stretched over the whole area. Takes dropped files.
class NoteImage : public QWidget {
    Q_OBJECT
public:
    explicit NoteImage(QWidget* parent);

    void setPicture(const QImage& picture);
    void clearPicture() { setPicture(QImage()); }
    [[nodiscard]] const QImage& picture() const { return m_picture; }
    void setStretch(bool stretch);
    [[nodiscard]] bool stretch() const { return m_stretch; }
    void setBackground(const QColor& color);

signals:
    void doubleClicked();
    void fileDropped(const QString& path);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QImage m_picture;
    bool m_stretch = false;
    QColor m_background;
};
