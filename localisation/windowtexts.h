#pragma once

#include <QList>
#include <QString>

class QObject;
class QWidget;
class Translator;

namespace languagefile {
class IniWriter;
}

// The captions and tooltips of a window, found by object name: the window's own controls,
// its menus and their entries. Child windows are windows of their own and are left out.
namespace windowtexts {

// One named control: a widget (button, label, frame, menu) or a menu entry.
struct Control {
    QObject* object = nullptr;
    QString name;
};

// The named controls of `window` and of the extra roots (a menu that belongs to the window
// without being its child, such as the tray menu of the manager), in tree order.
[[nodiscard]] QList<Control> controls(QWidget* window, const QList<QWidget*>& extraRoots = {});

// A control's caption; `has` is false for controls that have none (text fields, lists).
[[nodiscard]] QString caption(QObject* object, bool* has = nullptr);
void setCaption(QObject* object, const QString& text);
// A widget's tooltip (menu entries have none of their own).
[[nodiscard]] QString toolTip(QObject* object, bool* has = nullptr);

// Which texts a translation touches.
struct Options {
    bool showTooltips = true;
    // The caption of the window itself is data (a note's title), not a text of the program.
    bool keepWindowCaption = false;
};

// Puts the language's captions and tooltips on the window (section = the window's name):
// a key the file holds replaces the text; a text without a key keeps what it shows, unless it
// still shows an earlier translation, which gives way to the English text. With tooltips off
// every tooltip is emptied, except those of the buttons that show a chosen path.
void LoadAllNames(QWidget* window, const QString& section, const Translator& tr,
                  const Options& options, const QList<QWidget*>& extraRoots = {});
// The English texts back on whatever an earlier translation changed.
void restoreEnglish(QWidget* window, const QList<QWidget*>& extraRoots = {});

// The window's current captions and tooltips into the template: [General] Charset, then
// Form.Caption and name.Caption / name.ToolTipText of every control that shows one. Texts
// that span lines cannot be one INI value and are left out, and so are labels whose text
// can be selected: they show data (a date, a state), not a text of the program.
void WriteAllNames(QWidget* window, const QString& section, languagefile::IniWriter& out,
                   int systemCharset, const QList<QWidget*>& extraRoots = {},
                   const Options& options = {});

} // namespace windowtexts
