#include "language/langdialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

namespace orvane {

namespace {
// "Original Language Files (*.ori)|*.ORI" -> "Original Language Files (*.ori *.ORI)".
QString QtFilter(const QString& filter) {
    const QStringList parts = filter.split(u'|');
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString desc = parts[i];
        const qsizetype open = desc.indexOf(u'(');
        if (open >= 0) desc = desc.left(open).trimmed();
        out << desc + QStringLiteral(" (") + parts[i + 1].split(u';').join(u' ') + u' ' +
                   parts[i + 1].split(u';').join(u' ').toLower() + u')';
    }
    return out.isEmpty() ? filter : out.join(QStringLiteral(";;"));
}
} // namespace

bool TWidgetLangDialogs::SaveFileDialog(const QString& title, const QString& filter,
                                        const QString& defaultExt, const QString& initialDir,
                                        QString& fileName) {
    QFileDialog dialog(QApplication::activeWindow(), title, initialDir, QtFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    QString ext = defaultExt;
    if (ext.startsWith(u'.')) ext.remove(0, 1);
    dialog.setDefaultSuffix(ext);
    dialog.selectFile(fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    fileName = dialog.selectedFiles().constFirst();
    return true;
}

bool TWidgetLangDialogs::ConfirmYesNo(const QString& text) {
    return QMessageBox::question(QApplication::activeWindow(), QCoreApplication::applicationName(),
                                 text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void TWidgetLangDialogs::ShowError(const QString& text) {
    QMessageBox::critical(QApplication::activeWindow(), QCoreApplication::applicationName(), text,
                          QMessageBox::Ok);
}

bool TScriptedLangDialogs::SaveFileDialog(const QString& title, const QString& filter,
                                          const QString& defaultExt, const QString& initialDir,
                                          QString& fileName) {
    ++SaveCalls;
    SaveTitle = title;
    SaveFilter = filter;
    SaveDefaultExt = defaultExt;
    SaveInitialDir = initialDir;
    SaveProposed = fileName;
    if (SaveAnswer.isEmpty()) return false;
    fileName = SaveAnswer;
    return true;
}

bool TScriptedLangDialogs::ConfirmYesNo(const QString& text) {
    Confirmations << text;
    return ConfirmAnswer;
}

void TScriptedLangDialogs::ShowError(const QString& text) {
    Errors << text;
}

} // namespace orvane
