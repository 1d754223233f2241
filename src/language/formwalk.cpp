// The per-control half of the language manager: which texts of which kind of control are
// translated and recorded, and the walk over a form's components.
#include "language/langmanager.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTextEdit>

namespace orvane {

namespace {

const QString SCaption = QStringLiteral(".Caption");
const QString SHint = QStringLiteral(".Hint");

// Qt's own children ("qt_scrollarea_viewport", "qt_tabwidget_tabbar", ...) are part of their
// widget, not components of the form.
bool IsInternal(const QObject* o) {
    return o->objectName().startsWith(QStringLiteral("qt_"));
}

bool HasName(const QObject* o) {
    return !o->objectName().isEmpty() && !IsInternal(o);
}

QString Quoted(const QString& s) {
    return u'"' + s + u'"';
}

// A widget shown as a page of a tab widget (its parent is the tab widget's stack).
QTabWidget* TabWidgetOfPage(const QObject* o) {
    const auto* w = qobject_cast<const QWidget*>(o);
    if (!w || !w->parent()) return nullptr;
    auto* stack = qobject_cast<QStackedWidget*>(w->parent());
    if (!stack) return nullptr;
    auto* tabs = qobject_cast<QTabWidget*>(stack->parent());
    if (!tabs || tabs->indexOf(const_cast<QWidget*>(w)) < 0) return nullptr;
    return tabs;
}

void CollectOwned(const QObject* parent, std::vector<QObject*>& out) {
    for (QObject* child : parent->children()) {
        out.push_back(child);
        if (!IsForm(child) && !IsOwnerComposite(child)) CollectOwned(child, out);
    }
}

QStringList LinesOf(const QString& text) {
    if (text.isEmpty()) return {};
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QChar(0x2029), u'\n');
    QStringList lines = t.split(u'\n');
    // A text ending in a line break has no further (empty) line.
    if (lines.size() > 1 && lines.constLast().isEmpty()) lines.removeLast();
    return lines;
}

// Sets a list's texts to exactly the given ones, keeping the data of the rows that stay.
void SetComboItems(QComboBox* box, const QStringList& items) {
    for (int i = 0; i < items.size(); ++i) {
        if (i < box->count())
            box->setItemText(i, items[i]);
        else
            box->addItem(items[i]);
    }
    while (box->count() > items.size())
        box->removeItem(box->count() - 1);
}

void SetListItems(QListWidget* list, const QStringList& items) {
    for (int i = 0; i < items.size(); ++i) {
        if (i < list->count())
            list->item(i)->setText(items[i]);
        else
            list->addItem(items[i]);
    }
    while (list->count() > items.size())
        delete list->takeItem(list->count() - 1);
}

} // namespace

bool IsForm(const QObject* object) {
    return object && object->isWidgetType() && object->property(FormProperty).toBool();
}

bool IsOwnerComposite(const QObject* object) {
    return object && object->property(OwnerProperty).toBool();
}

QObject* OwnerOf(const QObject* object) {
    if (!object) return nullptr;
    for (QObject* p = object->parent(); p; p = p->parent())
        if (IsForm(p) || IsOwnerComposite(p)) return p;
    return nullptr;
}

std::vector<QObject*> OwnedComponents(const QObject* owner) {
    std::vector<QObject*> out;
    if (owner) CollectOwned(owner, out);
    return out;
}

QString TLangManager::ComponentPath(const QString& section, const QObject* component) const {
    // A form's keys use its own name, also when sections are named after classes.
    if (IsForm(component)) return component->objectName();
    const bool byClass = FOptions.testFlag(lmClassNames);
    QString path;
    const QObject* node = component;
    while (node && !node->objectName().isEmpty()) {
        const QString name = byClass ? ClassNameOf(node) : node->objectName();
        if (SameTextAscii(name, section)) break;
        const QObject* owner = OwnerOf(node);
        if (owner && !owner->objectName().isEmpty()) path = node->objectName() + u'.' + path;
        node = owner;
    }
    if (path.startsWith(u'.')) path.remove(0, 1);
    if (path.endsWith(u'.')) path.chop(1);
    return path;
}

void TLangManager::WalkComponents(const TWalkContext& ctx, QObject* root, TOperation operation) {
    QPointer<QObject> guard(root);
    // Pending messages first, as the walk has always allowed; everything below is re-checked
    // afterwards, since a handler may have destroyed part of the form meanwhile.
    if (QCoreApplication::instance()) QCoreApplication::processEvents();
    if (!guard) return;
    (this->*operation)(ctx, root);
    std::vector<QPointer<QObject>> owned;
    for (QObject* o : OwnedComponents(root))
        owned.emplace_back(o);
    for (const QPointer<QObject>& c : owned) {
        if (!c || IsForm(c)) continue;
        (this->*operation)(ctx, c);
        if (c && IsOwnerComposite(c) && !c->children().isEmpty()) WalkComponents(ctx, c, operation);
        if (auto* tabs = qobject_cast<QTabWidget*>(c.data())) {
            QPointer<QTabWidget> tabGuard(tabs);
            for (int i = 0; tabGuard && i < tabs->count(); ++i)
                if (QWidget* page = tabs->widget(i)) (this->*operation)(ctx, page);
        }
    }
}

// ---- readers ------------------------------------------------------------------------------

void TLangManager::ReadCaptionHint(const TWalkContext& ctx, const QObject* c, QString& caption,
                                   QString& hint) const {
    if (!HasName(c)) return;
    const QString path = ComponentPath(ctx.Section, c);
    QString text = ctx.File->ReadString(ctx.Section, path + SCaption, QString());
    if (text.isEmpty()) text = caption;
    caption = UnescapeLineBreaks(Unquote(text));
    if (ctx.File->ValueExists(ctx.Section, path + SHint))
        hint = Unquote(ctx.File->ReadString(ctx.Section, path + SHint, QString()));
    else
        hint = Unquote(hint);
    hint = UnescapeLineBreaks(hint);
}

QString TLangManager::ReadProperty(const TWalkContext& ctx, const QObject* c, const QString& suffix,
                                   const QString& current) const {
    if (!HasName(c)) return current;
    QString text =
        ctx.File->ReadString(ctx.Section, ComponentPath(ctx.Section, c) + suffix, QString());
    if (text.isEmpty()) text = current;
    return Unquote(text);
}

bool TLangManager::ReadListItems(const TWalkContext& ctx, const QObject* c,
                                 QStringList& list) const {
    if (!HasName(c)) return false;
    const QString path = ComponentPath(ctx.Section, c);
    auto key = [&path](int i) { return QStringLiteral("%1.List[%2]").arg(path).arg(i); };
    if (ctx.File->ReadString(ctx.Section, key(0), QString()).isEmpty()) return false;
    // Every list of ours is replaced as a whole: it ends up holding exactly the entries read.
    list.clear();
    for (int i = 0;; ++i) {
        const QString item = Unquote(ctx.File->ReadString(ctx.Section, key(i), QString()));
        if (item.isEmpty()) break;
        list << item;
    }
    return true;
}

void TLangManager::ReadMenuCaptions(const TWalkContext& ctx, QObject* menuBar) const {
    if (!HasName(menuBar)) return;
    auto* bar = qobject_cast<QMenuBar*>(menuBar);
    const QString path = ComponentPath(ctx.Section, menuBar);
    const QList<QAction*> items = bar ? bar->actions() : QList<QAction*>();
    for (int i = 0;; ++i) {
        const QString key = QStringLiteral("%1.Menu[%2]").arg(path).arg(i);
        if (!ctx.File->ValueExists(ctx.Section, key)) break;
        const QString caption = UnquoteQuotedString(ctx.File->ReadString(ctx.Section, key, {}));
        if (i < items.size()) items[i]->setText(caption);
    }
}

// ---- writers ------------------------------------------------------------------------------

void TLangManager::WriteCaptionHint(const TWalkContext& ctx, const QObject* c, QString caption,
                                    QString hint) const {
    if (!HasName(c)) return;
    const QString path = ComponentPath(ctx.Section, c);
    caption = EscapeLineBreaks(caption);
    hint = EscapeLineBreaks(hint);
    if (!caption.isEmpty()) ctx.File->WriteString(ctx.Section, path + SCaption, Quoted(caption));
    if (!hint.isEmpty()) ctx.File->WriteString(ctx.Section, path + SHint, Quoted(hint));
}

void TLangManager::WriteProperty(const TWalkContext& ctx, const QObject* c, const QString& suffix,
                                 const QString& text) const {
    if (!HasName(c) || text.isEmpty()) return;
    ctx.File->WriteString(ctx.Section, ComponentPath(ctx.Section, c) + suffix, Quoted(text));
}

void TLangManager::WriteListItems(const TWalkContext& ctx, const QObject* c,
                                  const QStringList& list) const {
    if (!HasName(c)) return;
    const QString path = ComponentPath(ctx.Section, c);
    if (path.isEmpty()) return;
    for (int i = 0; i < list.size(); ++i)
        ctx.File->WriteString(ctx.Section, QStringLiteral("%1.List[%2]").arg(path).arg(i),
                              Quoted(list[i]));
}

// ---- per kind -----------------------------------------------------------------------------

void TLangManager::TranslateComponent(const TWalkContext& ctx, QObject* component) {
    if (!component || !HasName(component)) return;
    QObject* c = component;

    if (IsForm(c)) {
        auto* w = static_cast<QWidget*>(c);
        QString caption = w->windowTitle();
        QString hint = w->toolTip();
        ReadCaptionHint(ctx, c, caption, hint);
        w->setWindowTitle(caption);
        w->setToolTip(hint);
        w->setStatusTip(hint);
        return;
    }
    if (QTabWidget* tabs = TabWidgetOfPage(c)) {
        auto* page = static_cast<QWidget*>(c);
        const int index = tabs->indexOf(page);
        QString caption = tabs->tabText(index);
        QString hint = tabs->tabToolTip(index);
        ReadCaptionHint(ctx, c, caption, hint);
        tabs->setTabText(index, caption);
        tabs->setTabToolTip(index, hint);
        return;
    }
    if (auto* action = qobject_cast<QAction*>(c)) {
        if (action->isSeparator()) return;
        QString caption = action->text();
        QString hint = action->statusTip();
        ReadCaptionHint(ctx, c, caption, hint);
        action->setText(caption);
        action->setStatusTip(hint);
        action->setToolTip(hint); // an empty tip falls back to the text
        return;
    }
    if (auto* menu = qobject_cast<QMenu*>(c)) {
        QString caption = menu->title();
        QString hint = menu->menuAction()->statusTip();
        ReadCaptionHint(ctx, c, caption, hint);
        menu->setTitle(caption);
        menu->menuAction()->setStatusTip(hint);
        return;
    }
    if (qobject_cast<QMenuBar*>(c)) {
        ReadMenuCaptions(ctx, c);
        return;
    }
    if (auto* button = qobject_cast<QAbstractButton*>(c)) {
        QString caption = button->text();
        QString hint = button->toolTip();
        ReadCaptionHint(ctx, c, caption, hint);
        button->setText(caption);
        button->setToolTip(hint);
        return;
    }
    if (auto* label = qobject_cast<QLabel*>(c)) {
        QString caption = label->text();
        QString hint = label->toolTip();
        ReadCaptionHint(ctx, c, caption, hint);
        label->setText(caption);
        label->setToolTip(hint);
        return;
    }
    if (auto* group = qobject_cast<QGroupBox*>(c)) {
        QString caption = group->title();
        QString hint = group->toolTip();
        ReadCaptionHint(ctx, c, caption, hint);
        group->setTitle(caption);
        group->setToolTip(hint);
        return;
    }
    if (auto* edit = qobject_cast<QLineEdit*>(c)) {
        QString caption = edit->text();
        QString hint = edit->toolTip();
        ReadCaptionHint(ctx, c, caption, hint);
        edit->setText(caption);
        edit->setToolTip(hint);
        return;
    }
    if (qobject_cast<QTableView*>(c) || qobject_cast<QTabBar*>(c)) {
        auto* w = static_cast<QWidget*>(c);
        QString caption;
        QString hint = w->toolTip();
        ReadCaptionHint(ctx, c, caption, hint);
        w->setToolTip(hint);
        return;
    }
    if (auto* rich = qobject_cast<QTextEdit*>(c)) {
        QStringList lines = LinesOf(rich->toPlainText());
        if (ReadListItems(ctx, c, lines)) rich->setPlainText(lines.join(u'\n'));
        return;
    }
    if (auto* list = qobject_cast<QListWidget*>(c)) {
        QStringList items;
        for (int i = 0; i < list->count(); ++i)
            items << list->item(i)->text();
        const int selected = list->currentRow();
        if (ReadListItems(ctx, c, items)) {
            SetListItems(list, items);
            list->setCurrentRow(selected < list->count() ? selected : -1);
        }
        return;
    }
    if (auto* combo = qobject_cast<QComboBox*>(c)) {
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        const int selected = combo->currentIndex();
        if (ReadListItems(ctx, c, items)) {
            SetComboItems(combo, items);
            combo->setCurrentIndex(selected < combo->count() ? selected : -1);
        }
        return;
    }
    // Tab widgets (their pages are visited by the walk), plain text edits, trees, charts,
    // timers and everything else: nothing.
}

void TLangManager::BuildComponent(const TWalkContext& ctx, QObject* component) {
    if (!component || !HasName(component)) return;
    QObject* c = component;
    if (c->property(TagProperty).toInt() == NoBuildTag) return;

    if (IsForm(c)) {
        auto* w = static_cast<QWidget*>(c);
        WriteCaptionHint(ctx, c, w->windowTitle(),
                         w->toolTip().isEmpty() ? w->statusTip() : w->toolTip());
        return;
    }
    if (QTabWidget* tabs = TabWidgetOfPage(c)) {
        const int index = tabs->indexOf(static_cast<QWidget*>(c));
        WriteCaptionHint(ctx, c, tabs->tabText(index), tabs->tabToolTip(index));
        return;
    }
    if (auto* action = qobject_cast<QAction*>(c)) {
        WriteCaptionHint(ctx, c, action->isSeparator() ? QStringLiteral("-") : action->text(),
                         action->statusTip());
        return;
    }
    if (auto* menu = qobject_cast<QMenu*>(c)) {
        WriteCaptionHint(ctx, c, menu->title(), menu->menuAction()->statusTip());
        return;
    }
    if (auto* bar = qobject_cast<QMenuBar*>(c)) {
        // Translation reads these; recording them tells translators that the keys exist.
        const QString path = ComponentPath(ctx.Section, c);
        const QList<QAction*> items = bar->actions();
        for (int i = 0; i < items.size(); ++i)
            ctx.File->WriteString(ctx.Section, QStringLiteral("%1.Menu[%2]").arg(path).arg(i),
                                  QuoteQuotedString(items[i]->isSeparator() ? QStringLiteral("-")
                                                                            : items[i]->text()));
        return;
    }
    if (auto* button = qobject_cast<QAbstractButton*>(c)) {
        WriteCaptionHint(ctx, c, button->text(), button->toolTip());
        return;
    }
    if (auto* label = qobject_cast<QLabel*>(c)) {
        WriteCaptionHint(ctx, c, label->text(), label->toolTip());
        return;
    }
    if (auto* group = qobject_cast<QGroupBox*>(c)) {
        WriteCaptionHint(ctx, c, group->title(), group->toolTip());
        return;
    }
    if (qobject_cast<QLineEdit*>(c) || qobject_cast<QTableView*>(c) || qobject_cast<QTabBar*>(c) ||
        qobject_cast<QTabWidget*>(c)) {
        WriteCaptionHint(ctx, c, QString(), static_cast<QWidget*>(c)->toolTip());
        return;
    }
    if (auto* memo = qobject_cast<QPlainTextEdit*>(c)) {
        WriteProperty(ctx, c, SHint, memo->toolTip());
        return;
    }
    if (auto* rich = qobject_cast<QTextEdit*>(c)) {
        WriteListItems(ctx, c, LinesOf(rich->toPlainText()));
        return;
    }
    if (auto* list = qobject_cast<QListWidget*>(c)) {
        QStringList items;
        for (int i = 0; i < list->count(); ++i)
            items << list->item(i)->text();
        WriteListItems(ctx, c, items);
        return;
    }
    if (auto* combo = qobject_cast<QComboBox*>(c)) {
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        WriteListItems(ctx, c, items);
        return;
    }
}

} // namespace orvane
