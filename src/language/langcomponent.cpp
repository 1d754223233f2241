#include "language/langcomponent.h"

#include "language/langmanager.h"

#include <QCoreApplication>
#include <QWidget>

namespace orvane {

TLangComponent::TLangComponent(QObject* owner) : QObject(owner) {
    setObjectName(QStringLiteral("LangComponent1"));
    // The owner as the walk sees it: the parent itself or the nearest form above a container.
    QObject* form = IsForm(owner) ? owner : OwnerOf(this);
    if (IsForm(form)) FForm = static_cast<QWidget*>(form);
}

TLangComponent::~TLangComponent() {
    if (FLanManager) FLanManager->UnregisterComponent(this);
}

void TLangComponent::SetLanManager(TLangManager* manager) {
    if (!manager) return;
    // One list at a time: a component handed to another manager leaves the former one's list.
    if (FLanManager && FLanManager != manager) FLanManager->UnregisterComponent(this);
    FLanManager = manager;
    manager->RegisterComponent(this);
    QCoreApplication::postEvent(this, new QEvent(TranslateFormEventType()));
}

void TLangComponent::ManagerRemoved(TLangManager* manager) {
    if (FLanManager == manager) FLanManager = nullptr;
}

bool TLangComponent::event(QEvent* event) {
    if (event->type() != TranslateFormEventType()) return QObject::event(event);
    // The form may have declared itself after creating its children; look once more.
    if (!FForm) {
        QObject* form = IsForm(parent()) ? parent() : OwnerOf(this);
        if (IsForm(form)) FForm = static_cast<QWidget*>(form);
    }
    if (FForm && FLanManager) {
        FLanManager->TranslateForm(FForm, true, FUseCommonLanguageFile);
        if (OnLanguageChanged) OnLanguageChanged(this);
    }
    return true;
}

TLangComponent* LangComponentOf(const QWidget* form) {
    if (!form) return nullptr;
    return form->findChild<TLangComponent*>(QString(), Qt::FindDirectChildrenOnly);
}

} // namespace orvane
