#include "language/langmanager.h"

#include "language/langcomponent.h"
#include "recorder/datetime.h"
#include "recorder/textformat.h"
#include "views/recordedtext.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QWidget>

namespace orvane {

namespace {

QString FormatText(const QString& format, const QString& arg) {
    return FromUtf8Text(SafeFormat(ToUtf8Text(format), {ToUtf8Text(arg)}));
}

QString Quoted(const QString& s) {
    return u'"' + s + u'"';
}

QString TodayText() {
    return FromSystemText(DateText(Now())); // in the locale's formats, made system text
}

bool EndsWithSeparator(const QString& path) {
    return path.endsWith(u'/') || path.endsWith(u'\\');
}

// A common file is named relative to the language folder. A name that climbs out of it (an
// absolute path, a ".." part) is cut to its file name: in build mode that file is deleted and
// rewritten, so a hostile language file must not be able to point anywhere else.
QString SafeRelativeName(QString name) {
    name.replace(u'\\', u'/');
    const QStringList parts = name.split(u'/', Qt::SkipEmptyParts);
    const bool climbs = QDir::isAbsolutePath(name) || parts.contains(QStringLiteral("..")) ||
                        (name.size() >= 2 && name[1] == u':');
    if (climbs) return parts.isEmpty() ? QString() : parts.constLast();
    return name;
}

QString ExecutableFilePath() {
    return QCoreApplication::instance() ? QCoreApplication::applicationFilePath() : QString();
}

QString ExecutableDir() {
    return QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                        : QDir::currentPath();
}

} // namespace

QString ClassNameOf(const QObject* object) {
    // Without the C++ namespace: the section reads "TfmActivity", not "orvane::TfmActivity".
    const QString name = QString::fromLatin1(object->metaObject()->className());
    const qsizetype colon = name.lastIndexOf(QStringLiteral("::"));
    return colon < 0 ? name : name.mid(colon + 2);
}

TLangManager::TLangManager(QObject* parent) : QObject(parent) {
    FCreated = Quoted(TodayText() + QStringLiteral(" Orvane developers"));
}

TLangManager::~TLangManager() {
    // Removal notice: the components forget this manager; the list goes away with it.
    const auto components = FComponents;
    FComponents.clear();
    for (const auto& c : components)
        if (c) c->ManagerRemoved(this);
}

QString TLangManager::LanguageName(int index) const {
    if (index < 0 || index >= FLanguageNames.size()) return {};
    return Unquote(FLanguageNames[index]);
}

QString TLangManager::LanguageFile(int index) const {
    if (index < 0 || index >= FLanguageFiles.size()) return {};
    return FLanguageFiles[index];
}

void TLangManager::SetDialogs(ILangDialogs* dialogs) {
    FDialogs = dialogs ? dialogs : &FWidgetDialogs;
}

std::vector<TLangComponent*> TLangManager::Components() const {
    std::vector<TLangComponent*> out;
    for (const auto& c : FComponents)
        if (c) out.push_back(c.data());
    return out;
}

void TLangManager::RegisterComponent(TLangComponent* component) {
    for (const auto& c : FComponents)
        if (c == component) return;
    FComponents.emplace_back(component);
}

void TLangManager::UnregisterComponent(TLangComponent* component) {
    std::erase_if(FComponents, [component](const QPointer<TLangComponent>& c) {
        return c.isNull() || c.data() == component;
    });
}

void TLangManager::SetLanguageFolder(const QString& folder) {
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) return;
    QString v = folder;
    if (!EndsWithSeparator(v)) v += u'/';
    if (ScanLanguageFolder(v)) FLanguageFolder = v;
}

bool TLangManager::ScanLanguageFolder(const QString& folder) {
    FLanguageNames.clear();
    FLanguageFiles.clear();
    // Sorted by name so that the menu shows the languages in the same order on every run.
    QDir dir(folder);
    const QStringList entries =
        dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name | QDir::IgnoreCase);
    for (const QString& name : entries) {
        if (FLangExtension.isEmpty() || !name.endsWith(FLangExtension, Qt::CaseInsensitive))
            continue;
        TLangFile file(folder + name);
        if (file.KeyCount(FApplicationTitle) == 0) continue;
        FLanguageNames << StripEnclosingQuotes(
            file.ReadString(FApplicationTitle, QStringLiteral("Language"), QString()));
        FLanguageFiles << name;
    }
    return !FLanguageNames.isEmpty();
}

void TLangManager::SetLanguage(const QString& language) {
    qsizetype index = -1;
    for (qsizetype i = 0; i < FLanguageNames.size(); ++i)
        if (FLanguageNames[i].compare(language, Qt::CaseInsensitive) == 0) {
            index = i;
            break;
        }
    if (index < 0) return;
    SetAppFileName(FLanguageFolder + FLanguageFiles[index]);
    if (SameTextAscii(language, FLanguage)) return;
    FLanguage = language;
    if (OnBeforeLanguageChanged) OnBeforeLanguageChanged(this);
    FTranslatedForms.clear();
    SendTranslate(0);
}

void TLangManager::SendTranslate(size_t from) {
    // A copy: a translation may register or destroy components.
    const auto components = FComponents;
    for (size_t i = from; i < components.size(); ++i) {
        if (!components[i]) continue;
        QEvent event(TranslateFormEventType());
        QCoreApplication::sendEvent(components[i].data(), &event);
    }
}

void TLangManager::SetAppFileName(const QString& fileName) {
    FAppFileName = fileName;
    if (!FBuildLanguage) {
        FAppFile = std::make_shared<TLangFile>(fileName);
        const QString header = FApplicationTitle;
        FLanguage = FAppFile->ReadString(header, QStringLiteral("Language"), Language());
        FCreated = FAppFile->ReadString(header, QStringLiteral("Created"), FCreated);
        FModified = FAppFile->ReadString(header, QStringLiteral("Modified"), FModified);
        FVersion = FAppFile->ReadString(header, QStringLiteral("Version"), FVersion);
        LoadCommonFile(FAppFile->ReadString(header, QStringLiteral("CommonLanguageFile"),
                                            QFileInfo(FCommonFileName).fileName()));
    }
    FTranslatedForms.clear();
}

void TLangManager::LoadCommonFile(const QString& name) {
    FCommonFileName = FLanguageFolder + SafeRelativeName(Unquote(name));
    FCommonFile = std::make_shared<TLangFile>(FCommonFileName);
    if (!FBuildLanguage && !QFileInfo(FCommonFileName).isFile())
        FDialogs->ShowError(FormatText(QStringLiteral("Error reading common language file :\r\n%s"),
                                       QDir::toNativeSeparators(FCommonFileName)));
}

void TLangManager::SetBuildLanguage(bool on) {
    FBuildLanguage = on;
    if (on) PrepareBuild();
}

void TLangManager::PrepareBuild() {
    if (!FBuildLanguage || !FBuildPending) return;
    FBuildPending = false;

    QString fileName = FBuildFileName;
    if (fileName.isEmpty()) {
        const QFileInfo exe(ExecutableFilePath());
        fileName =
            exe.completeBaseName().isEmpty()
                ? QStringLiteral("Orvane.ori")
                : exe.absolutePath() + u'/' + exe.completeBaseName() + QStringLiteral(".ori");
    }
    const QString initialDir = !FLanguageFolder.isEmpty() && QFileInfo(FLanguageFolder).isDir()
                                   ? FLanguageFolder
                                   : ExecutableDir();
    if (!FDialogs->SaveFileDialog(QStringLiteral("Build Language File"),
                                  QStringLiteral("Original Language Files (*.ori)|*.ORI"),
                                  QStringLiteral(".ori"), initialDir, fileName)) {
        FBuildCancelled = true;
    } else {
        FBuildFileName = fileName;
        QFile::remove(FBuildFileName); // a failure shows when the new content is saved
        const QString today = TodayText();
        FAppFile = std::make_shared<TLangFile>();
        FAppFile->SetFileName(FBuildFileName);
        // The common file goes beside the original file, and the header names it without a
        // folder, so that the pair works wherever the translator puts it.
        const QString commonName = QFileInfo(FCommonFileName).fileName().isEmpty()
                                       ? QStringLiteral("Common.ori")
                                       : QFileInfo(FCommonFileName).fileName();
        FCommonFileName = QFileInfo(FBuildFileName).absolutePath() + u'/' + commonName;
        const QString header = FApplicationTitle;
        FAppFile->WriteString(header, QStringLiteral("Language"), QStringLiteral("\"ORIGINAL\""));
        FAppFile->WriteString(header, QStringLiteral("Created"), today);
        FAppFile->WriteString(header, QStringLiteral("Modified"), today);
        FAppFile->WriteString(header, QStringLiteral("Version"), QStringLiteral("0.0.0"));
        FAppFile->WriteString(header, QStringLiteral("CommonLanguageFile"), Quoted(commonName));

        if (FDialogs->ConfirmYesNo(
                FormatText(QStringLiteral("Do you want to delete the common language file : "
                                          "\r\n\r\n%s"),
                           QDir::toNativeSeparators(FCommonFileName))))
            QFile::remove(FCommonFileName);
        FCommonFile = std::make_shared<TLangFile>(FCommonFileName);
        const QString common = QStringLiteral("Common");
        FCommonFile->WriteString(common, QStringLiteral("Language"),
                                 QStringLiteral("\"ORIGINAL\""));
        FCommonFile->WriteString(common, QStringLiteral("Created"), today);
        FCommonFile->WriteString(common, QStringLiteral("Modified"), today);
        FCommonFile->WriteString(common, QStringLiteral("Version"), QStringLiteral("0.0.0"));
    }
    if (OnBeforeLanguageChanged) OnBeforeLanguageChanged(this);
    // The first component is the one whose translation request got us here.
    SendTranslate(1);
}

void TLangManager::ReportRefusedTexts(const QStringList& identifiers) {
    if (FRefusedReported.contains(FLanguage)) return;
    FRefusedReported << FLanguage;
    const QString file = FAppFile ? QDir::toNativeSeparators(FAppFile->FileName()) : Language();
    FDialogs->ShowError(FromUtf8Text(SafeFormat(
        "The language file \"%s\" gives texts whose %% place holders differ from those of the "
        "built-in texts; the built-in texts are used instead:\r\n%s",
        {ToFileName(file), ToUtf8Text(identifiers.join(QStringLiteral(", ")))})));
}

void TLangManager::SaveBuildFile(const TLangFile& file) {
    QString error;
    if (file.SaveToFile(&error)) return;
    if (!FBuildWriteFailed)
        FDialogs->ShowError(FromUtf8Text(SafeFormat(
            "Cannot create file \"%s\". %s",
            {ToFileName(QDir::toNativeSeparators(file.FileName())), ToUtf8Text(error)})));
    FBuildWriteFailed = true;
}

std::shared_ptr<TLangFile> TLangManager::FileFor(bool useCommon) const {
    return useCommon ? FCommonFile : FAppFile;
}

QString TLangManager::FormSection(const QWidget* form) const {
    if (FOptions.testFlag(lmClassNames)) return ClassNameOf(form);
    return form->objectName();
}

void TLangManager::TranslateForm(QWidget* form, bool force, bool useCommon) {
    PrepareBuild();
    if (!form || !FAppFile) return;
    const QString name = form->objectName();
    if (!force && FTranslatedForms.contains(name, Qt::CaseInsensitive)) return;
    const TWalkContext ctx{FileFor(useCommon), FormSection(form)};
    QPointer<QWidget> guard(form);
    if (FBuildLanguage) {
        if (!FBuildCancelled && ctx.File) {
            WalkComponents(ctx, form, &TLangManager::BuildComponent);
            if (FAppFile) SaveBuildFile(*FAppFile);
            if (FCommonFile) SaveBuildFile(*FCommonFile);
        }
    } else if (!name.isEmpty() && ctx.File) {
        WalkComponents(ctx, form, &TLangManager::TranslateComponent);
    }
    FTranslatedForms << name;
}

void TLangManager::ReadText(const QString& section, const QString& identifier, bool useCommon,
                            QString& text) {
    PrepareBuild();
    const std::shared_ptr<TLangFile> file = FileFor(useCommon);
    if (!file) return;
    if (FBuildLanguage) {
        if (FBuildCancelled) return;
        // Only the file gets the escaped form; the caller keeps its real line breaks.
        file->WriteString(section, identifier, Quoted(EscapeLineBreaks(text)));
        SaveBuildFile(*file);
        return;
    }
    if (!file->ValueExists(section, identifier)) return;
    text = Unquote(UnescapeLineBreaks(file->ReadString(section, identifier, QString())));
}

void TLangManager::ReadText(const QString& section, const QString& identifier, bool useCommon,
                            std::string& text) {
    QString t = FromSystemText(text);
    ReadText(section, identifier, useCommon, t);
    text = ToSystemText(t);
}

} // namespace orvane
