#include "notelists.h"

#include "localisation/translator.h"
#include "noteviews.h"
#include "platform/clock.h"
#include "platform/diagnosticlog.h"
#include "platform/messagesink.h"
#include "platform/oledate.h"
#include "store/notestore.h"
#include "store/programstate.h"
#include "store/settings.h"

#include <QHash>
#include <QListWidget>
#include <QLocale>
#include <QRandomGenerator>
#include <QStyledItemDelegate>
#include <cstdlib>

namespace {

// Sets UpdatingLists for a scope and puts back what was there before.
class UpdatingScope {
public:
    explicit UpdatingScope(NoteStore& store)
        : m_store(store)
        , m_previous(store.UpdatingLists) {
        m_store.UpdatingLists = true;
    }
    ~UpdatingScope() { m_store.UpdatingLists = m_previous; }
    UpdatingScope(const UpdatingScope&) = delete;
    UpdatingScope& operator=(const UpdatingScope&) = delete;

private:
    NoteStore& m_store;
    bool m_previous;
};

constexpr int LastTickRole = Qt::UserRole + 1;

// A list lays all its lines out again after every change and measures each title for it:
// with hundreds of notes, measuring was most of what a new note cost. Each title is measured
// once for the list's font and style.
class LineDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const QStyle* style = option.widget != nullptr ? option.widget->style() : nullptr;
        if (option.font != m_font || style != m_style || m_sizes.size() > MaxEntries) {
            m_sizes.clear();
            m_font = option.font;
            m_style = style;
        }
        const QString key = (index.data(Qt::CheckStateRole).isValid() ? u'1' : u'0') +
                            index.data(Qt::DisplayRole).toString();
        const auto known = m_sizes.constFind(key);
        if (known != m_sizes.constEnd())
            return *known;
        const QSize size = QStyledItemDelegate::sizeHint(option, index);
        m_sizes.insert(key, size);
        return size;
    }

private:
    static constexpr qsizetype MaxEntries = 20000;
    mutable QFont m_font;
    mutable const QStyle* m_style = nullptr;
    mutable QHash<QString, QSize> m_sizes;
};

int component(const std::function<double()>& random) {
    const int value = static_cast<int>(random() * 256.0);
    return std::clamp(value, 0, 255);
}

std::int32_t rgb(int r, int g, int b) {
    return static_cast<std::int32_t>(r | (g << 8) | (b << 16));
}

} // namespace

NoteColors drawRandomColors(const std::function<double()>& random) {
    const int r = component(random);
    const int g = component(random);
    const int b = component(random);
    auto contrasting = [&random](int background) {
        int value = component(random);
        while (std::abs(value - background) <= 64) {
            value = component(random);
        }
        return value;
    };
    const int fr = contrasting(r);
    const int fg = contrasting(g);
    const int fb = contrasting(b);
    return {rgb(r, g, b), rgb(fr, fg, fb)};
}

QString newNoteTitle(const QString& prefix, const QDateTime& now) {
    const QLocale locale = QLocale::system();
    const QString title = prefix + QLatin1Char(' ') +
                          locale.toString(now.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
                          locale.toString(now.time(), QLocale::ShortFormat);
    return title.trimmed().left(width::Title);
}

QString oleDateTimeText(double ole) {
    if (ole == 0.0) {
        return {};
    }
    return QLocale::system().toString(oledate::toDateTime(ole), QLocale::ShortFormat);
}

NoteLists::NoteLists(const ManagerContext& ctx, std::array<QListWidget*, 2> lists, QObject* parent)
    : QObject(parent)
    , m_ctx(ctx)
    , m_lists(lists)
    , m_random([] { return QRandomGenerator::global()->generateDouble(); }) {
    for (int index = 0; index < 2; ++index) {
        QListWidget* widget = m_lists.at(static_cast<size_t>(index));
        widget->setItemDelegate(new LineDelegate(widget));
        connect(widget, &QListWidget::itemChanged, this,
                [this, index](QListWidgetItem* item) { onItemChanged(index, item); });
        connect(widget, &QListWidget::currentRowChanged, this, [this, index](int row) {
            const int slot = m_ctx.store.slotAt(index, row);
            if (slot >= 0) {
                m_ctx.state.CurrentNote = slot;
            }
        });
    }
}

QListWidget* NoteLists::list(int index) const {
    return m_lists.at(static_cast<size_t>(index));
}

void NoteLists::optSelectList_Click(int index) {
    if (index < 0 || index > 1) {
        return;
    }
    m_front = index;
    m_ctx.state.CurrentList = index;
    emit frontListChanged(index);
}

int NoteLists::selectedLine(int listIndex) const {
    return list(listIndex)->currentRow();
}

void NoteLists::selectLine(int listIndex, int pos) {
    QListWidget* widget = list(listIndex);
    if (pos < 0 || pos >= widget->count()) {
        return;
    }
    widget->setCurrentRow(pos);
}

int NoteLists::selectedNote() const {
    return m_ctx.store.slotAt(m_front, selectedLine(m_front));
}

bool NoteLists::isTicked(int listIndex, int pos) const {
    const QListWidgetItem* item = list(listIndex)->item(pos);
    return item != nullptr && item->checkState() == Qt::Checked;
}

void NoteLists::setTicked(int listIndex, int pos, bool ticked) {
    QListWidgetItem* item = list(listIndex)->item(pos);
    if (item == nullptr || (ticked && !isLive(m_ctx.store.slotAt(listIndex, pos)))) {
        return;
    }
    item->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
}

void NoteLists::selectNote(int slot) {
    if (!m_ctx.store.isValidSlot(slot)) {
        return;
    }
    const int listIndex = m_ctx.store.Notes.at(static_cast<size_t>(slot)).List;
    optSelectList_Click(listIndex);
    selectLine(listIndex, m_ctx.store.ListPos.at(static_cast<size_t>(slot)));
}

void NoteLists::fill() {
    UpdatingScope updating(m_ctx.store);
    for (int listIndex = 0; listIndex < 2; ++listIndex) {
        list(listIndex)->clear();
        for (int pos = 0; pos < m_ctx.store.lineCount(listIndex); ++pos) {
            const int slot = m_ctx.store.slotAt(listIndex, pos);
            addLine(listIndex, lineText(slot), isLive(slot) && isShown(slot));
            if (!isLive(slot)) {
                makeInert(list(listIndex)->item(pos));
            }
        }
    }
}

void NoteLists::clearLists() {
    UpdatingScope updating(m_ctx.store);
    for (QListWidget* widget : m_lists) {
        widget->clear();
    }
}

QString NoteLists::lineText(int slot) const {
    if (!m_ctx.store.isValidSlot(slot)) {
        return {};
    }
    const NoteRecord& note = m_ctx.store.Notes.at(static_cast<size_t>(slot));
    if (note.isDeleted()) {
        return m_ctx.tr.Translation(91);
    }
    return note.Title;
}

void NoteLists::updateLineText(int slot) {
    if (!m_ctx.store.isValidSlot(slot)) {
        return;
    }
    const int listIndex = m_ctx.store.Notes.at(static_cast<size_t>(slot)).List;
    QListWidgetItem* item =
        list(listIndex)->item(m_ctx.store.ListPos.at(static_cast<size_t>(slot)));
    if (item != nullptr) {
        UpdatingScope updating(m_ctx.store);
        item->setText(lineText(slot).trimmed());
    }
}

void NoteLists::addLine(int listIndex, const QString& text, bool ticked) {
    auto* item = new QListWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
    item->setData(LastTickRole, ticked);
    list(listIndex)->addItem(item);
}

void NoteLists::makeInert(QListWidgetItem* item) {
    if (item == nullptr) {
        return;
    }
    UpdatingScope updating(m_ctx.store);
    item->setCheckState(Qt::Unchecked);
    item->setData(LastTickRole, false);
    item->setFlags(item->flags() & ~Qt::ItemIsUserCheckable);
}

bool NoteLists::isLive(int slot) const {
    // A removed note stays dead even when its window was built again (after a reload of the
    // window set), so its line can never show it.
    return m_ctx.store.isValidSlot(slot) &&
           m_ctx.store.Windows.at(static_cast<size_t>(slot)).Live &&
           !m_ctx.store.Notes.at(static_cast<size_t>(slot)).isDeleted();
}

bool NoteLists::isShown(int slot) const {
    return m_ctx.store.isValidSlot(slot) &&
           m_ctx.store.Windows.at(static_cast<size_t>(slot)).Visible;
}

void NoteLists::onItemChanged(int listIndex, QListWidgetItem* item) {
    // The line keeps the tick it last had, so a text change is told from a tick change.
    const bool ticked = item->checkState() == Qt::Checked;
    if (item->data(LastTickRole).toBool() == ticked) {
        return;
    }
    const int pos = list(listIndex)->row(item);
    if (ticked && !isLive(m_ctx.store.slotAt(listIndex, pos))) {
        // Whoever ticked a removed note's line, the tick does not stay.
        makeInert(item);
        return;
    }
    item->setData(LastTickRole, ticked);
    lstNotes_Click(listIndex, pos);
}

void NoteLists::lstNotes_Click(int listIndex, int pos) {
    const int slot = m_ctx.store.slotAt(listIndex, pos);
    if (slot < 0 || !isLive(slot) || m_ctx.store.UpdatingLists) {
        return;
    }
    const bool ticked = isTicked(listIndex, pos);
    const bool animate = Settings::ticked(m_ctx.settings.chkAnimateNote);
    // Only a tick that disagrees with the window shows or hides it, and only then is there a
    // change to record.
    if (ticked && !isShown(slot)) {
        m_ctx.views.showNote(slot, animate);
    } else if (!ticked && isShown(slot)) {
        m_ctx.views.hideNote(slot, animate);
    } else {
        return;
    }
    m_ctx.store.MarkChanged(slot, false);
}

std::optional<QString> NoteLists::lineToolTip(int slot) const {
    if (!m_ctx.store.isValidSlot(slot)) {
        return std::nullopt;
    }
    const NoteRecord& note = m_ctx.store.Notes.at(static_cast<size_t>(slot));
    if (note.AlarmState == QStringLiteral(" ")) {
        return m_ctx.tr.Translation(31);
    }
    const QLocale locale = QLocale::system();
    if (note.AlarmState == QStringLiteral("-")) {
        return m_ctx.tr.Translation(32) + QLatin1Char(' ') + oleDateTimeText(note.AlarmDate) +
               QLatin1Char(' ') + m_ctx.tr.Translation(33);
    }
    if (note.AlarmState == QStringLiteral("E")) {
        if (note.AlarmFreq == QStringLiteral("U") &&
            note.AlarmDate < oledate::fromDateTime(m_ctx.clock.now())) {
            return m_ctx.tr.Translation(34);
        }
        if (m_nextOccurrence) {
            return m_ctx.tr.Translation(32) + QLatin1Char(' ') +
                   locale.toString(m_nextOccurrence(slot), QLocale::ShortFormat) +
                   QLatin1Char(' ') + note.AlarmFreq;
        }
    }
    return std::nullopt;
}

int NoteLists::cmdNewNote_Click() {
    return newNote({});
}

int NoteLists::newNote(const NoteFill& fill) {
    const int listIndex = m_front;
    m_ctx.state.CurrentList = listIndex;
    const NoteDefaultsRecord& defaults = m_ctx.settings.NoteDefaults;

    NoteRecord note;
    note.setTitle(newNoteTitle(m_ctx.settings.txtPrefixNewNote, m_ctx.clock.now()));
    note.ShowScrollBar = defaults.ShowScrollBar;
    note.ShowTitle = defaults.ShowTitle;
    note.List = static_cast<std::int16_t>(listIndex);
    note.Rollup = defaults.Rollup;
    note.RollHeight = defaults.RollHeight;
    note.AutoRoll = defaults.AutoRoll;
    note.AutoDim = defaults.AutoDim;
    note.AlarmPlaySd = defaults.AlarmPlaySd;
    note.AlarmSndFil = defaults.AlarmSndFil.left(width::SoundFile);
    note.AlarmExecut = defaults.AlarmExecut;
    note.AlarmExeFil = defaults.AlarmExeFil.left(width::ExeFile);
    note.AlarmShow = defaults.AlarmShow;
    if (!defaults.AlarmFreq.isEmpty()) {
        note.AlarmFreq = defaults.AlarmFreq.left(1);
    }
    note.AlarmPrev = defaults.AlarmPrev;
    if (!defaults.AlarmPrevTp.isEmpty()) {
        note.AlarmPrevTp = defaults.AlarmPrevTp.left(1);
    }
    note.AlarmRemind = QStringLiteral(" ");
    note.AlarmSpecial = QStringLiteral(" ");
    note.FiletoOpen.clear();
    note.OpenFile = false;
    note.UpdateFile = false;
    note.ImagePath.clear();
    note.ImageKeepRatio = defaults.ImageMode == -2;
    note.ChangeMark = mark::Created;

    NoteWindowState window;
    window.Left = defaults.Left;
    window.Top = defaults.Top;
    placeClearOfOtherNotes(window);
    window.Width = defaults.Width;
    window.Height = defaults.Height;
    window.FontName = defaults.FontName.trimmed().left(width::FontName);
    window.FontSize = defaults.FontSize;
    window.FontBold = defaults.FontBold;
    window.FontItalic = defaults.FontItalic;
    window.FontUnderline = defaults.FontUnderline;
    window.AlwaysOnTop = defaults.AlwaysOnTop;
    window.PictureStretched = defaults.ImageMode != 0;
    window.PictureShown = false;
    window.Visible = false;
    window.Live = true;
    if (Settings::ticked(m_ctx.settings.chkRandomColor)) {
        const NoteColors colors = drawRandomColors(m_random);
        window.BackColor = colors.back;
        window.ForeColor = colors.fore;
    } else {
        window.BackColor = defaults.BackColor;
        window.ForeColor = defaults.ForeColor;
    }

    if (fill)
        fill(note, window);
    const int slot = m_ctx.store.addNote(listIndex, note, window);
    m_ctx.state.CurrentNote = slot;
    m_ctx.views.createNewNoteWindow(slot);
    {
        UpdatingScope updating(m_ctx.store);
        addLine(listIndex, note.Title, false);
    }
    const int pos = m_ctx.store.ListPos.at(static_cast<size_t>(slot));
    selectLine(listIndex, pos);
    setTicked(listIndex, pos, true);
    m_ctx.views.focusText(slot);
    return slot;
}

void NoteLists::placeClearOfOtherNotes(NoteWindowState& window) const {
    // A new note exactly over another one looks as if that note had been emptied: it moves
    // down and right by a title bar's height until no note sits at its place.
    const auto occupied = [this](float left, float top) {
        for (int slot = 0; slot <= m_ctx.store.LastNote(); ++slot) {
            const NoteWindowState& other = m_ctx.store.Windows.at(static_cast<size_t>(slot));
            if (isLive(slot) && other.Left == left && other.Top == top) {
                return true;
            }
        }
        return false;
    };
    for (int step = 0; step <= m_ctx.store.LastNote() && occupied(window.Left, window.Top);
         ++step) {
        window.Left += NewNoteOffset;
        window.Top += NewNoteOffset;
    }
}

void NoteLists::cmdRemove_Click() {
    const int listIndex = m_front;
    m_ctx.state.CurrentList = listIndex;
    const int pos = selectedLine(listIndex);
    const int slot = m_ctx.store.slotAt(listIndex, pos);
    if (slot < 0) {
        return;
    }
    m_ctx.state.CurrentNote = slot;
    if (!isLive(slot)) {
        return;
    }
    const bool afterSending = m_ctx.state.DeleteSentNote;
    if (Settings::ticked(m_ctx.settings.chkConfirmDelete) && !afterSending) {
        setTicked(listIndex, pos, true);
        const NoteWindowState& window = m_ctx.store.Windows.at(static_cast<size_t>(slot));
        MessageBoxOptions options = msgbox::Question;
        options.left = static_cast<int>(window.Left) + 100;
        options.top = static_cast<int>(window.Top) + 100;
        if (m_ctx.messages.Message_box(m_ctx.tr.Translation(41), m_ctx.tr.Translation(42),
                                       options) != 0) {
            return;
        }
    }
    if (Settings::ticked(m_ctx.settings.chkNetWriteLog) && afterSending) {
        m_ctx.log.WriteLog(NetLogName, QStringLiteral("suppression de la note : listindex=") +
                                           QString::number(pos) + QStringLiteral(" iNote=") +
                                           QString::number(slot));
    }
    setTicked(listIndex, pos, false);
    QListWidgetItem* item = list(listIndex)->item(pos);
    {
        UpdatingScope updating(m_ctx.store);
        item->setText(m_ctx.tr.Translation(91));
    }
    m_ctx.views.retireNote(slot);
    m_ctx.store.markDeleted(slot);
    makeInert(item);
    emit listPanelRequested();
    list(listIndex)->setFocus();
    m_ctx.store.MarkChanged(slot, false);
    requestFullSave();
}

void NoteLists::cmdMoveUp_Click() {
    m_ctx.state.CurrentList = m_front;
    const int pos = selectedLine(m_front);
    if (pos - 1 >= 0) {
        SwapLines(pos, pos - 1, m_front);
    }
}

void NoteLists::cmdMoveDown_Click() {
    m_ctx.state.CurrentList = m_front;
    const int pos = selectedLine(m_front);
    if (pos >= 0 && pos + 1 < list(m_front)->count()) {
        SwapLines(pos, pos + 1, m_front);
    }
}

void NoteLists::cmdMoveRight_Click() {
    m_ctx.state.CurrentList = m_front;
    MoveToList(selectedLine(m_front), m_front, m_front + 1);
}

void NoteLists::cmdMoveLeft_Click() {
    m_ctx.state.CurrentList = m_front;
    MoveToList(selectedLine(m_front), m_front, m_front - 1);
}

void NoteLists::SwapLines(int pos1, int pos2, int listIndex) {
    QListWidget* widget = list(listIndex);
    QListWidgetItem* first = widget->item(pos1);
    QListWidgetItem* second = widget->item(pos2);
    if (first == nullptr || second == nullptr || pos1 == pos2) {
        return;
    }
    m_ctx.store.swapLines(listIndex, pos1, pos2);
    {
        UpdatingScope updating(m_ctx.store);
        const QString text = first->text();
        first->setText(second->text());
        second->setText(text);
        const Qt::CheckState state = first->checkState();
        if (state != second->checkState()) {
            first->setCheckState(second->checkState());
            second->setCheckState(state);
        }
        widget->setCurrentRow(pos2);
    }
    requestFullSave();
}

void NoteLists::MoveToList(int pos, int fromList, int toList) {
    if (pos < 0 || toList < 0 || toList > 1 || fromList < 0 || fromList > 1 || fromList == toList) {
        return;
    }
    QListWidget* source = list(fromList);
    QListWidgetItem* item = source->item(pos);
    if (item == nullptr) {
        return;
    }
    const int slot = m_ctx.store.slotAt(fromList, pos);
    int target = -1;
    {
        UpdatingScope updating(m_ctx.store);
        target = m_ctx.store.moveToList(pos, fromList, toList);
        if (target < 0) {
            return;
        }
        addLine(toList, item->text(), item->checkState() == Qt::Checked);
        if (!isLive(slot)) {
            makeInert(list(toList)->item(target));
        }
        delete source->takeItem(pos);
        optSelectList_Click(toList);
        selectLine(toList, target);
    }
    m_ctx.store.MarkChanged(slot, false);
    requestFullSave();
}

void NoteLists::requestFullSave() {
    // The periodic save only runs when DataChanged is set, and then rewrites the files whole
    // while FullSaveNeeded is set: both, or the new order waits for the exit. MarkChanged
    // alone does not do, as it is silent while UpdatingLists is set.
    m_ctx.store.FullSaveNeeded = true;
    m_ctx.store.DataChanged = true;
}

void NoteLists::showAllOrHide(bool show) {
    const int listIndex = m_front;
    m_ctx.state.CurrentList = listIndex;
    for (int pos = 0; pos < list(listIndex)->count(); ++pos) {
        const int slot = m_ctx.store.slotAt(listIndex, pos);
        if (!isLive(slot) || isShown(slot) == show) {
            continue;
        }
        selectLine(listIndex, pos);
        setTicked(listIndex, pos, show);
    }
}

void NoteLists::cmdShowAll_Click() {
    showAllOrHide(true);
}

void NoteLists::cmdHideAll_Click() {
    showAllOrHide(false);
}

void NoteLists::cmdSearch_Click(const QString& searchText) {
    if (searchText.trimmed().isEmpty()) {
        return;
    }
    const int listIndex = m_front;
    m_ctx.state.CurrentList = listIndex;
    for (int pos = 0; pos < list(listIndex)->count(); ++pos) {
        const int slot = m_ctx.store.slotAt(listIndex, pos);
        if (!isLive(slot)) {
            continue;
        }
        const NoteRecord& note = m_ctx.store.Notes.at(static_cast<size_t>(slot));
        const QString& text = m_ctx.store.Windows.at(static_cast<size_t>(slot)).Text;
        const bool inTitle = note.Title.contains(searchText, Qt::CaseInsensitive);
        const qsizetype inText = text.indexOf(searchText, 0, Qt::CaseInsensitive);
        if (!inTitle && inText < 0) {
            continue;
        }
        selectLine(listIndex, pos);
        setTicked(listIndex, pos, true);
        if (!inTitle) {
            m_ctx.views.placeTextCursor(slot, static_cast<int>(inText));
        }
    }
}

void NoteLists::invertSelectedTick() {
    const int pos = selectedLine(m_front);
    if (pos >= 0) {
        setTicked(m_front, pos, !isTicked(m_front, pos));
    }
}

void NoteLists::setRandomSource(std::function<double()> random) {
    m_random = std::move(random);
}

void NoteLists::setNextOccurrence(std::function<QDateTime(int)> nextOccurrence) {
    m_nextOccurrence = std::move(nextOccurrence);
}
