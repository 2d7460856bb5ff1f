#pragma once

#include <QColor>
#include <QWidget>

// One of the small labels of the title bar; it paints its own state indicator.
class ActionLabel : public QWidget {
    Q_OBJECT
public:
    enum class Kind { AlwaysOnTop, Roll, Hide, Properties };
    ActionLabel(Kind kind, QWidget* parent);

    void setOn(bool on);
    [[nodiscard]] bool isOn() const { return m_on; }
    void setTextColor(const QColor& color);
    // The title bar's scale, for the indicator's size.
    void setScale(double scale);

signals:
    // A button released over the label.
    void released(Qt::MouseButton button);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    Kind m_kind;
    // AlwaysOnTop: on top; Roll: rolled up; Properties: locked.
    bool m_on = false;
    QColor m_textColor;
    double m_scale = 1.0;
};

// The note's own title bar `fraToolbar`: the side switch at the left, the caption, and the
// action bar `fraActionbar` with its three buttons at the right end.
class TitleBar : public QWidget {
    Q_OBJECT
public:
    explicit TitleBar(QWidget* parent);

    // Height in logical pixels: the design 13 px, or more when the caption font needs it.
    [[nodiscard]] static int heightPx();
    [[nodiscard]] static QFont captionFont();
    // How much larger than the design the bar is drawn with `font`: its height over the design
    // 13 px. A large font (a 192-dpi desktop that does not scale the toolkit) makes the
    // buttons and indicators as much larger as the caption, so they stay usable.
    [[nodiscard]] static double scaleFor(const QFont& font);
    [[nodiscard]] static int heightFor(const QFont& font);
    [[nodiscard]] double scale() const { return scaleFor(font()); }

    void setCaption(const QString& caption);
    [[nodiscard]] const QString& caption() const { return m_caption; }
    void setActiveLook(bool active);
    [[nodiscard]] bool activeLook() const { return m_active; }

    ActionLabel* lblToolBarProp;
    QWidget* fraActionbar;
    ActionLabel* lblActionbarAoTop;
    ActionLabel* lblActionbarRoll;
    ActionLabel* lblActionbarHide;

signals:
    void clicked();
    void doubleClicked();
    void rightReleased();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    [[nodiscard]] QColor background() const;
    [[nodiscard]] QColor foreground() const;

    QString m_caption;
    bool m_active = false;
    bool m_pressedLeft = false;
    QPoint m_pressedAt;
};
