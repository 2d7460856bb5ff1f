#include "windowtexts.h"

#include "languagefile.h"
#include "translator.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QWidget>

namespace windowtexts {

namespace {

// What a translation put on a control, and the English text it replaced.
const char* const EnglishCaption = "qbEnglishCaption";
const char* const AppliedCaption = "qbAppliedCaption";
const char* const EnglishTip = "qbEnglishTip";
const char* const AppliedTip = "qbAppliedTip";

bool usable(const QObject* object) {
    const QString name = object->objectName();
    return !name.isEmpty() && !name.startsWith(QLatin1String("qt_"));
}

void walk(QWidget* widget, QList<Control>& out) {
    if (usable(widget))
        out.append({widget, widget->objectName()});
    for (QAction* action : widget->actions()) {
        if (usable(action) && !action->isSeparator() && action->parent() == widget)
            out.append({action, action->objectName()});
    }
    for (QObject* child : widget->children()) {
        auto* sub = qobject_cast<QWidget*>(child);
        if (sub == nullptr)
            continue;
        // Another window is translated on its own; a menu belongs to its owner.
        if (sub->isWindow() && qobject_cast<QMenu*>(sub) == nullptr)
            continue;
        walk(sub, out);
    }
}

// A control whose text is the user's data: a text box ("txt" names one, whatever widget shows
// it), or a tray-menu entry that carries a note's title.
bool dataCaption(const QString& name) {
    return name.startsWith(QLatin1String("txt")) || name.startsWith(QLatin1String("mnuNoteX"));
}

bool pathTip(const QObject* object, const QString& tip) {
    static const QStringList pathButtons = {QStringLiteral("cmdSetPictureDir"),
                                            QStringLiteral("cmdMailPlaySound"),
                                            QStringLiteral("cmdNetPlaySound")};
    // A tooltip that shows an address (the splash picture's) is the address, in any language.
    return tip.contains(QLatin1String("://")) ||
           (pathButtons.contains(object->objectName()) &&
            (tip.contains(QLatin1Char('\\')) || tip.contains(QLatin1Char('/'))));
}

void setToolTip(QObject* object, const QString& text) {
    if (auto* widget = qobject_cast<QWidget*>(object))
        widget->setToolTip(text);
}

// Puts `value` on a text (caption or tooltip) and remembers the English one it replaced.
void apply(QObject* object, const QString& current, const QString& value, const char* english,
           const char* applied, void (*set)(QObject*, const QString&)) {
    if (!object->property(english).isValid())
        object->setProperty(english, current);
    object->setProperty(applied, value);
    if (value != current)
        set(object, value);
}

// A text that still shows what a translation put there goes back to English.
void restore(QObject* object, const QString& current, const char* english, const char* applied,
             void (*set)(QObject*, const QString&)) {
    const QVariant original = object->property(english);
    if (!original.isValid())
        return;
    if (object->property(applied).toString() == current)
        set(object, original.toString());
    object->setProperty(english, QVariant());
    object->setProperty(applied, QVariant());
}

QList<Control> allControls(QWidget* window, const QList<QWidget*>& extraRoots) {
    QList<Control> list = controls(window, extraRoots);
    // The window's own name is its section, not a control.
    if (!list.isEmpty() && list.first().object == window)
        list.removeFirst();
    return list;
}

} // namespace

QList<Control> controls(QWidget* window, const QList<QWidget*>& extraRoots) {
    QList<Control> out;
    if (window)
        walk(window, out);
    for (QWidget* root : extraRoots) {
        if (root)
            walk(root, out);
    }
    return out;
}

QString caption(QObject* object, bool* has) {
    if (has)
        *has = true;
    if (auto* action = qobject_cast<QAction*>(object))
        return action->text();
    if (auto* menu = qobject_cast<QMenu*>(object))
        return menu->title();
    if (auto* button = qobject_cast<QAbstractButton*>(object))
        return button->text();
    if (auto* label = qobject_cast<QLabel*>(object))
        return label->text();
    if (auto* group = qobject_cast<QGroupBox*>(object))
        return group->title();
    if (has)
        *has = false;
    return {};
}

void setCaption(QObject* object, const QString& text) {
    if (auto* action = qobject_cast<QAction*>(object))
        action->setText(text);
    else if (auto* menu = qobject_cast<QMenu*>(object))
        menu->setTitle(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(object))
        button->setText(text);
    else if (auto* label = qobject_cast<QLabel*>(object))
        label->setText(text);
    else if (auto* group = qobject_cast<QGroupBox*>(object))
        group->setTitle(text);
}

QString toolTip(QObject* object, bool* has) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (has)
        *has = widget != nullptr;
    return widget ? widget->toolTip() : QString();
}

void LoadAllNames(QWidget* window, const QString& section, const Translator& tr,
                  const Options& options, const QList<QWidget*>& extraRoots) {
    if (window == nullptr)
        return;
    if (tr.isNative()) {
        restoreEnglish(window, extraRoots);
        return;
    }
    static const auto setTitle = [](QObject* object, const QString& text) {
        static_cast<QWidget*>(object)->setWindowTitle(text);
    };
    tr.setCharsetInUse(tr.CharsetNeeded());
    if (!options.keepWindowCaption) {
        bool found = false;
        const QString value =
            tr.ReadIniFile(section, QStringLiteral("Form.Caption"), QString(), &found);
        if (found && !value.trimmed().isEmpty())
            apply(window, window->windowTitle(), value, EnglishCaption, AppliedCaption, setTitle);
        else
            restore(window, window->windowTitle(), EnglishCaption, AppliedCaption, setTitle);
    }
    for (const Control& control : allControls(window, extraRoots)) {
        QObject* object = control.object;
        bool hasCaption = false;
        const QString current = caption(object, &hasCaption);
        auto* widget = qobject_cast<QWidget*>(object);
        const bool symbol = widget && widget->font().family().compare(QLatin1String("Webdings"),
                                                                      Qt::CaseInsensitive) == 0;
        if (hasCaption && !symbol && !dataCaption(control.name)) {
            bool found = false;
            const QString value =
                tr.ReadIniFile(section, control.name + QStringLiteral(".Caption"), current, &found);
            if (found)
                apply(object, current, value, EnglishCaption, AppliedCaption, setCaption);
            else
                restore(object, current, EnglishCaption, AppliedCaption, setCaption);
        }
        bool hasTip = false;
        const QString tip = toolTip(object, &hasTip);
        if (!hasTip || pathTip(object, tip))
            continue;
        if (!options.showTooltips) {
            if (!tip.isEmpty())
                apply(object, tip, QString(), EnglishTip, AppliedTip, setToolTip);
            continue;
        }
        bool found = false;
        const QString value =
            tr.ReadIniFile(section, control.name + QStringLiteral(".ToolTipText"), tip, &found);
        if (found) {
            apply(object, tip, value, EnglishTip, AppliedTip, setToolTip);
        } else {
            restore(object, tip, EnglishTip, AppliedTip, setToolTip);
        }
    }
}

void restoreEnglish(QWidget* window, const QList<QWidget*>& extraRoots) {
    if (window == nullptr)
        return;
    static const auto setTitle = [](QObject* object, const QString& text) {
        static_cast<QWidget*>(object)->setWindowTitle(text);
    };
    restore(window, window->windowTitle(), EnglishCaption, AppliedCaption, setTitle);
    for (const Control& control : allControls(window, extraRoots)) {
        restore(control.object, caption(control.object), EnglishCaption, AppliedCaption,
                setCaption);
        restore(control.object, toolTip(control.object), EnglishTip, AppliedTip, setToolTip);
    }
}

void WriteAllNames(QWidget* window, const QString& section, languagefile::IniWriter& out,
                   int systemCharset, const QList<QWidget*>& extraRoots, const Options& options) {
    if (window == nullptr)
        return;
    const auto oneLine = [](const QString& text) {
        return !text.trimmed().isEmpty() && !text.contains(QLatin1Char('\n')) &&
               !text.contains(QLatin1Char('\r'));
    };
    out.setValue(QStringLiteral("General"), QStringLiteral("Charset"),
                 QString::number(systemCharset));
    if (!options.keepWindowCaption && oneLine(window->windowTitle()))
        out.setValue(section, QStringLiteral("Form.Caption"), window->windowTitle());
    for (const Control& control : allControls(window, extraRoots)) {
        const QString text = caption(control.object);
        const auto* label = qobject_cast<const QLabel*>(control.object);
        const bool data = label && (label->textInteractionFlags() & Qt::TextSelectableByMouse) != 0;
        if (oneLine(text) && !data && !dataCaption(control.name))
            out.setValue(section, control.name + QStringLiteral(".Caption"), text);
        const QString tip = toolTip(control.object);
        if (oneLine(tip))
            out.setValue(section, control.name + QStringLiteral(".ToolTipText"), tip);
    }
}

} // namespace windowtexts
