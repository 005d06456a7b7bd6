#pragma once

#include <QList>
#include <QPixmap>
#include <QSize>
#include <QString>

#include <string>
#include <vector>

// Flag pictures of the nation list: 16 x 16 pictures painted at run time from a few shapes per flag (stripes,
// crosses, discs), simplified where the real flag is detailed.

namespace kvn {

// The 16 x 16 flag picture of a code of the nation list in any letter case, or a null pixmap for other codes.
QPixmap FlagPicture(const QString& nationCode);

// The flag of a code of the nation list or of USA, CAN, CZE, CRO or MEX (any letter case) painted over a picture of
// the given size inside a thin frame (a square flag centred, or at the left beside its tab); a null pixmap for other
// codes and for sizes below 3 x 3.
QPixmap FlagPicture(const QString& nationCode, const QSize& size);

// Appends the picture of every code of the nation list to images and one "CODE=index" line per picture to nations,
// where index is the picture's position in images.
void LoadFlags(QList<QPixmap>& images, std::vector<std::string>& nations);

} // namespace kvn
