// The few dialogs the language manager shows, behind an interface so that tests (and the
// translators' build tool) can answer them.
#pragma once

#include <QString>
#include <QStringList>

namespace orvane {

class ILangDialogs {
public:
    virtual ~ILangDialogs() = default;
    // A save-file dialog; filter is "Description (*.ext)|*.EXT". fileName holds the proposed name
    // on entry and the chosen one on return. False when the user cancels.
    virtual bool SaveFileDialog(const QString& title, const QString& filter,
                                const QString& defaultExt, const QString& initialDir,
                                QString& fileName) = 0;
    // A question with the buttons Yes and No; true for Yes.
    virtual bool ConfirmYesNo(const QString& text) = 0;
    // An error box with an OK button.
    virtual void ShowError(const QString& text) = 0;
};

// The real dialogs (file dialog and message boxes).
class TWidgetLangDialogs : public ILangDialogs {
public:
    bool SaveFileDialog(const QString& title, const QString& filter, const QString& defaultExt,
                        const QString& initialDir, QString& fileName) override;
    bool ConfirmYesNo(const QString& text) override;
    void ShowError(const QString& text) override;
};

// Fixed answers: the build tool and the tests use it.
class TScriptedLangDialogs : public ILangDialogs {
public:
    QString SaveAnswer; // empty: the save dialog is cancelled
    bool ConfirmAnswer = true;
    // What was asked, for the tests.
    int SaveCalls = 0;
    QString SaveTitle, SaveFilter, SaveDefaultExt, SaveInitialDir, SaveProposed;
    QStringList Confirmations;
    QStringList Errors;

    bool SaveFileDialog(const QString& title, const QString& filter, const QString& defaultExt,
                        const QString& initialDir, QString& fileName) override;
    bool ConfirmYesNo(const QString& text) override;
    void ShowError(const QString& text) override;
};

} // namespace orvane
