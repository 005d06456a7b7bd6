#pragma once

#include <QIcon>
#include <QString>

// The program's pictures in the resources: its own icon, the error icon of the error dialogs, and icons of the
// desktop's theme with bundled stand-ins for desktops whose theme lacks them.

namespace kvn {

// Resource names of the pictures that other windows load by name.
inline constexpr const char* kLogoResource = ":/JPGFILE/KVN_LOGO_IMAGE";
inline constexpr const char* kErrorIconResource = ":/ICON/X_ERROR";

// The program's icon in every size that is bundled (16 to 256 pixels).
QIcon ProgramIcon();

// The error icon "X_ERROR".
QIcon ErrorIcon();

// The icon of the desktop's theme with the freedesktop name (document-open, edit-find, ...); the bundled picture of
// that name where the theme has none, and a null icon when neither exists.
QIcon ThemeIcon(const QString& name);

// True when a picture of the name is bundled as a stand-in for the theme.
bool HasBundledIcon(const QString& name);

} // namespace kvn
