#include "kvnShell.h"

#include "kvnEncoding.h"
#include "kvnStrings.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>

namespace kvn {

namespace {

TUrlOpener& UrlOpener()
{
    static TUrlOpener opener;
    return opener;
}

QString FromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToUtf8(const QString& text)
{
    return text.toUtf8().toStdString();
}

bool HasControlCharacters(const std::string& text)
{
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) return true;
    }
    return false;
}

// The class name becomes part of file names, so it may not name a folder or leave the one it is written to.
bool IsValidClassName(const std::string& name)
{
    if (name.empty() || name.size() > 64) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        char c = name[i];
        bool alphanumeric = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!alphanumeric && (i == 0 || (c != '.' && c != '_' && c != '-'))) return false;
    }
    return true;
}

#ifndef Q_OS_WIN

struct TExtension {
    const char* Suffix;
    const char* BaseType; // what the file is underneath, so that the desktop prefers our type over the base type
};
// All container extensions, like the installed desktop entry, which a registered one of the same name hides.
constexpr TExtension kExtensions[] = {{"ovf", "application/xml"},
                                      {"ovz", "application/zip"},
                                      {"ovb", "application/zip"},
                                      {"kvt", "application/zip"},
                                      {"twf", "application/zip"}};

// The program icon's sizes in the resources, as the desktop's icon theme folders expect them.
constexpr int kIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

std::string MimeTypeName(const std::string& id, const TExtension& extension)
{
    return "application/x-" + id + "-" + extension.Suffix;
}

std::string XmlEscape(const std::string& text)
{
    std::string escaped;
    for (char c : text) {
        switch (c) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

// One argument of a desktop entry's Exec key. Quoting escapes '"', '`', '$' and '\'; "%" is doubled because it
// starts field codes; then the general string escaping of the file doubles every backslash once more.
std::string DesktopExecArgument(const std::string& argument)
{
    std::string quoted = "\"";
    for (char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        else if (c == '%')
            quoted += '%';
        quoted += c;
    }
    quoted += '"';
    return ReplaceAll(quoted, "\\", "\\\\");
}

std::string MimePackage(const std::string& id, const std::string& description)
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n";
    for (const TExtension& extension : kExtensions) {
        xml += "  <mime-type type=\"" + MimeTypeName(id, extension) + "\">\n";
        xml += "    <sub-class-of type=\"" + std::string(extension.BaseType) + "\"/>\n";
        xml += "    <comment>" + XmlEscape(description) + "</comment>\n";
        xml += "    <icon name=\"" + id + "\"/>\n";
        xml += "    <glob pattern=\"*." + std::string(extension.Suffix) + "\"/>\n";
        xml += "  </mime-type>\n";
    }
    xml += "</mime-info>\n";
    return xml;
}

std::string DesktopEntry(const std::string& id, const std::string& className, const std::string& programPath)
{
    std::string mimeTypes;
    for (const TExtension& extension : kExtensions)
        mimeTypes += MimeTypeName(id, extension) + ";";
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=" +
           className +
           "\n"
           "Exec=" +
           DesktopExecArgument(programPath) +
           " %f\n"
           "Icon=" +
           id +
           "\n"
           "MimeType=" +
           mimeTypes +
           "\n"
           "Terminal=false\n";
}

// Replaces the file as a whole, so that a failed write never leaves half a file behind.
bool WriteWholeFile(const QString& path, const std::string& content, std::string& reason)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        reason = "Cannot write " + ToUtf8(path) + ": " + ToUtf8(file.errorString());
        return false;
    }
    auto size = static_cast<qint64>(content.size());
    if (file.write(content.data(), size) != size || !file.commit()) {
        reason = "Cannot write " + ToUtf8(path) + ": " + ToUtf8(file.errorString());
        file.cancelWriting();
        return false;
    }
    return true;
}

// Copies the program icon from the resources into the user's icon theme folders under the name id.
bool WriteIcons(const QString& dataDir, const QString& id, std::string& reason)
{
    for (int size : kIconSizes) {
        QFile icon(QStringLiteral(":/icons/veltro-%1.png").arg(size));
        if (!icon.open(QIODevice::ReadOnly)) {
            reason = "The program icon is missing from the program's resources.";
            return false;
        }
        QString folder = QStringLiteral("%1/icons/hicolor/%2x%2/apps").arg(dataDir).arg(size);
        if (!QDir().mkpath(folder)) {
            reason = "Cannot create the folder " + ToUtf8(folder) + ".";
            return false;
        }
        if (!WriteWholeFile(folder + "/" + id + ".png", icon.readAll().toStdString(), reason)) return false;
    }
    return true;
}

// Runs a database tool of the desktop when it is installed; a missing tool is no failure, a failing one is.
bool RunDatabaseTool(const QString& tool, const QString& folder, std::string& reason)
{
    QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty()) return true;
    QProcess process;
    process.start(program, {folder});
    if (!process.waitForStarted(10000)) {
        reason = ToUtf8(tool) + " could not be started: " + ToUtf8(process.errorString());
        return false;
    }
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished(5000);
        reason = ToUtf8(tool) + " did not finish.";
        return false;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        std::string output = Trim(ToUtf8(QString::fromLocal8Bit(process.readAllStandardError())));
        reason = ToUtf8(tool) + " failed (exit code " + IntToStr(process.exitCode()) + ")";
        if (!output.empty()) reason += ": " + Utf8Left(output, 300);
        return false;
    }
    return true;
}

#endif

} // namespace

void SetUrlOpener(TUrlOpener opener)
{
    UrlOpener() = std::move(opener);
}

QUrl WebAddressUrl(const std::string& address)
{
    std::string text = Trim(address);
    if (text.empty()) return {};
    QUrl url = QUrl::fromUserInput(FromUtf8(text));
    // A result file comes from anyone; its address must not make the desktop run a program or open a local file.
    if (!url.isValid() || (url.scheme() != "http" && url.scheme() != "https") || url.host().isEmpty()) return {};
    return url;
}

bool OpenUrl(const std::string& url)
{
    QUrl target = WebAddressUrl(url);
    if (!target.isValid()) return false;
    if (UrlOpener()) return UrlOpener()(target);
    return QDesktopServices::openUrl(target);
}

std::string UserDataDir()
{
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    // A relative XDG_DATA_HOME is invalid by the freedesktop rules and is ignored.
    if (!dataHome.isEmpty() && QDir::isAbsolutePath(dataHome)) return ToUtf8(QDir::cleanPath(dataHome));
    QString home = qEnvironmentVariable("HOME");
    if (home.isEmpty() || !QDir::isAbsolutePath(home)) return {};
    return ToUtf8(QDir::cleanPath(home + "/.local/share"));
}

#ifdef Q_OS_WIN

bool RegisterFileExtensions(const std::string& className, const std::string& programPath,
                            const std::string& description, std::string& reason)
{
    if (!IsValidClassName(className)) {
        reason = "Invalid program class name \"" + className + "\".";
        return false;
    }
    if (programPath.empty() || HasControlCharacters(programPath) || HasControlCharacters(description)) {
        reason = "Invalid program path or description.";
        return false;
    }
    // The user's own classes need no administrator rights, unlike the machine-wide HKEY_CLASSES_ROOT.
    QSettings classes("HKEY_CURRENT_USER\\Software\\Classes", QSettings::NativeFormat);
    QString name = FromUtf8(className);
    QString program = QDir::toNativeSeparators(FromUtf8(programPath));
    classes.setValue(".ovf/.", name);
    classes.setValue(".ovz/.", name);
    classes.setValue(name + "/.", FromUtf8(description));
    classes.setValue(name + "/DefaultIcon/.", program + ",0");
    // Quoted, so that a program folder with blanks still names one program.
    classes.setValue(name + "/shell/open/command/.", "\"" + program + "\" \"%1\"");
    classes.sync();
    if (classes.status() != QSettings::NoError) {
        reason = "The registry entries could not be written.";
        return false;
    }
    reason.clear();
    return true;
}

#else

bool RegisterFileExtensions(const std::string& className, const std::string& programPath,
                            const std::string& description, std::string& reason)
{
    if (!IsValidClassName(className)) {
        reason = "Invalid program class name \"" + className + "\".";
        return false;
    }
    if (programPath.empty() || !QDir::isAbsolutePath(FromUtf8(programPath)) || HasControlCharacters(programPath)) {
        reason = "Invalid program path \"" + programPath + "\".";
        return false;
    }
    if (HasControlCharacters(description)) {
        reason = "Invalid file type description.";
        return false;
    }
    std::string dataDir = UserDataDir();
    if (dataDir.empty()) {
        reason = "The user's data folder is unknown (neither XDG_DATA_HOME nor HOME is set).";
        return false;
    }
    const std::string id = AsciiLower(className);
    const QString mimeFolder = FromUtf8(dataDir) + "/mime";
    const QString packageFolder = mimeFolder + "/packages";
    const QString applicationFolder = FromUtf8(dataDir) + "/applications";
    for (const QString& folder : {packageFolder, applicationFolder}) {
        if (!QDir().mkpath(folder)) {
            reason = "Cannot create the folder " + ToUtf8(folder) + ".";
            return false;
        }
    }
    const QString idText = FromUtf8(id);
    if (!WriteWholeFile(packageFolder + "/" + idText + ".xml", MimePackage(id, description), reason) ||
        !WriteWholeFile(applicationFolder + "/" + idText + ".desktop", DesktopEntry(id, className, programPath),
                        reason) ||
        !WriteIcons(FromUtf8(dataDir), idText, reason))
        return false;
    if (!RunDatabaseTool("update-mime-database", mimeFolder, reason) ||
        !RunDatabaseTool("update-desktop-database", applicationFolder, reason))
        return false;
    reason.clear();
    return true;
}

#endif

std::string QuillonPath(const std::string& programDir)
{
#ifdef Q_OS_WIN
    const QString name = "quillon.exe";
#else
    const QString name = "quillon";
#endif
    // Always absolute: a bare program name would be looked up along PATH and could start a stranger's program.
    return ToUtf8(QDir::cleanPath(QDir(FromUtf8(programDir)).absoluteFilePath(name)));
}

bool QuillonExists(const std::string& programDir)
{
    QFileInfo program(FromUtf8(QuillonPath(programDir)));
    return program.isFile() && program.isExecutable();
}

bool StartQuillon(const std::string& programDir, const std::string& filePath)
{
    if (!QuillonExists(programDir)) return false;
    // An argument list, not a command line: the path arrives as one argument whatever blanks or quotes it holds.
    return QProcess::startDetached(FromUtf8(QuillonPath(programDir)), {FromUtf8(filePath)});
}

} // namespace kvn
