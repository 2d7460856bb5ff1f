#pragma once

#include "manager/setuppanel.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>

class DesktopShell;
class DiagnosticLog;
class MessageSink;
class ProgramFolder;
class Translator;
class frmStartup;
struct ProgramState;
struct Settings;

// The program's language: which language file is in use, the translation of every window
// as it appears (by the windows' and controls' object names, so a window needs nothing of
// its own to be translated), the template for translators, and the setup panel that chooses
// all this.
class LanguageService : public QObject {
    Q_OBJECT
public:
    struct Context {
        Translator& tr;
        Settings& settings;
        ProgramState& state;
        const ProgramFolder& folder;
        MessageSink& messages;
        DiagnosticLog& log;
    };

    LanguageService(const Context& ctx, frmStartup& manager, QObject* parent = nullptr);
    ~LanguageService() override;

    // Builds the setup panel and puts it in the manager.
    SetupPanel* installSetupPanel(DesktopShell& shell, SetupHooks hooks,
                                  const QStringList& languages);
    [[nodiscard]] SetupPanel* setupPanel() const { return m_panel; }

    // After the settings are read: the panel shows them and their language is applied.
    void applySettings();
    // A language applied to every window.
    void applyLanguage(const QString& language);
    // Every window of the program translated anew: captions and tooltips of the language in
    // use, tooltips switched as the settings say.
    void translateAll();
    // "Languages/Template.ini" written from every window and message; the user is told.
    void writeTemplate();
    // The lines of the about box for the language file in use.
    [[nodiscard]] QStringList languageLines() const;
    // A window the template needs when none of that name exists; made only to be read.
    void addTemplateWindow(const QString& name, std::function<std::unique_ptr<QWidget>()> make);
    // Set while the template is written: windows made for it skip their own start-up work.
    [[nodiscard]] bool templateBeingWritten() const { return m_templateBeingWritten; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void translateWindow(QWidget* window);
    [[nodiscard]] QString languageFile(const QString& language) const;

    Context m_ctx;
    frmStartup& m_manager;
    QPointer<SetupPanel> m_panel;
    QStringList m_languages;
    // Bumped at every change of language or tooltips: a window shows the texts of the
    // generation it was last translated in.
    int m_generation = 0;
    bool m_templateBeingWritten = false;
    QHash<QString, std::function<std::unique_ptr<QWidget>()>> m_templateWindows;
};
