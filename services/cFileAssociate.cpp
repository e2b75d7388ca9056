#include "services/cFileAssociate.h"

#include "platform/Registry.h"
#include "services/DesktopAssociation.h"
#include "services/MessageBoxes.h"
#include "services/SettingsContext.h"
#include "services/sabout.h"

namespace {

const QChar kQuote = QLatin1Char('"');

QString Quoted(const QString& text) { return kQuote + text + kQuote; }

QString DefaultText(const TRegistry& registry, const QString& key)
{
    const std::optional<TRegistryValue> value = registry.ReadValue(key, QString());
    return value && value->Type == TRegistryValueType::string ? value->Text : QString();
}

// "bld" of ".bld"; "Unknown" when nothing is left.
QString ExtensionStem(const QString& extension)
{
    QString stem = extension.isEmpty() ? QStringLiteral(".Unknown") : extension;
    if (stem.startsWith(QLatin1Char('.')))
        stem.remove(0, 1);
    return stem.isEmpty() ? QStringLiteral("Unknown") : stem;
}

}  // namespace

QString CommandProgram(const QString& command)
{
    const QString text = command.trimmed();
    if (text.startsWith(kQuote)) {
        const qsizetype end = text.indexOf(kQuote, 1);
        return end < 0 ? text.mid(1) : text.mid(1, end - 1);
    }
    qsizetype end = 0;
    while (end < text.size() && text[end] != QLatin1Char(' ') && text[end] != kQuote)
        ++end;
    return text.left(end);
}

TFileAssociate::TFileAssociate(const TSettingsContext& context, TMessageBoxes& messages, QString ownExecutable)
    : context_(context), messages_(messages), ownExecutable_(std::move(ownExecutable))
{
}

QString TFileAssociate::RegisteredApp()
{
    if (registeredApp_.isEmpty())
        RegisteredToMe();
    return registeredApp_;
}

void TFileAssociate::Loaded()
{
    const TRegistry classes(context_.Registry(), TRegistryRoot::classesRoot);
    const QString type = DefaultText(classes, Extension);
    if (!type.isEmpty()) {
        TypeName = type;
        const QString description = DefaultText(classes, TypeName);
        if (!description.isEmpty())
            Description = description;
    }
    if (TypeName.isEmpty())
        TypeName = ExtensionStem(Extension) + QStringLiteral(".Document");
    if (Description.isEmpty())
        Description = ExtensionStem(Extension) + QStringLiteral(" file");
    if (AutoCheck)
        Check();
}

bool TFileAssociate::RegisteredToMe()
{
    registeredApp_.clear();
    const TRegistry classes(context_.Registry(), TRegistryRoot::classesRoot);
    const QString type = DefaultText(classes, Extension);
    if (!type.isEmpty()) {
        const QString command = QStringLiteral("\\") + type + QStringLiteral("\\shell\\") + Action + QStringLiteral("\\command");
        if (classes.KeyExists(command))
            registeredApp_ = CommandProgram(DefaultText(classes, command));
    }
    return registeredApp_.toLower() == ownExecutable_.toLower();
}

void TFileAssociate::RegisterToMe()
{
    registeredApp_ = ownExecutable_;
    RegisterToApplication();
}

void TFileAssociate::RegisterToApplication()
{
    if (Action.isEmpty() || TypeName.isEmpty())
        throw EFileAssociateError(QStringLiteral("Cannot register action ") + Quoted(Action) +
                                  QStringLiteral(" on file type ") + Quoted(TypeName));
    try {
        TRegistry classes(context_.Registry(), TRegistryRoot::classesRoot);
        classes.WriteString(Extension, QString(), TypeName);
        classes.WriteString(TypeName, QString(), Description);
        classes.WriteString(TypeName + QStringLiteral("\\shell\\") + Action + QStringLiteral("\\command"), QString(),
                            Quoted(registeredApp_) + QLatin1Char(' ') + Quoted(QStringLiteral("%1")));
    } catch (const EError&) {
    }
    // The desktop's side of the notice: its own claim, for this program only.
    try {
        if (Desktop && registeredApp_.toLower() == ownExecutable_.toLower())
            Desktop->Claim(userAgreed_);
    } catch (const EError&) {
    }
}

QString TFileAssociate::Noun() const
{
    QString noun = (Description.isEmpty() ? Extension + QStringLiteral(" file") : Description).trimmed();
    if (!noun.endsWith(QLatin1Char('s')) && !noun.endsWith(QLatin1Char('S')))
        noun += QLatin1Char('s');
    return noun;
}

QString TFileAssociate::QuestionText(const QString& registered) const
{
    const QString noun = Noun();
    const QString doing = QStringLiteral(" to do ") + Quoted(Action) + QStringLiteral(" on ") + noun;
    QString text = registered.isEmpty()
                       ? QStringLiteral("No application is currently registered") + doing
                       : QStringLiteral("This application is currently registered") + doing + QLatin1Char('\n') + registered;
    text += QStringLiteral("\n\n");
    text += AboutBox ? QStringLiteral("Do you want to register ") + AboutBox->Title() + doing
                     : QStringLiteral("Do you want to register this application") + doing;
    if (!registered.isEmpty())
        text += QStringLiteral(" instead");
    return text + QLatin1Char('?');
}

QString TFileAssociate::QuestionCaption() const
{
    const QString action = QStringLiteral(" is not registered to do ") + Quoted(Action) + QStringLiteral(" on ");
    if (AboutBox)
        return AboutBox->Title() + action + Noun();
    // Without an about box: a sentence of its own, the extension and the noun kept apart.
    return QStringLiteral("Not registered to do ") + Quoted(Action) + QStringLiteral(" on ") + Extension +
           QLatin1Char(' ') + Noun();
}

bool TFileAssociate::Ask(const QString& registered)
{
    return messages_.Show(QuestionText(registered), QuestionCaption(), TMessageIcon::question,
                          TMessageButtons::yesNo) == TMessageAnswer::yes;
}

void TFileAssociate::Check()
{
    if (Extension.isEmpty())
        return;
    userAgreed_ = false;
    if (context_.ClassesRoot() == TRegistryRoot::classesRoot && !RegisteredToMe()) {
        const QString registered = registeredApp_;
        if (registered.isEmpty() && AutoRegister) {
            RegisterToMe();
        } else if (Ask(registered)) {
            userAgreed_ = true;
            RegisterToMe();
        }
        return;
    }
    CheckDesktop();
}

void TFileAssociate::CheckDesktop()
{
    if (!Desktop)
        return;
    try {
        if (Desktop->OpensType())
            return;
        // What the desktop starts now: the default's program or, without a default, the one our
        // own entry names (left behind by a build that moved or is gone).
        const QString current = Desktop->DefaultApplication();
        QString registered = Desktop->EntryProgram(current.isEmpty() ? Desktop->DesktopId : current);
        if (registered.isEmpty())
            registered = current;
        if (registered.isEmpty() && AutoRegister) {
            Desktop->Claim(false);
            return;
        }
        if (Ask(registered))
            Desktop->Claim(true);
    } catch (const EError&) {
    }
}
