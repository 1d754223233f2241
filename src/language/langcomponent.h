// The language component: a non-visual child of a form that registers the form with a language
// manager and translates it when asked (once after registration, and at every language change).
#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

#include <QWidget>

namespace orvane {

class TLangManager;

class TLangComponent : public QObject {
    Q_OBJECT
public:
    // The form is the owner when the owner is a form; otherwise the component never translates.
    explicit TLangComponent(QObject* owner);
    ~TLangComponent() override;

    TLangManager* LanManager() const { return FLanManager; }
    // Registers with the manager and posts a translation of the form. None is ignored: the
    // registration cannot be cleared this way.
    void SetLanManager(TLangManager* manager);

    bool UseCommonLanguageFile() const { return FUseCommonLanguageFile; }
    void SetUseCommonLanguageFile(bool on) { FUseCommonLanguageFile = on; }

    QWidget* Form() const { return FForm; }

    // Fired after the form was translated in answer to the translation message.
    std::function<void(TLangComponent*)> OnLanguageChanged;

    // Removal notice from a manager that is going away.
    void ManagerRemoved(TLangManager* manager);

protected:
    bool event(QEvent* event) override;

private:
    QPointer<TLangManager> FLanManager;
    bool FUseCommonLanguageFile = false;
    QPointer<QWidget> FForm;
};

// The language component among the children of a form, if any.
TLangComponent* LangComponentOf(const QWidget* form);

} // namespace orvane
