// Menus and menu items made under their component names, by which the language files and the
// form walk find them.
#pragma once

#include <QAction>
#include <QMenu>
#include <QString>

namespace orvane {

inline QAction* NamedAction(QObject* parent, const char* name, const QString& text) {
    auto* a = new QAction(text, parent);
    a->setObjectName(name);
    return a;
}

inline QAction* NamedSeparator(QMenu* menu, const char* name) {
    QAction* a = menu->addSeparator();
    a->setObjectName(name);
    return a;
}

inline QMenu* NamedMenu(QWidget* parent, const char* name, const QString& title) {
    auto* m = new QMenu(title, parent);
    m->setObjectName(name);
    return m;
}

} // namespace orvane
