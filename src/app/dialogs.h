// Every dialog, message box and desktop request of the program's windows goes through this
// interface, so that tests can answer them and nothing is launched while testing.
#pragma once

#include <QMessageBox>
#include <QString>
#include <QUrl>

#include <functional>

class QWidget;

namespace orvane {

class IDialogs {
public:
    virtual ~IDialogs() = default;
    // An error that ended a command. The box does not wait for the user: the program, its timer
    // included, goes on while it is open; closed (if given) runs once the user has closed it.
    virtual void ShowError(QWidget* parent, const QString& text, std::function<void()> closed) = 0;
    // A notice that does not wait for the user.
    virtual void Inform(QWidget* parent, const QString& title, const QString& text) = 0;
    virtual QMessageBox::StandardButton Ask(QWidget* parent, const QString& title,
                                            const QString& text,
                                            QMessageBox::StandardButtons buttons,
                                            QMessageBox::Icon icon) = 0;
    // False when cancelled.
    virtual bool InputQuery(QWidget* parent, const QString& title, const QString& prompt,
                            QString& value) = 0;
    // Empty when cancelled. Asks before an existing file is overwritten.
    virtual QString SaveFileName(QWidget* parent, const QString& title, const QString& fileName,
                                 const QString& filter, const QString& defaultSuffix) = 0;
    // Has the desktop open a file or an address with its associated program.
    virtual void OpenWithDesktop(const QUrl& url) = 0;
    // A folder that exists; empty when cancelled.
    virtual QString ExistingFolder(QWidget* parent, const QString& title, const QString& folder);
};

// The real dialogs.
class TQtDialogs : public IDialogs {
public:
    void ShowError(QWidget* parent, const QString& text, std::function<void()> closed) override;
    void Inform(QWidget* parent, const QString& title, const QString& text) override;
    QMessageBox::StandardButton Ask(QWidget* parent, const QString& title, const QString& text,
                                    QMessageBox::StandardButtons buttons,
                                    QMessageBox::Icon icon) override;
    bool InputQuery(QWidget* parent, const QString& title, const QString& prompt,
                    QString& value) override;
    QString SaveFileName(QWidget* parent, const QString& title, const QString& fileName,
                         const QString& filter, const QString& defaultSuffix) override;
    void OpenWithDesktop(const QUrl& url) override;
};

// The one instance the windows use unless a test installs another.
IDialogs& Dialogs();
void SetDialogs(IDialogs* dialogs); // nullptr restores the real dialogs

} // namespace orvane
