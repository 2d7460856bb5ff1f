#pragma once

#include <QString>
#include <QWidget>

#include "platform/programfolder.h"

class DesktopShell;
class QFrame;
class QLabel;
class QTimer;

// The optional start-up picture: shown for four seconds above everything, a click on the
// picture opens the program's web site.
class frmSplash : public QWidget {
    Q_OBJECT
public:
    // `owner` is the manager window.
    frmSplash(const ProgramFolder& folder, const QString& version, DesktopShell& shell,
              QWidget* owner);

    // The first of "QuillaboardSplash.jpg", ".gif", ".bmp" in the folder; empty when none.
    [[nodiscard]] static QString splashPicture(const ProgramFolder& folder);
    // The first line of "QuillaboardSplashURL.txt", line break removed; empty without it.
    [[nodiscard]] static QString splashUrlText(const ProgramFolder& folder);
    // The web address a click opens for the text of the address file.
    [[nodiscard]] static QString addressFor(const QString& urlText);

    static inline const QString BuiltInAddress = QStringLiteral("https://quillaboard.example.org/");
    static constexpr int DisplayMs = 4000;

    // Loads the picture and sizes the window from it; false when it cannot be read.
    [[nodiscard]] bool loadPicture(const QString& path);
    // Shows the window on top of everything and starts the closing timer.
    void start();

    [[nodiscard]] QString address() const { return m_address; }
    [[nodiscard]] QString pictureToolTip() const;
    [[nodiscard]] QString caption() const;
    [[nodiscard]] bool isTimerActive() const;

    void picSplash_Click();
    void timSplash_Timer();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void picSplash_Resize();

    DesktopShell& m_shell;
    QString m_address;
    QFrame* m_frame;
    QLabel* m_picSplash;
    QLabel* m_lblVersion;
    QTimer* m_timSplash;
};
