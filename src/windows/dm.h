#pragma once
// The data module: the pictures that the main window's controls share. ImgMain holds the 16-pixel
// pictures of menus, toolbar and file-list buttons; imgSteps the 24-pixel step pictures of the
// page tabs and guidance texts. Every picture is drawn here, so the set stays consistent and
// crisp at any screen scale.

#include <QIcon>
#include <QObject>
#include <vector>

enum TImgMain {
    imgNew,
    imgOpen,
    imgSave,
    imgSaveAs,
    imgClose,
    imgExit,
    imgOption,
    imgGeneral,
    imgFiles,
    imgConfiguration,
    imgInstaller,
    imgCompile,
    imgRun,
    imgGenerator,
    imgTopic,
    imgHomepage,
    imgAbout,
    imgAddFiles,
    imgRemove,
    imgMoveUp,
    imgMoveDown,
    imgFolder,
    imgReopen,
    imgMainCount
};

class Tdm : public QObject {
    Q_OBJECT
public:
    explicit Tdm(QObject* parent = nullptr);

    std::vector<QIcon> ImgMain;  // indexed by TImgMain
    std::vector<QIcon> imgSteps; // steps 1 to 4 at indexes 0 to 3

    // One picture of ImgMain drawn at another size (the quick start's large buttons).
    static QIcon Picture(TImgMain which, int size);
    // The program's own icon (window and task bar).
    static QIcon ProgramIcon();
    // Draws the program icon at any size; also used for the default project icon.
    static QImage ProgramIconImage(int size);
    // The picture of "defaultProjectIcon.ico": a screen playing a movie.
    static QImage DefaultProjectIconImage(int size);
};

// The one data module of the program, made on first use.
Tdm& dm();
