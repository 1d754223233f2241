#include "app/dialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>

namespace orvane {

namespace {
IDialogs* current = nullptr;
} // namespace

IDialogs& Dialogs() {
    static TQtDialogs real;
    return current ? *current : real;
}

void SetDialogs(IDialogs* dialogs) {
    current = dialogs;
}

void TQtDialogs::ShowError(QWidget* parent, const QString& text, std::function<void()> closed) {
    // Not exec(): a box run from a timer's handler would hold that timer until it is closed.
    auto* box = new QMessageBox(QMessageBox::Critical, QApplication::applicationName(), text,
                                QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    if (closed) QObject::connect(box, &QMessageBox::finished, box, [closed] { closed(); });
    box->show();
}

void TQtDialogs::Inform(QWidget* parent, const QString& title, const QString& text) {
    auto* box = new QMessageBox(QMessageBox::Information, title, text, QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

QMessageBox::StandardButton TQtDialogs::Ask(QWidget* parent, const QString& title,
                                            const QString& text,
                                            QMessageBox::StandardButtons buttons,
                                            QMessageBox::Icon icon) {
    QMessageBox box(icon, title, text, buttons, parent);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

bool TQtDialogs::InputQuery(QWidget* parent, const QString& title, const QString& prompt,
                            QString& value) {
    bool ok = false;
    const QString text =
        QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, value, &ok);
    if (ok) value = text;
    return ok;
}

QString IDialogs::ExistingFolder(QWidget* parent, const QString& title, const QString& folder) {
    return QFileDialog::getExistingDirectory(parent, title, folder);
}

QString TQtDialogs::SaveFileName(QWidget* parent, const QString& title, const QString& fileName,
                                 const QString& filter, const QString& defaultSuffix) {
    QFileDialog dialog(parent, title, QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultSuffix.startsWith('.') ? defaultSuffix.mid(1) : defaultSuffix);
    dialog.selectFile(fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

void TQtDialogs::OpenWithDesktop(const QUrl& url) {
    QDesktopServices::openUrl(url);
}

} // namespace orvane
