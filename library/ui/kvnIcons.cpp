#include "kvnIcons.h"

#include <QFile>

namespace kvn {

namespace {

constexpr int kProgramIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};
// The stand-ins are drawn for tool bars; the larger one serves screens scaled to twice the size.
constexpr int kActionIconSizes[] = {24, 48};

QString ActionIconPath(const QString& name, int size)
{
    return QStringLiteral(":/icons/actions/%1-%2.png").arg(name).arg(size);
}

} // namespace

QIcon ProgramIcon()
{
    QIcon icon;
    for (int size : kProgramIconSizes)
        icon.addFile(QStringLiteral(":/icons/veltro-%1.png").arg(size), QSize(size, size));
    return icon;
}

QIcon ErrorIcon()
{
    return QIcon(kErrorIconResource);
}

bool HasBundledIcon(const QString& name)
{
    return QFile::exists(ActionIconPath(name, kActionIconSizes[0]));
}

QIcon ThemeIcon(const QString& name)
{
    QIcon bundled;
    if (HasBundledIcon(name))
        for (int size : kActionIconSizes)
            bundled.addFile(ActionIconPath(name, size), QSize(size, size));
    return QIcon::fromTheme(name, bundled);
}

} // namespace kvn
