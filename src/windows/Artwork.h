#pragma once
// Pictures the auxiliary windows show, all drawn here in code: the installer wizard's side
// and header pictures, the about box's five-picture animation and the maker's logo, and the
// stand-in icon of a project without one. Drawing them keeps the program free of borrowed
// artwork and sharp at any device pixel ratio.

#include <QPixmap>

namespace Artwork {

// The tall picture beside the installer's Welcome page: 164 by 314 pixels.
QPixmap InstallerSidePicture();
// The small picture at the right of the installer's page headers: 55 by 55 pixels.
QPixmap InstallerHeaderPicture();
// One of the about box's five animation pictures, 56 by 76 pixels; index 0 to 4.
QPixmap AboutMovieFrame(int index);
constexpr int AboutMovieFrameCount = 5;
// The maker's logo for the about box's bottom band.
QPixmap MakerLogo();
// A 32 by 32 screensaver icon for projects that show none.
QPixmap ProjectIconStandIn();

} // namespace Artwork
