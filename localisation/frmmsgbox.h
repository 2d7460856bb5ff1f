#pragma once

#include <QDialog>
#include <QIcon>

#include <array>

class QLabel;
class QPushButton;
class QSpacerItem;
class Translator;
class MsgboxPicture;

// One box of the program's message box: an icon, the text and either one "Ok" button or the
// two buttons "Yes" and "No" in the current language. It stays on top of the note windows
// and sizes itself from its text.
class frmMsgbox final : public QDialog {
    Q_OBJECT

public:
    static constexpr int IconCount = 7;

    explicit frmMsgbox(QWidget* parent = nullptr);

    // `buttons` 0 gives the single "Ok" button, any other value "Yes" (0) and "No" (1);
    // `icon` 0 shows none, 1..7 the pictures of picMsgboxArray.
    void setup(const QString& text, const QString& title, int buttons, int icon,
               const Translator& translator);
    // Left and top in twips when above 0; otherwise centred on the primary screen in that
    // direction.
    void place(int leftTwips, int topTwips);

    // The pressed button: 0 "Ok"/"Yes", 1 "No"; 1 as well when closed by the close box.
    [[nodiscard]] int Result() const { return m_result; }

    [[nodiscard]] QLabel* lblMsgbox() const { return m_lblMsgbox; }
    // Button 0 or 1; button 1 is hidden in an "Ok" box.
    [[nodiscard]] QPushButton* cmdmsgbox(int index) const;
    // The icon option the box shows (0 for none).
    [[nodiscard]] int iconOption() const { return m_icon; }

    // The picture of icon option 1..7 (element 0..6); a null icon for anything else.
    [[nodiscard]] static QIcon picMsgboxArray(int option);
    // The text as the label shows it: CR LF (and a lone CR) become line breaks.
    [[nodiscard]] static QString displayText(const QString& text);
    // The least width in pixels at which the window manager shows `title` uncut beside its
    // own buttons.
    [[nodiscard]] static int titleBarWidth(const QString& title);

    // Escape and the close box answer "No".
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void cmdmsgbox_Click(int index);

    QLabel* m_lblMsgbox = nullptr;
    MsgboxPicture* m_picMsgbox = nullptr;
    std::array<QPushButton*, 2> m_cmdmsgbox{};
    QSpacerItem* m_titleStrut = nullptr;
    int m_icon = 0;
    int m_result = 1;
    bool m_answered = false;
};
