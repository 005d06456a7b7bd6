#pragma once

#include <QList>
#include <QPixmap>

// The program's own pictures of the main window's image list, at the positions the browsers use; flag pictures
// follow them.

namespace kvn {

enum TTreeImage : int {
    imgRelayTeam = 5,
    imgNationWithoutFlag = 7,
    imgAthlete = 9,
    imgSession = 11,
    imgEvent = 12,
    imgAgeGroup = 13,
    imgClubWithoutFlag = 14,
    kTreeImageCount = 15
};

// The 15 program pictures, 16 x 16; positions without a use are empty pictures of the same size.
QList<QPixmap> ProgramTreeImages();

} // namespace kvn
