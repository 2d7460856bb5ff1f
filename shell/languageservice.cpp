#include "languageservice.h"

#include "localisation/frmmsgbox.h"
#include "localisation/languagefile.h"
#include "localisation/translator.h"
#include "localisation/windowtexts.h"
#include "manager/frmstartup.h"
#include "platform/diagnosticlog.h"
#include "platform/messagesink.h"
#include "platform/programfolder.h"
#include "store/programstate.h"
#include "store/settings.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QMenu>
#include <QTimer>

namespace {

const QString CrLf = QStringLiteral("\r\n");
// "The language file cannot be read completely; ..."
constexpr int LanguageFileProblem = 122;
// The language generation a widget was last translated in.
const char* const Generation = "qbLanguageGeneration";
const QString Manager = QStringLiteral("frmStartup");
// Translates itself, box by box.
const QString MessageBox = QStringLiteral("frmMsgbox");
// A note's window caption is its title.
const QString NoteWindow = QStringLiteral("frmBlocNote");
// The template's windows, in the order translators know.
const QStringList TemplateOrder = {
    Manager,
    NoteWindow,
    QStringLiteral("frmCalend"),
    QStringLiteral("frmDetMail"),
    QStringLiteral("frmMailDetail"),
    QStringLiteral("frmNetSend"),
    QStringLiteral("frmSmallEmailNotify"),
    QStringLiteral("frmSplash"),
    MessageBox,
};

bool isProgramWindow(const QWidget* widget) {
    return widget->objectName().startsWith(QLatin1String("frm"));
}

// The tray menu has no owner window; it is part of the manager.
QList<QWidget*> ownerlessMenus() {
    QList<QWidget*> menus;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<QMenu*>(widget) && widget->parentWidget() == nullptr &&
            widget->objectName().startsWith(QLatin1String("mnu")))
            menus.append(widget);
    }
    return menus;
}

} // namespace

LanguageService::LanguageService(const Context& ctx, frmStartup& manager, QObject* parent)
    : QObject(parent)
    , m_ctx(ctx)
    , m_manager(manager) {
    m_ctx.tr.setProblemReport([this](const QString& file, languagefile::Problem) {
        // Told after the lookup that found the problem, never from inside it.
        QTimer::singleShot(0, this, [this, file] {
            m_ctx.messages.Message_box(m_ctx.tr.Translation(LanguageFileProblem) + CrLf + file,
                                       QStringLiteral("Quillaboard"), msgbox::Error);
        });
    });
    qApp->installEventFilter(this);
    addTemplateWindow(MessageBox, [this] {
        auto box = std::make_unique<frmMsgbox>();
        box->setup({}, {}, 0, 0, m_ctx.tr);
        return box;
    });
}

LanguageService::~LanguageService() {
    if (qApp)
        qApp->removeEventFilter(this);
    m_ctx.tr.setProblemReport({});
}

SetupPanel* LanguageService::installSetupPanel(DesktopShell& shell, SetupHooks hooks,
                                               const QStringList& languages) {
    hooks.languageChosen = [this](const QString& language) { applyLanguage(language); };
    hooks.tooltipsSwitched = [this] {
        ++m_generation;
        translateAll();
    };
    hooks.writeTemplate = [this] { writeTemplate(); };
    hooks.languageLines = [this] { return languageLines(); };
    hooks.languageGeneral = [this](const QString& key, const QString& fallback) {
        return m_ctx.tr.ReadIniFile(QStringLiteral("General"), key, fallback);
    };
    m_languages = languages;
    auto* panel = new SetupPanel(m_manager.context(), shell, std::move(hooks));
    panel->setLanguages(languages);
    m_manager.installPanel(QStringLiteral("setup"), panel, [panel] { panel->cmdSetupOk_Click(); });
    connect(panel, &SetupPanel::closed, &m_manager,
            [this] { m_manager.showPanel(QStringLiteral("liste")); });
    connect(panel, &SetupPanel::networkSettingsRequested, &m_manager,
            [this] { m_manager.showPanel(QStringLiteral("mail")); });
    m_panel = panel;
    return panel;
}

void LanguageService::applySettings() {
    // A language whose file is gone is not offered: English stands in.
    if (!m_languages.contains(m_ctx.settings.Language))
        m_ctx.settings.Language = NativeLanguage;
    if (m_panel) {
        m_panel->setLanguages(m_languages);
        m_panel->Fill();
    }
    applyLanguage(m_ctx.settings.Language);
}

QString LanguageService::languageFile(const QString& language) const {
    return m_ctx.folder.file(QStringLiteral("Languages/") + language + QStringLiteral(".ini"));
}

void LanguageService::applyLanguage(const QString& language) {
    const QString name = language.isEmpty() ? NativeLanguage : language;
    m_ctx.tr.setLanguage(name, languageFile(name));
    ++m_generation;
    translateAll();
}

void LanguageService::translateAll() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (isProgramWindow(widget))
            translateWindow(widget);
    }
}

void LanguageService::translateWindow(QWidget* window) {
    const QString section = window->objectName();
    if (section == MessageBox)
        return;
    window->setProperty(Generation, m_generation);
    for (QWidget* frame : window->findChildren<QWidget*>()) {
        if (frame->objectName().startsWith(QLatin1String("fra")))
            frame->setProperty(Generation, m_generation);
    }
    windowtexts::Options options;
    options.showTooltips = Settings::ticked(m_ctx.settings.chkShowTooltips);
    options.keepWindowCaption = section == NoteWindow;
    const QList<QWidget*> extra = section == Manager ? ownerlessMenus() : QList<QWidget*>();
    windowtexts::LoadAllNames(window, section, m_ctx.tr, options, extra);
}

bool LanguageService::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Show || !watched->isWidgetType())
        return QObject::eventFilter(watched, event);
    auto* widget = static_cast<QWidget*>(watched);
    QWidget* owner = nullptr;
    if (auto* menu = qobject_cast<QMenu*>(widget)) {
        // A menu shows the texts of its owner's section.
        owner = menu->parentWidget() ? menu->parentWidget()->window() : &m_manager;
    } else if (widget->isWindow()) {
        owner = widget;
    } else if (widget->objectName().startsWith(QLatin1String("fra"))) {
        // A panel put into a window after the window was translated.
        owner = widget->window();
    }
    if (owner == nullptr || widget->property(Generation).toInt() == m_generation)
        return QObject::eventFilter(watched, event);
    widget->setProperty(Generation, m_generation);
    if (isProgramWindow(owner))
        translateWindow(owner);
    return QObject::eventFilter(watched, event);
}

void LanguageService::writeTemplate() {
    const QString folder = m_ctx.folder.file(QStringLiteral("Languages"));
    (void)QDir().mkpath(folder);
    const QString path = folder + QStringLiteral("/Template.ini");
    QFile::remove(path);
    m_templateBeingWritten = true;
    languagefile::IniWriter out(path);
    const int charset = languagefile::SystemCharset();

    QList<QWidget*> windows;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (isProgramWindow(widget))
            windows.append(widget);
    }
    QStringList written;
    const auto writeWindow = [&](QWidget* window) {
        const QString section = window->objectName();
        if (written.contains(section))
            return;
        written.append(section);
        windowtexts::Options options;
        options.keepWindowCaption = section == NoteWindow;
        windowtexts::WriteAllNames(window, section, out, charset,
                                   section == Manager ? ownerlessMenus() : QList<QWidget*>(),
                                   options);
    };
    for (const QString& name : TemplateOrder) {
        for (QWidget* window : windows) {
            if (window->objectName() == name)
                writeWindow(window);
        }
        if (!written.contains(name) && m_templateWindows.contains(name)) {
            // Made only to be read.
            std::unique_ptr<QWidget> made = m_templateWindows.value(name)();
            if (made)
                writeWindow(made.get());
        }
    }
    for (QWidget* window : windows)
        writeWindow(window);
    for (int number = 1; number <= Translator::englishMessages().size(); ++number)
        out.setValue(QStringLiteral("MSG"), QString::number(number), m_ctx.tr.Translation(number));
    (void)out.save();
    m_templateBeingWritten = false;
    m_ctx.messages.Message_box(m_ctx.tr.Translation(4) + CrLf + m_ctx.tr.Translation(5) + CrLf +
                                   m_ctx.tr.Translation(6),
                               {}, msgbox::Info);
}

void LanguageService::addTemplateWindow(const QString& name,
                                        std::function<std::unique_ptr<QWidget>()> make) {
    m_templateWindows.insert(name, std::move(make));
}

QStringList LanguageService::languageLines() const {
    const Translator& tr = m_ctx.tr;
    if (tr.isNative())
        return {};
    const QString general = QStringLiteral("General");
    const QString translation = tr.ReadIniFile(general, QStringLiteral("Translation"), {});
    const QString version = tr.ReadIniFile(general, QStringLiteral("Version"), {});
    const QString faq = tr.ReadIniFile(general, QStringLiteral("FAQ translation"), {});
    QStringList lines;
    lines += translation;
    lines += tr.Translation(97) + QStringLiteral(" : ") + version;
    lines += tr.Translation(98) + QStringLiteral(" : ") + QString::number(tr.CharsetNeeded());
    lines += tr.Translation(99) + QStringLiteral(" : ") + QString::number(tr.charsetInUse());
    if (!faq.isEmpty())
        lines += faq;
    return lines;
}
