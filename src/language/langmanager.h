// The language manager: finds the language files of a folder, loads one with its common file,
// answers message-text look-ups, translates forms and, in build mode, records the built-in texts
// into an original language file and a common file.
//
// Object-tree conventions the walk relies on:
// - a form is a QWidget with the dynamic property "orvaneForm" = true; its objectName is the
//   component name and its meta-object class name the class name;
// - a named composite that owns its children carries "orvaneOwner" = true;
// - the owner of an object is its nearest ancestor that is a form or such a composite; every
//   other parent (layouts, splitters, plain containers, menus, menu bars) is transparent;
// - the dynamic property "tag" = 98 keeps a control out of build mode;
// - objects without objectName, and Qt's own "qt_..." children, are never touched.
#pragma once

#include "language/langdialogs.h"
#include "language/langfile.h"

#include <QEvent>
#include <QFlags>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QWidget;

namespace orvane {

class TLangComponent;

// The message a language component handles to translate its form (sent on a language change,
// posted once at registration).
constexpr int WM_TRANSLATEFORM = 4044;
inline QEvent::Type TranslateFormEventType() {
    return QEvent::Type(QEvent::User + WM_TRANSLATEFORM);
}

enum TLMOption { lmNumUnits = 0x1, lmClassNames = 0x2 };
Q_DECLARE_FLAGS(TLMSetOptions, TLMOption)

// Dynamic property names of the object-tree conventions.
inline constexpr const char* FormProperty = "orvaneForm";
inline constexpr const char* OwnerProperty = "orvaneOwner";
inline constexpr const char* TagProperty = "tag";
constexpr int NoBuildTag = 98;

bool IsForm(const QObject* object);
bool IsOwnerComposite(const QObject* object);
// The nearest ancestor that is a form or an owner composite, or none.
QObject* OwnerOf(const QObject* object);
// What the owner owns, in creation order; forms and composites below it are listed but not
// entered.
std::vector<QObject*> OwnedComponents(const QObject* owner);
// The meta-object class name without its C++ namespace.
QString ClassNameOf(const QObject* object);

class TLangManager : public QObject {
    Q_OBJECT
public:
    explicit TLangManager(QObject* parent = nullptr);
    ~TLangManager() override;

    // The title of the application: the name of the header section of a language file.
    QString ApplicationTitle() const { return FApplicationTitle; }
    void SetApplicationTitle(const QString& title) { FApplicationTitle = title; }

    QString AppFileName() const { return FAppFileName; }
    void SetAppFileName(const QString& fileName);

    QString LanguageFolder() const { return FLanguageFolder; }
    void SetLanguageFolder(const QString& folder);

    QString Language() const { return Unquote(FLanguage); }
    void SetLanguage(const QString& language);
    // The value as read from the file, quotes included.
    QString StoredLanguage() const { return FLanguage; }

    QString Created() const { return FCreated; }
    void SetCreated(const QString& v) { FCreated = v; }
    QString Modified() const { return FModified; }
    void SetModified(const QString& v) { FModified = v; }
    QString Version() const { return FVersion; }
    void SetVersion(const QString& v) { FVersion = v; }

    bool BuildLanguage() const { return FBuildLanguage; }
    void SetBuildLanguage(bool on);

    QString LangExtension() const { return FLangExtension; }
    void SetLangExtension(const QString& ext) { FLangExtension = ext; }

    TLMSetOptions Options() const { return FOptions; }
    void SetOptions(TLMSetOptions options) { FOptions = options; }

    std::function<void(TLangManager*)> OnBeforeLanguageChanged;

    int LanguageCount() const { return int(FLanguageNames.size()); }
    QString LanguageName(int index) const;
    QString LanguageFile(int index) const;

    void TranslateForm(QWidget* form, bool force, bool useCommon);
    void ReadText(const QString& section, const QString& identifier, bool useCommon, QString& text);
    // The system's 8-bit texts (UTF-8 on Linux).
    void ReadText(const QString& section, const QString& identifier, bool useCommon,
                  std::string& text);

    // Tells the user, once per language, that these texts of its files were not used (their
    // place holders differ from those of the built-in texts).
    void ReportRefusedTexts(const QStringList& identifiers);

    // Not owned; none restores the real dialogs.
    void SetDialogs(ILangDialogs* dialogs);
    ILangDialogs* Dialogs() const { return FDialogs; }

    // State for the app and the tests.
    QString CommonFileName() const { return FCommonFileName; }
    QString BuildFileName() const { return FBuildFileName; }
    void SetBuildFileName(const QString& name) { FBuildFileName = name; }
    bool BuildCancelled() const { return FBuildCancelled; }
    bool BuildPending() const { return FBuildPending; }
    // True once a file of the build could not be written (the message was shown once).
    bool BuildWriteFailed() const { return FBuildWriteFailed; }
    const TLangFile* AppFile() const { return FAppFile.get(); }
    const TLangFile* CommonFile() const { return FCommonFile.get(); }
    const QStringList& TranslatedForms() const { return FTranslatedForms; }
    std::vector<TLangComponent*> Components() const;

    // The section of a form: its name, or its class name with lmClassNames.
    QString FormSection(const QWidget* form) const;
    QString ComponentPath(const QString& section, const QObject* component) const;

    // Registration by the language components.
    void RegisterComponent(TLangComponent* component);
    void UnregisterComponent(TLangComponent* component);

protected:
    struct TWalkContext {
        std::shared_ptr<TLangFile> File;
        QString Section;
    };
    using TOperation = void (TLangManager::*)(const TWalkContext&, QObject*);

    virtual void BuildComponent(const TWalkContext& ctx, QObject* component);
    virtual void TranslateComponent(const TWalkContext& ctx, QObject* component);
    void WalkComponents(const TWalkContext& ctx, QObject* root, TOperation operation);

private:
    bool ScanLanguageFolder(const QString& folder);
    void LoadCommonFile(const QString& name);
    void PrepareBuild();
    void SendTranslate(size_t from);
    void SaveBuildFile(const TLangFile& file);
    std::shared_ptr<TLangFile> FileFor(bool useCommon) const;

    // Readers and writers of the per-control work.
    void ReadCaptionHint(const TWalkContext& ctx, const QObject* c, QString& caption,
                         QString& hint) const;
    QString ReadProperty(const TWalkContext& ctx, const QObject* c, const QString& suffix,
                         const QString& current) const;
    bool ReadListItems(const TWalkContext& ctx, const QObject* c, QStringList& list) const;
    void ReadMenuCaptions(const TWalkContext& ctx, QObject* menuBar) const;
    void WriteCaptionHint(const TWalkContext& ctx, const QObject* c, QString caption,
                          QString hint) const;
    void WriteProperty(const TWalkContext& ctx, const QObject* c, const QString& suffix,
                       const QString& text) const;
    void WriteListItems(const TWalkContext& ctx, const QObject* c, const QStringList& list) const;

    QString FApplicationTitle = QStringLiteral("Orvane");
    QString FAppFileName;
    QString FLanguageFolder;
    QString FLanguage = QStringLiteral("\"English\"");
    QString FCreated;
    QString FModified;
    QString FVersion;
    bool FBuildLanguage = false;
    QString FLangExtension = QStringLiteral(".lan");
    TLMSetOptions FOptions = lmNumUnits;

    QStringList FLanguageNames;
    QStringList FLanguageFiles;
    std::shared_ptr<TLangFile> FAppFile;
    std::shared_ptr<TLangFile> FCommonFile;
    QString FCommonFileName = QStringLiteral("Common.ori");
    QString FBuildFileName;
    bool FBuildPending = true;
    bool FBuildCancelled = false;
    bool FBuildWriteFailed = false;
    QStringList FTranslatedForms;
    QStringList FRefusedReported; // languages whose refused texts were reported
    std::vector<QPointer<TLangComponent>> FComponents;

    TWidgetLangDialogs FWidgetDialogs;
    ILangDialogs* FDialogs = &FWidgetDialogs;
};

} // namespace orvane

Q_DECLARE_OPERATORS_FOR_FLAGS(orvane::TLMSetOptions)
